#include "tests/support/windows_test_support_win.h"

#include <commctrl.h>

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "app/messages.h"
#include "shell/tray_icon_win.h"

std::wstring WindowsPathOf(std::string_view unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::wstring BuiltProgramFolder() { return WindowsPathOf(OSTRAK_PROGRAM_DIR_UNIX) + L"\\"; }
std::wstring TestProgramsFolder() { return WindowsPathOf(OSTRAK_TEST_PROGRAMS_DIR_UNIX) + L"\\"; }

std::wstring MakeScratchFolder(std::wstring_view name) {
  static std::atomic<int> serial{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"ostrak-" + std::wstring(name) + L"-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(serial++);
  RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

void RemoveTree(const std::wstring& folder) {
  std::wstring from = folder;
  while (!from.empty() && from.back() == L'\\') from.pop_back();
  from.push_back(L'\0');  // the list ends with two terminators
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((from + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ok = CopyTree(from + name + L"\\", to + name + L"\\") && ok;
    else
      ok = CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE) && ok;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return ok;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void WriteUtf16File(const std::wstring& path, std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  WriteBytes(path, bytes);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(20);
  }
}

std::vector<HWND> TopWindowsOf(DWORD processId, const std::function<bool(HWND)>& wanted) {
  struct Search {
    DWORD pid;
    const std::function<bool(HWND)>& wanted;
    std::vector<HWND> found;
  } search{processId, wanted, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->pid && s->wanted(window)) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND MainWindowOf(DWORD processId) {
  const auto found = TopWindowsOf(processId, [](HWND window) {
    return static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)) == kMainWindowMarker;
  });
  return found.empty() ? nullptr : found.front();
}

std::vector<HWND> MessageBoxesOf(DWORD processId) {
  return TopWindowsOf(processId, [](HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 &&
           static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)) != kMainWindowMarker;
  });
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM context) -> BOOL {
        wchar_t buffer[512] = {};
        GetWindowTextW(child, buffer, 512);
        *reinterpret_cast<std::wstring*>(context) += buffer;
        *reinterpret_cast<std::wstring*>(context) += L"\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

HWND MessageBoxOf(DWORD processId, std::wstring* text) {
  const std::vector<HWND> boxes = MessageBoxesOf(processId);
  if (boxes.empty()) return nullptr;
  if (text) *text = MessageBoxText(boxes.front());
  return boxes.front();
}

bool TrayIconShown(HWND mainWindow) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = mainWindow;
  icon.uID = kTrayIconId;
  return mainWindow && Shell_NotifyIconW(NIM_MODIFY, &icon);
}

std::wstring ShownTooltipText() {
  std::wstring shown;
  for (HWND tip : TopWindowsOf(GetCurrentProcessId(), [](HWND w) {
         wchar_t name[32] = {};
         GetClassNameW(w, name, 32);
         return IsWindowVisible(w) && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0;
       })) {
    wchar_t text[256] = {};
    GetWindowTextW(tip, text, 256);
    if (text[0]) shown = text;
  }
  return shown;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring text, int button) : text_(std::move(text)), button_(button) {
  thread_ = std::thread([this] {
    // A box answered stays on screen until its thread takes the answer: it is
    // counted once.
    std::vector<HWND> answered;
    while (!stop_) {
      const std::vector<HWND> boxes = MessageBoxesOf(GetCurrentProcessId());
      std::erase_if(answered, [&](HWND box) { return std::find(boxes.begin(), boxes.end(), box) == boxes.end(); });
      for (HWND box : boxes) {
        wchar_t shown[512] = {};
        GetDlgItemTextW(box, 0xFFFF, shown, 512);
        if (text_ != shown || std::find(answered.begin(), answered.end(), box) != answered.end()) continue;
        answered.push_back(box);
        if (seen == 0)
          for (const int button : {IDOK, IDCANCEL, IDYES, IDNO}) {
            wchar_t caption[64] = {};
            if (GetDlgItemTextW(box, button, caption, 64) > 0) buttons[button] = caption;
          }
        ++seen;
        PostMessageW(box, WM_COMMAND, button_, 0);
      }
      Sleep(20);
    }
  });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  stop_ = true;
  thread_.join();
}

double SecondsNow() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

