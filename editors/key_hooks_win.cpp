#include "editors/key_hooks_win.h"

#include <windows.h>

#include <utility>

#include "macros/macro_recorder.h"

namespace {

// An event is timed when its hook runs. The thread hook has no time of its
// own for the message (GetMessageTime there may still give the previous
// message's, as under Wine), and the low-level hook hears a key as it is typed
// while the thread hook hears it when the window's thread takes it: the
// events' own times could run backwards from one hook to the other, and the
// unsigned delay would wrap to weeks. On one clock read in turn the delays
// never wrap, and they are the user's while the thread keeps up with the keys.
std::uint32_t Now() { return GetTickCount(); }

struct HookPair {
  HHOOK thread = nullptr;
  HHOOK lowLevel = nullptr;

  void Install(HOOKPROC threadProcedure, HOOKPROC lowLevelProcedure) {
    thread = SetWindowsHookExW(WH_KEYBOARD, threadProcedure, nullptr, GetCurrentThreadId());
    lowLevel = SetWindowsHookExW(WH_KEYBOARD_LL, lowLevelProcedure, GetModuleHandleW(nullptr), 0);
  }
  void Remove() {
    if (thread) UnhookWindowsHookEx(thread);
    if (lowLevel) UnhookWindowsHookEx(lowLevel);
    thread = lowLevel = nullptr;
  }
};

struct Recording {
  RecorderState state;
  HookPair hooks;
  std::function<void(const MacroAction&)> onAction;
} recording;

struct Capture {
  bool active = false;
  HookPair hooks;
  std::function<void(KeyCode)> onKey;
} capture;

KeyEvent ThreadEvent(WPARAM wParam, LPARAM lParam) {
  return KeyEventFromKeyMessage(static_cast<int>(wParam), static_cast<std::intptr_t>(lParam), Now());
}

KeyEvent LowLevelEvent(WPARAM wParam, LPARAM lParam) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  return KeyEventFromLowLevelHook(static_cast<unsigned>(wParam), static_cast<int>(key->vkCode),
                                  static_cast<int>(key->scanCode), key->flags, Now());
}

// Hands the step's actions on; the owner may stop the recording meanwhile.
LRESULT Recorded(const RecordStep& step, int code, WPARAM wParam, LPARAM lParam) {
  const auto onAction = recording.onAction;  // outlives a StopRecording from inside
  for (const MacroAction& action : step.Actions())
    if (onAction) onAction(action);
  return step.swallow ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK RecordKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION || !recording.state.recording) return CallNextHookEx(nullptr, code, wParam, lParam);
  return Recorded(RecordKeyboardEvent(recording.state, ThreadEvent(wParam, lParam)), code, wParam, lParam);
}

LRESULT CALLBACK RecordLowLevelHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION || !recording.state.recording) return CallNextHookEx(nullptr, code, wParam, lParam);
  return Recorded(RecordLowLevelEvent(recording.state, LowLevelEvent(wParam, lParam)), code, wParam, lParam);
}

LRESULT Captured(const CaptureStep& step, int code, WPARAM wParam, LPARAM lParam) {
  if (step.captured != kNoKey) {
    const auto onKey = capture.onKey;
    if (onKey) onKey(step.captured);
  }
  return step.swallow ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CaptureKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION || !capture.active) return CallNextHookEx(nullptr, code, wParam, lParam);
  return Captured(CaptureKeyboardEvent(ThreadEvent(wParam, lParam)), code, wParam, lParam);
}

LRESULT CALLBACK CaptureLowLevelHook(int code, WPARAM wParam, LPARAM lParam) {
  const bool keyMessage = wParam == WM_KEYDOWN || wParam == WM_KEYUP || wParam == WM_SYSKEYDOWN || wParam == WM_SYSKEYUP;
  if (code != HC_ACTION || !capture.active || !keyMessage) return CallNextHookEx(nullptr, code, wParam, lParam);
  return Captured(CaptureLowLevelEvent(LowLevelEvent(wParam, lParam)), code, wParam, lParam);
}

}  // namespace

bool StartRecording(std::function<void(const MacroAction&)> onAction) {
  if (recording.state.recording) return false;
  ToggleRecording(recording.state, Now());
  recording.onAction = std::move(onAction);
  recording.hooks.Install(RecordKeyboardHook, RecordLowLevelHook);
  return true;
}

void StopRecording() {
  if (!recording.state.recording) return;
  ToggleRecording(recording.state, Now());
  recording.hooks.Remove();
  recording.onAction = nullptr;
}

bool IsRecording() { return recording.state.recording; }

bool StartKeyCapture(std::function<void(KeyCode)> onKey) {
  if (capture.active) return false;
  capture.active = true;
  capture.onKey = std::move(onKey);
  capture.hooks.Install(CaptureKeyboardHook, CaptureLowLevelHook);
  return true;
}

void StopKeyCapture() {
  if (!capture.active) return;
  capture.active = false;
  capture.hooks.Remove();
  capture.onKey = nullptr;
}

bool IsCapturing() { return capture.active; }
