#include "controls/message_box_win.h"

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "controls/dialog_win.h"

namespace {

bool boxesStopped = false;

// The button names of the box about to open, given to it as it activates.
struct ButtonNames {
  std::wstring yes, no, cancel;
  HHOOK hook = nullptr;
};
thread_local ButtonNames* namingButtons = nullptr;

LRESULT CALLBACK NameButtons(int code, WPARAM wParam, LPARAM lParam) {
  ButtonNames* names = namingButtons;
  if (names && code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    SetDlgItemTextW(box, IDYES, names->yes.c_str());
    SetDlgItemTextW(box, IDNO, names->no.c_str());
    SetDlgItemTextW(box, IDCANCEL, names->cancel.c_str());
    namingButtons = nullptr;  // only the box's first activation
    return CallNextHookEx(names->hook, code, wParam, lParam);
  }
  return CallNextHookEx(names ? names->hook : nullptr, code, wParam, lParam);
}

int ShowBox(HWND owner, std::u16string_view text, UINT flags) {
  if (boxesStopped) return IDCANCEL;
  ForeignModalLoop loop;
  return MessageBoxW(owner, Wide(text).c_str(), Wide(Paths().applicationName).c_str(), flags);
}

}  // namespace

void ShowMessageBox(HWND owner, std::u16string_view text, UINT extraFlags) {
  ShowBox(owner, text, MB_OK | MB_ICONWARNING | extraFlags);
}

void ShowInformationBox(HWND owner, std::u16string_view text) {
  ShowBox(owner, text, MB_OK | MB_ICONINFORMATION);
}

// A box ended from outside (the exit) answers neither Yes nor No: No.
bool AskYesNoBox(HWND owner, std::u16string_view text) {
  return ShowBox(owner, text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

int AskThreeWayBox(HWND owner, std::u16string_view text, std::u16string_view yes, std::u16string_view no,
                   std::u16string_view cancel) {
  ButtonNames names{Wide(yes), Wide(no), Wide(cancel)};
  names.hook = SetWindowsHookExW(WH_CBT, NameButtons, nullptr, GetCurrentThreadId());
  namingButtons = &names;
  const int answer = ShowBox(owner, text, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
  namingButtons = nullptr;
  if (names.hook) UnhookWindowsHookEx(names.hook);
  return answer;
}

void StopShowingMessageBoxes(bool stopped) { boxesStopped = stopped; }
