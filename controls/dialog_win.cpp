#include "controls/dialog_win.h"

#include <algorithm>
#include <vector>

#include "controls/subclass_win.h"
#include "app/wide_win.h"

namespace {

std::vector<Dialog*>& ModelessDialogs() {
  static std::vector<Dialog*> open;
  return open;
}

// The modal dialogs whose loops run, outermost first.
std::vector<Dialog*>& ModalDialogs() {
  static std::vector<Dialog*> running;
  return running;
}

int foreignModalLoops = 0;  // message boxes and system file dialogs running

bool IsSystemDialogWindow(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return lstrcmpW(className, L"#32770") == 0;
}

// Messages whose answer a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

bool Belongs(HWND dialog, HWND window) { return window == dialog || IsChild(dialog, window); }

}  // namespace

HINSTANCE ResourceModule() { return GetModuleHandleW(nullptr); }

void Control::Attach(HWND dialog, int id) {
  id_ = id;
  hwnd_ = GetDlgItem(dialog, id);
}

void Control::Enable(bool enabled) const {
  if (hwnd_) EnableWindow(hwnd_, enabled);
}
bool Control::IsEnabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Control::Show(bool shown) const {
  if (hwnd_) ShowWindow(hwnd_, shown ? SW_SHOW : SW_HIDE);
}
bool Control::IsVisible() const { return hwnd_ && IsWindowVisible(hwnd_); }
void Control::SetText(std::u16string_view text) const {
  if (hwnd_) SetWindowTextW(hwnd_, Wide(text).c_str());
}
std::u16string Control::Text() const {
  if (!hwnd_) return {};
  std::wstring text(GetWindowTextLengthW(hwnd_) + 1, L'\0');
  text.resize(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size())));
  return FromWide(text);
}

namespace {

constexpr UINT_PTR kControlHookId = 0x4B4954;  // "KIT"

}  // namespace

SubclassedControl::~SubclassedControl() { Unhook(); }

void SubclassedControl::Unhook() {
  if (hooked_ && IsWindow(hooked_)) RemoveSubclass(hooked_, Procedure, kControlHookId);
  hooked_ = nullptr;
}

void SubclassedControl::Attach(HWND dialog, int id) {
  Unhook();
  Control::Attach(dialog, id);
  if (hwnd() && AddSubclass(hwnd(), Procedure, kControlHookId, reinterpret_cast<DWORD_PTR>(this))) hooked_ = hwnd();
}

LRESULT SubclassedControl::Forward(UINT message, WPARAM wParam, LPARAM lParam) const {
  return CallNextProcedure(hooked_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
  auto* control = reinterpret_cast<SubclassedControl*>(self);
  if (message != WM_NCDESTROY) return control->Handle(message, wParam, lParam);
  control->OnWindowGone();
  RemoveSubclass(window, Procedure, kControlHookId);
  control->hooked_ = nullptr;
  control->Detach();
  return CallNextProcedure(window, message, wParam, lParam);
}

Dialog::~Dialog() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
  }
  auto& open = ModelessDialogs();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

bool Dialog::Create(HWND owner) {
  endRequested_ = false;
  result_ = 0;
  if (commonControls_) LoadCommonControls();
  if (templateData_)
    return CreateDialogIndirectParamW(ResourceModule(), templateData_, owner, Procedure,
                                      reinterpret_cast<LPARAM>(this)) != nullptr;
  return CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), owner, Procedure,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::Bind(Control& control, int id) {
  control.Attach(hwnd_, id);
  if (std::find(bound_.begin(), bound_.end(), &control) == bound_.end()) bound_.push_back(&control);
}

INT_PTR Dialog::RunModal(HWND owner, Start start) {
  if (hwnd_) return -1;
  modal_ = true;
  if (!Create(owner)) {
    modal_ = false;
    return -1;
  }
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  if (!endRequested_ && hwnd_ && start == Start::kShown) ShowWindow(hwnd_, SW_SHOWNORMAL);

  ModalDialogs().push_back(this);
  MSG message;
  while (!endRequested_ && hwnd_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // let the outer loop see it too
      break;
    }
    if (got < 0) break;
    if (Belongs(hwnd_, message.hwnd)) {
      if (PreTranslateMessage(message) || IsDialogMessageW(hwnd_, &message)) continue;
    } else if (TranslateModelessMessage(message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  auto& running = ModalDialogs();
  running.erase(std::remove(running.begin(), running.end(), this), running.end());

  if (disableOwner) EnableWindow(owner, TRUE);  // before the window goes, so the owner gets the focus
  if (hwnd_) DestroyWindow(hwnd_);
  modal_ = false;
  return result_;
}

ForeignModalLoop::ForeignModalLoop() { ++foreignModalLoops; }
ForeignModalLoop::~ForeignModalLoop() { --foreignModalLoops; }

int ModalLoopsRunning() { return static_cast<int>(ModalDialogs().size()) + foreignModalLoops; }

void EndDialogsOver(const Dialog& base, const Dialog* spared) {
  const HWND sparedWindow = spared ? spared->hwnd() : nullptr;
  const auto isSpared = [sparedWindow](HWND window) {
    for (; window && sparedWindow; window = GetWindow(window, GW_OWNER))
      if (window == sparedWindow) return true;
    return false;
  };
  // Copies: a dialog leaves the lists as it closes.
  std::vector<Dialog*> ours = ModalDialogs();
  const std::vector<Dialog*>& modeless = ModelessDialogs();
  ours.insert(ours.end(), modeless.begin(), modeless.end());
  std::vector<HWND> ourWindows;
  for (Dialog* dialog : ours) {
    ourWindows.push_back(dialog->hwnd());
    if (dialog != &base && dialog->IsOpen() && !isSpared(dialog->hwnd())) dialog->EndDialog(IDCANCEL);
  }
  std::vector<HWND> system;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        if (IsSystemDialogWindow(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&system));
  for (HWND window : system) {
    const bool ours = std::find(ourWindows.begin(), ourWindows.end(), window) != ourWindows.end();
    if (!ours && window != base.hwnd() && !isSpared(window)) ::EndDialog(window, IDCANCEL);
  }
}

bool Dialog::CreateModeless(HWND owner) {
  if (hwnd_) return false;
  modal_ = false;
  if (!Create(owner)) return false;
  ModelessDialogs().push_back(this);
  return true;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  endRequested_ = true;
  if (!hwnd_) return;
  if (modal_)
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the loop if it waits
  else
    DestroyWindow(hwnd_);
}

bool Dialog::TranslateModelessMessage(MSG& message) {
  // A copy: a dialog may close itself while it handles the message.
  const std::vector<Dialog*> open = ModelessDialogs();
  for (Dialog* dialog : open) {
    if (!dialog->hwnd_ || !Belongs(dialog->hwnd_, message.hwnd)) continue;
    return dialog->PreTranslateMessage(message) || IsDialogMessageW(dialog->hwnd_, &message);
  }
  return false;
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    return self->Dispatch(message, wParam, lParam);
  } catch (...) {
    return FALSE;  // an exception never crosses the system's code
  }
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      BindControls();
      return OnInitDialog();
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_DRAWITEM: {
      // Owner-drawn controls draw themselves.
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (wParam != 0 && item && item->CtlType != ODT_MENU && item->hwndItem &&
          SendMessageW(item->hwndItem, kReflectedDrawItem, wParam, lParam)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    }
    case WM_NCDESTROY: {
      OnDestroy();
      for (Control* control : bound_) control->Detach();
      bound_.clear();
      SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      auto& open = ModelessDialogs();
      open.erase(std::remove(open.begin(), open.end(), this), open.end());
      return FALSE;
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (!OnMessage(message, wParam, lParam, result)) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}
