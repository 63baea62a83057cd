// Start-up benchmark: the time from starting Ostrak.exe with the simulated
// keyboard until its notification-area icon is there and the keyboard has
// been read back into the profile file, divided by the start-up time of the smallest dialog
// program under the same Wine. Prints the ratio of the medians (it should stay
// below 2); the program folder is the first argument.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/sim_server_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

PROCESS_INFORMATION Run(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process);
  return process;
}

void Finish(PROCESS_INFORMATION& process) {
  WaitForSingleObject(process.hProcess, 20000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2) return 2;
  const std::wstring folder = arguments[1];
  const std::wstring program = folder + L"Ostrak.exe";
  const std::wstring minimal = TestProgramsFolder() + L"minimal_dialog.exe";

  SimServer keyboard;
  if (!keyboard.Start()) return 3;
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard.Port())).c_str());
  wchar_t documents[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
  const std::wstring profile = std::wstring(documents) + L"\\Ostrak_05A\\$Profile0";

  // Round -1 warms both programs up (the system's libraries, Wine's services)
  // and is not counted.
  constexpr int kRuns = 9;
  std::vector<double> ostrak, dialog;
  for (int run = -1; run < kRuns; ++run) {
    DeleteFileW(profile.c_str());
    const double start = SecondsNow();
    PROCESS_INFORMATION process = Run(program, L"", folder);
    const auto started = [&] {
      return GetFileAttributesW(profile.c_str()) != INVALID_FILE_ATTRIBUTES &&
             TrayIconShown(MainWindowOf(process.dwProcessId));
    };
    while (!started() && SecondsNow() - start < 30) Sleep(1);
    const double ostrakTime = SecondsNow() - start;
    PROCESS_INFORMATION killer = Run(program, L"/Kill", folder);
    Finish(killer);
    Finish(process);

    const double dialogStart = SecondsNow();
    PROCESS_INFORMATION small = Run(minimal, L"", folder);
    Finish(small);
    if (run < 0) continue;
    ostrak.push_back(ostrakTime);
    dialog.push_back(SecondsNow() - dialogStart);
  }
  keyboard.Stop();

  std::printf("start-up until the icon is shown and the keyboard read: %.0f ms; smallest dialog program: %.0f ms; ratio %.2f (should stay below 2)\n",
              MedianOf(ostrak) * 1000, MedianOf(dialog) * 1000, MedianOf(ostrak) / MedianOf(dialog));
  std::fflush(stdout);
  return 0;
}
