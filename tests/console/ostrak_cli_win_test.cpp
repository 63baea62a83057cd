// ostrak-cli.exe from the program folder, run as a script runs it, against the
// simulated keyboard through HidServ.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "app/utf8_text.h"
#include "console/console_program.h"
#include "device/command_frame.h"
#include "device/keyboard_claim_win.h"
#include "macros/macro_record.h"
#include "profiles/game_rules.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "simulator/sim_protocol.h"
#include "tests/support/keyboard_contents_win.h"
#include "tests/support/ostrak_cli_run_win.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

using Json = nlohmann::json;

class OstrakCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyboard_.Start());
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard_.Port())).c_str());
    folder_ = MakeScratchFolder(L"ostrak-cli");
    profile_ = folder_ + L"\\$Profile0";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", nullptr);
    keyboard_.Stop();
    RemoveTree(folder_);
  }

  std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }

  // Runs ostrak-cli.exe on this test's own profile file.
  CliRun Run(const std::wstring& arguments) {
    return RunOstrakCli(L"--profile-file \"" + profile_ + L"\" " + arguments, folder_, ++runs_);
  }
  Json RunJson(const std::wstring& arguments) {
    const CliRun run = Run(L"--json " + arguments);
    EXPECT_EQ(run.code, DWORD{kExitOk}) << run.err;
    Json json = Json::parse(run.out, nullptr, false);
    EXPECT_FALSE(json.is_discarded()) << "out: [" << run.out << "] err: [" << run.err << "]";
    return json.is_discarded() ? Json::object() : json;
  }

  // The command codes of the control reports written since the log was cleared.
  std::vector<int> SentCodes() {
    std::vector<int> codes;
    std::string log = keyboard_.Control("log 100000");
    for (std::size_t at = log.find("H:"); at != std::string::npos; at = log.find("H:", at + 2)) {
      std::vector<std::uint8_t> bytes;
      const std::size_t end = log.find(' ', at);
      ParseHexBytes(log.substr(at + 7, end == std::string::npos ? std::string::npos : end - at - 7), bytes);
      if (log.compare(at + 2, 4, "FF1C") == 0 && bytes.size() > kFrameCode) codes.push_back(bytes[kFrameCode]);
    }
    return codes;
  }
  static int CountOf(const std::vector<int>& codes, int code) {
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
  }

  // A macro of `actions` presses of A as a JSON file.
  std::wstring MacroFile(const std::string& name, int actions) {
    Json list = Json::array();
    for (int i = 0; i < actions; ++i) list.push_back({{"key", "A"}, {"delay", 10}});
    const std::wstring path = File((std::wstring(name.begin(), name.end()) + L".json").c_str());
    WriteBytes(path, Json{{"name", name}, {"actions", list}}.dump());
    return L"\"" + path + L"\"";
  }

  SimServer keyboard_;
  std::wstring folder_, profile_;
  int runs_ = 0;
};

TEST_F(OstrakCliTest, ExportThenImportRoundTrips) {
  ASSERT_EQ(Run(L"key set --profile 2 F1 function:Copy").code, DWORD{kExitOk});
  const std::vector<std::uint8_t> withCopy = KeyboardMemory(keyboard_, "keytables", kKeyTableStride, kKeyTableBytes);
  const CliRun exported = Run(L"export \"" + File(L"mine.fwc") + L"\"");
  ASSERT_EQ(exported.code, DWORD{kExitOk}) << exported.err;
  EXPECT_NE(exported.out.find("Exported the profile to"), std::string::npos);

  ASSERT_EQ(Run(L"key reset --profile 2").code, DWORD{kExitOk});
  EXPECT_NE(KeyboardMemory(keyboard_, "keytables", kKeyTableStride, kKeyTableBytes), withCopy);
  const CliRun imported = Run(L"import \"" + File(L"mine.fwc") + L"\"");
  ASSERT_EQ(imported.code, DWORD{kExitOk}) << imported.err;
  EXPECT_EQ(KeyboardMemory(keyboard_, "keytables", kKeyTableStride, kKeyTableBytes), withCopy);
  EXPECT_EQ(ReadBytes(File(L"mine.fwc")), ReadBytes(profile_));
}

TEST_F(OstrakCliTest, KeySetThenReadBackShowsTheKeyAndSendsOnlyItsTable) {
  ASSERT_EQ(Run(L"read-back").code, DWORD{kExitOk});
  keyboard_.Control("clearlog");
  const Json set = RunJson(L"key set A key:B");
  EXPECT_EQ(set["profile"], 1);
  const std::vector<int> codes = SentCodes();
  EXPECT_EQ(CountOf(codes, kCommandWriteKeyTable), 9);
  EXPECT_EQ(CountOf(codes, kCommandWriteMacroImage), 0);

  const CliRun back = Run(L"read-back --out \"" + File(L"back.fwc") + L"\"");
  ASSERT_EQ(back.code, DWORD{kExitOk}) << back.err;
  const Json shown = RunJson(L"show \"" + File(L"back.fwc") + L"\"");
  EXPECT_EQ(shown["profiles"][0]["keys"]["A"], "key:B");
}

TEST_F(OstrakCliTest, ProfileSwitchesTheKeyboard) {
  ASSERT_EQ(Run(L"profile 2").code, DWORD{kExitOk});
  EXPECT_EQ(keyboard_.Control("read status " + std::to_string(kStatusCurrentProfile) + " 1"), "OK 01");
}

TEST_F(OstrakCliTest, LightingWritesTheSettingsTheWindowWrites) {
  const Json lit = RunJson(L"lighting --effect Rainbow --brightness 10 --speed 20");
  EXPECT_EQ(lit["effect"], 3);
  // Effect, brightness, and the speed the keyboard's way round (24 - slider).
  EXPECT_EQ(keyboard_.Control("read settings 0 3"), "OK 030A04");
}

TEST_F(OstrakCliTest, ALongMacroIsSentAndOneTooLargeIsRefused) {
  const Json added = RunJson(L"macro import " + MacroFile("Big", kMaxMacroActions));
  EXPECT_EQ(added["actions"], kMaxMacroActions);
  std::vector<std::uint8_t> image = KeyboardMemory(keyboard_, "macros", 0, kMacroMemory);
  std::vector<MacroRecord> records(1);
  ASSERT_EQ(ParseMacroImage(records, image), 1);
  EXPECT_EQ(records[0].actionCount, kMaxMacroActions);

  const std::string fileBefore = ReadBytes(profile_);
  keyboard_.Control("clearlog");
  const CliRun refused = Run(L"macro import " + MacroFile("Bigger", kMaxMacroActions));
  EXPECT_EQ(refused.code, DWORD{kExitNoRoom});
  EXPECT_NE(refused.err.find("nothing was changed"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadBytes(profile_), fileBefore);
  const std::vector<int> codes = SentCodes();
  EXPECT_EQ(CountOf(codes, kCommandWriteMacroImage) + CountOf(codes, kCommandWriteKeyTable), 0);
}

TEST_F(OstrakCliTest, UnpluggedMidImportItFailsAndTheNextCommandFinishesIt) {
  ASSERT_EQ(Run(L"key set Q key:W").code, DWORD{kExitOk});
  ASSERT_EQ(Run(L"export \"" + File(L"mine.fwc") + L"\"").code, DWORD{kExitOk});
  ASSERT_EQ(Run(L"key reset Q").code, DWORD{kExitOk});
  ASSERT_EQ(keyboard_.Control("faults unplugafter=12"), "OK");
  const CliRun cut = Run(L"import \"" + File(L"mine.fwc") + L"\"");
  EXPECT_EQ(cut.code, DWORD{kExitTransfer});
  EXPECT_NE(cut.err.find("unplugged"), std::string::npos) << cut.err;
  EXPECT_TRUE(FileExists(profile_ + L".applying"));

  ASSERT_EQ(keyboard_.Control("faults unplugafter=-1"), "OK");
  ASSERT_EQ(keyboard_.Control("plug"), "OK");
  const CliRun next = Run(L"profile 1");
  ASSERT_EQ(next.code, DWORD{kExitOk}) << next.err;
  EXPECT_FALSE(FileExists(profile_ + L".applying"));
  EXPECT_EQ(RunJson(L"show \"" + profile_ + L"\"")["profiles"][0]["keys"]["Q"], "key:W");
}

TEST_F(OstrakCliTest, AWindowThatDoesNotLendTheKeyboardStopsDeviceCommandsAtOnce) {
  // The window's instance mutex without the window's answer.
  HANDLE window = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
  ASSERT_NE(window, nullptr);
  const std::string statusBefore = keyboard_.Control("read status 0 16");
  const CliRun run = Run(L"profile 2");
  EXPECT_EQ(run.code, DWORD{kExitBusy});
  EXPECT_NE(run.err.find("the Ostrak window is running and does not lend the keyboard"), std::string::npos)
      << run.err;
  EXPECT_EQ(keyboard_.Control("read status 0 16"), statusBefore);
  // Commands that only read files still run.
  EXPECT_EQ(Run(L"validate \"" + profile_ + L"\"").code, DWORD{kExitFile});  // there is no profile file yet
  ReleaseMutex(window);
  CloseHandle(window);
  EXPECT_EQ(Run(L"profile 2").code, DWORD{kExitOk});
}

TEST_F(OstrakCliTest, NamesAndTextsAreUtf8) {
  const CliRun version = Run(L"--version");
  EXPECT_EQ(version.code, DWORD{kExitOk});
  EXPECT_NE(version.out.find("ostrak-cli 1."), std::string::npos);
  WriteBytes(File(L"wave.json"), R"({"name": "Wave \u6ce2", "actions": [{"key": "Space"}]})");
  ASSERT_EQ(Run(L"macro import \"" + File(L"wave.json") + L"\"").code, DWORD{kExitOk});
  const CliRun list = Run(L"macro list");
  EXPECT_NE(list.out.find("Wave \xE6\xB3\xA2"), std::string::npos) << list.out;
  // The window's own messages, from its language file.
  ASSERT_EQ(Run(L"read-back").code, DWORD{kExitOk});
  const CliRun nowhere = Run(L"export \"" + File(L"missing\\mine.fwc") + L"\"");
  EXPECT_EQ(nowhere.code, DWORD{kExitFile});
  // Names the file, why it was not written and what to do.
  EXPECT_NE(nowhere.err.find("could not be saved to"), std::string::npos) << nowhere.err;
  EXPECT_NE(nowhere.err.find("mine.fwc"), std::string::npos) << nowhere.err;
  EXPECT_NE(nowhere.err.find("The folder does not exist"), std::string::npos) << nowhere.err;
  const CliRun typo = Run(L"key set A key:Spcae");
  EXPECT_EQ(typo.code, DWORD{kExitUsage});
  EXPECT_NE(typo.err.find("did you mean Space?"), std::string::npos) << typo.err;
}

// The rules go where the window program reads them: its own application key.
TEST_F(OstrakCliTest, RulesAreKeptWhereTheWindowProgramReadsThem) {
  SetRegistryRoot(kSettingsRootKey, u"Ostrak");
  RegistryValues store(kGamesSection);
  const GameRuleSettings before = LoadGameRules(store);
  const CliRun added = Run(L"rules add \"C:\\Games\\My Game\\game.exe\" 3");
  ASSERT_EQ(added.code, DWORD{kExitOk}) << added.err;
  const GameRuleSettings stored = LoadGameRules(store);
  const GameRule* rule = MatchingRule(stored.rules, u"c:\\games\\my game\\GAME.EXE");
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->profile, 2);
  EXPECT_EQ(RunJson(L"rules remove \"C:\\Games\\My Game\\game.exe\"")["rules"].size(), before.rules.size());
}

}  // namespace
