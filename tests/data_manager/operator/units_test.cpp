// SPDX-License-Identifier: Apache-2.0
//
// Units through the operators: which propagation rule each operator asks for, a few evaluations with the real unit
// manager end to end, and the matrix operators, whose products must equal the naive loop bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"

namespace {

using namespace sorvexa_test;

// 0 unchanged, 2 sum, 3 comparison, 5 product, 6 left quotient, 7 right quotient, 8 power, 9 logical,
// 10 function of a plain number, 11 square root.
TEST(OperatorUnits, EveryOperatorAsksForItsPropagationRule) {
  const int rules[] = {2,  0,  2,  0,  5,  5, 8,  8,  6,  7,  6,  7,  3,  3, 3, 3, 3,  3,  9,  9, 10,
                       10, 10, 10, 10, 10, 3, 10, 10, 10, 10, 10, 10, 11, 0, 0, 0, 10, 10, 10, 0, 0};
  static_assert(std::size(rules) == ValueOpId::NumValueOps, "one rule per operator");
  ChosenFactorContext recorder;
  const Value v(recorder.context(), "[2]");
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    const auto op = static_cast<ValueOpId::Type>(i);
    recorder.lastRule = -1;
    call(op, v, v);
    EXPECT_EQ(recorder.lastRule, rules[i]) << ValueOperator::getName(op);
  }
}

TEST(OperatorUnits, ResultUnitsAndOperandScalesComeFromTheUnitManager) {
  struct Row {
    ValueOpId::Type op;
    const char *a, *b;     // b "" for one-operand operators
    const char* expected;  // a value, or an error identifier
  };
  const Row rows[] = {
      {ValueOpId::Plus, "[1,2]:m", "[3,4]:km", "[3001,4002]:m"},
      {ValueOpId::Plus, "[3]:km:int", "[4]:m:int", "[3]:km:int"},  // factor 0.001 truncates to 0
      {ValueOpId::Minus, "[1,2]:degC", "[0,0]", "[1,2]:degC"},     // x - 0 whatever the unit of x
      {ValueOpId::Power, "[2]:m", "[0]:s", "[1]"},                 // a zero exponent may carry any unit
      {ValueOpId::Power, "[4]:m", "[50]:percent", "[2]:m^(1/2)"},  // the exponent is scaled to 1 first
      {ValueOpId::MlDivide, "[2]:m", "[6,8]:s", "[3,4]:s/m"},
      {ValueOpId::Sqrt, "[9]:m^2", "", "[3]:m"},
      {ValueOpId::Sin, "[90]:deg", "", "[1]"},  // deg is scaled to 1 by pi/180
      {ValueOpId::Lt, "[1,2]:km", "[1500]:m", "[1,0]:1:uchar"},
      {ValueOpId::Transpose, "[1,2]:km", "", "[1;2]:km"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " " + ValueOperator::getName(row.op) + " " + row.b);
    const Value r = *row.b == '\0' ? call(row.op, value(row.a)) : call(row.op, value(row.a), value(row.b));
    EXPECT_EQ(r, value(row.expected)) << r.toString();
  }
  const Row failures[] = {{ValueOpId::Plus, "[0]", "[5]:m", "unit_manager:propagation:IncommensurateUnits"},
                          {ValueOpId::Gt, "[30]:degC", "[300]:K", "unit_manager:propagation:AffineUnitMismatch"},
                          {ValueOpId::Power, "[2]:m", "[0.123]", "unit_manager:propagation:InvalidExponent"}};
  for (const Row& row : failures) {
    SCOPED_TRACE(row.expected);
    const Value a = value(row.a), b = value(row.b), aBefore = deepCopy(a), bBefore = deepCopy(b);
    EXPECT_THROW_ID(call(row.op, a, b), row.expected);
    EXPECT_TRUE(a == aBefore && b == bBefore);
  }
}

// Integer products wrap: valueOf wraps the expected elements into the type as well.
TEST(MatrixOperators, ProductMatchesTheWorkedExampleAndScalarsActAsTimes) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Value a = valueOf(type, Dimension(2, 3), {1, 2, 3, 4, 5, 6}, "m");
    const Value b = valueOf(type, Dimension(3, 2), {7, 8, 9, 10, 11, 12}, "s");
    EXPECT_EQ(call(ValueOpId::MTimes, a, b), valueOf(type, Dimension(2, 2), {58, 64, 139, 154}, "m*s"));
    EXPECT_EQ(call(ValueOpId::MTimes, rowOf(type, {16, 16}), valueOf(type, Dimension(2, 1), {16, 16})),
              valueOf(type, Dimension(1, 1), {512}));
    const Value scalar = valueOf(type, Dimension(1, 1), {3}, "km"), empty = rowOf(type, {});
    for (const auto& [first, second] : {std::pair{scalar, a}, std::pair{b, scalar}, std::pair{scalar, empty}}) {
      EXPECT_EQ(call(ValueOpId::MTimes, first, second), call(ValueOpId::Times, first, second));
    }
  }
}

TEST(MatrixProduct, EqualsTheNaiveLoopBitForBitWithEachOperandsOwnScale) {
  struct Shape {
    std::uint32_t m, n, p;
    double fa, fb;
  };
  // Both products of doubles, the plain loop and the blocked one (70x300x9 spans two row and two depth blocks), scale
  // both operands.
  const Shape shapes[] = {
      {37, 23, 41, 1, 1}, {37, 23, 41, 0.1, 3}, {70, 300, 9, 0.5, -3}, {5, 7, 300, -2.5, 3}, {3, 0, 4, 1, 1}};
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> real(-1.0, 1.0);
  ChosenFactorContext factors;
  for (const Shape& s : shapes) {
    SCOPED_TRACE(std::to_string(s.m) + "x" + std::to_string(s.n) + "x" + std::to_string(s.p) + " factors " +
                 std::to_string(s.fa) + " " + std::to_string(s.fb));
    factors.setFactors(s.fa, s.fb);
    std::vector<double> a(s.m * s.n), b(s.n * s.p), expected(s.m * s.p);
    std::generate(a.begin(), a.end(), [&] { return real(random); });
    std::generate(b.begin(), b.end(), [&] { return real(random); });
    for (std::size_t i = 0; i < s.m; ++i) {
      for (std::size_t j = 0; j < s.p; ++j) {
        double sum = 0;  // the naive loop: products of scaled values added in ascending k
        for (std::size_t k = 0; k < s.n; ++k) sum += (s.fa * a[i * s.n + k]) * (s.fb * b[k * s.p + j]);
        expected[i * s.p + j] = sum;
      }
    }
    const Value r = call(ValueOpId::MTimes, valueOf(DataTypeId::Double, Dimension(s.m, s.n), a, "1", factors.context()),
                         valueOf(DataTypeId::Double, Dimension(s.n, s.p), b, "1", factors.context()));
    EXPECT_EQ(r.getDimension(), Dimension(s.m, s.p));
    EXPECT_TRUE(sameDoubles(asDoubles(r), expected));
  }
}

TEST(MatrixOperators, TransposeAndConjugateTransposeSwapPositionsAndKeepElementsAndUnit) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Value v = valueOf(type, Dimension(2, 3), {1, 2, 3, 4, 5, 6}, "km");
    EXPECT_EQ(call(ValueOpId::Transpose, v), valueOf(type, Dimension(3, 2), {1, 4, 2, 5, 3, 6}, "km"));
    EXPECT_EQ(call(ValueOpId::CTranspose, v), call(ValueOpId::Transpose, v));
    EXPECT_EQ(call(ValueOpId::CTranspose, valueOf(type, Dimension(0, 5), {})), valueOf(type, Dimension(5, 0), {}));
  }
}

}  // namespace
