// Start-up benchmark: the time from starting Ostrak.exe with the simulated
// keyboard until its notification-area icon is there and the keyboard has
// been read back into the profile file, against the time from starting the
// smallest dialog program until it has shown its dialog and ended, both
// processes under the same Wine, in turns. Goal: at most 1.25. The program
// folder is the first argument.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "tests/support/paired_ratio.h"
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

  const PairedRatio startup = MeasurePairs(
      kFewestPairs,
      [&] {
        DeleteFileW(profile.c_str());
        const double start = SecondsNow();
        PROCESS_INFORMATION process = Run(program, L"", folder);
        const auto started = [&] {
          return GetFileAttributesW(profile.c_str()) != INVALID_FILE_ATTRIBUTES &&
                 TrayIconShown(MainWindowOf(process.dwProcessId));
        };
        while (!started() && SecondsNow() - start < 30) Sleep(1);
        const double took = started() ? SecondsNow() - start : -1;
        PROCESS_INFORMATION killer = Run(program, L"/Kill", folder);
        Finish(killer);
        Finish(process);
        return took;
      },
      [&] {
        const double start = SecondsNow();
        PROCESS_INFORMATION small = Run(minimal, L"", folder);
        Finish(small);
        return SecondsNow() - start;
      });
  keyboard.Stop();

  std::printf("start-up until the icon is shown and the keyboard read: %.0f ms; smallest dialog program: %.0f ms\n",
              startup.SubjectSeconds() * 1000, startup.BaselineSeconds() * 1000);
  ReportRatio("start-up / smallest dialog program", startup, "at most 1.25");
  return startup.failed ? 1 : 0;
}
