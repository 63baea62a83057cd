// The firmware update dialog over the main window, with the simulated
// keyboard in this process; the file dialogs and the start of the updater are
// answered by the test. Nothing is sent to the keyboard without an updater to
// start; Update puts the keyboard into its boot mode (it leaves) and the
// window reads it again when it comes back; Backup says whether it wrote.
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
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class FirmwareUpdateTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakUpdateTest"));
    folder_ = MakeScratchFolder(L"ostrak-update");
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && !window_->KeyboardBusy(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() > 0 && !window_->KeyboardBusy(); }, 10000));
    dialog().SetFileChooser([this](HWND, FileDialogKind kind) {
      return kind == FileDialogKind::kOpen ? updater_ : backup_;
    });
    dialog().SetLauncher([this](const std::u16string& program) {
      launched_.push_back(program);
      return launchWorks_;
    });
    ASSERT_TRUE(dialog().OpenModeless(window_->hwnd()));
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    RemoveTree(folder_);
  }

  COstrak_DlgUpdate& dialog() { return window_->firmwareUpdate(); }
  void Command(int id) { SendMessageW(dialog().hwnd(), WM_COMMAND, id, 0); }
  int Boots() { return std::stoi(keyboard_.Control("boots").substr(3)); }
  std::u16string File(const wchar_t* name) { return FromWide(folder_ + L"\\" + name); }
  std::wstring FieldText() {
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(dialog().Item(IDC_UPDATE_FILE), text, MAX_PATH);
    return text;
  }

  std::wstring folder_;
  std::optional<std::u16string> updater_, backup_;
  std::vector<std::u16string> launched_;
  bool launchWorks_ = true;
};

TEST_F(FirmwareUpdateTest, NothingIsSentWithoutAnUpdaterToStart) {
  {
    MessageBoxAnswerer box(Wide(Text(TextKey::MAIN_UPDATE_NO_FILE_TEXT)));
    Command(IDC_UPDATE_BUTTON);  // none chosen
    EXPECT_EQ(box.seen, 1);
  }
  // Chosen, then the dialog cancelled: the choice is gone too.
  WriteBytes(folder_ + L"\\updater.exe", "MZ");
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  EXPECT_EQ(FieldText(), Wide(*updater_));
  updater_.reset();
  Command(IDC_UPDATE_OPEN);
  EXPECT_EQ(FieldText(), L"");
  EXPECT_TRUE(dialog().UpdateFile().empty());
  // Chosen, then deleted before Update.
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  DeleteFileW(Wide(*updater_).c_str());
  {
    // The message names the file that went.
    MessageBoxAnswerer box(Wide(FormatText(Text(TextKey::MAIN_UPDATE_ERROR_TEXT), *updater_)));
    Command(IDC_UPDATE_BUTTON);
    EXPECT_EQ(box.seen, 1);
  }
  EXPECT_EQ(Boots(), 0);
  EXPECT_TRUE(launched_.empty());
  EXPECT_TRUE(dialog().IsOpen());
}

TEST_F(FirmwareUpdateTest, UpdatePutsTheKeyboardInBootModeStartsTheUpdaterAndReadsTheKeyboardWhenItReturns) {
  WriteBytes(folder_ + L"\\updater.exe", "MZ");
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(FromWide(current), Paths().packageFolder) << "the updater's relative paths resolve there";

  const unsigned counts = window_->KeyboardCountsNoticed();
  Command(IDC_UPDATE_BUTTON);
  EXPECT_EQ(Boots(), 1);
  EXPECT_EQ(launched_, std::vector<std::u16string>{*updater_});
  EXPECT_FALSE(dialog().IsOpen());
  EXPECT_TRUE(dialog().UpdateFile().empty());
  EXPECT_EQ(keyboard_.Control("count"), "OK 0") << "the keyboard left for its boot mode";

  // The updater done, the keyboard comes back and is read again.
  ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() > counts; }, 10000));
  keyboard_.Control("plug");
  ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() > counts + 1 && !window_->KeyboardBusy(); },
                        15000));
  EXPECT_EQ(window_->link()->DeviceCount(), 1);
}

TEST_F(FirmwareUpdateTest, AnUpdaterThatDoesNotStartIsSaidAndTheDialogStays) {
  WriteBytes(folder_ + L"\\updater.exe", "MZ");
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  launchWorks_ = false;
  MessageBoxAnswerer box(Wide(FormatText(Text(TextKey::MAIN_SHELL_ERROR_TEXT), *updater_)));
  Command(IDC_UPDATE_BUTTON);
  EXPECT_EQ(box.seen, 1);
  EXPECT_EQ(Boots(), 1);
  EXPECT_TRUE(dialog().IsOpen());
}

// Without a keyboard the user is told to plug it in, not that it refused.
TEST_F(FirmwareUpdateTest, WithoutAKeyboardUpdateSaysSoAndSendsNothing) {
  WriteBytes(folder_ + L"\\updater.exe", "MZ");
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  const unsigned counts = window_->KeyboardCountsNoticed();
  keyboard_.Control("unplug");
  ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() > counts && !window_->KeyboardBusy(); }, 10000));
  if (!dialog().IsOpen()) {  // closed as the keyboard left
    ASSERT_TRUE(dialog().OpenModeless(window_->hwnd()));
  }
  updater_ = File(L"updater.exe");
  Command(IDC_UPDATE_OPEN);
  MessageBoxAnswerer box(Wide(Text(TextKey::MAIN_UPDATE_NO_KEYBOARD_TEXT)));
  Command(IDC_UPDATE_BUTTON);
  EXPECT_EQ(box.seen, 1);
  EXPECT_EQ(Boots(), 0);
  EXPECT_TRUE(launched_.empty());
}

TEST_F(FirmwareUpdateTest, BackupSaysWhetherItWroteTheProfile) {
  backup_ = File(L"backup.fwc");
  {
    MessageBoxAnswerer ok(Wide(ExportMessage(*backup_, FileWrite::kWritten)));
    Command(IDC_UPDATE_BACKUP);
    EXPECT_EQ(ok.seen, 1);
  }
  const std::u16string copy = File(L"copy.fwc");
  ASSERT_EQ(window_->session().ExportProfile(copy), FileWrite::kWritten);
  EXPECT_EQ(ReadBytes(Wide(*backup_)), ReadBytes(Wide(copy)));

  // The failure names the file, why and what to do.
  backup_ = File(L"no such folder\\backup.fwc");
  MessageBoxAnswerer failed(Wide(ExportMessage(*backup_, FileWrite::kCannotCreate)));
  Command(IDC_UPDATE_BACKUP);
  EXPECT_EQ(failed.seen, 1);
}

}  // namespace
