// ostrak-cli.exe, beside Ostrak.exe in the program folder: the device service
// is HidServ.dll from that folder and the profile file the window program's.
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <iostream>

#include "app/app_paths.h"
#include "app/utf8_text.h"
#include "app/wide_win.h"
#include "console/console_program.h"
#include "device/device_service_win.h"
#include "device/keyboard_claim_win.h"
#include "localisation/language_file_win.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(argv[i]))));

  // The window's messages in the language the user chose for it.
  wchar_t module[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  SetPaths(MakeAppPaths(FromWide(std::wstring_view(module, length < MAX_PATH ? length : 0))));
  LoadLanguageTexts();
  // The window program's settings: it is Ostrak.exe beside this program.
  SetRegistryRoot(kSettingsRootKey, u"Ostrak");
  RegistryValues gameRules(kGamesSection);

  ConsoleEnvironment environment;
  environment.out = &std::cout;
  environment.err = &std::cerr;
  environment.progress = _isatty(_fileno(stderr)) != 0;
  environment.profilePath = ProfileFilePath(0);
  environment.openService = [](DeviceService& service, std::string& whyNot) {
    if (!LoadDeviceService(ProgramFolder(), service)) {
      whyNot = "HidServ.dll is missing from the program folder";
      return false;
    }
    if (service.Init(0) <= 0) {
      whyNot = "the keyboard service did not start";
      return false;
    }
    return true;
  };
  environment.claimKeyboard = ClaimKeyboardForConsole;
  environment.gameRules = &gameRules;
  return RunConsole(arguments, environment);
}
