// SPDX-License-Identifier: Apache-2.0
//
// The operator front door and the operator classes: names and operand counts, result shapes and dimension errors,
// result types, the order in which errors win, conversion of the second operand, and evaluations that run out of
// memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "qtf/allocator.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"

namespace {

using namespace sorvexa_test;

ValueOpId::Type opAt(int i) { return static_cast<ValueOpId::Type>(i); }

// A value of type whose elements are all 1, in unitText.
Value ones(DataTypeId::Type type, const Dimension& d, const std::string& unitText = "1") {
  return valueOf(type, d, std::vector<double>(d.getNumElements(), 1.0), unitText);
}

TEST(OperatorDimensions, EveryRuleGivesItsShapeOrItsErrorForEveryElementType) {
  const std::string binary = "data_manager:value:InvalidBinaryOperatorDimension";
  const std::string firstScalar = "data_manager:value:InvalidElementWiseFirstScalarOperatorDimension";
  const std::string secondScalar = "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension";
  const std::string scalars = "data_manager:value:ScalarOperands";
  struct Row {
    ValueOpId::Type op;
    Dimension a, b, expected;
    std::string error;
  };
  const Row rows[] = {
      {ValueOpId::Plus, Dimension(1, 1), Dimension(2, 3), Dimension(2, 3), ""},
      {ValueOpId::Plus, Dimension(2, 3), Dimension(1, 1), Dimension(2, 3), ""},
      {ValueOpId::Plus, Dimension(1, 1), Dimension(0, 0), Dimension(0, 0), ""},
      {ValueOpId::Plus, Dimension(0, 0), Dimension(1, 1), Dimension(0, 0), ""},
      {ValueOpId::Plus, Dimension(2, 3), Dimension(3, 2), {}, binary},
      {ValueOpId::Minus, Dimension(0, 0), Dimension(2, 2), {}, binary},
      {ValueOpId::Eq, Dimension(0, 3), Dimension(3, 0), {}, binary},
      {ValueOpId::And, Dimension(1, 3), Dimension(1, 2), {}, binary},
      {ValueOpId::RDivide, Dimension(2, 2), Dimension(2, 2), Dimension(2, 2), ""},
      {ValueOpId::Power, Dimension(2, 2), Dimension(1, 1), Dimension(2, 2), ""},
      {ValueOpId::Power, Dimension(2, 2), Dimension(2, 2), {}, secondScalar},
      {ValueOpId::Power, Dimension(1, 1), Dimension(2, 2), {}, secondScalar},
      {ValueOpId::MrDivide, Dimension(2, 3), Dimension(1, 1), Dimension(2, 3), ""},
      {ValueOpId::MrDivide, Dimension(2, 2), Dimension(2, 2), {}, secondScalar},
      {ValueOpId::MlDivide, Dimension(1, 1), Dimension(2, 3), Dimension(2, 3), ""},
      {ValueOpId::MlDivide, Dimension(2, 2), Dimension(1, 1), {}, firstScalar},
      {ValueOpId::MPower, Dimension(1, 1), Dimension(1, 1), Dimension(1, 1), ""},
      {ValueOpId::MPower, Dimension(2, 2), Dimension(1, 1), {}, scalars},
      {ValueOpId::MPower, Dimension(1, 1), Dimension(0, 0), {}, scalars},
      {ValueOpId::MTimes, Dimension(2, 3), Dimension(3, 4), Dimension(2, 4), ""},
      {ValueOpId::MTimes, Dimension(0, 3), Dimension(3, 0), Dimension(0, 0), ""},
      {ValueOpId::MTimes, Dimension(1, 1), Dimension(2, 3), Dimension(2, 3), ""},
      {ValueOpId::MTimes, Dimension(2, 3), Dimension(1, 1), Dimension(2, 3), ""},
      {ValueOpId::MTimes, Dimension(1, 1), Dimension(0, 0), Dimension(0, 0), ""},
      {ValueOpId::MTimes, Dimension(2, 3), Dimension(2, 3), {}, "data_manager:value:InvalidMtimesDimension"},
      {ValueOpId::Transpose, Dimension(2, 3), {}, Dimension(3, 2), ""},
      {ValueOpId::CTranspose, Dimension(0, 5), {}, Dimension(5, 0), ""},
      {ValueOpId::UMinus, Dimension(0, 4), {}, Dimension(0, 4), ""},
      {ValueOpId::Not, Dimension(3, 0), {}, Dimension(3, 0), ""},
  };
  for (const DataTypeId::Type type : kElementTypes) {
    for (const Row& row : rows) {
      SCOPED_TRACE(qtf::get_type_name(type) + " " + ValueOperator::getName(row.op) + " " + row.a.str() + " " +
                   row.b.str());
      const Value a = ones(type, row.a), b = ones(type, row.b);
      if (row.error.empty()) {
        EXPECT_EQ(call(row.op, a, b).getDimension(), row.expected);
      } else {
        const Value aBefore = deepCopy(a), bBefore = deepCopy(b);
        EXPECT_THROW_ID(call(row.op, a, b), row.error);
        EXPECT_TRUE(a == aBefore && b == bBefore);
      }
    }
    // An empty inner dimension sums nothing: every element of the product is 0.
    EXPECT_EQ(asDoubles(call(ValueOpId::MTimes, ones(type, Dimension(2, 0)), ones(type, Dimension(0, 3)))),
              std::vector<double>(6, 0.0));
  }
}

// Math on an element type other than double is rejected before shapes and units are looked at.
TEST(OperatorResultTypes, EveryOperatorGivesItsResultTypeForEveryElementType) {
  for (const DataTypeId::Type type : kElementTypes) {
    const Value one = ones(type, Dimension(1, 1)), a = ones(type, Dimension(2, 3), "m"),
                b = ones(type, Dimension(3, 2));
    for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
      const ValueOpId::Type op = opAt(i);
      SCOPED_TRACE(qtf::get_type_name(type) + " " + ValueOperator::getName(op));
      const bool logical = (op >= ValueOpId::Eq && op <= ValueOpId::Or) || op == ValueOpId::IsInf ||
                           op == ValueOpId::IsNan || op == ValueOpId::Not;
      if (op >= ValueOpId::Sin && op <= ValueOpId::Sqrt && type != DataTypeId::Double) {
        EXPECT_THROW_ID(call(op, a, b), "data_manager:value:InvalidMathOperatorType");
        EXPECT_THROW_ID(call(op, one, value("[1]")), "data_manager:value:InvalidMathOperatorType");
        continue;
      }
      const Value r = call(op, one, one);
      EXPECT_EQ(r.getDataType(), logical ? DataTypeId::UChar : type);
      EXPECT_EQ(r.getDimension(), Dimension(1, 1));
    }
  }
}

TEST(OperatorErrors, TheDimensionErrorWinsOverUnitErrorsAndUnresolvedOperandsComeFirst) {
  struct Row {
    ValueOpId::Type op;
    Value a, b;
    const char* error;
  };
  const Row rows[] = {
      {ValueOpId::Gt, value("[1,2]:degC"), value("[1,2,3]:K"), "data_manager:value:InvalidBinaryOperatorDimension"},
      {ValueOpId::MTimes, value("[1,2,3;4,5,6]:m"), value("[1,2,3;4,5,6]:s"),
       "data_manager:value:InvalidMtimesDimension"},
      {ValueOpId::Power, value("[1,2;3,4]:m"), value("[1,2;3,4]:s"),
       "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension"},
      {ValueOpId::Plus, unresolved(DataTypeId::Double, Dimension(2, 2)), value("[1,2,3]"),
       "data_manager:value:QueryUnresolvedValue"},
      {ValueOpId::Times, value("[1,2,3]"), unresolved(DataTypeId::Int, Dimension(2, 2), "s"),
       "data_manager:value:QueryUnresolvedValue"},
      {ValueOpId::Sin, unresolved(DataTypeId::Int, Dimension(1, 1)), value("[1]"),
       "data_manager:value:QueryUnresolvedValue"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(ValueOperator::getName(row.op));
    EXPECT_THROW_ID(call(row.op, row.a, row.b), row.error);
  }
}

TEST(ValueOperator, NamesOperandCountsAndOperatorsOutsideTheTable) {
  const char* const names[] = {
      "plus",     "uplus",   "minus",   "uminus", "mtimes",    "times",      "mpower", "power", "mldivide",
      "mrdivide", "ldivide", "rdivide", "eq",     "ne",        "lt",         "gt",     "le",    "ge",
      "and",      "or",      "sin",     "cos",    "tan",       "asin",       "acos",   "atan",  "atan2",
      "log",      "log10",   "sinh",    "cosh",   "tanh",      "exp",        "sqrt",   "abs",   "floor",
      "ceil",     "isinf",   "isnan",   "not",    "transpose", "ctranspose",
  };
  static_assert(std::size(names) == ValueOpId::NumValueOps, "one name per operator");
  const std::string twoOperands =
      " plus minus mtimes times mpower power mldivide mrdivide ldivide rdivide eq ne lt "
      "gt le ge and or atan2 ";
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    EXPECT_EQ(ValueOperator::getName(opAt(i)), names[i]) << i;
    const bool binary = twoOperands.find(" " + std::string(names[i]) + " ") != std::string::npos;
    EXPECT_EQ(ValueOperator::getNumOperands(opAt(i)), binary ? 2U : 1U) << names[i];
  }
  EXPECT_EQ(ValueOperator::getNumOperands(ValueOpId::NumValueOps), 0U);
  const Value v = value("[1,2]");
  for (const int op : {-1, 42, 43, 1000}) {
    SCOPED_TRACE(op);
    EXPECT_EQ(ValueOperator::getNumOperands(opAt(op)), 0U);
    EXPECT_THROW_ID(ValueOperator::getName(opAt(op)), "data_manager:value:InvalidOperator");
    EXPECT_THROW_ID(call(opAt(op), v, v), "data_manager:value:InvalidOperator");
  }
}

TEST(ValueOperator, TheSecondOperandIsConvertedToTheFirstOperandsType) {
  struct Row {
    ValueOpId::Type op;
    const char *a, *b;
    const char* expected;  // or an error identifier
  };
  const Row rows[] = {
      {ValueOpId::Plus, "[1,1]:1:int", "[2.5,-2.5]", "[4,-2]:1:int"},  // 2.5 rounds half away from zero
      {ValueOpId::Eq, "[2]:1:int", "[2.4]", "[1]:1:uchar"},
      {ValueOpId::Plus, "[1.5]", "[2]:1:int", "[3.5]"},
      {ValueOpId::Plus, "[1]:1:int8", "[300]", "[-128]:1:int8"},  // 300 saturates to 127, then 1 + 127 wraps
      {ValueOpId::RDivide, "[7]:1:int", "[0.4]", "data_manager:value:IntegerDivisionByZero"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " " + ValueOperator::getName(row.op) + " " + row.b);
    const Value a = value(row.a), b = value(row.b), bBefore = deepCopy(b);
    if (std::string(row.expected).rfind("data_manager:", 0) == 0) {
      EXPECT_THROW_ID(call(row.op, a, b), row.expected);
    } else {
      EXPECT_EQ(call(row.op, a, b), value(row.expected));
    }
    EXPECT_EQ(b, bBefore);
  }
}

TEST(ValueOperator, OneOperandOperatorsNeverLookAtTheirSecondArgument) {
  const Value v = value("[0.5,0.25;1,0]:1");
  const Value nothing = unresolved(DataTypeId::Int, Dimension(7, 7), "s");
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    if (ValueOperator::getNumOperands(opAt(i)) == 1) {
      SCOPED_TRACE(ValueOperator::getName(opAt(i)));
      EXPECT_EQ(call(opAt(i), v, nothing), call(opAt(i), v, v));
    }
  }
}

TEST(ValueOperator, TheResultIsBoundToTheFirstOperandsContext) {
  const unit_manager::StandardContext otherUnits;
  const std::unique_ptr<data_manager::Context> other(data_manager::Context::create(otherUnits));
  const Value mine = value("[1,2]:m"), theirs(*other, "[3,4]:m");
  EXPECT_EQ(&call(ValueOpId::Plus, mine, theirs).getContext(), &mine.getContext());
  EXPECT_EQ(&call(ValueOpId::Plus, theirs, mine).getContext(), other.get());
  EXPECT_EQ(&call(ValueOpId::UMinus, theirs).getContext(), other.get());
}

TEST(ValueOperator, AFailingEvaluationReleasesEverythingAndLeavesTheOperandsAlone) {
  struct Case {
    ValueOpId::Type op;
    Dimension da, db;
  };
  const Case cases[] = {
      {ValueOpId::Plus, Dimension(2, 3), Dimension(2, 3)}, {ValueOpId::MTimes, Dimension(2, 3), Dimension(3, 2)},
      {ValueOpId::Lt, Dimension(1, 1), Dimension(2, 2)},   {ValueOpId::Transpose, Dimension(2, 3), Dimension(1, 1)},
      {ValueOpId::Not, Dimension(3, 1), Dimension(1, 1)},  {ValueOpId::Abs, Dimension(0, 0), Dimension(1, 1)},
  };
  for (const DataTypeId::Type type : kElementTypes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(qtf::get_type_name(type) + " " + ValueOperator::getName(c.op));
      // A second operand of another type in km: conversion and unit scaling both allocate.
      const Value a = ones(type, c.da, "m"),
                  b = ones(type == DataTypeId::Double ? DataTypeId::Int : DataTypeId::Double, c.db, "km");
      const Value aBefore = deepCopy(a), bBefore = deepCopy(b);
      const Value expected = deepCopy(call(c.op, a, b));  // also builds the operator table for the type
      EXPECT_GT(
          sweepAllocationFailures([&] { (void)call(c.op, a, b); }, [&] { EXPECT_TRUE(a == aBefore && b == bBefore); }),
          0);
      EXPECT_EQ(call(c.op, a, b), expected);
    }
  }
}

// The child process of the death test runs this test alone, so its first Char evaluation builds the Char operator
// table. Failing each allocation of that build in turn must release what was made and leave the table to be built by
// the next evaluation; only a failure after the build may keep blocks, the table's, and only once.
TEST(ValueOperatorDeathTest, AnOperatorTableThatFailedToBuildIsBuiltByTheNextEvaluation) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const Value a = valueOf(DataTypeId::Char, Dimension(1, 2), {100, 27});
        const Value b = valueOf(DataTypeId::Char, Dimension(1, 2), {100, 1});
        int cleanFailures = 0;
        bool tableKept = false;
        for (std::uint64_t n = 1;; ++n) {
          const std::int64_t before = qtf::Allocator::liveBlocks();
          qtf::Allocator::failAllocation(n);
          try {
            const Value r = call(ValueOpId::Plus, a, b);
            qtf::Allocator::failAllocation(0);
            std::exit(tableKept && asDoubles(r) == std::vector<double>{-56, 28} ? 0 : 3);
          } catch (const std::bad_alloc&) {
            qtf::Allocator::failAllocation(0);
            if (qtf::Allocator::liveBlocks() == before) {
              ++cleanFailures;
            } else if (tableKept || cleanFailures < ValueOpId::NumValueOps) {
              std::exit(2);
            } else {
              tableKept = true;
            }
          }
        }
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
