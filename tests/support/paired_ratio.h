// How every benchmark measures: a subject against its baseline, in turns
// (one pair to warm up, then subject, baseline, subject, baseline, ...), the
// ratio of each pair's two times, and the median of those ratios with the
// lowest and highest pair. A burst of load from elsewhere lands on one pair,
// both sides of which it mostly slows alike, instead of on all the runs of one
// side, so the median holds still on a busy machine; the spread tells how busy.
//
// Each benchmark ends with one summary line per ratio on standard output,
//   bench<TAB>name<TAB>median<TAB>lowest<TAB>highest<TAB>goal
// which scripts/bench gathers into its table. Standard C++ only: the native
// benchmarks and the Windows benchmark programs share it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

inline constexpr int kFewestPairs = 15;

struct PairedRatio {
  std::vector<double> ratios;              // subject / baseline of each pair, sorted
  std::vector<double> subject, baseline;   // each side's times in seconds, sorted
  bool failed = false;                     // a run failed: nothing to compare

  double Median() const { return MedianOf(ratios); }
  double Lowest() const { return ratios.empty() ? 0 : ratios.front(); }
  double Highest() const { return ratios.empty() ? 0 : ratios.back(); }
  double SubjectSeconds() const { return MedianOf(subject); }
  double BaselineSeconds() const { return MedianOf(baseline); }

  static double MedianOf(const std::vector<double>& sorted) {
    if (sorted.empty()) return 0;
    const std::size_t half = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
  }
};

// The seconds `work` takes on a steady clock; negative when it returns false.
template <class Work>
double SecondsOf(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  const bool done = work();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return done ? took.count() : -1;
}

// Runs one warm-up pair, then `pairs` pairs (at least kFewestPairs). `subject`
// and `baseline` each run once and return the seconds they measured (which
// may be a part of what they did), or a negative number when they failed,
// which ends the measurement as failed.
template <class Subject, class Baseline>
PairedRatio MeasurePairs(int pairs, Subject&& subject, Baseline&& baseline) {
  PairedRatio result;
  pairs = std::max(pairs, kFewestPairs);
  for (int pair = -1; pair < pairs; ++pair) {
    const double ours = subject();
    const double theirs = baseline();
    if (ours < 0 || theirs <= 0) {
      result.failed = true;
      break;
    }
    if (pair < 0) continue;  // the warm-up
    result.subject.push_back(ours);
    result.baseline.push_back(theirs);
    result.ratios.push_back(ours / theirs);
  }
  if (result.failed) result = PairedRatio{{}, {}, {}, true};
  std::sort(result.ratios.begin(), result.ratios.end());
  std::sort(result.subject.begin(), result.subject.end());
  std::sort(result.baseline.begin(), result.baseline.end());
  return result;
}

// The summary line of one ratio; a failed measurement reports "failed".
inline void ReportRatio(const std::string& name, const PairedRatio& result, const std::string& goal) {
  if (result.failed)
    std::printf("bench\t%s\tfailed\t-\t-\t%s\n", name.c_str(), goal.c_str());
  else
    std::printf("bench\t%s\t%.3f\t%.3f\t%.3f\t%s\n", name.c_str(), result.Median(), result.Lowest(),
                result.Highest(), goal.c_str());
  std::fflush(stdout);
}

// The summary line of a figure that is no ratio of two times (a count, a
// rate): one value, no spread.
inline void ReportValue(const std::string& name, double value, const std::string& goal) {
  std::printf("bench\t%s\t%.3f\t-\t-\t%s\n", name.c_str(), value, goal.c_str());
  std::fflush(stdout);
}
