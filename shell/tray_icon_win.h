// CTrayIcon: the program's icon in the notification area, its menu and mouse
// actions, and its return after the taskbar restarts.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <mutex>
#include <string_view>

#include "app/messages.h"

inline constexpr UINT kTrayCallbackMessage = WM_TRAY_CALLBACK;
inline constexpr UINT kTrayIconId = 140;  // also the number of the icon's menu

// How often an icon the shell refused is offered again.
inline constexpr UINT kTrayAddRetryMs = 1000;

class CTrayIcon {
 public:
  // The shell's notification-icon call; tests stand in for it.
  using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

  explicit CTrayIcon(ShellNotify notify = Shell_NotifyIconW);
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon and hooks the owner window so that the icon's mouse messages
  // and the taskbar's restart are seen before the window's own handler.
  // Returns whether the shell took the icon. While it does not (at log-on the
  // taskbar may not be there yet), a timer on the owner window offers the icon
  // again every kTrayAddRetryMs, with the icon and tooltip set meanwhile, until
  // the shell takes it or the icon is removed. Called on the owner's thread.
  bool Add(HWND owner, UINT callbackMessage, std::u16string_view tooltip, HICON icon, UINT id);
  void Remove();

  // Kind 0 with an icon id shows it and remembers it as the normal icon; kind 0
  // with id 0 shows the remembered normal icon again; kind 1 shows the special
  // state's icon (142) and keeps the remembered one. Any thread may call it.
  void SetTrayState(int kind, int iconId);
  void SetTooltip(std::u16string_view tooltip);
  // A balloon notice beside the icon, titled with the window's caption (nothing
  // while the shell has not taken the icon). The last one is kept for tests.
  void ShowNotice(std::u16string_view text);
  std::u16string lastNotice() const;

  bool created() const;
  int shownIconId() const;
  int normalIconId() const;

  // The icon's menu with its texts in the chosen language, item 0 the default;
  // the caller destroys it. Exposed so that its texts can be checked.
  static HMENU BuildMenu();

 private:
  static LRESULT CALLBACK OwnerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  void OnIconMouse(UINT mouseMessage);
  void ShowIcon(int iconId);  // with mutex_ held
  bool AddToShell();          // with mutex_ held, on the owner's thread
  void Readd();
  void RetryAdd();

  ShellNotify notify_;
  mutable std::mutex mutex_;
  NOTIFYICONDATAW data_{};
  HWND owner_ = nullptr;
  HWND hookedParent_ = nullptr;
  bool created_ = false;
  bool hidden_ = false;
  int shownId_ = 128;
  int normalId_ = 128;
  UINT taskbarCreated_ = 0;
  std::u16string lastNotice_;
};

// The help page, Help\index.html in the program folder: it ships with the
// program, so it is there whenever the program is.
std::u16string HelpPagePath();
// Opens the help page with the shell.
void OpenHelp();
