// Stands in for another program in the tests (the companion program, a web
// browser): each start adds a line to the file named by OSTRAK_PROBE_LOG,
// "started" and the arguments it was given, then the probe ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR arguments, int) {
  wchar_t log[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"OSTRAK_PROBE_LOG", log, MAX_PATH)) return 1;
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::string line = "started";
  for (const wchar_t* c = arguments; c && *c; ++c) line += *c < 0x80 ? static_cast<char>(*c) : '?';
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
