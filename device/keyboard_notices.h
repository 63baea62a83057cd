// What the keyboard reports besides replies: its own function keys (the G-key
// layer, a change of its settings, its special state) and keyboards arriving
// and leaving. Runs on the device service's thread, so it never waits: work
// that waits goes to threads of its own, which Stop joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device/device_link.h"

// The keyboard's notice codes on its consumer collection.
inline constexpr std::uint16_t kNoticeLayerToggle = 0x02FF;
inline constexpr std::uint16_t kNoticeSettingsChanged = 0x0401;
inline constexpr std::uint16_t kNoticeSpecialStateOff = 0x1810;
inline constexpr std::uint16_t kNoticeSpecialStateOn = 0x1811;

class KeyboardNotices : public DeviceNoticeSink {
 public:
  explicit KeyboardNotices(DeviceLink& link) : link_(link) {}
  ~KeyboardNotices() override { Stop(); }

  void OnConsumerNotice(std::uint16_t code) override;
  void OnDeviceCount(int count) override;

  // Starts the attach work for a keyboard count (at start-up, the count the
  // link found).
  void StartAttachWorker(int count);

  // Waits for the threads this object started.
  void Stop();

  // The last keyboard count the attach work settled on.
  int LastDeviceCount() const { return lastCount_; }

 private:
  void AttachWorker(int count);
  void Spawn(void (KeyboardNotices::*work)(int), int argument);
  void ShowSpecialState(int on);

  DeviceLink& link_;
  std::atomic<int> lastCount_{0};
  std::mutex iconMark_;  // the icon changes of the special state take turns
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::mutex threadsMutex_;
  std::vector<Worker> threads_;
  bool stopping_ = false;
};
