// Process-wide state that the shell shares with the device link and the
// profile storage. Other threads read it, so the counters are atomic. The
// window handles live beside the main window (main_dialog_win.h); the
// keyboard's current profile is cached by the device link.
#pragma once

#include <atomic>

struct ShellState {
  std::atomic<int> displayMode{0};            // 0 function keys, 1 colour keys
  std::atomic<int> devicesPresent{0};         // last keyboard count; 0 means no keyboard
};

ShellState& Shell();
