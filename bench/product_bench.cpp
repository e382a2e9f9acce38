// SPDX-License-Identifier: Apache-2.0
//
// MTimes of n-by-n doubles (m times s, no scaling) at n = 64, 256, 512, 1024 and 2048, against the naive loop into a
// fresh zeroed result, both reporting GFLOP/s (2 n^3 floating-point operations per product).
//
// The baseline also checks, once and outside the timing, that the library's product equals its own result bit for
// bit: the counter bitwise_equal is 1 when it does and 0 when it does not. The naive loop at 1024 takes seconds, so
// it runs a single iteration from 512 up. Up to 1024 it runs in i-j-k order; at 2048, where that order would take
// about a minute, it forms the same sums in i-k-j order (counter ikj_order 1): every result element still receives
// its products in ascending k, added from zero, so the bits are the same while B is read along its rows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench_support.hpp"
#include "data_manager/valueoperator.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

void setFlops(benchmark::State& state, std::size_t n) {
  state.counters["GFLOP/s"] =
      benchmark::Counter(2.0 * static_cast<double>(n) * static_cast<double>(n) * static_cast<double>(n),
                         benchmark::Counter::kIsIterationInvariantRate);
}

Value productOf(std::uint32_t n, const std::vector<double>& a, const std::vector<double>& b) {
  return ValueOperator::call(ValueOpId::MTimes, bench::makeValue<double>(n, n, "m", a),
                             bench::makeValue<double>(n, n, "s", b));
}

void productBaseline(benchmark::State& state, std::uint32_t n) {
  const std::vector<double>& a = bench::cachedRandomNumbers<double>(static_cast<std::size_t>(n) * n, 1);
  const std::vector<double>& b = bench::cachedRandomNumbers<double>(static_cast<std::size_t>(n) * n, 2);
  std::vector<double> c;
  const bool ikj = n > 1024;
  for (auto _ : state) {
    c.assign(static_cast<std::size_t>(n) * n, 0.0);
    if (ikj) {
      for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < n; ++k) {
          const double x = a[i * n + k];
          for (std::size_t j = 0; j < n; ++j) c[i * n + j] += x * b[k * n + j];
        }
      }
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
          double sum = 0;
          for (std::size_t k = 0; k < n; ++k) {
            sum += a[i * n + k] * b[k * n + j];
          }
          c[i * n + j] = sum;
        }
      }
    }
    benchmark::DoNotOptimize(c.data());
  }
  setFlops(state, n);
  state.counters["ikj_order"] = ikj ? 1.0 : 0.0;
  const Value library = productOf(n, a, b);
  state.counters["bitwise_equal"] =
      std::memcmp(library.getGenericValue(), c.data(), c.size() * sizeof(double)) == 0 ? 1.0 : 0.0;
}

bool registerAll() {
  for (const std::uint32_t n : {64U, 256U, 512U, 1024U, 2048U}) {
    const std::string stem = "MTimes_double/" + std::to_string(n) + "x" + std::to_string(n);
    benchmark::RegisterBenchmark((stem + "/library").c_str(), [n](benchmark::State& s) {
      bench::productLibrary(s, n);
    })->Unit(benchmark::kMillisecond);
    benchmark::internal::Benchmark* baseline =
        benchmark::RegisterBenchmark((stem + "/baseline").c_str(), [n](benchmark::State& s) {
          productBaseline(s, n);
        })->Unit(benchmark::kMillisecond);
    if (n >= 512) {
      baseline->Iterations(1);
    }
  }
  return true;
}

const bool registered = registerAll();

}  // namespace
