// The keyboard hooks of the key editor: a recording's, which turn what the
// user types into macro actions, and the single-key page's, which take the
// next key pressed. Each is a pair: a hook of the user-interface thread for
// the key messages of the program's windows, and a system-wide low-level hook
// for the Windows keys (and, for capture, the Application key), which the
// thread hook never sees. One recording and one capture per process, on the
// thread that starts them; macros/macro_recorder.h decides what each event
// becomes.
#pragma once

#include <functional>

#include "keyboard/key_codes.h"
#include "macros/macro_record.h"

// Installs both recording hooks; `onAction` hears every recorded action in
// order (a release-only key's own press first). False, and nothing
// installed, when a recording runs already. A hook the system refuses is not
// reported: the recording then hears nothing from it.
bool StartRecording(std::function<void(const MacroAction&)> onAction);
// Removes both; nothing when no recording runs. Safe from inside `onAction`.
void StopRecording();
bool IsRecording();

// Installs both capture hooks; `onKey` hears every key taken.
bool StartKeyCapture(std::function<void(KeyCode)> onKey);
void StopKeyCapture();
bool IsCapturing();
