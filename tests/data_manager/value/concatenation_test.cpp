// SPDX-License-Identifier: Apache-2.0
//
// vertcat and horzcat: placement of the operands, empty operands, which bad operand is reported, scaling into the
// lead operand's unit, unresolved operands, and running out of memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data_manager/valueattributes.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::horzcat;
using data_manager::vertcat;
using namespace sorvexa_test;
using Values = std::vector<Value>;

Value concatenate(bool vertical, const Values& values) { return vertical ? vertcat(values) : horzcat(values); }

TEST(Concatenation, PlacesOperandsInVectorOrderInNewDataWithoutAttributes) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    Value top = valueOf(type, Dimension(1, 2), {1, 2}, "km");
    const Value bottom = valueOf(type, Dimension(1, 2), {3, 4}, "km");
    const Value left = valueOf(type, Dimension(2, 1), {1, 2}, "km"),
                right = valueOf(type, Dimension(2, 1), {3, 4}, "km");
    const Value empty = valueOf(type == DataTypeId::Int ? DataTypeId::Char : DataTypeId::Int, Dimension(0, 0), {}, "s");
    top.getAttributes().setName("top");
    EXPECT_EQ(vertcat(top, bottom), valueOf(type, Dimension(2, 2), {1, 2, 3, 4}, "km"));
    EXPECT_EQ(horzcat(left, right), valueOf(type, Dimension(2, 2), {1, 3, 2, 4}, "km"));
    EXPECT_EQ(vertcat(Values{top, empty, bottom, top}), valueOf(type, Dimension(3, 2), {1, 2, 3, 4, 1, 2}, "km"));
    EXPECT_EQ(horzcat(Values{empty, left, valueOf(type, Dimension(2, 0), {}), right, left}),
              valueOf(type, Dimension(2, 3), {1, 3, 1, 2, 4, 2}, "km"));
    // One operand: a new value with the operand's elements and data of its own.
    for (const bool vertical : {true, false}) {
      const Value alone = concatenate(vertical, {top});
      EXPECT_EQ(alone, top);
      EXPECT_NE(alone.getGenericValue(), top.getGenericValue());
      EXPECT_FALSE(alone.hasAttributes());
    }
  }
}

TEST(Concatenation, EmptyOperandsAndTheFirstBadOperandDecideTheOutcome) {
  const std::string extent = "data_manager:value:InconsistentCatDimensions";
  const std::string types = "data_manager:value:InconsistentCatTypes";
  const std::string tooMany = "data_manager:value:TooManyElements";
  struct Operand {
    DataTypeId::Type type;
    Dimension dimension;
  };
  struct Row {
    bool vertical;
    std::vector<Operand> operands;
    Dimension expected;  // always Double: the lead's type, or that of an all-empty result
    std::string error;
  };
  const DataTypeId::Type dbl = DataTypeId::Double, i32 = DataTypeId::Int;
  const Row rows[] = {
      {true, {{i32, Dimension(0, 0)}, {dbl, Dimension(1, 2)}}, Dimension(1, 2), ""},
      {true, {{dbl, Dimension(2, 3)}, {dbl, Dimension(0, 3)}, {dbl, Dimension(2, 3)}}, Dimension(4, 3), ""},
      {true, {{dbl, Dimension(0, 3)}, {dbl, Dimension(0, 3)}}, Dimension(0, 3), ""},
      {true, {{i32, Dimension(0, 0)}, {DataTypeId::UChar, Dimension(0, 0)}}, Dimension(0, 0), ""},
      {true, {{dbl, Dimension(2, 2)}, {dbl, Dimension(3, 0)}}, {}, extent},
      {false, {{dbl, Dimension(2, 3)}, {dbl, Dimension(2, 0)}}, Dimension(2, 3), ""},
      {false, {{i32, Dimension(0, 0)}, {dbl, Dimension(2, 3)}, {dbl, Dimension(0, 2)}}, {}, extent},
      {true, {{dbl, Dimension(1, 2)}, {i32, Dimension(1, 3)}}, {}, extent},  // extent before type
      {true, {{dbl, Dimension(1, 2)}, {i32, Dimension(1, 2)}, {dbl, Dimension(1, 3)}}, {}, types},
      {true, {{dbl, Dimension(1, 2)}, {dbl, Dimension(1, 3)}, {i32, Dimension(1, 2)}}, {}, extent},
      {false, {{i32, Dimension(2, 1)}, {dbl, Dimension(2, 1)}}, {}, types},
      // the stacked extent must stay countable in 32 bits rather than wrap around
      {true, {{dbl, Dimension(4294967294U, 0)}, {dbl, Dimension(1, 0)}}, Dimension(4294967295U, 0), ""},
      {true, {{dbl, Dimension(4294967295U, 0)}, {dbl, Dimension(1, 0)}}, {}, tooMany},
      {false, {{dbl, Dimension(0, 3000000000U)}, {dbl, Dimension(0, 3000000000U)}}, {}, tooMany},
  };
  for (const Row& row : rows) {
    Values operands, before;
    std::string trace = row.vertical ? "vertcat" : "horzcat";
    for (const Operand& o : row.operands) {
      operands.push_back(valueOf(o.type, o.dimension, std::vector<double>(o.dimension.getNumElements(), 1.0),
                                 o.type == DataTypeId::UChar ? "s" : "1"));
      before.push_back(deepCopy(operands.back()));
      trace += " " + qtf::get_type_name(o.type) + " " + o.dimension.str();
    }
    SCOPED_TRACE(trace);
    if (row.error.empty()) {
      EXPECT_EQ(concatenate(row.vertical, operands),
                valueOf(dbl, row.expected, std::vector<double>(row.expected.getNumElements(), 1.0)));
    } else {
      EXPECT_THROW_ID(concatenate(row.vertical, operands), row.error);
      EXPECT_EQ(operands, before);
    }
  }
}

TEST(Concatenation, LaterOperandsAreScaledIntoTheLeadsUnitAndStoredAsItsType) {
  struct Row {
    bool vertical;
    const char *lead, *operand, *expected;  // expected: a value, or an error identifier
  };
  const Row rows[] = {
      {true, "[1,2]:m", "[3,4]:km", "[1,2;3000,4000]:m"},
      {true, "[1]:km", "[500]:m", "[1;0.5]:km"},
      {false, "[1]:yd:int", "[7,-7]:ft:int", "[1,2,-2]:yd:int"},                   // 7/3 truncates toward zero
      {true, "[1]:km:int", "[499]:m:int", "[1;0]:km:int"},                         // 0.499 truncates to 0
      {true, "[1]:m:int8", "[-100]:km:int8", "[1;96]:m:int8"},                     // -100000 mod 256
      {true, "[1]:m:uint", "[4000000000]:km:uint", "[1;1385447424]:m:uint"},       // 4e12 mod 2^32
      {true, "[1]:ym:uint", "[5]:Ym:uint", "[1;0]:ym:uint"},                       // beyond the 64-bit range
      {true, "[1,2]:m", "[0,0]", "[1,2;0,0]:m"},                                   // a zero in "1" joins any unit
      {true, "[0,0]", "[1,2]:m", "unit_manager:propagation:IncommensurateUnits"},  // a zero lead does not label m
      {true, "[1]:degC", "[1]:K", "unit_manager:propagation:AffineUnitMismatch"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.vertical ? "vertcat " : "horzcat ") + row.lead + " " + row.operand);
    const Values operands = {value(row.lead), value(row.operand)};
    if (std::string(row.expected).find("unit_manager:") == 0) {
      const Values before = {deepCopy(operands[0]), deepCopy(operands[1])};
      EXPECT_THROW_ID(concatenate(row.vertical, operands), row.expected);
      EXPECT_EQ(operands, before);
    } else {
      EXPECT_EQ(concatenate(row.vertical, operands), value(row.expected));
    }
  }
}

TEST(Concatenation, UnresolvedOperandsFailOnceThereIsALeadOperand) {
  const Value row = value("[1,2]:m");
  const Value pending = unresolved(DataTypeId::Int, Dimension(0, 0), "s");
  const Value pendingRow = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  for (const bool vertical : {true, false}) {
    SCOPED_TRACE(vertical ? "vertcat" : "horzcat");
    for (const Values& operands :
         {Values{row, pending}, Values{pending, row}, Values{pendingRow, row}, Values{row, pendingRow}}) {
      EXPECT_THROW_ID(concatenate(vertical, operands), "data_manager:value:QueryUnresolvedValue");
    }
    EXPECT_EQ(concatenate(vertical, {pending, value("[]:s:int")}), value("[]:1:double"));
    EXPECT_FALSE(pending.isResolved());
  }
}

TEST(Concatenation, ResultIsBoundToTheFirstOperandsContextAndNeedsOneOperand) {
  const unit_manager::StandardContext otherUnits;
  const std::unique_ptr<data_manager::Context> other(data_manager::Context::create(otherUnits));
  EXPECT_EQ(&vertcat(Value(*other, "[]:1:int"), value("[1,2]")).getContext(), other.get());
  EXPECT_EQ(&horzcat(value("[1,2]"), Value(*other, "[3]")).getContext(), &context());
  EXPECT_THROW_ID(vertcat(Values{}), "data_manager:value:EmptyConcatenation");
  EXPECT_THROW_ID(horzcat(Values{}), "data_manager:value:EmptyConcatenation");
}

TEST(Concatenation, AFailingConcatenationReleasesEverythingAndLeavesTheOperandsAlone) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Values operands = {valueOf(type, Dimension(2, 2), {1, 2, 3, 4}, "m"), valueOf(type, Dimension(0, 0), {}),
                             valueOf(type, Dimension(2, 2), {5, 6, 7, 8}, "km")};
    const Values before = {deepCopy(operands[0]), deepCopy(operands[1]), deepCopy(operands[2])};
    for (const bool vertical : {true, false}) {
      const Value expected = deepCopy(concatenate(vertical, operands));
      EXPECT_GT(
          sweepAllocationFailures([&] { (void)concatenate(vertical, operands); }, [&] { EXPECT_EQ(operands, before); }),
          0);
      EXPECT_EQ(concatenate(vertical, operands), expected);
    }
  }
}

}  // namespace
