// Shows a skinned window of our skin, for screenshots and for the tests of
// the skin layer's failure rules.
//   skin_demo.exe /folder PROGRAM_FOLDER\ [/window main|profile|composite|update]
//                 [/hover KEY] [/check KEY] [/init-only]
// With /init-only the window closes right after it initialised and the exit
// code is 3 (a window picture that cannot be loaded ends the process with 0
// before that). Otherwise the window stays at (0, 0) until it is closed.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "controls/skin_preview_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::u16string folder;
  SkinWindow window = SkinWindow::kMain;
  std::vector<std::u16string> hover, check;
  bool initOnly = false;
  for (int i = 1; i < count; ++i) {
    const std::wstring arg = args[i];
    const std::u16string next = i + 1 < count ? reinterpret_cast<const char16_t*>(args[i + 1]) : u"";
    if (arg == L"/folder")
      folder = next, ++i;
    else if (arg == L"/hover")
      hover.push_back(next), ++i;
    else if (arg == L"/check")
      check.push_back(next), ++i;
    else if (arg == L"/init-only")
      initOnly = true;
    else if (arg == L"/window") {
      window = next == u"profile"     ? SkinWindow::kProfile
               : next == u"composite" ? SkinWindow::kComposite
               : next == u"update"    ? SkinWindow::kUpdate
                                      : SkinWindow::kMain;
      ++i;
    }
  }
  SkinPreviewDialog dialog(window, folder);
  if (!dialog.CreateModeless()) return 2;
  if (initOnly) return 3;
  SetWindowPos(dialog.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  for (const auto& key : check)
    if (CPngButton* b = dialog.Button(key)) b->SetChecked(true, true);
  for (const auto& key : hover)
    if (CPngButton* b = dialog.Button(key)) SendMessageW(b->hwnd(), WM_MOUSEHOVER, 0, 0);
  MSG message;
  while (dialog.IsOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Dialog::TranslateModelessMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
