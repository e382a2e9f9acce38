// SPDX-License-Identifier: Apache-2.0
//
// Allocation failures inside the unit manager: this executable replaces the global operator new, so that allocation n
// of an operation on the calling thread fails. After each failure the context and the live expressions must be as
// they were, and the same operation must then succeed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

// Allocations left before the one that fails on this thread; 0 when none is to fail.
thread_local long tAllocationsLeft = 0;

}  // namespace

// The replacements pair malloc with free; GCC, seeing a new-expression's delete inlined, cannot tell.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t bytes) {
  if (tAllocationsLeft > 0 && --tAllocationsLeft == 0) throw std::bad_alloc();
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t bytes) { return ::operator new(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using unit_manager::UnitExpression;

// Fails allocation 1, 2, 3, ... of operation in turn, calling check after each, until operation completes without
// reaching the failing allocation; returns the number of allocation points.
template <typename Operation, typename Check>
int sweep(Operation&& operation, Check&& check) {
  for (long n = 1; n < 100000; ++n) {
    tAllocationsLeft = n;
    bool failed = false;
    try {
      operation();
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    const bool reached = tAllocationsLeft == 0;
    tAllocationsLeft = 0;
    if (!reached) {
      EXPECT_FALSE(failed) << "bad_alloc without a failed allocation at " << n;
      return static_cast<int>(n - 1);
    }
    // An operation may also complete despite the failure, when only a cache went without (the operation checks its
    // own result); either way what follows must work.
    check(n);
  }
  ADD_FAILURE() << "the operation never completed";
  return 0;
}

TEST(UnitAllocationFailure, AFailedExpressionLeavesNothingAndTheNextOneWorks) {
  // Texts too long for the parse cache, so that whatever a failed attempt made must be gone after it.
  const std::string padding(300, ' ');
  const unit_manager::StandardContext context("prefixable widget = 3 kg\nfurlong = 201.168 m");
  const std::unique_ptr<unit_manager::UnitParser> parser(context.createUnitParser());
  const UnitExpression ampere = UnitExpression::parse("A");
  const UnitExpression known = UnitExpression::parse("kg*m/s^2");
  struct Row {
    const char* what;
    // Makes an expression new to the process from k, and gives the text it must print.
    UnitExpression (*make)(const std::string& padding, const unit_manager::UnitParser& parser,
                           const UnitExpression& ampere, int k);
    std::string (*printed)(int k);
  };
  const Row rows[] = {
      {"parse",
       [](const std::string& pad, const unit_manager::UnitParser&, const UnitExpression&, int k) {
         return UnitExpression::parse("cd^" + std::to_string(k) + pad + "*mol/A^(1/3)");
       },
       [](int k) { return "cd^" + std::to_string(k) + "*mol/A^(1/3)"; }},
      {"parse with user units",
       [](const std::string& pad, const unit_manager::UnitParser& p, const UnitExpression&, int k) {
         return p.parse("mwidget^" + std::to_string(k) + pad + "/furlong");
       },
       [](int k) { return "mwidget^" + std::to_string(k) + "/furlong"; }},
      {"pow",
       [](const std::string&, const unit_manager::UnitParser&, const UnitExpression& a, int k) { return a.pow(k, 13); },
       [](int k) { return "A^(" + std::to_string(k) + "/13)"; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::size_t live = unit_manager::liveUnitExpressionCount();
    int k = 0;
    std::string printed;
    // Nothing inside an operation may record a test failure: its allocations would fail too.
    const int points = sweep(
        [&] {
          ++k;  // new on each attempt, so that every attempt makes nodes
          printed = row.make(padding, *parser, ampere, 13 * k + 1).convertToString();
        },
        [&](long n) {
          EXPECT_EQ(unit_manager::liveUnitExpressionCount(), live) << "allocation " << n;
          EXPECT_EQ(UnitExpression::parse("kg*m/s^2"), known) << "allocation " << n;
          EXPECT_EQ(UnitExpression::parse("kg*m/s^2").convertToString(), "kg*m/s^2") << "allocation " << n;
        });
    EXPECT_GE(points, 3);
    EXPECT_EQ(printed, row.printed(13 * k + 1));
  }
}

TEST(UnitAllocationFailure, AFailedDefineKeepsNothingOfTheText) {
  unit_manager::StandardContext context("lap = 400 m");
  const std::size_t units = context.units().size();
  const int points = sweep([&] { context.define("prefixable a1 = 1 m\nb1 = 2 ka1 # a comment"); },
                           [&](long n) {
                             EXPECT_EQ(context.units().size(), units) << "allocation " << n;
                             EXPECT_EQ(context.findUnit("ka1"), nullptr) << "allocation " << n;
                             EXPECT_NE(context.findUnit("lap"), nullptr) << "allocation " << n;
                           });
  EXPECT_GE(points, 10);
  ASSERT_NE(context.findUnit("b1"), nullptr);
  const std::unique_ptr<unit_manager::UnitParser> parser(context.createUnitParser());
  EXPECT_EQ(parser->parse("b1").getConversion(UnitExpression::parse("m")).scale, 2000.0);
}

}  // namespace
