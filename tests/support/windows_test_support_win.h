// Small helpers for the Windows tests: paths of the build under Wine, scratch
// folders, files in UTF-16, waiting for another process.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A Unix path of the build as Wine sees it (the Z: drive maps /).
std::wstring WindowsPathOf(std::string_view unixPath);

// The program folder that the build assembled, ending in a backslash.
std::wstring BuiltProgramFolder();
std::wstring TestProgramsFolder();

// A new empty folder under the temporary folder; removed by RemoveTree.
std::wstring MakeScratchFolder(std::wstring_view name);
void RemoveTree(const std::wstring& folder);
bool CopyTree(const std::wstring& from, const std::wstring& to);

bool FileExists(const std::wstring& path);
void WriteUtf16File(const std::wstring& path, std::u16string_view text);  // with a byte-order mark
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

// Polls `done` every 20 ms, handling this thread's messages meanwhile, until it
// holds or `timeoutMs` has passed. Returns whether it held.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A steady clock in seconds.
double SecondsNow();

// The top-level windows of a process that `wanted` picks.
std::vector<HWND> TopWindowsOf(DWORD processId, const std::function<bool(HWND)>& wanted);
// The text of a tooltip this process shows now (empty when none shows).
std::wstring ShownTooltipText();
// The program's main window in that process (found by its marker), or null.
HWND MainWindowOf(DWORD processId);
// The visible message boxes (or other standard dialogs but the main window)
// of that process.
std::vector<HWND> MessageBoxesOf(DWORD processId);
// The texts of a box's children, one a line.
std::wstring MessageBoxText(HWND box);
// The first of them, or null; `text`, when given, gets its texts.
HWND MessageBoxOf(DWORD processId, std::wstring* text);
// Whether that window's notification-area icon is there (the notification
// area accepts a change to it).
bool TrayIconShown(HWND mainWindow);

// Answers every message box of this process that shows `text` with `button`
// (IDOK, IDYES, IDNO), from a thread of its own: the window's thread is inside
// the box meanwhile. Counts the boxes answered.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(std::wstring text, int button = IDOK);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
  std::atomic<int> seen{0};
  // The captions of the first box answered, by button id (read once seen).
  std::map<int, std::wstring> buttons;

 private:
  std::wstring text_;
  int button_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
