// Stands in for the companion program in the start-up tests: each start adds a
// line to the file named by OSTRAK_PROBE_LOG, then the probe ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t log[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"OSTRAK_PROBE_LOG", log, MAX_PATH)) return 1;
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, "started\n", 8, &written, nullptr);
  CloseHandle(file);
  return 0;
}
