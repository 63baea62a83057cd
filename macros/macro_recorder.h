// The macro recorder: turns what the user types into macro actions, and
// captures the one key that the single-key page assigns.
//
// Two keyboard hooks feed it, both called on the user-interface thread: a
// thread keyboard hook, which sees the key messages of the program's windows,
// and a system-wide low-level hook, which exists only to catch the Windows keys
// (and, for capture, the Application key) that the thread hook never receives.
// This file holds everything the hooks decide; the hooks themselves, their
// handles and the editor they feed live in the Windows layer. A hook procedure
// turns its arguments into a KeyEvent, asks one of the functions below what
// the event becomes, adds the actions it names through AddRecordedAction and
// swallows the event when told to.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "keyboard/key_codes.h"
#include "macros/macro_record.h"

// The delay every recorded row but the last carries when the record-delay
// option is off.
inline constexpr std::uint32_t kFixedRecordDelayMs = 50;
// The pause recorded between the synthetic press of a release-only key and
// its release.
inline constexpr std::uint32_t kSyntheticPressDelayMs = 2;

// One key event as a keyboard hook delivers it.
struct KeyEvent {
  int virtualKey = 0;
  int scanCode = 0;          // the scan code's byte (after the E0 prefix, if any)
  bool extended = false;     // the key is sent after E0
  bool release = false;      // key up; otherwise key down
  bool repeat = false;       // key down of a key already down (auto-repeat); the low-level hook cannot tell
  std::uint32_t timeMs = 0;  // milliseconds since system start (wraps)
};

// The event of a thread keyboard hook: the virtual-key code and the key data
// (a key message's lParam: scan code in bits 16-23, extended flag in bit 24,
// previous key state in bit 30, transition state in bit 31).
KeyEvent KeyEventFromKeyMessage(int virtualKey, std::intptr_t keyData, std::uint32_t timeMs);

// The event of a low-level keyboard hook: its message (a key-down is 0x100 or
// 0x104, anything else a release) and the hook record's virtual-key code, scan
// code and flags (bit 0: extended).
KeyEvent KeyEventFromLowLevelHook(unsigned message, int virtualKey, int scanCode, unsigned flags,
                                  std::uint32_t timeMs);

// The key code of a thread hook's event (KeyMessageToKeyCode); 0 if none.
KeyCode KeyEventKeyCode(const KeyEvent& event);

// Whether a key can be recorded or captured: every key code but 0 and the
// media keys, whose events go on untouched so that they keep their effect.
bool IsRecordableKey(KeyCode code);

// The recorder's state, one per process. The hook handles and the editor that
// receives the actions belong to the Windows layer.
struct RecorderState {
  bool recording = false;
  std::uint32_t lastEventMs = 0;  // time of the previous recorded event; the start of the recording at first
  int lastWindowsKey = 0;         // virtual-key code of the Windows key last seen going down, 0 none
  KeyCode pressedUpOnlyKey = kNoKey;  // a release-only key whose press did arrive: its release needs no synthetic one
};

// Starts a recording at `nowMs` when none runs, else stops it. Returns whether
// a recording runs now (the caller then installs the hooks, else removes them).
bool ToggleRecording(RecorderState& state, std::uint32_t nowMs);

// What one event of a recording becomes: the actions to add, in order, each
// with its measured delay, and whether the event is swallowed.
struct RecordStep {
  std::array<MacroAction, 2> actions{};  // a release-only key's synthetic press comes first
  int actionCount = 0;
  bool swallow = false;  // no window (and, for the Windows keys, not the system) receives the event

  std::span<const MacroAction> Actions() const { return {actions.data(), static_cast<std::size_t>(actionCount)}; }
};

// An event of the thread keyboard hook. Keys without a code and media keys
// pass untouched; an auto-repeat is swallowed without an action, so a held
// key records one press and one release; every other event records its key
// and is swallowed. Windows reports only the release of Print Screen and the
// other release-only keys (IsUpOnlyKey), so their release comes after a press
// of their own, 2 ms before it, unless their press did arrive.
RecordStep RecordKeyboardEvent(RecorderState& state, const KeyEvent& event);

// An event of the low-level hook: the Windows keys are recorded as 0x15B and
// 0x15C (their auto-repeat not) and always swallowed, so they reach neither
// the system nor another program while a recording runs; other keys pass.
RecordStep RecordLowLevelEvent(RecorderState& state, const KeyEvent& event);

// The delay a recorded row gets under the record-delay option: 1 keeps the
// measured delay, 0 gives 50 ms, any other value 0.
std::uint32_t RecordedDelay(std::uint32_t measuredMs, int recordDelayOption);

// Puts one recorded action into the editor's action list, whose rows each
// keep the delay that follows their action. The new row goes after
// `selectedRow`, or at the end when no row is selected (-1); the measured
// delay (after the record-delay option) goes to the row before it, and the new
// row inherits what that row carried (0 when it goes first). So a fresh
// recording's last row carries 0 and its first measured delay, the time since
// the recording started, is dropped. A direction above 1 becomes a press.
// Returns the new row, which the caller selects so that the next action goes
// after it; -1 when the list already holds 2000 rows (the action is dropped).
int AddRecordedAction(std::vector<MacroAction>& rows, int selectedRow, MacroAction action,
                      int recordDelayOption);

// What one event does on the single-key page.
struct CaptureStep {
  KeyCode captured = kNoKey;  // the key taken, 0 when the event takes none
  bool swallow = false;
};

// An event of the thread hook during key capture: a fresh key-down is taken
// (Print Screen, which Windows reports only on release, on any event); the
// other events of a recordable key are swallowed; keys without a code and
// media keys pass.
CaptureStep CaptureKeyboardEvent(const KeyEvent& event);

// An event of the low-level hook during key capture: the two Windows keys and
// the Application key are taken, press and release alike, and swallowed;
// other keys pass.
CaptureStep CaptureLowLevelEvent(const KeyEvent& event);
