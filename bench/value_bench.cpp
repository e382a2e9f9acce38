// SPDX-License-Identifier: Apache-2.0
//
// The text form: parsing and printing a 1000-by-1000 double matrix, against
// std::from_chars over the same text and std::to_chars of the same numbers
// with the same format. Inputs are varied decimals, not small integers, so
// neither side gets an easy number to read or write.
#include <benchmark/benchmark.h>

#include <charconv>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "unit_manager/context.hpp"

namespace {

constexpr int kRows = 1000;
constexpr int kColumns = 1000;

const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

std::vector<double> numbers() {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> magnitude(-1e4, 1e4);
  std::vector<double> out(kRows * kColumns);
  for (double& x : out) {
    x = magnitude(random);
  }
  return out;
}

const data_manager::Value& matrix() {
  static const data_manager::Value value(context(), data_manager::ValueTraitId::Resolved, qtf::DataTypeId::Double,
                                         qtf::Dimension(kRows, kColumns), unit_manager::UnitExpression::parse("m"),
                                         numbers().data());
  return value;
}

const std::string& text() {
  static const std::string printed = matrix().toString();
  return printed;
}

void parseLibrary(benchmark::State& state) {
  for (auto _ : state) {
    data_manager::Value v(context(), text());
    benchmark::DoNotOptimize(v.getGenericValue());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}

// The same digits read with std::from_chars into a fresh buffer, the separators skipped.
void parseBaseline(benchmark::State& state) {
  const std::string& t = text();
  for (auto _ : state) {
    std::vector<double> out(kRows * kColumns);
    const char* p = t.data() + 1;
    const char* end = t.data() + t.find(']');
    std::size_t i = 0;
    while (p < end) {
      p = std::from_chars(p, end, out[i++]).ptr + 1;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(t.size()));
}

void printLibrary(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = matrix().toString();
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}

// std::to_chars in the stream's default format (6 significant digits), with the same separators.
void printBaseline(benchmark::State& state) {
  const auto* x = static_cast<const double*>(matrix().getGenericValue());
  for (auto _ : state) {
    std::string s(static_cast<std::size_t>(kRows) * kColumns * 16, '\0');
    char* p = s.data();
    for (int i = 0; i < kRows * kColumns; ++i) {
      p = std::to_chars(p, p + 32, x[i], std::chars_format::general, 6).ptr;
      *p++ = ',';
    }
    s.resize(static_cast<std::size_t>(p - s.data()));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}

BENCHMARK(parseLibrary)->Name("TextParse/1000x1000/library")->Unit(benchmark::kMillisecond);
BENCHMARK(parseBaseline)->Name("TextParse/1000x1000/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(printLibrary)->Name("TextPrint/1000x1000/library")->Unit(benchmark::kMillisecond);
BENCHMARK(printBaseline)->Name("TextPrint/1000x1000/baseline")->Unit(benchmark::kMillisecond);

}  // namespace
