#include "controls/message_box_win.h"

#include "app/app_paths.h"
#include "app/wide_win.h"

void ShowMessageBox(HWND owner, std::u16string_view text, UINT extraFlags) {
  MessageBoxW(owner, Wide(text).c_str(), Wide(Paths().applicationName).c_str(), MB_OK | MB_ICONWARNING | extraFlags);
}

bool AskYesNoBox(HWND owner, std::u16string_view text) {
  return MessageBoxW(owner, Wide(text).c_str(), Wide(Paths().applicationName).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}
