// SPDX-License-Identifier: Apache-2.0
//
// Values of separate threads share nothing but the library's process-wide
// state: the lazily built operator tables, the unit manager's interned
// expressions and caches, the message catalogue and the allocator's counters.
// Four threads first evaluate every operator of every element type at the same
// moment, so that they race to build the tables, and then run many evaluations
// on values of their own. Built with ThreadSanitizer any race fails the run;
// in every build each thread's results must equal the single-threaded ones.
// This file is an executable of its own, so no earlier test has built a table.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/messageexception.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

constexpr int kThreads = 4;

const char* const kTypeNames[] = {"uchar", "double", "int", "uint", "char"};

// Every operator of every element type on operands read from text, each result or error identifier on a line.
std::string evaluateEverything() {
  std::string out;
  for (const char* type : kTypeNames) {
    const Value a(sorvexa_test::context(), std::string("[1,2;3,4]:km:") + type);
    const Value b(sorvexa_test::context(), std::string("[5,6;7,8]:m:") + type);
    const Value c(sorvexa_test::context(), "[2]:1:double");
    for (int op = 0; op < ValueOpId::NumValueOps; ++op) {
      for (const Value* second : {&b, &c}) {
        try {
          out += ValueOperator::call(static_cast<ValueOpId::Type>(op), a, *second).toString();
        } catch (const qtf::MessageException& e) {
          out += e.identifier();
        }
        out += '\n';
      }
    }
  }
  return out;
}

// Runs body on kThreads threads released at the same moment and returns what each returned.
template <typename Body>
std::vector<std::string> runTogether(Body body) {
  std::vector<std::string> results(kThreads);
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      waiting.fetch_sub(1);
      while (waiting.load() > 0) {
        std::this_thread::yield();
      }
      results[static_cast<std::size_t>(t)] = body(t);
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  return results;
}

TEST(Threads, FirstEvaluationsOfEveryElementTypeRaceToBuildTheTablesAndAgree) {
  const std::vector<std::string> results = runTogether([](int) { return evaluateEverything(); });
  const std::string expected = evaluateEverything();
  EXPECT_NE(expected.find("[5,12;21,32]:km*m:double"), std::string::npos);  // the tables were built and used
  for (const std::string& result : results) {
    EXPECT_EQ(result, expected);
  }
}

TEST(Threads, ManyEvaluationsOnSeparateValuesGiveTheSingleThreadedResults) {
  // Each thread runs an accumulation of its own: x <- x * 3 + step, per element type, in wrapping arithmetic.
  const auto accumulate = [](int t) {
    std::string out;
    for (const char* type : kTypeNames) {
      Value x(sorvexa_test::context(), "[" + std::to_string(t + 1) + "," + std::to_string(t + 2) + "]:1:" + type);
      const Value three(sorvexa_test::context(), std::string("[3]:1:") + type);
      for (int step = 0; step < 500; ++step) {
        const Value increment(sorvexa_test::context(), "[" + std::to_string(step % 7) + "]:1:" + type);
        x = ValueOperator::call(ValueOpId::Plus, ValueOperator::call(ValueOpId::Times, x, three), increment);
      }
      out += x.toString() + '\n';
    }
    return out;
  };
  const std::vector<std::string> results = runTogether(accumulate);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(results[static_cast<std::size_t>(t)], accumulate(t)) << "thread " << t;
  }
}

// Each thread keeps its own workspace for the blocked product: products of growing and shrinking sizes on all threads
// at once, so that workspaces are taken, grown and lent again concurrently, must give the single-threaded bits.
TEST(Threads, BlockedProductsOnEveryThreadGiveTheSingleThreadedBits) {
  const auto products = [](int t) {
    std::string out;
    for (const std::uint32_t n : {40U, 96U + static_cast<std::uint32_t>(t), 64U}) {
      std::vector<double> xs(static_cast<std::size_t>(n) * n);
      for (std::size_t i = 0; i < xs.size(); ++i)
        xs[i] = static_cast<double>((i * 7919 + static_cast<std::size_t>(t)) % 1000) / 7.0;
      const Value a = sorvexa_test::valueOf(qtf::DataTypeId::Double, qtf::Dimension(n, n), xs, "m");
      const Value p = ValueOperator::call(ValueOpId::MTimes, a, a);
      const auto* bytes = static_cast<const char*>(p.getGenericValue());
      out.append(bytes, xs.size() * sizeof(double));
    }
    return out;
  };
  const std::vector<std::string> results = runTogether(products);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(results[static_cast<std::size_t>(t)] == products(t)) << "thread " << t;
  }
}

}  // namespace
