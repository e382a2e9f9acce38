// SPDX-License-Identifier: Apache-2.0
//
// The standard context and its unit propagation rules.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "qtf/messageexception.hpp"
#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"

namespace {

using unit_manager::PropagateOperandInfo;
using unit_manager::StandardContext;
using unit_manager::UnitExpression;

const double kNone = PropagateOperandInfo::INVALID_SCALAR_CONSTANT;
const double kInf = std::numeric_limits<double>::infinity();
const double kPi = 3.141592653589793238462643383279502884;

UnitExpression U(const std::string& text) { return UnitExpression::parse(text); }

struct Operand {
  const char* unit;
  bool zero;
  double value;
};

std::vector<PropagateOperandInfo> describe(const std::vector<Operand>& operands) {
  std::vector<PropagateOperandInfo> infos;
  for (const Operand& o : operands) infos.emplace_back(U(o.unit), o.zero, o.value);
  return infos;
}

struct Outcome {
  std::string unit;
  std::vector<double> factors;
};

// Runs rule index on operands with factors pre-filled with +infinity, as operators do.
Outcome run(int index, const std::vector<Operand>& operands) {
  const StandardContext context;
  std::vector<double> factors(operands.size(), kInf);
  const UnitExpression result = context.propagationRule(index)->propagate(describe(operands), factors);
  return Outcome{result.convertToString(), factors};
}

std::string traceOf(int index, const std::vector<Operand>& operands) {
  std::string text = "rule " + std::to_string(index) + ":";
  for (const Operand& o : operands) text += std::string(" ") + o.unit + (o.zero ? "(zero)" : "");
  return text;
}

TEST(PropagationRules, ResultUnitsAndFactors) {
  struct Row {
    int rule;
    std::vector<Operand> operands;
    const char* unit;
    std::vector<double> factors;
  };
  const Row rows[] = {
      {0, {{"m", false, 2}}, "m", {1}},
      {0, {{"degC", false, kNone}}, "degC", {1}},
      {2, {{"m", false, 1}, {"m", false, 1}}, "m", {1, 1}},
      {2, {{"m", false, 1}, {"km", false, 1}}, "m", {1, 1000}},
      {2, {{"km", false, 1}, {"m", false, 1}}, "km", {1, 0.001}},
      {2, {{"s*m", false, 1}, {"m*s", false, 1}}, "s*m", {1, 1}},
      {2, {{"degC", false, 1}, {"degC", false, 1}}, "degC", {1, 1}},
      {2, {{"degC/s", false, 1}, {"K/s", false, 1}}, "degC/s", {1, 1}},
      {2, {{"degF/s", false, 1}, {"K/s", false, 1}}, "degF/s", {1, 1.8}},
      {2, {{"m", false, 1}, {"1", true, 0}}, "m", {1, 1}},
      {2, {{"m", false, 1}, {"1", true, kNone}}, "m", {1, 1}},
      {2, {{"percent", false, 1}, {"1", false, 1}}, "percent", {1, 100}},
      {2, {{"1", false, 1}, {"percent", true, 0}}, "1", {1, 0.01}},
      {2, {{"rad", false, 1}, {"deg", false, 1}}, "rad", {1, kPi / 180}},
      {3, {{"m", false, 1}, {"km", false, 1}}, "1", {1, 1000}},
      {3, {{"s", false, 1}, {"1", true, 0}}, "1", {1, 1}},
      {3, {{"K", false, 1}, {"K", false, 1}}, "1", {1, 1}},
      {5, {{"m", false, 1}, {"s", false, 1}}, "m*s", {1, 1}},
      {5, {{"s", false, 1}, {"m/s", false, 1}}, "m", {1, 1}},
      {5, {{"degC", false, 1}, {"degC", false, 1}}, "degC^2", {1, 1}},
      {6, {{"m", false, 1}, {"s", false, 1}}, "s/m", {1, 1}},
      {7, {{"m", false, 1}, {"s", false, 1}}, "m/s", {1, 1}},
      {7, {{"m", false, 1}, {"m", false, 1}}, "1", {1, 1}},
      {8, {{"m", false, 1}, {"1", false, 2}}, "m^2", {1, 1}},
      {8, {{"m", false, 1}, {"1", false, 0.5}}, "m^(1/2)", {1, 1}},
      {8, {{"m", false, 1}, {"1", false, -1}}, "1/m", {1, 1}},
      {8, {{"m", false, 1}, {"1", false, 1.0 / 3.0}}, "m^(1/3)", {1, 1}},
      {8, {{"m", false, 1}, {"1", false, -5.0 / 12.0}}, "1/m^(5/12)", {1, 1}},
      {8, {{"m^2", false, 1}, {"1", false, 1.5}}, "m^3", {1, 1}},
      {8, {{"m", false, 1}, {"percent", false, 50}}, "m^(1/2)", {1, 0.01}},
      {8, {{"m", false, 1}, {"1", true, 0}}, "1", {1, 1}},
      {8, {{"m", false, 1}, {"s", true, 0}}, "1", {1, 1}},
      {8, {{"m", false, 1}, {"percent", true, kNone}}, "1", {1, 1}},
      {8, {{"1", false, 1}, {"1", false, 2.7}}, "1", {1, 1}},
      {8, {{"1", false, 1}, {"1", false, kNone}}, "1", {1, 1}},
      {8, {{"1", false, 1}, {"deg", false, kPi}}, "1", {1, kPi / 180}},
      {9, {{"m", false, 1}, {"s", false, 1}}, "1", {1, 1}},
      {10, {{"deg", false, 90}}, "1", {kPi / 180}},
      {10, {{"percent", false, 1}}, "1", {0.01}},
      {10, {{"m/km", false, 1}}, "1", {0.001}},
      {10, {{"rad", false, 1}}, "1", {1}},
      {10, {{"1", false, 1}}, "1", {1}},
      {10, {{"m", false, 1}}, "1", {1}},
      {11, {{"m^2", false, 4}}, "m", {1}},
      {11, {{"m", false, 4}}, "m^(1/2)", {1}},
      {11, {{"s^(1/2)/m", false, 4}}, "s^(1/4)/m^(1/2)", {1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(row.rule, row.operands));
    const Outcome outcome = run(row.rule, row.operands);
    EXPECT_EQ(outcome.unit, row.unit);
    ASSERT_EQ(outcome.factors.size(), row.factors.size());
    for (std::size_t i = 0; i < row.factors.size(); ++i) EXPECT_DOUBLE_EQ(outcome.factors[i], row.factors[i]);
  }
}

TEST(PropagationRules, FailuresNameTheUnitsAndLeaveFactorsAlone) {
  struct Row {
    int rule;
    std::vector<Operand> operands;
    const char* id;
  };
  const char* incommensurate = "unit_manager:propagation:IncommensurateUnits";
  const char* affine = "unit_manager:propagation:AffineUnitMismatch";
  const char* exponent = "unit_manager:propagation:InvalidExponent";
  const Row rows[] = {
      // Only a second operand that is zero and exactly "1" is exempt.
      {2, {{"m", false, 1}, {"s", false, 1}}, incommensurate},
      {2, {{"m", false, 1}, {"s", true, 0}}, incommensurate},
      {2, {{"m", false, 1}, {"percent", true, 0}}, incommensurate},
      {2, {{"m", false, 1}, {"rad", true, 0}}, incommensurate},
      {2, {{"m", false, 1}, {"1", false, 1}}, incommensurate},
      {2, {{"1", true, 0}, {"m", false, 1}}, incommensurate},
      {3, {{"m", false, 1}, {"s", true, 0}}, incommensurate},
      {3, {{"1", true, 0}, {"s", false, 1}}, incommensurate},
      // A scale factor cannot carry an offset.
      {2, {{"degC", false, 30}, {"K", false, 300}}, affine},
      {2, {{"K", false, 300}, {"degC", false, 30}}, affine},
      {2, {{"degC", false, 1}, {"degF", false, 1}}, affine},
      {2, {{"degF", false, 1}, {"degR", false, 1}}, affine},
      {2, {{"degC", false, 1}, {"mK", false, 1}}, affine},
      {3, {{"degC", false, 30}, {"K", false, 300}}, affine},
      {3, {{"degC", false, 1}, {"K", true, 0}}, affine},
      // Exponents must be dimensionless (or zero) and small fractions.
      {8, {{"m", false, 1}, {"m", false, 2}}, exponent},
      {8, {{"1", false, 1}, {"s", false, 2}}, exponent},
      {8, {{"m", false, 1}, {"1", false, 0.123}}, exponent},
      {8, {{"m", false, 1}, {"1", false, 1.0 / 13.0}}, exponent},
      {8, {{"m", false, 1}, {"deg", false, 180}}, exponent},
      {8, {{"m", false, 1}, {"1", false, kNone}}, exponent},
      {8, {{"m", false, 1}, {"1", false, std::nan("")}}, exponent},
      {8, {{"m", false, 1}, {"1", false, kInf}}, exponent},
      {8, {{"m", false, 1}, {"1", false, 3e9}}, exponent},
      {8, {{"m^65536", false, 1}, {"1", false, 65536}}, exponent},
      {8, {{"m^(1/2147483647)", false, 1}, {"1", false, 0.5}}, exponent},
      {11, {{"m^(1/2147483647)", false, 1}}, exponent},
  };
  const StandardContext context;
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(row.rule, row.operands));
    const std::vector<PropagateOperandInfo> operands = describe(row.operands);
    std::vector<double> factors(operands.size(), kInf);
    try {
      context.propagationRule(row.rule)->propagate(operands, factors);
      ADD_FAILURE() << "no exception";
    } catch (const qtf::MessageException& e) {
      EXPECT_STREQ(e.identifier(), row.id);
      EXPECT_EQ(e.argument(1), operands[0].unit().convertToString());
      if (operands.size() > 1) {
        EXPECT_EQ(e.argument(2), operands[1].unit().convertToString());
      }
    }
    EXPECT_EQ(factors, std::vector<double>(operands.size(), kInf));
  }
}

TEST(PropagationRules, WrongOperandOrFactorCountsThrow) {
  const StandardContext context;
  for (int index : {0, 2, 3, 5, 6, 7, 8, 9, 10, 11}) {
    const bool unary = index == 0 || index == 10 || index == 11;
    SCOPED_TRACE(index);
    const auto one = describe({{"m", false, 1}});
    const auto two = describe({{"m", false, 1}, {"m", false, 1}});
    const auto three = describe({{"m", false, 1}, {"m", false, 1}, {"m", false, 1}});
    std::vector<double> factors1(1, kInf), factors2(2, kInf), factors3(3, kInf), none;
    const unit_manager::UnitPropagationRule* rule = context.propagationRule(index);
    EXPECT_EQ(rule->index(), index);
    EXPECT_THROW_ID(rule->propagate(unary ? two : one, unary ? factors2 : factors1),
                    "unit_manager:propagation:InvalidOperandCount");
    EXPECT_THROW_ID(rule->propagate(three, factors3), "unit_manager:propagation:InvalidOperandCount");
    EXPECT_THROW_ID(rule->propagate({}, none), "unit_manager:propagation:InvalidOperandCount");
    EXPECT_THROW_ID(rule->propagate(unary ? one : two, unary ? factors2 : factors1),
                    "unit_manager:propagation:InvalidOperandCount");
    EXPECT_EQ(factors1, std::vector<double>(1, kInf));
    EXPECT_EQ(factors2, std::vector<double>(2, kInf));
  }
}

TEST(PropagationRules, UnknownIndicesGiveARuleThatThrowsWithTheIndex) {
  const StandardContext context;
  for (int index : {1, 4, -1, 12, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(index);
    const unit_manager::UnitPropagationRule* rule = context.propagationRule(index);
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->index(), index);
    EXPECT_EQ(context.propagationRule(index), rule);
    std::vector<double> factors(2, kInf);
    try {
      rule->propagate(describe({{"m", false, 1}, {"m", false, 1}}), factors);
      ADD_FAILURE() << "no exception";
    } catch (const qtf::MessageException& e) {
      EXPECT_STREQ(e.identifier(), "unit_manager:propagation:UnknownRule");
      EXPECT_EQ(e.argument(1), std::to_string(index));
    }
  }
}

TEST(StandardContext, TimeUnitDefaultUnitParserAndSharedRules) {
  const StandardContext standard;
  ASSERT_NE(standard.timeUnit(), nullptr);
  EXPECT_EQ(standard.timeUnit()->symbol(), "s");
  EXPECT_TRUE(standard.defaultUnit().isOne());

  const StandardContext minutes(unit_manager::findUnit("min"));
  ASSERT_NE(minutes.timeUnit(), nullptr);
  EXPECT_EQ(minutes.timeUnit()->symbol(), "min");
  EXPECT_EQ(UnitExpression(minutes.timeUnit()), U("min"));
  EXPECT_TRUE(minutes.defaultUnit().isOne());

  const StandardContext none(nullptr);
  EXPECT_EQ(none.timeUnit(), nullptr);

  const std::unique_ptr<unit_manager::UnitParser> parser(standard.createUnitParser());
  ASSERT_NE(parser, nullptr);
  EXPECT_EQ(parser->parse("kg*m/s^2"), U("N").getFundamentalExpression());
  EXPECT_THROW_ID(parser->parse("m^"), "unit_manager:parser:InvalidUnitExpression");
  EXPECT_EQ(standard.propagationRule(2), none.propagationRule(2));
}

TEST(PropagateOperandInfo, InvalidScalarConstantIsANaNOfItsOwn) {
  EXPECT_TRUE(std::isnan(kNone));
  std::uint64_t bits = 0;
  std::memcpy(&bits, &kNone, sizeof bits);
  const double plainNaN = std::numeric_limits<double>::quiet_NaN();
  std::uint64_t plainBits = 0;
  std::memcpy(&plainBits, &plainNaN, sizeof plainBits);
  EXPECT_NE(bits, plainBits);

  EXPECT_FALSE(PropagateOperandInfo(U("m"), false, kNone).hasScalarConstant());
  for (double value : {0.0, -0.0, 2.5, kInf, -kInf, plainNaN, -plainNaN, std::nan("1")}) {
    SCOPED_TRACE(value);
    EXPECT_TRUE(PropagateOperandInfo(U("m"), false, value).hasScalarConstant());
  }
}

}  // namespace
