// The main window in this process: its marker, its instance messages and the
// exit sequence.
#include "shell/main_dialog_win.h"

#include <gtest/gtest.h>

#include "controls/wide_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "shell/app_paths.h"
#include "shell/messages.h"
#include "shell/shell_state.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
    Shell().devicesPresent = 1;
    ASSERT_TRUE(dialog_.CreateModeless());
  }
  void TearDown() override { Shell().devicesPresent = 0; }

  COstrakDlg dialog_;
};

TEST_F(MainDialogTest, CarriesTheMarkerAndNoTaskbarButtonUntilOpened) {
  HWND window = dialog_.hwnd();
  EXPECT_EQ(MainWindow(), window);
  EXPECT_EQ(MainDialog(), &dialog_);
  EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)), kMainWindowMarker);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(Shell().currentProfileIndex, -1);
  EXPECT_FALSE(dialog_.pendingChanges());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_APPLY)));

  // The deferred start-up runs once the queue is read.
  EXPECT_TRUE(WaitUntil([&] { return dialog_.initDone(); }, 2000));
}

TEST_F(MainDialogTest, OpenWithTheRightTagShowsTheWindowWithItsTaskbarButton) {
  HWND window = dialog_.hwnd();
  EXPECT_EQ(SendMessageW(window, WM_INSTANCE_OPEN, kKillTag, 0), 0);  // wrong tag: ignored
  EXPECT_FALSE(IsWindowVisible(window));

  EXPECT_EQ(SendMessageW(window, WM_INSTANCE_OPEN, kOpenTag, 0), 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  // Cancel only hides; Enter and Escape are swallowed before the dialog sees them.
  SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(dialog_.IsOpen());
}

TEST_F(MainDialogTest, EnterAndEscapeNeverCloseTheWindow) {
  SendMessageW(dialog_.hwnd(), WM_INSTANCE_OPEN, kOpenTag, 0);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    PostMessageW(dialog_.Item(IDCANCEL), WM_KEYDOWN, key, 0);
    PostMessageW(dialog_.Item(IDCANCEL), WM_KEYUP, key, 0);
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (!Dialog::TranslateModelessMessage(message)) DispatchMessageW(&message);
  EXPECT_TRUE(IsWindowVisible(dialog_.hwnd()));
}

TEST_F(MainDialogTest, KillWithTheRightTagRunsTheExitSequence) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Ostrak_Mutex_MainDialogTest");
  dialog_.TakeInstanceMutex(mutex);
  dialog_.SetPendingChanges(true);
  EXPECT_TRUE(IsWindowEnabled(dialog_.Item(IDC_APPLY)));

  EXPECT_EQ(SendMessageW(dialog_.hwnd(), WM_INSTANCE_KILL, kOpenTag, 0), 0);
  EXPECT_TRUE(dialog_.IsOpen());

  SendMessageW(dialog_.hwnd(), WM_INSTANCE_KILL, kKillTag, 0);
  EXPECT_FALSE(dialog_.IsOpen());
  EXPECT_FALSE(dialog_.pendingChanges());
  HANDLE again = OpenMutexW(SYNCHRONIZE, FALSE, L"Ostrak_Mutex_MainDialogTest");
  EXPECT_EQ(again, nullptr) << "the exit closed the instance mutex";
  if (again) CloseHandle(again);
}

TEST_F(MainDialogTest, TheEnglishCommandStoresTheChoiceAndRetitlesTheWindow) {
  // A copy of the language file, so the shipped one keeps its value.
  const std::wstring folder = MakeScratchFolder(L"main-language");
  CreateDirectoryW((folder + L"Skins").c_str(), nullptr);
  CopyFileW((BuiltProgramFolder() + L"Skins\\language.ini").c_str(), (folder + L"Skins\\language.ini").c_str(), FALSE);
  SetPaths(MakeAppPaths(FromWide(folder + L"Ostrak.exe")));

  SendMessageW(dialog_.hwnd(), WM_COMMAND, ID_LANGUAGE_ENGLISH, 0);
  wchar_t title[128] = {};
  GetWindowTextW(dialog_.hwnd(), title, 128);
  EXPECT_EQ(FromWide(title), Text(TextKey::MAIN_CAPTION));
  EXPECT_EQ(FromWide(title), u"Gaming Keyboard Settings");
  EXPECT_EQ(GetPrivateProfileIntW(L"LANGUAGE", L"language", -1, (folder + L"Skins\\language.ini").c_str()), 1);

  SendMessageW(dialog_.hwnd(), WM_COMMAND, ID_LANGUAGE_CHINESE, 0);
  GetWindowTextW(dialog_.hwnd(), title, 128);
  EXPECT_EQ(FromWide(title), u"\x6E38\x620F\x952E\x76D8\x8BBE\x7F6E");
  SetCurrentLanguageChoice(0);
  ResetTexts();
  RemoveTree(folder);
}

}  // namespace
