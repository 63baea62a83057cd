#include "shell/tray_icon_win.h"

#include <string>
#include <utility>

#include "controls/dialog_win.h"
#include "controls/subclass_win.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "app/app_paths.h"

namespace {

constexpr UINT_PTR kHookId = 0x54524159;  // "TRAY"
constexpr UINT_PTR kAddRetryTimer = kHookId;  // a timer of the owner window that the hook keeps to itself
constexpr std::size_t kTooltipLength = 127;

void CopyTooltip(NOTIFYICONDATAW& data, std::u16string_view tooltip) {
  const std::wstring text = Wide(tooltip.substr(0, kTooltipLength));
  wcsncpy(data.szTip, text.c_str(), kTooltipLength);
  data.szTip[kTooltipLength] = L'\0';
}

HICON LoadProgramIcon(int iconId) {
  return static_cast<HICON>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

}  // namespace

CTrayIcon::CTrayIcon(ShellNotify notify) : notify_(std::move(notify)) {
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
}

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Add(HWND owner, UINT callbackMessage, std::u16string_view tooltip, HICON icon, UINT id) {
  if (!IsWindow(owner)) return false;
  std::lock_guard guard(mutex_);
  data_ = NOTIFYICONDATAW{};
  data_.cbSize = NOTIFYICONDATAW_V3_SIZE;
  data_.hWnd = owner;
  data_.uID = id;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = callbackMessage;
  data_.hIcon = icon;
  CopyTooltip(data_, tooltip);

  owner_ = owner;
  AddSubclass(owner, OwnerHook, kHookId, reinterpret_cast<DWORD_PTR>(this));
  HWND parent = GetAncestor(owner, GA_ROOT);
  if (parent && parent != owner) {
    hookedParent_ = parent;
    AddSubclass(parent, OwnerHook, kHookId, reinterpret_cast<DWORD_PTR>(this));
  }
  hidden_ = false;
  return AddToShell();
}

bool CTrayIcon::AddToShell() {
  // A busy shell may take the icon and still answer no (it timed out): the
  // icon is there when the shell accepts a change to it, which also brings it
  // up to date.
  created_ = notify_(NIM_ADD, &data_) != FALSE || notify_(NIM_MODIFY, &data_) != FALSE;
  if (created_)
    KillTimer(owner_, kAddRetryTimer);
  else
    SetTimer(owner_, kAddRetryTimer, kTrayAddRetryMs, nullptr);
  return created_;
}

void CTrayIcon::Remove() {
  std::lock_guard guard(mutex_);
  if (created_) {
    notify_(NIM_DELETE, &data_);
    created_ = false;
  }
  if (owner_) {
    KillTimer(owner_, kAddRetryTimer);
    RemoveSubclass(owner_, OwnerHook, kHookId);
  }
  if (hookedParent_) RemoveSubclass(hookedParent_, OwnerHook, kHookId);
  owner_ = hookedParent_ = nullptr;
}

void CTrayIcon::ShowIcon(int iconId) {
  if (iconId == shownId_) return;
  data_.hIcon = LoadProgramIcon(iconId);
  if (created_) {
    NOTIFYICONDATAW change = data_;
    change.uFlags = NIF_ICON;
    notify_(NIM_MODIFY, &change);
  }
  shownId_ = iconId;
}

void CTrayIcon::SetTrayState(int kind, int iconId) {
  std::lock_guard guard(mutex_);
  if (kind == 1) {
    ShowIcon(IDI_KEYBOARD_SPECIAL);
  } else if (iconId == 0) {
    ShowIcon(normalId_);
  } else {
    normalId_ = iconId;
    ShowIcon(iconId);
  }
}

void CTrayIcon::SetTooltip(std::u16string_view tooltip) {
  std::lock_guard guard(mutex_);
  CopyTooltip(data_, tooltip);
  if (created_) {
    NOTIFYICONDATAW change = data_;
    change.uFlags = NIF_TIP;
    notify_(NIM_MODIFY, &change);
  }
}

void CTrayIcon::ShowNotice(std::u16string_view text) {
  std::lock_guard guard(mutex_);
  lastNotice_ = std::u16string(text);
  if (!created_) return;
  NOTIFYICONDATAW notice = data_;
  notice.uFlags = NIF_INFO;
  notice.dwInfoFlags = NIIF_INFO;
  const std::wstring body = Wide(text.substr(0, std::size(notice.szInfo) - 1));
  const std::wstring title = Wide(Text(TextKey::MAIN_CAPTION).substr(0, std::size(notice.szInfoTitle) - 1));
  wcsncpy(notice.szInfo, body.c_str(), std::size(notice.szInfo));
  wcsncpy(notice.szInfoTitle, title.c_str(), std::size(notice.szInfoTitle));
  notify_(NIM_MODIFY, &notice);
}

std::u16string CTrayIcon::lastNotice() const {
  std::lock_guard guard(mutex_);
  return lastNotice_;
}

bool CTrayIcon::created() const {
  std::lock_guard guard(mutex_);
  return created_;
}

int CTrayIcon::shownIconId() const {
  std::lock_guard guard(mutex_);
  return shownId_;
}

int CTrayIcon::normalIconId() const {
  std::lock_guard guard(mutex_);
  return normalId_;
}

// The taskbar came back: the icon goes to it afresh, also one it has not
// taken yet.
void CTrayIcon::Readd() {
  std::lock_guard guard(mutex_);
  if (!owner_ || hidden_) return;
  hidden_ = true;
  if (created_) notify_(NIM_DELETE, &data_);
  AddToShell();
  hidden_ = false;
}

void CTrayIcon::RetryAdd() {
  std::lock_guard guard(mutex_);
  if (!owner_ || created_) return;
  AddToShell();
}

HMENU CTrayIcon::BuildMenu() {
  HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (!menu) return nullptr;
  HMENU items = GetSubMenu(menu, 0);
  LoadLanguageGroup(4);
  const struct { TextKey text; UINT command; } entries[] = {
      {TextKey::MENU_11, ID_TRAY_OPEN}, {TextKey::MENU_22, ID_APP_ABOUT}, {TextKey::MENU_33, ID_TRAY_EXIT}};
  for (UINT position = 0; position < 3; ++position)
    ModifyMenuW(items, position, MF_BYPOSITION | MF_STRING, entries[position].command,
                Wide(Text(entries[position].text)).c_str());
  SetMenuDefaultItem(items, 0, TRUE);
  return menu;
}

void CTrayIcon::OnIconMouse(UINT mouseMessage) {
  if (mouseMessage == WM_RBUTTONUP) {
    HMENU menu = BuildMenu();
    if (!menu) return;
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner_);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);  // lets the menu close when the user clicks elsewhere
    DestroyMenu(menu);
  } else if (mouseMessage == WM_LBUTTONDBLCLK) {
    HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (!menu) return;
    const UINT command = GetMenuItemID(GetSubMenu(menu, 0), 0);
    DestroyMenu(menu);
    SetForegroundWindow(owner_);
    SendMessageW(owner_, WM_COMMAND, command, 0);
  }
}

LRESULT CALLBACK CTrayIcon::OwnerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self) {
  auto* tray = reinterpret_cast<CTrayIcon*>(self);
  if (message == tray->data_.uCallbackMessage && wParam == tray->data_.uID) {
    tray->OnIconMouse(static_cast<UINT>(lParam));
  } else if (message == tray->taskbarCreated_ && tray->taskbarCreated_ != 0) {
    tray->Readd();
  } else if (message == WM_TIMER && wParam == kAddRetryTimer) {
    tray->RetryAdd();
    return 0;  // the window's own timers only
  } else if (message == WM_NCDESTROY) {
    RemoveSubclass(window, OwnerHook, kHookId);
  }
  return CallNextProcedure(window, message, wParam, lParam);
}

std::u16string HelpPagePath() { return Paths().helpFolder + u"index.html"; }

void OpenHelp() {
  ShellExecuteW(nullptr, L"open", L"index.html", nullptr, Wide(Paths().helpFolder).c_str(), SW_SHOWNORMAL);
}
