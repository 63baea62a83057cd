// One running instance per logon, tested with real processes: a copy of the
// program folder with a probe standing in for the companion program.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <shlobj.h>

#include "app/wide_win.h"
#include "profiles/profile_store.h"
#include "app/messages.h"
#include "resources/resource_ids.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

bool MutexExists() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Ostrak_Mutex");
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", nullptr);  // no keyboard unless a test plugs one in
    folder_ = MakeScratchFolder(L"instance");
    ASSERT_TRUE(CopyTree(BuiltProgramFolder(), folder_));
    ASSERT_TRUE(CopyFileW((TestProgramsFolder() + L"companion_probe.exe").c_str(),
                          (folder_ + L"VoDizuru.exe").c_str(), FALSE));
    // English texts, so the notice can be compared with the file's own text.
    WritePrivateProfileStringW(L"LANGUAGE", L"language", L"1", (folder_ + L"Skins\\language.ini").c_str());
    log_ = folder_ + L"companion.log";
    SetEnvironmentVariableW(L"OSTRAK_PROBE_LOG", log_.c_str());
    ASSERT_FALSE(MutexExists()) << "another Ostrak is running";
  }

  void TearDown() override {
    for (PROCESS_INFORMATION& p : started_) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(p.hProcess, 1);
        WaitForSingleObject(p.hProcess, 5000);
      }
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    WaitUntil([] { return !MutexExists(); }, 5000);
    RemoveTree(folder_);
  }

  PROCESS_INFORMATION Start(const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + folder_ + L"Ostrak.exe\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                               &startup, &process));
    started_.push_back(process);
    return process;
  }

  // The first start: it becomes the running instance with its hidden window.
  PROCESS_INFORMATION StartRunningInstance() {
    PROCESS_INFORMATION running = Start();
    EXPECT_TRUE(WaitUntil([&] { return MainWindowOf(running.dwProcessId) != nullptr; }, kStartTimeoutMs));
    return running;
  }

  // "/Kill" from a new start: it and the running instance both end with 0.
  void KillRunningInstance(const PROCESS_INFORMATION& running, DWORD timeoutMs = kStartTimeoutMs) {
    const PROCESS_INFORMATION killer = Start(L"/Kill");
    EXPECT_EQ(ExitCodeAfter(killer, timeoutMs), 0u);
    EXPECT_EQ(ExitCodeAfter(running, timeoutMs), 0u);
  }

  static DWORD ExitCodeAfter(const PROCESS_INFORMATION& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
  }

  int CompanionStarts() const {
    const std::string log = ReadBytes(log_);
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

  std::wstring LanguageText(const wchar_t* key) const {
    wchar_t text[512] = {};
    GetPrivateProfileStringW(L"ENGINSH", key, L"", text, 512, (folder_ + L"Skins\\language.ini").c_str());
    return text;
  }

  std::wstring folder_, log_;
  std::vector<PROCESS_INFORMATION> started_;
};

TEST_F(SingleInstanceTest, TheFirstStartRunsHiddenHoldsTheMutexAndLaunchesTheCompanionOnce) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  HWND window = MainWindowOf(running.dwProcessId);
  ASSERT_NE(window, nullptr);
  // Still hidden once the deferred start-up has run.
  EXPECT_TRUE(WaitUntil([&] { return TrayIconShown(window); }, 10000));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(MutexExists());
  EXPECT_TRUE(WaitUntil([&] { return CompanionStarts() == 1; }, 5000));
  EXPECT_EQ(ExitCodeAfter(running, 0), STILL_ACTIVE);
}

TEST_F(SingleInstanceTest, AFirstStartWithShowOpensAsASecondStartWould) {
  const PROCESS_INFORMATION running = Start(L"/show");
  // Without a keyboard, opening tells that none is present.
  std::wstring text;
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, &text) != nullptr; }, kStartTimeoutMs));
  EXPECT_NE(text.find(LanguageText(L"MAIN_NO_DEVICE_PROMPT")), std::wstring::npos) << text.c_str();
  EXPECT_TRUE(MutexExists());
  KillRunningInstance(running);
}

TEST_F(SingleInstanceTest, ASecondStartMakesTheRunningInstanceTellThatNoKeyboardIsPresent) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  ASSERT_TRUE(WaitUntil([&] { return CompanionStarts() == 1; }, 5000));

  const PROCESS_INFORMATION second = Start(L"/Start");
  std::wstring text;
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, &text) != nullptr; }, kStartTimeoutMs));
  EXPECT_NE(text.find(LanguageText(L"MAIN_NO_DEVICE_PROMPT")), std::wstring::npos) << text.c_str();
  EXPECT_EQ(MainWindowOf(second.dwProcessId), nullptr);

  // Another start while it is open brings it forward; it never stacks a second one.
  const PROCESS_INFORMATION third = Start(L"/Start");
  EXPECT_EQ(ExitCodeAfter(third, kStartTimeoutMs), 0u);
  EXPECT_EQ(MessageBoxesOf(running.dwProcessId).size(), 1u);

  // The window stays hidden; the box closes with OK and the second start ends.
  EXPECT_FALSE(IsWindowVisible(MainWindowOf(running.dwProcessId)));
  PostMessageW(MessageBoxOf(running.dwProcessId, nullptr), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCodeAfter(second, kStartTimeoutMs), 0u);
  EXPECT_EQ(ExitCodeAfter(running, 0), STILL_ACTIVE);
  EXPECT_EQ(CompanionStarts(), 1);
}

TEST_F(SingleInstanceTest, KillInAnyCaseEndsTheRunningInstanceAndItsMutex) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  const PROCESS_INFORMATION killer = Start(L"/Start /kIlL /Kill");
  EXPECT_EQ(ExitCodeAfter(killer, kStartTimeoutMs), 0u);
  // The killer ends once the program has: a script may go on at once.
  EXPECT_EQ(ExitCodeAfter(running, 0), 0u);
  EXPECT_FALSE(MutexExists());
}

TEST_F(SingleInstanceTest, KillWithNoneRunningEndsWithoutBecomingTheRunningInstance) {
  const PROCESS_INFORMATION killer = Start(L"/KILL");
  // It ended without running: it never became the instance that starts the companion.
  EXPECT_EQ(ExitCodeAfter(killer, kStartTimeoutMs), 0u);
  EXPECT_EQ(CompanionStarts(), 0);
  EXPECT_FALSE(MutexExists());
}

TEST_F(SingleInstanceTest, KillEndsTheRunningInstanceEvenWhileItsNoticeIsOpen) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  Start();
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, nullptr) != nullptr; }, kStartTimeoutMs));
  KillRunningInstance(running);
}

TEST_F(SingleInstanceTest, AfterTheRunningInstanceExitsANewStartBecomesTheRunningInstance) {
  const PROCESS_INFORMATION first = StartRunningInstance();
  // "Exit" from the notification-area menu arrives as a command.
  PostMessageW(MainWindowOf(first.dwProcessId), WM_COMMAND, ID_TRAY_EXIT, 0);
  ASSERT_EQ(ExitCodeAfter(first, kStartTimeoutMs), 0u);
  EXPECT_FALSE(MutexExists());

  const PROCESS_INFORMATION next = StartRunningInstance();
  EXPECT_NE(MainWindowOf(next.dwProcessId), nullptr);
  EXPECT_TRUE(MutexExists());
  EXPECT_TRUE(WaitUntil([&] { return CompanionStarts() == 2; }, 5000));

  // The close button ends it the same way.
  PostMessageW(MainWindowOf(next.dwProcessId), WM_COMMAND, IDC_CLOSE, 0);
  EXPECT_EQ(ExitCodeAfter(next, kStartTimeoutMs), 0u);
}

// The program with a simulated keyboard attached through HidServ.dll.
class ProgramWithKeyboardTest : public SingleInstanceTest {
 protected:
  void SetUp() override {
    SingleInstanceTest::SetUp();
    ASSERT_TRUE(keyboard_.Start());
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard_.Port())).c_str());
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
    profileFile_ = std::wstring(documents) + L"\\Ostrak_05A\\$Profile0";
    DeleteFileW(profileFile_.c_str());
  }
  void TearDown() override {
    SingleInstanceTest::TearDown();
    keyboard_.Stop();
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", nullptr);
  }

  SimServer keyboard_;
  std::wstring profileFile_;
};

TEST_F(ProgramWithKeyboardTest, StartsHiddenReadsTheKeyboardBackAndOpensOnASecondStart) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  HWND window = MainWindowOf(running.dwProcessId);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs)) << "the profile is read back";
  EXPECT_EQ(ReadBytes(profileFile_).size(), 32832u);
  EXPECT_TRUE(WaitUntil([&] { return TrayIconShown(window); }, 5000)) << "the notification-area icon is added";
  EXPECT_FALSE(IsWindowVisible(window));

  const PROCESS_INFORMATION second = Start();
  EXPECT_EQ(ExitCodeAfter(second, kStartTimeoutMs), 0u);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(MessageBoxOf(running.dwProcessId, nullptr), nullptr);

  // OK with nothing pending hides the window and sends the keyboard nothing.
  const std::string commandsBefore = keyboard_.Control("commands");
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
  // An Apply would have started the wait animation before the window hid.
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_WAIT_PICTURE)));
  EXPECT_EQ(keyboard_.Control("commands"), commandsBefore);
  PostMessageW(window, WM_COMMAND, ID_TRAY_OPEN, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));

  // Unplugged: the window hides. Plugged in again: the profile is read again.
  ASSERT_EQ(keyboard_.Control("unplug"), "OK");
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
  DeleteFileW(profileFile_.c_str());
  ASSERT_EQ(keyboard_.Control("plug"), "OK");
  EXPECT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs));

  // The named events live while the program runs.
  for (const wchar_t* name : {L"Ostrak_Event_Main_07", L"Ostrak_Event_Main_100", L"Ostrak_Event_Main_208"}) {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
    EXPECT_NE(event, nullptr) << name;
    if (event) CloseHandle(event);
  }
  KillRunningInstance(running);
  EXPECT_FALSE(TrayIconShown(window)) << "the icon leaves with the program";
  HANDLE gone = OpenEventW(SYNCHRONIZE, FALSE, L"Ostrak_Event_Main_07");
  EXPECT_EQ(gone, nullptr);
  if (gone) CloseHandle(gone);
}

// ---- The keyboard link under faults ---------------------------------------------

// A keyboard that answers in 900 ms takes about half a minute to read back;
// the window answers all the while, opens with its wait animation, and
// "/Kill" ends the program without waiting for the read-back.
TEST_F(ProgramWithKeyboardTest, ASlowKeyboardNeverFreezesTheWindowAndKillEndsItsReadBack) {
  ASSERT_EQ(keyboard_.Control("faults latency=900"), "OK");
  const PROCESS_INFORMATION running = StartRunningInstance();
  HWND window = MainWindowOf(running.dwProcessId);
  const auto commands = [&] { return std::stoi(keyboard_.Control("commands").substr(3)); };
  ASSERT_TRUE(WaitUntil([&] { return commands() >= 3; }, kStartTimeoutMs));

  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer), 0)
      << "the window answers during the read-back";
  const PROCESS_INFORMATION second = Start();
  EXPECT_EQ(ExitCodeAfter(second, kStartTimeoutMs), 0u);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000)) << "Open acts at once";
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_WAIT_PICTURE))) << "the wait animation runs";
  EXPECT_EQ(MessageBoxOf(running.dwProcessId, nullptr), nullptr) << "a keyboard being read is present";
  EXPECT_FALSE(FileExists(profileFile_));

  KillRunningInstance(running, 10000);  // well before the read-back could end
  EXPECT_FALSE(FileExists(profileFile_)) << "a read-back given up writes nothing";
}

// The layer key's notice reaches the window by a posted message: while the
// keyboard is read back, the notices hold up no reply, so no command is sent
// twice.
TEST_F(ProgramWithKeyboardTest, LayerNoticesDuringAReadBackHoldUpNoReply) {
  ASSERT_EQ(keyboard_.Control("faults latency=20"), "OK");
  const PROCESS_INFORMATION running = StartRunningInstance();
  HWND window = MainWindowOf(running.dwProcessId);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs));
  ASSERT_TRUE(WaitUntil([&] { return TrayIconShown(window); }, 5000));
  // The lighting is read after the profile: the count is taken once it has been.
  const auto effects = [&] { return SendMessageW(GetDlgItem(window, IDC_EFFECT_LIST), CB_GETCOUNT, 0, 0); };
  ASSERT_TRUE(WaitUntil([&] { return effects() > 0; }, kStartTimeoutMs));
  const auto commands = [&] { return std::stoi(keyboard_.Control("commands").substr(3)); };
  const int quietReadBack = commands();

  ASSERT_EQ(keyboard_.Control("unplug"), "OK");
  ASSERT_TRUE(DeleteFileW(profileFile_.c_str()));
  ASSERT_EQ(keyboard_.Control("plug"), "OK");
  int notices = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        notices += keyboard_.Control("notice 02FF") == "OK";
        return FileExists(profileFile_);
      },
      kStartTimeoutMs));
  EXPECT_GT(notices, 5);
  EXPECT_TRUE(WaitUntil([&] { return commands() - quietReadBack >= quietReadBack; }, kStartTimeoutMs));
  EXPECT_EQ(commands() - quietReadBack, quietReadBack) << "every command of the read-back was sent once";
}

// A keyboard that always answers "busy": its default layout cannot be read.
// The prompt is the window's own message box, and "/Kill" closes it and ends
// the program.
TEST_F(ProgramWithKeyboardTest, ABusyKeyboardIsToldByTheWindowAndKillStillEnds) {
  ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FE"), "OK");
  const PROCESS_INFORMATION running = StartRunningInstance();
  std::wstring text;
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, &text) != nullptr; }, kStartTimeoutMs));
  EXPECT_NE(text.find(L"default layout"), std::wstring::npos) << std::string(text.begin(), text.end());

  KillRunningInstance(running);
}

// A simulated keyboard whose server is not there yet is a keyboard not
// plugged in: the program runs without it and reads it once it appears.
TEST_F(ProgramWithKeyboardTest, ASimulatedKeyboardThatIsNotThereYetIsReadWhenItAppears) {
  keyboard_.Stop();
  const int port = UnusedLoopbackPort();
  ASSERT_GT(port, 0);
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(port)).c_str());
  const PROCESS_INFORMATION running = StartRunningInstance();
  HWND window = MainWindowOf(running.dwProcessId);
  ASSERT_TRUE(WaitUntil([&] { return TrayIconShown(window); }, kStartTimeoutMs)) << "the program runs";
  EXPECT_EQ(ExitCodeAfter(running, 0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_FALSE(FileExists(profileFile_));

  // "Open" meanwhile says that no keyboard is there; the keyboard arriving closes that notice.
  PostMessageW(window, WM_COMMAND, ID_TRAY_OPEN, 0);
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, nullptr) != nullptr; }, kStartTimeoutMs));

  SimServer late;
  ASSERT_TRUE(late.Start(L"", port));
  EXPECT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs)) << "read once it appears";
  EXPECT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, nullptr) == nullptr; }, kStartTimeoutMs));
  KillRunningInstance(running);
}

// Damaged profile files on disk, with a keyboard that cannot be read back:
// the program starts, says that the keyboard could not be read, and leaves
// the file byte for byte as it was.
TEST_F(ProgramWithKeyboardTest, ADamagedProfileFileIsNeverChangedWhenTheKeyboardCannotBeRead) {
  // A valid profile with program paths, and one whose every record shares one
  // string of 2.2 MB (more than 4 GB of strings, were each record to keep its
  // own copy).
  const auto exported = [&](int records, std::size_t length) {
    WorkingProfile profile;
    EXPECT_TRUE(NewDefaultProfile(profile));
    for (int r = 0; r < records; ++r) {
      profile.block->area[r] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
      SetAssignmentText(profile.text, r, u"C:\\Games\\" + std::u16string(length, char16_t(u'a' + r % 26)));
    }
    const std::wstring scratch = folder_ + L"exported.fwc";
    EXPECT_EQ(ExportProfileFile(profile, FromWide(scratch)), FileWrite::kWritten);
    return ReadBytes(scratch);
  };
  const std::string valid = exported(64, 8);
  std::string sharing = exported(1, 1100000);
  for (int r = 1; r < 2048; ++r) {
    const std::uint16_t type = 3;
    std::memcpy(sharing.data() + 64 + 16 * r, &type, 2);
    std::memset(sharing.data() + 64 + 16 * r + 4, 0, 4);
  }
  std::string random(65536, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 2654435761u) >> 13);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"valid with program paths", valid},
      {"truncated", valid.substr(0, valid.size() / 2)},
      {"random", random},
      {"empty", ""},
      {"100 MB", valid + std::string(100 << 20, '\0')},
      {"strings shared by every record", sharing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(keyboard_.Control("faults status=100000 statusbyte=FE after=10"), "OK");  // the read-back fails
    WriteBytes(profileFile_, c.bytes);
    const PROCESS_INFORMATION running = StartRunningInstance();
    std::wstring text;
    ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, &text) != nullptr; }, kStartTimeoutMs));
    EXPECT_NE(text.find(L"could not be read"), std::wstring::npos) << std::string(text.begin(), text.end());
    KillRunningInstance(running);
    EXPECT_TRUE(ReadBytes(profileFile_) == c.bytes) << "the file is as it was";
    ASSERT_EQ(keyboard_.Control("faults status=0 after=0"), "OK");
  }
}

// The device service refuses the standing reads at start: the program says so
// once and stays without a keyboard, then starts the link again (the first
// tries refused too) and reads the keyboard back.
TEST_F(ProgramWithKeyboardTest, RefusedStandingReadsAreSaidOnceAndTriedAgain) {
  ASSERT_EQ(keyboard_.Control("faults refusereads=4"), "OK");  // two starts' worth
  const PROCESS_INFORMATION running = StartRunningInstance();
  std::wstring text;
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxOf(running.dwProcessId, &text) != nullptr; }, kStartTimeoutMs));
  EXPECT_NE(text.find(L"did not accept"), std::wstring::npos) << std::string(text.begin(), text.end());
  EXPECT_FALSE(FileExists(profileFile_)) << "no keyboard is read meanwhile";
  PostMessageW(MessageBoxOf(running.dwProcessId, nullptr), WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs)) << "read once the reads are taken";
  EXPECT_EQ(MessageBoxOf(running.dwProcessId, nullptr), nullptr) << "said once";
  KillRunningInstance(running);
}

// "/Kill", as the installer and the uninstaller use it, ends the program with a
// dialog and its box open: the program has ended when "/Kill" returns.
TEST_F(ProgramWithKeyboardTest, KillEndsTheProgramWithTheFirmwareUpdatesBoxOpen) {
  const PROCESS_INFORMATION running = StartRunningInstance();
  ASSERT_TRUE(WaitUntil([&] { return FileExists(profileFile_); }, kStartTimeoutMs));
  PostMessageW(MainWindowOf(running.dwProcessId), WM_COMMAND, ID_FIRMWARE_UPDATE, 0);
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxesOf(running.dwProcessId).size() == 1; }, kStartTimeoutMs));
  PostMessageW(MessageBoxesOf(running.dwProcessId)[0], WM_COMMAND, IDC_UPDATE_BUTTON, 0);  // no updater: a box
  ASSERT_TRUE(WaitUntil([&] { return MessageBoxesOf(running.dwProcessId).size() == 2; }, kStartTimeoutMs));

  const PROCESS_INFORMATION killer = Start(L"/Kill");
  EXPECT_EQ(ExitCodeAfter(killer, kStartTimeoutMs), 0u);
  EXPECT_EQ(WaitForSingleObject(running.hProcess, 0), WAIT_OBJECT_0) << "ended before /Kill returned";
  EXPECT_EQ(ExitCodeAfter(running, kStartTimeoutMs), 0u);
}

TEST_F(ProgramWithKeyboardTest, WithoutTheDeviceServiceTheProgramEndsQuietly) {
  DeleteFileW((folder_ + L"HidServ.dll").c_str());
  const PROCESS_INFORMATION process = Start();
  EXPECT_EQ(ExitCodeAfter(process, kStartTimeoutMs), 0u);
  EXPECT_TRUE(WaitUntil([&] { return CompanionStarts() == 1; }, 5000)) << "the companion starts before the window initialises";
}

}  // namespace
