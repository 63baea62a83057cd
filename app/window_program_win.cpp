#include "app/window_program_win.h"

#include "app/wide_win.h"

namespace {

std::u16string ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return FromWide(std::wstring_view(name, length > 0 ? length : 0));
}

DWORD ProcessOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

// A Store app's window is a frame of ApplicationFrameHost.exe around a child
// window of the app's own process: the first child of another process.
DWORD AppInsideFrame(HWND frame, DWORD frameProcess) {
  struct Search {
    DWORD frameProcess;
    DWORD found;
  } search{frameProcess, 0};
  EnumChildWindows(
      frame,
      [](HWND child, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        const DWORD process = ProcessOf(child);
        if (process == 0 || process == s.frameProcess) return TRUE;
        s.found = process;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::u16string ProcessImagePath(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return {};
  wchar_t path[32768];
  DWORD length = static_cast<DWORD>(std::size(path));
  // Only a call that said it succeeded gives a path.
  const bool read = QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  CloseHandle(process);
  return read ? FromWide(std::wstring_view(path, length)) : std::u16string();
}

WindowProgram ProgramOfWindow(HWND window) {
  WindowProgram program;
  if (!window) return program;
  HWND top = GetAncestor(window, GA_ROOT);
  program.window = top ? top : window;
  program.windowClass = ClassOf(program.window);
  program.processId = ProcessOf(program.window);
  if (program.windowClass == u"ApplicationFrameWindow")
    if (const DWORD app = AppInsideFrame(program.window, program.processId)) program.processId = app;
  program.ownProcess = program.processId == GetCurrentProcessId();
  if (program.processId != 0) program.imagePath = ProcessImagePath(program.processId);
  return program;
}

std::vector<ProgramWindow> ProgramWindows() {
  std::vector<ProgramWindow> windows;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
        if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
        wchar_t title[256] = {};
        const int length = GetWindowTextW(window, title, static_cast<int>(std::size(title)));
        if (length <= 0) return TRUE;
        WindowProgram program = ProgramOfWindow(window);
        if (program.ownProcess) return TRUE;
        reinterpret_cast<std::vector<ProgramWindow>*>(data)->push_back(
            {std::move(program), FromWide(std::wstring_view(title, length))});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}
