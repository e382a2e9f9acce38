// SPDX-License-Identifier: Apache-2.0
//
// The text form: parsing and printing a 1000-by-1000 double matrix, against
// std::from_chars over the same text and std::to_chars of the same numbers
// with the same format. Inputs are varied decimals, not small integers, so
// neither side gets an easy number to read or write.
//
// The printing benchmark also checks, once and outside the timing, that the
// library's text is exactly what an std::ostream in its default format writes
// for the same numbers, non-finite values, signed zeros and subnormals
// included: the counter same_as_ostream is 1 when it is and 0 when it is not.
#include <benchmark/benchmark.h>

#include <charconv>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
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

// The text form of a rows-by-columns double matrix in unit m as an std::ostream writes each element by default.
std::string streamText(const double* x, int rows, int columns) {
  std::ostringstream out;
  out << '[';
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) {
      if (j > 0) {
        out << ',';
      }
      out << x[i * columns + j];
    }
    if (i + 1 < rows) {
      out << ';';
    }
  }
  out << "]:m:double";
  return out.str();
}

bool printsAsStream() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> special{
      inf,      -inf,    nan,          -nan, 0.0,  -0.0, 1e-310, 5e-324,   1.7976931348623157e308,
      123456.5, 1234567, 0.0001234565, 1e-5, 1e21, -2.5, 100000, 999999.5, 0.1};
  const data_manager::Value value(context(), data_manager::ValueTraitId::Resolved, qtf::DataTypeId::Double,
                                  qtf::Dimension(3, 6), unit_manager::UnitExpression::parse("m"), special.data());
  const auto* x = static_cast<const double*>(matrix().getGenericValue());
  return value.toString() == streamText(special.data(), 3, 6) && text() == streamText(x, kRows, kColumns);
}

void printLibrary(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = matrix().toString();
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
  static const bool same = printsAsStream();  // once per process: it streams a million numbers
  state.counters["same_as_ostream"] = same ? 1.0 : 0.0;
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
