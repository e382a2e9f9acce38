// SPDX-License-Identifier: Apache-2.0
//
// Elementwise Plus over large operands, each call making a fresh result value: 1e6 and 1e7 doubles in equal units
// (m + m) and with the second operand scaled (m + km, a + 1000 * b), and wrapping Plus on 1e7 elements of the
// integer types (uchar, char, int, uint).
//
// Baseline: a plain C++ loop doing the same arithmetic into a freshly allocated, uninitialised buffer, measured in the
// same process, so both sides pay for the page faults of a new result. bytes_per_second counts the two operands read
// and the result written.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "data_manager/valueoperator.hpp"

namespace {

using bench::TypeId;
using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

constexpr std::uint32_t kColumns = 1000;

void setBytes(benchmark::State& state, std::size_t n, std::size_t elementSize) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 3 * static_cast<std::int64_t>(n) *
                          static_cast<std::int64_t>(elementSize));
}

template <typename T>
void plusLibrary(benchmark::State& state, std::uint32_t rows, const char* secondUnit) {
  const Value a = bench::randomValue<T>(rows, kColumns, "m", 1);
  const Value b = bench::randomValue<T>(rows, kColumns, secondUnit, 2);
  for (auto _ : state) {
    Value r = ValueOperator::call(ValueOpId::Plus, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  setBytes(state, static_cast<std::size_t>(rows) * kColumns, sizeof(T));
}

// factor is the scale of the second operand (1 in equal units, 1000 for km into m).
template <typename T>
void plusBaseline(benchmark::State& state, std::uint32_t rows, T factor) {
  const std::size_t n = static_cast<std::size_t>(rows) * kColumns;
  const std::vector<T>& a = bench::cachedRandomNumbers<T>(n, 1);
  const std::vector<T>& b = bench::cachedRandomNumbers<T>(n, 2);
  const T* pa = a.data();
  const T* pb = b.data();
  for (auto _ : state) {
    std::unique_ptr<T[]> c = bench::freshBuffer<T>(n);
    T* pc = c.get();
    if (factor == T(1)) {
      for (std::size_t i = 0; i < n; ++i) {
        pc[i] = bench::wrappingAdd(pa[i], pb[i]);
      }
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        pc[i] = bench::wrappingAdd(pa[i], bench::wrappingMultiply(factor, pb[i]));
      }
    }
    benchmark::DoNotOptimize(pc);
    benchmark::ClobberMemory();
  }
  setBytes(state, n, sizeof(T));
}

template <typename T>
void registerPlus(const std::string& size, std::uint32_t rows, bool scaled) {
  const std::string stem = std::string("Plus_") + TypeId<T>::name + "/" + size + (scaled ? "_m_km" : "_m_m");
  benchmark::RegisterBenchmark((stem + "/library").c_str(), [rows, scaled](benchmark::State& s) {
    plusLibrary<T>(s, rows, scaled ? "km" : "m");
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark((stem + "/baseline").c_str(), [rows, scaled](benchmark::State& s) {
    plusBaseline<T>(s, rows, T(scaled ? 1000 : 1));
  })->Unit(benchmark::kMicrosecond);
}

bool registerAll() {
  registerPlus<double>("1e6", 1000, false);
  registerPlus<double>("1e6", 1000, true);
  registerPlus<double>("1e7", 10000, false);
  registerPlus<double>("1e7", 10000, true);
  registerPlus<unsigned char>("1e7", 10000, false);
  registerPlus<char>("1e7", 10000, false);
  registerPlus<int>("1e7", 10000, false);
  registerPlus<unsigned int>("1e7", 10000, false);
  return true;
}

const bool registered = registerAll();

}  // namespace
