// SPDX-License-Identifier: Apache-2.0
//
// Units through the operators with the real unit manager: result units, the
// scaling of commensurate operands, the errors of the rules; and the matrix
// operators, whose products must equal the naive loop bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;
using qtf::DataTypeId;
using qtf::Dimension;
using sorvexa_test::asDoubles;
using sorvexa_test::call;
using sorvexa_test::ChosenFactorContext;
using sorvexa_test::deepCopy;
using sorvexa_test::makeValue;
using sorvexa_test::sameDoubles;
using sorvexa_test::unit;
using sorvexa_test::value;
using sorvexa_test::valueOf;
using sorvexa_test::wrapTo;

TEST(OperatorUnits, ResultUnitsAndOperandScalesComeFromThePropagationRules) {
  struct Row {
    ValueOpId::Type op;
    const char* a;
    const char* b;  // "" for one-operand operators
    const char* expected;
  };
  const Row rows[] = {
      {ValueOpId::Plus, "[1,2]:m", "[3,4]:km", "[3001,4002]:m"},
      {ValueOpId::Minus, "[1]:km", "[500]:m", "[0.5]:km"},
      {ValueOpId::Plus, "[3]:m:int", "[4]:km:int", "[4003]:m:int"},
      {ValueOpId::Plus, "[3]:km:int", "[4]:m:int", "[3]:km:int"},  // factor 0.001 truncates to 0
      {ValueOpId::Plus, "[30]:degC/s", "[1]:K/s", "[31]:degC/s"},
      {ValueOpId::Plus, "[5]:degC", "[0]", "[5]:degC"},  // x + 0 whatever the unit of x
      {ValueOpId::Minus, "[1,2]:s", "[0,0]", "[1,2]:s"},
      {ValueOpId::Plus, "[5]:m", "[]", "[]:m"},
      {ValueOpId::Power, "[2]:m", "[0]:s", "[1]"},  // a zero exponent may carry any unit
      {ValueOpId::Times, "[2]:m", "[3]:s", "[6]:m*s"},
      {ValueOpId::MTimes, "[2]:m", "[3,4]:s", "[6,8]:m*s"},
      {ValueOpId::RDivide, "[6]:m", "[3]:s", "[2]:m/s"},
      {ValueOpId::MrDivide, "[6,9]:m", "[3]:s", "[2,3]:m/s"},
      {ValueOpId::LDivide, "[2]:m", "[6]:s", "[3]:s/m"},
      {ValueOpId::MlDivide, "[2]:m", "[6,8]:s", "[3,4]:s/m"},
      {ValueOpId::Power, "[3]:m", "[2]", "[9]:m^2"},
      {ValueOpId::Power, "[4,9]:m", "[0.5]", "[2,3]:m^(1/2)"},
      {ValueOpId::Power, "[4]:m", "[50]:percent", "[2]:m^(1/2)"},  // the exponent is scaled to 1 first
      {ValueOpId::MPower, "[4]:m", "[0.5]", "[2]:m^(1/2)"},
      {ValueOpId::Sqrt, "[9]:m^2", "", "[3]:m"},
      {ValueOpId::Sin, "[90]:deg", "", "[1]"},  // deg is scaled to 1 by pi/180
      {ValueOpId::Atan2, "[1]:km", "[1000]:m", "[0.7853981633974483]"},
      {ValueOpId::Gt, "[1]:km", "[999]:m", "[1]:1:uchar"},
      {ValueOpId::Eq, "[1]:km", "[1000]:m", "[1]:1:uchar"},
      {ValueOpId::Lt, "[1,2]:km", "[1500]:m", "[1,0]:1:uchar"},
      {ValueOpId::Gt, "[5]:m", "[0]", "[1]:1:uchar"},
      {ValueOpId::And, "[1]:m", "[2]:s", "[1]:1:uchar"},
      {ValueOpId::Not, "[0,2]:m", "", "[1,0]:1:uchar"},
      {ValueOpId::IsNan, "[1]:m", "", "[0]:1:uchar"},
      {ValueOpId::UMinus, "[2]:km", "", "[-2]:km"},
      {ValueOpId::Abs, "[-2]:km:int", "", "[2]:km:int"},
      {ValueOpId::Transpose, "[1,2]:km", "", "[1;2]:km"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " " + ValueOperator::getName(row.op) + " " + row.b);
    const Value a = value(row.a);
    const Value r = *row.b == '\0' ? call(row.op, a) : call(row.op, a, value(row.b));
    EXPECT_EQ(r, value(row.expected)) << r.toString();
  }
}

TEST(OperatorUnits, UnitPairsTheRulesRejectThrowTheUnitManagersErrors) {
  const char* const incommensurate = "unit_manager:propagation:IncommensurateUnits";
  const char* const affine = "unit_manager:propagation:AffineUnitMismatch";
  const char* const exponent = "unit_manager:propagation:InvalidExponent";
  struct Row {
    ValueOpId::Type op;
    const char* a;
    const char* b;
    const char* error;
  };
  const Row rows[] = {
      {ValueOpId::Plus, "[1]:m", "[1]:s", incommensurate},
      {ValueOpId::Plus, "[0]", "[5]:m", incommensurate},  // only a zero second operand is exempt
      {ValueOpId::Plus, "[5]:m", "[0]:percent", incommensurate},
      {ValueOpId::Plus, "[5]:m", "[]:s", incommensurate},
      {ValueOpId::Atan2, "[1]:m", "[1]:s", incommensurate},
      {ValueOpId::Gt, "[30]:degC", "[300]:K", affine},
      {ValueOpId::Eq, "[300]:K", "[30]:degC", affine},
      {ValueOpId::Power, "[2]:m", "[2]:s", exponent},
      {ValueOpId::Power, "[2]:m", "[0.123]", exponent},
      {ValueOpId::MPower, "[2]:m", "[1]:m", exponent},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " " + ValueOperator::getName(row.op) + " " + row.b);
    const Value a = value(row.a), b = value(row.b);
    const Value aBefore = deepCopy(a), bBefore = deepCopy(b);
    EXPECT_THROW_ID(call(row.op, a, b), row.error);
    EXPECT_TRUE(a == aBefore && b == bBefore);
  }
}

template <typename T>
class MatrixOperators : public ::testing::Test {};
TYPED_TEST_SUITE(MatrixOperators, sorvexa_test::ElementTypes);

TYPED_TEST(MatrixOperators, ProductMatchesTheWorkedExampleAndScalarsActAsTimes) {
  using T = TypeParam;
  const auto wrapped = [](const std::vector<std::int64_t>& xs) {
    std::vector<double> out;
    for (const std::int64_t x : xs) {
      if constexpr (std::is_same_v<T, double>) {
        out.push_back(static_cast<double>(x));
      } else {
        out.push_back(static_cast<double>(wrapTo<T>(x)));
      }
    }
    return out;
  };
  const Value a = makeValue<T>(Dimension(2, 3), {T(1), T(2), T(3), T(4), T(5), T(6)}, "m");
  const Value b = makeValue<T>(Dimension(3, 2), {T(7), T(8), T(9), T(10), T(11), T(12)}, "s");
  const Value product = call(ValueOpId::MTimes, a, b);
  EXPECT_EQ(product.getDimension(), Dimension(2, 2));
  EXPECT_EQ(product.getUnit(), unit("m*s"));
  EXPECT_EQ(asDoubles(product), wrapped({58, 64, 139, 154}));
  EXPECT_EQ(asDoubles(call(ValueOpId::MTimes, makeValue<T>(Dimension(1, 2), {T(16), T(16)}),
                           makeValue<T>(Dimension(2, 1), {T(16), T(16)}))),
            wrapped({512}));
  const Value scalar = makeValue<T>(Dimension(1, 1), {T(3)}, "km");
  const Value empty = makeValue<T>(Dimension(0, 0), {});
  for (const auto& [first, second] : {std::pair{scalar, a}, std::pair{b, scalar}, std::pair{scalar, empty}}) {
    EXPECT_EQ(call(ValueOpId::MTimes, first, second), call(ValueOpId::Times, first, second));
  }
}

TEST(MatrixProduct, EqualsTheNaiveLoopBitForBitWithEachOperandsOwnScale) {
  struct Shape {
    std::uint32_t m, n, p;
    double fa, fb;
  };
  const Shape shapes[] = {{37, 23, 41, 1, 1}, {37, 23, 41, 0.1, 3}, {5, 7, 300, -2.5, 1}, {3, 0, 4, 1, 1}};
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
        for (std::size_t k = 0; k < s.n; ++k) {
          sum += (s.fa * a[i * s.n + k]) * (s.fb * b[k * s.p + j]);
        }
        expected[i * s.p + j] = sum;
      }
    }
    const Value r = call(ValueOpId::MTimes, valueOf(DataTypeId::Double, Dimension(s.m, s.n), a, "1", factors.context()),
                         valueOf(DataTypeId::Double, Dimension(s.n, s.p), b, "1", factors.context()));
    EXPECT_EQ(r.getDimension(), Dimension(s.m, s.p));
    EXPECT_TRUE(sameDoubles(asDoubles(r), expected));
  }
}

TYPED_TEST(MatrixOperators, TransposeAndConjugateTransposeSwapPositionsAndKeepElementsAndUnit) {
  using T = TypeParam;
  std::vector<T> xs;
  for (int i = 0; i < 28; ++i) {
    xs.push_back(static_cast<T>(i * 3 + 1));
  }
  const Value v = makeValue<T>(Dimension(4, 7), xs, "km");
  std::vector<double> expected(28);
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t j = 0; j < 7; ++j) {
      expected[j * 4 + i] = static_cast<double>(xs[i * 7 + j]);
    }
  }
  const Value t = call(ValueOpId::Transpose, v);
  EXPECT_EQ(t.getDimension(), Dimension(7, 4));
  EXPECT_EQ(t.getUnit(), unit("km"));
  EXPECT_EQ(asDoubles(t), expected);
  EXPECT_EQ(call(ValueOpId::CTranspose, v), t);
  EXPECT_EQ(asDoubles(call(ValueOpId::Transpose, makeValue<T>(Dimension(2, 3), {T(1), T(2), T(3), T(4), T(5), T(6)}))),
            (std::vector<double>{1, 4, 2, 5, 3, 6}));
  const Value wide = makeValue<T>(Dimension(0, 5), {});
  EXPECT_EQ(call(ValueOpId::Transpose, wide).getDimension(), Dimension(5, 0));
  EXPECT_EQ(call(ValueOpId::CTranspose, wide), call(ValueOpId::Transpose, wide));
}

}  // namespace
