// SPDX-License-Identifier: Apache-2.0
//
// The element kernels: wrapping integer arithmetic, truncating division and its zero-divisor error, scaled operands,
// scalar expansion, IEEE rules on double, the NaN check of the logical operators, powers, and the double math
// functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "qtf/allocator.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"

namespace {

using namespace sorvexa_test;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kIntMin = -2147483648.0;
constexpr double kUIntMax = 4294967295.0;
constexpr DataTypeId::Type kUChar = DataTypeId::UChar, kDouble = DataTypeId::Double, kInt = DataTypeId::Int,
                           kUInt = DataTypeId::UInt, kChar = DataTypeId::Char;

std::string show(const std::vector<double>& xs) {
  std::string out = "[";
  for (const double x : xs) out += std::to_string(x) + " ";
  return out + "]";
}

std::string traceOf(DataTypeId::Type type, ValueOpId::Type op, const std::vector<double>& a,
                    const std::vector<double>& b, double f1 = 1, double f2 = 1) {
  return qtf::get_type_name(type) + " " + ValueOperator::getName(op) + show(a) + show(b) + " factors " +
         std::to_string(f1) + " " + std::to_string(f2);
}

// Powers through double convert back by truncation: 1/0 is infinite and converts to 0, 3^21 wraps modulo 2^32, 3^40
// is beyond the 64-bit range. Scalar expansion keeps the operand order. Integer scale factors truncate toward zero
// (2^32 + 3 acts as 3 on UInt), then the product wraps; MPower applies its factors in double, untruncated; a scaled
// NaN is nonzero, not an error.
TEST(ElementKernels, IntegerResultsWrapPowersConvertBackAndOperandsAreScaledFirst) {
  struct Row {
    DataTypeId::Type type;
    ValueOpId::Type op;
    double f1, f2;  // the scale factors the unit rule hands out
    std::vector<double> a, b, expected;
  };
  const Row rows[] = {
      {kUInt, ValueOpId::Gt, 1, 1, {kUIntMax}, {1}, {1}},
      {kInt, ValueOpId::MrDivide, 1, 1, {kIntMin}, {-1}, {kIntMin}},
      {kInt, ValueOpId::MlDivide, 1, 1, {-1}, {kIntMin}, {kIntMin}},
      {kChar, ValueOpId::Power, 1, 1, {2, -2}, {7}, {-128, -128}},
      {kInt, ValueOpId::Power, 1, 1, {2, -2, 0}, {-1}, {0, 0, 0}},
      {kInt, ValueOpId::Power, 1, 1, {2}, {31}, {kIntMin}},
      {kUInt, ValueOpId::Power, 1, 1, {3}, {21}, {1870418611}},
      {kUChar, ValueOpId::MPower, 1, 1, {2}, {8}, {0}},
      {kInt, ValueOpId::MPower, 1, 1, {2}, {-1}, {0}},
      {kInt, ValueOpId::MPower, 1, 1, {3}, {40}, {0}},
      {kInt, ValueOpId::Floor, 1, 1, {kIntMin, 7}, {}, {kIntMin, 7}},
      {kUInt, ValueOpId::Ceil, 1, 1, {kUIntMax, 7}, {}, {kUIntMax, 7}},
      {kDouble, ValueOpId::Floor, 1, 1, {1.5, -1.5}, {}, {1, -2}},
      {kDouble, ValueOpId::Ceil, 1, 1, {1.5, -1.5}, {}, {2, -1}},
      {kUInt, ValueOpId::IsNan, 1, 1, {kUIntMax, 0}, {}, {0, 0}},
      {kInt, ValueOpId::Minus, 1, 1, {10}, {1, 2, 3}, {9, 8, 7}},
      {kInt, ValueOpId::Minus, 1, 1, {10, 20}, {1}, {9, 19}},
      {kUChar, ValueOpId::Lt, 1, 1, {5}, {4, 6}, {0, 1}},
      {kDouble, ValueOpId::RDivide, 1, 1, {1, 2}, {4}, {0.25, 0.5}},
      {kInt, ValueOpId::Plus, 0.5, 1, {3}, {4}, {4}},
      {kDouble, ValueOpId::Plus, 0.5, 1, {3}, {4}, {5.5}},
      {kInt, ValueOpId::UPlus, 2.9, 1, {10}, {}, {20}},
      {kInt, ValueOpId::UPlus, -0.5, 1, {10}, {}, {0}},
      {kUChar, ValueOpId::UPlus, 300, 1, {1}, {}, {44}},
      {kUChar, ValueOpId::UPlus, -1, 1, {1}, {}, {255}},
      {kChar, ValueOpId::UPlus, 2, 1, {100}, {}, {-56}},
      {kUInt, ValueOpId::UPlus, 4294967299.0, 1, {5}, {}, {15}},
      {kInt, ValueOpId::UPlus, 1e30, 1, {5}, {}, {0}},
      {kInt, ValueOpId::UPlus, kNaN, 1, {5}, {}, {0}},
      {kInt, ValueOpId::Plus, 1, 1000, {1, 2}, {2}, {2001, 2002}},
      {kUChar, ValueOpId::And, 2, 1, {128}, {1}, {0}},
      {kUChar, ValueOpId::Not, 2, 1, {128}, {}, {1}},
      {kInt, ValueOpId::Eq, 0.5, 1, {2}, {1}, {0}},
      {kDouble, ValueOpId::Eq, 0.5, 1, {2}, {1}, {1}},
      {kInt, ValueOpId::Lt, 1, 1000, {2000}, {3}, {1}},
      {kUChar, ValueOpId::Power, 0.5, 1, {4}, {2}, {0}},
      {kUChar, ValueOpId::MPower, 0.5, 1, {4}, {2}, {4}},
      {kInt, ValueOpId::Transpose, 2, 1, {3, 4}, {}, {3, 4}},
      {kDouble, ValueOpId::Not, kNaN, 1, {1}, {}, {0}},
      {kDouble, ValueOpId::IsNan, kNaN, 1, {1}, {}, {1}},
      {kDouble, ValueOpId::Or, 0, 1, {5}, {0}, {0}},
  };
  ChosenFactorContext factors;
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(row.type, row.op, row.a, row.b, row.f1, row.f2));
    factors.setFactors(row.f1, row.f2);
    const Value a = rowOf(row.type, row.a, factors.context());
    EXPECT_EQ(asDoubles(call(row.op, a, row.b.empty() ? a : rowOf(row.type, row.b, factors.context()))), row.expected);
  }
}

TEST(ElementKernels, DoubleSpecialValuesFollowIeee) {
  const double tiny = std::numeric_limits<double>::denorm_min(), huge = std::numeric_limits<double>::max();
  const std::vector<double> edges = {0.0, -0.0, 1.0, -1.0, kInf, -kInf, kNaN, tiny, huge};
  struct Op {
    ValueOpId::Type op;
    double (*reference)(double, double);
  };
  const Op ops[] = {
      {ValueOpId::Plus, [](double a, double b) { return a + b; }},
      {ValueOpId::Minus, [](double a, double b) { return a - b; }},
      {ValueOpId::Times, [](double a, double b) { return a * b; }},
      {ValueOpId::RDivide, [](double a, double b) { return a / b; }},
      {ValueOpId::LDivide, [](double a, double b) { return b / a; }},
      {ValueOpId::UMinus, [](double a, double) { return -a; }},
      {ValueOpId::Abs, [](double a, double) { return std::fabs(a); }},
      {ValueOpId::Eq, [](double a, double b) { return a == b ? 1.0 : 0.0; }},
      {ValueOpId::Ne, [](double a, double b) { return a != b ? 1.0 : 0.0; }},
      {ValueOpId::Lt, [](double a, double b) { return a < b ? 1.0 : 0.0; }},
      {ValueOpId::Gt, [](double a, double b) { return a > b ? 1.0 : 0.0; }},
      {ValueOpId::Le, [](double a, double b) { return a <= b ? 1.0 : 0.0; }},
      {ValueOpId::Ge, [](double a, double b) { return a >= b ? 1.0 : 0.0; }},
  };
  std::string mismatches;
  for (const Op& op : ops) {
    for (const double a : edges) {
      for (const double b : edges) {
        const std::vector<double> got = asDoubles(call(op.op, rowOf(kDouble, {a}), rowOf(kDouble, {b})));
        if (!sameDoubles(got, {op.reference(a, b)})) mismatches += traceOf(kDouble, op.op, {a}, {b}) + show(got) + "\n";
      }
    }
  }
  EXPECT_EQ(mismatches, "");
}

TEST(ElementKernels, IntegerDivisionByZeroThrowsBeforeAnyResultAndEmptyResultsDivideNothing) {
  struct Row {
    ValueOpId::Type op;
    std::vector<double> a, b;
    double f1, f2;
    bool throws;
    std::vector<double> expected;
  };
  const Row rows[] = {
      {ValueOpId::RDivide, {1, 2}, {1, 0}, 1, 1, true, {}},
      {ValueOpId::LDivide, {0}, {5, 6}, 1, 1, true, {}},
      {ValueOpId::LDivide, {1, 0}, {5, 6}, 1, 1, true, {}},
      {ValueOpId::MlDivide, {0}, {1, 2}, 1, 1, true, {}},
      {ValueOpId::MrDivide, {1, 2}, {0}, 1, 1, true, {}},
      {ValueOpId::RDivide, {4}, {2}, 1, 0.5, true, {}},  // divisors that the truncated factor scales to 0
      {ValueOpId::LDivide, {2}, {4, 4}, 0.5, 1, true, {}},
      {ValueOpId::MrDivide, {4, 4}, {2}, 1, -0.9, true, {}},
      {ValueOpId::RDivide, {20}, {2}, 1, 2.5, false, {5}},  // divisor 2 * 2
      {ValueOpId::RDivide, {}, {0}, 1, 1, false, {}},
      {ValueOpId::MlDivide, {0}, {}, 1, 1, false, {}},
      {ValueOpId::MrDivide, {}, {0}, 1, 1, false, {}},
      {ValueOpId::LDivide, {0}, {}, 1, 1, false, {}},
  };
  ChosenFactorContext factors;
  for (const DataTypeId::Type type : {kUChar, kInt, kUInt, kChar}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(traceOf(type, row.op, row.a, row.b, row.f1, row.f2));
      factors.setFactors(row.f1, row.f2);
      const Value a = rowOf(type, row.a, factors.context()), b = rowOf(type, row.b, factors.context());
      const Value aBefore = deepCopy(a), bBefore = deepCopy(b);
      if (row.throws) {
        EXPECT_THROW_ID(call(row.op, a, b), "data_manager:value:IntegerDivisionByZero");
      } else {
        EXPECT_EQ(asDoubles(call(row.op, a, b)), row.expected);
      }
      EXPECT_TRUE(a == aBefore && b == bBefore);
    }
    // A result too large for the stack has a buffer of its own, which the failed divisor check releases.
    const Value ones = rowOf(type, std::vector<double>(40, 1)), zero = rowOf(type, {0});
    const std::int64_t before = qtf::Allocator::liveBlocks();
    EXPECT_THROW_ID(call(ValueOpId::RDivide, ones, zero), "data_manager:value:IntegerDivisionByZero");
    EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
  }
}

TEST(ElementKernels, OperandDescriptionsCarryTheZeroFlagAndTheScalarConstant) {
  struct Row {
    DataTypeId::Type type;
    Dimension dimension;
    std::vector<double> elements;
    bool isZero, hasConstant;
    double constant;
  };
  const Row rows[] = {
      {kDouble, Dimension(1, 1), {2.5}, false, true, 2.5},
      {kDouble, Dimension(1, 1), {-0.0}, true, true, -0.0},
      {kDouble, Dimension(1, 1), {kNaN}, false, true, kNaN},
      {kChar, Dimension(1, 1), {-1}, false, true, -1},
      {kUInt, Dimension(1, 1), {kUIntMax}, false, true, kUIntMax},
      {kDouble, Dimension(2, 2), {0, 0, 0, 0}, true, false, 0},
      {kDouble, Dimension(1, 3), {0, 5, 0}, false, false, 0},
      {kDouble, Dimension(1, 2), {kNaN, 0}, false, false, 0},
      {kInt, Dimension(0, 0), {}, true, false, 0},
  };
  ChosenFactorContext factors;
  for (const Row& row : rows) {
    SCOPED_TRACE(qtf::get_type_name(row.type) + " " + show(row.elements));
    call(ValueOpId::UPlus, valueOf(row.type, row.dimension, row.elements, "1", factors.context()));
    ASSERT_EQ(factors.lastOperands.size(), 1U);  // one operand: one description, one factor
    EXPECT_EQ(factors.lastFactorCount, 1U);
    const unit_manager::PropagateOperandInfo& info = factors.lastOperands[0];
    EXPECT_EQ(info.isZero(), row.isZero);
    EXPECT_EQ(info.hasScalarConstant(), row.hasConstant);
    EXPECT_TRUE(!row.hasConstant || sameDoubles({info.scalarConstant()}, {row.constant}));
  }
  // The second operand is described after its conversion to the first operand's type: 2.7 reaches Int as 3.
  call(ValueOpId::Plus, rowOf(kInt, {1}, factors.context()), rowOf(kDouble, {2.7}, factors.context()));
  ASSERT_EQ(factors.lastOperands.size(), 2U);
  EXPECT_EQ(factors.lastFactorCount, 2U);
  EXPECT_EQ(factors.lastOperands[1].scalarConstant(), 3.0);
}

TEST(ElementKernels, LogicalOperatorsRejectNanAnywhereInTheirRawOperands) {
  struct Row {
    ValueOpId::Type op;
    std::vector<double> a, b;
    bool throws;
    std::vector<double> expected;
  };
  const Row rows[] = {
      {ValueOpId::And, {kNaN}, {0}, true, {}},
      {ValueOpId::And, {1, 2}, {kNaN}, true, {}},
      {ValueOpId::Or, {0}, {1, kNaN}, true, {}},
      {ValueOpId::And, {}, {kNaN}, true, {}},  // all of the second operand is checked, a scalar too
      {ValueOpId::Not, {1, kNaN}, {}, true, {}},
      {ValueOpId::Not, {0, 2, -0.0}, {}, false, {1, 0, 1}},
      {ValueOpId::Or, {-0.0, 0}, {0, -3}, false, {0, 1}},
      {ValueOpId::And, {kInf, -2}, {1}, false, {1, 1}},
      {ValueOpId::IsNan, {1, kNaN}, {}, false, {0, 1}},
      {ValueOpId::IsInf, {kInf, -kInf, 1, kNaN}, {}, false, {1, 1, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(traceOf(kDouble, row.op, row.a, row.b));
    const Value a = rowOf(kDouble, row.a), b = row.b.empty() ? a : rowOf(kDouble, row.b);
    const Value aBefore = deepCopy(a), bBefore = deepCopy(b);
    if (row.throws) {
      EXPECT_THROW_ID(call(row.op, a, b), "data_manager:value:CanNotConvertNanToLogical");
      EXPECT_TRUE(sameDoubles(asDoubles(a), asDoubles(aBefore)) && sameDoubles(asDoubles(b), asDoubles(bBefore)));
    } else {
      EXPECT_EQ(asDoubles(call(row.op, a, b)), row.expected);
    }
  }
}

TEST(ElementKernels, DoubleMathFunctionsAreTheCLibrarysOnScaledValues) {
  struct Row {
    ValueOpId::Type op;
    double (*reference)(double);
  };
  const Row rows[] = {{ValueOpId::Sin, std::sin},   {ValueOpId::Cos, std::cos},     {ValueOpId::Tan, std::tan},
                      {ValueOpId::ASin, std::asin}, {ValueOpId::ACos, std::acos},   {ValueOpId::ATan, std::atan},
                      {ValueOpId::Log, std::log},   {ValueOpId::Log10, std::log10}, {ValueOpId::Sinh, std::sinh},
                      {ValueOpId::Cosh, std::cosh}, {ValueOpId::Tanh, std::tanh},   {ValueOpId::Exp, std::exp},
                      {ValueOpId::Sqrt, std::sqrt}};
  const std::vector<double> xs = {0.5, -0.25, 2, 0, -1, kInf};  // Sqrt(-1) is NaN and Log(0) is -inf, without error
  ChosenFactorContext factors;
  factors.setFactors(2, 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(ValueOperator::getName(row.op));
    std::vector<double> expected;
    for (const double x : xs) expected.push_back(row.reference(2 * x));
    const std::vector<double> got =
        asDoubles(call(row.op, valueOf(kDouble, Dimension(2, 3), xs, "1", factors.context())));
    EXPECT_TRUE(sameDoubles(got, expected)) << show(got);
  }
  struct Binary {
    ValueOpId::Type op;
    const char *a, *b;
    std::vector<double> expected;
  };
  const Binary binaries[] = {
      {ValueOpId::Atan2, "[1]", "[1,-1,0]", {std::atan2(1.0, 1.0), std::atan2(1.0, -1.0), std::atan2(1.0, 0.0)}},
      {ValueOpId::Atan2, "[1,-1]:1:double", "[0]:1:int", {std::atan2(1.0, 0.0), std::atan2(-1.0, 0.0)}},
      {ValueOpId::Power, "[2,3]", "[0.5]", {std::pow(2.0, 0.5), std::pow(3.0, 0.5)}},
      {ValueOpId::MPower, "[2]", "[10]", {1024}},
      {ValueOpId::MPower, "[-8]", "[0.3333333333333333]", {kNaN}},
  };
  for (const Binary& row : binaries) {
    SCOPED_TRACE(ValueOperator::getName(row.op) + " " + row.a + " " + row.b);
    EXPECT_TRUE(sameDoubles(asDoubles(call(row.op, value(row.a), value(row.b))), row.expected));
  }
}

// Results of 4 MiB and more are written in 64-byte blocks with non-temporal stores after an unaligned head, and
// finish with a short tail; every element must still be the one the plain loop gives, scaled or not.
TEST(ElementKernels, ResultsLargeEnoughToBypassTheCachesEqualTheElementwiseReference) {
  constexpr std::size_t kLarge = std::size_t{4} << 20;
  struct Row {
    DataTypeId::Type type;
    ValueOpId::Type op;
    double f1;  // the first operand's scale factor; the second keeps 1
  };
  const Row rows[] = {{kUChar, ValueOpId::Plus, 1}, {kChar, ValueOpId::Minus, 3}, {kUChar, ValueOpId::Lt, 1},
                      {kInt, ValueOpId::Times, 1},  {kUInt, ValueOpId::Plus, 2},  {kDouble, ValueOpId::Plus, 1000},
                      {kDouble, ValueOpId::Ge, 1}};
  ChosenFactorContext factors;
  for (const Row& row : rows) {
    SCOPED_TRACE(qtf::get_type_name(row.type) + " " + ValueOperator::getName(row.op));
    factors.setFactors(row.f1, 1);
    visitType(row.type, [&](auto zero) {
      using T = decltype(zero);
      const bool logical = row.op == ValueOpId::Lt || row.op == ValueOpId::Ge;
      const std::size_t n = kLarge / (logical ? 1 : sizeof(T)) + 37;
      std::vector<double> a(n), b(n), expected(n);
      for (std::size_t i = 0; i < n; ++i) {
        a[i] = static_cast<double>((i * 7919) % 251) - 120;
        b[i] = static_cast<double>((i * 104729) % 241) - 100;
        if constexpr (std::is_same_v<T, double>) {
          a[i] += 0.25;
        } else if constexpr (std::is_unsigned_v<T>) {
          a[i] = static_cast<double>(wrapTo<T>(static_cast<std::int64_t>(a[i])));
          b[i] = static_cast<double>(wrapTo<T>(static_cast<std::int64_t>(b[i])));
        }
        const double x = row.f1 * a[i], y = b[i];
        const double exact = row.op == ValueOpId::Plus    ? x + y
                             : row.op == ValueOpId::Minus ? x - y
                             : row.op == ValueOpId::Times ? x * y
                             : row.op == ValueOpId::Lt    ? (x < y ? 1 : 0)
                                                          : (x >= y ? 1 : 0);
        expected[i] = exact;
        if constexpr (!std::is_same_v<T, double>) {
          if (!logical) expected[i] = static_cast<double>(wrapTo<T>(static_cast<std::int64_t>(exact)));
        }
      }
      const Dimension shape(1, static_cast<std::uint32_t>(n));
      const std::vector<double> got = asDoubles(call(row.op, valueOf(row.type, shape, a, "1", factors.context()),
                                                     valueOf(row.type, shape, b, "1", factors.context())));
      const auto firstWrong = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
      EXPECT_TRUE(firstWrong.first == got.end()) << "first difference at " << (firstWrong.first - got.begin());
    });
  }
}

}  // namespace
