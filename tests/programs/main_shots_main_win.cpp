// Shows the main window at (0, 0) over the simulated keyboard, for
// screenshots (scripts/skin-shots):
//   main_shots.exe PROGRAM_FOLDER\ chinese|english [flipped] [lighting EFFECT] [focus]
// PROGRAM_FOLDER is a copy of the program folder: the language choice is
// written to its language file. The keyboard offers every effect; with
// `lighting` the lighting panel is on and the keyboard shows effect EFFECT;
// with `focus` the keyboard is on the A key, as after a walk with the arrows.
// The window stays until it is closed.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "shell/main_dialog_win.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/windows_test_support_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 3) return 2;
  const std::wstring folder = args[1];
  const bool english = std::wstring(args[2]) == L"english";
  bool flipped = false, focus = false;
  int effect = 0;
  for (int i = 3; i < count; ++i) {
    const std::wstring arg = args[i];
    if (arg == L"flipped") flipped = true;
    if (arg == L"focus") focus = true;
    if (arg == L"lighting" && i + 1 < count) effect = _wtoi(args[++i]);
  }

  SimServer keyboard;
  if (!keyboard.Start()) return 3;
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard.Port())).c_str());
  keyboard.Control("poke status 12 0102030405060708090A0B0C0D0E0000");
  if (effect > 0) {
    char settings[16];
    std::snprintf(settings, sizeof settings, "%02X0F0A0000", effect);
    // Effect 9 in the factory black; each other group a colour of its own, its random flag off.
    keyboard.Control(std::string("poke settings 0 ") + settings +
                     "0000000000FFFFFF0000FF4D4D00005CF07A00008A6CFF0000FFB0200000");
  }
  SetPaths(MakeAppPaths(FromWide(folder + L"Ostrak.exe")));
  SetRegistryRoot(u"Ostrak_Brelund", u"OstrakMainShots");
  StoreLanguageChoice(english ? 1 : 0);
  LoadLanguageTexts();
  WriteFlagSetting(kFlipValue, flipped ? 1 : 0);
  FormVoviIniPath();
  WriteVoviSetting(kLightingOnValue, effect > 0 ? 1 : 0);

  COstrakApp app;
  COstrakDlg window(app, true);
  if (!window.CreateModeless()) return 4;
  // The keyboard read back, its lighting with it.
  WaitUntil([&] { return !window.lightingPanel().State().offeredEffects.empty() && !window.KeyboardBusy(); }, 15000);
  window.ShowMainWindow();
  SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  if (focus) {
    // Focus marks show once the keyboard is in use.
    SendMessageW(window.hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(window.Item(1058));  // A
  }
  MSG message;
  while (window.IsOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Dialog::TranslateModelessMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
