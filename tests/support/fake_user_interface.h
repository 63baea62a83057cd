// A user interface for tests: it records what the core asks of it and answers
// questions as told. It hears the keyboard notices too.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/user_interface.h"
#include "localisation/text_slots.h"
#include "session/keyboard_notices.h"

class FakeUserInterface : public UserInterface, public NoticeListener {
 public:
  void ShowMessage(std::u16string_view text) override {
    std::lock_guard guard(mutex);
    messages.emplace_back(text);
  }
  bool AskYesNo(std::u16string_view text) override {
    std::lock_guard guard(mutex);
    questions.emplace_back(text);
    return answerYes;
  }
  void SetTrayState(int kind, int iconId) override {
    std::lock_guard guard(mutex);
    trayStates.push_back({kind, iconId});
  }
  void DeviceReady(bool readBack) override {
    lastReadBack = readBack;
    ++readyCount;
  }
  void DeviceGone() override { ++goneCount; }
  void ReadingKeyboard(bool value) override { reading = value; }
  bool InitDone() const override { return initDone; }
  void ShowLayer() override { ++layerShows; }
  void RefreshLightingSoon() override { ++lightingRefreshes; }
  void ShowDeviceMessage(TextKey key) override {
    std::lock_guard guard(mutex);
    told.push_back(key);
  }

  std::vector<std::u16string> Messages() {
    std::lock_guard guard(mutex);
    return messages;
  }
  std::vector<std::pair<int, int>> TrayStates() {
    std::lock_guard guard(mutex);
    return trayStates;
  }

  std::mutex mutex;
  std::vector<std::u16string> messages, questions;
  std::vector<std::pair<int, int>> trayStates;
  std::vector<TextKey> told;
  std::atomic<bool> lastReadBack{false};
  std::atomic<int> readyCount{0}, goneCount{0}, layerShows{0}, lightingRefreshes{0};
  std::atomic<bool> reading{false}, initDone{true}, answerYes{false};
};

// Records the texts the keyboard's traffic gives the user.
class RecordingMessages : public DeviceMessages {
 public:
  void ShowDeviceMessage(TextKey key) override { shown.push_back(key); }
  std::vector<TextKey> shown;
};
