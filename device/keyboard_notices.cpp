#include "device/keyboard_notices.h"

#include <chrono>

#include "shell/shell_state.h"
#include "shell/user_interface.h"

namespace {

constexpr int kIconNoKeyboard = 128;
constexpr int kIconKeyboardPresent = 141;

}  // namespace

void KeyboardNotices::Spawn(void (KeyboardNotices::*work)(int), int argument) {
  std::lock_guard guard(threadsMutex_);
  if (stopping_) return;
  // Finished threads are joined here, so they do not pile up.
  std::erase_if(threads_, [](Worker& worker) {
    if (!*worker.done) return false;
    worker.thread.join();
    return true;
  });
  auto done = std::make_shared<std::atomic<bool>>(false);
  threads_.push_back({std::thread([this, work, argument, done] {
                        (this->*work)(argument);
                        *done = true;
                      }),
                      done});
}

void KeyboardNotices::Stop() {
  std::vector<Worker> running;
  {
    std::lock_guard guard(threadsMutex_);
    stopping_ = true;
    running.swap(threads_);
  }
  for (Worker& worker : running)
    if (worker.thread.joinable()) worker.thread.join();
  std::lock_guard guard(threadsMutex_);
  stopping_ = false;
}

void KeyboardNotices::OnConsumerNotice(std::uint16_t code) {
  switch (code) {
    case kNoticeLayerToggle:
      link_.ToggleLayer();
      UI().ShowLayer();
      break;
    case kNoticeSettingsChanged:
      UI().RefreshLightingSoon();
      break;
    case kNoticeSpecialStateOff:
    case kNoticeSpecialStateOn:
      Spawn(&KeyboardNotices::ShowSpecialState, code == kNoticeSpecialStateOn);
      break;
    default:
      break;  // 0x1801-0x1804 and anything else: nothing the program acts on
  }
}

void KeyboardNotices::ShowSpecialState(int on) {
  std::lock_guard turn(iconMark_);
  if (on)
    UI().SetTrayState(1, 0);
  else
    UI().SetTrayState(0, 0);  // the normal icon again
}

void KeyboardNotices::OnDeviceCount(int count) { Spawn(&KeyboardNotices::AttachWorker, count); }

void KeyboardNotices::StartAttachWorker(int count) { Spawn(&KeyboardNotices::AttachWorker, count); }

void KeyboardNotices::AttachWorker(int count) {
  if (count == lastCount_) return;
  if (count == 0) {
    link_.ForgetCurrentProfile();
    UI().DeviceGone();
  } else {
    DeviceKeyTable defaults;
    if (link_.ReadDefaultKeyTable(defaults) == 1)
      SetDefaultKeyTable(defaults);
    else
      UI().ShowMessage(Text(TextKey::MAIN_DEFAULT_MATRIX_PROMPT));
    link_.RefreshMacroCapacity();
    UI().DeviceReady();
  }
  while (!UI().InitDone()) {
    {
      std::lock_guard guard(threadsMutex_);
      if (stopping_) return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  UI().SetTrayState(0, count != 0 ? kIconKeyboardPresent : kIconNoKeyboard);
  lastCount_ = count;
  Shell().devicesPresent = count;
}
