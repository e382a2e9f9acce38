// SPDX-License-Identifier: Apache-2.0
//
// Subscripting: the selected elements in selection order, the source's type and
// unit in data of its own, and the errors for unresolved sources and selections
// made for another shape.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "qtf/subsref.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/operators.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::Value;
using qtf::DataTypeId;
using qtf::Dimension;
using qtf::SubsRef;
using sorvexa_test::deepCopy;
using sorvexa_test::makeValue;
using sorvexa_test::unresolved;

template <typename T>
class Subscript : public ::testing::Test {};
TYPED_TEST_SUITE(Subscript, sorvexa_test::ElementTypes);

TYPED_TEST(Subscript, SelectsInSelectionOrderWithRepeatsIntoDataOfItsOwn) {
  using T = TypeParam;
  std::vector<T> xs;
  for (int i = 1; i <= 12; ++i) {
    xs.push_back(static_cast<T>(i));
  }
  Value source = makeValue<T>(Dimension(3, 4), xs, "km");  // rows (1 2 3 4), (5 6 7 8), (9 10 11 12)
  source.getAttributes().setName("source");
  const Value before = deepCopy(source);
  struct Row {
    SubsRef::Index rows, cols;
    Dimension expected;
    std::vector<int> elements;
  };
  const Row rows[] = {
      {{2, 0, 2}, {3, 1, 1}, Dimension(3, 3), {12, 10, 10, 4, 2, 2, 12, 10, 10}},
      {{1}, SubsRef::Index::all(), Dimension(1, 4), {5, 6, 7, 8}},
      {SubsRef::Index::all(), {0}, Dimension(3, 1), {1, 5, 9}},
      {SubsRef::Index::all(), SubsRef::Index::all(), Dimension(3, 4), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {std::vector<std::int64_t>{}, SubsRef::Index::all(), Dimension(0, 4), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected.str());
    const Value picked(source, SubsRef(source.getDimension(), row.rows, row.cols));
    std::vector<T> expected;
    for (const int e : row.elements) {
      expected.push_back(static_cast<T>(e));
    }
    EXPECT_EQ(picked, makeValue<T>(row.expected, expected, "km"));
    EXPECT_NE(picked.getGenericValue(), source.getGenericValue());
    EXPECT_FALSE(picked.hasAttributes());
    EXPECT_EQ(&picked.getContext(), &source.getContext());
  }
  EXPECT_EQ(source, before);
}

TEST(Subscript, UnresolvedSourcesAndSelectionsForAnotherShapeAreRejected) {
  const Value pending = unresolved(DataTypeId::Int, Dimension(2, 3), "m");
  EXPECT_THROW_ID(Value(pending, SubsRef(Dimension(2, 3), {0}, {1})), "data_manager:value:QueryUnresolvedValue");
  EXPECT_FALSE(pending.isResolved());

  const Value source = sorvexa_test::value("[1,2;3,4]:m:int");
  const Value before = deepCopy(source);
  struct Row {
    Dimension builtFor;
    SubsRef::Index rows, cols;
  };
  const Row rows[] = {
      {Dimension(3, 3), {2}, {2}},                    // would read past the 2-by-2 buffer
      {Dimension(4, 1), {3}, {0}},                    // same element count, other shape
      {Dimension(2, 3), SubsRef::Index::all(), {0}},  // rows fit, the layout does not
      {Dimension(0, 0), std::vector<std::int64_t>{}, std::vector<std::int64_t>{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.builtFor.str());
    EXPECT_THROW_ID(Value(source, SubsRef(row.builtFor, row.rows, row.cols)),
                    "data_manager:value:InconsistentSubscriptDimension");
    EXPECT_EQ(source, before);
  }
}

TEST(Subscript, AFailingSubscriptReleasesEverythingAndLeavesTheSourceAlone) {
  for (const DataTypeId::Type type :
       {DataTypeId::UChar, DataTypeId::Double, DataTypeId::Int, DataTypeId::UInt, DataTypeId::Char}) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Value source = sorvexa_test::valueOf(type, Dimension(2, 3), {1, 2, 3, 4, 5, 6}, "km");
    const Value before = deepCopy(source);
    const SubsRef ref(source.getDimension(), {1, 0}, {2, 2, 0});
    const Value expected = sorvexa_test::valueOf(type, Dimension(2, 3), {6, 6, 4, 3, 3, 1}, "km");
    EXPECT_GT(
        sorvexa_test::sweepAllocationFailures([&] { (void)Value(source, ref); }, [&] { EXPECT_EQ(source, before); }),
        0);
    EXPECT_EQ(Value(source, ref), expected);
  }
}

}  // namespace
