// The main window with the simulated keyboard in this process: applying edits
// saves the profile file and sends the current key map, and a macro set too
// large for the keyboard is refused with its message, the edits still pending.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/wide_win.h"
#include "controls/dialog_win.h"
#include "localisation/text_slots.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "app/app_paths.h"
#include "shell/main_dialog_win.h"
#include "simulator/sim_protocol.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

std::wstring GetWindowTextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// Every text the window's status line is given, in order.
class StatusLineRecord {
 public:
  explicit StatusLineRecord(HWND line) : hook_(SetWindowsHookExW(WH_CALLWNDPROC, Record, nullptr, GetCurrentThreadId())) {
    line_ = line;
    texts_.clear();
  }
  ~StatusLineRecord() { UnhookWindowsHookEx(hook_); }
  const std::vector<std::u16string>& texts() const { return texts_; }

 private:
  static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->hwnd == line_ && message->message == WM_SETTEXT)
      texts_.push_back(FromWide(reinterpret_cast<const wchar_t*>(message->lParam)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline HWND line_ = nullptr;
  static inline std::vector<std::u16string> texts_;
  HHOOK hook_;
};

class MainWindowApplyTest : public MainWindowFixture {
 protected:
  void Open(const std::wstring& simulatorOptions) {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakApplyTest", simulatorOptions));
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone(); }, 5000));
  }

  // Remaps A to B on the keyboard's current profile (0).
  void EditKeyA(std::uint16_t macros) {
    SetUpProfile(window_->session(), [&](WorkingProfile& profile) {
      profile.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
      if (macros) {
        ASSERT_TRUE(AllocateMacroList(profile.macros, macros));
        for (std::uint16_t m = 0; m < macros; ++m) {
          FillNewMacroRecord(profile.macros.records[m], u"Long", static_cast<std::uint16_t>(m + 1));
          profile.macros.records[m].actionCount = 1000;
        }
      }
    });
    window_->SetPendingChanges(true);
  }
};

TEST_F(MainWindowApplyTest, ApplySavesTheFileAndSendsTheCurrentKeyMap) {
  Open(L"");
  EditKeyA(0);
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges(); }, 10000));
  EXPECT_FALSE(IsWindowEnabled(window_->Item(IDC_APPLY)));
  EXPECT_EQ(GetWindowTextOf(window_->Item(IDC_STATUS_LINE)), Wide(Text(TextKey::STATUS_SENT)));

  std::vector<std::uint8_t> table;
  ParseHexBytes(keyboard_.Control("read keytables 0 480").substr(3), table);
  const DeviceKeyTable expected = window_->session().Read([](const WorkingProfile& profile) {
    return BuildDeviceKeyTable(EntriesOfProfile(std::as_const(profile.block->area), 0), DefaultKeyTable(),
                               [](std::uint16_t) { return 0; });
  });
  ASSERT_EQ(table.size(), 480u);
  EXPECT_EQ(std::memcmp(table.data(), expected.data(), 480), 0);

  WorkingProfile saved;
  ASSERT_TRUE(LoadProfileFile(saved, ProfileFilePath(0)));
  EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x1E)].type, AssignmentType::Key);

  // Two applies in a row: each animation thread ends and the picture is hidden.
  window_->SetPendingChanges(true);
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  EXPECT_TRUE(WaitUntil([&] { return !window_->PendingChanges(); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window_->Item(IDC_WAIT_PICTURE)); }, 5000));
}

TEST_F(MainWindowApplyTest, MacrosTooLargeForTheKeyboardAreRefusedAndStayPending) {
  Open(L"--capacity 1");  // 128 bytes of macro memory
  EditKeyA(2);
  MessageBoxAnswerer watcher(Wide(Text(TextKey::EXTRA_MACRO_TOO_LONG)));
  const std::string before = keyboard_.Control("read keytables 0 480");
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return watcher.seen > 0; }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000)) << "the Apply has ended";
  EXPECT_TRUE(window_->PendingChanges());
  EXPECT_TRUE(IsWindowEnabled(window_->Item(IDC_APPLY)));
  EXPECT_EQ(keyboard_.Control("read keytables 0 480"), before);
}

// The keyboard cannot be read back and there is no profile file: the window
// says so, and the default profile it made up is never applied over the
// keyboard's own.
TEST_F(MainWindowApplyTest, AProfileNeitherReadNorLoadedIsNeverApplied) {
  ASSERT_TRUE(keyboard_.Start(L""));
  ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FE after=10"), "OK");
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard_.Port())).c_str());
  SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
  SetRegistryRoot(u"Ostrak_Brelund", u"OstrakApplyTest");
  DeleteFileW(Wide(ProfileFilePath(0)).c_str());
  MessageBoxAnswerer watcher(Wide(Text(TextKey::MAIN_READ_BACK_FAILED_PROMPT)));

  window_ = std::make_unique<COstrakDlg>(app_, true);
  ASSERT_TRUE(window_->CreateModeless());
  ASSERT_TRUE(WaitUntil([&] { return watcher.seen == 1; }, 10000)) << "the user is told";
  ASSERT_EQ(keyboard_.Control("faults status=0 after=0"), "OK");
  const std::string before = keyboard_.Control("read macros 0 64") + keyboard_.Control("read keytables 0 480");

  EditKeyA(0);
  SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  EXPECT_TRUE(WaitUntil([&] { return watcher.seen == 2; }, 10000)) << "and told again instead of applying";
  EXPECT_TRUE(window_->PendingChanges());
  EXPECT_EQ(keyboard_.Control("read macros 0 64") + keyboard_.Control("read keytables 0 480"), before);
}

// An Apply that does not reach the keyboard is saved all the same, said, and
// left pending for the next Apply.
TEST_F(MainWindowApplyTest, AnApplyTheKeyboardDidNotTakeIsSavedSaidAndStaysPending) {
  struct Case {
    const char* name;
    bool profileUnknown;  // the keyboard must be asked for its current profile first
    TextKey said;
  };
  Open(L"");
  for (const Case& c : {Case{"every command refused", false, TextKey::MAIN_APPLY_NOT_TAKEN_PROMPT},
                        Case{"its current profile unreadable", true, TextKey::MAIN_APPLY_NO_KEYBOARD_PROMPT}}) {
    SCOPED_TRACE(c.name);
    const std::string before = keyboard_.Control("read keytables 0 480");
    EditKeyA(0);
    if (c.profileUnknown) window_->link()->ForgetCurrentProfile();
    ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FF after=0"), "OK");
    MessageBoxAnswerer told(Wide(Text(c.said)));
    PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
    ASSERT_TRUE(WaitUntil([&] { return told.seen == 1; }, 20000)) << "the user is told";
    EXPECT_TRUE(window_->PendingChanges());
    EXPECT_TRUE(IsWindowEnabled(window_->Item(IDC_APPLY)));
    WorkingProfile saved;
    ASSERT_TRUE(LoadProfileFile(saved, ProfileFilePath(0)));
    EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x1E)].param, 0x030u) << "saved first";
    ASSERT_EQ(keyboard_.Control("faults status=0 after=0"), "OK");
    EXPECT_EQ(keyboard_.Control("read keytables 0 480"), before);
    window_->link()->ForgetCurrentProfile();
    ASSERT_EQ(window_->link()->CurrentProfile(), 0);
  }
}

// A read-back ends by loading the profile file into the window: an Apply or an
// Import beside it would be lost or mixed, so each is refused with a word and
// the read-back's profile is whole.
TEST_F(MainWindowApplyTest, ApplyAndImportWaitForTheReadBackUnderWay) {
  ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakApplyTest"));
  DeleteFileW(Wide(ProfileFilePath(0)).c_str());
  ASSERT_EQ(keyboard_.Control("faults latency=30"), "OK");  // a read-back of about two seconds
  std::wstring folder = MakeScratchFolder(L"ostrak-apply-import");
  const std::u16string imported = FromWide(folder + L"\\imported.fwc");
  {
    WorkingProfile other;
    ASSERT_TRUE(NewDefaultProfile(other));
    other.block->area[AssignmentIndex(0, 0x10)] = {AssignmentType::Disabled, 0, 0, 0, 0};
    ASSERT_EQ(ExportProfileFile(other, imported), FileWrite::kWritten);
  }
  MessageBoxAnswerer busy(Wide(Text(TextKey::MAIN_KEYBOARD_BUSY_PROMPT)));
  ASSERT_NO_FATAL_FAILURE(OpenWindow());
  int filesChosen = 0;
  std::function<void()> whileChoosing;
  window_->SetFileChooser([&](HWND, FileDialogKind) {
    ++filesChosen;
    if (whileChoosing) whileChoosing();
    return std::optional<std::u16string>(imported);
  });
  ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardBusy(); }, 10000));
  EditKeyA(0);
  SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  SendMessageW(window_->hwnd(), WM_COMMAND, ID_MENU_IMPORT, 0);
  // Both are refused; the same words are said once while they wait to be read.
  ASSERT_TRUE(WaitUntil([&] { return busy.seen >= 1; }, 10000)) << "said";
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy() && FileExists(Wide(ProfileFilePath(0))); }, 20000));

  // What the keyboard holds, in the file and in the window; nothing of either command.
  WorkingProfile saved;
  ASSERT_TRUE(LoadProfileFile(saved, ProfileFilePath(0)));
  EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x10)].type, AssignmentType::Default);
  EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x1E)].type, AssignmentType::Default);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 0x10)).type, AssignmentType::Default);
  EXPECT_EQ(filesChosen, 0) << "the import was refused before its file was asked for";

  // Once it is done, both go through.
  EditKeyA(0);
  SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges(); }, 20000));
  SendMessageW(window_->hwnd(), WM_COMMAND, ID_MENU_IMPORT, 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 30000));
  ASSERT_TRUE(LoadProfileFile(saved, ProfileFilePath(0)));
  EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x10)].type, AssignmentType::Disabled);
  EXPECT_EQ(filesChosen, 1);

  // A keyboard plugged in again while the file is chosen is read first: the
  // import is refused, and the profile is the keyboard's.
  const int saidBefore = busy.seen;
  whileChoosing = [&] {
    const unsigned noticed = window_->KeyboardCountsNoticed();
    keyboard_.Control("unplug");
    keyboard_.Control("plug");
    ASSERT_TRUE(WaitUntil([&] { return window_->KeyboardCountsNoticed() >= noticed + 2; }, 10000));
  };
  {
    saved.block->area[AssignmentIndex(0, 0x11)] = {AssignmentType::Disabled, 0, 0, 0, 0};
    ASSERT_EQ(ExportProfileFile(saved, imported), FileWrite::kWritten);
  }
  SendMessageW(window_->hwnd(), WM_COMMAND, ID_MENU_IMPORT, 0);
  ASSERT_TRUE(WaitUntil([&] { return busy.seen > saidBefore; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 20000));
  EXPECT_EQ(filesChosen, 2);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 0x11)).type, AssignmentType::Default);
  RemoveTree(folder);
}

// The line beside OK, Cancel and Apply follows the download chunk by chunk
// and says when the keyboard has it; a new edit clears it.
TEST_F(MainWindowApplyTest, TheStatusLineFollowsAnApplyToItsEnd) {
  Open(L"");
  EditKeyA(0);
  ASSERT_EQ(keyboard_.Control("faults latency=20"), "OK");
  StatusLineRecord record(window_->Item(IDC_STATUS_LINE));
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 20000));
  const std::vector<std::u16string>& texts = record.texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts.back(), Text(TextKey::STATUS_SENT));
  EXPECT_EQ(texts[texts.size() - 2], FormatText(Text(TextKey::STATUS_SENDING_KEYS), 100));
  EXPECT_EQ(texts.front().substr(0, 8), Text(TextKey::STATUS_SENDING_KEYS).substr(0, 8));
  ASSERT_EQ(keyboard_.Control("faults latency=0"), "OK");

  EditKeyA(0);
  EXPECT_EQ(GetWindowTextOf(window_->Item(IDC_STATUS_LINE)), L"");
}

// Closing with changes pending asks first, whichever way the program is
// closed: Cancel keeps the program and the changes, Discard ends it without
// sending them, Apply sends them and then ends it.
TEST_F(MainWindowApplyTest, ClosingWithChangesPendingAsksToApplyOrDiscardThem) {
  struct Case {
    const char* name;
    int command;
    int answer;
    bool ends;
    bool sent;
  };
  const std::wstring question = Wide(Text(TextKey::CLOSE_PENDING_PROMPT));
  for (const Case& c : {Case{"cancel", IDC_CLOSE, IDCANCEL, false, false}, Case{"discard", ID_MENU_CLOSE, IDNO, true, false},
                        Case{"apply", ID_TRAY_EXIT, IDYES, true, true}}) {
    SCOPED_TRACE(c.name);
    if (!window_) {
      Open(L"");
    } else {  // a window of its own for each case
      window_.reset();
      ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
      ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && !window_->KeyboardBusy(); }, 10000));
    }
    const std::string before = keyboard_.Control("read keytables 0 480");
    EditKeyA(0);
    MessageBoxAnswerer answer(question, c.answer);
    PostMessageW(window_->hwnd(), WM_COMMAND, c.command, 0);
    ASSERT_TRUE(WaitUntil([&] { return answer.seen == 1 && ModalLoopsRunning() == 0; }, 10000));
    EXPECT_EQ(answer.buttons[IDYES], Wide(Text(TextKey::CLOSE_APPLY)));
    EXPECT_EQ(answer.buttons[IDNO], Wide(Text(TextKey::CLOSE_DISCARD)));
    EXPECT_EQ(answer.buttons[IDCANCEL], Wide(Text(TextKey::CLOSE_CANCEL)));
    EXPECT_EQ(WaitUntil([&] { return window_->Exiting(); }, c.ends ? 10000 : 500), c.ends);
    EXPECT_EQ(keyboard_.Control("read keytables 0 480") != before, c.sent);
    EXPECT_TRUE(c.ends || window_->PendingChanges());
  }
}

}  // namespace
