// SPDX-License-Identifier: Apache-2.0
//
// How the cost of a call grows with the size of its work, for bench/compare/scaling.py:
// - Scaling_Plus/<n>/library: elementwise Plus of two 1-by-n double rows in m and km (the km operand is scaled by
//   1000 into m), n from 1 to 1e8; Scaling_Plus/<n>/baseline: the same arithmetic as a plain C++ loop into a fresh
//   buffer.
// - Scaling_MTimes/<n>/library: MTimes of n-by-n doubles (m times s), n from 8 to 2048, with GFLOP/s.
// Not named *_bench, so ./build.sh bench leaves it to the script, which runs it with a filter per size range.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "data_manager/valueoperator.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

// 1, 3, 10, 30, ... 1e8: two points a decade, even on a log axis.
std::vector<std::uint32_t> plusSizes() {
  std::vector<std::uint32_t> sizes;
  for (std::uint32_t decade = 1; decade <= 100000000U; decade *= 10) {
    sizes.push_back(decade);
    if (decade < 100000000U) {
      sizes.push_back(3 * decade);
    }
  }
  return sizes;
}

void plusLibrary(benchmark::State& state, std::uint32_t n) {
  const Value a = bench::randomValue<double>(1, n, "m", 1);
  const Value b = bench::randomValue<double>(1, n, "km", 2);
  for (auto _ : state) {
    Value r = ValueOperator::call(ValueOpId::Plus, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

void plusBaseline(benchmark::State& state, std::uint32_t n) {
  const double* pa = bench::cachedRandomNumbers<double>(n, 1).data();
  const double* pb = bench::cachedRandomNumbers<double>(n, 2).data();
  for (auto _ : state) {
    std::unique_ptr<double[]> c = bench::freshBuffer<double>(n);
    double* pc = c.get();
    for (std::size_t i = 0; i < n; ++i) {
      pc[i] = pa[i] + 1000.0 * pb[i];
    }
    benchmark::DoNotOptimize(pc);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

bool registerAll() {
  for (const std::uint32_t n : plusSizes()) {
    const std::string stem = "Scaling_Plus/" + std::to_string(n);
    benchmark::RegisterBenchmark((stem + "/library").c_str(), [n](benchmark::State& s) { plusLibrary(s, n); });
    benchmark::RegisterBenchmark((stem + "/baseline").c_str(), [n](benchmark::State& s) { plusBaseline(s, n); });
  }
  for (std::uint32_t n = 8; n <= 2048; n *= 2) {
    benchmark::RegisterBenchmark(("Scaling_MTimes/" + std::to_string(n) + "/library").c_str(),
                                 [n](benchmark::State& s) { bench::productLibrary(s, n); });
  }
  return true;
}

const bool registered = registerAll();

}  // namespace
