// SPDX-License-Identifier: Apache-2.0
//
// Operators: a 1-by-1 Plus (the cost of dispatch, unit propagation and the
// result value), Plus of 1000-by-1000 doubles in m and km (one scaled pass),
// and MTimes of 512-by-512 doubles. Baselines: a plain loop into a freshly
// allocated buffer, and the naive i-j-k product; each runs in the same process.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "unit_manager/context.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

std::vector<double> randomNumbers(std::size_t n, unsigned seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> distribution(-1.0, 1.0);
  std::vector<double> out(n);
  for (double& x : out) {
    x = distribution(random);
  }
  return out;
}

Value doubles(std::uint32_t m, std::uint32_t n, const char* unit, unsigned seed) {
  const std::vector<double> data = randomNumbers(static_cast<std::size_t>(m) * n, seed);
  return Value(context(), data_manager::ValueTraitId::Resolved, qtf::DataTypeId::Double, qtf::Dimension(m, n),
               unit_manager::UnitExpression::parse(unit), data.data());
}

void scalarPlusLibrary(benchmark::State& state) {
  const Value a = doubles(1, 1, "m", 1);
  const Value b = doubles(1, 1, "m", 2);
  for (auto _ : state) {
    Value r = ValueOperator::call(ValueOpId::Plus, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
}

// The least a scalar add with a result on the heap costs: one allocation, one add, one free.
void scalarPlusBaseline(benchmark::State& state) {
  const double a = 0.25;
  const double b = 0.5;
  for (auto _ : state) {
    std::unique_ptr<double> r(new double(a + b));
    benchmark::DoNotOptimize(r.get());
  }
}

void scaledPlusLibrary(benchmark::State& state) {
  const Value a = doubles(1000, 1000, "m", 1);
  const Value b = doubles(1000, 1000, "km", 2);
  for (auto _ : state) {
    Value r = ValueOperator::call(ValueOpId::Plus, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  state.SetBytesProcessed(state.iterations() * 3 * 1000000 * static_cast<std::int64_t>(sizeof(double)));
}

void scaledPlusBaseline(benchmark::State& state) {
  const std::vector<double> a = randomNumbers(1000000, 1);
  const std::vector<double> b = randomNumbers(1000000, 2);
  for (auto _ : state) {
    std::unique_ptr<double[]> c(new double[1000000]);
    for (std::size_t i = 0; i < 1000000; ++i) {
      c[i] = a[i] + 1000 * b[i];
    }
    benchmark::DoNotOptimize(c.get());
  }
  state.SetBytesProcessed(state.iterations() * 3 * 1000000 * static_cast<std::int64_t>(sizeof(double)));
}

constexpr std::uint32_t kProductSize = 512;

void productLibrary(benchmark::State& state) {
  const Value a = doubles(kProductSize, kProductSize, "m", 1);
  const Value b = doubles(kProductSize, kProductSize, "s", 2);
  for (auto _ : state) {
    Value r = ValueOperator::call(ValueOpId::MTimes, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  state.counters["GFLOP/s"] = benchmark::Counter(2.0 * kProductSize * kProductSize * kProductSize,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void productBaseline(benchmark::State& state) {
  const std::size_t n = kProductSize;
  const std::vector<double> a = randomNumbers(n * n, 1);
  const std::vector<double> b = randomNumbers(n * n, 2);
  for (auto _ : state) {
    std::vector<double> c(n * n);
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        double sum = 0;
        for (std::size_t k = 0; k < n; ++k) {
          sum += a[i * n + k] * b[k * n + j];
        }
        c[i * n + j] = sum;
      }
    }
    benchmark::DoNotOptimize(c.data());
  }
  state.counters["GFLOP/s"] = benchmark::Counter(2.0 * kProductSize * kProductSize * kProductSize,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(scalarPlusLibrary)->Name("Plus_double/1x1/library");
BENCHMARK(scalarPlusBaseline)->Name("Plus_double/1x1/baseline");
BENCHMARK(scaledPlusLibrary)->Name("Plus_double/1000x1000_m_km/library")->Unit(benchmark::kMicrosecond);
BENCHMARK(scaledPlusBaseline)->Name("Plus_double/1000x1000_m_km/baseline")->Unit(benchmark::kMicrosecond);
BENCHMARK(productLibrary)->Name("MTimes_double/512x512/library")->Unit(benchmark::kMillisecond);
BENCHMARK(productBaseline)->Name("MTimes_double/512x512/baseline")->Unit(benchmark::kMillisecond);

}  // namespace
