// A console command while the main window runs: the window lends it the
// keyboard and reads the keyboard again afterwards, unless the user has work
// in the window that the reading would drop.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "device/keyboard_claim_win.h"
#include "profiles/profile_store.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/ostrak_cli_run_win.h"

namespace {

class ConsoleBesideWindowTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakConsoleBesideWindowTest"));
    folder_ = MakeScratchFolder(L"ostrak-console-window");
    // As the running program holds it.
    instance_ = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && !window_->KeyboardBusy(); }, 10000));
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    ReleaseMutex(instance_);
    CloseHandle(instance_);
    RemoveTree(folder_);
  }

  // The command runs on the window's own profile file, as it does beside a
  // running program.
  CliRun Run(const std::wstring& arguments) { return RunOstrakCli(arguments, folder_, ++runs_); }

  KeyAssignment WorkingEntry(int bank, int slot) {
    return window_->session().Read([&](const WorkingProfile& profile) {
      return profile.block ? profile.block->area[AssignmentIndex(bank, slot)] : KeyAssignment{};
    });
  }

  std::wstring folder_;
  HANDLE instance_ = nullptr;
  int runs_ = 0;
};

TEST_F(ConsoleBesideWindowTest, TheWindowLendsTheKeyboardAndReadsItAgain) {
  const unsigned before = window_->KeyboardCountsNoticed();
  const CliRun set = Run(L"key set --profile 1 A key:B");
  ASSERT_EQ(set.code, 0u) << set.err;
  EXPECT_NE(set.out.find("A is now key:B"), std::string::npos) << set.out;
  // The window read the keyboard back and shows what the command set.
  EXPECT_TRUE(WaitUntil([&] { return WorkingEntry(0, 0x1E).type == AssignmentType::Key; }, 20000));
  EXPECT_EQ(WorkingEntry(0, 0x1E).param, 0x030u);
  EXPECT_GT(window_->KeyboardCountsNoticed(), before);
  EXPECT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 20000));

  // And lends it again for the next command.
  ASSERT_EQ(Run(L"profile 2").code, 0u);
  EXPECT_EQ(keyboard_.Control("read status 10 1"), "OK 01");
}

TEST_F(ConsoleBesideWindowTest, CommandsOneAfterAnotherAllGetTheKeyboard) {
  for (const wchar_t* command : {L"profile 2", L"profile 3", L"profile 1", L"devices"}) {
    const CliRun run = Run(command);
    EXPECT_EQ(run.code, 0u) << run.err;
  }
  EXPECT_EQ(keyboard_.Control("read status 10 1"), "OK 00");
}

TEST_F(ConsoleBesideWindowTest, ChangesNotAppliedKeepTheKeyboardInTheWindow) {
  window_->SetPendingChanges(true);
  const std::string status = keyboard_.Control("read status 0 16");
  const CliRun refused = Run(L"profile 2");
  EXPECT_EQ(refused.code, 4u);
  EXPECT_NE(refused.err.find("changes that are not applied"), std::string::npos) << refused.err;
  EXPECT_EQ(keyboard_.Control("read status 0 16"), status);
  EXPECT_TRUE(window_->PendingChanges());
}

}  // namespace
