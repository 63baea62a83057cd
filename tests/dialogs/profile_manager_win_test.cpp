// The profile manager over the main window, with the simulated keyboard in
// this process and the file dialogs answered by the test: its three rows,
// single-choice ticks, Apply switching the keyboard and recording the rows,
// Delete and Cancel changing nothing they should not, a row beyond the
// keyboard's three profiles leaving the keyboard as it is.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "simulator/sim_protocol.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class ProfileManagerTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakProfileManagerTest"));
    WriteRegistryString(kProfilesSection, u"PROFILE00", u"none");
    folder_ = MakeScratchFolder(L"ostrak-profiles");
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() > 0 && !window_->KeyboardBusy(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return window_->link()->CachedProfile() >= 0; }, 10000));
    manager().SetFileChooser([this](HWND, FileDialogKind) { return chosen_; });
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RemoveTree(folder_);
  }

  COstrak_DlgProfile& manager() { return window_->profileManager(); }
  void Open() { ASSERT_TRUE(manager().OpenModeless(window_->hwnd())); }
  void Command(int id) { SendMessageW(manager().hwnd(), WM_COMMAND, id, 0); }
  void Select(int row) {
    ListView_SetItemState(manager().List().hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  bool ApplyEnabled() { return IsWindowEnabled(manager().Item(IDC_PROFILE_APPLY)) != FALSE; }
  std::u16string Registry(const char16_t* name) { return ReadRegistryString(kProfilesSection, name, u"(none)"); }
  // The keyboard's own current profile, asked of it.
  int KeyboardProfile() {
    window_->link()->ForgetCurrentProfile();
    return window_->link()->CurrentProfile();
  }

  std::wstring folder_;
  std::optional<std::u16string> chosen_;
};

TEST_F(ProfileManagerTest, ShowsTheThreeProfilesWithTheCurrentOneTicked) {
  ASSERT_EQ(window_->link()->SetCurrentProfile(2), DeviceResult::kOk);
  Open();
  CReportCtrl& list = manager().List();
  ASSERT_EQ(list.RowCount(), 3);
  for (int row = 0; row < 3; ++row) {
    // Named as the main window's label names them; the file they share stays.
    EXPECT_EQ(list.CellText(row, 1), Text(ProfileNameText(row)));
    EXPECT_EQ(list.CellText(row, 2), FolderOf(ProfileFilePath(0)));
    EXPECT_EQ(list.IsChecked(row), row == 2) << row;
  }
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_FALSE(window_->profileManager().Pending());

  // Headings, title and buttons in the user's language.
  const TextKey headings[] = {TextKey::PROFILES_COLUMN_ACTIVE, TextKey::PROFILES_COLUMN_NAME,
                              TextKey::PROFILES_COLUMN_FOLDER};
  for (int column = 0; column < 3; ++column) {
    wchar_t heading[64] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = heading;
    info.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list.hwnd(), column, &info));
    EXPECT_EQ(FromWide(heading), Text(headings[column])) << column;
  }
  wchar_t text[64] = {};
  GetWindowTextW(manager().hwnd(), text, 64);
  EXPECT_EQ(FromWide(text), Text(TextKey::PROFILES_CAPTION));
  GetWindowTextW(manager().Item(IDC_DIALOG_TITLE), text, 64);
  EXPECT_EQ(FromWide(text), Text(TextKey::PROFILES_CAPTION)) << "drawn on the frame";
  GetWindowTextW(manager().Item(IDC_PROFILE_LOAD), text, 64);
  EXPECT_EQ(FromWide(text), Text(TextKey::PROFILES_LOAD));
}

TEST_F(ProfileManagerTest, TickingTheSecondAndApplySwitchesTheKeyboard) {
  Open();
  CReportCtrl& list = manager().List();
  list.SetChecked(1, true);
  EXPECT_FALSE(list.IsChecked(0)) << "one tick at a time";
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_TRUE(window_->profileManager().Pending());
  Command(IDC_PROFILE_APPLY);
  EXPECT_FALSE(ApplyEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy() && window_->link()->CachedProfile() == 1; }, 10000));
  EXPECT_EQ(KeyboardProfile(), 1);
  EXPECT_EQ(Registry(u"PROFILE00"), u"3");
  EXPECT_FALSE(window_->PendingChanges());
}

TEST_F(ProfileManagerTest, RowsAddedAndDeletedAreRecordedByApply) {
  Open();
  chosen_ = FromWide(folder_ + L"\\racing.fwc");
  Command(IDC_PROFILE_ADD);
  EXPECT_TRUE(FileExists(folder_ + L"\\racing.fwc")) << "Add makes a new default profile file";
  chosen_ = FromWide(folder_ + L"\\shooter.fwc");
  Command(IDC_PROFILE_LOAD);
  chosen_ = FromWide(folder_ + L"\\strategy.fwc");
  Command(IDC_PROFILE_LOAD);
  EXPECT_FALSE(FileExists(folder_ + L"\\strategy.fwc")) << "Load writes nothing";
  Select(3);
  Command(IDC_PROFILE_DELETE);
  ASSERT_EQ(manager().List().RowCount(), 5);
  EXPECT_EQ(manager().List().CellText(2, 1), Text(TextKey::PROFILE_3));
  EXPECT_EQ(manager().List().CellText(3, 1), u"shooter") << "a file's row shows its own name";
  EXPECT_EQ(manager().List().SelectedRow(), 3) << "the next row is selected";
  Command(IDOK);
  EXPECT_FALSE(manager().IsOpen());
  EXPECT_EQ(Registry(u"PROFILE00"), u"5");
  EXPECT_EQ(Registry(u"PROFILE04"), FromWide(folder_ + L"\\shooter.fwc"));
  EXPECT_EQ(Registry(u"PROFILE05"), FromWide(folder_ + L"\\strategy.fwc"));
  EXPECT_EQ(Registry(u"PROFILE01"), ProfileFilePath(0) + u".fwc");
}

TEST_F(ProfileManagerTest, DeleteWithoutASelectionAndCancelChangeNothing) {
  Open();
  ListView_SetItemState(manager().List().hwnd(), -1, 0, LVIS_SELECTED);  // none selected
  Command(IDC_PROFILE_DELETE);
  EXPECT_EQ(manager().List().RowCount(), 3);
  EXPECT_FALSE(ApplyEnabled());
  chosen_ = FromWide(folder_ + L"\\other.fwc");
  Command(IDC_PROFILE_LOAD);
  manager().List().SetChecked(0, true);
  Command(IDCANCEL);
  EXPECT_FALSE(manager().IsOpen());
  EXPECT_EQ(Registry(u"PROFILE00"), u"none");
  EXPECT_FALSE(window_->profileManager().Pending());
}

TEST_F(ProfileManagerTest, ARowBeyondTheKeyboardsProfilesLeavesItsProfileAsItIs) {
  const int before = KeyboardProfile();
  Open();
  chosen_ = FromWide(folder_ + L"\\fourth.fwc");
  Command(IDC_PROFILE_LOAD);
  manager().List().SetChecked(3, true);
  Command(IDC_PROFILE_APPLY);
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  EXPECT_EQ(KeyboardProfile(), before);
  EXPECT_EQ(Registry(u"PROFILE00"), u"4");
}

// After an Apply the keyboard did not take, the file holds edits the keyboard
// does not: the manager's Apply shows what the keyboard holds once it has been
// read, and while it cannot be read the edits stay pending.
TEST_F(ProfileManagerTest, ApplyShowsWhatTheKeyboardHoldsNotUnappliedEdits) {
  SetUpProfile(window_->session(), [](WorkingProfile& profile) {
    profile.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  });
  window_->SetPendingChanges(true);
  ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FE after=0"), "OK");  // busy to every command
  MessageBoxAnswerer notTaken(Wide(Text(TextKey::MAIN_APPLY_NOT_TAKEN_PROMPT)));
  MessageBoxAnswerer notRead(Wide(Text(TextKey::MAIN_READ_BACK_FAILED_PROMPT)));
  MessageBoxAnswerer noDefaults(Wide(Text(TextKey::MAIN_DEFAULT_MATRIX_PROMPT)));
  SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return notTaken.seen == 1 && !window_->KeyboardBusy(); }, 20000));

  // Still refused: the keyboard cannot be read, the edits stay pending.
  Open();
  manager().List().SetChecked(0, true);
  Command(IDC_PROFILE_APPLY);
  ASSERT_TRUE(WaitUntil([&] { return notRead.seen == 1 && !window_->KeyboardBusy(); }, 30000));
  EXPECT_TRUE(window_->PendingChanges());

  // Answering again: what the window shows is what the keyboard holds, and
  // nothing is pending.
  ASSERT_EQ(keyboard_.Control("faults status=0 after=0"), "OK");
  manager().List().SetChecked(1, true);  // ticked back and forth: Apply is enabled again
  manager().List().SetChecked(0, true);
  Command(IDC_PROFILE_APPLY);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 20000));
  std::vector<std::uint8_t> held;
  ParseHexBytes(keyboard_.Control("read keytables 0 480").substr(3), held);
  ASSERT_EQ(held.size(), 480u);
  const DeviceKeyTable shown = window_->session().Read([](const WorkingProfile& profile) {
    return BuildDeviceKeyTable(EntriesOfProfile(std::as_const(profile.block->area), 0), DefaultKeyTable(),
                               [](std::uint16_t) { return 0; });
  });
  EXPECT_EQ(std::memcmp(held.data(), shown.data(), 480), 0);
}

// As the program runs it: the label opens it modally, and the keyboard
// pulled out closes it like Cancel.
TEST_F(ProfileManagerTest, TheLabelOpensItAndTheKeyboardsRemovalClosesIt) {
  static std::remove_pointer_t<decltype(this)>* test;
  static bool sawItOpen;
  test = this;
  sawItOpen = false;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    if (!test->manager().IsOpen()) return;
    KillTimer(nullptr, timer);
    sawItOpen = test->manager().OpenCount() == 1 && IsWindowVisible(test->manager().hwnd());
    test->manager().List().SetChecked(1, true);
    test->keyboard_.Control("unplug");
  });
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FUNC_PROFILES, BN_CLICKED), 0);
  EXPECT_TRUE(sawItOpen);
  EXPECT_FALSE(manager().IsOpen());
  EXPECT_EQ(manager().OpenCount(), 0);
  EXPECT_EQ(Registry(u"PROFILE00"), u"none");
}

}  // namespace
