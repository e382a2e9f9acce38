// SPDX-License-Identifier: Apache-2.0
//
// What a unit costs the first time a process meets it, which a Google Benchmark loop cannot show: run once per fresh
// process (the comparison script starts it several times and keeps the best), it prints one line of JSON with
//   init_ns            the process's first parse ("m"), which sets up whatever the unit manager builds lazily;
//   warm_ns            the parse of each text given as an argument, in order (none by default: with one such as
//                      "g*cm/h^3" the parser's code has run once before the measured parse, which then measures the
//                      text and its expression being new rather than the process being new);
//   first_ns           the first parse of "kg*m/s^2";
//   again_ns           a parse of the same text once more (mean of 1000);
//   first_propagate_ns the first propagation of m + km (rule 2) in the process;
//   again_propagate_ns the same propagation once more (mean of 1000).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using unit_manager::UnitExpression;

double nanoseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

volatile std::size_t gSink = 0;

void keep(const UnitExpression& u) { gSink = gSink + u.convertToString().size(); }

}  // namespace

int main(int argc, char** argv) {
  const std::string simple = "m";
  const std::string text = "kg*m/s^2";
  constexpr int kRepeats = 1000;

  Clock::time_point t0 = Clock::now();
  const UnitExpression metre = UnitExpression::parse(simple);
  Clock::time_point t1 = Clock::now();
  const double initNs = nanoseconds(t0, t1);
  keep(metre);

  std::string warm;
  for (int i = 1; i < argc; ++i) {
    t0 = Clock::now();
    const UnitExpression other = UnitExpression::parse(argv[i]);
    t1 = Clock::now();
    keep(other);
    char number[32];
    std::snprintf(number, sizeof number, "%s%.1f", warm.empty() ? "" : ", ", nanoseconds(t0, t1));
    warm += number;
  }

  t0 = Clock::now();
  const UnitExpression force = UnitExpression::parse(text);
  t1 = Clock::now();
  const double firstNs = nanoseconds(t0, t1);
  keep(force);

  t0 = Clock::now();
  for (int i = 0; i < kRepeats; ++i) {
    const UnitExpression again = UnitExpression::parse(text);
    gSink = gSink + (again == force ? 1U : 0U);
  }
  t1 = Clock::now();
  const double againNs = nanoseconds(t0, t1) / kRepeats;

  const unit_manager::StandardContext context;
  const unit_manager::UnitPropagationRule* rule = context.propagationRule(unit_manager::PropagationRuleId::Additive);
  const std::vector<unit_manager::PropagateOperandInfo> operands{{metre, false, 1.0},
                                                                 {UnitExpression::parse("km"), false, 1.0}};
  std::vector<double> factors(2, 0.0);
  t0 = Clock::now();
  const UnitExpression sum = rule->propagate(operands, factors);
  t1 = Clock::now();
  const double firstPropagateNs = nanoseconds(t0, t1);
  keep(sum);

  t0 = Clock::now();
  for (int i = 0; i < kRepeats; ++i) {
    const UnitExpression again = rule->propagate(operands, factors);
    gSink = gSink + (again == sum ? 1U : 0U);
  }
  t1 = Clock::now();
  const double againPropagateNs = nanoseconds(t0, t1) / kRepeats;

  std::printf(
      "{\"init_ns\": %.1f, \"warm_ns\": [%s], \"first_ns\": %.1f, \"again_ns\": %.2f, \"first_propagate_ns\": %.1f, "
      "\"again_propagate_ns\": %.2f, \"factor\": %.17g}\n",
      initNs, warm.c_str(), firstNs, againNs, firstPropagateNs, againPropagateNs, factors[1]);
  return 0;
}
