#include "device/keyboard_claim_win.h"

#include <windows.h>

namespace {

constexpr DWORD kOtherCommandWaitMs = 60000;  // the longest download of a full macro memory, with room to spare

}  // namespace

std::string ClaimKeyboardForConsole() {
  // Held until the process ends; the system releases it then, even after a kill.
  HANDLE console = CreateMutexW(nullptr, FALSE, kConsoleMutexName);
  if (!console) return "the keyboard cannot be claimed (error " + std::to_string(GetLastError()) + ")";
  const DWORD waited = WaitForSingleObject(console, kOtherCommandWaitMs);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
    return "another ostrak-cli command is still talking to the keyboard";
  if (HANDLE window = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName)) {
    CloseHandle(window);
    ReleaseMutex(console);
    return "the Ostrak window is running and talks to the keyboard: close it (Ostrak.exe /Kill) and run the "
           "command again";
  }
  return {};
}

void WaitForConsoleCommands(unsigned long limitMs) {
  HANDLE console = OpenMutexW(SYNCHRONIZE, FALSE, kConsoleMutexName);
  if (!console) return;  // no console command has run since the last one ended
  const DWORD waited = WaitForSingleObject(console, limitMs);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(console);
  CloseHandle(console);
}
