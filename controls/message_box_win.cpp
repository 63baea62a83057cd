#include "controls/message_box_win.h"

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "controls/dialog_win.h"

namespace {

bool boxesStopped = false;

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

void StopShowingMessageBoxes(bool stopped) { boxesStopped = stopped; }
