// The download of three key tables and a full macro image through the
// simulator, with a fixed latency per reply: 1 and 2 ms (a full-speed USB
// keyboard answers in about that) and 10 ms. For each latency it prints the
// median over the runs of the measured time divided by what the protocol
// itself costs (one latency per reply plus the 10 ms before the
// end-configuration command), and the time beyond that cost per reply in us.
// Anything above 1 is the link's own overhead (thread hand-offs, copies) and
// the lateness of the timer that plays the latency; it should stay below 1.10
// at 1 ms and below 1.05 at 10 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "device/device_link.h"
#include "macros/macro_image.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"

namespace {

class NoMessages : public DeviceMessages {
 public:
  void ShowDeviceMessage(TextKey) override {}
};

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, int actions) {
  MacroRecord record;
  FillNewMacroRecord(record, name, id);
  record.actionCount = static_cast<std::uint16_t>(actions);
  for (int i = 0; i < actions; ++i) record.actions[i] = {10, 0x01E, static_cast<std::uint16_t>(i % 2)};
  return record;
}

void BM_DownloadThroughSimulator(benchmark::State& state) {
  const int latencyMs = static_cast<int>(state.range(0));
  KeyboardSimulator keyboard;
  SimulatedService service(keyboard);
  const DeviceService table = service.Table();
  table.Init(0);
  DeviceLink link(table);
  link.Start(nullptr);
  link.SetMacroCapacity(kSimDefaultCapacityUnits * kMacroCapacityUnit);
  // An image with names that fills the keyboard's 8 KiB exactly.
  const std::vector<MacroRecord> macros{MakeMacro(1, u"A", 2000), MakeMacro(2, u"B", 40)};
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  NoMessages messages;
  keyboard.SetFaults({.latencyMs = latencyMs});

  const std::size_t imageSize = ComputeMacroImageSizes(macros).fullSize;
  const std::size_t replies = 1 + (imageSize + 55) / 56 + 3 * 9 + 1;
  const double protocolMs = static_cast<double>(replies * latencyMs) + 10.0;
  std::vector<double> ratios;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const DeviceResult result = DownloadProfiles(link, messages, true, {*area, macros});
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result != DeviceResult::kOk) state.SkipWithError("download failed");
    ratios.push_back(ms / protocolMs);
    benchmark::DoNotOptimize(result);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = ratios[ratios.size() / 2];
  state.counters["replies"] = static_cast<double>(replies);
  state.counters["ratio"] = ratio;
  state.counters["overhead_us_per_reply"] = (ratio - 1.0) * protocolMs * 1000.0 / static_cast<double>(replies);
  link.Stop();
  table.End();
}
BENCHMARK(BM_DownloadThroughSimulator)->Arg(1)->Arg(2)->Arg(10)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
