#include "shell/app_win.h"

#include <algorithm>

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

void COstrakApp::TakeInstanceMutex(HANDLE mutex) {
  if (instanceMutex_ && instanceMutex_ != mutex) CloseHandle(instanceMutex_);
  instanceMutex_ = mutex;
}

void COstrakApp::ReleaseInstance() {
  if (instanceMutex_) CloseHandle(instanceMutex_);
  instanceMutex_ = nullptr;
  events_.Close();
  tray_.Remove();
}

int COstrakApp::Run() {
  // The registry root and the program's paths, then its texts.
  AppPaths paths = MakeAppPaths(ModulePath());
  SetRegistryRoot(kSettingsRootKey, paths.applicationName);
  SetPaths(std::move(paths));
  LoadLanguageTexts();

  {
    COstrakDlg mainDialog(*this);
    HANDLE mutex = nullptr;
    if (!ClaimSingleInstance(CommandLineArguments(), Paths().ownFileName, mutex)) return 0;
    TakeInstanceMutex(mutex);
    const std::vector<std::u16string> arguments = CommandLineArguments();
    if (std::any_of(arguments.begin(), arguments.end(), IsShowArgument)) mainDialog.OpenOnceStarted();
    LaunchCompanionProgram(Paths().companionProgram);
    mainDialog.SetPendingChanges(false);

    // The window starts in the notification area only.
    mainDialog.RunModal(nullptr, Dialog::Start::kHidden);

    // Windows under ours may have been covered by it: let every one repaint.
    InvalidateRect(nullptr, nullptr, TRUE);
  }
  return 0;
}
