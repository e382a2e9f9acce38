// SPDX-License-Identifier: Apache-2.0
//
// Unit-expression memory under a stream of distinct units: parses 1e6 distinct texts "m^i*s^j" and drops each, builds
// 1e6 more through pow and operator*, and checks that the resident size ends within 10 MB of where it started and that
// "kg*m/s^2" still parses. Prints one line of JSON with the resident sizes in KB and exits 1 when the bound is missed.
//   start_kb  after the first parse (the unit table is built)
//   parsed_kb after the parsed units
//   built_kb  after the units built by operators
#include <cstdio>
#include <string>

#include "unit_manager/unitexpression.hpp"

namespace {

long residentKb() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return -1;
  long pages = 0;
  long resident = 0;
  const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
  std::fclose(statm);
  return read == 2 ? resident * 4 : -1;
}

volatile std::size_t gSink = 0;

}  // namespace

int main() {
  using unit_manager::UnitExpression;
  constexpr int kSide = 1000;  // kSide * kSide distinct units each way
  gSink = gSink + UnitExpression::parse("m").convertToString().size();
  const long startKb = residentKb();

  for (int i = 1; i <= kSide; ++i) {
    for (int j = 1; j <= kSide; ++j) {
      const UnitExpression u = UnitExpression::parse("m^" + std::to_string(i) + "*s^" + std::to_string(j));
      gSink = gSink + (u.isOne() ? 1U : 0U);
    }
  }
  const long parsedKb = residentKb();

  const UnitExpression metre = UnitExpression::parse("m");
  const UnitExpression second = UnitExpression::parse("s");
  for (int i = 1; i <= kSide; ++i) {
    for (int j = 1; j <= kSide; ++j) {
      const UnitExpression u = metre.pow(i, 1) * second.pow(-j, 1);
      gSink = gSink + (u.isOne() ? 1U : 0U);
    }
  }
  const long builtKb = residentKb();

  const bool parses = UnitExpression::parse("kg*m/s^2").convertToString() == "kg*m/s^2";
  const long growthKb = (parsedKb > builtKb ? parsedKb : builtKb) - startKb;
  std::printf(
      "{\"start_kb\": %ld, \"parsed_kb\": %ld, \"built_kb\": %ld, \"growth_kb\": %ld, \"live_expressions\": %zu, "
      "\"still_parses\": %s}\n",
      startKb, parsedKb, builtKb, growthKb, unit_manager::liveUnitExpressionCount(), parses ? "true" : "false");
  return parses && growthKb < 10 * 1024 ? 0 : 1;
}
