// The main window in this process: its marker, its instance messages and the
// exit sequence.
#include "shell/main_dialog_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "app/wide_win.h"
#include "keyboard/key_codes.h"
#include "localisation/language_file_win.h"
#include "app/ini_section_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "app/app_paths.h"
#include "app/messages.h"
#include "panels/key_grid_ids.h"
#include "profiles/profile_store.h"
#include "app/shell_state.h"
#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
    Shell().devicesPresent = 1;
    window_ = std::make_unique<COstrakDlg>(app_, false);  // skinned from the built program folder
    ASSERT_TRUE(window_->CreateModeless());
  }
  void TearDown() override {
    window_.reset();
    Shell().devicesPresent = 0;
  }

  COstrakApp app_;  // what the running instance holds; outlives the window
  std::unique_ptr<COstrakDlg> window_;
};

TEST_F(MainDialogTest, CarriesTheMarkerAndNoTaskbarButtonUntilOpened) {
  HWND window = window_->hwnd();
  EXPECT_EQ(MainWindow(), window);
  EXPECT_EQ(MainDialog(), window_.get());
  EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)), kMainWindowMarker);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(window_->PendingChanges());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_APPLY)));

  // The deferred start-up runs once the queue is read.
  EXPECT_TRUE(WaitUntil([&] { return window_->InitDone(); }, 2000));
}

// The window starts hidden, so it takes only its size from the skin at once;
// its pictures are decoded and its key grid built once the queue is read, or
// at the latest when it is first shown.
TEST_F(MainDialogTest, FinishesItsStartOnceRunningOrWhenFirstShown) {
  HWND window = window_->hwnd();
  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.right - frame.left, window_->Size().width);
  EXPECT_EQ(frame.bottom - frame.top, window_->Size().height);
  EXPECT_TRUE(window_->Background().empty()) << "not decoded during initialisation";
  EXPECT_EQ(GetDlgItem(window, kKeyButtonIds[0]), nullptr) << "the grid is built later";
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(window, shape), ERROR) << "no shape before the mask is decoded";

  EXPECT_TRUE(WaitUntil([&] { return !window_->Background().empty() && SharedPicturesOf(SkinWindow::kMain).Complete(); },
                        5000));
  EXPECT_EQ(window_->Background().width(), window_->Size().width);
  EXPECT_NE(GetWindowRgn(window, shape), ERROR);
  DeleteObject(shape);
  const SkinPicture& normal = SharedPicturesOf(SkinWindow::kMain).pictures[0];
  EXPECT_EQ(normal.width(), window_->Size().width + 100);
  EXPECT_NE(normal.Pixel(normal.width() / 2, 40), 0u) << "the face picture holds its file";

  // Every key of the grid is at its skin rectangle; G6 to G9 and the arrows are
  // disabled, the colour-key switch is hidden.
  const IniSection buttonInfo = ReadIniSection(window_->SkinFile(), u"BUTTONINFO");
  for (std::size_t i = 0; i < kKeyButtonIds.size(); ++i) {
    HWND key = GetDlgItem(window, kKeyButtonIds[i]);
    ASSERT_NE(key, nullptr) << kKeyButtonIds[i];
    RECT r{};
    GetWindowRect(key, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    const SkinRect expected = SkinRectIn(buttonInfo, KeyButtonSkinKey(KeyboardKeys[i]));
    EXPECT_EQ(r.left, expected.x) << kKeyButtonIds[i];
    EXPECT_EQ(r.top, expected.y) << kKeyButtonIds[i];
    EXPECT_EQ(r.right - r.left, expected.w) << kKeyButtonIds[i];
    EXPECT_TRUE(IsWindowEnabled(key)) << kKeyButtonIds[i];
  }
  for (std::size_t j = 0; j < kExtraKeyIds.size(); ++j)
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(window, kExtraKeyIds[j])) != FALSE, j < 5) << kExtraKeyIds[j];
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_LEFT_ARROW)));
  EXPECT_FALSE(GetWindowLongPtrW(GetDlgItem(window, IDC_SWITCH), GWL_STYLE) & WS_VISIBLE);
  for (int id : {IDC_LOCK_CAPS, IDC_FLIP_0, IDC_PROFILE1, IDC_DEFAULT, IDC_REPORT4, IDC_KEY_FN})
    EXPECT_NE(GetDlgItem(window, id), nullptr) << id;

  // A second window shown at once finishes before it shows.
  COstrakApp secondApp;
  COstrakDlg second(secondApp, false);
  ASSERT_TRUE(second.CreateModeless());
  EXPECT_TRUE(second.Background().empty());
  SendMessageW(second.hwnd(), WM_INSTANCE_OPEN, kOpenTag, 0);
  EXPECT_TRUE(IsWindowVisible(second.hwnd()));
  EXPECT_FALSE(second.Background().empty());
  EXPECT_NE(GetDlgItem(second.hwnd(), kKeyButtonIds[103]), nullptr);
}

TEST_F(MainDialogTest, OpenWithTheRightTagShowsTheWindowWithItsTaskbarButton) {
  HWND window = window_->hwnd();
  EXPECT_EQ(SendMessageW(window, WM_INSTANCE_OPEN, kKillTag, 0), 0);  // wrong tag: ignored
  EXPECT_FALSE(IsWindowVisible(window));

  EXPECT_EQ(SendMessageW(window, WM_INSTANCE_OPEN, kOpenTag, 0), 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  // Cancel only hides; Enter and Escape are swallowed before the dialog sees them.
  SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(window_->IsOpen());
}

TEST_F(MainDialogTest, EnterAndEscapeNeverCloseTheWindow) {
  SendMessageW(window_->hwnd(), WM_INSTANCE_OPEN, kOpenTag, 0);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    PostMessageW(window_->Item(IDCANCEL), WM_KEYDOWN, key, 0);
    PostMessageW(window_->Item(IDCANCEL), WM_KEYUP, key, 0);
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (!Dialog::TranslateModelessMessage(message)) DispatchMessageW(&message);
  EXPECT_TRUE(IsWindowVisible(window_->hwnd()));
}

TEST_F(MainDialogTest, KillWithTheRightTagRunsTheExitSequence) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Ostrak_Mutex_MainDialogTest");
  app_.TakeInstanceMutex(mutex);
  window_->SetPendingChanges(true);
  EXPECT_TRUE(IsWindowEnabled(window_->Item(IDC_APPLY)));

  EXPECT_EQ(SendMessageW(window_->hwnd(), WM_INSTANCE_KILL, kOpenTag, 0), 0);
  EXPECT_TRUE(window_->IsOpen());

  EXPECT_EQ(SendMessageW(window_->hwnd(), WM_INSTANCE_KILL, kKillTag, 0), 1);
  EXPECT_TRUE(WaitUntil([&] { return !window_->IsOpen(); }, 5000)) << "the exit follows from the message loop";
  EXPECT_FALSE(window_->PendingChanges());
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

  SendMessageW(window_->hwnd(), WM_COMMAND, ID_LANGUAGE_ENGLISH, 0);
  wchar_t title[128] = {};
  GetWindowTextW(window_->hwnd(), title, 128);
  EXPECT_EQ(FromWide(title), Text(TextKey::MAIN_CAPTION));
  EXPECT_EQ(FromWide(title), u"Gaming Keyboard Settings");
  EXPECT_EQ(GetPrivateProfileIntW(L"LANGUAGE", L"language", -1, (folder + L"Skins\\language.ini").c_str()), 1);

  SendMessageW(window_->hwnd(), WM_COMMAND, ID_LANGUAGE_CHINESE, 0);
  GetWindowTextW(window_->hwnd(), title, 128);
  EXPECT_EQ(FromWide(title), u"\x6E38\x620F\x952E\x76D8\x8BBE\x7F6E");
  SetCurrentLanguageChoice(0);
  ResetTexts();
  RemoveTree(folder);
}

}  // namespace

namespace {

// The notification-area icon: its states and its menu's texts.
TEST(TrayIcon, RemembersTheNormalIconAcrossTheSpecialState) {
  CTrayIcon tray;
  EXPECT_EQ(tray.shownIconId(), 128);
  tray.SetTrayState(0, IDI_KEYBOARD_PRESENT);
  EXPECT_EQ(tray.shownIconId(), 141);
  tray.SetTrayState(1, 0);
  EXPECT_EQ(tray.shownIconId(), 142);
  EXPECT_EQ(tray.normalIconId(), 141);
  tray.SetTrayState(0, IDI_APPLICATION_ICON);  // the keyboard left meanwhile
  tray.SetTrayState(1, 0);
  tray.SetTrayState(0, 0);
  EXPECT_EQ(tray.shownIconId(), 128);
}

TEST(TrayIcon, TheMenuTakesItsTextsFromTheChosenSection) {
  const std::wstring folder = MakeScratchFolder(L"tray-menu");
  CreateDirectoryW((folder + L"Skins").c_str(), nullptr);
  SetPaths(MakeAppPaths(FromWide(folder + L"Ostrak.exe")));
  const auto itemText = [](HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(GetSubMenu(menu, 0), position, text, 64, MF_BYPOSITION);
    return std::wstring(text);
  };

  // The stored choice missing on a Chinese system: the Chinese section, which
  // is missing too: the built-in texts.
  SetUserLanguageQuery([]() -> unsigned short { return 0x0804; });
  WriteUtf16File(folder + L"Skins\\language.ini", u"[ENGINSH]\r\nMENU_11=Show\r\n");
  HMENU menu = CTrayIcon::BuildMenu();
  SetUserLanguageQuery(nullptr);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(itemText(menu, 0), L"&Open");
  EXPECT_EQ(itemText(menu, 2), L"E&xit");
  EXPECT_EQ(GetMenuDefaultItem(GetSubMenu(menu, 0), TRUE, 0), 0u);
  DestroyMenu(menu);

  WriteUtf16File(folder + L"Skins\\language.ini",
                 u"[LANGUAGE]\r\nlanguage=1\r\n[ENGINSH]\r\nMENU_11=&Show\r\nMENU_22=&About\r\nMENU_33=E&xit\r\n");
  menu = CTrayIcon::BuildMenu();
  EXPECT_EQ(itemText(menu, 0), L"&Show");
  EXPECT_EQ(itemText(menu, 1), L"&About");
  EXPECT_EQ(itemText(menu, 2), L"E&xit");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), static_cast<UINT>(ID_TRAY_OPEN));
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 2), static_cast<UINT>(ID_TRAY_EXIT));
  DestroyMenu(menu);
  RemoveTree(folder);
}

TEST_F(MainDialogTest, TheButtonMenuOffersTheFirmwareUpdateAndBothLanguagesWithTheCurrentOneChecked) {
  const auto languageItems = [] {
    HMENU menu = BuildButtonMenu();
    HMENU items = GetSubMenu(menu, 0);
    std::vector<UINT> commands;
    for (int position = 0; position < GetMenuItemCount(items); ++position)
      commands.push_back(GetMenuItemID(items, position));
    HMENU languages = GetSubMenu(items, 5);
    const bool chinese = GetMenuState(languages, ID_LANGUAGE_CHINESE, MF_BYCOMMAND) & MF_CHECKED;
    const bool english = GetMenuState(languages, ID_LANGUAGE_ENGLISH, MF_BYCOMMAND) & MF_CHECKED;
    DestroyMenu(menu);
    return std::make_tuple(commands, chinese, english);
  };
  const std::vector<UINT> order = {ID_MENU_IMPORT, ID_MENU_EXPORT, ID_FIRMWARE_UPDATE, ID_MENU_GAMES,
                                   ID_APP_ABOUT, static_cast<UINT>(-1), ID_MENU_CLOSE};
  // A language command stores the choice in the program folder's language file: put it back afterwards.
  const std::wstring languageFile = Wide(Paths().languageFile);
  const std::string before = ReadBytes(languageFile);

  SendMessageW(window_->hwnd(), WM_COMMAND, ID_LANGUAGE_ENGLISH, 0);
  EXPECT_EQ(languageItems(), std::make_tuple(order, false, true));
  SendMessageW(window_->hwnd(), WM_COMMAND, ID_LANGUAGE_CHINESE, 0);
  EXPECT_EQ(languageItems(), std::make_tuple(order, true, false));
  WriteBytes(languageFile, before);
  LoadLanguageTexts();
}

TEST_F(MainDialogTest, ALanguageCommandSetsEveryTextOfTheWindowAgain) {
  ASSERT_TRUE(WaitUntil([&] { return window_->Item(IDC_EFFECT_LIST) != nullptr; }, 10000));
  const std::wstring languageFile = Wide(Paths().languageFile);
  const std::string before = ReadBytes(languageFile);
  const auto shown = [&](int id) {
    wchar_t text[256] = {};
    GetWindowTextW(window_->Item(id), text, 256);
    return std::wstring(text);
  };
  const auto fileText = [](const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t text[256] = {};
    GetPrivateProfileStringW(section, key, L"", text, 256, file.c_str());
    return std::wstring(text);
  };
  const std::wstring skin = Wide(Paths().mainSkinFile);
  for (const auto& [command, section, skinSection] :
       {std::tuple{ID_LANGUAGE_CHINESE, L"CHINESE", L"Control_Name"}, std::tuple{ID_LANGUAGE_ENGLISH, L"ENGINSH", L"Control_Name1"}}) {
    SendMessageW(window_->hwnd(), WM_COMMAND, command, 0);
    EXPECT_EQ(shown(IDC_PROFILE1), fileText(languageFile, section, L"PROFILE_1"));
    EXPECT_EQ(shown(IDC_DEFAULT), fileText(languageFile, section, L"PROFILE_DEFAULT"));
    EXPECT_EQ(shown(IDC_VERSION), fileText(languageFile, section, L"MAIN_BUTTON_KORVAN_VER") + L" 1.0.0");
    EXPECT_EQ(shown(IDC_LIGHTING_ON_CAPTION), fileText(skin, skinSection, L"Deng"));
    EXPECT_FALSE(shown(IDC_PROFILE1).empty());
  }
  WriteBytes(languageFile, before);
  LoadLanguageTexts();
}

// Without a keyboard the current profile is unknown: the grid shows no
// assignment, opens no editor and Default resets nothing.
TEST_F(MainDialogTest, WhileTheProfileIsUnknownNoBankIsShownOrChanged) {
  ASSERT_TRUE(WaitUntil([&] { return window_->Item(IDC_RIGHT_ARROW) != nullptr; }, 10000));
  SetUpProfile(window_->session(), [](WorkingProfile& profile) {
    for (int bank = 0; bank < kKeyboardProfileCount; ++bank)
      profile.block->area[AssignmentIndex(bank, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  });
  window_->RefreshKeyGrid();
  const int a = static_cast<int>(std::find(std::begin(kKeyButtonIds), std::end(kKeyButtonIds), 1058) - std::begin(kKeyButtonIds));
  EXPECT_FALSE(window_->keyGrid().KeyButton(a).IsChecked());
  int opened = 0;
  window_->keyGrid().SetKeyEditor([&](const KeyEditRequest&) { ++opened; });
  SendMessageW(window_->hwnd(), WM_COMMAND, 1058, 0);
  EXPECT_EQ(opened, 0);

  MessageBoxAnswerer yes(Wide(Text(TextKey::MAIN_PROMPT_DEFAULT)), IDYES);
  SendMessageW(window_->hwnd(), WM_COMMAND, IDC_DEFAULT, 0);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 0x1E)).type, AssignmentType::Key);
  EXPECT_FALSE(window_->PendingChanges());
}

TEST_F(MainDialogTest, ADoubleClickOnTheIconOpensTheWindow) {
  ASSERT_TRUE(WaitUntil([&] { return window_->InitDone(); }, 2000));
  EXPECT_EQ(app_.tray().shownIconId(), 128);
  SendMessageW(window_->hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(window_->hwnd()));
}

}  // namespace

namespace {

int AboutBoxes() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (IsWindowVisible(window) && std::wstring(title) == L"About Ostrak") ++*reinterpret_cast<int*>(context);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(MainDialogTest, AboutOpensOneBoxWithTheTextsOfTheChosenLanguage) {
  SendMessageW(window_->hwnd(), WM_COMMAND, ID_APP_ABOUT, 0);
  SendMessageW(window_->hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_EQ(AboutBoxes(), 1);
  ASSERT_TRUE(window_->aboutBox().shown());

  wchar_t text[512] = {};
  GetDlgItemTextW(window_->aboutBox().hwnd(), IDC_ABOUT_RIGHTS, text, 512);
  wchar_t expected[512] = {};
  GetPrivateProfileStringW(ChosenLanguageSection() == std::u16string(u"ENGINSH") ? L"ENGINSH" : L"CHINESE",
                           L"GUANYU_BANQUAN", L"", expected, 512, Wide(Paths().languageFile).c_str());
  EXPECT_STREQ(text, expected);
  EXPECT_NE(text[0], L'\0');

  // Its link leads to the program's own help page, which ships with it.
  wchar_t link[512] = {};
  GetDlgItemTextW(window_->aboutBox().hwnd(), IDC_ABOUT_LINK, link, 512);
  EXPECT_EQ(FromWide(link), HelpPagePath());
  EXPECT_TRUE(FileExists(Wide(HelpPagePath())));

  // The keyboard leaving closes it, as every child window.
  static_cast<NoticeListener&>(window_->session()).DeviceGone();
  ASSERT_TRUE(WaitUntil([&] { return !window_->aboutBox().shown(); }, 10000));
  EXPECT_EQ(AboutBoxes(), 0);
}

}  // namespace
