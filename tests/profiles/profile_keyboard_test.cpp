#include "profiles/profile_keyboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "profiles/profile_download.h"
#include "simulator/keyboard_simulator.h"
#include "tests/device/link_fixture.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/wait.h"

namespace {

namespace fs = std::filesystem;

class ProfileKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              (std::string("ostrak-kbd-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "$Profile0").u16string();
    ResetDefaultKeyTable();
    rig_.link.RefreshMacroCapacity();
    ASSERT_TRUE(NewDefaultProfile(working_));
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Profile 1 sends B on A and plays a macro on Q; profile 0 launches a program on W.
  // The first half of an Import, as the session takes it: the file loaded,
  // then it becomes the working profile and the profile file (when there is one).
  bool Import(const std::u16string& from) {
    WorkingProfile imported;
    if (!LoadImportFile(ui_, from, imported)) return false;
    ReplaceWorkingProfile(working_, imported);
    SaveProfileFile(working_, path_);
    return true;
  }
  void EditWorkingProfile() {
    working_.block->area[AssignmentIndex(1, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
    working_.block->area[AssignmentIndex(1, 0x10)] = {AssignmentType::Macro, 0, 7, 0, 0};
    working_.block->area[AssignmentIndex(0, 0x11)] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
    SetAssignmentText(working_.text, AssignmentIndex(0, 0x11), u"C:\\game.exe");
    ASSERT_TRUE(AllocateMacroList(working_.macros, 1));
    FillNewMacroRecord(working_.macros.records[0], u"Jump", 7);
    working_.macros.records[0].actionCount = 2;
    working_.macros.records[0].actions[0] = {30, 0x039, kMacroPress};
    working_.macros.records[0].actions[1] = {0, 0x039, kMacroRelease};
  }

  // The working profile's macros: each presses and releases Shift, with its
  // own pause after the press.
  struct MacroSpec {
    std::u16string name;
    std::uint16_t id;
    std::uint32_t delayMs;
  };
  void SetWorkingMacros(const std::vector<MacroSpec>& macros) {
    FreeMacroList(working_.macros);
    if (macros.empty()) return;
    ASSERT_TRUE(AllocateMacroList(working_.macros, macros.size()));
    for (std::size_t m = 0; m < macros.size(); ++m) {
      MacroRecord& record = working_.macros.records[m];
      FillNewMacroRecord(record, macros[m].name, macros[m].id);
      record.actionCount = 2;
      record.actions[0] = {macros[m].delayMs, 0x02A, kMacroPress};
      record.actions[1] = {0, 0x02A, kMacroRelease};
    }
  }

  // The name of the macro a key plays in `profile`, or "" when it plays none.
  static std::u16string PlayedMacroName(WorkingProfile& profile, int index) {
    const KeyAssignment& entry = profile.block->area[index];
    if (entry.type != AssignmentType::Macro) return u"";
    for (const MacroRecord& record : profile.macros.records)
      if (record.id == entry.param) return std::u16string(MacroName(record));
    return u"";
  }

  // All three key maps, or the current one, from a copy of the working profile.
  bool Apply(bool all) {
    if (!CopyToAppliedProfile(working_, applied_)) return false;
    const DownloadSource source{applied_.block->area, applied_.macros.records};
    return DownloadProfiles(rig_.link, all, source).result == DeviceResult::kOk;
  }

  // The window's Apply: the file saved, then the current key map downloaded, noted.
  bool SaveAndApply() {
    if (!SaveProfileFile(working_, path_) || !CopyToAppliedProfile(working_, applied_)) return false;
    return DownloadAppliedProfile(rig_.link, messages_, applied_, rig_.link.CurrentProfile(), path_) ==
           DeviceResult::kOk;
  }

  fs::path folder_;
  std::u16string path_;
  FakeUserInterface ui_;
  LinkRig rig_{QuickTimings()};
  RecordingMessages messages_;
  WorkingProfile working_;
  AppliedProfile applied_;
};

TEST_F(ProfileKeyboardTest, AnAppliedProfileReadsBackFromTheKeyboardWithoutItsStrings) {
  EditWorkingProfile();
  ASSERT_TRUE(Apply(true));

  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  WorkingProfile read;
  ASSERT_TRUE(LoadProfileFile(read, path_));
  EXPECT_EQ(read.block->area[AssignmentIndex(1, 0x1E)], (KeyAssignment{AssignmentType::Key, 0, 0x030, 0, 0}));
  EXPECT_EQ(read.block->area[AssignmentIndex(1, 0x10)].type, AssignmentType::Macro);
  EXPECT_EQ(read.block->area[AssignmentIndex(1, 0x10)].param, 1u) << "macros are renumbered in image order";
  EXPECT_EQ(read.block->area[AssignmentIndex(0, 0x11)].type, AssignmentType::Default) << "the keyboard keeps no paths";
  EXPECT_EQ(read.text.totalBytes, 0u);
  ASSERT_EQ(read.macros.count(), 1);
  EXPECT_EQ(MacroName(read.macros.records[0]), u"Jump");
  EXPECT_EQ(read.macros.records[0].actionCount, 2);
}

TEST_F(ProfileKeyboardTest, ApplyingTheCurrentKeyMapWritesOnlyThatTable) {
  EditWorkingProfile();
  ASSERT_EQ(rig_.link.SetCurrentProfile(1), DeviceResult::kOk);
  const std::vector<std::uint8_t> before0 = rig_.Memory(SimArea::kKeyTables, 0, 480);
  ASSERT_TRUE(Apply(false));

  const auto lookup = [&](std::uint16_t id) { return MacroIndexOfId(working_.macros.records, id); };
  const DeviceKeyTable expected =
      BuildDeviceKeyTable(EntriesOfProfile(std::as_const(working_.block->area), 1), DefaultKeyTable(), lookup);
  const std::vector<std::uint8_t> written = rig_.Memory(SimArea::kKeyTables, 512, 480);
  EXPECT_EQ(std::memcmp(written.data(), expected.data(), 480), 0);
  EXPECT_EQ(rig_.Memory(SimArea::kKeyTables, 0, 480), before0);
  EXPECT_EQ(applied_.macros.count(), 1);
  EXPECT_EQ(applied_.pool.size(), 24u);
}

TEST_F(ProfileKeyboardTest, EveryBankComesBackFromTheKeyboardAsItWasApplied) {
  {
    ASSERT_TRUE(AllocateMacroList(working_.macros, 3));
    const std::uint16_t ids[3] = {40, 5, 17};  // renumbered 1, 2, 3 by the keyboard
    for (int m = 0; m < 3; ++m) {
      FillNewMacroRecord(working_.macros.records[m], u"M" + std::u16string(1, u'A' + m), ids[m]);
      working_.macros.records[m].actionCount = 1;
      working_.macros.records[m].actions[0] = {10u * m, 0x02A, kMacroPress};
    }
    // Each profile a different mix over the keyboard's keys.
    for (int profile = 0; profile < 3; ++profile) {
      for (std::size_t i = 0; i < KeyboardKeys.size(); ++i) {
        const KeyCode key = KeyboardKeys[i];
        KeyAssignment& entry = working_.block->area[AssignmentIndex(profile, KeyCodeToSlot(key))];
        switch ((i + profile) % 6) {
          case 0: entry = {AssignmentType::Key, 0, KeyboardKeys[(i * 7 + profile) % KeyboardKeys.size()], 0, 0}; break;
          case 1: entry = {AssignmentType::Media, 0, static_cast<std::uint32_t>(i % 18), 0, 0}; break;
          case 2: entry = {AssignmentType::Function, 0, static_cast<std::uint32_t>(i % 11), 0, 0}; break;
          case 3: entry = {AssignmentType::Macro, 0, ids[i % 3], 0, 0}; break;
          case 4: entry = {AssignmentType::Disabled, 0, 0, 0, 0}; break;
          default: break;
        }
      }
    }
  }
  ASSERT_TRUE(Apply(true));
  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  WorkingProfile read;
  ASSERT_TRUE(LoadProfileFile(read, path_));

  ASSERT_EQ(read.macros.count(), 3);
  for (int m = 0; m < 3; ++m) {
    EXPECT_EQ(read.macros.records[m].id, m + 1);
    EXPECT_EQ(MacroName(read.macros.records[m]), MacroName(working_.macros.records[m]));
  }
  const auto renumbered = [&](std::uint32_t id) { return MacroIndexOfId(working_.macros.records, static_cast<std::uint16_t>(id)) + 1u; };
  for (int profile = 0; profile < 3; ++profile) {
    for (KeyCode key : KeyboardKeys) {
      const int at = AssignmentIndex(profile, KeyCodeToSlot(key));
      KeyAssignment expected = working_.block->area[at];
      if (expected.type == AssignmentType::Macro) expected.param = renumbered(expected.param);
      if (expected.type == AssignmentType::Key && expected.param == key) expected = {};  // a key on itself is its default
      // A key the keyboard has no position for cannot be sent.
      bool positioned = false;
      for (int p = 0; p < kDeviceKeyDataFirstPosition; ++p)
        positioned = positioned || DeviceRecordToKeyCode(DefaultKeyTable()[p]) == key;
      if (!positioned) continue;
      EXPECT_EQ(read.block->area[at].type, expected.type) << "profile " << profile << " key " << key;
      EXPECT_EQ(read.block->area[at].param, expected.param) << "profile " << profile << " key " << key;
    }
  }
}

// The keyboard keeps no strings: what it turned a program or a text into
// keeps the record and its string from the profile file, and the spare bank
// stays the file's. A position the keyboard has changed since is the keyboard's.
TEST_F(ProfileKeyboardTest, ProgramPathsTextsAndTheSpareBankSurviveAReadBack) {
  const int program = AssignmentIndex(0, 0x11), text = AssignmentIndex(1, 0x12), changed = AssignmentIndex(0, 0x13),
            spare = AssignmentIndex(3, 0x14);
  {
    working_.block->area[program] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
    SetAssignmentText(working_.text, program, u"C:\\Games\\game.exe");
    working_.block->area[text] = {AssignmentType::TextBlock, 0, 0, 0, 0};
    SetAssignmentText(working_.text, text, u"gg wp");
    working_.block->area[changed] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
    SetAssignmentText(working_.text, changed, u"C:\\old.exe");
    working_.block->area[spare] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
    SetAssignmentText(working_.text, spare, u"C:\\spare.exe");
  }
  ASSERT_TRUE(Apply(true));
  ASSERT_EQ(ExportProfileFile(working_, path_), FileWrite::kWritten);
  {
    // Since then the keyboard got another key there (the file was not saved).
    working_.block->area[changed] = {AssignmentType::Key, 0, 0x030, 0, 0};
  }
  ASSERT_TRUE(Apply(true));

  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  WorkingProfile read;
  ASSERT_TRUE(LoadProfileFile(read, path_));
  struct Expected {
    int index;
    AssignmentType type;
    std::u16string text;
  };
  const Expected expected[] = {
      {program, AssignmentType::LaunchProgram, u"C:\\Games\\game.exe"},
      {text, AssignmentType::TextBlock, u"gg wp"},
      {changed, AssignmentType::Key, u""},
      {spare, AssignmentType::LaunchProgram, u"C:\\spare.exe"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.index);
    EXPECT_EQ(read.block->area[e.index].type, e.type);
    EXPECT_EQ(read.text.slots[e.index].text, e.text);
  }
}

// The keyboard's key tables have no place for the G keys: what they do comes
// back from the profile file, in both layers of every profile, and a macro
// they play is named by its id in the list read back from the keyboard.
TEST_F(ProfileKeyboardTest, GKeysKeepTheirAssignmentsAcrossAReadBack) {
  // Two macros the keyboard plays alike: a key keeps the one at its place.
  SetWorkingMacros({{u"Dash", 40, 50}, {u"Dash again", 5, 50}, {u"Roll", 17, 120}});
  const int g1 = AssignmentIndex(0, GKeyEntry(0, 1)), g9 = AssignmentIndex(0, GKeyEntry(1, 9)),
            g3 = AssignmentIndex(1, GKeyEntry(0, 3)), g4 = AssignmentIndex(1, GKeyEntry(1, 4)),
            g5 = AssignmentIndex(2, GKeyEntry(0, 5)), g2 = AssignmentIndex(2, GKeyEntry(1, 2));
  {
    AssignmentArea& area = working_.block->area;
    area[g1] = {AssignmentType::Macro, 3, 17, 1, 0};  // three plays, marked in the colour display
    area[g9] = {AssignmentType::Macro, 1, 5, 0, 0};
    area[g3] = {AssignmentType::Macro, 1, 99, 0, 0};  // a macro the file does not hold
    area[g4] = {AssignmentType::LaunchProgram, GKeyIdOfEntry(GKeyEntry(1, 4)), 0, 0, 0};
    SetAssignmentText(working_.text, g4, u"C:\\Tools\\run.exe");
    area[g5] = {AssignmentType::Macro, 1, 40, 0, 0};
    area[g2] = {AssignmentType::Media, GKeyIdOfEntry(GKeyEntry(1, 2)), 7, 0, 0};
  }
  ASSERT_TRUE(Apply(true));
  ASSERT_EQ(ExportProfileFile(working_, path_), FileWrite::kWritten);

  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  WorkingProfile read;
  ASSERT_TRUE(LoadProfileFile(read, path_));
  struct Expected {
    int index;
    KeyAssignment entry;
    std::u16string macro, text;
  };
  const Expected expected[] = {
      {g1, {AssignmentType::Macro, 3, 3, 1, 0}, u"Roll", u""},
      {g9, {AssignmentType::Macro, 1, 2, 0, 0}, u"Dash again", u""},
      {g3, {AssignmentType::Default, GKeyIdOfEntry(GKeyEntry(0, 3)), 0, 0, 0}, u"", u""},
      {g4, {AssignmentType::LaunchProgram, GKeyIdOfEntry(GKeyEntry(1, 4)), 0, 0, 0}, u"", u"C:\\Tools\\run.exe"},
      {g5, {AssignmentType::Macro, 1, 1, 0, 0}, u"Dash", u""},
      {g2, {AssignmentType::Media, GKeyIdOfEntry(GKeyEntry(1, 2)), 7, 0, 0}, u"", u""},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.index);
    EXPECT_EQ(read.block->area[e.index], e.entry);
    EXPECT_EQ(PlayedMacroName(read, e.index), e.macro);
    EXPECT_EQ(read.text.slots[e.index].text, e.text);
  }
}

// A G key's macro that the keyboard has lost since the file was written (its
// macros were changed elsewhere) is never taken for another: the key goes back
// to Default. A macro the keyboard holds at another place is followed there.
TEST_F(ProfileKeyboardTest, AGKeyWhoseMacroTheKeyboardNoLongerHoldsGoesBackToDefault) {
  SetWorkingMacros({{u"Dash", 40, 50}, {u"Block", 5, 80}, {u"Roll", 17, 120}});
  const int toDash = AssignmentIndex(0, GKeyEntry(0, 1)), toBlock = AssignmentIndex(1, GKeyEntry(1, 2)),
            toRoll = AssignmentIndex(2, GKeyEntry(0, 3));
  {
    working_.block->area[toDash] = {AssignmentType::Macro, 1, 40, 0, 0};
    working_.block->area[toBlock] = {AssignmentType::Macro, 1, 5, 0, 0};
    working_.block->area[toRoll] = {AssignmentType::Macro, 1, 17, 0, 0};
  }
  ASSERT_TRUE(Apply(true));
  ASSERT_EQ(ExportProfileFile(working_, path_), FileWrite::kWritten);
  const auto readBack = [&](WorkingProfile& read) {
    ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
    ASSERT_TRUE(LoadProfileFile(read, path_));
  };
  const auto isDefault = [](const WorkingProfile& read, int index) {
    const KeyAssignment& entry = read.block->area[index];
    return entry.type == AssignmentType::Default && entry.param == 0 &&
           entry.gkey == GKeyIdOfEntry(index % kEntriesPerProfile);
  };

  // The keyboard now holds Roll, another macro where Block was, and Dash.
  SetWorkingMacros({{u"Roll", 1, 120}, {u"Block", 2, 90}, {u"Dash", 3, 50}});
  ASSERT_TRUE(Apply(true));
  WorkingProfile read;
  readBack(read);
  EXPECT_EQ(PlayedMacroName(read, toDash), u"Dash");
  EXPECT_EQ(read.block->area[toDash].param, 3u);
  EXPECT_EQ(PlayedMacroName(read, toRoll), u"Roll");
  EXPECT_EQ(read.block->area[toRoll].param, 1u);
  EXPECT_TRUE(isDefault(read, toBlock)) << "the keyboard's Block pauses longer: it is not the file's";

  // Then no macros at all.
  SetWorkingMacros({});
  ASSERT_TRUE(Apply(true));
  WorkingProfile empty;
  readBack(empty);
  EXPECT_EQ(empty.macros.count(), 0);
  for (int index : {toDash, toBlock, toRoll}) EXPECT_TRUE(isDefault(empty, index)) << index;
}

TEST_F(ProfileKeyboardTest, AKeyboardReportingAProfileBeyondItsThreeIsNotReadBack) {
  const std::uint8_t profile3 = 3;
  ASSERT_TRUE(rig_.keyboard.Poke(SimArea::kStatus, kStatusCurrentProfile, std::span(&profile3, 1)));
  rig_.link.ForgetCurrentProfile();
  EXPECT_FALSE(ReadProfileFromKeyboard(rig_.link, path_));
  EXPECT_FALSE(FileExists(path_));
}

// An Apply cut short (the keyboard pulled out, the program closing) leaves
// its note; at the next arrival the profile file is downloaded again before
// the keyboard is read back, so that the keyboard never keeps half of it.
TEST_F(ProfileKeyboardTest, AnApplyCutShortIsFinishedWhenTheKeyboardComesBack) {
  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  EditWorkingProfile();
  {
    working_.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Macro, 0, 7, 0, 0};  // the macro on profile 0
  }
  const auto keyboardImage = [&] { return rig_.Memory(SimArea::kMacros, 0, 64); };
  const std::vector<std::uint8_t> oldImage = keyboardImage();
  const std::vector<std::uint8_t> oldTable = rig_.Memory(SimArea::kKeyTables, 0, 480);

  struct Case {
    const char* name;
    int reportsBeforeUnplug;
    bool tableTouched;
  };
  for (const Case c : {Case{"after the image", 2, false}, Case{"in the key table", 5, true}}) {
    SCOPED_TRACE(c.name);
    rig_.keyboard.SetFaults({.unplugAfterReports = c.reportsBeforeUnplug});
    EXPECT_FALSE(SaveAndApply());
    ASSERT_TRUE(FileExists(ApplyNotePath(path_)));
    EXPECT_NE(keyboardImage(), oldImage) << "the keyboard holds a mix";
    EXPECT_EQ(rig_.Memory(SimArea::kKeyTables, 0, 480) != oldTable, c.tableTouched);

    // Still away: nothing is finished, and nothing may be read back.
    EXPECT_FALSE(FinishInterruptedApply(rig_.link, messages_, path_));
    EXPECT_TRUE(FileExists(ApplyNotePath(path_)));

    rig_.keyboard.Plug();
    rig_.link.ForgetCurrentProfile();
    ASSERT_TRUE(FinishInterruptedApply(rig_.link, messages_, path_));
    EXPECT_FALSE(FileExists(ApplyNotePath(path_)));
    const auto lookup = [&](std::uint16_t id) { return MacroIndexOfId(working_.macros.records, id); };
    const DeviceKeyTable expected =
        BuildDeviceKeyTable(EntriesOfProfile(std::as_const(working_.block->area), 0), DefaultKeyTable(), lookup);
    const std::vector<std::uint8_t> table = rig_.Memory(SimArea::kKeyTables, 0, 480);
    EXPECT_EQ(std::memcmp(table.data(), expected.data(), 480), 0) << "the whole new key map";
    EXPECT_TRUE(Apply(false));  // the same profile once more changes nothing on the keyboard
    EXPECT_EQ(rig_.Memory(SimArea::kKeyTables, 0, 480), table);

    // Back to the old profile for the next case.
    ASSERT_EQ(rig_.keyboard.Poke(SimArea::kKeyTables, 0, oldTable), true);
    ASSERT_EQ(rig_.keyboard.Poke(SimArea::kMacros, 0, oldImage), true);
  }
  // A confirmed Apply leaves no note; with no note there is nothing to finish.
  EXPECT_TRUE(SaveAndApply());
  EXPECT_FALSE(FileExists(ApplyNotePath(path_)));
  rig_.keyboard.ClearLog();
  EXPECT_TRUE(FinishInterruptedApply(rig_.link, messages_, path_));
  EXPECT_TRUE(rig_.SentFrames().empty());
}

// The Apply tells the user, once, what the download could not do: send the
// macros at all, or send them with their names.
TEST_F(ProfileKeyboardTest, AnApplyTellsWhatTheKeyboardHadNoRoomFor) {
  struct Case {
    const char* name;
    std::uint32_t capacity;
    DeviceResult download;
    std::vector<TextKey> told;
  };
  const Case cases[] = {
      {"room for all", 8192, DeviceResult::kOk, {}},
      {"no room for the names", 128, DeviceResult::kOk, {TextKey::EXTRA_PROFILE_SPACE_TIGHT}},
      {"no room for the macros", 16, DeviceResult::kMacrosDoNotFit, {TextKey::EXTRA_MACRO_TOO_LONG}},
  };
  SetWorkingMacros({{std::u16string(100, u'n'), 1, 10}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rig_.link.SetMacroCapacity(c.capacity);
    messages_.shown.clear();
    ASSERT_TRUE(CopyToAppliedProfile(working_, applied_));
    EXPECT_EQ(DownloadAppliedProfile(rig_.link, messages_, applied_, 0, path_), c.download);
    EXPECT_EQ(messages_.shown, c.told);
  }
}

// ---- Import ------------------------------------------------------------------

TEST_F(ProfileKeyboardTest, AnImportReplacesTheProfileAndItsFileThenAllThreeKeyMaps) {
  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  const std::vector<std::uint8_t> before = rig_.Memory(SimArea::kKeyTables, 0, 3 * kKeyTableStride);
  EditWorkingProfile();
  const std::u16string exported = (folder_ / "backup.fwc").u16string();
  ASSERT_EQ(ExportProfileFile(working_, exported), FileWrite::kWritten);
  std::vector<std::uint8_t> exportedBytes;
  ASSERT_TRUE(ReadWholeFile(exported, exportedBytes));
  // A file whose flag byte is 1 imports too; the profile file is written with 0.
  std::vector<std::uint8_t> flagged = exportedBytes;
  flagged[30] = 1;
  flagged[31] = static_cast<std::uint8_t>(flagged[31] + 1);  // the check byte: the sum of bytes 0 to 30
  ASSERT_TRUE(ReplaceFile(exported, flagged));
  {
    FreeWorkingProfile(working_);
    ASSERT_TRUE(NewDefaultProfile(working_));
  }

  ASSERT_TRUE(Import(exported));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(working_.block->area[AssignmentIndex(1, 0x1E)].type, AssignmentType::Key);
  EXPECT_EQ(working_.text.slots[AssignmentIndex(0, 0x11)].text, u"C:\\game.exe");
  ASSERT_EQ(working_.macros.records.size(), 1u);
  std::vector<std::uint8_t> fileBytes;
  ASSERT_TRUE(ReadWholeFile(path_, fileBytes));
  EXPECT_EQ(fileBytes, exportedBytes) << "the profile file is the imported file, with flag 0";

  ASSERT_TRUE(ApplyImportedProfile(rig_.link, messages_, working_, applied_, path_));
  EXPECT_FALSE(FileExists(ApplyNotePath(path_)));
  const auto lookup = [&](std::uint16_t id) { return MacroIndexOfId(working_.macros.records, id); };
  for (int map = 0; map < 3; ++map) {
    const DeviceKeyTable expected =
        BuildDeviceKeyTable(EntriesOfProfile(std::as_const(working_.block->area), map), DefaultKeyTable(), lookup);
    EXPECT_EQ(std::memcmp(rig_.Memory(SimArea::kKeyTables, map * kKeyTableStride, 480).data(), expected.data(), 480),
              0)
        << "key map " << map;
  }
  EXPECT_NE(rig_.Memory(SimArea::kKeyTables, 0, 3 * kKeyTableStride), before);
}

TEST_F(ProfileKeyboardTest, AnImportWithoutAProfileFileLoadsAndSendsButMakesNoFile) {
  EditWorkingProfile();
  const std::u16string exported = (folder_ / "backup.fwc").u16string();
  ASSERT_EQ(ExportProfileFile(working_, exported), FileWrite::kWritten);
  {
    FreeWorkingProfile(working_);
    ASSERT_TRUE(NewDefaultProfile(working_));
  }
  ASSERT_FALSE(FileExists(path_));
  ASSERT_TRUE(Import(exported));
  EXPECT_EQ(working_.block->area[AssignmentIndex(1, 0x1E)].type, AssignmentType::Key);
  EXPECT_FALSE(FileExists(path_));
  EXPECT_TRUE(ApplyImportedProfile(rig_.link, messages_, working_, applied_, path_));
  EXPECT_FALSE(FileExists(path_));
}

TEST_F(ProfileKeyboardTest, AFileThatDoesNotValidateChangesNothing) {
  EditWorkingProfile();
  ASSERT_TRUE(NewDefaultProfileFile(path_));
  ASSERT_TRUE(SaveProfileFile(working_, path_));
  std::vector<std::uint8_t> profileBefore;
  ASSERT_TRUE(ReadWholeFile(path_, profileBefore));
  const std::u16string good = (folder_ / "good.fwc").u16string();
  ASSERT_EQ(ExportProfileFile(working_, good), FileWrite::kWritten);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(good, bytes));

  const std::u16string badHeader = (folder_ / "bad.fwc").u16string(), shortFile = (folder_ / "short.fwc").u16string();
  std::vector<std::uint8_t> bad = bytes;
  bad[0] ^= 0xFF;
  ASSERT_TRUE(ReplaceFile(badHeader, bad));
  ASSERT_TRUE(ReplaceFile(shortFile, std::span(bytes.data(), bytes.size() / 2)));
  const struct {
    std::u16string path;
    std::size_t messages;  // the header's own message first, for a bad header
  } cases[] = {{badHeader, 2}, {shortFile, 1}, {(folder_ / "missing.fwc").u16string(), 1}};
  for (const auto& c : cases) {
    ui_.messages.clear();
    EXPECT_FALSE(Import(c.path));
    ASSERT_EQ(ui_.messages.size(), c.messages);
    EXPECT_EQ(ui_.messages.back(), Text(TextKey::MAIN_PROMPT_INPORT));
    EXPECT_EQ(working_.block->area[AssignmentIndex(1, 0x1E)].type, AssignmentType::Key) << "the profile stays";
    std::vector<std::uint8_t> profileAfter;
    ASSERT_TRUE(ReadWholeFile(path_, profileAfter));
    EXPECT_EQ(profileAfter, profileBefore);
  }
}

TEST_F(ProfileKeyboardTest, AnImportCutShortIsFinishedForAllThreeKeyMaps) {
  ASSERT_TRUE(ReadProfileFromKeyboard(rig_.link, path_));
  EditWorkingProfile();
  {
    ASSERT_TRUE(SaveProfileFile(working_, path_));
  }
  rig_.keyboard.SetFaults({.unplugAfterReports = 3});
  EXPECT_FALSE(ApplyImportedProfile(rig_.link, messages_, working_, applied_, path_));
  ASSERT_TRUE(FileExists(ApplyNotePath(path_)));
  rig_.keyboard.Plug();
  rig_.link.ForgetCurrentProfile();
  ASSERT_TRUE(FinishInterruptedApply(rig_.link, messages_, path_));
  EXPECT_FALSE(FileExists(ApplyNotePath(path_)));
  const DeviceKeyTable expected = BuildDeviceKeyTable(EntriesOfProfile(std::as_const(working_.block->area), 1),
                                                      DefaultKeyTable(), [&](std::uint16_t id) {
                                                        return MacroIndexOfId(working_.macros.records, id);
                                                      });
  EXPECT_EQ(std::memcmp(rig_.Memory(SimArea::kKeyTables, kKeyTableStride, 480).data(), expected.data(), 480), 0)
      << "key map 1 too, not only the current one";
}

TEST(ProfileMenu, ChecksTheCurrentProfileOrTheDefaultEntry) {
  ResetTexts();
  const auto unknown = ProfileMenuItems(-1);
  ASSERT_EQ(unknown.size(), 5u);
  EXPECT_EQ(unknown[0].text, u"<Default Profile>");
  EXPECT_EQ(unknown[0].command, 9000);
  EXPECT_TRUE(unknown[0].checked);
  EXPECT_EQ(unknown[1].command, 0);
  // Named as the user knows them, not by the file they share.
  EXPECT_EQ(unknown[2].text, u"Profile 1");
  EXPECT_EQ(unknown[4].text, u"Profile 3");
  EXPECT_EQ(unknown[4].command, 9003);

  const auto second = ProfileMenuItems(1);
  for (std::size_t i = 0; i < second.size(); ++i) EXPECT_EQ(second[i].checked, i == 3) << i;

  SetText(TextKey::PROFILE_2, u"\x914D\x7F6E 2");  // the Chinese name
  EXPECT_EQ(ProfileMenuItems(1)[3].text, u"\x914D\x7F6E 2");
  ResetTexts();
}

}  // namespace
