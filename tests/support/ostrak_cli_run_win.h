// ostrak-cli.exe from the built program folder, run as a script runs it: its
// exit code and what it wrote to standard output and standard error.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/windows_test_support_win.h"

struct CliRun {
  DWORD code = 0xFFFF;
  std::string out, err;
};

// Runs `ostrak-cli.exe arguments`, its output kept in files of `folder` (named
// by `number`: under Wine a program that has just ended may still hold the
// files of the run before for a moment). Handles this thread's messages while
// it waits, so that a window of this thread can answer the command.
inline CliRun RunOstrakCli(const std::wstring& arguments, const std::wstring& folder, int number) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring outPath = folder + L"\\stdout" + std::to_wstring(number) + L".txt";
  const std::wstring errPath = folder + L"\\stderr" + std::to_wstring(number) + L".txt";
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = err;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = L"\"" + BuiltProgramFolder() + L"ostrak-cli.exe\" " + arguments;
  PROCESS_INFORMATION process{};
  CliRun run;
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                     &process)) {
    // Generous: a loaded machine under Wine.
    if (!WaitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 120000))
      TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &run.code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  run.out = ReadBytes(outPath);
  run.err = ReadBytes(errPath);
  return run;
}
