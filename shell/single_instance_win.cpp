#include "shell/single_instance_win.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdint>

#include "app/wide_win.h"
#include "app/messages.h"

namespace {

bool SameTextIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  if (static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)) != kMainWindowMarker) return TRUE;
  search->found = window;
  return FALSE;
}

// A running instance that does not answer must not hold a new start for ever.
constexpr UINT kNoticeTimeoutMs = 30000;

}  // namespace

bool IsKillArgument(std::u16string_view argument) { return SameTextIgnoringCase(argument, u"/Kill"); }
bool IsShowArgument(std::u16string_view argument) { return SameTextIgnoringCase(argument, u"/Show"); }

std::vector<std::u16string> CommandLineArguments() {
  std::vector<std::u16string> arguments;
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(FromWide(list[i]));
  LocalFree(list);
  return arguments;
}

static HWND FindMainWindowOf(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD FindRunningInstance(std::u16string_view ownFileName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  const DWORD self = GetCurrentProcessId();
  DWORD withWindow = 0, other = 0, foundSelf = 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  // The first entry is the system's idle process and is never compared. This
  // process is in the snapshot too, and so may be other starts that are still
  // on their way out: the process that shows the main window wins, then any
  // other, then this one, wherever they stand in the snapshot.
  if (Process32FirstW(snapshot, &entry)) {
    while (!withWindow && Process32NextW(snapshot, &entry)) {
      if (!SameTextIgnoringCase(FromWide(entry.szExeFile), ownFileName)) continue;
      if (entry.th32ProcessID == self) {
        foundSelf = self;
      } else if (FindMainWindowOf(entry.th32ProcessID)) {
        withWindow = entry.th32ProcessID;
      } else if (!other) {
        other = entry.th32ProcessID;
      }
    }
  }
  CloseHandle(snapshot);
  return withWindow ? withWindow : other ? other : foundSelf;
}

bool NotifyInstanceWindows(DWORD processId, InstanceNotice kind) {
  HWND window = FindMainWindowOf(processId);
  if (!window) return false;
  const UINT message = kind == InstanceNotice::Open ? WM_INSTANCE_OPEN : WM_INSTANCE_KILL;
  const WPARAM tag = kind == InstanceNotice::Open ? kOpenTag : kKillTag;
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, tag, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kNoticeTimeoutMs, &answer);
  return true;
}

bool ClaimSingleInstance(const std::vector<std::u16string>& arguments, std::u16string_view ownFileName,
                         HANDLE& mutex) {
  mutex = nullptr;
  for (const std::u16string& argument : arguments) {
    if (!IsKillArgument(argument)) continue;
    if (const DWORD running = FindRunningInstance(ownFileName)) {
      // Returns once the program has ended (within a limit), so that a script
      // or an uninstaller may go on with the keyboard and the program's files.
      HANDLE process = running != GetCurrentProcessId() ? OpenProcess(SYNCHRONIZE, FALSE, running) : nullptr;
      NotifyInstanceWindows(running, InstanceNotice::Kill);
      if (process) {
        WaitForSingleObject(process, kKillWaitMs);
        CloseHandle(process);
      }
      return false;
    }
  }

  HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName);
  if (!existing) {
    existing = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    // Two starts at the same moment: the later creator finds the mutex there.
    if (existing && GetLastError() != ERROR_ALREADY_EXISTS) {
      mutex = existing;
      return true;
    }
  }
  if (const DWORD running = FindRunningInstance(ownFileName)) {
    NotifyInstanceWindows(running, InstanceNotice::Open);
    if (existing) CloseHandle(existing);
    return false;
  }
  mutex = existing;
  return true;
}

void LaunchCompanionProgram(const std::u16string& path) {
  const std::wstring file = Wide(path);
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_FLAG_NO_UI;  // a program that fails to start shows no box
  run.lpVerb = L"open";
  run.lpFile = file.c_str();
  run.lpParameters = L"";
  run.lpDirectory = L"";
  run.nShow = SW_HIDE;
  ShellExecuteExW(&run);
}
