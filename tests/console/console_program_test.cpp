// The console program's commands run in-process against the keyboard
// simulator, as ostrak-cli runs them against HidServ.dll.
#include "console/console_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "device/command_frame.h"
#include "lighting/key_colours.h"
#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "profiles/profile_check.h"
#include "profiles/profile_keyboard.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/support/map_setting_values.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() {
    folder_ = fs::temp_directory_path() /
              (std::string("ostrak-console-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    profilePath_ = (folder_ / "Ostrak_05A" / "$Profile0").u16string();
  }
  ~ConsoleTest() override { fs::remove_all(folder_); }

  // Runs one command; its output in out_ and err_.
  int Run(std::vector<std::string> arguments, bool terminal = false) {
    std::ostringstream out, err;
    ConsoleEnvironment environment;
    environment.progress = terminal;
    environment.out = &out;
    environment.err = &err;
    environment.profilePath = profilePath_;
    environment.openService = [this](DeviceService& service, std::string&) {
      service = service_.Table();
      return service.Init(0) > 0;
    };
    environment.claimKeyboard = [this] { return refusal_; };
    environment.gameRules = noRuleStore_ ? nullptr : &rules_;
    const int code = RunConsole(arguments, environment);
    out_ = out.str();
    err_ = err.str();
    return code;
  }

  Json RunJson(std::vector<std::string> arguments, int expected = kExitOk) {
    arguments.insert(arguments.begin(), "--json");
    EXPECT_EQ(Run(arguments), expected) << err_;
    return Json::parse(out_, nullptr, false);
  }

  std::string File(const std::string& name) const { return (folder_ / name).string(); }

  // The command codes of the control reports the host wrote since the log was cleared.
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const SimLogEntry& e : keyboard_.Log())
      if (e.fromHost && e.usagePage == kControlUsagePage) codes.push_back(FrameFromBytes(e.bytes)[kFrameCode]);
    return codes;
  }
  int Count(int code) const {
    const std::vector<int> codes = Codes();
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
  }
  // A command that changes the keyboard.
  bool AnyWrite() const {
    for (const int code : Codes())
      if (code == kCommandWriteStatus || code == kCommandWriteSettings || code == kCommandWriteKeyTable ||
          code == kCommandWriteMacroImage || code == kCommandWriteKeyColours)
        return true;
    return false;
  }

  DeviceKeyRecord KeyRecord(int profile, KeyCode key) const {
    const int position = PositionOf(key);
    DeviceKeyRecord record{};
    keyboard_.Read(SimArea::kKeyTables, profile * kKeyTableStride + position * 3, std::span(record.bytes));
    return record;
  }
  static int PositionOf(KeyCode key) {
    for (int p = 0; p < kDeviceKeyDataFirstPosition; ++p)
      if (DeviceRecordToKeyCode(kBuiltInDefaultKeyTable[p]) == key) return p;
    return -1;
  }
  int CurrentProfile() const {
    std::uint8_t current[1] = {0xFF};
    keyboard_.Read(SimArea::kStatus, kStatusCurrentProfile, current);
    return current[0];
  }
  std::vector<std::uint8_t> FileBytes(const std::u16string& path) const {
    std::vector<std::uint8_t> bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }

  // A macro of `actions` presses of A, 10 ms apart, as a JSON file.
  std::string MacroFile(const std::string& name, int actions) {
    Json list = Json::array();
    for (int i = 0; i < actions; ++i) list.push_back({{"key", "A"}, {"delay", 10}});
    const std::string path = File(name + ".json");
    const std::string text = Json{{"name", name}, {"cycles", 2}, {"actions", list}}.dump();
    ReplaceFile(fs::path(path).u16string(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    return path;
  }

  fs::path folder_;
  std::u16string profilePath_;
  KeyboardSimulator keyboard_;
  SimulatedService service_{keyboard_};
  std::string refusal_;
  std::string out_, err_;
  MapSettingValues rules_;
  bool noRuleStore_ = false;
};

TEST_F(ConsoleTest, ArgumentErrorsStopBeforeTheKeyboardChanges) {
  const struct {
    std::vector<std::string> arguments;
    const char* says;
  } cases[] = {
      {{}, "subcommand"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"prolife", "2"}, "unknown command 'prolife' (did you mean profile?)"},
      {{"profile"}, "required"},
      {{"profile", "4"}, "not in range"},
      {{"profile", "two"}, "two"},
      {{"validate"}, "required"},
      {{"key", "set", "A"}, "required"},
      {{"key", "set", "Spcae", "key:B"}, "unknown key 'Spcae' (did you mean Space?)"},
      {{"key", "set", "A", "key:Spcae"}, "unknown key 'Spcae' (did you mean Space?)"},
      {{"key", "set", "A", "media:Volume"}, "did you mean Volume Down or Volume Up?"},
      {{"key", "set", "A", "macro:Nothing"}, "unknown macro 'Nothing'"},
      {{"key", "set", "A", "launch:calc.exe"}, "unknown assignment"},
      {{"key", "set", "--layer", "3", "G1", "default"}, "not in range"},
      {{"key", "reset", "--profile", "0"}, "not in range"},
      {{"key"}, "subcommand"},
      {{"macro"}, "subcommand"},
      {{"lighting", "--brightness", "26"}, "not in range"},
      {{"lighting", "--speed", "-1"}, "not in range"},
      {{"lighting", "--effect", "Sparkle"}, "unknown effect 'Sparkle'"},
      {{"lighting", "--colour", "12345"}, "not RRGGBB"},
      {{"lighting", "--key", "A=red"}, "NAME=RRGGBB"},
      {{"lighting", "--key", "Spcae=ff0000"}, "did you mean Space?"},
      {{"lighting", "--colour", "ff0000"}, "has no colour"},  // the factory effect, Wave, has none
      {{"lighting", "--key", "A=ff0000"}, "add --effect 5"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& a : c.arguments) line += a + " ";
    SCOPED_TRACE(line);
    keyboard_.ClearLog();
    EXPECT_EQ(Run(c.arguments), kExitUsage);
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
    EXPECT_FALSE(AnyWrite());
  }
}

TEST_F(ConsoleTest, HelpListsTheExitCodes) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, {"key", "set", "--help"}, {"lighting", "--help"}}) {
    EXPECT_EQ(Run(arguments), kExitOk);
    EXPECT_NE(out_.find("4  the Ostrak window keeps the keyboard"), std::string::npos) << out_;
  }
}

TEST_F(ConsoleTest, ValidateAndShowAgreeWithTheCheckOnEveryCorpusFile) {
  int files = 0;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(OSTRAK_SOURCE_DIR) / "tests/fuzz/corpus/profile_file_fuzz")) {
    SCOPED_TRACE(entry.path().filename().string());
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(entry.path().u16string(), bytes));
    const std::vector<FileProblem> problems = FindProfileFileProblems(bytes);
    const Json report = RunJson({"validate", entry.path().string()}, problems.empty() ? kExitOk : kExitFile);
    EXPECT_EQ(report["valid"], problems.empty());
    ASSERT_EQ(report["problems"].size(), problems.size());
    for (std::size_t i = 0; i < problems.size(); ++i) EXPECT_EQ(report["problems"][i]["offset"], problems[i].offset);
    const int shown = Run({"show", entry.path().string()});
    EXPECT_EQ(shown, problems.empty() ? kExitOk : kExitFile);
    if (problems.empty()) {
      EXPECT_NE(out_.find("Profile 3:"), std::string::npos);
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

TEST_F(ConsoleTest, ValidateNamesEachProblemOfAHandMadeFile) {
  // A file whose header lies: a wrong mark and a check byte that does not add up.
  std::string bytes(kHeaderBlockBytes, '\0');
  bytes[0] = 'X';
  bytes[31] = 0x55;
  const std::string path = File("bad.fwc");
  ReplaceFile(fs::path(path).u16string(), std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(Run({"validate", path}), kExitFile);
  EXPECT_NE(out_.find("offset 0x00000000: the file mark is"), std::string::npos) << out_;
  EXPECT_NE(out_.find("offset 0x0000001f: the check byte is"), std::string::npos) << out_;
  EXPECT_EQ(Run({"show", path}), kExitFile);
  EXPECT_TRUE(out_.empty());
  EXPECT_NE(err_.find("not a valid profile file"), std::string::npos);
  EXPECT_EQ(Run({"validate", File("missing.fwc")}), kExitFile);
  EXPECT_NE(err_.find("cannot read"), std::string::npos);
}

TEST_F(ConsoleTest, DevicesTellsTheKeyboardAndItsAbsence) {
  const Json keyboard = RunJson({"devices"});
  EXPECT_EQ(keyboard["keyboards"], 1);
  EXPECT_EQ(keyboard["currentProfile"], 1);
  EXPECT_EQ(keyboard["macroCapacity"], kSimDefaultCapacityUnits * 128);
  EXPECT_EQ(keyboard["effects"][0]["name"], "Wave");
  keyboard_.Unplug();
  EXPECT_EQ(RunJson({"devices"}, kExitNoKeyboard)["keyboards"], 0);
  EXPECT_NE(err_.find("no keyboard"), std::string::npos);
}

TEST_F(ConsoleTest, ProfileSwitchesTheKeyboard) {
  EXPECT_EQ(RunJson({"profile", "2"})["profile"], 2);
  EXPECT_EQ(CurrentProfile(), 1);
}

TEST_F(ConsoleTest, WhileTheWindowHoldsTheKeyboardNothingReachesIt) {
  refusal_ = "the Ostrak window keeps the keyboard";
  keyboard_.ClearLog();
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"profile", "2"}, {"key", "set", "A", "key:B"}, {"read-back"}}) {
    EXPECT_EQ(Run(arguments), kExitBusy);
    EXPECT_NE(err_.find("the Ostrak window keeps the keyboard"), std::string::npos);
  }
  EXPECT_TRUE(Codes().empty());
  EXPECT_FALSE(FileExists(profilePath_));
}

TEST_F(ConsoleTest, KeySetSendsOnlyTheKeyTableOfItsProfile) {
  ASSERT_EQ(Run({"read-back"}), kExitOk) << err_;
  keyboard_.ClearLog();
  const Json set = RunJson({"key", "set", "--profile", "3", "A", "key:B"});
  EXPECT_EQ(set["assignment"], "key:B");
  EXPECT_EQ(Count(kCommandWriteMacroImage), 0);
  EXPECT_EQ(Count(kCommandWriteKeyTable), 9);  // 480 bytes in 56-byte chunks
  EXPECT_EQ(Count(kCommandReadMacroImage), 0);
  for (const SimLogEntry& e : keyboard_.Log())
    if (e.fromHost && FrameFromBytes(e.bytes)[kFrameCode] == kCommandWriteKeyTable) {
      EXPECT_GE(FrameOffset(FrameFromBytes(e.bytes)), 2 * kKeyTableStride);
    }
  EXPECT_EQ(DeviceRecordToKeyCode(KeyRecord(2, 0x01E)), 0x030);  // A sends B
  EXPECT_EQ(DeviceRecordToKeyCode(KeyRecord(0, 0x01E)), 0x01E);  // only in profile 3
  EXPECT_FALSE(FileExists(ApplyNotePath(profilePath_)));

  // The profile file holds it, and so does the keyboard read back.
  EXPECT_EQ(RunJson({"show", fs::path(profilePath_).string()})["profiles"][2]["keys"]["A"], "key:B");
  ASSERT_EQ(Run({"read-back", "--out", File("back.fwc")}), kExitOk) << err_;
  EXPECT_EQ(RunJson({"show", File("back.fwc")})["profiles"][2]["keys"]["A"], "key:B");

  EXPECT_EQ(Run({"key", "reset", "--profile", "3", "A"}), kExitOk);
  EXPECT_EQ(DeviceRecordToKeyCode(KeyRecord(2, 0x01E)), 0x01E);
}

TEST_F(ConsoleTest, KeySetMakesTheProfileFileWhenThereIsNone) {
  ASSERT_EQ(Run({"key", "set", "G3", "media:Mute"}), kExitOk) << err_;
  EXPECT_NE(out_.find("Profile 1: G3 is now media:Mute"), std::string::npos) << out_;
  EXPECT_EQ(RunJson({"show", fs::path(profilePath_).string()})["profiles"][0]["keys"]["G3"], "media:Mute");
}

TEST_F(ConsoleTest, MacrosComeInAsJsonUpToTheKeyboardsMemory) {
  ASSERT_EQ(Run({"read-back"}), kExitOk) << err_;
  keyboard_.ClearLog();
  const Json added = RunJson({"macro", "import", MacroFile("Big", kMaxMacroActions)});
  EXPECT_EQ(added["actions"], kMaxMacroActions);
  EXPECT_EQ(added["replaced"], false);
  EXPECT_EQ(Count(kCommandWriteMacroImage) > 0, true);
  std::vector<std::uint8_t> image(keyboard_.AreaSize(SimArea::kMacros));
  keyboard_.Read(SimArea::kMacros, 0, image);
  std::vector<MacroRecord> records(1);
  ASSERT_EQ(ParseMacroImage(records, image), 1);
  EXPECT_EQ(records[0].actionCount, kMaxMacroActions);
  EXPECT_EQ(records[0].cycles, 2);

  // One more such macro does not fit 8 KiB: refused, nothing written anywhere.
  const std::vector<std::uint8_t> before = FileBytes(profilePath_);
  keyboard_.ClearLog();
  EXPECT_EQ(Run({"macro", "import", MacroFile("Bigger", kMaxMacroActions)}), kExitNoRoom);
  EXPECT_NE(err_.find("nothing was changed"), std::string::npos) << err_;
  EXPECT_FALSE(AnyWrite());
  EXPECT_EQ(FileBytes(profilePath_), before);

  // The same name replaces the macro, under its id.
  EXPECT_EQ(RunJson({"macro", "import", MacroFile("Big", 3)})["replaced"], true);
  const Json list = RunJson({"macro", "list"});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["actions"], 3);

  // A key given the macro takes the macros along.
  keyboard_.ClearLog();
  ASSERT_EQ(Run({"key", "set", "G3", "macro:Big"}), kExitOk) << err_;
  EXPECT_GT(Count(kCommandWriteMacroImage), 0);
  EXPECT_EQ(RunJson({"macro", "show", "Big"})["actions"].size(), 3u);
  ASSERT_EQ(Run({"macro", "export", "Big", File("out.json")}), kExitOk);
  EXPECT_EQ(Json::parse(std::ifstream(File("out.json")))["cycles"], 2);
}

TEST_F(ConsoleTest, ExportThenImportRoundTrips) {
  ASSERT_EQ(Run({"key", "set", "--profile", "2", "F1", "function:Copy"}), kExitOk) << err_;
  ASSERT_EQ(Run({"macro", "import", MacroFile("Combo", 4)}), kExitOk) << err_;
  ASSERT_EQ(Run({"export", File("mine.fwc")}), kExitOk) << err_;
  EXPECT_EQ(FileBytes(fs::path(File("mine.fwc")).u16string()), FileBytes(profilePath_));

  ASSERT_EQ(Run({"key", "reset", "--profile", "2"}), kExitOk) << err_;
  EXPECT_EQ(KeyRecord(1, 0x03B), kBuiltInDefaultKeyTable[PositionOf(0x03B)]);
  ASSERT_EQ(Run({"import", File("mine.fwc")}), kExitOk) << err_;
  EXPECT_NE(KeyRecord(1, 0x03B), kBuiltInDefaultKeyTable[PositionOf(0x03B)]);
  EXPECT_EQ(RunJson({"show", fs::path(profilePath_).string()})["profiles"][1]["keys"]["F1"], "function:Copy");
}

TEST_F(ConsoleTest, AnImportThatDoesNotValidateChangesNothing) {
  ASSERT_EQ(Run({"read-back"}), kExitOk) << err_;
  const std::vector<std::uint8_t> before = FileBytes(profilePath_);
  std::string bytes(kHeaderBlockBytes, '\0');
  ReplaceFile(fs::path(File("bad.fwc")).u16string(),
              std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  keyboard_.ClearLog();
  EXPECT_EQ(Run({"import", File("bad.fwc")}), kExitFile);
  EXPECT_NE(err_.find("the file mark"), std::string::npos) << err_;
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(FileBytes(profilePath_), before);
}

TEST_F(ConsoleTest, AKeyboardPulledOutMidImportGetsTheWholeProfileNextTime) {
  ASSERT_EQ(Run({"key", "set", "--profile", "1", "Q", "key:W"}), kExitOk) << err_;
  ASSERT_EQ(Run({"export", File("mine.fwc")}), kExitOk) << err_;
  ASSERT_EQ(Run({"key", "reset", "--profile", "1", "Q"}), kExitOk) << err_;

  SimFaults faults;
  faults.unplugAfterReports = 12;  // inside the download
  keyboard_.SetFaults(faults);
  EXPECT_EQ(Run({"import", File("mine.fwc")}), kExitTransfer);
  EXPECT_NE(err_.find("unplugged"), std::string::npos) << err_;
  EXPECT_TRUE(FileExists(ApplyNotePath(profilePath_)));

  keyboard_.SetFaults({});
  keyboard_.Plug();
  ASSERT_EQ(Run({"profile", "1"}), kExitOk) << err_;  // any command finishes it first
  EXPECT_FALSE(FileExists(ApplyNotePath(profilePath_)));
  EXPECT_EQ(DeviceRecordToKeyCode(KeyRecord(0, 0x010)), 0x011);
}

TEST_F(ConsoleTest, LightingWritesWhatThePanelWrites) {
  const Json lit = RunJson({"lighting", "--effect", "Static", "--brightness", "10", "--speed", "20",
                            "--colour", "12ab34"});
  EXPECT_EQ(lit["effect"], 9);
  EXPECT_EQ(lit["colour"], "12ab34");
  std::uint8_t settings[kFrameDataSize];
  keyboard_.Read(SimArea::kSettings, 0, settings);
  EXPECT_EQ(settings[0], 9);
  EXPECT_EQ(settings[1], 10);
  EXPECT_EQ(settings[2], 24 - 20);  // the slider runs the keyboard's way round
  EXPECT_EQ(settings[5], 0x12);
  EXPECT_EQ(settings[6], 0xAB);
  EXPECT_EQ(settings[7], 0x34);

  ASSERT_EQ(Run({"lighting", "--effect", "5", "--key", "A=ff0000", "--key", "Fn=00ff00"}), kExitOk) << err_;
  std::uint8_t colour[3];
  keyboard_.Read(SimArea::kColours, KeyColourPosition(0) * 3, colour);
  EXPECT_EQ(Rgb(colour[0], colour[1], colour[2]), (Rgb{0xFF, 0, 0}));
  keyboard_.Read(SimArea::kColours, kFnColourPosition * 3, colour);
  EXPECT_EQ(Rgb(colour[0], colour[1], colour[2]), (Rgb{0, 0xFF, 0}));

  EXPECT_EQ(RunJson({"lighting"})["effect"], 5);  // no option: only what it is
}

TEST_F(ConsoleTest, ATransferLongerThanASecondShowsItsProgressOnATerminal) {
  ASSERT_EQ(Run({"read-back"}), kExitOk) << err_;
  SimFaults slow;
  slow.latencyMs = 10;  // 144 chunks of macros: well over a second
  keyboard_.SetFaults(slow);
  ASSERT_EQ(Run({"macro", "import", MacroFile("Long", kMaxMacroActions)}, true), kExitOk) << err_;
  EXPECT_NE(err_.find("sending macros: chunk 144 of 144\n"), std::string::npos) << err_;

  ASSERT_EQ(Run({"macro", "import", MacroFile("Long", kMaxMacroActions - 1)}, false), kExitOk) << err_;
  EXPECT_EQ(err_.find("chunk"), std::string::npos);  // not a terminal: no progress line
}

TEST_F(ConsoleTest, FileCommandsSayWhenThereIsNoProfileFileYet) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"export", File("x.fwc")}, {"macro", "list"}, {"macro", "show", "A"}}) {
    EXPECT_EQ(Run(arguments), kExitFile);
    EXPECT_NE(err_.find("read-back"), std::string::npos) << err_;
  }
}

// The per-game rules: the window program's settings, with no keyboard.
TEST_F(ConsoleTest, RulesAreListedAddedAndRemovedInTheWindowProgramsSettings) {
  Json list = RunJson({"rules", "list"});
  EXPECT_EQ(list["enabled"], true);
  EXPECT_EQ(list["noMatch"], "back");
  EXPECT_TRUE(list["rules"].empty());

  ASSERT_EQ(Run({"rules", "add", "game.exe", "2"}), kExitOk) << err_;
  EXPECT_NE(out_.find("profile 2  game.exe"), std::string::npos) << out_;
  ASSERT_EQ(Run({"rules", "add", "C:\\Games\\", "3"}), kExitOk) << err_;
  ASSERT_EQ(Run({"rules", "add", "GAME.EXE", "1"}), kExitOk) << err_;  // the same program: its profile changes
  list = RunJson({"rules", "list"});
  ASSERT_EQ(list["rules"].size(), 2u);
  EXPECT_EQ(list["rules"][0]["program"], "game.exe");
  EXPECT_EQ(list["rules"][0]["profile"], 1);
  EXPECT_EQ(list["rules"][1]["program"], "C:\\Games\\");
  EXPECT_EQ(list["rules"][1]["profile"], 3);
  EXPECT_EQ(rules_.values[u"RULE00"], u"2");  // where the window program reads them

  list = RunJson({"rules", "remove", "game.exe"});
  ASSERT_EQ(list["rules"].size(), 1u);

  struct Case {
    std::vector<std::string> arguments;
    int code;
    std::string error;
  };
  const Case cases[] = {
      {{"rules", "remove", "gmae.exe"}, kExitUsage, "unknown rule 'gmae.exe'"},
      {{"rules", "add", "x.exe", "4"}, kExitUsage, "PROFILE"},
      {{"rules", "add", "  ", "1"}, kExitUsage, "is not a program's name"},
      {{"rules", "add", "x.exe"}, kExitUsage, "PROFILE"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments), c.code) << c.arguments[1];
    EXPECT_NE(err_.find(c.error), std::string::npos) << err_;
  }
  EXPECT_EQ(RunJson({"rules", "list"})["rules"].size(), 1u);  // nothing changed by them

  rules_.refuseWrites = true;
  EXPECT_EQ(Run({"rules", "add", "y.exe", "1"}), kExitFile);
  EXPECT_NE(err_.find("could not be stored"), std::string::npos) << err_;
  noRuleStore_ = true;
  EXPECT_EQ(Run({"rules", "list"}), kExitFile);
}

}  // namespace
