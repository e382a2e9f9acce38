// SPDX-License-Identifier: Apache-2.0
//
// Unit texts: parsing, printing, canonical equality and hashing, the unit table, the fundamental form and the
// expression operators.
#include "unit_manager/unitexpression.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
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

// The exception text throws, or one with an empty identifier when it throws none.
qtf::MessageException parseError(const std::string& text) {
  try {
    U(text);
  } catch (const qtf::MessageException& e) {
    return e;
  }
  return qtf::MessageException("");
}

TEST(UnitText, PrintsMergedFactorsInOrderOfFirstAppearance) {
  struct Row {
    const char* text;
    const char* printed;
  };
  const Row rows[] = {
      {"kg*m/s^2", "kg*m/s^2"},
      {"m/s/s", "m/s^2"},
      {"m*m", "m^2"},
      {"m/m", "1"},
      {"1", "1"},
      {"1/s", "1/s"},
      {"s^-1", "1/s"},
      {"m^(1/2)/s^(3/2)", "m^(1/2)/s^(3/2)"},
      {"m^0.5", "m^(1/2)"},
      {"m^0.3", "m^(3/10)"},
      {"m^(1.5)", "m^(3/2)"},
      {"m^0.333333333333", "m^(1/3)"},
      {"m^0.41666666667", "m^(5/12)"},
      {"m^-0.5", "1/m^(1/2)"},
      {"m^(2)", "m^2"},
      {"m^(-4/6)", "1/m^(2/3)"},
      {"m^0", "1"},
      {"m^(0/3)", "1"},
      {"(m/s)^2", "m^2/s^2"},
      {"(m^2)^(1/2)", "m"},
      {"m*km", "m*km"},
      {"s*m/s*s", "m*s"},  // s cancels, and comes back after m
      {"1/(1/m)", "m"},
      {"((m))", "m"},
      {"1*m", "m"},
      {"N*m/J", "N*m/J"},
      {" kg * m / s ^ 2 ", "kg*m/s^2"},
      {"m ^ - 2", "1/m^2"},
      {"\tm\n/\ts", "m/s"},
      {"m^(-2147483647)", "1/m^2147483647"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(U(row.text).convertToString(), row.printed);
  }
}

TEST(UnitText, EqualityAndHashIgnoreFactorOrderButNotSymbols) {
  struct Row {
    const char* a;
    const char* b;
    bool equal;
  };
  const Row rows[] = {
      {"m*s", "s*m", true},
      {"m/s/s", "m/s^2", true},
      {"m*km", "km*m", true},
      {"m^(1/2)*m^(1/2)", "m", true},
      {"1", "m/m", true},
      {"kg*m/s^2", "m/s^2*kg", true},
      {"N*m", "J", false},
      {"km", "m", false},
      {"degC", "K", false},
      {"l", "L", false},
      {"Hz", "1/s", false},
      {"m^2", "m^3", false},
      {"m^(1/2)", "m^(1/3)", false},
      {"m/s", "s/m", false},
      {"1", "rad", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
    const UnitExpression a = U(row.a);
    const UnitExpression b = U(row.b);
    EXPECT_EQ(a == b, row.equal);
    EXPECT_EQ(a != b, !row.equal);
    EXPECT_EQ(hashOf(a) == hashOf(b), row.equal);
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
    const UnitExpression parsed = U(unit->symbol());
    EXPECT_EQ(parsed.convertToString(), unit->symbol());
    EXPECT_EQ(UnitExpression(unit), parsed);
    // Fractional powers and quotients print in a form that parses back.
    const UnitExpression compound = UnitExpression(unit).pow(-3, 4) * U("m^(2/3)") / U("s");
    EXPECT_EQ(U(compound.convertToString()), compound);
    EXPECT_EQ(unit->isAffine(), unit->symbol() == "degC" || unit->symbol() == "degF");
  }
}

TEST(UnitTable, ExactSymbolsWinOverPrefixPlusUnit) {
  struct Row {
    const char* symbol;
    const char* base;  // the unit it converts to with factor 1
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
  struct Prefix {
    const char* symbol;
    int power;
  };
  const Prefix prefixes[] = {{"Y", 24}, {"Z", 21},  {"E", 18},  {"P", 15},  {"T", 12},  {"G", 9},  {"M", 6},
                             {"k", 3},  {"h", 2},   {"da", 1},  {"d", -1},  {"c", -2},  {"m", -3}, {"u", -6},
                             {"n", -9}, {"p", -12}, {"f", -15}, {"a", -18}, {"z", -21}, {"y", -24}};
  for (const char* base : {"m", "g", "s", "Pa", "eV", "Wh", "l", "mol"}) {
    for (const Prefix& prefix : prefixes) {
      const std::string symbol = std::string(prefix.symbol) + base;
      SCOPED_TRACE(symbol);
      ASSERT_NE(findUnit(symbol), nullptr);
      const UnitExpression u = U(symbol);
      EXPECT_EQ(u.convertToString(), symbol);
      EXPECT_NE(u, U(base));
      // strtod rounds correctly, so the expected scale is the double nearest to the power of ten.
      const double expected = std::strtod(("1e" + std::to_string(prefix.power)).c_str(), nullptr);
      EXPECT_EQ(u.getConversion(U(base)).scale, expected);
    }
  }
}

TEST(UnitText, RejectsBadTextsWithIdentifierAndPosition) {
  struct Row {
    std::string text;
    const char* id;
    std::string second;  // the position, or the text for UnknownUnit
  };
  const char* invalid = "unit_manager:parser:InvalidUnitExpression";
  const char* unknown = "unit_manager:parser:UnknownUnit";
  const Row rows[] = {
      {"", invalid, "0"},
      {"   ", invalid, "3"},
      {"m/", invalid, "2"},
      {"kg^", invalid, "3"},
      {"m^(1/0)", invalid, "5"},
      {"((m)", invalid, "4"},
      {"m)", invalid, "1"},
      {"m^2^3", invalid, "3"},
      {"2*m", invalid, "0"},
      {"1.0", invalid, "0"},
      {"m^0.123", invalid, "2"},
      {"m^0.076923076923", invalid, "2"},  // 1/13
      {"m^2147483648", invalid, "2"},
      {"m^-2147483648", invalid, "3"},
      {"m^(1/2147483648)", invalid, "5"},
      {"m^2147483647*m", invalid, "12"},
      {"(m^65536)^65536", invalid, "10"},
      {"m s", invalid, "2"},
      {"m**s", invalid, "2"},
      {"*m", invalid, "0"},
      {"m^+2", invalid, "2"},
      {"m^(1/2", invalid, "6"},
      {"m^(0.5/2)", invalid, "6"},
      {"m^(1/-2)", invalid, "5"},
      {"m^1.", invalid, "4"},
      {"\xc2\xb5m", invalid, "0"},
      // Five lengths with coprime denominators near 2^31: the length exponent needs more than 128 bits.
      {kCoprimeLengths, invalid, std::to_string(std::string(kCoprimeLengths).size())},
      {"()", invalid, "1"},
      {"foo", unknown, "foo"},
      {"m*kgg", unknown, "m*kgg"},
      {"m2", unknown, "m2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const qtf::MessageException e = parseError(row.text);
    EXPECT_STREQ(e.identifier(), row.id);
    EXPECT_EQ(e.argument(2), row.second);
    if (std::string(row.id) == invalid) {
      EXPECT_EQ(e.argument(1), row.text);
    }
  }
  EXPECT_EQ(parseError("m*kgg").argument(1), "kgg");
}

TEST(UnitText, NestingIsBoundedSoNoTextExhaustsTheStack) {
  const qtf::MessageException deep = parseError(std::string(100000, '('));
  EXPECT_STREQ(deep.identifier(), "unit_manager:parser:InvalidUnitExpression");
  EXPECT_EQ(deep.argument(2), "100");

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
      const UnitExpression u = U(text);
      ASSERT_EQ(u, UnitExpression(findUnit("m")).pow(k, 7)) << text;
    }
  }
}

TEST(UnitExpression, FundamentalFormUsesBaseUnitsInFixedOrder) {
  struct Row {
    const char* text;
    const char* fundamental;
  };
  const Row rows[] = {
      {"degC", "K"},
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
      {"Wh", "kg*m^2/s^2"},
      {"1", "1"},
      {"F", "s^4*A^2/kg/m^2"},
      {"g^(1/2)", "kg^(1/2)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const UnitExpression fundamental = U(row.text).getFundamentalExpression();
    EXPECT_EQ(fundamental.convertToString(), row.fundamental);
    EXPECT_TRUE(fundamental.commensurate(U(row.text)));
  }
}

TEST(UnitExpression, PredicatesForOneDimensionlessAffineAndCommensurate) {
  struct Row {
    const char* text;
    bool one;
    bool dimensionless;
    bool affine;
  };
  const Row rows[] = {
      {"1", true, true, false},      {"m/m", true, true, false},      {"rad", false, true, false},
      {"deg", false, true, false},   {"percent", false, true, false}, {"m/km", false, true, false},
      {"degC", false, false, true},  {"degC/s", false, false, true},  {"s*degF", false, false, true},
      {"degR", false, false, false}, {"K", false, false, false},      {"Hz*s", false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const UnitExpression u = U(row.text);
    EXPECT_EQ(u.isOne(), row.one);
    EXPECT_EQ(u.isDimensionless(), row.dimensionless);
    EXPECT_EQ(u.isAffineUnitInExpression(), row.affine);
  }
  struct Pair {
    const char* a;
    const char* b;
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
  const UnitExpression m = U("m");
  const UnitExpression s = U("s");
  EXPECT_EQ((m * s).convertToString(), "m*s");
  EXPECT_EQ((s * m).convertToString(), "s*m");
  EXPECT_EQ(m * s, s * m);
  EXPECT_EQ((m / m).convertToString(), "1");
  EXPECT_TRUE((m / m).isOne());
  EXPECT_EQ((m / s / s), U("m/s^2"));
  EXPECT_EQ(m.pow(3, 2).convertToString(), "m^(3/2)");
  EXPECT_EQ((m / s).pow(-2, 1).convertToString(), "s^2/m^2");
  EXPECT_EQ(m.pow(0, 5).convertToString(), "1");
  EXPECT_EQ(m.pow(2, 4), U("m^(1/2)"));
  EXPECT_EQ(m.pow(INT_MIN, 2).convertToString(), "1/m^1073741824");
  EXPECT_EQ(m.pow(1, -2).convertToString(), "1/m^(1/2)");
  EXPECT_EQ(UnitExpression(static_cast<const unit_manager::Unit*>(nullptr)), UnitExpression());
  EXPECT_TRUE(UnitExpression().isOne());
  EXPECT_EQ(UnitExpression().convertToString(), "1");
  const unit_manager::StandardContext context;
  EXPECT_TRUE(UnitExpression(context).isOne());

  EXPECT_THROW_ID(m.pow(1, 0), "unit_manager:unit:InvalidExponent");
  EXPECT_THROW_ID(m.pow(INT_MIN, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(1, INT_MIN), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(INT_MAX, 1) * m, "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(INT_MAX, 1) / m.pow(-1, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(65536, 1).pow(65536, 1), "unit_manager:unit:ExponentOverflow");
  EXPECT_THROW_ID(m.pow(1, INT_MAX) * m.pow(1, INT_MAX - 1), "unit_manager:unit:ExponentOverflow");
  const UnitExpression fourLengths = U(std::string(kCoprimeLengths).substr(0, std::string(kCoprimeLengths).rfind('*')));
  EXPECT_THROW_ID(fourLengths * U("um^(1/2147483563)"), "unit_manager:unit:ExponentOverflow");
}

}  // namespace
