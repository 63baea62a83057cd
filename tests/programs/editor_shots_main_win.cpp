// Shows the key editor on one of its pages at (0, 0), over a main window
// without a keyboard, for screenshots (scripts/skin-shots):
//   editor_shots.exe single|macro|media|function
// The editor edits the A key of a profile with two macros; it stays open
// until it is closed.
#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <string>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "panels/key_grid_ids.h"
#include "profiles/key_grid_view.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "shell/main_dialog_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr int kKeyA = 0x1E;

// Two macros; the A key's assignment opens the editor on `page`.
void FillProfile(const std::wstring& page) {
  std::lock_guard guard(Working().lock);
  FreeMacroList(Working().macros);
  AllocateMacroList(Working().macros, 2);
  const char16_t* names[] = {u"Reload", u"Quick build"};
  for (int m = 0; m < 2; ++m) {
    MacroRecord& macro = Working().macros.records[m];
    FillNewMacroRecord(macro, names[m], static_cast<std::uint16_t>(m + 1));
    const KeyCode keys[] = {0x013, 0x02A, 0x011, 0x010};  // R, Shift, W, Q
    macro.actionCount = 8;
    for (int a = 0; a < 8; ++a)
      macro.actions[a] = {static_cast<std::uint32_t>(a == 7 ? 0 : 40 + 10 * a), keys[a / 2],
                          static_cast<std::uint16_t>(a % 2 ? kMacroRelease : kMacroPress)};
  }
  KeyAssignment& a = Working().block->area[AssignmentIndex(0, kKeyA)];
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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring page = count > 1 ? args[1] : L"single";
  SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
  SetRegistryRoot(u"Ostrak_Brelund", u"OstrakEditorShots");

  COstrakApp app;
  COstrakDlg window(app, false);
  if (!window.CreateModeless()) return 2;
  FillProfile(page);
  Ostrak_DlgComposite& editor = window.keyEditor();
  if (!editor.OpenModeless({kKeyA, KeyButtonOfA(), false}, 0, CopyOfWorkingProfile(Working()), window.hwnd()))
    return 3;
  SetWindowPos(editor.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  MSG message;
  while (editor.IsOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Dialog::TranslateModelessMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
