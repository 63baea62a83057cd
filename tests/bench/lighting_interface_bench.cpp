// Key colours from another program through the lighting interface (the
// subject) against the same full-keyboard frames written straight through the
// link (the baseline, the bound: 11 replies a frame, command 1, nine colour
// chunks, command 2), at a fixed latency per reply of 1 and 10 ms.
//
// The subject is a client sending a new full-keyboard colour table every
// millisecond (1000 frames a second, far more than the keyboard takes): it
// counts the full frames that reach the simulated keyboard in a stretch of
// time; the baseline writes frames back to back for as long. Subject and
// baseline run in turns, pair after pair; it prints the median ratio of their
// frame rates (goal: at least 0.9) and the latency from a single request to
// its last colour frame sent, against the bound of one frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "lighting/lighting_transfers.h"
#include "lighting_interface/lighting_interface.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoHost : public SessionHost {
 public:
  void Wake() override {}
};

class NoClients : public InterfaceClients {
 public:
  void Send(ClientId, std::string) override {}
};

// Full frames (command 2 after nine colour chunks) the keyboard took since the log was cleared.
int FullFramesSince(const KeyboardSimulator& keyboard) {
  int frames = 0, chunks = 0;
  for (const SimLogEntry& entry : keyboard.Log()) {
    if (!entry.fromHost || entry.usagePage != kControlUsagePage) continue;
    const int code = FrameFromBytes(entry.bytes)[kFrameCode];
    if (code == kCommandBeginConfiguration) chunks = 0;
    if (code == kCommandWriteKeyColours) ++chunks;
    if (code == kCommandEndConfiguration && chunks == kKeyColourChunks) ++frames;
  }
  return frames;
}

std::string SetAll(int frame) {
  return std::string(R"({"id":1,"request":"set_all","colour":")") + (frame % 2 ? "ff0000" : "00ff00") + "\"}";
}

void BM_LightingInterface(benchmark::State& state, int latencyMs) {
  const auto folder = std::filesystem::temp_directory_path() / "ostrak-lighting-bench";
  std::filesystem::create_directories(folder);
  KeyboardSimulator keyboard;
  SimulatedService service(keyboard);
  const DeviceService table = service.Table();
  table.Init(0);
  DeviceLink link(table);
  NoHost host;
  KeyboardSession session(host, (folder / "$Profile0").u16string(), ArrivalRead::kNothing);
  NoClients clients;
  LightingInterface lighting(session, clients);
  session.OwnerReady();
  session.Connect(link);
  session.StartLink();
  while (session.Busy() || !session.KeyboardPresent()) {
    session.DeliverEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  lighting.Connected(1);
  lighting.Received(1, {R"({"id":0,"request":"hello"})", false});
  keyboard.SetFaults({.latencyMs = latencyMs});
  const auto stretch = std::chrono::milliseconds(latencyMs * 11 * 20);  // some 20 frames at the bound
  const auto settle = [&] {
    while (session.Busy() || lighting.KeyColoursUnderWay()) {
      session.DeliverEvents();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  };

  std::vector<double> ratios, latencies;
  int frame = 0;
  for (auto _ : state) {
    double subjectFps = 0, baselineFps = 0;
    for (int turn = 0; turn < 2; ++turn) {
      settle();
      keyboard.ClearLog();
      const auto start = Clock::now();
      if ((turn == 0) == (ratios.size() % 2 == 0)) {
        // A frame every millisecond, the owner delivering events between them.
        for (int sent = 0; Clock::now() - start < stretch; ++sent) {
          lighting.Received(1, {SetAll(++frame), false});
          session.DeliverEvents();
          std::this_thread::sleep_until(start + std::chrono::milliseconds(sent + 1));
        }
        settle();  // the last frame whole, as the baseline's
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        subjectFps = FullFramesSince(keyboard) / seconds;
      } else {
        KeyColourTable colours{};
        while (Clock::now() - start < stretch) {
          colours.fill(++frame % 2 ? Rgb{0xFF, 0, 0} : Rgb{0, 0xFF, 0});
          WriteLighting(link, WholeKeyColourTable(colours));
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        baselineFps = FullFramesSince(keyboard) / seconds;
      }
    }
    if (baselineFps > 0) ratios.push_back(subjectFps / baselineFps);

    // One request alone: from the request to its last colour frame sent.
    settle();
    const auto start = Clock::now();
    lighting.Received(1, {SetAll(++frame), false});
    settle();
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    std::sort(latencies.begin(), latencies.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
    state.counters["lowest"] = ratios.front();
    state.counters["highest"] = ratios.back();
    state.counters["bound_fps"] = 1000.0 / (11.0 * latencyMs);
    state.counters["latency_ms"] = latencies[latencies.size() / 2];
    state.counters["latency_bound_ms"] = 11.0 * latencyMs;
  }
  session.Stop();
  table.End();
  std::filesystem::remove_all(folder);
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
      std::snprintf(line, sizeof line,
                    "%s: frame rate ratio %.3f (pairs from %.3f to %.3f; bound %.1f frames/s); "
                    "request to last frame %.1f ms against %.0f ms",
                    run.benchmark_name().c_str(), value("ratio"), value("lowest"), value("highest"), value("bound_fps"),
                    value("latency_ms"), value("latency_bound_ms"));
      lines_.push_back(line);
    }
  }
  void Print() const {
    std::printf("Key colours at 1000 frames/s through the lighting interface / frames written back to back "
                "(median of pairs; goal: at least 0.9):\n");
    for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
  struct Latency {
    int ms;
    int pairs;
  };
  for (const Latency latency : {Latency{1, 9}, Latency{10, 5}}) {
    const std::string name = "LightingInterface/" + std::to_string(latency.ms) + "ms";
    benchmark::RegisterBenchmark(name.c_str(), BM_LightingInterface, latency.ms)
        ->Iterations(latency.pairs)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  SummaryLines reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Print();
  return 0;
}
