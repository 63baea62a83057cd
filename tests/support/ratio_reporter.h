// A benchmark reporter that keeps the fastest repetition of two benchmarks
// (the ones least disturbed by the rest of the machine), to print their ratio.
// Register both with ->ComputeStatistics("min", FastestOf)->ReportAggregatesOnly(true).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

inline double FastestOf(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter(std::string ours, std::string baseline) : oursName_(std::move(ours)), baselineName_(std::move(baseline)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "min") continue;
      const double perIteration = run.GetAdjustedRealTime();
      if (run.benchmark_name().find(oursName_) != std::string::npos) ours = perIteration;
      if (run.benchmark_name().find(baselineName_) != std::string::npos) baseline = perIteration;
    }
  }
  // ours / baseline; 0 when either did not run.
  double Ratio() const { return baseline > 0 ? ours / baseline : 0; }

  double ours = 0, baseline = 0;

 private:
  std::string oursName_, baselineName_;
};
