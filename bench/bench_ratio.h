// A benchmark main that, after the usual console report, prints each
// measured benchmark's time as a ratio of its baseline run in the same process
// (of the medians when runs are repeated).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    auto found = m_times.find(name + "_median");
    if (found == m_times.end()) found = m_times.find(name);
    return found == m_times.end() ? 0.0 : found->second;
  }

 private:
  std::map<std::string, double> m_times;
};

// pairs: (measured, baseline) benchmark names.
inline int RunWithRatios(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& pairs) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto& pair : pairs) {
    double measured = reporter.Time(pair.first);
    double baseline = reporter.Time(pair.second);
    if (measured > 0.0 && baseline > 0.0)
      std::printf("ratio %s / %s = %.2f\n", pair.first.c_str(), pair.second.c_str(), measured / baseline);
  }
  benchmark::Shutdown();
  return 0;
}
