// SPDX-License-Identifier: Apache-2.0
//
// Parsing, interning, printing and propagation from several threads at once: every thread must see the same interned
// expressions, texts and factors.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "unit_manager/context.hpp"

namespace {

using unit_manager::PropagateOperandInfo;
using unit_manager::UnitExpression;

TEST(Concurrency, ThreadsInternTheSameExpressionsAndFactors) {
  constexpr int kThreads = 4;
  constexpr int kTexts = 300;
  const unit_manager::StandardContext context;
  std::vector<std::vector<UnitExpression>> seen(kThreads);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kTexts; ++k) {
        // Texts no other test uses, so that threads race to create the same new nodes.
        const int j = (k * 7 + t * 13) % kTexts;
        const UnitExpression u = UnitExpression::parse("kg^(" + std::to_string(j + 1) + "/11)*mol/cd");
        seen[static_cast<std::size_t>(t)].push_back(u);
        // Threads also race to print the new node's text for the first time.
        const int p = j + 1;
        const std::string power = p % 11 != 0 ? "^(" + std::to_string(p) + "/11)"
                                  : p == 11   ? std::string()
                                              : "^" + std::to_string(p / 11);
        if (u.convertToString() != "kg" + power + "*mol/cd") ++failures[static_cast<std::size_t>(t)];
        const std::vector<PropagateOperandInfo> operands{{u, false, 1.0},
                                                         {u * UnitExpression::parse("g/kg"), false, 1.0}};
        std::vector<double> factors(2, 0.0);
        const UnitExpression result = context.propagationRule(2)->propagate(operands, factors);
        if (result != u || factors[0] != 1.0 || factors[1] != 0.001) ++failures[static_cast<std::size_t>(t)];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], 0) << "thread " << t;
  for (int k = 0; k < kTexts; ++k) {
    const UnitExpression expected = UnitExpression::parse("kg^(" + std::to_string(k + 1) + "/11)*mol/cd");
    for (int t = 0; t < kThreads; ++t) {
      int count = 0;
      for (const UnitExpression& u : seen[static_cast<std::size_t>(t)]) count += u == expected ? 1 : 0;
      EXPECT_EQ(count, 1) << "thread " << t << " text " << k;
    }
  }
}

// Texts too long for the parse cache are interned on every parse, and dropped at once, so threads keep finding nodes
// in the intern table while other threads drop their last handle: each must get a live node, equal to what it holds.
TEST(Concurrency, NodesDyingOnOneThreadWhileAnotherFindsThem) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;
  const std::string padding(300, ' ');
  std::vector<std::string> texts;
  std::vector<std::string> printed;
  for (int k = 2; k <= 5; ++k) {
    texts.push_back("mol^" + std::to_string(k) + padding + "*cd^(1/7)");
    printed.push_back("mol^" + std::to_string(k) + "*cd^(1/7)");
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r) {
        const std::size_t k = static_cast<std::size_t>(r + t) % texts.size();
        const UnitExpression first = UnitExpression::parse(texts[k]);
        const UnitExpression second = UnitExpression::parse(texts[k]);
        if (first != second || first.convertToString() != printed[k] || second.convertToString() != printed[k]) {
          ++failures[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], 0) << "thread " << t;
}

}  // namespace
