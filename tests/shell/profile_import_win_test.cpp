// Export and import from the main window's button menu, with the simulated
// keyboard in this process and the file dialogs answered by the test: a
// backup restores every bank, the macros and the strings and reaches all
// three of the keyboard's key maps; a file that does not validate changes
// nothing; a download that fails leaves the import pending and says so.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/keyboard_contents_win.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class ProfileImportTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakImportTest"));
    folder_ = MakeScratchFolder(L"ostrak-import");
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && !window_->KeyboardBusy(); }, 10000));
    window_->SetFileChooser([this](HWND, FileDialogKind kind) {
      kinds_.push_back(kind);
      return chosen_;
    });
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RemoveTree(folder_);
  }

  std::u16string File(const wchar_t* name) { return FromWide(folder_ + L"\\" + name); }
  void Menu(int command, std::optional<std::u16string> chosen) {
    chosen_ = std::move(chosen);
    SendMessageW(window_->hwnd(), WM_COMMAND, command, 0);
  }
  // Keys on all three banks, a macro, a program path.
  void EditEveryBank() {
    SetUpProfile(window_->session(), [](WorkingProfile& profile) {
      for (int bank = 0; bank < 3; ++bank)
        profile.block->area[AssignmentIndex(bank, 0x10 + bank)] = {AssignmentType::Key, 0, 0x030, 0, 0};
      profile.block->area[AssignmentIndex(2, 0x1E)] = {AssignmentType::Macro, 0, 1, 0, 0};
      profile.block->area[AssignmentIndex(1, 0x1F)] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
      SetAssignmentText(profile.text, AssignmentIndex(1, 0x1F), u"C:\\Games\\run.exe");
      ASSERT_TRUE(AllocateMacroList(profile.macros, 1));
      FillNewMacroRecord(profile.macros.records[0], u"Combo", 1);
      profile.macros.records[0].actionCount = 2;
      profile.macros.records[0].actions[0] = {20, 0x2C, kMacroPress};
      profile.macros.records[0].actions[1] = {0, 0x2C, kMacroRelease};
    });
  }
  void ForgetEdits() {
    SetUpProfile(window_->session(), [](WorkingProfile& profile) {
      FreeWorkingProfile(profile);
      ASSERT_TRUE(NewDefaultProfile(profile));
    });
  }
  std::vector<std::uint8_t> Bytes(const std::u16string& path) {
    std::vector<std::uint8_t> bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }
  std::vector<std::uint8_t> WorkingBytes() {
    const std::u16string copy = File(L"working.copy");
    window_->session().ExportProfile(copy);
    return Bytes(copy);
  }

  std::u16string StatusLine() const {
    wchar_t text[512] = {};
    GetWindowTextW(window_->Item(IDC_STATUS_LINE), text, 512);
    return FromWide(text);
  }

  std::wstring folder_;
  std::optional<std::u16string> chosen_;
  std::vector<FileDialogKind> kinds_;
};

TEST_F(ProfileImportTest, ABackupRestoresEveryBankAndReachesAllThreeKeyMaps) {
  EditEveryBank();
  const std::vector<std::uint8_t> edited = WorkingBytes();
  const std::u16string backup = File(L"backup.fwc");
  Menu(ID_MENU_EXPORT, backup);
  ASSERT_EQ(kinds_, std::vector<FileDialogKind>{FileDialogKind::kSave});
  EXPECT_EQ(Bytes(backup), edited);
  EXPECT_EQ(StatusLine(), FormatText(Text(TextKey::STATUS_EXPORTED), backup)) << "where the export went";

  ForgetEdits();
  Menu(ID_MENU_IMPORT, backup);
  EXPECT_EQ(kinds_.back(), FileDialogKind::kOpen);
  EXPECT_EQ(WorkingBytes(), edited);
  // The profile file is written on the transfer thread, before the download.
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 15000));
  EXPECT_EQ(Bytes(ProfileFilePath(0)), edited) << "the profile file is the imported one";
  EXPECT_EQ(StatusLine(), Text(TextKey::STATUS_SENT));
  for (int map = 0; map < 3; ++map)
    EXPECT_TRUE(HoldsExpected(KeyboardHolds(keyboard_, map), ExpectedOnKeyboard(window_->session(), map))) << "key map " << map;
}

TEST_F(ProfileImportTest, AFileThatDoesNotValidateChangesNothing) {
  EditEveryBank();
  const std::u16string good = File(L"good.fwc");
  ASSERT_EQ(window_->session().ExportProfile(good), FileWrite::kWritten);
  std::vector<std::uint8_t> bytes = Bytes(good);
  ForgetEdits();
  const std::vector<std::uint8_t> profileBefore = Bytes(ProfileFilePath(0)), workingBefore = WorkingBytes();
  const std::string keyboardBefore = keyboard_.Control("read keytables 0 1504");

  std::vector<std::uint8_t> badHeader = bytes;
  badHeader[0] ^= 0xFF;
  WriteBytes(folder_ + L"\\bad.fwc", std::string(badHeader.begin(), badHeader.end()));
  WriteBytes(folder_ + L"\\short.fwc", std::string(bytes.begin(), bytes.begin() + bytes.size() / 2));
  const std::wstring importFailed = Wide(Text(TextKey::MAIN_PROMPT_INPORT));
  {
    MessageBoxAnswerer failed(importFailed);
    Menu(ID_MENU_IMPORT, File(L"short.fwc"));
    EXPECT_EQ(failed.seen, 1);
  }
  {
    std::u16string headerText(Text(TextKey::PROFILE_FORMAT_ERROR));
    headerText.replace(headerText.find(u"%s"), 2, File(L"bad.fwc"));
    MessageBoxAnswerer header(Wide(headerText));
    MessageBoxAnswerer failed(importFailed);
    Menu(ID_MENU_IMPORT, File(L"bad.fwc"));
    EXPECT_EQ(header.seen, 1);
    EXPECT_EQ(failed.seen, 1);
  }
  Menu(ID_MENU_IMPORT, std::nullopt);  // the dialog cancelled
  EXPECT_EQ(Bytes(ProfileFilePath(0)), profileBefore);
  EXPECT_EQ(WorkingBytes(), workingBefore);
  EXPECT_FALSE(window_->PendingChanges());
  EXPECT_EQ(keyboard_.Control("read keytables 0 1504"), keyboardBefore);
}

TEST_F(ProfileImportTest, AnImportTheKeyboardDidNotTakeStaysPendingAndIsSaid) {
  EditEveryBank();
  const std::u16string backup = File(L"backup.fwc");
  Menu(ID_MENU_EXPORT, backup);
  ForgetEdits();
  ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FE after=0"), "OK");  // busy to every command
  MessageBoxAnswerer notSent(Wide(Text(TextKey::MAIN_IMPORT_NOT_SENT_PROMPT)));
  Menu(ID_MENU_IMPORT, backup);
  ASSERT_TRUE(WaitUntil([&] { return notSent.seen == 1; }, 20000));
  EXPECT_TRUE(window_->PendingChanges());
  EXPECT_EQ(Bytes(ProfileFilePath(0)), Bytes(backup));
}

}  // namespace
