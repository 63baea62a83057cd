// One running instance per user logon: the mutex "Ostrak_Mutex", finding the
// running instance's process and telling its main window to open or to exit.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "device/keyboard_claim_win.h"  // kInstanceMutexName

enum class InstanceNotice { Open, Kill };


// "/Kill" in any mix of cases.
bool IsKillArgument(std::u16string_view argument);
// "/Show" in any mix of cases: the Start menu's start, which opens the window
// at once (a start without it stays in the notification area).
bool IsShowArgument(std::u16string_view argument);

// The arguments after the program name.
std::vector<std::u16string> CommandLineArguments();

// The id of a process whose executable file name is `ownFileName` (any case),
// preferring another process to this one; 0 when none matches.
DWORD FindRunningInstance(std::u16string_view ownFileName);

// Sends the notice to the first window of the process, from the top of the Z
// order, that carries the main window marker. Returns whether one was found.
bool NotifyInstanceWindows(DWORD processId, InstanceNotice kind);

// Runs the start-up protocol. Returns true when this process is to become the
// running instance (the mutex handle is then in `mutex`), false when it must
// end with exit code 0 (it asked a running instance to exit or to open). A
// running instance asked to exit ("/Kill") is waited for, at most kKillWaitMs.
inline constexpr unsigned long kKillWaitMs = 15000;
bool ClaimSingleInstance(const std::vector<std::u16string>& arguments, std::u16string_view ownFileName,
                         HANDLE& mutex);

// Starts the companion program hidden; a missing or failing one changes nothing.
void LaunchCompanionProgram(const std::u16string& path);
