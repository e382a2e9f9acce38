// SPDX-License-Identifier: Apache-2.0
//
// Unit manager hot paths: parsing a unit text that was seen before (the parse cache), parsing one that was not (the
// full grammar, then a lookup of an existing node), and propagation rule 2 on equal and on convertible units, which
// every Plus on a 1x1 value pays, and rule 5, which Times pays. Each has a trivial baseline next to it so that a ratio
// can be read: std::hash of the same text for parsing (the least a cache lookup by text costs), a double division for
// propagation. Node creation is left out: it happens once per distinct expression in a process (first_unit_parse
// measures that first parse in a fresh process).
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::PropagateOperandInfo;
using unit_manager::UnitExpression;

void Baseline_HashText(benchmark::State& state) {
  const std::string text = "kg*m/s^2";
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::hash<std::string>{}(text));
  }
}
BENCHMARK(Baseline_HashText)->Name("UnitParse/repeated/baseline");

void Parse_Repeated(benchmark::State& state) {
  const std::string text = "kg*m/s^2";
  for (auto _ : state) {
    UnitExpression u = UnitExpression::parse(text);
    benchmark::DoNotOptimize(u);
  }
}
BENCHMARK(Parse_Repeated)->Name("UnitParse/repeated/library");

// More distinct spellings of kg*m/s^2 than the parse cache keeps, so every parse runs the grammar.
std::vector<std::string> distinctTexts() {
  std::vector<std::string> texts;
  const char* tokens[] = {"kg", "*", "m", "/", "s", "^", "2"};
  for (int variant = 0; variant < 8192; ++variant) {
    std::string text;
    for (int t = 0; t < 7; ++t) {
      text += tokens[t];
      text.append(static_cast<std::size_t>((variant >> (2 * t)) & 3), ' ');
    }
    texts.push_back(text);
  }
  return texts;
}

void Parse_Uncached(benchmark::State& state) {
  const std::vector<std::string> texts = distinctTexts();
  std::size_t next = 0;
  for (auto _ : state) {
    UnitExpression u = UnitExpression::parse(texts[next]);
    benchmark::DoNotOptimize(u);
    next = next + 1 == texts.size() ? 0 : next + 1;
  }
}
BENCHMARK(Parse_Uncached)->Name("UnitParse/distinct/library");

void Baseline_HashDistinctText(benchmark::State& state) {
  const std::vector<std::string> texts = distinctTexts();
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::hash<std::string>{}(texts[next]));
    next = next + 1 == texts.size() ? 0 : next + 1;
  }
}
BENCHMARK(Baseline_HashDistinctText)->Name("UnitParse/distinct/baseline");

void Baseline_DoubleDivision(benchmark::State& state) {
  double a = 1000.0;
  double b = 3.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    double c = a / b;
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(Baseline_DoubleDivision)->Name("Propagate/rule2_m_m/baseline");
BENCHMARK(Baseline_DoubleDivision)->Name("Propagate/rule2_m_km/baseline");
BENCHMARK(Baseline_DoubleDivision)->Name("Propagate/rule5_times/baseline");

void propagate(benchmark::State& state, int index, const char* first, const char* second) {
  const unit_manager::StandardContext context;
  const std::vector<PropagateOperandInfo> operands{{UnitExpression::parse(first), false, 1.0},
                                                   {UnitExpression::parse(second), false, 1.0}};
  std::vector<double> factors(2, 0.0);
  const unit_manager::UnitPropagationRule* rule = context.propagationRule(index);
  for (auto _ : state) {
    UnitExpression result = rule->propagate(operands, factors);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(factors.data());
  }
}

void Propagate_Rule2_SameUnit(benchmark::State& state) {
  propagate(state, unit_manager::PropagationRuleId::Additive, "m", "m");
}
BENCHMARK(Propagate_Rule2_SameUnit)->Name("Propagate/rule2_m_m/library");

void Propagate_Rule2_Convert(benchmark::State& state) {
  propagate(state, unit_manager::PropagationRuleId::Additive, "m", "km");
}
BENCHMARK(Propagate_Rule2_Convert)->Name("Propagate/rule2_m_km/library");

void Propagate_Rule5_Times(benchmark::State& state) {
  propagate(state, unit_manager::PropagationRuleId::Product, "kg*m", "1/s^2");
}
BENCHMARK(Propagate_Rule5_Times)->Name("Propagate/rule5_times/library");

}  // namespace
