// SPDX-License-Identifier: Apache-2.0
//
// Conversions between units, checked against values known independently of the unit table: exact rationals worked
// out by hand (and rounded once), pi from its decimal expansion.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "qtf/messageexception.hpp"
#include "sorvexa_test/expect.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::UnitConversion;
using unit_manager::UnitExpression;

UnitConversion conversion(const std::string& from, const std::string& to) {
  return UnitExpression::parse(from).getConversion(UnitExpression::parse(to));
}

// Each scale is the double nearest to the exact rational value of the conversion. An offset counts only for an affine
// unit alone; in a compound unit it is a difference of temperatures.
TEST(Conversion, ExactDefinitionsGiveTheNearestDouble) {
  struct Row {
    const char *from, *to;
    double scale, offset;
  };
  const Row rows[] = {
      {"km", "m", 1000, 0},
      {"m", "km", 0.001, 0},
      {"in", "m", 0.0254, 0},
      {"mi", "ft", 5280, 0},
      {"lbm", "kg", 0.45359237, 0},
      {"psi", "Pa", 6894.757293168362, 0},  // 4.4482216152605 / 0.0254^2
      {"mph", "m/s", 0.44704, 0},
      {"hp", "W", 745.6998715822702, 0},  // 550 * 0.3048 * 4.4482216152605
      {"slug", "kg", 14.593902937206364, 0},
      {"atm", "psi", 14.695948775513449, 0},
      {"gal", "in^3", 231, 0},
      {"kWh", "MJ", 3.6, 0},
      {"Btu", "cal", 252.16440072179734, 0},
      {"keV", "fJ", 0.1602176634, 0},
      {"d", "min", 1440, 0},
      {"percent", "ppm", 10000, 0},
      {"l", "dm^3", 1, 0},
      {"N*m", "J", 1, 0},
      {"degC", "K", 1, 273.15},
      {"K", "degC", 1, -273.15},
      {"degF", "K", 5.0 / 9.0, 255.37222222222223},  // 459.67 * 5/9
      {"degC", "degF", 1.8, 32},
      {"degF", "degC", 5.0 / 9.0, -160.0 / 9.0},
      {"degR", "K", 5.0 / 9.0, 0},
      {"degC", "degR", 1.8, 491.67},
      {"degC/s", "K/s", 1, 0},
      {"degF*m", "K*m", 5.0 / 9.0, 0},
      {"1/degC", "1/K", 1, 0},
      {"degC*degC/degC", "K", 1, 273.15},
      {"degF/s", "degC/s", 5.0 / 9.0, 0},
      // Numerators and denominators beyond 64 bits, and products that cancel back into them.
      {"Em^2", "m^2", 1e36, 0},
      {"in^5", "m^5", 1.057227821024e-8, 0},  // 254^5 / 10^20
      {"nm^3*Gm^3", "m^6", 1, 0},
      {"ps*THz", "1", 1, 0},
      {"Gm^3/mm^2", "km", 1e30, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
    const UnitConversion c = conversion(row.from, row.to);
    EXPECT_EQ(c.scale, row.scale);
    EXPECT_EQ(c.offset, row.offset);
  }
}

TEST(Conversion, UnitsWithPiCarryOneRounding) {
  // pi to 40 digits, independent of the library's constant.
  const long double pi = 3.141592653589793238462643383279502884197L;
  struct Row {
    const char *from, *to;
    long double scale;
  };
  const Row rows[] = {{"deg", "rad", pi / 180},  {"rev", "deg", 360},    {"rpm", "Hz", pi / 30},
                      {"rad/s", "rpm", 30 / pi}, {"deg", "1", pi / 180}, {"km^(1/2)", "m^(1/2)", std::sqrt(1000.0L)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
    const UnitConversion c = conversion(row.from, row.to);
    EXPECT_DOUBLE_EQ(c.scale, static_cast<double>(row.scale));
    EXPECT_EQ(c.offset, 0.0);
  }
}

TEST(Conversion, IncommensurateUnitsThrowWithBothTexts) {
  const char* pairs[][2] = {{"m", "s"}, {"N*m", "kg"}, {"degC", "degF*m"}, {"1", "m"}, {"Hz", "rad"}, {"m", "m^2"}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(std::string(pair[0]) + " -> " + pair[1]);
    EXPECT_THROW_ID(conversion(pair[0], pair[1]), "unit_manager:unit:IncommensurateUnits");
  }
  try {
    conversion(" m / s ", "kg");
    ADD_FAILURE() << "no exception";
  } catch (const qtf::MessageException& e) {
    EXPECT_EQ(e.argument(1), "m/s");
    EXPECT_EQ(e.argument(2), "kg");
    EXPECT_NE(std::string(e.what()).find("m/s"), std::string::npos);
  }
}

TEST(Conversion, HugePowersStayFiniteOrSaturateWithoutNaN) {
  // 10^240 does not fit a 128-bit rational; the approximation must still be close.
  EXPECT_NEAR(conversion("Ym^5", "ym^5").scale / 1e240, 1.0, 1e-15);
  EXPECT_NEAR(conversion("eV^3", "J^3").scale / std::pow(1.602176634e-19, 3), 1.0, 1e-15);
  EXPECT_EQ(conversion("hm^(1/2)", "m^(1/2)").scale, 10.0);
  EXPECT_EQ(conversion("ym^1000000", "zm^1000000").scale, 0.0);
  EXPECT_EQ(conversion("zm^1000000", "ym^1000000").scale, std::numeric_limits<double>::infinity());
  EXPECT_EQ(conversion("ym^1000000*s", "s*ym^1000000").scale, 1.0);
}

TEST(Conversion, EveryUnitConvertsToItsFundamentalFormAndBack) {
  for (const unit_manager::Unit* unit : unit_manager::unitTable()) {
    SCOPED_TRACE(unit->symbol());
    const UnitExpression u(unit);
    const UnitExpression fundamental = u.getFundamentalExpression();
    const double there = u.getConversion(fundamental).scale;
    EXPECT_GT(there, 0.0);
    EXPECT_NEAR(there * fundamental.getConversion(u).scale, 1.0, 4e-16);
    EXPECT_EQ(u.getConversion(u).scale, 1.0);
    EXPECT_EQ(u.getConversion(u).offset, 0.0);
  }
}

}  // namespace
