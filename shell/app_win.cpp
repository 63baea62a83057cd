#include "shell/app_win.h"

#include <windows.h>

#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "app/app_paths.h"
#include "shell/main_dialog_win.h"
#include "shell/single_instance_win.h"

namespace {

std::u16string ModulePath() {
  wchar_t path[kMaxPath] = {};
  GetModuleFileNameW(nullptr, path, kMaxPath);
  return FromWide(path);
}

}  // namespace

int COstrakApp::Run() {
  // The registry root and the program's paths, then its texts.
  AppPaths paths = MakeAppPaths(ModulePath());
  SetRegistryRoot(kSettingsRootKey, paths.applicationName);
  SetPaths(std::move(paths));
  LoadLanguageTexts();

  {
    COstrakDlg mainDialog;
    HANDLE mutex = nullptr;
    if (!ClaimSingleInstance(CommandLineArguments(), Paths().ownFileName, mutex)) return 0;
    mainDialog.TakeInstanceMutex(mutex);
    LaunchCompanionProgram(Paths().companionProgram);
    mainDialog.SetPendingChanges(false);

    mainDialog.RunModal(nullptr);

    // Windows under ours may have been covered by it: let every one repaint.
    InvalidateRect(nullptr, nullptr, TRUE);
  }
  return 0;
}
