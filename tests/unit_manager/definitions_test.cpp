// SPDX-License-Identifier: Apache-2.0
//
// User-defined units: the definitions grammar and its errors in their order, whole-or-nothing loading, per-context
// scope, affine user units through conversions and propagation, and units that outlive their context.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::StandardContext;
using unit_manager::UnitExpression;

UnitExpression parseIn(const StandardContext& context, const std::string& text) {
  const std::unique_ptr<unit_manager::UnitParser> parser(context.createUnitParser());
  return parser->parse(text);
}

// Each text is loaded into a fresh context; the expected values come from the definitions' own numbers.
TEST(UnitDefinitions, GoodLinesDefineWhatTheySay) {
  struct Row {
    const char* text;
    const char* from;
    const char* to;
    double scale;
    double offset;
  };
  const Row rows[] = {
      {"furlong = 201.168 m", "furlong", "m", 201.168, 0.0},
      {"furlong = 201.168 m", "furlong", "ft", 660.0, 0.0},
      {"kph = km/h", "kph", "m/s", 1000.0 / 3600.0, 0.0},
      {"dozen = 12", "dozen", "1", 12.0, 0.0},
      {"dozen = 12 # a comment", "dozen", "percent", 1200.0, 0.0},
      {"degX = 5/9 K @ 255.37", "degX", "K", 5.0 / 9.0, 255.37},
      {"degX = 5/9 K @ 255.37", "degX", "degC", 5.0 / 9.0, 255.37 - 273.15},
      {"cold = K @ -10", "cold", "K", 1.0, -10.0},
      {"cold = 2 degR @ -1.5", "cold", "K", 10.0 / 9.0, -1.5 * 5.0 / 9.0},
      {"hot = degC", "hot", "K", 1.0, 273.15},
      {"twopi = 2*pi", "twopi", "rad", 6.283185307179586, 0.0},
      {"qd = 1/4 d", "qd", "s", 21600.0, 0.0},
      {"  prefixable widget = 3 kg  ", "kwidget", "kg", 3000.0, 0.0},
      {"prefixable widget = 3 kg", "uwidget", "g", 0.003, 0.0},
      {"f_2 = 2 ft", "f_2", "in", 24.0, 0.0},
      {"x = 1.5e3 mm", "x", "m", 1.5, 0.0},
      {"x = 0.5 m^2/m", "x", "cm", 50.0, 0.0},
      {"tiny = 1e-40 m", "tiny", "m", 1e-40, 0.0},
      {"\n# a comment line\n\nlap = 400 m\r\nmile4 = 4 lap", "mile4", "km", 1.6, 0.0},
      {"prefixable wid = 2 m\nkw2 = 3 kwid", "kw2", "m", 6000.0, 0.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const StandardContext context(row.text);
    const unit_manager::UnitConversion c = parseIn(context, row.from).getConversion(parseIn(context, row.to));
    EXPECT_NEAR(c.scale / row.scale, 1.0, 1e-15);
    EXPECT_NEAR(c.offset, row.offset, 1e-12 * (1.0 + std::abs(row.offset)));
  }
}

// Decimals are exact: 201.168 m is exactly 660 ft, 9/5 degR exactly 1 K.
TEST(UnitDefinitions, DecimalScalesAndOffsetsAreExact) {
  const StandardContext context("furlong = 201.168 m\nnine = 9/5 degR\ndegY = degR @ 459.67");
  EXPECT_EQ(parseIn(context, "furlong").getConversion(parseIn(context, "ft")).scale, 660.0);
  EXPECT_EQ(parseIn(context, "nine").getConversion(parseIn(context, "K")).scale, 1.0);
  // degY is degF by another name: 32 of it is exactly 0 degC.
  const unit_manager::UnitConversion c = parseIn(context, "degY").getConversion(parseIn(context, "degC"));
  EXPECT_EQ(32.0 * c.scale + c.offset, 0.0);
  EXPECT_EQ(212.0 * c.scale + c.offset, 100.0);
}

TEST(UnitDefinitions, BadLinesGetTheirIdentifierAndLineNumber) {
  struct Row {
    const char* text;
    const char* identifier;
    int line;
  };
  const char* const invalid = "unit_manager:definition:InvalidDefinition";
  const char* const duplicate = "unit_manager:definition:DuplicateUnit";
  const char* const ambiguous = "unit_manager:definition:AmbiguousUnit";
  const Row rows[] = {
      // Syntax.
      {"furlong 201.168 m", invalid, 1},
      {"= 3 m", invalid, 1},
      {"1abc = 3 m", invalid, 1},
      {"a-b = 3 m", invalid, 1},
      {"x =", invalid, 1},
      {"x = # nothing", invalid, 1},
      {"x = 1000kg", invalid, 1},
      {"x = 60/min", invalid, 1},
      {"x = 3 m^", invalid, 1},
      {"x = 3 2 m", invalid, 1},
      {"x = 3 @ 5", invalid, 1},
      {"x = K @ 5 K", invalid, 1},
      {"x = K @ 1 @ 2", invalid, 1},
      {"prefixable x = K @ 3", invalid, 1},
      {"prefixable  x = 3 m @ 1", invalid, 1},
      {"pi = 3", invalid, 1},
      // The definition's meaning.
      {"x = 3 foo", invalid, 1},
      {"x = 0 m", invalid, 1},
      {"x = 0.000 m", invalid, 1},
      {"x = 5/0 m", invalid, 1},
      {"x = 1e400 m", invalid, 1},
      {"x = 1e-400 m", invalid, 1},
      {"x = 1e200 m*1e200", invalid, 1},
      {"x = 1e300*1e300 m", invalid, 1},
      {"x = K @ 1e400", invalid, 1},
      {"x = degC @ 3", invalid, 1},
      {"x = m^(1/2)", invalid, 1},
      // The symbol.
      {"m = 2 m", duplicate, 1},
      {"ft = 1 m", duplicate, 1},
      {"degC = K @ 1", duplicate, 1},
      {"km = 1000 m", ambiguous, 1},
      {"ms = 0.001 s", ambiguous, 1},
      {"kt = 1 kg", ambiguous, 1},
      {"prefixable am = 1 m", ambiguous, 1},
      {"prefixable al = 1 m", ambiguous, 1},
      // Line numbers count every line, blank and comment lines included.
      {"a1 = 1 m\n\n# comment\nkm = 1000 m", ambiguous, 4},
      {"furlong = 201.168 m\nchain = 22 m\nkm = 1000 m", ambiguous, 3},
      {"furlong = 1 m\nfurlong = 2 m", duplicate, 2},
      {"prefixable wid = 1 m\nkwid = 3 m", ambiguous, 2},
      {"prefixable wid = 1 m\nprefixable dwid = 3 m", ambiguous, 2},
      {"x = y\ny = 1 m", invalid, 1},
      // The order of the checks: syntax, then the symbol, then the definition.
      {"km = 1000kg", invalid, 1},
      {"km = 3 foo", ambiguous, 1},
      {"m = foo", duplicate, 1},
      {"m = 0 m", duplicate, 1},
      {"prefixable am = 0 foo", ambiguous, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    StandardContext context;
    const std::vector<std::string> thrown = sorvexa_test::thrownMessage([&] { context.define(row.text); });
    ASSERT_EQ(thrown.size(), 5u);
    EXPECT_EQ(thrown[0], row.identifier);
    EXPECT_EQ(thrown[1], std::to_string(row.line));
    std::string text = row.text;
    std::size_t start = 0;
    for (int n = 1; n < row.line; ++n) start = text.find('\n', start) + 1;
    const std::string line = text.substr(start, text.find('\n', start) - start);
    EXPECT_EQ(thrown[2], line);
    // Nothing of the text was kept.
    EXPECT_EQ(context.units().size(), unit_manager::unitTable().size());
  }
}

TEST(UnitDefinitions, ATextIsTakenWholeOrNotAtAll) {
  StandardContext context("lap = 400 m");
  const std::vector<std::string> thrown =
      sorvexa_test::thrownMessage([&] { context.define("prefixable a1 = 1 m\nb1 = 2 ka1\nkm = 1000 m"); });
  ASSERT_FALSE(thrown.empty());
  EXPECT_EQ(thrown[0], "unit_manager:definition:AmbiguousUnit");
  EXPECT_EQ(thrown[1], "3");
  for (const char* symbol : {"a1", "ka1", "b1"}) {
    EXPECT_EQ(context.findUnit(symbol), nullptr) << symbol;
    EXPECT_THROW_ID(parseIn(context, symbol), "unit_manager:parser:UnknownUnit");
  }
  EXPECT_NE(context.findUnit("lap"), nullptr);
  // The same symbols can be defined afterwards: the failed text left nothing behind to be a duplicate of.
  context.define("prefixable a1 = 5 m\nb1 = 2 ka1");
  EXPECT_EQ(parseIn(context, "b1").getConversion(parseIn(context, "m")).scale, 10000.0);
  EXPECT_THROW_ID(StandardContext("ok = 1 m\nbad = 3 foo"), "unit_manager:definition:InvalidDefinition");
}

TEST(UnitDefinitions, UnitsBelongToTheContextThatDefinedThem) {
  const StandardContext a("furlong = 201.168 m\nprefixable widget = 3 kg");
  const StandardContext b("furlong = 200 m");
  const StandardContext plain;
  const UnitExpression fa = parseIn(a, "furlong");
  const UnitExpression fb = parseIn(b, "furlong");
  EXPECT_NE(fa, fb);
  EXPECT_EQ(fa, parseIn(a, "furlong"));
  EXPECT_EQ(fa.convertToString(), "furlong");
  EXPECT_EQ(fa.getConversion(UnitExpression::parse("m")).scale, 201.168);
  EXPECT_EQ(fb.getConversion(UnitExpression::parse("m")).scale, 200.0);
  // The same texts in different contexts are cached apart.
  EXPECT_EQ(parseIn(b, "furlong*s").getConversion(UnitExpression::parse("m*s")).scale, 200.0);
  EXPECT_EQ(parseIn(a, "furlong*s").getConversion(UnitExpression::parse("m*s")).scale, 201.168);
  EXPECT_THROW_ID(parseIn(b, "widget"), "unit_manager:parser:UnknownUnit");
  EXPECT_THROW_ID(parseIn(plain, "furlong"), "unit_manager:parser:UnknownUnit");
  EXPECT_THROW_ID(UnitExpression::parse("furlong"), "unit_manager:parser:UnknownUnit");
  EXPECT_EQ(unit_manager::findUnit("furlong"), nullptr);
  EXPECT_EQ(plain.findUnit("furlong"), nullptr);
  ASSERT_NE(a.findUnit("kwidget"), nullptr);
  EXPECT_EQ(a.findUnit("kwidget")->definition(), "1000 widget");
  EXPECT_NE(a.findUnit("furlong"), b.findUnit("furlong"));
  // Built-in units are the same units in every context.
  EXPECT_EQ(parseIn(a, "km/h"), parseIn(b, "km/h"));
  EXPECT_EQ(parseIn(a, "km/h"), UnitExpression::parse("km/h"));
  EXPECT_EQ(a.findUnit("km"), unit_manager::findUnit("km"));

  std::vector<std::string> listed;
  for (const unit_manager::Unit* unit : a.units()) listed.push_back(unit->symbol() + " = " + unit->definition());
  const std::vector<const unit_manager::Unit*>& builtin = unit_manager::unitTable();
  ASSERT_EQ(listed.size(), builtin.size() + 2);
  EXPECT_EQ(listed[0], builtin[0]->symbol() + " = " + builtin[0]->definition());
  EXPECT_EQ(listed[builtin.size()], "furlong = 201.168 m");
  EXPECT_EQ(listed[builtin.size() + 1], "widget = 3 kg");
}

TEST(UnitDefinitions, AffineUserUnitsBehaveAsDegC) {
  const StandardContext context("degX = 5/9 K @ 255.37\ndegZ = degC");
  const unit_manager::UnitPropagationRule* plus = context.propagationRule(unit_manager::PropagationRuleId::Additive);
  const unit_manager::UnitPropagationRule* less = context.propagationRule(unit_manager::PropagationRuleId::Comparison);
  const UnitExpression degX = parseIn(context, "degX");
  const UnitExpression kelvin = parseIn(context, "K");
  EXPECT_TRUE(degX.isAffineUnitInExpression());
  EXPECT_TRUE(parseIn(context, "degX/s").isAffineUnitInExpression());
  EXPECT_TRUE(parseIn(context, "degZ").isAffineUnitInExpression());
  EXPECT_FALSE(parseIn(context, "K/s").isAffineUnitInExpression());
  std::vector<double> factors(2, 0.0);
  for (const unit_manager::UnitPropagationRule* rule : {plus, less}) {
    EXPECT_THROW_ID(rule->propagate({{degX, false, 1.0}, {kelvin, false, 1.0}}, factors),
                    "unit_manager:propagation:AffineUnitMismatch");
    EXPECT_THROW_ID(rule->propagate({{parseIn(context, "degC"), false, 1.0}, {degX, false, 1.0}}, factors),
                    "unit_manager:propagation:AffineUnitMismatch");
  }
  // degZ is degC by another name: the offsets agree, so only the scale remains.
  EXPECT_EQ(plus->propagate({{parseIn(context, "degC"), false, 1.0}, {parseIn(context, "degZ"), false, 1.0}}, factors),
            parseIn(context, "degC"));
  EXPECT_EQ(factors[1], 1.0);
  // A rate is a difference: degX/s against K/s converts by the scale alone.
  const UnitExpression rate =
      plus->propagate({{parseIn(context, "K/s"), false, 1.0}, {parseIn(context, "degX/s"), false, 1.0}}, factors);
  EXPECT_EQ(rate, parseIn(context, "K/s"));
  EXPECT_NEAR(factors[1], 5.0 / 9.0, 1e-16);
  // 0 degX is 255.37 K, that is -17.78 degC.
  const unit_manager::UnitConversion toC = degX.getConversion(parseIn(context, "degC"));
  EXPECT_NEAR(toC.offset, -17.78, 1e-12);
  EXPECT_NEAR(toC.scale, 5.0 / 9.0, 1e-16);
}

TEST(UnitDefinitions, UserUnitsOutliveTheirContext) {
  UnitExpression kept;
  UnitExpression product;
  {
    auto context = std::make_unique<StandardContext>("prefixable widget = 3 kg\nfurlong = 201.168 m");
    kept = parseIn(*context, "kwidget*furlong/s");
    product = parseIn(*context, "widget") * parseIn(*context, "furlong");
  }
  // Parses in a context made afterwards must not meet the old records through the parse cache.
  const StandardContext other("prefixable widget = 5 kg\nfurlong = 1 m");
  EXPECT_NE(parseIn(other, "kwidget*furlong/s"), kept);
  EXPECT_EQ(kept.convertToString(), "kwidget*furlong/s");
  EXPECT_NEAR(kept.getConversion(UnitExpression::parse("kg*m/s")).scale, 3000.0 * 201.168, 1e-9);
  EXPECT_NEAR(product.getConversion(UnitExpression::parse("kg*m")).scale, 3.0 * 201.168, 1e-12);
  EXPECT_EQ(kept.getFundamentalExpression(), UnitExpression::parse("kg*m/s"));
}

TEST(UnitDefinitions, DefineWhileOtherThreadsParseWithTheContext) {
  StandardContext context;
  constexpr int kDefines = 40;
  std::atomic<int> defined{0};
  std::vector<std::thread> readers;
  std::vector<int> failures(3, 0);
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&, t] {
      const std::unique_ptr<unit_manager::UnitParser> parser(context.createUnitParser());
      while (defined.load() < kDefines) {
        const int known = defined.load();
        if (known == 0) continue;
        // Every unit defined before the load above must be there, with its value.
        const int k = known - 1;
        const UnitExpression u = parser->parse("u" + std::to_string(k) + "*s");
        if (u.getConversion(UnitExpression::parse("m*s")).scale != k + 1) ++failures[static_cast<std::size_t>(t)];
        if (context.findUnit("u" + std::to_string(k)) == nullptr) ++failures[static_cast<std::size_t>(t)];
        if (context.units().size() < unit_manager::unitTable().size() + static_cast<std::size_t>(known)) {
          ++failures[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (int k = 0; k < kDefines; ++k) {
    context.define("u" + std::to_string(k) + " = " + std::to_string(k + 1) + " m");
    defined.store(k + 1);
    std::this_thread::yield();
  }
  for (std::thread& reader : readers) reader.join();
  for (int t = 0; t < 3; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], 0) << "thread " << t;
  EXPECT_EQ(context.units().size(), unit_manager::unitTable().size() + kDefines);
}

}  // namespace
