#include "session/keyboard_notices.h"

#include <chrono>
#include <utility>

#include "app/shell_state.h"
#include "localisation/text_slots.h"

namespace {

constexpr int kIconNoKeyboard = 128;
constexpr int kIconKeyboardPresent = 141;

}  // namespace

KeyboardNotices::KeyboardNotices(DeviceLink& link, TransferThread& transfers, NoticeListener& listener,
                                 ReadBack readBack)
    : link_(link), transfers_(transfers), listener_(listener), readBack_(std::move(readBack)) {}

void KeyboardNotices::Stop() {
  std::vector<IconThread> running;
  {
    std::lock_guard guard(threadsMutex_);
    stopping_ = true;
    running.swap(threads_);
  }
  for (IconThread& icon : running)
    if (icon.thread.joinable()) icon.thread.join();
  std::lock_guard guard(threadsMutex_);
  stopping_ = false;
}

void KeyboardNotices::OnConsumerNotice(std::uint16_t code) {
  switch (code) {
    case kNoticeLayerToggle:
      link_.ToggleLayer();
      listener_.ShowLayer();
      break;
    case kNoticeSettingsChanged:
      listener_.RefreshLightingSoon();
      break;
    case kNoticeSpecialStateOff:
    case kNoticeSpecialStateOn: {
      std::lock_guard guard(threadsMutex_);
      if (stopping_) break;
      // Finished threads are joined here, so they do not pile up.
      std::erase_if(threads_, [](IconThread& icon) {
        if (!*icon.done) return false;
        icon.thread.join();
        return true;
      });
      auto done = std::make_shared<std::atomic<bool>>(false);
      const bool on = code == kNoticeSpecialStateOn;
      threads_.push_back({std::thread([this, on, done] {
                            ShowSpecialState(on);
                            *done = true;
                          }),
                          done});
      break;
    }
    default:
      break;  // 0x1801-0x1804 and anything else: nothing the program acts on
  }
}

void KeyboardNotices::ShowSpecialState(bool on) {
  std::lock_guard turn(iconMark_);
  listener_.SetTrayState(on ? 1 : 0, 0);  // 0 with 0: the normal icon again
}

void KeyboardNotices::OnDeviceCount(int count) {
  std::lock_guard lock(countMutex_);
  latestCount_ = count;
  ++countChanges_;
  if (count == 0) leftMeanwhile_ = true;
  // Queued while the count is noticed (under the lock), so that whoever sees
  // the new count noticed also sees the transfer thread busy.
  if (!attachQueued_) attachQueued_ = transfers_.Post([this] { Attach(); });
}

void KeyboardNotices::ReadAgain() {
  std::lock_guard lock(countMutex_);
  ++countChanges_;
  leftMeanwhile_ = true;  // read as a keyboard plugged in again
  if (!attachQueued_) attachQueued_ = transfers_.Post([this] { Attach(); });
}

bool KeyboardNotices::ReadBackUnderWay() const {
  std::lock_guard lock(countMutex_);
  return settled_ != countChanges_ || lends_ > 0;
}

bool KeyboardNotices::PostUnlessReadingBack(TransferThread::Job job) {
  std::lock_guard lock(countMutex_);
  if (settled_ != countChanges_ || lends_ > 0) return false;
  return transfers_.Post(std::move(job));
}

bool KeyboardNotices::LendThenReadAgain(TransferThread::Job lend) {
  std::lock_guard lock(countMutex_);
  const bool queued = transfers_.Post([this, lend = std::move(lend)] {
    lend();
    ReadAgain();  // under way before the lend ends
    std::lock_guard lock(countMutex_);
    --lends_;
  });
  if (queued) ++lends_;
  return queued;
}

void KeyboardNotices::TakeReadBack() {
  std::lock_guard lock(countMutex_);
  if (untaken_ > 0 && --untaken_ == 0) settled_ = told_;
}

void KeyboardNotices::Settle(unsigned change, bool toldListener) {
  std::lock_guard lock(countMutex_);
  told_ = change;
  if (toldListener) ++untaken_;
  if (untaken_ == 0) settled_ = change;
}

unsigned KeyboardNotices::CountsNoticed() const {
  std::lock_guard lock(countMutex_);
  return countChanges_;
}

bool KeyboardNotices::Superseded(unsigned change) const {
  std::lock_guard lock(countMutex_);
  return countChanges_ != change;
}

bool KeyboardNotices::WaitForWindow() const {
  while (!listener_.InitDone()) {
    if (transfers_.Stopping()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

void KeyboardNotices::Attach() {
  int count;
  unsigned change;
  bool left;
  {
    std::lock_guard lock(countMutex_);
    attachQueued_ = false;
    count = latestCount_;
    change = countChanges_;
    left = std::exchange(leftMeanwhile_, false);
  }
  // A keyboard pulled out and plugged in again before this ran is read again:
  // it may hold something else now.
  if (count == lastCount_ && !(count != 0 && left)) {
    Settle(change, false);
    return;
  }

  bool readBack = false;
  if (count == 0 || left) link_.ForgetCurrentProfile();
  if (count != 0) {
    listener_.ReadingKeyboard(true);
    DeviceKeyTable defaults;
    const DeviceResult tableRead = link_.ReadDefaultKeyTable(defaults);
    if (tableRead == DeviceResult::kOk)
      SetDefaultKeyTable(defaults);
    else if (tableRead != DeviceResult::kCancelled && !Superseded(change))
      listener_.ShowDeviceMessage(TextKey::MAIN_DEFAULT_MATRIX_PROMPT);
    link_.RefreshMacroCapacity();
    readBack = readBack_ && readBack_();
    // The keyboard left or came again meanwhile: the newer count decides, and
    // the listener never hears of a keyboard that is no longer there.
    if (Superseded(change) || link_.TransfersCancelled()) {
      {
        std::lock_guard lock(countMutex_);
        leftMeanwhile_ = leftMeanwhile_ || left;  // still to be read again
      }
      listener_.ReadingKeyboard(false);
      return;
    }
  }
  if (!WaitForWindow()) return;  // the program is closing
  lastCount_ = count;
  Shell().devicesPresent = count;
  Settle(change, true);
  if (count == 0)
    listener_.DeviceGone();
  else
    listener_.DeviceReady(readBack);
  listener_.SetTrayState(0, count != 0 ? kIconKeyboardPresent : kIconNoKeyboard);
}
