// SPDX-License-Identifier: Apache-2.0
//
// Unit-expression memory: expressions nobody holds are freed, caches keep only a bounded number alive, the limit on
// live expressions fails cleanly and recovers, and nothing that a freed expression left behind answers for a new one.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::UnitExpression;

// What the unit manager's caches may keep alive on their own: the parse cache's texts, two nodes each (printed and
// sorted forms), and the product cache of the calling thread.
constexpr std::size_t kCacheAllowance = 2 * 4096 + 2 * 256;

std::string distinctText(int i, int j) { return "m^" + std::to_string(i) + "*s^" + std::to_string(j); }

// Restores the live-expression limit however a test ends.
struct LimitGuard {
  explicit LimitGuard(std::size_t limit) : previous(unit_manager::setMaxLiveUnitExpressions(limit)) {}
  ~LimitGuard() { unit_manager::setMaxLiveUnitExpressions(previous); }
  LimitGuard(const LimitGuard&) = delete;
  LimitGuard& operator=(const LimitGuard&) = delete;
  std::size_t previous;
};

TEST(UnitMemory, DroppedExpressionsAreFreedWhateverMadeThem) {
  struct Row {
    const char* how;
    UnitExpression (*make)(int i, int j);
  };
  const Row rows[] = {
      {"parsed", [](int i, int j) { return UnitExpression::parse(distinctText(i, j)); }},
      {"pow and times",
       [](int i, int j) { return UnitExpression::parse("m").pow(i, 1) * UnitExpression::parse("s").pow(j, 1); }},
      {"quotient of powers",
       [](int i, int j) { return UnitExpression::parse("s").pow(j, 3) / UnitExpression::parse("kg").pow(i, 1); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    const std::size_t before = unit_manager::liveUnitExpressionCount();
    // In a thread of its own, whose product cache is released when it ends.
    std::string lastText;
    std::thread worker([&] {
      for (int i = 1; i <= 250; ++i) {
        for (int j = 1; j <= 200; ++j) {
          const UnitExpression u = row.make(i, j);
          if (i == 250 && j == 200) lastText = u.convertToString();
        }
      }
    });
    worker.join();
    EXPECT_FALSE(lastText.empty());
    // 50000 distinct expressions were made; at most the parse cache's share stays.
    EXPECT_LE(unit_manager::liveUnitExpressionCount(), before + kCacheAllowance);
  }
}

TEST(UnitMemory, ExpressionsBuiltByOperatorsLeaveNothingOnceTheThreadEnds) {
  const UnitExpression metre = UnitExpression::parse("m");
  const UnitExpression second = UnitExpression::parse("s");
  const std::size_t before = unit_manager::liveUnitExpressionCount();
  std::thread worker([&] {
    for (int i = 1; i <= 300; ++i) {
      for (int j = 1; j <= 100; ++j) {
        const UnitExpression u = metre.pow(i, 1) * second.pow(-j, 1);
        const UnitExpression back = u / second.pow(-j, 1);
        if (back != metre.pow(i, 1)) ADD_FAILURE() << i << " " << j;
      }
    }
  });
  worker.join();
  EXPECT_EQ(unit_manager::liveUnitExpressionCount(), before);
}

TEST(UnitMemory, HeldExpressionsSurviveCacheTurnoverAndStayEqualToAReparse) {
  std::vector<UnitExpression> held;
  std::vector<std::string> texts;
  for (int k = 1; k <= 50; ++k) {
    texts.push_back("kg^(" + std::to_string(k) + "/53)*cd");
    held.push_back(UnitExpression::parse(texts.back()));
  }
  for (int i = 0; i < 20000; ++i) UnitExpression::parse(distinctText(i % 400 + 1, i / 400 + 300));
  for (std::size_t k = 0; k < held.size(); ++k) {
    EXPECT_EQ(held[k], UnitExpression::parse(texts[k])) << texts[k];
    EXPECT_EQ(held[k].convertToString(), texts[k]);
  }
}

// Freed nodes' addresses are reused by new ones; a conversion or product remembered for a freed node must never be
// given for a new node at the same address.
TEST(UnitMemory, RememberedConversionsAndProductsNeverOutliveTheirExpressions) {
  const UnitExpression second = UnitExpression::parse("s");
  for (int round = 0; round < 400; ++round) {
    const int p = round % 5 + 1;
    const int q = round % 7 + 1;
    const std::string distinct = "*mol^" + std::to_string(round + 1);
    const UnitExpression from = UnitExpression::parse("km^" + std::to_string(p) + "*h^" + std::to_string(q) + distinct);
    const UnitExpression to = UnitExpression::parse("m^" + std::to_string(p) + "*s^" + std::to_string(q) + distinct);
    const double expected = std::pow(1000.0, p) * std::pow(3600.0, q);
    EXPECT_NEAR(from.getConversion(to).scale / expected, 1.0, 1e-12) << round;
    const UnitExpression product = to * second;
    EXPECT_EQ(product, UnitExpression::parse("m^" + std::to_string(p) + "*s^" + std::to_string(q + 1) + distinct))
        << round;
  }
}

TEST(UnitMemory, TheLiveExpressionLimitFailsCleanlyAndRecovers) {
  const UnitExpression known = UnitExpression::parse("kg*m/s^2");
  std::vector<UnitExpression> held;
  {
    const LimitGuard guard(unit_manager::liveUnitExpressionCount() + 20);
    std::vector<std::string> failure;
    // Up to the limit, less what the parse cache lets go of once it is reached.
    for (int i = 1; i <= 3 * 4096 && failure.empty(); ++i) {
      failure = sorvexa_test::thrownMessage([&] { held.push_back(UnitExpression::parse("mol^" + std::to_string(i))); });
    }
    ASSERT_FALSE(failure.empty());
    EXPECT_GE(held.size(), 20u);
    EXPECT_EQ(failure[0], "unit_manager:unit:TooManyUnitExpressions");
    EXPECT_EQ(failure[1], std::to_string(unit_manager::maxLiveUnitExpressions()));
    EXPECT_EQ(failure[2], "mol^" + std::to_string(held.size() + 1));
    // Operators fail the same way, and what exists already can still be reached.
    EXPECT_THROW_ID(UnitExpression::parse("cd").pow(7, 3), "unit_manager:unit:TooManyUnitExpressions");
    EXPECT_EQ(UnitExpression::parse("kg*m/s^2"), known);
    EXPECT_EQ(UnitExpression::parse("mol^1"), held.at(0));
    // Dropping expressions makes room again.
    held.clear();
    EXPECT_EQ(UnitExpression::parse("mol^3/cd").convertToString(), "mol^3/cd");
  }
  EXPECT_EQ(UnitExpression::parse("kg*m/s^2"), known);
  EXPECT_EQ(unit_manager::maxLiveUnitExpressions(), unit_manager::kDefaultMaxLiveUnitExpressions);
}

}  // namespace
