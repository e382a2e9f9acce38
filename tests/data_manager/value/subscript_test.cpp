// SPDX-License-Identifier: Apache-2.0
//
// Subscripting: the selected elements in selection order, the source's type and unit in data of its own, the errors
// for unresolved sources and selections made for another shape, and running out of memory. SubsRef's own selection
// rules are tested with qtf.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "data_manager/valueattributes.hpp"
#include "qtf/subsref.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using qtf::SubsRef;
using namespace sorvexa_test;

TEST(Subscript, SelectsIntoDataOfItsOwnAndALeakFreeFailureLeavesTheSourceAlone) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    Value source = valueOf(type, Dimension(2, 3), {1, 2, 3, 4, 5, 6}, "km");
    source.getAttributes().setName("source");
    const Value before = deepCopy(source);
    const SubsRef ref(source.getDimension(), {1, 0}, {2, 2, 0});
    const Value picked(source, ref);
    EXPECT_EQ(picked, valueOf(type, Dimension(2, 3), {6, 6, 4, 3, 3, 1}, "km"));
    EXPECT_NE(picked.getGenericValue(), source.getGenericValue());
    EXPECT_FALSE(picked.hasAttributes());
    EXPECT_EQ(Value(source, SubsRef(source.getDimension(), std::vector<std::int64_t>{}, SubsRef::Index::all())),
              valueOf(type, Dimension(0, 3), {}, "km"));
    EXPECT_GT(sweepAllocationFailures([&] { (void)Value(source, ref); }, [&] { EXPECT_EQ(source, before); }), 0);
    EXPECT_EQ(source, before);
  }
}

TEST(Subscript, UnresolvedSourcesAndSelectionsForAnotherShapeAreRejected) {
  const Value pending = unresolved(DataTypeId::Int, Dimension(2, 3), "m");
  EXPECT_THROW_ID(Value(pending, SubsRef(Dimension(2, 3), {0}, {1})), "data_manager:value:QueryUnresolvedValue");
  EXPECT_FALSE(pending.isResolved());
  const Value source = value("[1,2;3,4]:m:int"), before = deepCopy(source);
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

}  // namespace
