// SPDX-License-Identifier: Apache-2.0
//
// vertcat of 100 1-by-1000 double rows in two commensurate units (m and km,
// alternating, so half the rows are scaled), against a plain copy of the same
// bytes into a fresh buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "unit_manager/context.hpp"

namespace {

using data_manager::Value;

constexpr std::uint32_t kRows = 100;
constexpr std::uint32_t kColumns = 1000;

const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

std::vector<Value> rows() {
  std::vector<double> data(kColumns);
  for (std::uint32_t j = 0; j < kColumns; ++j) {
    data[j] = 0.5 * j;
  }
  std::vector<Value> out;
  for (std::uint32_t i = 0; i < kRows; ++i) {
    out.emplace_back(context(), data_manager::ValueTraitId::Resolved, qtf::DataTypeId::Double,
                     qtf::Dimension(1, kColumns), unit_manager::UnitExpression::parse(i % 2 == 0 ? "m" : "km"),
                     data.data());
  }
  return out;
}

void vertcatLibrary(benchmark::State& state) {
  const std::vector<Value> operands = rows();
  for (auto _ : state) {
    Value r = data_manager::vertcat(operands);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  state.SetBytesProcessed(state.iterations() * kRows * kColumns * static_cast<std::int64_t>(sizeof(double)));
}

void vertcatBaseline(benchmark::State& state) {
  const std::vector<Value> operands = rows();
  for (auto _ : state) {
    std::unique_ptr<double[]> r(new double[kRows * kColumns]);
    for (std::uint32_t i = 0; i < kRows; ++i) {
      std::memcpy(r.get() + i * kColumns, operands[i].getGenericValue(), kColumns * sizeof(double));
    }
    benchmark::DoNotOptimize(r.get());
  }
  state.SetBytesProcessed(state.iterations() * kRows * kColumns * static_cast<std::int64_t>(sizeof(double)));
}

BENCHMARK(vertcatLibrary)->Name("Vertcat_double/100x1000_m_km/library")->Unit(benchmark::kMicrosecond);
BENCHMARK(vertcatBaseline)->Name("Vertcat_double/100x1000_m_km/baseline")->Unit(benchmark::kMicrosecond);

}  // namespace
