// SPDX-License-Identifier: Apache-2.0
//
// Every unit of the table against its published definition (the SI brochure, NIST SP 811, the international yard and
// pound agreement, the IAU's astronomical constants), each through two independent expressions where there are two;
// and every text that was valid before the everyday units arrived, which must keep its meaning to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ios>
#include <iterator>
#include <string>

#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::UnitExpression;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// x [from] = x * num / den [to], exactly: num and den are each exactly a double (an integer below 2^53, or den is 1
// and num a decimal literal the compiler rounds once), so num / den is the correctly rounded reference.
struct ExactRow {
  const char* from;
  const char* to;
  double num;
  double den;
};

void expectExact(const ExactRow* begin, const ExactRow* end) {
  for (const ExactRow* row = begin; row != end; ++row) {
    SCOPED_TRACE(std::string(row->from) + " -> " + row->to);
    const auto conversion = UnitExpression::parse(row->from).getConversion(UnitExpression::parse(row->to));
    EXPECT_EQ(conversion.scale, row->num / row->den) << std::hexfloat << conversion.scale;
    EXPECT_EQ(conversion.offset, 0.0);
  }
}

// Definitions that involve pi: the reference is computed in extended precision, and the library rounds once.
struct RoundedRow {
  const char* from;
  const char* to;
  long double scale;
};

void expectWithinOneUlp(const RoundedRow* begin, const RoundedRow* end) {
  for (const RoundedRow* row = begin; row != end; ++row) {
    SCOPED_TRACE(std::string(row->from) + " -> " + row->to);
    const double expected = static_cast<double>(row->scale);
    const double scale = UnitExpression::parse(row->from).getConversion(UnitExpression::parse(row->to)).scale;
    EXPECT_LE(std::fabs(scale - expected), std::nextafter(expected, INFINITY) - expected) << scale;
  }
}

TEST(UnitReference, SiUnitsAndPrefixesAreCoherent) {
  const ExactRow rows[] = {
      {"g", "kg", 1, 1000},
      {"Hz", "1/s", 1, 1},
      {"N", "kg*m/s^2", 1, 1},
      {"Pa", "N/m^2", 1, 1},
      {"Pa", "kg/m/s^2", 1, 1},
      {"J", "kg*m^2/s^2", 1, 1},
      {"J", "W*s", 1, 1},
      {"W", "kg*m^2/s^3", 1, 1},
      {"C", "A*s", 1, 1},
      {"V", "kg*m^2/s^3/A", 1, 1},
      {"F", "s^4*A^2/kg/m^2", 1, 1},
      {"F", "C/V", 1, 1},
      {"Ohm", "kg*m^2/s^3/A^2", 1, 1},
      {"S", "1/Ohm", 1, 1},
      {"Wb", "kg*m^2/s^2/A", 1, 1},
      {"T", "kg/s^2/A", 1, 1},
      {"H", "kg*m^2/s^2/A^2", 1, 1},
      {"lm", "cd", 1, 1},
      {"lx", "cd/m^2", 1, 1},
      {"rad", "1", 1, 1},
      {"sr", "1", 1, 1},
      {"Ym", "m", 1e24, 1},
      {"Zs", "s", 1e21, 1},
      {"EJ", "J", 1e18, 1},
      {"PW", "W", 1e15, 1},
      {"THz", "Hz", 1e12, 1},
      {"GPa", "Pa", 1e9, 1},
      {"MN", "N", 1e6, 1},
      {"km", "m", 1000, 1},
      {"hl", "m^3", 0.1, 1},
      {"dam", "m", 10, 1},
      {"dm", "m", 0.1, 1},
      {"cm", "m", 0.01, 1},
      {"mA", "A", 0.001, 1},
      {"uV", "V", 1e-6, 1},
      {"nF", "F", 1e-9, 1},
      {"pC", "C", 1e-12, 1},
      {"fm", "m", 1e-15, 1},
      {"amol", "mol", 1e-18, 1},
      {"zcd", "cd", 1e-21, 1},
      {"yg", "kg", 1e-27, 1},
      {"mg", "kg", 1e-6, 1},
      {"kWh", "J", 3.6e6, 1},
      {"mbar", "Pa", 100, 1},
      {"keV", "J", 1.602176634e-16, 1},
      {"kcal", "J", 4184, 1},
      {"mL", "m^3", 1e-6, 1},
      {"km", "mm", 1e6, 1},
  };
  expectExact(std::begin(rows), std::end(rows));
}

TEST(UnitReference, NonSiUnitsConvertAsPublished) {
  const ExactRow rows[] = {
      {"min", "s", 60, 1},
      {"h", "min", 60, 1},
      {"d", "s", 86400, 1},
      {"l", "m^3", 0.001, 1},
      {"L", "l", 1, 1},
      {"gal", "m^3", 0.003785411784, 1},
      {"gal", "in^3", 231, 1},
      {"in", "m", 0.0254, 1},
      {"ft", "m", 0.3048, 1},
      {"ft", "in", 12, 1},
      {"yd", "m", 0.9144, 1},
      {"yd", "ft", 3, 1},
      {"mi", "m", 1609.344, 1},
      {"mi", "ft", 5280, 1},
      {"lbm", "kg", 0.45359237, 1},
      {"lbf", "N", 4.4482216152605, 1},
      {"lbf", "lbm*m/s^2", 9.80665, 1},
      {"slug", "kg", 8896443230521, 609600000000},
      {"slug", "lbf*s^2/ft", 1, 1},
      {"bar", "Pa", 100000, 1},
      {"atm", "Pa", 101325, 1},
      {"psi", "Pa", 8896443230521, 1290320000},
      {"psi", "lbf/in^2", 1, 1},
      {"eV", "J", 1.602176634e-19, 1},
      {"cal", "J", 4.184, 1},
      {"Btu", "J", 1055.05585262, 1},
      {"Wh", "J", 3600, 1},
      {"hp", "W", 745.69987158227022, 1},
      {"hp", "ft*lbf/s", 550, 1},
      {"mph", "m/s", 0.44704, 1},
      {"mph", "mi/h", 1, 1},
      {"percent", "1", 0.01, 1},
      {"ppm", "1", 1e-6, 1},
      {"ppm", "percent", 1, 10000},
  };
  expectExact(std::begin(rows), std::end(rows));
  const RoundedRow rounded[] = {
      {"deg", "rad", kPi / 180},    {"deg", "1", kPi / 180}, {"rev", "rad", 2 * kPi},
      {"rpm", "1/s", 2 * kPi / 60}, {"rpm", "rev/min", 1},   {"deg", "rev", 1.0L / 360},
  };
  expectWithinOneUlp(std::begin(rounded), std::end(rounded));
}

TEST(UnitReference, TemperaturesCarryTheirOffsetsExactly) {
  struct Row {
    const char* from;
    const char* to;
    double scaleNum, scaleDen, offsetNum, offsetDen;
  };
  // degF is 5/9 K with its zero at 459.67 degR; 0 degC is 273.15 K.
  const Row rows[] = {
      {"degC", "K", 1, 1, 273.15, 1},    {"K", "degC", 1, 1, -273.15, 1}, {"degF", "K", 5, 9, 229835, 900},
      {"degR", "K", 5, 9, 0, 1},         {"degC", "degF", 9, 5, 32, 1},   {"degF", "degC", 5, 9, -160, 9},
      {"degF", "degR", 1, 1, 459.67, 1}, {"degC/s", "K/s", 1, 1, 0, 1},   {"degF*m", "K*m", 5, 9, 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
    const auto conversion = UnitExpression::parse(row.from).getConversion(UnitExpression::parse(row.to));
    EXPECT_EQ(conversion.scale, row.scaleNum / row.scaleDen);
    EXPECT_EQ(conversion.offset, row.offsetNum / row.offsetDen);
  }
}

// The everyday units. They belong together, so one of them stands for all: until the table has "kn", this test has
// nothing to check; once it has, every row must hold.
TEST(UnitReference, EverydayUnitsConvertAsPublished) {
  if (unit_manager::findUnit("kn") == nullptr) GTEST_SKIP() << "the table has no everyday units yet";
  const ExactRow rows[] = {
      {"t", "kg", 1000, 1},
      {"lb", "kg", 0.45359237, 1},
      {"lb", "lbm", 1, 1},
      {"oz", "kg", 0.028349523125, 1},
      {"lb", "oz", 16, 1},
      {"ha", "m^2", 10000, 1},
      {"acre", "m^2", 4046.8564224, 1},
      {"acre", "ft^2", 43560, 1},
      {"nmi", "m", 1852, 1},
      {"kn", "m/s", 1852, 3600},
      {"kn", "nmi/h", 1, 1},
      {"kn", "km/h", 1.852, 1},
      {"Angstrom", "m", 1e-10, 1},
      {"Angstrom", "nm", 0.1, 1},
      {"au", "m", 149597870700, 1},
      {"ly", "m", 9460730472580800, 1},
      {"ly", "m/s*yr", 299792458, 1},
      {"mil", "m", 2.54e-5, 1},
      {"mil", "in", 0.001, 1},
      {"bbl", "m^3", 0.158987294928, 1},
      {"bbl", "gal", 42, 1},
      {"dyn", "N", 1e-5, 1},
      {"dyn", "g*cm/s^2", 1, 1},
      {"erg", "J", 1e-7, 1},
      {"erg", "dyn*cm", 1, 1},
      {"gn", "m/s^2", 9.80665, 1},
      {"kgf", "N", 9.80665, 1},
      {"kgf", "kg*gn", 1, 1},
      {"kip", "N", 4448.2216152605, 1},
      {"kip", "lbf", 1000, 1},
      {"ksi", "Pa", 8896443230521, 1290320},
      {"ksi", "psi", 1000, 1},
      {"Torr", "Pa", 101325, 760},
      {"Torr", "atm", 1, 760},
      {"mmHg", "Pa", 133.322387415, 1},
      // The conventional inch of mercury: 13.5951 g/cm^3 * 9.80665 m/s^2 * 1 in, exactly 25.4 mmHg.
      {"inHg", "Pa", 3386.388640341, 1},
      {"inHg", "mmHg", 25.4, 1},
      {"Ah", "C", 3600, 1},
      {"VA", "W", 1, 1},
      {"var", "V*A", 1, 1},
      {"P", "Pa*s", 0.1, 1},
      {"P", "g/cm/s", 1, 1},
      {"St", "m^2/s", 1e-4, 1},
      {"St", "cm^2/s", 1, 1},
      {"Bq", "1/s", 1, 1},
      {"Gy", "J/kg", 1, 1},
      {"Sv", "m^2/s^2", 1, 1},
      {"kat", "mol/s", 1, 1},
      {"wk", "s", 604800, 1},
      {"wk", "d", 7, 1},
      {"yr", "s", 31557600, 1},
      {"yr", "d", 365.25, 1},
      {"ppb", "1", 1e-9, 1},
      {"ppb", "ppm", 0.001, 1},
      {"BTU", "J", 1055.05585262, 1},
      {"BTU", "Btu", 1, 1},
      // Prefixed forms of the new prefixable units.
      {"kt", "kg", 1e6, 1},
      {"mAh", "C", 3.6, 1},
      {"kVA", "W", 1000, 1},
      {"Mvar", "V*A", 1e6, 1},
      {"cP", "Pa*s", 0.001, 1},
      {"cSt", "m^2/s", 1e-6, 1},
      {"cSt", "mm^2/s", 1, 1},
      {"MBq", "1/s", 1e6, 1},
      {"mGy", "J/kg", 0.001, 1},
      {"uSv", "J/kg", 1e-6, 1},
      {"nkat", "mol/s", 1e-9, 1},
      // "ft" stays the foot next to the prefixable tonne.
      {"ft", "m", 0.3048, 1},
  };
  expectExact(std::begin(rows), std::end(rows));
  const RoundedRow rounded[] = {
      {"pc", "m", 149597870700.0L * 648000 / kPi},
      {"pc", "au", 648000 / kPi},
      {"arcmin", "rad", kPi / 10800},
      {"arcmin", "deg", 1.0L / 60},
      {"arcsec", "rad", kPi / 648000},
      {"arcsec", "arcmin", 1.0L / 60},
  };
  expectWithinOneUlp(std::begin(rounded), std::end(rounded));
}

// The table as it stood before the everyday units, generated from that build (see data/generate_old_units.cpp).
struct OldUnit {
  const char* symbol;
  const char* fundamental;
  double scale;
  double offset;
};

std::uint64_t bitsOf(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

const OldUnit kOldUnits[] = {
#include "data/old_units.inc"
};

TEST(UnitReference, NoTextValidBeforeChangesItsMeaning) {
  for (const OldUnit& old : kOldUnits) {
    SCOPED_TRACE(old.symbol);
    const UnitExpression unit = UnitExpression::parse(old.symbol);
    const UnitExpression fundamental = unit.getFundamentalExpression();
    EXPECT_EQ(fundamental.convertToString(), old.fundamental);
    const auto conversion = unit.getConversion(fundamental);
    // Bit for bit: the same conversion, not a close one, and no zero that changed its sign.
    EXPECT_EQ(bitsOf(conversion.scale), bitsOf(old.scale)) << conversion.scale;
    EXPECT_EQ(bitsOf(conversion.offset), bitsOf(old.offset)) << conversion.offset;
  }
}

}  // namespace
