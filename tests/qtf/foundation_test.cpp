// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "qtf/allocator.hpp"
#include "qtf/assertion.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/subsref.hpp"
#include "sorvexa_test/expect.hpp"

namespace {

using qtf::Allocator;
using qtf::DataTypeId;
using qtf::Dimension;
using qtf::SubsRef;

TEST(Dimension, IndexesRowByRowAndNeverOverflowsItsCount) {
  EXPECT_EQ(Dimension(2, 3).computeIndex(1, 2), 5U);
  EXPECT_EQ(Dimension(2, 3).str(), "2x3");
  EXPECT_FALSE(Dimension(2, 3).isScalar());
  EXPECT_TRUE(Dimension(1, 1).isScalar());
  EXPECT_FALSE(Dimension(0, 0).isScalar());
  EXPECT_EQ(Dimension(0xffffffffU, 0xffffffffU).getNumElements(), 0xfffffffe00000001ULL);
  EXPECT_NE(Dimension(2, 3), Dimension(3, 2));
}

struct Counted : qtf::AllocatorBase {
  int payload = 7;
};

TEST(Allocator, FailsExactlyTheArmedAllocationAndCountsLiveBlocks) {
  const std::int64_t before = Allocator::liveBlocks();
  Allocator::failAllocation(3);
  void* a = Allocator::allocate(8);
  auto* b = new Counted;  // objects of AllocatorBase go through the counting allocator
  EXPECT_THROW(Allocator::allocate(8), std::bad_alloc);
  EXPECT_FALSE(Allocator::failurePending());
  void* c = Allocator::allocate(8);  // one failure per arming
  EXPECT_EQ(Allocator::liveBlocks(), before + 3);
  Allocator::failAllocation(1);
  EXPECT_EQ(Allocator::allocate(8, std::nothrow), nullptr);
  Allocator::failAllocation(1);
  EXPECT_EQ(new (std::nothrow) Counted, nullptr);
  Allocator::deallocate(a);
  delete b;
  qtf_free(c);
  qtf_free(nullptr);
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

TEST(Allocator, CallocIsZeroFilledAndRejectsOverflowingProducts) {
  auto* block = static_cast<unsigned char*>(qtf_calloc(16, 4));
  EXPECT_EQ(std::vector<unsigned char>(block, block + 64), std::vector<unsigned char>(64, 0));
  qtf_free(block);
  EXPECT_THROW(qtf_calloc(std::numeric_limits<std::size_t>::max() / 2, 3), std::bad_alloc);
  void* empty = qtf_calloc(0, 8);
  EXPECT_NE(empty, nullptr);
  qtf_free(empty);
}

// Cached blocks are handed out again after their release: no two live blocks may overlap, and each must hold every
// byte asked for, whatever size it last served. Sizes cross every class boundary and the cached range's end, and the
// blocks are released in an order other than their allocation's.
TEST(Allocator, CachedBlocksNeverOverlapAndHoldEveryByteAskedFor) {
  const std::int64_t before = Allocator::liveBlocks();
  struct Live {
    unsigned char* block;
    std::size_t bytes;
    unsigned char fill;
  };
  std::vector<Live> live;
  int mismatches = 0;
  for (int round = 0; round < 4; ++round) {
    for (std::size_t bytes = 0; bytes <= Allocator::kCachedBytes + 40; bytes += 7) {
      const auto fill = static_cast<unsigned char>(live.size() * 31 + bytes);
      auto* block = static_cast<unsigned char*>(Allocator::allocateCached(bytes));
      std::fill(block, block + bytes, fill);
      live.push_back({block, bytes, fill});
    }
    // Release every other block, newest first, so that the next round reuses blocks of other sizes in its class.
    for (std::size_t i = live.size(); i-- > 0;) {
      const Live& l = live[i];
      mismatches +=
          static_cast<int>(std::count_if(l.block, l.block + l.bytes, [&](unsigned char c) { return c != l.fill; }));
      if (i % 2 == static_cast<std::size_t>(round % 2)) {
        Allocator::deallocateCached(l.block, l.bytes);
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  for (const Live& l : live) {
    mismatches +=
        static_cast<int>(std::count_if(l.block, l.block + l.bytes, [&](unsigned char c) { return c != l.fill; }));
    Allocator::deallocateCached(l.block, l.bytes);
  }
  Allocator::deallocateCached(nullptr, 8);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

TEST(Allocator, CachedBlocksAreCountedAndFailedLikeAnyOther) {
  // Warm the cache, so that the armed failure has to claim a block the cache could have served.
  Allocator::deallocateCached(Allocator::allocateCached(40), 40);
  const std::int64_t before = Allocator::liveBlocks();
  const std::uint64_t attempts = Allocator::allocationCount();
  Allocator::failAllocation(1);
  EXPECT_THROW(Allocator::allocateCached(40), std::bad_alloc);
  Allocator::failAllocation(1);
  EXPECT_EQ(Allocator::allocateCached(40, std::nothrow), nullptr);
  Allocator::failAllocation(1);
  EXPECT_EQ(Allocator::allocateCached(Allocator::kCachedBytes + 1, std::nothrow), nullptr);
  void* small = Allocator::allocateCached(40);
  void* large = Allocator::allocateCached(Allocator::kCachedBytes + 1);
  EXPECT_EQ(Allocator::liveBlocks(), before + 2);
  EXPECT_EQ(Allocator::allocationCount(), attempts + 5);
  Allocator::deallocateCached(small, 40);
  Allocator::deallocateCached(large, Allocator::kCachedBytes + 1);
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

// A block may be released on another thread than the one that took it, and a thread that ends gives its cache back
// (the leak checkers of the sanitizer and valgrind builds see to that part).
TEST(Allocator, CachedBlocksMoveBetweenThreadsAndEndWithTheirThread) {
  const std::int64_t before = Allocator::liveBlocks();
  const std::uint64_t attempts = Allocator::allocationCount();
  std::vector<void*> taken;
  taken.reserve(100);
  std::thread producer([&] {
    for (int i = 0; i < 100; ++i) {
      taken.push_back(Allocator::allocateCached(static_cast<std::size_t>(i)));
    }
  });
  producer.join();
  // The producer has ended: what it counted stays in the totals.
  EXPECT_EQ(Allocator::liveBlocks(), before + 100);
  EXPECT_EQ(Allocator::allocationCount(), attempts + 100);
  std::thread consumer([&] {
    // A hundred blocks over four size classes: more than the cache holds, so it is full when the thread ends.
    for (std::size_t i = 0; i < taken.size(); ++i) {
      Allocator::deallocateCached(taken[i], i);
    }
  });
  consumer.join();
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

// A workspace is lent again after its release while it is large enough, and replaced when it is not: every block must
// hold every byte asked for (valgrind sees an overrun of a kept block that is too short), a second request while the
// first is out gets a block of its own, and each request counts and can fail.
TEST(Allocator, WorkspaceIsCountedFailedAndNeverShorterThanAskedFor) {
  const std::int64_t before = Allocator::liveBlocks();
  const std::uint64_t attempts = Allocator::allocationCount();
  for (const std::size_t bytes : {std::size_t{4096}, std::size_t{100}, std::size_t{8192}, std::size_t{8192}}) {
    auto* block = static_cast<unsigned char*>(Allocator::allocateWorkspace(bytes));
    std::fill(block, block + bytes, static_cast<unsigned char>(bytes));
    EXPECT_EQ(Allocator::liveBlocks(), before + 1);
    Allocator::deallocateWorkspace(block);
    EXPECT_EQ(Allocator::liveBlocks(), before);
  }
  auto* first = static_cast<unsigned char*>(Allocator::allocateWorkspace(64));
  auto* second = static_cast<unsigned char*>(Allocator::allocateWorkspace(64));
  EXPECT_TRUE(second + 64 <= first || first + 64 <= second);
  EXPECT_EQ(Allocator::liveBlocks(), before + 2);
  Allocator::deallocateWorkspace(second);
  Allocator::deallocateWorkspace(first);
  Allocator::deallocateWorkspace(nullptr);
  // One failure a request kept space could serve, one that needs a larger block.
  Allocator::failAllocation(1);
  EXPECT_THROW(Allocator::allocateWorkspace(64), std::bad_alloc);
  Allocator::failAllocation(1);
  EXPECT_THROW(Allocator::allocateWorkspace(std::size_t{1} << 20), std::bad_alloc);
  // A size with no room left for the block's own header fails as memory running out does, before any attempt.
  EXPECT_THROW(Allocator::allocateWorkspace(std::numeric_limits<std::size_t>::max() - 8), std::bad_alloc);
  EXPECT_EQ(Allocator::liveBlocks(), before);
  EXPECT_EQ(Allocator::allocationCount(), attempts + 8);
  // Released on another thread than the one that took it.
  void* moved = Allocator::allocateWorkspace(256);
  std::thread([moved] { Allocator::deallocateWorkspace(moved); }).join();
  EXPECT_EQ(Allocator::liveBlocks(), before);
  Allocator::deallocateWorkspace(Allocator::allocateWorkspace(256));
  EXPECT_EQ(Allocator::liveBlocks(), before);
}

TEST(Hasher, EqualInputsHashAlikeAndOrderAndBoundariesMatter) {
  const auto strings = [](const std::vector<std::string>& parts) {
    qtf::Hasher h;
    for (const std::string& p : parts) h.addString(p);
    return h.getHash();
  };
  EXPECT_EQ(strings({"ab", "c"}), strings({"ab", "c"}));
  EXPECT_NE(strings({"ab", "c"}), strings({"a", "bc"}));
  EXPECT_NE(strings({"ab", "c"}), strings({"c", "ab"}));
  const auto matrix = [](const Dimension& d, bool flag) {
    const double data[] = {1.0, 2.0, 3.0};
    qtf::Hasher h;
    h.addValue(1);
    h.addValue(d);
    h.addValue(flag);
    h.addData(DataTypeId::Double, 3, data);
    return h.getHash();
  };
  EXPECT_EQ(matrix(Dimension(1, 3), true), matrix(Dimension(1, 3), true));
  EXPECT_NE(matrix(Dimension(1, 3), true), matrix(Dimension(3, 1), true));
  EXPECT_NE(matrix(Dimension(1, 3), true), matrix(Dimension(1, 3), false));
}

TEST(SubsRef, SelectsInSelectionOrderWithRepeats) {
  const int source[] = {1, 2, 3, 4, 5, 6};  // 2x3
  const SubsRef ref(Dimension(2, 3), {1, 0, 1}, {2, 0});
  ASSERT_EQ(ref.dimension(), Dimension(3, 2));
  std::vector<int> out(6);
  ref.assign(DataTypeId::Int, out.data(), source);
  EXPECT_EQ(out, (std::vector<int>{6, 4, 3, 1, 6, 4}));
  EXPECT_EQ(SubsRef(Dimension(2, 3), SubsRef::Index::all(), SubsRef::Index::all()).dimension(), Dimension(2, 3));
  EXPECT_EQ(SubsRef(Dimension(2, 3), std::vector<std::int64_t>{}, SubsRef::Index::all()).dimension(), Dimension(0, 3));
}

TEST(SubsRef, RejectsPositionsOutsideTheSource) {
  struct Row {
    std::vector<std::int64_t> rows, cols;
    std::vector<std::string> thrown;
  };
  const char* const id = "qtf:subsref:IndexOutOfRange";
  const Row rows[] = {
      {{2}, {0}, {id, "2", "2", "row", ""}},
      {{-1}, {0}, {id, "-1", "2", "row", ""}},
      {{0}, {0, 3}, {id, "3", "3", "column", ""}},
      {{0}, {std::numeric_limits<std::int64_t>::min()}, {id, "-9223372036854775808", "3", "column", ""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.thrown[1]);
    EXPECT_EQ(sorvexa_test::thrownMessage([&] { SubsRef(Dimension(2, 3), row.rows, row.cols); }), row.thrown);
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
  EXPECT_STREQ(qtf::MessageException("test:area:NotInCatalogue", "a", "", "b").what(),
               "Error: a, b (test:area:NotInCatalogue)");
}

TEST(MessageException, FirstCatalogueEntryForAnIdentifierWins) {
  static const qtf::MessageEntry first[] = {{"test:area:Twice", "first {2}"}};
  static const qtf::MessageEntry second[] = {{"test:area:Twice", "second"}};
  EXPECT_TRUE(qtf::register_messages(first, 1));
  EXPECT_TRUE(qtf::register_messages(second, 1));
  EXPECT_STREQ(qtf::MessageException("test:area:Twice", "x", "y").what(), "first y (test:area:Twice)");
}

TEST(MessageException, RaiseWritesIntegersInDecimalAndDetailOnlyExtendsTheSentence) {
  static const qtf::MessageEntry entries[] = {{"test:area:Counted", "{1} of {2} in {3}"}};
  qtf::register_messages(entries, 1);
  auto caught = [](auto&& raising) -> std::pair<qtf::MessageException, bool> {
    try {
      raising();
    } catch (const qtf::MessageException& e) {
      return {e, true};
    }
    return {qtf::MessageException("test:area:NothingThrown"), false};
  };
  const std::int64_t negative = std::numeric_limits<std::int64_t>::min();
  const auto plain = caught([&] { qtf::raise("test:area:Counted", negative, std::size_t{7}, "m"); });
  ASSERT_TRUE(plain.second);
  EXPECT_EQ(plain.first.argument(1), "-9223372036854775808");
  EXPECT_EQ(plain.first.argument(2), "7");
  EXPECT_EQ(plain.first.detail(), "");
  EXPECT_STREQ(plain.first.what(), "-9223372036854775808 of 7 in m (test:area:Counted)");

  const auto detailed =
      caught([&] { qtf::raise_detailed("test:area:Counted", ": 2x2 and 1x3", 1U, std::string("b"), "c"); });
  ASSERT_TRUE(detailed.second);
  EXPECT_STREQ(detailed.first.identifier(), "test:area:Counted");
  EXPECT_EQ((std::vector<std::string>{detailed.first.argument(1), detailed.first.argument(2),
                                      detailed.first.argument(3), detailed.first.argument(4)}),
            (std::vector<std::string>{"1", "b", "c", ""}));
  EXPECT_EQ(detailed.first.detail(), ": 2x2 and 1x3");
  EXPECT_EQ(detailed.first.message(), "1 of b in c: 2x2 and 1x3");
  EXPECT_STREQ(detailed.first.what(), "1 of b in c: 2x2 and 1x3 (test:area:Counted)");
  // A copy keeps the detail; an identifier without a catalogue entry still carries it.
  const qtf::MessageException copy = detailed.first;
  EXPECT_STREQ(copy.what(), detailed.first.what());
  EXPECT_EQ(qtf::MessageException("test:area:NotInCatalogue", qtf::MessageDetail{"; see x"}, "a").message(),
            "Error: a; see x");
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

}  // namespace
