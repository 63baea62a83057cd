// Key colours from another program through the lighting interface (the
// subject) against the same full-keyboard frames written straight through the
// link (the baseline, the bound: 11 replies a frame, command 1, nine colour
// chunks, command 2), at a fixed latency per reply of 1 and 10 ms.
//
// The subject is a client sending a new full-keyboard colour table every
// millisecond (1000 frames a second, far more than the keyboard takes): it
// counts the full frames that reach the simulated keyboard in a stretch of
// time; the baseline writes frames back to back for as long. Subject and
// baseline run in turns, pair after pair; it reports the median ratio of their
// frame rates (goal: at least 0.9) and of the time from a single request to
// its last colour frame sent against one frame written straight.
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
#include "tests/support/paired_ratio.h"

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

// One latency: the two figures of the frame rate and of a single request's way
// to the keyboard, each a median of pairs.
void MeasureAt(int latencyMs) {
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
  const auto stretch = std::chrono::milliseconds(latencyMs * 11 * 6);  // some 6 frames at the bound
  const auto settle = [&] {
    while (session.Busy() || lighting.KeyColoursUnderWay()) {
      session.DeliverEvents();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  };
  int frame = 0;

  // Each side gives its frame rate; their ratio is the share of the bound the
  // interface reaches (the pairing only needs the two numbers).
  const PairedRatio rate = MeasurePairs(
      kFewestPairs,
      [&] {
        settle();
        keyboard.ClearLog();
        const auto start = Clock::now();
        // A frame every millisecond, the owner delivering events between them.
        for (int sent = 0; Clock::now() - start < stretch; ++sent) {
          lighting.Received(1, {SetAll(++frame), false});
          session.DeliverEvents();
          std::this_thread::sleep_until(start + std::chrono::milliseconds(sent + 1));
        }
        settle();  // the last frame whole, as the baseline's
        return FullFramesSince(keyboard) / std::chrono::duration<double>(Clock::now() - start).count();
      },
      [&] {
        settle();
        keyboard.ClearLog();
        const auto start = Clock::now();
        KeyColourTable colours{};
        while (Clock::now() - start < stretch) {
          colours.fill(++frame % 2 ? Rgb{0xFF, 0, 0} : Rgb{0, 0xFF, 0});
          WriteLighting(link, WholeKeyColourTable(colours));
        }
        return FullFramesSince(keyboard) / std::chrono::duration<double>(Clock::now() - start).count();
      });
  // One request alone, from the request to its last colour frame sent, against
  // one frame written straight. The requests alternate their colours by a
  // count of their own: a colour the interface sent last is not sent again.
  int requests = 0;
  const PairedRatio latency = MeasurePairs(
      kFewestPairs,
      [&] {
        settle();
        return SecondsOf([&] {
          lighting.Received(1, {SetAll(++requests), false});
          session.DeliverEvents();
          settle();
          return true;
        });
      },
      [&] {
        settle();
        KeyColourTable colours{};
        colours.fill(++frame % 2 ? Rgb{0xFF, 0, 0} : Rgb{0, 0xFF, 0});
        return SecondsOf([&] { return WriteLighting(link, WholeKeyColourTable(colours)) == DeviceResult::kOk; });
      });
  const std::string at = std::to_string(latencyMs) + " ms";
  std::printf("lighting interface at %s per reply: %.1f full frames/s against %.1f written back to back; "
              "a request reaches the keyboard in %.1f ms against %.1f ms for one frame written straight\n",
              at.c_str(), rate.SubjectSeconds(), rate.BaselineSeconds(), latency.SubjectSeconds() * 1000,
              latency.BaselineSeconds() * 1000);
  ReportRatio("lighting interface frame rate / bound, " + at, rate, "at least 0.9");
  ReportRatio("lighting interface request to keyboard / one frame, " + at, latency, "-");
  session.Stop();
  table.End();
  std::filesystem::remove_all(folder);
}

}  // namespace

int main() {
  for (int latencyMs : {1, 10}) MeasureAt(latencyMs);
  return 0;
}
