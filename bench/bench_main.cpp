// SPDX-License-Identifier: Apache-2.0
//
// The main of every benchmark program. Benchmarks come in pairs named
// "<case>/library" and "<case>/baseline"; after the usual report, a table gives
// for each pair the library's speed as a fraction of the baseline's, measured
// in the same run (1.0 = as fast; above 1 = faster).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // Adjusted times come in the benchmark's own unit; keep nanoseconds.
        mTimes[run.benchmark_name()] =
            run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-48s %14s %14s %8s\n", "case", "library", "baseline", "ratio");
    for (const auto& [name, time] : mTimes) {
      const std::string suffix = "/library";
      if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        continue;
      }
      const std::string stem = name.substr(0, name.size() - suffix.size());
      const auto baseline = mTimes.find(stem + "/baseline");
      if (baseline == mTimes.end() || time <= 0) {
        continue;
      }
      std::printf("%-48s %11.4g ns %11.4g ns %8.2f\n", stem.c_str(), time, baseline->second, baseline->second / time);
    }
  }

 private:
  std::map<std::string, double> mTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
