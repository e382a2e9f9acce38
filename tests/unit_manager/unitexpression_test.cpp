// SPDX-License-Identifier: Apache-2.0
//
// Unit texts: parsing, printing, canonical equality and hashing, the unit table, the fundamental form and the
// expression operators.
#include "unit_manager/unitexpression.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "qtf/hasher.hpp"
#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"

namespace {

using unit_manager::findUnit;
using unit_manager::UnitExpression;

UnitExpression U(const std::string& text) { return UnitExpression::parse(text); }

const char* const kCoprimeLengths =
    "m^(1/2147483647)*km^(1/2147483629)*cm^(1/2147483587)*mm^(1/2147483579)*um^(1/2147483563)";

std::uint64_t hashOf(const UnitExpression& u) {
  qtf::Hasher hasher;
  u.hash(hasher);
  return hasher.getHash();
}

std::vector<std::string> parseError(const std::string& text) {
  return sorvexa_test::thrownMessage([&] { U(text); });
}

// In "s*m/s*s" s cancels, and comes back after m.
TEST(UnitText, PrintsMergedFactorsInOrderOfFirstAppearance) {
  struct Row {
    const char *text, *printed;
  };
  const Row rows[] = {{"kg*m/s^2", "kg*m/s^2"},
                      {"m/s/s", "m/s^2"},
                      {"m/m", "1"},
                      {"s^-1", "1/s"},
                      {"m^(1/2)/s^(3/2)", "m^(1/2)/s^(3/2)"},
                      {"m^0.5", "m^(1/2)"},
                      {"m^0.3", "m^(3/10)"},
                      {"m^0.333333333333", "m^(1/3)"},
                      {"m^0.41666666667", "m^(5/12)"},
                      {"m^-0.5", "1/m^(1/2)"},
                      {"m^(-4/6)", "1/m^(2/3)"},
                      {"m^(0/3)", "1"},
                      {"(m/s)^2", "m^2/s^2"},
                      {"(m^2)^(1/2)", "m"},
                      {"m*km", "m*km"},
                      {"s*m/s*s", "m*s"},
                      {"1/(1/m)", "m"},
                      {"N*m/J", "N*m/J"},
                      {" kg * m / s ^ 2 ", "kg*m/s^2"},
                      {"m ^ - 2", "1/m^2"},
                      {"\tm\n/\ts", "m/s"},
                      {"m^(-2147483647)", "1/m^2147483647"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(U(row.text).convertToString(), row.printed);
  }
}

TEST(UnitText, EqualityAndHashIgnoreFactorOrderButNotSymbols) {
  struct Row {
    const char *a, *b;
    bool equal;
  };
  const Row rows[] = {{"m*s", "s*m", true},  {"m^(1/2)*m^(1/2)", "m", true},
                      {"1", "m/m", true},    {"kg*m/s^2", "m/s^2*kg", true},
                      {"N*m", "J", false},   {"km", "m", false},
                      {"degC", "K", false},  {"l", "L", false},
                      {"Hz", "1/s", false},  {"m^(1/2)", "m^(1/3)", false},
                      {"m/s", "s/m", false}, {"1", "rad", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
    EXPECT_EQ(U(row.a) == U(row.b), row.equal);
    EXPECT_EQ(U(row.a) != U(row.b), !row.equal);
    EXPECT_EQ(hashOf(U(row.a)) == hashOf(U(row.b)), row.equal);
  }
  // Equal expressions keep the order they were written in.
  EXPECT_EQ(U("s*m").convertToString(), "s*m");
  EXPECT_EQ(U("m*s").convertToString(), "m*s");
}

TEST(UnitTable, EveryUnitIsFoundByItsSymbolAndRoundTrips) {
  ASSERT_GE(unit_manager::unitTable().size(), 54u);
  for (const unit_manager::Unit* unit : unit_manager::unitTable()) {
    SCOPED_TRACE(unit->symbol());
    EXPECT_EQ(findUnit(unit->symbol()), unit);
    EXPECT_FALSE(unit->definition().empty());
    EXPECT_EQ(U(unit->symbol()).convertToString(), unit->symbol());
    EXPECT_EQ(UnitExpression(unit), U(unit->symbol()));
    // Fractional powers and quotients print in a form that parses back.
    const UnitExpression compound = UnitExpression(unit).pow(-3, 4) * U("m^(2/3)") / U("s");
    EXPECT_EQ(U(compound.convertToString()), compound);
    EXPECT_EQ(unit->isAffine(), unit->symbol() == "degC" || unit->symbol() == "degF");
  }
}

TEST(UnitTable, ExactSymbolsWinOverPrefixPlusUnit) {
  struct Row {
    const char* symbol;
    const char* base;
    double factor;
  };
  const Row rows[] = {
      {"min", "s", 60},      {"cd", "cd", 1},     {"h", "s", 3600},   {"T", "Wb/m^2", 1}, {"Pa", "N/m^2", 1},
      {"mi", "m", 1609.344}, {"kg", "g", 1000},   {"mm", "m", 0.001}, {"dam", "m", 10},   {"ms", "s", 0.001},
      {"mcd", "cd", 0.001},  {"kWh", "J", 3.6e6}, {"MeV", "eV", 1e6}, {"hPa", "Pa", 100}, {"mOhm", "Ohm", 0.001},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.symbol);
    EXPECT_EQ(findUnit(row.symbol)->symbol(), row.symbol);
    EXPECT_EQ(U(row.symbol).getConversion(U(row.base)).scale, row.factor);
  }
  // Prefixes apply only to SI units, and only once.
  for (const char* missing : {"kmin", "kft", "Mdeg", "kkm", "msr", "1", "", "Kg", "dadam"}) {
    SCOPED_TRACE(missing);
    EXPECT_EQ(findUnit(missing), nullptr);
  }
}

TEST(UnitTable, EveryPrefixedFormRoundTripsWithItsPowerOfTen) {
  const char* const prefixes[] = {"y",  "z", "a", "f", "p", "n", "u", "m", "c", "d", "",
                                  "da", "h", "k", "M", "G", "T", "P", "E", "Z", "Y"};
  const int powers[] = {-24, -21, -18, -15, -12, -9, -6, -3, -2, -1, 0, 1, 2, 3, 6, 9, 12, 15, 18, 21, 24};
  for (const char* base : {"m", "g", "s", "Pa", "eV", "Wh", "l", "mol"}) {
    for (std::size_t i = 0; i < std::size(prefixes); ++i) {
      const std::string symbol = std::string(prefixes[i]) + base;
      SCOPED_TRACE(symbol);
      ASSERT_NE(findUnit(symbol), nullptr);
      EXPECT_EQ(U(symbol).convertToString(), symbol);
      EXPECT_EQ(U(symbol) == U(base), powers[i] == 0);
      // strtod rounds correctly, so the expected scale is the double nearest to the power of ten.
      const double expected = std::strtod(("1e" + std::to_string(powers[i])).c_str(), nullptr);
      EXPECT_EQ(U(symbol).getConversion(U(base)).scale, expected);
    }
  }
}

TEST(UnitText, RejectsBadTextsWithIdentifierAndPosition) {
  struct Row {
    std::string text, position;
  };
  const Row rows[] = {{"", "0"},
                      {"   ", "3"},
                      {"m/", "2"},
                      {"kg^", "3"},
                      {"m^(1/0)", "5"},
                      {"((m)", "4"},
                      {"m)", "1"},
                      {"m^2^3", "3"},
                      {"2*m", "0"},
                      {"1.0", "0"},
                      {"m^0.123", "2"},
                      {"m^0.076923076923", "2"},  // 1/13
                      {"m^2147483648", "2"},
                      {"m^-2147483648", "3"},
                      {"m^(1/2147483648)", "5"},
                      {"m^2147483647*m", "12"},
                      {"(m^65536)^65536", "10"},
                      {"m s", "2"},
                      {"m**s", "2"},
                      {"*m", "0"},
                      {"m^+2", "2"},
                      {"m^(1/2", "6"},
                      {"m^(0.5/2)", "6"},
                      {"m^(1/-2)", "5"},
                      {"m^1.", "4"},
                      {"\xc2\xb5m", "0"},
                      {"()", "1"},
                      // Five lengths with coprime denominators near 2^31: the length exponent needs over 128 bits.
                      {kCoprimeLengths, std::to_string(std::string(kCoprimeLengths).size())}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<std::string> thrown = parseError(row.text);
    thrown.resize(3);  // the fourth argument explains
    EXPECT_EQ(thrown, (std::vector<std::string>{"unit_manager:parser:InvalidUnitExpression", row.text, row.position}));
  }
  for (const char* text : {"foo", "m*kgg", "m2"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parseError(text)[0], "unit_manager:parser:UnknownUnit");
    EXPECT_EQ(parseError(text)[2], text);
  }
  EXPECT_EQ(parseError("m*kgg")[1], "kgg");
}

TEST(UnitText, NestingIsBoundedSoNoTextExhaustsTheStack) {
  EXPECT_EQ(parseError(std::string(100000, '('))[2], "100");
  const auto nested = [](std::size_t depth) { return std::string(depth, '(') + "m" + std::string(depth, ')'); };
  EXPECT_EQ(U(nested(100)), U("m"));
  EXPECT_THROW_ID(U(nested(101)), "unit_manager:parser:InvalidUnitExpression");
  // Long flat texts are fine: they are not nested.
  std::string flat = "m";
  for (int i = 1; i < 20000; ++i) flat += "*m";
  EXPECT_EQ(U(flat).convertToString(), "m^20000");
}

TEST(UnitText, ManyDistinctTextsStayCorrectAcrossCacheTurnover) {
  for (int round = 0; round < 2; ++round) {
    for (int k = 1; k <= 5000; ++k) {
      const std::string text = "m^(" + std::to_string(k) + "/7)";
      ASSERT_EQ(U(text), UnitExpression(findUnit("m")).pow(k, 7)) << text;
    }
  }
}

TEST(UnitExpression, FundamentalFormUsesBaseUnitsInFixedOrder) {
  const char* const rows[][2] = {{"degC", "K"},
                                 {"deg", "1"},
                                 {"rpm", "1/s"},
                                 {"N", "kg*m/s^2"},
                                 {"s*m", "m*s"},
                                 {"Ohm", "kg*m^2/s^3/A^2"},
                                 {"mol/l", "mol/m^3"},
                                 {"lx", "cd/m^2"},
                                 {"psi", "kg/m/s^2"},
                                 {"percent", "1"},
                                 {"m^(1/2)*km^(1/2)", "m"},
                                 {"degF/s", "K/s"},
                                 {"F", "s^4*A^2/kg/m^2"},
                                 {"g^(1/2)", "kg^(1/2)"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    const UnitExpression fundamental = U(row[0]).getFundamentalExpression();
    EXPECT_EQ(fundamental.convertToString(), row[1]);
    EXPECT_TRUE(fundamental.commensurate(U(row[0])));
  }
}

TEST(UnitExpression, PredicatesForOneDimensionlessAffineAndCommensurate) {
  struct Row {
    const char* text;
    bool one, dimensionless, affine;
  };
  const Row rows[] = {{"1", true, true, false},        {"m/m", true, true, false},     {"rad", false, true, false},
                      {"percent", false, true, false}, {"m/km", false, true, false},   {"degC", false, false, true},
                      {"degC/s", false, false, true},  {"s*degF", false, false, true}, {"degR", false, false, false},
                      {"K", false, false, false},      {"Hz*s", false, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(U(row.text).isOne(), row.one);
    EXPECT_EQ(U(row.text).isDimensionless(), row.dimensionless);
    EXPECT_EQ(U(row.text).isAffineUnitInExpression(), row.affine);
  }
  struct Pair {
    const char *a, *b;
    bool commensurate;
  };
  const Pair pairs[] = {
      {"J", "N*m", true},  {"m", "s", false},    {"degC", "K", true},           {"rad", "1", true},
      {"Hz", "rpm", true}, {"Hz", "rad", false}, {"m^(1/2)", "km^(1/2)", true}, {"m^(1/2)", "m", false}};
  for (const Pair& p : pairs) {
    SCOPED_TRACE(std::string(p.a) + " vs " + p.b);
    EXPECT_EQ(U(p.a).commensurate(U(p.b)), p.commensurate);
  }
}

TEST(UnitExpression, ProductsQuotientsAndPowers) {
  const UnitExpression m = U("m"), s = U("s");
  const std::pair<UnitExpression, const char*> rows[] = {
      {m * s, "m*s"},
      {s * m, "s*m"},
      {m / s / s, "m/s^2"},
      {m / m, "1"},
      {m.pow(3, 2), "m^(3/2)"},
      {(m / s).pow(-2, 1), "s^2/m^2"},
      {m.pow(0, 5), "1"},
      {m.pow(2, 4), "m^(1/2)"},
      {m.pow(INT_MIN, 2), "1/m^1073741824"},
      {m.pow(1, -2), "1/m^(1/2)"},
      {UnitExpression(static_cast<const unit_manager::Unit*>(nullptr)), "1"},
      {UnitExpression(unit_manager::StandardContext()), "1"}};
  for (const auto& [u, printed] : rows) {
    SCOPED_TRACE(printed);
    EXPECT_EQ(u.convertToString(), printed);
    EXPECT_EQ(u, U(printed));
  }
  EXPECT_THROW_ID(m.pow(1, 0), "unit_manager:unit:InvalidExponent");
  EXPECT_THROW_ID(m.pow(INT_MIN, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(1, INT_MIN), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(INT_MAX, 1) * m, "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(INT_MAX, 1) / m.pow(-1, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(65536, 1).pow(65536, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(1, INT_MAX) * m.pow(1, INT_MAX - 1), "unit_manager:unit:ExponentOverflow");
  const std::string four = std::string(kCoprimeLengths).substr(0, std::string(kCoprimeLengths).rfind('*'));
  EXPECT_THROW_ID(U(four) * U("um^(1/2147483563)"), "unit_manager:unit:ExponentOverflow");
}

}  // namespace
