// Shows one of the program's dialogs at (0, 0), over a main window without a
// keyboard, in either language, for screenshots (scripts/skin-shots):
//   editor_shots.exe WHAT [en|zh]
// WHAT is a page of the key editor (single, macro, media, function), which
// edits the A key of a profile with two macros; the profile manager
// (profiles); the About box (about); the firmware update dialog (update), or
// that dialog showing one of its messages: update-nofile, update-missing,
// update-nokeyboard, update-busy, update-refused, update-launch, backup-done,
// backup-failed. It stays open until it is closed.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "panels/key_grid_ids.h"
#include "profiles/key_grid_view.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr int kKeyA = 0x1E;

// Two macros; the A key's assignment opens the editor on `page`.
void FillProfile(WorkingProfile& profile, const std::wstring& page) {
  FreeMacroList(profile.macros);
  AllocateMacroList(profile.macros, 2);
  const char16_t* names[] = {u"Reload", u"Quick build"};
  for (int m = 0; m < 2; ++m) {
    MacroRecord& macro = profile.macros.records[m];
    FillNewMacroRecord(macro, names[m], static_cast<std::uint16_t>(m + 1));
    const KeyCode keys[] = {0x013, 0x02A, 0x011, 0x010};  // R, Shift, W, Q
    macro.actionCount = 8;
    for (int a = 0; a < 8; ++a)
      macro.actions[a] = {static_cast<std::uint32_t>(a == 7 ? 0 : 40 + 10 * a), keys[a / 2],
                          static_cast<std::uint16_t>(a % 2 ? kMacroRelease : kMacroPress)};
  }
  KeyAssignment& a = profile.block->area[AssignmentIndex(0, kKeyA)];
  a = page == L"macro"      ? KeyAssignment{AssignmentType::Macro, 1, 1, 0, 0}
      : page == L"media"    ? KeyAssignment{AssignmentType::Media, 0, 7, 0, 0}
      : page == L"function" ? KeyAssignment{AssignmentType::Function, 0, 4, 0, 0}
                            : KeyAssignment{AssignmentType::Key, 0, 0x030, 0, 0};
}

int KeyButtonOfA() {
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    if (KeyButtonEntry(i) == kKeyA) return kKeyButtonIds[i];
  return 0;
}

// The shipped language file copied where the chosen language can be stored
// without touching it.
void UseLanguage(const std::wstring& language) {
  const std::wstring folder = MakeScratchFolder(L"dialog-shots");
  const std::wstring file = folder + L"language.ini";
  CopyFileW((BuiltProgramFolder() + L"Skins\\language.ini").c_str(), file.c_str(), FALSE);
  WritePrivateProfileStringW(L"language", L"language", language == L"zh" ? L"0" : L"1", file.c_str());
  AppPaths paths = Paths();
  paths.languageFile = FromWide(file);
  SetPaths(paths);
  LoadLanguageTexts();
}

void Run(Dialog& dialog) {
  SetWindowPos(dialog.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  MSG message;
  while (dialog.IsOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Dialog::TranslateModelessMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The firmware update dialog whose window answers as `what` asks; the
// message it shows, if any, comes once it is up.
int ShowUpdate(COstrakDlg& window, const std::wstring& what) {
  const std::u16string package = Paths().packageFolder;
  static std::wstring shown;
  shown = what;
  COstrak_DlgUpdate dialog({[] {
                              return shown == L"update-nokeyboard" ? BootRequest::kNoKeyboard
                                     : shown == L"update-busy"     ? BootRequest::kBusy
                                                                   : BootRequest::kRefused;
                            },
                            [](const std::u16string&) {
                              return shown == L"backup-done" ? FileWrite::kWritten : FileWrite::kNotReplaced;
                            },
                            [](const std::u16string&) { return false; }});
  // An updater that is there (Ostrak.exe itself), or one that went.
  const std::u16string updater = what == L"update-missing" ? package + u"\\Updater 1.2.exe"
                                                           : FromWide(BuiltProgramFolder() + L"Ostrak.exe");
  dialog.SetFileChooser([&](HWND, FileDialogKind kind) -> std::optional<std::u16string> {
    if (kind == FileDialogKind::kSave) return u"C:\\Users\\Player\\Documents\\Racing.fwc";
    return updater;
  });
  if (!dialog.OpenModeless(window.hwnd())) return 3;
  int command = 0;
  if (what.rfind(L"backup", 0) == 0) {
    command = IDC_UPDATE_BACKUP;
  } else if (what != L"update") {
    if (what != L"update-nofile") SendMessageW(dialog.hwnd(), WM_COMMAND, IDC_UPDATE_OPEN, 0);
    command = IDC_UPDATE_BUTTON;
  }
  if (command) PostMessageW(dialog.hwnd(), WM_COMMAND, command, 0);
  Run(dialog);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring what = count > 1 ? args[1] : L"single";
  SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
  SetRegistryRoot(u"Ostrak_Brelund", u"OstrakEditorShots");
  UseLanguage(count > 2 ? args[2] : L"en");

  COstrakApp app;
  COstrakDlg window(app, false);
  if (!window.CreateModeless()) return 2;
  if (what.rfind(L"update", 0) == 0 || what.rfind(L"backup", 0) == 0) return ShowUpdate(window, what);
  if (what == L"profiles") {
    COstrak_DlgProfile& manager = window.profileManager();
    if (!manager.OpenModeless(window.hwnd())) return 3;
    Run(manager);
    return 0;
  }
  if (what == L"games") {
    // A few rules, as a user who plays three games would have them.
    GameRuleSettings settings;
    settings.rules = {{u"shooter.exe", 1}, {u"C:\\Games\\Racing\\", 2}, {u"D:\\Steam\\steamapps\\common\\Strategy\\strategy.exe", 0}};
    RegistryValues store(kGamesSection);
    SaveGameRules(store, settings);
    COstrak_DlgGames& rules = window.gameRules();
    rules.SetWindowLister([] { return std::vector<ProgramWindow>{}; });
    if (!rules.OpenModeless(window.hwnd())) return 3;
    Run(rules);
    return 0;
  }
  if (what == L"about") {
    window.ShowAboutBox();
    Run(window.aboutBox());
    return 0;
  }
  window.session().Edit([&](WorkingProfile& profile) {
    FillProfile(profile, what);
    return false;  // as if the profile file held it
  });
  Ostrak_DlgComposite& editor = window.keyEditor();
  if (!editor.OpenModeless({kKeyA, KeyButtonOfA(), false}, 0, window.session().Read(CopyOfWorkingProfile), window.hwnd()))
    return 3;
  Run(editor);
  return 0;
}
