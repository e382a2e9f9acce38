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
  bool zero = false;
  double value = 1;
};

std::vector<PropagateOperandInfo> describe(const std::vector<Operand>& operands) {
  std::vector<PropagateOperandInfo> infos;
  for (const Operand& o : operands) infos.emplace_back(U(o.unit), o.zero, o.value);
  return infos;
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
      {0, {{"degC", false, kNone}}, "degC", {1}},
      {2, {{"m"}, {"m"}}, "m", {1, 1}},
      {2, {{"m"}, {"km"}}, "m", {1, 1000}},
      {2, {{"km"}, {"m"}}, "km", {1, 0.001}},
      {2, {{"s*m"}, {"m*s"}}, "s*m", {1, 1}},
      {2, {{"degC"}, {"degC"}}, "degC", {1, 1}},
      {2, {{"degF/s"}, {"K/s"}}, "degF/s", {1, 1.8}},
      {2, {{"m"}, {"1", true, 0}}, "m", {1, 1}},
      {2, {{"m"}, {"1", true, kNone}}, "m", {1, 1}},
      {2, {{"percent"}, {"1"}}, "percent", {1, 100}},
      {2, {{"1"}, {"percent", true, 0}}, "1", {1, 0.01}},
      {2, {{"rad"}, {"deg"}}, "rad", {1, kPi / 180}},
      {3, {{"m"}, {"km"}}, "1", {1, 1000}},
      {3, {{"s"}, {"1", true, 0}}, "1", {1, 1}},
      {5, {{"m"}, {"s"}}, "m*s", {1, 1}},
      {5, {{"s"}, {"m/s"}}, "m", {1, 1}},
      {5, {{"degC"}, {"degC"}}, "degC^2", {1, 1}},
      {6, {{"m"}, {"s"}}, "s/m", {1, 1}},
      {7, {{"m"}, {"s"}}, "m/s", {1, 1}},
      {8, {{"m"}, {"1", false, 2}}, "m^2", {1, 1}},
      {8, {{"m"}, {"1", false, -1}}, "1/m", {1, 1}},
      {8, {{"m"}, {"1", false, 1.0 / 3.0}}, "m^(1/3)", {1, 1}},
      {8, {{"m"}, {"1", false, -5.0 / 12.0}}, "1/m^(5/12)", {1, 1}},
      {8, {{"m^2"}, {"1", false, 1.5}}, "m^3", {1, 1}},
      {8, {{"m"}, {"percent", false, 50}}, "m^(1/2)", {1, 0.01}},
      {8, {{"m"}, {"s", true, 0}}, "1", {1, 1}},
      {8, {{"m"}, {"percent", true, kNone}}, "1", {1, 1}},
      {8, {{"1"}, {"1", false, kNone}}, "1", {1, 1}},
      {8, {{"1"}, {"deg", false, kPi}}, "1", {1, kPi / 180}},
      {9, {{"m"}, {"s"}}, "1", {1, 1}},
      {10, {{"deg", false, 90}}, "1", {kPi / 180}},
      {10, {{"m/km"}}, "1", {0.001}},
      {10, {{"rad"}}, "1", {1}},
      {10, {{"m"}}, "1", {1}},
      {11, {{"m^2", false, 4}}, "m", {1}},
      {11, {{"s^(1/2)/m", false, 4}}, "s^(1/4)/m^(1/2)", {1}},
  };
  const StandardContext context;
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(row.rule, row.operands));
    std::vector<double> factors(row.operands.size(), kInf);  // pre-filled as operators do
    EXPECT_EQ(context.propagationRule(row.rule)->propagate(describe(row.operands), factors).convertToString(),
              row.unit);
    ASSERT_EQ(factors.size(), row.factors.size());
    for (std::size_t i = 0; i < row.factors.size(); ++i) EXPECT_DOUBLE_EQ(factors[i], row.factors[i]);
  }
}

// Only a second operand that is zero and exactly "1" is exempt from incommensurate units. A scale factor cannot carry
// an offset. Exponents must be dimensionless (or zero) and small fractions.
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
      {2, {{"m"}, {"s"}}, incommensurate},
      {2, {{"m"}, {"s", true, 0}}, incommensurate},
      {2, {{"m"}, {"percent", true, 0}}, incommensurate},
      {2, {{"m"}, {"1"}}, incommensurate},
      {2, {{"1", true, 0}, {"m"}}, incommensurate},
      {3, {{"m"}, {"s", true, 0}}, incommensurate},
      {2, {{"degC", false, 30}, {"K", false, 300}}, affine},
      {2, {{"K", false, 300}, {"degC", false, 30}}, affine},
      {2, {{"degC"}, {"degF"}}, affine},
      {2, {{"degF"}, {"degR"}}, affine},
      {3, {{"degC"}, {"K", true, 0}}, affine},
      {8, {{"m"}, {"m", false, 2}}, exponent},
      {8, {{"1"}, {"s", false, 2}}, exponent},
      {8, {{"m"}, {"1", false, 0.123}}, exponent},
      {8, {{"m"}, {"1", false, 1.0 / 13.0}}, exponent},
      {8, {{"m"}, {"deg", false, 180}}, exponent},
      {8, {{"m"}, {"1", false, kNone}}, exponent},
      {8, {{"m"}, {"1", false, std::nan("")}}, exponent},
      {8, {{"m"}, {"1", false, kInf}}, exponent},
      {8, {{"m"}, {"1", false, 3e9}}, exponent},
      {8, {{"m^65536"}, {"1", false, 65536}}, exponent},
      {11, {{"m^(1/2147483647)"}}, exponent},
  };
  const StandardContext context;
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(row.rule, row.operands));
    std::vector<double> factors(row.operands.size(), kInf);
    const std::vector<std::string> thrown = sorvexa_test::thrownMessage(
        [&] { context.propagationRule(row.rule)->propagate(describe(row.operands), factors); });
    ASSERT_EQ(thrown.size(), 5U);
    EXPECT_EQ(thrown[0], row.id);
    for (std::size_t i = 0; i < row.operands.size(); ++i)
      EXPECT_EQ(thrown[i + 1], U(row.operands[i].unit).convertToString());
    EXPECT_EQ(factors, std::vector<double>(row.operands.size(), kInf));
  }
}

TEST(PropagationRules, WrongOperandOrFactorCountsThrow) {
  const StandardContext context;
  const auto one = describe({{"m"}}), two = describe({{"m"}, {"m"}}), three = describe({{"m"}, {"m"}, {"m"}});
  for (int index : {0, 2, 3, 5, 6, 7, 8, 9, 10, 11}) {
    const bool unary = index == 0 || index == 10 || index == 11;
    SCOPED_TRACE(index);
    std::vector<double> factors1(1, kInf), factors2(2, kInf), factors3(3, kInf), none;
    const unit_manager::UnitPropagationRule* rule = context.propagationRule(index);
    EXPECT_EQ(rule->index(), index);
    const char* const id = "unit_manager:propagation:InvalidOperandCount";
    EXPECT_THROW_ID(rule->propagate(unary ? two : one, unary ? factors2 : factors1), id);
    EXPECT_THROW_ID(rule->propagate(three, factors3), id);
    EXPECT_THROW_ID(rule->propagate({}, none), id);
    EXPECT_THROW_ID(rule->propagate(unary ? one : two, unary ? factors2 : factors1), id);
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
    const std::vector<std::string> thrown = sorvexa_test::thrownMessage([&] {
      rule->propagate(describe({{"m"}, {"m"}}), factors);
    });
    EXPECT_EQ(std::vector<std::string>(thrown.begin(), thrown.begin() + 2),
              (std::vector<std::string>{"unit_manager:propagation:UnknownRule", std::to_string(index)}));
  }
}

TEST(StandardContext, TimeUnitDefaultUnitParserAndSharedRules) {
  const StandardContext standard, minutes(unit_manager::findUnit("min")), none(nullptr);
  EXPECT_EQ(standard.timeUnit(), unit_manager::findUnit("s"));
  EXPECT_EQ(minutes.timeUnit(), unit_manager::findUnit("min"));
  EXPECT_EQ(none.timeUnit(), nullptr);
  EXPECT_TRUE(standard.defaultUnit().isOne());
  EXPECT_TRUE(minutes.defaultUnit().isOne());
  const std::unique_ptr<unit_manager::UnitParser> parser(standard.createUnitParser());
  EXPECT_EQ(parser->parse("kg*m/s^2"), U("N").getFundamentalExpression());
  EXPECT_THROW_ID(parser->parse("m^"), "unit_manager:parser:InvalidUnitExpression");
  EXPECT_EQ(standard.propagationRule(2), none.propagationRule(2));
}

TEST(PropagateOperandInfo, InvalidScalarConstantIsANaNOfItsOwn) {
  const double plainNaN = std::numeric_limits<double>::quiet_NaN();
  std::uint64_t bits = 0, plainBits = 0;
  std::memcpy(&bits, &kNone, sizeof bits);
  std::memcpy(&plainBits, &plainNaN, sizeof plainBits);
  EXPECT_TRUE(std::isnan(kNone));
  EXPECT_NE(bits, plainBits);
  EXPECT_FALSE(PropagateOperandInfo(U("m"), false, kNone).hasScalarConstant());
  for (double value : {0.0, -0.0, 2.5, kInf, -kInf, plainNaN, -plainNaN, std::nan("1")}) {
    SCOPED_TRACE(value);
    EXPECT_TRUE(PropagateOperandInfo(U("m"), false, value).hasScalarConstant());
  }
}

}  // namespace
