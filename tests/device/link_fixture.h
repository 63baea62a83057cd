// A device link bound to an in-process service over the keyboard simulator.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/device_link.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"

// Test messages name a result ("kNoReply") rather than give its number.
inline void PrintTo(DeviceResult result, std::ostream* out) { *out << DeviceResultName(result); }
inline void PrintTo(SimEcho echo, std::ostream* out) { *out << SimEchoName(echo); }

// Records what the link passes on; tests wait for a notice with WaitFor.
class RecordingSink : public DeviceNoticeSink {
 public:
  void OnConsumerNotice(std::uint16_t code) override {
    std::lock_guard lock(mutex_);
    codes.push_back(code);
    changed_.notify_all();
  }
  void OnDeviceCount(int count) override {
    std::lock_guard lock(mutex_);
    counts.push_back(count);
    changed_.notify_all();
  }
  // Waits until `done` holds (checked under the lock); false after 5 s.
  template <typename Done>
  bool WaitFor(Done done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return done(*this); });
  }
  std::vector<std::uint16_t> codes;
  std::vector<int> counts;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

// Short waits for tests that run into timeouts on purpose.
inline LinkTimings QuickTimings() {
  LinkTimings t;
  t.replyWait = std::chrono::milliseconds(150);
  t.retryPause = std::chrono::milliseconds(1);
  t.endConfigurationDelay = std::chrono::milliseconds(1);
  t.lateReplyLimit = std::chrono::milliseconds(450);
  return t;
}

// Tests of pairing run against both kinds of keyboard: one whose replies
// repeat the request's length and offset, one whose replies repeat only its
// code (the least the protocol promises).
inline auto BothEchoes() { return testing::Values(SimEcho::kFull, SimEcho::kCodeOnly); }
inline std::string EchoName(const testing::TestParamInfo<SimEcho>& info) { return SimEchoName(info.param); }

struct LinkRig {
  explicit LinkRig(LinkTimings timings = QuickTimings(), std::uint8_t capacityUnits = kSimDefaultCapacityUnits,
                   SimEcho echo = SimEcho::kFull)
      : keyboard(capacityUnits), service(keyboard), table(service.Table()), link(table, timings) {
    keyboard.SetEcho(echo);
    table.Init(0);
    startCount = link.Start(&sink);
    keyboard.ClearLog();
  }
  ~LinkRig() {
    link.Stop();
    table.End();
  }

  // The control reports the host wrote, in order.
  std::vector<CommandFrame> SentFrames() const {
    std::vector<CommandFrame> frames;
    for (const SimLogEntry& e : keyboard.Log())
      if (e.fromHost && e.usagePage == kControlUsagePage) frames.push_back(FrameFromBytes(e.bytes));
    return frames;
  }
  std::vector<std::uint8_t> Memory(SimArea area, std::size_t offset, std::size_t size) const {
    std::vector<std::uint8_t> bytes(size);
    keyboard.Read(area, offset, bytes);
    return bytes;
  }

  KeyboardSimulator keyboard;
  SimulatedService service;
  DeviceService table;
  RecordingSink sink;
  DeviceLink link;
  int startCount = -1;
};
