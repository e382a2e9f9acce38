// SPDX-License-Identifier: Apache-2.0
//
// Concatenation of double values into a 1000-by-1000 result (1e6 elements, bytes_per_second counting the result):
// vertcat of 1000 1-by-1000 rows and horzcat of 100 1000-by-10 blocks, once in one unit (m) and once in two
// commensurate units alternating (m and km, so that half the operands are scaled by 1000 into the leading m); and
// vertcat of 1000 1-by-1 values into a column, where the per-operand cost dominates.
//
// Baseline: a plain loop copying (or scaling) the operands' elements into a freshly allocated buffer at the places
// the result gives them, measured in the same process.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.hpp"

namespace {

using data_manager::Value;

constexpr std::uint32_t kSide = 1000;

struct Layout {
  std::uint32_t count;    // operands
  std::uint32_t rows;     // of each operand
  std::uint32_t columns;  // of each operand
  bool vertical;
};

constexpr Layout kRowsLayout{1000, 1, kSide, true};
constexpr Layout kBlocksLayout{100, kSide, 10, false};
constexpr Layout kScalarsLayout{1000, 1, 1, true};

std::vector<Value> operands(const Layout& layout, bool mixedUnits) {
  std::vector<Value> out;
  out.reserve(layout.count);
  for (std::uint32_t i = 0; i < layout.count; ++i) {
    out.push_back(bench::randomValue<double>(layout.rows, layout.columns, mixedUnits && i % 2 == 1 ? "km" : "m", i));
  }
  return out;
}

std::int64_t resultBytes(const Layout& layout) {
  return static_cast<std::int64_t>(layout.count) * layout.rows * layout.columns *
         static_cast<std::int64_t>(sizeof(double));
}

void catLibrary(benchmark::State& state, const Layout& layout, bool mixedUnits) {
  const std::vector<Value> values = operands(layout, mixedUnits);
  for (auto _ : state) {
    Value r = layout.vertical ? data_manager::vertcat(values) : data_manager::horzcat(values);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  state.SetBytesProcessed(state.iterations() * resultBytes(layout));
}

// Every operand's rows placed at their offset in the result, each element of a km operand multiplied by 1000.
void catBaseline(benchmark::State& state, const Layout& layout, bool mixedUnits) {
  const std::vector<Value> values = operands(layout, mixedUnits);
  const std::size_t resultColumns =
      layout.vertical ? layout.columns : static_cast<std::size_t>(layout.count) * layout.columns;
  for (auto _ : state) {
    std::unique_ptr<double[]> r =
        bench::freshBuffer<double>(static_cast<std::size_t>(resultBytes(layout)) / sizeof(double));
    for (std::uint32_t v = 0; v < layout.count; ++v) {
      const auto* source = static_cast<const double*>(values[v].getGenericValue());
      const bool scaled = mixedUnits && v % 2 == 1;
      for (std::uint32_t i = 0; i < layout.rows; ++i) {
        double* target = layout.vertical ? r.get() + (static_cast<std::size_t>(v) * layout.rows + i) * resultColumns
                                         : r.get() + static_cast<std::size_t>(i) * resultColumns +
                                               static_cast<std::size_t>(v) * layout.columns;
        const double* row = source + static_cast<std::size_t>(i) * layout.columns;
        if (scaled) {
          for (std::uint32_t j = 0; j < layout.columns; ++j) {
            target[j] = 1000 * row[j];
          }
        } else {
          std::memcpy(target, row, layout.columns * sizeof(double));
        }
      }
    }
    benchmark::DoNotOptimize(r.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * resultBytes(layout));
}

void registerPair(const std::string& stem, const Layout& layout, bool mixedUnits) {
  benchmark::RegisterBenchmark((stem + "/library").c_str(), [layout, mixedUnits](benchmark::State& s) {
    catLibrary(s, layout, mixedUnits);
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark((stem + "/baseline").c_str(), [layout, mixedUnits](benchmark::State& s) {
    catBaseline(s, layout, mixedUnits);
  })->Unit(benchmark::kMicrosecond);
}

bool registerAll() {
  registerPair("Vertcat_double/1000_of_1x1000_m_m", kRowsLayout, false);
  registerPair("Vertcat_double/1000_of_1x1000_m_km", kRowsLayout, true);
  registerPair("Horzcat_double/100_of_1000x10_m_m", kBlocksLayout, false);
  registerPair("Horzcat_double/100_of_1000x10_m_km", kBlocksLayout, true);
  registerPair("Vertcat_double/1000_of_1x1_m_m", kScalarsLayout, false);
  return true;
}

const bool registered = registerAll();

}  // namespace
