// SPDX-License-Identifier: Apache-2.0
//
// The main of every benchmark program. Benchmarks come in pairs named
// "<case>/library" and "<case>/baseline"; after the usual report, a table gives
// for each pair the library's speed as a fraction of the baseline's, measured
// in the same run (1.0 = as fast; above 1 = faster), from real (wall-clock)
// time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // Keyed by the registered name and its arguments, without the suffixes that options such as Iterations()
        // append ("/iterations:1"), so that such a case still pairs. Adjusted times come in the benchmark's own
        // unit; keep nanoseconds. With repetitions, the fastest repetition counts.
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty()) {
          name += "/" + run.run_name.args;
        }
        const double time = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto known = mTimes.find(name);
        if (known == mTimes.end() || time < known->second) {
          mTimes[name] = time;
        }
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
  // --benchmark_format=json or csv asks for Google Benchmark's own reporter; the ratio table is console output.
  bool console = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::string option = "--benchmark_format=";
    if (argument.compare(0, option.size(), option) == 0 && argument != option + "console") {
      console = false;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  if (console) {
    // Colours only on a terminal, so that a report piped into a file reads as plain text.
    RatioReporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_ColorTabular
                                                      : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  return 0;
}
