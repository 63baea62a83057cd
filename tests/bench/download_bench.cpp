// The download of three key tables and a full macro image through the link and
// the simulator (the subject), against a bare exchange of the same frames
// through the same service (the baseline: each frame written and its reply
// awaited, nothing else, which is what the protocol itself costs), with a
// fixed latency per reply of 1, 2 and 10 ms (a full-speed USB keyboard answers
// in about 1 to 2 ms), for both kinds of keyboard: one whose replies repeat
// the request's length and offset, and one whose replies repeat only its code.
// Subject and baseline run in turns, pair after pair, and it prints the median
// of the pairs' ratios per kind and latency. Anything above 1 is the link's own
// overhead (pairing, locks, copies, thread hand-offs); it should stay below
// 1.10 at 1 ms and below 1.05 at 10 ms, for both kinds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/device_check.h"
#include "device/device_link.h"
#include "macros/macro_image.h"
#include "profiles/profile_download.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"

namespace {

using Clock = std::chrono::steady_clock;

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, int actions) {
  MacroRecord record;
  FillNewMacroRecord(record, name, id);
  record.actionCount = static_cast<std::uint16_t>(actions);
  for (int i = 0; i < actions; ++i) record.actions[i] = {10, 0x01E, static_cast<std::uint16_t>(i % 2)};
  return record;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The baseline's side of the service: one standing read whose callback wakes
// the writer when a reply comes (it also sees the link's replies, as the
// link's handler sees its own: both pay for two callbacks per reply).
struct BareExchange {
  std::mutex mutex;
  std::condition_variable replied;
  bool waiting = false;
  bool arrived = false;
};
std::atomic<BareExchange*> gBare{nullptr};

int BareReplyHandler(const RequestNotice* notice) {
  BareExchange* bare = gBare.load();
  if (!bare || !notice || !notice->block || notice->kind != OSTRAK_NOTICE_DATA) return 1;
  {
    std::lock_guard lock(bare->mutex);
    if (!bare->waiting) return 1;
    bare->arrived = true;
  }
  bare->replied.notify_all();
  return 1;
}

// Writes each frame and waits for a reply, as the link does at the least: the
// 10 ms before command 2 included.
bool ExchangeBare(const DeviceService& service, BareExchange& bare, const std::vector<CommandFrame>& frames) {
  for (const CommandFrame& frame : frames) {
    if (frame[kFrameCode] == kCommandEndConfiguration) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    {
      std::lock_guard lock(bare.mutex);
      bare.waiting = true;
      bare.arrived = false;
    }
    const std::uint32_t check = RequestCheck(kControlSelector, nullptr, 0, frame.data(), frame.size());
    if (service.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), kFrameSize, check, nullptr) <= 0)
      return false;
    std::unique_lock lock(bare.mutex);
    const bool arrived = bare.replied.wait_for(lock, std::chrono::seconds(1), [&] { return bare.arrived; });
    bare.waiting = false;
    if (!arrived) return false;
  }
  return true;
}

void BM_Download(benchmark::State& state, SimEcho echo, int latencyMs) {
  KeyboardSimulator keyboard;
  keyboard.SetEcho(echo);
  SimulatedService service(keyboard);
  const DeviceService table = service.Table();
  table.Init(0);
  DeviceLink link(table);
  link.Start(nullptr);
  link.SetMacroCapacity(kSimDefaultCapacityUnits * kMacroCapacityUnit);
  BareExchange bare;
  gBare = &bare;
  std::uint32_t bareRead = 0;
  const std::uint32_t readCheck = RequestCheck(kControlSelector, BareReplyHandler, OSTRAK_TAG_CTRL, nullptr, 0);
  table.RequestAsyncRead(&kControlSelector, BareReplyHandler, OSTRAK_TAG_CTRL, readCheck, &bareRead);

  // An image with names that fills the keyboard's 8 KiB exactly.
  const std::vector<MacroRecord> macros{MakeMacro(1, u"A", 2000), MakeMacro(2, u"B", 40)};
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  auto download = [&] { return DownloadProfiles(link, true, {*area, macros}).result; };

  // The frames of one download, for the baseline to exchange.
  keyboard.ClearLog();
  if (download() != DeviceResult::kOk) state.SkipWithError("download failed");  // the loop then does not run
  std::vector<CommandFrame> frames;
  for (const SimLogEntry& entry : keyboard.Log())
    if (entry.fromHost && entry.usagePage == kControlUsagePage) frames.push_back(FrameFromBytes(entry.bytes));
  keyboard.SetFaults({.latencyMs = latencyMs});

  std::vector<double> ratios;
  for (auto _ : state) {
    double linkMs = 0, bareMs = 0;
    bool sound = true;
    // Turn about, so that neither always runs first.
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = Clock::now();
      if ((turn == 0) == (ratios.size() % 2 == 0)) {
        sound = download() == DeviceResult::kOk && sound;
        linkMs = MillisecondsSince(start);
      } else {
        sound = ExchangeBare(table, bare, frames) && sound;
        bareMs = MillisecondsSince(start);
      }
    }
    if (!sound) {
      state.SkipWithError("an exchange failed");
      break;
    }
    ratios.push_back(linkMs / bareMs);
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    state.counters["frames"] = static_cast<double>(frames.size());
    state.counters["ratio"] = ratios[ratios.size() / 2];
    state.counters["pairs"] = static_cast<double>(ratios.size());
  }

  table.DeleteRequestFromUnitId(bareRead);
  gBare = nullptr;
  link.Stop();
  table.End();
}

// Prints the ratios again, one line per kind and latency, after the table.
class RatioLines : public benchmark::ConsoleReporter {
 public:
  RatioLines() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto ratio = run.counters.find("ratio");
      if (ratio != run.counters.end()) lines_.push_back(run.benchmark_name() + ": " + Format(ratio->second.value));
    }
  }
  void Print() const {
    std::printf("download through the link / bare exchange of its frames (median of pairs):\n");
    for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
  }

 private:
  static std::string Format(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
  }
  std::vector<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
  struct Latency {
    int ms;
    int pairs;  // fewer where a pair takes long
  };
  const Latency latencies[] = {{1, 15}, {2, 9}, {10, 5}};
  for (SimEcho echo : {SimEcho::kFull, SimEcho::kCodeOnly})
    for (const Latency& latency : latencies) {
      const std::string name = std::string("Download/echo_") + SimEchoName(echo) + "/" + std::to_string(latency.ms) + "ms";
      benchmark::RegisterBenchmark(name.c_str(), BM_Download, echo, latency.ms)
          ->Iterations(latency.pairs)
          ->Unit(benchmark::kMillisecond);
    }
  benchmark::Initialize(&argc, argv);
  RatioLines reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Print();
  return 0;
}
