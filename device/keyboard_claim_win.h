// The window program and the console program never talk to the keyboard, or
// write the profile file, at the same time. The window program holds its
// instance mutex for as long as it runs; a console command that reaches the
// keyboard holds the console mutex for as long as it runs. A console command
// stops at once while the window program runs; the window program, starting,
// waits for a console command to end before it opens the keyboard.
#pragma once

#include <string>

inline constexpr wchar_t kInstanceMutexName[] = L"Ostrak_Mutex";
inline constexpr wchar_t kConsoleMutexName[] = L"Ostrak_Console_Mutex";

// For a console command: takes the console mutex (waiting a while for another
// console command to end), then checks that the window program is not
// running. Empty when the keyboard is the command's until the process ends,
// else what stops it.
std::string ClaimKeyboardForConsole();

// For the window program, before it opens the keyboard: waits until no
// console command holds it, at most `limitMs` (a command that hangs must not
// keep the window away for ever).
void WaitForConsoleCommands(unsigned long limitMs);
inline constexpr unsigned long kConsoleCommandWaitMs = 120000;
