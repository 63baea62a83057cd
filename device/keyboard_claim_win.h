// The window program and the console program never talk to the keyboard, or
// write the profile file, at the same time.
//
// A console command that reaches the keyboard holds the console mutex for as
// long as it runs (so console commands take turns). While the window program
// runs (it holds its instance mutex), the command asks it for the keyboard:
// the window finishes what it is sending, then parks its transfer thread
// until the command has ended, and reads the keyboard and the profile file
// again afterwards, as when the keyboard arrives. A window with changes not
// applied, or an editor or dialog open, keeps the keyboard: the command then
// stops at once. The window program, starting, waits for a console command to
// end before it opens the keyboard.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include <windows.h>

inline constexpr wchar_t kInstanceMutexName[] = L"Ostrak_Mutex";
inline constexpr wchar_t kConsoleMutexName[] = L"Ostrak_Console_Mutex";
// Manual-reset events the window program makes: a command asks, the window
// lends or refuses.
inline constexpr wchar_t kKeyboardRequestEvent[] = L"Ostrak_Keyboard_Request";
inline constexpr wchar_t kKeyboardLentEvent[] = L"Ostrak_Keyboard_Lent";
inline constexpr wchar_t kKeyboardRefusedEvent[] = L"Ostrak_Keyboard_Refused";

// How long a command waits for the window to finish its transfer and answer.
inline constexpr unsigned long kWindowAnswerWaitMs = 30000;

// For a console command: takes the console mutex (waiting a while for another
// command to end) and, while the window program runs, borrows the keyboard
// from it. Empty when the keyboard is the command's until the process ends,
// else what stops it.
std::string ClaimKeyboardForConsole();

// For the window program, before it opens the keyboard: waits until no
// console command holds it, at most `limitMs` (a command that hangs must not
// keep the window away for ever).
void WaitForConsoleCommands(unsigned long limitMs);
inline constexpr unsigned long kConsoleCommandWaitMs = 120000;

// The window program's side: makes the events and calls `onRequest` (on a
// thread of its own) each time a console command asks for the keyboard. The
// window answers with LendKeyboardToConsole or RefuseKeyboardToConsole.
class ConsoleRequestWatcher {
 public:
  explicit ConsoleRequestWatcher(std::function<void()> onRequest);
  ~ConsoleRequestWatcher();
  ConsoleRequestWatcher(const ConsoleRequestWatcher&) = delete;
  ConsoleRequestWatcher& operator=(const ConsoleRequestWatcher&) = delete;

 private:
  HANDLE request_ = nullptr, lent_ = nullptr, refused_ = nullptr, stop_ = nullptr;
  std::thread thread_;
};

// On the window's transfer thread, with nothing else to send: tells the
// command the keyboard is its own (`lent` turns true), then waits until no
// command holds the console mutex any more (or `stopping` turns true, checked
// every 100 ms). Commands that follow one another while it waits ask again;
// the window answers them with TellConsoleKeyboardLent while `lent` holds.
void LendKeyboardToConsole(const std::function<bool()>& stopping, std::atomic<bool>& lent);
void TellConsoleKeyboardLent();
// The window keeps the keyboard: the command stops.
void RefuseKeyboardToConsole();
