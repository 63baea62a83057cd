// An Apply of one change through the keyboard mirror (the subject) against
// the full download of the same profile (the baseline), at a fixed latency
// per reply of 1 and 10 ms: one key changed, and one macro action's delay
// changed in a macro image that fills the keyboard's 8 KiB. Subject and
// baseline run in turns, pair after pair, on the same keyboard; it prints the
// replies each needs and reports the median of the pairs' time ratios. The goal: a
// one-key change costs at most 3 replies (command 1, one chunk, command 2),
// under 5 % of the full download's time.
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
#include "tests/support/bench_macro.h"
#include "tests/support/paired_ratio.h"

namespace {

enum class Change { kOneKey, kOneMacroAction };

std::size_t RepliesSince(const KeyboardSimulator& keyboard) {
  std::size_t replies = 0;
  for (const SimLogEntry& entry : keyboard.Log())
    if (!entry.fromHost && entry.usagePage == kControlUsagePage) ++replies;
  return replies;
}

// The Apply of one change through the mirror against the full download, with
// the replies each needed in its last run.
struct ApplyFigures {
  PairedRatio time;
  std::size_t incrementalReplies = 0, fullReplies = 0;
};

ApplyFigures MeasureApply(Change change, int latencyMs) {
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
  // Each run changes the profile a little, so that something differs.
  int round = 0;
  const auto edit = [&] {
    ++round;
    if (change == Change::kOneKey)
      (*area)[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, static_cast<std::uint16_t>(round % 2 ? 0x030 : 0x02E), 0, 0};
    else
      macros[0].actions[1000].delayMs = round % 2 ? 20 : 30;
  };
  ApplyFigures figures;
  figures.time.failed = true;
  if (apply(&mirror)) {
    keyboard.SetFaults({.latencyMs = latencyMs});
    // In turns on the same keyboard; the full download leaves it as the mirror knows it.
    figures.time = MeasurePairs(
        kFewestPairs,
        [&] {
          edit();
          keyboard.ClearLog();
          const double seconds = SecondsOf([&] { return apply(&mirror); });
          figures.incrementalReplies = RepliesSince(keyboard);
          return seconds;
        },
        [&] {
          edit();
          keyboard.ClearLog();
          KeyboardMirror fresh;  // nothing known: everything sent
          const double seconds = SecondsOf([&] { return apply(&fresh); });
          figures.fullReplies = RepliesSince(keyboard);
          mirror = fresh;
          return seconds;
        });
  }
  link.Stop();
  table.End();
  return figures;
}

}  // namespace

int main() {
  bool failed = false;
  for (const Change change : {Change::kOneKey, Change::kOneMacroAction})
    for (const int latencyMs : {1, 10}) {
      const ApplyFigures figures = MeasureApply(change, latencyMs);
      const std::string name = std::string("Apply of ") + (change == Change::kOneKey ? "one key" : "one macro action") +
                               " / full download, " + std::to_string(latencyMs) + " ms";
      std::printf("%s: %zu replies against %zu, %.1f ms against %.1f ms\n", name.c_str(), figures.incrementalReplies,
                  figures.fullReplies, figures.time.SubjectSeconds() * 1e3, figures.time.BaselineSeconds() * 1e3);
      ReportRatio(name, figures.time, change == Change::kOneKey ? "3 replies, below 0.05" : "-");
      failed = failed || figures.time.failed;
    }
  return failed ? 1 : 0;
}
