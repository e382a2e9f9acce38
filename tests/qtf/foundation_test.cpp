// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "qtf/allocator.hpp"
#include "qtf/assertion.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/qtfmath.hpp"
#include "qtf/subsref.hpp"
#include "sorvexa_test/expect.hpp"

namespace {

using qtf::Allocator;
using qtf::DataTypeId;
using qtf::Dimension;
using qtf::SubsRef;

TEST(Dimension, IndexesRowByRowAndNeverOverflowsItsCount) {
  const Dimension d(2, 3);
  EXPECT_EQ(d.computeIndex(1, 2), 5U);
  EXPECT_EQ(d.str(), "2x3");
  EXPECT_FALSE(d.isScalar());
  EXPECT_TRUE(Dimension(1, 1).isScalar());
  EXPECT_FALSE(Dimension(0, 0).isScalar());
  const Dimension huge(0xffffffffU, 0xffffffffU);
  EXPECT_EQ(huge.getNumElements(), 0xfffffffe00000001ULL);
  EXPECT_NE(Dimension(2, 3), Dimension(3, 2));
}

TEST(Allocator, FailsExactlyTheArmedAllocationAndCountsLiveBlocks) {
  const std::int64_t before = Allocator::liveBlocks();
  Allocator::failAllocation(3);
  void* a = Allocator::allocate(8);
  void* b = qtf_calloc(2, 4);
  EXPECT_THROW(Allocator::allocate(8), std::bad_alloc);
  EXPECT_FALSE(Allocator::failurePending());
  void* c = Allocator::allocate(8);  // one failure per arming
  EXPECT_EQ(Allocator::liveBlocks(), before + 3);
  Allocator::failAllocation(1);
  EXPECT_EQ(Allocator::allocate(8, std::nothrow), nullptr);
  Allocator::deallocate(a);
  qtf_free(b);
  qtf_free(c);
  qtf_free(nullptr);
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

TEST(Allocator, CallocIsZeroFilledAndRejectsOverflowingProducts) {
  auto* block = static_cast<unsigned char*>(qtf_calloc(16, 4));
  int nonZero = 0;
  for (int i = 0; i < 64; ++i) {
    nonZero += block[i] != 0;
  }
  EXPECT_EQ(nonZero, 0);
  qtf_free(block);
  EXPECT_THROW(qtf_calloc(std::numeric_limits<std::size_t>::max() / 2, 3), std::bad_alloc);
  void* empty = qtf_calloc(0, 8);
  EXPECT_NE(empty, nullptr);
  qtf_free(empty);
}

struct Counted : qtf::AllocatorBase {
  int payload = 7;
};

TEST(Allocator, ObjectsOfAllocatorBaseGoThroughTheCountingAllocator) {
  const std::int64_t before = Allocator::liveBlocks();
  auto* object = new Counted;
  EXPECT_EQ(Allocator::liveBlocks(), before + 1);
  delete object;
  Allocator::failAllocation(1);
  EXPECT_EQ(new (std::nothrow) Counted, nullptr);
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

TEST(Hasher, EqualInputsHashAlikeAndOrderAndBoundariesMatter) {
  auto hashOf = [](const std::vector<std::string>& parts) {
    qtf::Hasher h;
    for (const std::string& p : parts) {
      h.addString(p);
    }
    return h.getHash();
  };
  EXPECT_EQ(hashOf({"ab", "c"}), hashOf({"ab", "c"}));
  EXPECT_NE(hashOf({"ab", "c"}), hashOf({"a", "bc"}));
  EXPECT_NE(hashOf({"ab", "c"}), hashOf({"c", "ab"}));

  qtf::Hasher a, b, c;
  const double data[] = {1.0, 2.0, 3.0};
  a.addValue(1);
  a.addValue(Dimension(1, 3));
  a.addData(DataTypeId::Double, 3, data);
  b.addValue(1);
  b.addValue(Dimension(1, 3));
  b.addData(DataTypeId::Double, 3, data);
  c.addValue(1);
  c.addValue(Dimension(3, 1));
  c.addData(DataTypeId::Double, 3, data);
  EXPECT_EQ(a.getHash(), b.getHash());
  EXPECT_NE(a.getHash(), c.getHash());

  qtf::Hasher t, f;
  t.addValue(true);
  f.addValue(false);
  EXPECT_NE(t.getHash(), f.getHash());
}

TEST(SubsRef, SelectsInSelectionOrderWithRepeats) {
  const int source[] = {1, 2, 3, 4, 5, 6};  // 2x3
  const SubsRef ref(Dimension(2, 3), {1, 0, 1}, {2, 0});
  ASSERT_EQ(ref.dimension(), Dimension(3, 2));
  EXPECT_EQ(ref.sourceDimension(), Dimension(2, 3));
  int out[6] = {};
  ref.assign(DataTypeId::Int, out, source);
  const int expected[] = {6, 4, 3, 1, 6, 4};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(out[i], expected[i]) << i;
  }
  const SubsRef all(Dimension(2, 3), SubsRef::Index::all(), SubsRef::Index::all());
  EXPECT_EQ(all.dimension(), Dimension(2, 3));
  const SubsRef none(Dimension(2, 3), std::vector<std::int64_t>{}, SubsRef::Index::all());
  EXPECT_EQ(none.dimension(), Dimension(0, 3));
}

TEST(SubsRef, RejectsPositionsOutsideTheSource) {
  struct Row {
    std::vector<std::int64_t> rows;
    std::vector<std::int64_t> cols;
    const char* position;
    const char* extent;
    const char* which;
  };
  const Row rows[] = {
      {{2}, {0}, "2", "2", "row"},
      {{-1}, {0}, "-1", "2", "row"},
      {{0}, {0, 3}, "3", "3", "column"},
      {{0}, {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808", "3", "column"},
  };
  for (const Row& row : rows) {
    try {
      SubsRef ref(Dimension(2, 3), row.rows, row.cols);
      ADD_FAILURE() << "accepted " << row.position;
    } catch (const qtf::MessageException& e) {
      EXPECT_STREQ(e.identifier(), "qtf:subsref:IndexOutOfRange");
      EXPECT_EQ(e.argument(1), row.position);
      EXPECT_EQ(e.argument(2), row.extent);
      EXPECT_EQ(e.argument(3), row.which);
    }
  }
  EXPECT_THROW_ID(SubsRef(Dimension(0, 0), {0}, SubsRef::Index::all()), "qtf:subsref:IndexOutOfRange");
}

TEST(MessageException, ReadsAsASentenceAndKeepsIdentifierAndArguments) {
  const qtf::MessageException e("qtf:string:InvalidNumber", "1x");
  EXPECT_STREQ(e.identifier(), "qtf:string:InvalidNumber");
  EXPECT_EQ(e.argument(1), "1x");
  EXPECT_EQ(e.argument(2), "");
  EXPECT_EQ(e.argument(5), "");
  EXPECT_STREQ(e.what(), "'1x' is not a number (qtf:string:InvalidNumber)");

  const qtf::MessageException unknown("test:area:NotInCatalogue", "a", "", "b");
  EXPECT_STREQ(unknown.what(), "Error: a, b (test:area:NotInCatalogue)");
}

TEST(MessageException, FirstCatalogueEntryForAnIdentifierWins) {
  static const qtf::MessageEntry first[] = {{"test:area:Twice", "first {2}"}};
  static const qtf::MessageEntry second[] = {{"test:area:Twice", "second"}};
  EXPECT_TRUE(qtf::register_messages(first, 1));
  EXPECT_TRUE(qtf::register_messages(second, 1));
  EXPECT_STREQ(qtf::MessageException("test:area:Twice", "x", "y").what(), "first y (test:area:Twice)");
}

int gReports = 0;
void countReport(const char*, const char*, int) { ++gReports; }

TEST(Assertion, ReportsThroughTheHandlerAndReturns) {
  const qtf::AssertionHandler previous = qtf::set_assertion_handler(&countReport);
  const std::uint64_t before = qtf::assertion_count();
  qtf_assertion("broken", __FILE__, __LINE__);
  EXPECT_EQ(gReports, 1);
  EXPECT_EQ(qtf::assertion_count(), before + 1);
  qtf::set_assertion_handler(previous);
}

TEST(QtfMath, SpecialValues) {
  EXPECT_TRUE(qtf_is_inf(qtf_get_inf()));
  EXPECT_TRUE(qtf_is_inf(-qtf_get_inf()));
  EXPECT_FALSE(qtf_is_inf(std::numeric_limits<double>::max()));
  EXPECT_TRUE(qtf_is_nan(qtf_log(-1.0)));
  EXPECT_EQ(qtf_log(0.0), -qtf_get_inf());
  EXPECT_DOUBLE_EQ(qtf_atan2(1.0, -1.0), 3.0 * std::atan(1.0));
}

}  // namespace
