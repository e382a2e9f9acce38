// SPDX-License-Identifier: Apache-2.0
//
// vertcat and horzcat: placement of the operands, empty operands, which bad
// operand is reported, scaling into the lead operand's unit, unresolved
// operands, and running out of memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::horzcat;
using data_manager::Value;
using data_manager::vertcat;
using qtf::DataTypeId;
using qtf::Dimension;
using sorvexa_test::asDoubles;
using sorvexa_test::deepCopy;
using sorvexa_test::makeValue;
using sorvexa_test::unit;
using sorvexa_test::unresolved;
using sorvexa_test::value;
using sorvexa_test::valueOf;
using sorvexa_test::wrapTo;
using Values = std::vector<Value>;

Value concatenate(bool vertical, const Values& values) { return vertical ? vertcat(values) : horzcat(values); }

template <typename T>
class Concatenation : public ::testing::Test {};
TYPED_TEST_SUITE(Concatenation, sorvexa_test::ElementTypes);

TYPED_TEST(Concatenation, PlacesOperandsInVectorOrderInNewDataWithoutAttributes) {
  using T = TypeParam;
  Value top = makeValue<T>(Dimension(1, 2), {T(1), T(2)}, "km");
  const Value bottom = makeValue<T>(Dimension(1, 2), {T(3), T(4)}, "km");
  const Value left = makeValue<T>(Dimension(2, 1), {T(1), T(2)}, "km");
  const Value right = makeValue<T>(Dimension(2, 1), {T(3), T(4)}, "km");
  const Value empty = valueOf(sorvexa_test::typeOf<T>() == DataTypeId::Int ? DataTypeId::Char : DataTypeId::Int,
                              Dimension(0, 0), {}, "s");
  top.getAttributes().setName("top");

  const Value stacked = vertcat(top, bottom);
  EXPECT_EQ(stacked, makeValue<T>(Dimension(2, 2), {T(1), T(2), T(3), T(4)}, "km"));
  EXPECT_EQ(stacked, vertcat(Values{top, bottom}));
  EXPECT_FALSE(stacked.hasAttributes());
  const Value beside = horzcat(left, right);
  EXPECT_EQ(beside, makeValue<T>(Dimension(2, 2), {T(1), T(3), T(2), T(4)}, "km"));
  EXPECT_EQ(beside, horzcat(Values{left, right}));

  EXPECT_EQ(vertcat(Values{top, empty, bottom, top}),
            makeValue<T>(Dimension(3, 2), {T(1), T(2), T(3), T(4), T(1), T(2)}, "km"));
  EXPECT_EQ(horzcat(Values{empty, left, makeValue<T>(Dimension(2, 0), {}), right, left}),
            makeValue<T>(Dimension(2, 3), {T(1), T(3), T(1), T(2), T(4), T(2)}, "km"));

  // One operand: a new value with the operand's elements and data of its own.
  for (const bool vertical : {true, false}) {
    const Value alone = concatenate(vertical, {top});
    EXPECT_EQ(alone, top);
    EXPECT_NE(alone.getGenericValue(), top.getGenericValue());
    EXPECT_FALSE(alone.hasAttributes());
  }
  EXPECT_NE(stacked.getGenericValue(), top.getGenericValue());
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
      const Value r = concatenate(row.vertical, operands);
      EXPECT_EQ(r.getDimension(), row.expected);
      EXPECT_EQ(r.getDataType(), dbl);
      EXPECT_EQ(r.getUnit(), unit("1"));
      EXPECT_EQ(asDoubles(r), std::vector<double>(row.expected.getNumElements(), 1.0));
    } else {
      EXPECT_THROW_ID(concatenate(row.vertical, operands), row.error);
      EXPECT_EQ(operands, before);
    }
  }
}

TEST(Concatenation, LaterOperandsAreScaledIntoTheLeadsUnitAndStoredAsItsType) {
  struct Row {
    bool vertical;
    const char* lead;
    const char* operand;
    const char* unit;
    std::vector<double> expected;
  };
  const Row rows[] = {
      {true, "[1,2]:m", "[3,4]:km", "m", {1, 2, 3000, 4000}},
      {true, "[1]:km", "[500]:m", "km", {1, 0.5}},
      {false, "[1]:yd:int", "[7,-7]:ft:int", "yd", {1, 2, -2}},  // 7/3 truncates toward zero
      {false, "[1]:d*in:int", "[3]:h*ft:int", "d*in", {1, 1}},   // 3 times exactly 0.5
      {true, "[1]:km:int", "[499]:m:int", "km", {1, 0}},         // 0.499 truncates to 0
      {true, "[1]:m:uchar", "[200]:km:uchar", "m", {1, static_cast<double>(wrapTo<unsigned char>(200000))}},
      {true, "[1]:m:int8", "[-100]:km:int8", "m", {1, static_cast<double>(wrapTo<char>(-100000))}},
      {true, "[1]:m:int", "[3000000]:km:int", "m", {1, static_cast<double>(wrapTo<int>(3000000000))}},
      {true, "[1]:m:uint", "[4000000000]:km:uint", "m", {1, static_cast<double>(wrapTo<unsigned>(4000000000000))}},
      {true, "[1]:ym:uint", "[5]:Ym:uint", "ym", {1, 0}},  // beyond the 64-bit range
      {true, "[1,2]:m", "[0,0]", "m", {1, 2, 0, 0}},       // a zero in "1" joins any unit
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.vertical ? "vertcat " : "horzcat ") + row.lead + " " + row.operand);
    const Value lead = value(row.lead);
    const Value r = concatenate(row.vertical, {lead, value(row.operand)});
    EXPECT_EQ(r.getUnit(), unit(row.unit));
    EXPECT_EQ(r.getDataType(), lead.getDataType());
    EXPECT_EQ(asDoubles(r), row.expected);
  }
  struct Failure {
    const char* first;
    const char* second;
    const char* error;
  };
  const Failure failures[] = {
      {"[0,0]", "[1,2]:m", "unit_manager:propagation:IncommensurateUnits"},  // a zero lead does not label metres
      {"[1]:m", "[1]:s", "unit_manager:propagation:IncommensurateUnits"},
      {"[1]:degC", "[1]:K", "unit_manager:propagation:AffineUnitMismatch"},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(std::string(f.first) + " " + f.second);
    const Values operands = {value(f.first), value(f.second)};
    const Values before = {deepCopy(operands[0]), deepCopy(operands[1])};
    EXPECT_THROW_ID(vertcat(operands), f.error);
    EXPECT_THROW_ID(horzcat(operands[0], operands[1]), f.error);
    EXPECT_EQ(operands, before);
  }
}

TEST(Concatenation, UnresolvedOperandsFailOnceThereIsALeadOperand) {
  const Value row = value("[1,2]:m");
  const Value pending = unresolved(DataTypeId::Int, Dimension(0, 0), "s");
  const Value pendingRow = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  for (const bool vertical : {true, false}) {
    SCOPED_TRACE(vertical ? "vertcat" : "horzcat");
    EXPECT_THROW_ID(concatenate(vertical, {row, pending}), "data_manager:value:QueryUnresolvedValue");
    EXPECT_THROW_ID(concatenate(vertical, {pending, row}), "data_manager:value:QueryUnresolvedValue");
    EXPECT_THROW_ID(concatenate(vertical, {pendingRow, row}), "data_manager:value:QueryUnresolvedValue");
    EXPECT_THROW_ID(concatenate(vertical, {row, pendingRow}), "data_manager:value:QueryUnresolvedValue");
    const Value empty = concatenate(vertical, {pending, value("[]:s:int")});
    EXPECT_EQ(empty, Value(sorvexa_test::context(), data_manager::ValueTraitId::Resolved, DataTypeId::Double,
                           Dimension(0, 0)));
    EXPECT_FALSE(pending.isResolved());
    EXPECT_EQ(row, value("[1,2]:m"));
  }
}

TEST(Concatenation, ResultIsBoundToTheFirstOperandsContextAndNeedsOneOperand) {
  const unit_manager::StandardContext otherUnits;
  const std::unique_ptr<data_manager::Context> other(data_manager::Context::create(otherUnits));
  const Value theirs(*other, "[]:1:int");
  EXPECT_EQ(&vertcat(theirs, value("[1,2]")).getContext(), other.get());
  EXPECT_EQ(&horzcat(value("[1,2]"), Value(*other, "[3]")).getContext(), &sorvexa_test::context());
  EXPECT_THROW_ID(vertcat(Values{}), "data_manager:value:EmptyConcatenation");
  EXPECT_THROW_ID(horzcat(Values{}), "data_manager:value:EmptyConcatenation");
}

TEST(Concatenation, AFailingConcatenationReleasesEverythingAndLeavesTheOperandsAlone) {
  for (const DataTypeId::Type type :
       {DataTypeId::UChar, DataTypeId::Double, DataTypeId::Int, DataTypeId::UInt, DataTypeId::Char}) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Values operands = {valueOf(type, Dimension(2, 2), {1, 2, 3, 4}, "m"), valueOf(type, Dimension(0, 0), {}),
                             valueOf(type, Dimension(2, 2), {5, 6, 7, 8}, "km")};
    const Values before = {deepCopy(operands[0]), deepCopy(operands[1]), deepCopy(operands[2])};
    for (const bool vertical : {true, false}) {
      const Value expected = deepCopy(concatenate(vertical, operands));
      EXPECT_GT(sorvexa_test::sweepAllocationFailures([&] { (void)concatenate(vertical, operands); },
                                                      [&] { EXPECT_EQ(operands, before); }),
                0);
      EXPECT_EQ(concatenate(vertical, operands), expected);
    }
  }
}

}  // namespace
