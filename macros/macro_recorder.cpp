#include "macros/macro_recorder.h"

#include <utility>

namespace {

// Low-level hook messages that are key-downs (WM_KEYDOWN, WM_SYSKEYDOWN).
constexpr unsigned kKeyDownMessage = 0x100;
constexpr unsigned kSystemKeyDownMessage = 0x104;
constexpr unsigned kLowLevelExtendedFlag = 0x01;

constexpr int kLeftWindowsVirtualKey = 0x5B;
constexpr int kRightWindowsVirtualKey = 0x5C;
constexpr int kApplicationVirtualKey = 0x5D;
constexpr KeyCode kLeftWindowsKey = 0x15B;
constexpr KeyCode kRightWindowsKey = 0x15C;
constexpr KeyCode kApplicationKey = 0x15D;
constexpr KeyCode kPrintScreenKey = 0x137;

// The keys the low-level hook handles itself, because the thread hook never
// sees them; 0 for every other key.
KeyCode WindowsKeyCode(int virtualKey) {
  if (virtualKey == kLeftWindowsVirtualKey) return kLeftWindowsKey;
  if (virtualKey == kRightWindowsVirtualKey) return kRightWindowsKey;
  return kNoKey;
}

// Records one key event: a release-only key's release first gets the press
// that Windows did not report, then the event itself goes in with the time
// since the previous one (unsigned, so the tick counter's wrap does no harm).
RecordStep RecordKey(RecorderState& state, KeyCode key, bool release, std::uint32_t timeMs) {
  RecordStep step;
  const std::uint16_t direction = release ? kMacroRelease : kMacroPress;
  if (IsUpOnlyKey(key)) {
    if (release && state.pressedUpOnlyKey != key) {
      step.actions[step.actionCount++] = {kSyntheticPressDelayMs, key, kMacroPress};
    }
    state.pressedUpOnlyKey = release ? kNoKey : key;
  }
  step.actions[step.actionCount++] = {timeMs - state.lastEventMs, key, direction};
  state.lastEventMs = timeMs;
  step.swallow = true;
  return step;
}

}  // namespace

KeyEvent KeyEventFromKeyMessage(int virtualKey, std::intptr_t keyData, std::uint32_t timeMs) {
  const auto bits = static_cast<std::uint32_t>(keyData);
  const bool release = (bits & 0x80000000u) != 0;
  return {.virtualKey = virtualKey,
          .scanCode = static_cast<int>((bits >> 16) & 0xFF),
          .extended = (bits & 0x01000000u) != 0,
          .release = release,
          .repeat = !release && (bits & 0x40000000u) != 0,
          .timeMs = timeMs};
}

KeyEvent KeyEventFromLowLevelHook(unsigned message, int virtualKey, int scanCode, unsigned flags,
                                  std::uint32_t timeMs) {
  return {.virtualKey = virtualKey,
          .scanCode = scanCode & 0xFF,
          .extended = (flags & kLowLevelExtendedFlag) != 0,
          .release = message != kKeyDownMessage && message != kSystemKeyDownMessage,
          .repeat = false,
          .timeMs = timeMs};
}

KeyCode KeyEventKeyCode(const KeyEvent& event) {
  const std::uint32_t scan = static_cast<std::uint32_t>(event.scanCode & 0xFF) | (event.extended ? 0x100u : 0u);
  return KeyMessageToKeyCode(event.virtualKey, static_cast<std::intptr_t>(scan << 16));
}

bool IsRecordableKey(KeyCode code) { return code != kNoKey && MediaIndexOfKeyCode(code) < 0; }

bool ToggleRecording(RecorderState& state, std::uint32_t nowMs) {
  if (state.recording) {
    state.recording = false;
  } else {
    state = {.recording = true, .lastEventMs = nowMs};
  }
  return state.recording;
}

RecordStep RecordKeyboardEvent(RecorderState& state, const KeyEvent& event) {
  if (!state.recording) return {};
  const KeyCode key = KeyEventKeyCode(event);
  if (!IsRecordableKey(key)) return {};
  if (event.repeat) return {.swallow = true};
  return RecordKey(state, key, event.release, event.timeMs);
}

RecordStep RecordLowLevelEvent(RecorderState& state, const KeyEvent& event) {
  if (!state.recording) return {};
  // The low-level hook cannot tell an auto-repeat: a Windows key going down
  // again without a release between is one. Any release ends the run, so the
  // next key-down is fresh.
  const bool fresh = event.release || event.virtualKey != state.lastWindowsKey;
  if (event.release) state.lastWindowsKey = 0;
  const KeyCode key = WindowsKeyCode(event.virtualKey);
  if (key == kNoKey) return {};
  state.lastWindowsKey = event.release ? 0 : event.virtualKey;
  if (!fresh) return {.swallow = true};
  return RecordKey(state, key, event.release, event.timeMs);
}

std::uint32_t RecordedDelay(std::uint32_t measuredMs, int recordDelayOption) {
  if (recordDelayOption == 1) return measuredMs;
  if (recordDelayOption == 0) return kFixedRecordDelayMs;
  return 0;
}

int AddRecordedAction(std::vector<MacroAction>& rows, int selectedRow, MacroAction action,
                      int recordDelayOption) {
  if (rows.size() >= static_cast<std::size_t>(kMaxMacroActions)) return -1;
  if (action.direction > kMacroRelease) action.direction = kMacroPress;
  const int count = static_cast<int>(rows.size());
  const int position = selectedRow >= 0 && selectedRow < count ? selectedRow + 1 : count;
  const std::uint32_t delay = RecordedDelay(action.delayMs, recordDelayOption);
  if (position == 0) {
    action.delayMs = 0;
  } else {
    // The measured time lies between the previous action and this one.
    action.delayMs = std::exchange(rows[position - 1].delayMs, delay);
  }
  rows.insert(rows.begin() + position, action);
  return position;
}

CaptureStep CaptureKeyboardEvent(const KeyEvent& event) {
  const KeyCode key = KeyEventKeyCode(event);
  if (!IsRecordableKey(key)) return {};
  const bool fresh = !event.release && !event.repeat;
  if (fresh || key == kPrintScreenKey) return {.captured = key, .swallow = true};
  return {.swallow = true};
}

CaptureStep CaptureLowLevelEvent(const KeyEvent& event) {
  const KeyCode key =
      event.virtualKey == kApplicationVirtualKey ? kApplicationKey : WindowsKeyCode(event.virtualKey);
  if (key == kNoKey) return {};
  return {.captured = key, .swallow = true};
}
