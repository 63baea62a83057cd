#include "device/keyboard_claim_win.h"

namespace {

constexpr DWORD kOtherCommandWaitMs = 60000;  // the longest download of a full macro memory, with room to spare

HANDLE OpenNamedEvent(const wchar_t* name) { return OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name); }

// Sets one of the window's events, when it is there.
void SignalNamedEvent(const wchar_t* name) {
  if (HANDLE event = OpenNamedEvent(name)) {
    SetEvent(event);
    CloseHandle(event);
  }
}

// Asks the running window for the keyboard; empty when it lent it.
std::string BorrowFromWindow() {
  HANDLE request = OpenNamedEvent(kKeyboardRequestEvent);
  HANDLE lent = OpenNamedEvent(kKeyboardLentEvent);
  HANDLE refused = OpenNamedEvent(kKeyboardRefusedEvent);
  std::string answer;
  if (!request || !lent || !refused) {
    answer = "the Ostrak window is running and does not lend the keyboard: close it (Ostrak.exe /Kill) and run the "
             "command again";
  } else {
    ResetEvent(lent);
    ResetEvent(refused);
    SetEvent(request);
    const HANDLE answers[] = {lent, refused};
    switch (WaitForMultipleObjects(2, answers, FALSE, kWindowAnswerWaitMs)) {
      case WAIT_OBJECT_0:
        break;
      case WAIT_OBJECT_0 + 1:
        answer = "the Ostrak window keeps the keyboard: it has changes that are not applied, or an editor or dialog "
                 "open; apply or cancel them and run the command again";
        break;
      default:
        answer = "the Ostrak window did not answer: close it (Ostrak.exe /Kill) and run the command again";
    }
  }
  for (HANDLE h : {request, lent, refused})
    if (h) CloseHandle(h);
  return answer;
}

}  // namespace

std::string ClaimKeyboardForConsole() {
  // Held until the process ends; the system releases it then, even after a kill.
  HANDLE console = CreateMutexW(nullptr, FALSE, kConsoleMutexName);
  if (!console) return "the keyboard cannot be claimed (error " + std::to_string(GetLastError()) + ")";
  const DWORD waited = WaitForSingleObject(console, kOtherCommandWaitMs);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
    return "another ostrak-cli command is still talking to the keyboard";
  HANDLE window = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName);
  if (!window) return {};
  CloseHandle(window);
  std::string refused = BorrowFromWindow();
  if (!refused.empty()) ReleaseMutex(console);
  return refused;
}

// Waiting for a mutex and giving it back needs both rights.
HANDLE OpenConsoleMutex() { return OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kConsoleMutexName); }

void WaitForConsoleCommands(unsigned long limitMs) {
  HANDLE console = OpenConsoleMutex();
  if (!console) return;  // no console command has run since the last one ended
  const DWORD waited = WaitForSingleObject(console, limitMs);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(console);
  CloseHandle(console);
}

ConsoleRequestWatcher::ConsoleRequestWatcher(std::function<void()> onRequest) {
  request_ = CreateEventW(nullptr, TRUE, FALSE, kKeyboardRequestEvent);
  lent_ = CreateEventW(nullptr, TRUE, FALSE, kKeyboardLentEvent);
  refused_ = CreateEventW(nullptr, TRUE, FALSE, kKeyboardRefusedEvent);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!request_ || !stop_) return;
  thread_ = std::thread([this, onRequest = std::move(onRequest)] {
    const HANDLE waits[] = {stop_, request_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      ResetEvent(request_);
      onRequest();
    }
  });
}

ConsoleRequestWatcher::~ConsoleRequestWatcher() {
  if (stop_) SetEvent(stop_);
  if (thread_.joinable()) thread_.join();
  for (HANDLE h : {request_, lent_, refused_, stop_})
    if (h) CloseHandle(h);
}

void TellConsoleKeyboardLent() { SignalNamedEvent(kKeyboardLentEvent); }

void LendKeyboardToConsole(const std::function<bool()>& stopping, std::atomic<bool>& lent) {
  HANDLE console = OpenConsoleMutex();
  lent = true;
  TellConsoleKeyboardLent();
  for (bool waiting = console != nullptr; waiting;) {
    const DWORD waited = WaitForSingleObject(console, 100);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      // Under the mutex, so that a command that takes it next either finds
      // the keyboard still lent or asks for it anew.
      lent = false;
      ReleaseMutex(console);
      break;
    }
    waiting = waited == WAIT_TIMEOUT && !stopping();
  }
  lent = false;
  if (console) CloseHandle(console);
}

void RefuseKeyboardToConsole() { SignalNamedEvent(kKeyboardRefusedEvent); }
