// SPDX-License-Identifier: Apache-2.0
//
// The free operators and named functions: each reaches exactly its own operator. Every row's operands are chosen so
// that no other operator of the same arity gives the same result on them, and the test proves that for itself, so a
// function wired to a neighbouring operator cannot pass.
#include "data_manager/operators.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "data_manager/data_manager.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"

namespace {

using namespace sorvexa_test;
namespace dm = data_manager;

using Fcn = Value (*)(const Value&, const Value&);

struct Row {
  ValueOpId::Type op;
  Fcn fcn;
  const char* first;
  const char* second;  // not looked at by one-operand operators
};

// Mixed relations (equal, less, greater), a zero, negatives and fractions, and no symmetry.
constexpr const char* kA = "[0.5,-0.25;0,-2]";
constexpr const char* kB = "[0.5,0.75;-1,0]";
constexpr const char* kUnit = "[0.5,-0.25;0.125,0.75]";  // inside the domain of asin and acos
constexpr const char* kSpecial = "[1,Inf;NaN,-3.5]";
// For the operators that want 1-by-1 operands: uchar 4 m to a power of 200 percent. Power truncates the exponent's
// scale factor 0.01 to 0 on an integer type, MPower applies it in double, so the two differ here.
constexpr const char* kUCharBase = "4:m:uchar";
constexpr const char* kPercentExponent = "200:percent:uchar";

Value call2(ValueOpId::Type op, const Value& a, const Value& b) { return ValueOperator::call(op, a, b); }

const std::vector<Row>& namedRows() {
  static const std::vector<Row> rows = {
      {ValueOpId::Plus, [](const Value& a, const Value& b) { return dm::plus(a, b); }, kA, kB},
      {ValueOpId::UPlus, [](const Value& a, const Value&) { return dm::uplus(a); }, kA, kA},
      {ValueOpId::Minus, [](const Value& a, const Value& b) { return dm::minus(a, b); }, kA, kB},
      {ValueOpId::UMinus, [](const Value& a, const Value&) { return dm::uminus(a); }, kA, kA},
      {ValueOpId::MTimes, [](const Value& a, const Value& b) { return dm::mtimes(a, b); }, kA, kB},
      {ValueOpId::Times, [](const Value& a, const Value& b) { return dm::times(a, b); }, kA, kB},
      {ValueOpId::MPower, [](const Value& a, const Value& b) { return dm::mpower(a, b); }, kUCharBase,
       kPercentExponent},
      {ValueOpId::Power, [](const Value& a, const Value& b) { return dm::power(a, b); }, kUCharBase, kPercentExponent},
      {ValueOpId::MlDivide, [](const Value& a, const Value& b) { return dm::mldivide(a, b); }, "4", kA},
      {ValueOpId::MrDivide, [](const Value& a, const Value& b) { return dm::mrdivide(a, b); }, kA, "4"},
      {ValueOpId::LDivide, [](const Value& a, const Value& b) { return dm::ldivide(a, b); }, kA, kB},
      {ValueOpId::RDivide, [](const Value& a, const Value& b) { return dm::rdivide(a, b); }, kA, kB},
      {ValueOpId::Eq, [](const Value& a, const Value& b) { return dm::eq(a, b); }, kA, kB},
      {ValueOpId::Ne, [](const Value& a, const Value& b) { return dm::ne(a, b); }, kA, kB},
      {ValueOpId::Lt, [](const Value& a, const Value& b) { return dm::lt(a, b); }, kA, kB},
      {ValueOpId::Gt, [](const Value& a, const Value& b) { return dm::gt(a, b); }, kA, kB},
      {ValueOpId::Le, [](const Value& a, const Value& b) { return dm::le(a, b); }, kA, kB},
      {ValueOpId::Ge, [](const Value& a, const Value& b) { return dm::ge(a, b); }, kA, kB},
      {ValueOpId::And, [](const Value& a, const Value& b) { return dm::and_(a, b); }, kA, kB},
      {ValueOpId::Or, [](const Value& a, const Value& b) { return dm::or_(a, b); }, kA, kB},
      {ValueOpId::Sin, [](const Value& a, const Value&) { return dm::sin(a); }, kUnit, kUnit},
      {ValueOpId::Cos, [](const Value& a, const Value&) { return dm::cos(a); }, kUnit, kUnit},
      {ValueOpId::Tan, [](const Value& a, const Value&) { return dm::tan(a); }, kUnit, kUnit},
      {ValueOpId::ASin, [](const Value& a, const Value&) { return dm::asin(a); }, kUnit, kUnit},
      {ValueOpId::ACos, [](const Value& a, const Value&) { return dm::acos(a); }, kUnit, kUnit},
      {ValueOpId::ATan, [](const Value& a, const Value&) { return dm::atan(a); }, kUnit, kUnit},
      {ValueOpId::Atan2, [](const Value& a, const Value& b) { return dm::atan2(a, b); }, kA, kB},
      {ValueOpId::Log, [](const Value& a, const Value&) { return dm::log(a); }, kUnit, kUnit},
      {ValueOpId::Log10, [](const Value& a, const Value&) { return dm::log10(a); }, kUnit, kUnit},
      {ValueOpId::Sinh, [](const Value& a, const Value&) { return dm::sinh(a); }, kUnit, kUnit},
      {ValueOpId::Cosh, [](const Value& a, const Value&) { return dm::cosh(a); }, kUnit, kUnit},
      {ValueOpId::Tanh, [](const Value& a, const Value&) { return dm::tanh(a); }, kUnit, kUnit},
      {ValueOpId::Exp, [](const Value& a, const Value&) { return dm::exp(a); }, kUnit, kUnit},
      {ValueOpId::Sqrt, [](const Value& a, const Value&) { return dm::sqrt(a); }, kUnit, kUnit},
      {ValueOpId::Abs, [](const Value& a, const Value&) { return dm::abs(a); }, kA, kA},
      {ValueOpId::Floor, [](const Value& a, const Value&) { return dm::floor(a); }, kA, kA},
      {ValueOpId::Ceil, [](const Value& a, const Value&) { return dm::ceil(a); }, kA, kA},
      {ValueOpId::IsInf, [](const Value& a, const Value&) { return dm::isinf(a); }, kSpecial, kSpecial},
      {ValueOpId::IsNan, [](const Value& a, const Value&) { return dm::isnan(a); }, kSpecial, kSpecial},
      {ValueOpId::Not, [](const Value& a, const Value&) { return dm::not_(a); }, kA, kA},
      {ValueOpId::Transpose, [](const Value& a, const Value&) { return dm::transpose(a); }, kA, kA},
      {ValueOpId::CTranspose, [](const Value& a, const Value&) { return dm::ctranspose(a); }, kA, kA},
  };
  return rows;
}

const std::vector<Row>& symbolRows() {
  static const std::vector<Row> rows = {
      {ValueOpId::Plus, [](const Value& a, const Value& b) { return a + b; }, kA, kB},
      {ValueOpId::Minus, [](const Value& a, const Value& b) { return a - b; }, kA, kB},
      {ValueOpId::Times, [](const Value& a, const Value& b) { return a * b; }, kA, kB},
      {ValueOpId::RDivide, [](const Value& a, const Value& b) { return a / b; }, kA, kB},
      {ValueOpId::UPlus, [](const Value& a, const Value&) { return +a; }, kA, kA},
      {ValueOpId::UMinus, [](const Value& a, const Value&) { return -a; }, kA, kA},
      {ValueOpId::Lt, [](const Value& a, const Value& b) { return a < b; }, kA, kB},
      {ValueOpId::Le, [](const Value& a, const Value& b) { return a <= b; }, kA, kB},
      {ValueOpId::Gt, [](const Value& a, const Value& b) { return a > b; }, kA, kB},
      {ValueOpId::Ge, [](const Value& a, const Value& b) { return a >= b; }, kA, kB},
      {ValueOpId::And, [](const Value& a, const Value& b) { return a & b; }, kA, kB},
      {ValueOpId::Or, [](const Value& a, const Value& b) { return a | b; }, kA, kB},
      {ValueOpId::Not, [](const Value& a, const Value&) { return !a; }, kA, kA},
  };
  return rows;
}

// Operators that agree wherever both are defined: the transposes on real elements, and MlDivide and MrDivide with the
// elementwise divisions they restrict to a 1-by-1 operand (ErrorsPassThroughAndLeaveOperandsAlone tells those apart by
// their dimension errors).
bool twins(ValueOpId::Type a, ValueOpId::Type b) {
  const auto pair = [&](ValueOpId::Type x, ValueOpId::Type y) { return (a == x && b == y) || (a == y && b == x); };
  return pair(ValueOpId::Transpose, ValueOpId::CTranspose) || pair(ValueOpId::MlDivide, ValueOpId::LDivide) ||
         pair(ValueOpId::MrDivide, ValueOpId::RDivide);
}

// The operators other than op and its twin, of op's arity, that give the same result as op on these operands.
std::vector<std::string> lookAlikes(ValueOpId::Type op, const Value& a, const Value& b, const Value& expected) {
  std::vector<std::string> same;
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    const auto other = static_cast<ValueOpId::Type>(i);
    if (other == op || twins(op, other) || ValueOperator::getNumOperands(other) != ValueOperator::getNumOperands(op)) {
      continue;
    }
    try {
      if (call2(other, a, b) == expected) {
        same.push_back(ValueOperator::getName(other));
      }
    } catch (const qtf::MessageException&) {
      // An operator that refuses these operands cannot be mistaken for op.
    }
  }
  return same;
}

void expectEachRowReachesItsOperator(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(ValueOperator::getName(row.op));
    const Value a = value(row.first);
    const Value b = value(row.second);
    const Value expected = call2(row.op, a, b);
    EXPECT_EQ(row.fcn(a, b), expected);
    EXPECT_EQ(lookAlikes(row.op, a, b, expected), std::vector<std::string>{}) << "operands do not tell the row apart";
  }
}

TEST(Operators, EveryNamedFunctionCallsItsOwnOperator) {
  std::set<int> covered;
  for (const Row& row : namedRows()) covered.insert(row.op);
  EXPECT_EQ(covered.size(), std::size_t{ValueOpId::NumValueOps});
  expectEachRowReachesItsOperator(namedRows());
}

TEST(Operators, EverySymbolCallsItsOwnOperator) { expectEachRowReachesItsOperator(symbolRows()); }

// operator== keeps meaning exact equality (units and bytes), while eq and ne compare elements after scaling.
TEST(Operators, EqualityStaysExactWhileEqComparesElements) {
  const Value metres = value("[1000,5]:m");
  const Value kilometres = value("[1,5]:km");
  EXPECT_FALSE(metres == kilometres);
  EXPECT_EQ(dm::eq(metres, kilometres), value("[1,0]:1:uchar"));
  EXPECT_EQ(dm::ne(metres, kilometres), value("[0,1]:1:uchar"));
}

// Errors pass through unchanged and leave the operands as they were.
TEST(Operators, ErrorsPassThroughAndLeaveOperandsAlone) {
  struct ErrorRow {
    Fcn fcn;
    const char* first;
    const char* second;
    const char* identifier;
  };
  const ErrorRow rows[] = {
      {[](const Value& a, const Value& b) { return a + b; }, "[1,2]", "[1,2,3]",
       "data_manager:value:InvalidBinaryOperatorDimension"},
      {[](const Value& a, const Value& b) { return a < b; }, "1:m", "1:s",
       "unit_manager:propagation:IncommensurateUnits"},
      {[](const Value& a, const Value& b) { return dm::mtimes(a, b); }, "[1,2]", "[1,2]",
       "data_manager:value:InvalidMtimesDimension"},
      {[](const Value& a, const Value& b) { return dm::mldivide(a, b); }, "[1,2]", "[1,2]",
       "data_manager:value:InvalidElementWiseFirstScalarOperatorDimension"},
      {[](const Value& a, const Value& b) { return dm::mrdivide(a, b); }, "[1,2]", "[1,2]",
       "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension"},
      {[](const Value& a, const Value& b) { return dm::mpower(a, b); }, "2", "[1,2]",
       "data_manager:value:ScalarOperands"},
      {[](const Value& a, const Value&) { return dm::sqrt(a); }, "4:1:int", "4",
       "data_manager:value:InvalidMathOperatorType"},
      {[](const Value& a, const Value&) { return !a; }, "NaN", "1", "data_manager:value:CanNotConvertNanToLogical"},
      {[](const Value& a, const Value& b) { return a / b; }, "1:1:int", "0:1:int",
       "data_manager:value:IntegerDivisionByZero"},
  };
  for (const ErrorRow& row : rows) {
    SCOPED_TRACE(row.identifier);
    const Value a = value(row.first), b = value(row.second);
    EXPECT_THROW_ID(row.fcn(a, b), row.identifier);
    EXPECT_EQ(a, value(row.first));
    EXPECT_EQ(b, value(row.second));
  }
}

}  // namespace
