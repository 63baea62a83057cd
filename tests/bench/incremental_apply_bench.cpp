// An Apply of one change through the keyboard mirror (the subject) against
// the full download of the same profile (the baseline), at a fixed latency
// per reply of 1 and 10 ms: one key changed, and one macro action's delay
// changed in a macro image that fills the keyboard's 8 KiB. Subject and
// baseline run in turns, pair after pair, on the same keyboard; it prints the
// replies each needs and the median of the pairs' time ratios. The goal: a
// one-key change costs at most 3 replies (command 1, one chunk, command 2),
// under 5 % of the full download's time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "macros/macro_image.h"
#include "profiles/profile_download.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Change { kOneKey, kOneMacroAction };

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, int actions) {
  MacroRecord record;
  FillNewMacroRecord(record, name, id);
  record.actionCount = static_cast<std::uint16_t>(actions);
  for (int i = 0; i < actions; ++i) record.actions[i] = {10, 0x01E, static_cast<std::uint16_t>(i % 2)};
  return record;
}

std::size_t RepliesSince(const KeyboardSimulator& keyboard) {
  std::size_t replies = 0;
  for (const SimLogEntry& entry : keyboard.Log())
    if (!entry.fromHost && entry.usagePage == kControlUsagePage) ++replies;
  return replies;
}

void BM_IncrementalApply(benchmark::State& state, Change change, int latencyMs) {
  KeyboardSimulator keyboard;
  SimulatedService service(keyboard);
  const DeviceService table = service.Table();
  table.Init(0);
  DeviceLink link(table);
  link.Start(nullptr);
  link.SetMacroCapacity(kSimDefaultCapacityUnits * kMacroCapacityUnit);

  std::vector<MacroRecord> macros{MakeMacro(1, u"A", 2000), MakeMacro(2, u"B", 40)};
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  KeyboardMirror mirror;
  const auto apply = [&](KeyboardMirror* known) {
    return DownloadKeyMaps(link, 0, 0, {*area, macros}, known).result == DeviceResult::kOk;
  };
  // Each round changes the profile a little, so that something differs.
  int round = 0;
  const auto edit = [&] {
    ++round;
    if (change == Change::kOneKey)
      (*area)[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, static_cast<std::uint16_t>(round % 2 ? 0x030 : 0x02E), 0, 0};
    else
      macros[0].actions[1000].delayMs = round % 2 ? 20 : 30;
  };
  if (!apply(&mirror)) state.SkipWithError("the first download failed");
  keyboard.SetFaults({.latencyMs = latencyMs});

  std::vector<double> ratios;
  std::size_t incrementalReplies = 0, fullReplies = 0;
  for (auto _ : state) {
    double incrementalMs = 0, fullMs = 0;
    bool sound = true;
    // Turn about, so that neither always runs first; the full download
    // leaves the keyboard as the mirror knows it.
    for (int turn = 0; turn < 2; ++turn) {
      edit();
      keyboard.ClearLog();
      const auto start = Clock::now();
      if ((turn == 0) == (ratios.size() % 2 == 0)) {
        sound = apply(&mirror) && sound;
        incrementalMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        incrementalReplies = RepliesSince(keyboard);
      } else {
        KeyboardMirror fresh;  // nothing known: everything sent
        sound = apply(&fresh) && sound;
        fullMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        fullReplies = RepliesSince(keyboard);
        mirror = fresh;
      }
    }
    if (!sound) {
      state.SkipWithError("an Apply failed");
      break;
    }
    ratios.push_back(incrementalMs / fullMs);
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    state.counters["replies"] = static_cast<double>(incrementalReplies);
    state.counters["full_replies"] = static_cast<double>(fullReplies);
    state.counters["ratio"] = ratios[ratios.size() / 2];
    state.counters["lowest"] = ratios.front();
    state.counters["highest"] = ratios.back();
  }
  link.Stop();
  table.End();
}

// Prints one line per case after the table.
class SummaryLines : public benchmark::ConsoleReporter {
 public:
  SummaryLines() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto value = [&](const char* name) {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
      };
      char line[256];
      std::snprintf(line, sizeof line, "%s: %.0f replies against %.0f, time ratio %.3f (pairs from %.3f to %.3f)",
                    run.benchmark_name().c_str(), value("replies"), value("full_replies"), value("ratio"),
                    value("lowest"), value("highest"));
      lines_.push_back(line);
    }
  }
  void Print() const {
    std::printf("Apply of one change through the mirror / full download (median of pairs; goal: 3 replies, below 0.05 "
                "for one key):\n");
    for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
  struct Latency {
    int ms;
    int pairs;  // fewer where a pair takes long
  };
  for (const Change change : {Change::kOneKey, Change::kOneMacroAction})
    for (const Latency latency : {Latency{1, 15}, Latency{10, 5}}) {
      const std::string name = std::string("IncrementalApply/") +
                               (change == Change::kOneKey ? "one_key/" : "one_macro_action/") +
                               std::to_string(latency.ms) + "ms";
      benchmark::RegisterBenchmark(name.c_str(), BM_IncrementalApply, change, latency.ms)
          ->Iterations(latency.pairs)
          ->Unit(benchmark::kMillisecond);
    }
  benchmark::Initialize(&argc, argv);
  SummaryLines reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Print();
  return 0;
}
