// Which program a window belongs to: the image path of its process, read with
// the least rights that tell it, and for a Store app's frame the app's own
// process rather than the frame host's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct WindowProgram {
  HWND window = nullptr;      // the top-level window asked about
  std::u16string windowClass; // its class: tells the desktop, the taskbar, ...
  DWORD processId = 0;        // the program's process (the app's, not its frame host's)
  std::u16string imagePath;   // empty when the process could not be opened (or has ended)
  bool ownProcess = false;    // a window of this program
};

// The program of the top-level window that holds `window`; null window: none.
WindowProgram ProgramOfWindow(HWND window);

// The image path of a process, opened with PROCESS_QUERY_LIMITED_INFORMATION;
// empty when it could not be opened (it runs with more rights than this
// program, or has ended).
std::u16string ProcessImagePath(DWORD processId);

// The visible, titled top-level windows of other programs, topmost first,
// with their titles: what the user can bring to the front.
struct ProgramWindow {
  WindowProgram program;
  std::u16string title;
};
std::vector<ProgramWindow> ProgramWindows();
