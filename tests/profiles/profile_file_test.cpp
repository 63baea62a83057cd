#include "profiles/profile_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "localisation/text_slots.h"
#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "profiles/profile_store.h"
#include "app/user_interface.h"
#include "tests/support/fake_user_interface.h"

namespace {

namespace fs = std::filesystem;

template <typename T>
T ReadAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}


// A scratch folder and a fresh WorkingProfile for each test.
class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("ostrak-profile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ASSERT_TRUE(NewDefaultProfile(profile_));
  }
  void TearDown() override {
    fs::remove_all(folder_);
  }

  std::u16string Path(const char* name) const { return (folder_ / name).u16string(); }

  static std::vector<std::uint8_t> Bytes(const std::u16string& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    return bytes;
  }

  static void WriteRaw(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(fs::path(path), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  // A profile with two macros and one program path of ten characters.
  void FillExample() {
    ASSERT_TRUE(AllocateMacroList(profile_.macros, 2));
    FillNewMacroRecord(profile_.macros.records[0], u"First", 1);
    FillNewMacroRecord(profile_.macros.records[1], u"Second", 2);
    profile_.macros.records[1].actionCount = 1;
    profile_.macros.records[1].actions[0] = {120, 0x01E, kMacroPress};
    KeyAssignment& key = profile_.block->area[AssignmentIndex(1, 0x1E)];
    key.type = AssignmentType::LaunchProgram;
    SetAssignmentText(profile_.text, AssignmentIndex(1, 0x1E), u"C:\\game.ex");
  }

  fs::path folder_;
  FakeUserInterface ui_;
  WorkingProfile profile_;
};

TEST_F(ProfileFileTest, ANewDefaultProfileFileHoldsOnlyItsHeadersAndTheGKeyIds) {
  ASSERT_TRUE(NewDefaultProfileFile(Path("new")));
  const std::vector<std::uint8_t> bytes = Bytes(Path("new"));
  ASSERT_EQ(bytes.size(), 32832u);

  const std::uint8_t header[32] = {0x46, 0x44, 32, 0, 3, 0, 1, 0, 0x40, 0x80, 0, 0, 0x00, 0x08, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  unsigned sum = 0;
  for (int i = 0; i < 31; ++i) sum += header[i];
  EXPECT_EQ(std::memcmp(bytes.data(), header, 31), 0);
  EXPECT_EQ(bytes[31], sum & 0xFF);

  const std::uint8_t keyTable[32] = {0x4B, 0x48, 32, 0, 0x20, 0x80, 0, 0, 4, 0, 0, 2, 0, 0, 0, 0,
                                     0xB4, 0x04, 0x07, 0x10, 0x4F, 0x1C, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes.data() + 32, keyTable, 32), 0);

  // Only the gkey fields of bank 0's eighteen G-key records are not zero.
  for (std::size_t at = 64; at < bytes.size(); ++at) {
    const std::size_t record = (at - 64) / 16, field = (at - 64) % 16;
    const bool gkeyField = record >= 256 && record < 274 && (field == 2 || field == 3);
    if (!gkeyField) {
      ASSERT_EQ(bytes[at], 0) << "byte " << at;
    }
  }
  EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 64 + 16 * 256 + 2), 0x0301);
  EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 64 + 16 * 264 + 2), 0x0309);
  EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 64 + 16 * 265 + 2), 0x1301);
  EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 64 + 16 * 273 + 2), 0x1309);
}

TEST_F(ProfileFileTest, TwoMacrosAndAProgramPathMakeTheirLengthAndComeBack) {
  FillExample();
  ASSERT_EQ(ExportProfileFile(profile_, Path("example.fwc")), FileWrite::kWritten);
  const std::vector<std::uint8_t> bytes = Bytes(Path("example.fwc"));
  EXPECT_EQ(bytes.size(), 32832u + 33024u + 22u);
  EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 8), bytes.size());
  EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 14), 2);
  EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 16), 22u);
  EXPECT_EQ(ValidateProfileFile(ui_, Path("example.fwc")), FileCheck::kValid);

  WorkingProfile loaded;
  ASSERT_TRUE(LoadProfileFile(loaded, Path("example.fwc")));
  ASSERT_EQ(loaded.macros.count(), 2);
  EXPECT_EQ(MacroName(loaded.macros.records[1]), u"Second");
  EXPECT_EQ(loaded.macros.records[1].actions[0].keyCode, 0x01E);
  EXPECT_EQ(loaded.text.slots[AssignmentIndex(1, 0x1E)].text, u"C:\\game.ex");
  EXPECT_EQ(loaded.text.totalBytes, 22u);
  EXPECT_EQ(loaded.block->area[AssignmentIndex(1, 0x1E)].param, 0u);
  EXPECT_EQ(std::memcmp(loaded.block.get(), profile_.block.get(), sizeof(HeaderBlock)), 0);
}

TEST_F(ProfileFileTest, ValidationRejectsABadHeaderAndNamesTheFile) {
  FillExample();
  ASSERT_EQ(ExportProfileFile(profile_, Path("good.fwc")), FileWrite::kWritten);
  const std::vector<std::uint8_t> good = Bytes(Path("good.fwc"));

  struct Case { const char* name; std::size_t offset; std::uint8_t value; bool fixCheck; FileCheck result; };
  const Case cases[] = {
      {"check byte off by one", 31, static_cast<std::uint8_t>(good[31] + 1), false, FileCheck::kInvalid},
      {"101 macros", 14, 101, true, FileCheck::kInvalid},
      {"flag 2", 30, 2, true, FileCheck::kInvalid},
      {"flag 1", 30, 1, true, FileCheck::kValid},
      {"wrong magic", 0, 0x47, true, FileCheck::kInvalid},
      {"length that does not add up", 8, static_cast<std::uint8_t>(good[8] + 2), true, FileCheck::kInvalid},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    bytes[c.offset] = c.value;
    if (c.fixCheck) {
      unsigned sum = 0;
      for (int i = 0; i < 31; ++i) sum += bytes[i];
      bytes[31] = static_cast<std::uint8_t>(sum);
    }
    WriteRaw(Path("case.fwc"), bytes);
    ui_.messages.clear();
    EXPECT_EQ(ValidateProfileFile(ui_, Path("case.fwc")), c.result) << c.name;
    EXPECT_EQ(ui_.messages.size(), c.result == FileCheck::kValid ? 0u : 1u) << c.name;
    if (!ui_.messages.empty()) {
      EXPECT_NE(ui_.messages[0].find(Path("case.fwc")), std::u16string::npos) << c.name;
    }
  }
}

TEST_F(ProfileFileTest, AShortMissingOrUnreadableFileIsRejectedWithoutAMessage) {
  WriteRaw(Path("short"), std::vector<std::uint8_t>(32831, 0));
  fs::create_directories(folder_ / "a folder");
  EXPECT_EQ(ValidateProfileFile(ui_, Path("short")), FileCheck::kInvalid);
  EXPECT_EQ(ValidateProfileFile(ui_, Path("missing")), FileCheck::kInvalid);
  EXPECT_EQ(ValidateProfileFile(ui_, Path("a folder")), FileCheck::kCannotOpen);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ProfileFileTest, SavingNeedsTheFileToExistAndReplacesItWhole) {
  EXPECT_FALSE(SaveProfileFile(profile_, Path("$Profile0")));
  EXPECT_FALSE(FileExists(Path("$Profile0")));

  ASSERT_TRUE(NewDefaultProfileFile(Path("$Profile0")));
  FillExample();
  EXPECT_TRUE(SaveProfileFile(profile_, Path("$Profile0")));
  EXPECT_EQ(Bytes(Path("$Profile0")).size(), 32832u + 33024u + 22u);
  EXPECT_FALSE(FileExists(Path("$Profile0.saving")));
}

TEST_F(ProfileFileTest, AFailedWriteLeavesThePreviousFileWhole) {
  ASSERT_TRUE(NewDefaultProfileFile(Path("$Profile0")));
  const std::vector<std::uint8_t> before = Bytes(Path("$Profile0"));
  // The new file cannot be written beside the old one (a folder is in its way).
  fs::create_directories(folder_ / "$Profile0.saving" / "in the way");
  FillExample();
  EXPECT_FALSE(SaveProfileFile(profile_, Path("$Profile0")));
  EXPECT_EQ(Bytes(Path("$Profile0")), before);
}

// An export that did not happen says why, so that the user knows what to do.
TEST_F(ProfileFileTest, AnExportThatFailsSaysWhy) {
  FillExample();
  EXPECT_EQ(ExportProfileFile(profile_, Path("no such folder/mine.fwc")), FileWrite::kCannotCreate);
  fs::create_directories(folder_ / "a folder.fwc" / "in the way");  // the name is a folder's
  EXPECT_EQ(ExportProfileFile(profile_, Path("a folder.fwc")), FileWrite::kNotReplaced);
  EXPECT_FALSE(FileExists(Path("a folder.fwc.saving")));
  WorkingProfile empty;
  EXPECT_EQ(ExportProfileFile(empty, Path("empty.fwc")), FileWrite::kNoMemory);

  ResetTexts();
  const std::u16string path = Path("mine.fwc");
  EXPECT_EQ(ExportMessage(path, FileWrite::kWritten), u"The profile was saved to " + path + u".");
  const struct {
    FileWrite result;
    TextKey reason;
  } failures[] = {{FileWrite::kCannotCreate, TextKey::FILE_WRITE_NO_FOLDER},
                  {FileWrite::kIncomplete, TextKey::FILE_WRITE_INCOMPLETE},
                  {FileWrite::kNotReplaced, TextKey::FILE_WRITE_NOT_REPLACED},
                  {FileWrite::kNoMemory, TextKey::FILE_WRITE_NO_MEMORY}};
  for (const auto& failure : failures)
    EXPECT_EQ(ExportMessage(path, failure.result),
              u"The profile could not be saved to " + path + u".\r\n\r\n" + std::u16string(Text(failure.reason)));
}

// Strings that take more than the pool (records sharing one string) would
// cost memory out of all proportion to the file, and saved, a file that large
// whose 32-bit pool size wraps: such a file is refused, and loading never
// costs more than the file holds.
TEST_F(ProfileFileTest, StringsNeverTakeMoreThanThePool) {
  // 2048 records with strings of their own: the largest valid shape.
  {
    for (int r = 0; r < kAreaEntryCount; ++r) {
      profile_.block->area[r] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
      SetAssignmentText(profile_.text, r, u"C:\\Games\\" + std::u16string(r == 0 ? 5000 : 20, char16_t(u'a' + r % 26)));
    }
  }
  ASSERT_EQ(ExportProfileFile(profile_, Path("own.fwc")), FileWrite::kWritten);
  const std::vector<std::uint8_t> own = Bytes(Path("own.fwc"));
  ProfileContents contents;
  ASSERT_TRUE(ParseProfileFile(own, contents));
  EXPECT_EQ(contents.text.totalBytes, ReadAt<std::uint32_t>(own, 16));

  // Every record pointing at the first (and longest) string, or into its
  // middle: refused.
  struct Case {
    const char* name;
    std::uint32_t (*offset)(int record);
  };
  const Case cases[] = {
      {"one string for all", [](int) { return 0u; }},
      {"overlapping tails", [](int r) { return static_cast<std::uint32_t>(2 * (r % 100)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> shared = own;
    for (int r = 0; r < kAreaEntryCount; ++r) {
      const std::uint32_t offset = c.offset(r);
      std::memcpy(shared.data() + 64 + 16 * r + 4, &offset, 4);
    }
    ProfileContents refused;
    EXPECT_FALSE(ParseProfileFile(shared, refused));
    WriteRaw(Path("shared.fwc"), shared);
    WorkingProfile loaded;
    EXPECT_FALSE(LoadProfileFile(loaded, Path("shared.fwc")));
    EXPECT_EQ(Bytes(Path("shared.fwc")), shared) << "the file is left as it was";
  }
}

TEST_F(ProfileFileTest, StringsLaidOutInAnotherOrderEachComeToTheirOwnRecord) {
  // Another program may pack the strings in any order: here the last record's
  // string comes first in the pool, and an empty string sits between them.
  const int first = AssignmentIndex(0, 0x02), middle = AssignmentIndex(1, 0x03), last = AssignmentIndex(3, 0x04);
  for (const int r : {first, middle, last}) profile_.block->area[r].type = AssignmentType::TextBlock;
  SetAssignmentText(profile_.text, first, u"first");     // 12 bytes
  SetAssignmentText(profile_.text, middle, u"middle");   // 14 bytes
  SetAssignmentText(profile_.text, last, u"last");       // 10 bytes
  ASSERT_EQ(ExportProfileFile(profile_, Path("ordered.fwc")), FileWrite::kWritten);
  std::vector<std::uint8_t> bytes = Bytes(Path("ordered.fwc"));
  const std::size_t pool = kHeaderBlockBytes;
  ASSERT_EQ(bytes.size(), pool + 36);

  // Pool: "last", "middle", "first"; the first record pointed at an empty
  // string (a lone terminator) would read as none.
  std::vector<std::uint8_t> reordered(bytes.begin(), bytes.begin() + pool);
  for (const char16_t* text : {u"last", u"middle", u"first"})
    for (const char16_t* c = text;; ++c) {
      reordered.push_back(static_cast<std::uint8_t>(*c));
      reordered.push_back(static_cast<std::uint8_t>(*c >> 8));
      if (*c == 0) break;
    }
  const auto setOffset = [&](int r, std::uint32_t offset) { std::memcpy(reordered.data() + 64 + 16 * r + 4, &offset, 4); };
  setOffset(last, 0);
  setOffset(middle, 10);
  setOffset(first, 24);
  ProfileContents contents;
  ASSERT_TRUE(ParseProfileFile(reordered, contents));
  EXPECT_EQ(contents.text.slots[first].text, u"first");
  EXPECT_EQ(contents.text.slots[middle].text, u"middle");
  EXPECT_EQ(contents.text.slots[last].text, u"last");
  EXPECT_EQ(contents.text.totalBytes, 36u);

  setOffset(first, 8);  // the terminator of "last": an empty string
  ProfileContents empty;
  ASSERT_TRUE(ParseProfileFile(reordered, empty));
  EXPECT_EQ(empty.text.slots[first].byteLength, 0u);
  EXPECT_EQ(empty.text.slots[middle].text, u"middle");
  EXPECT_EQ(empty.text.totalBytes, 24u);
}

TEST_F(ProfileFileTest, TheNewFileAKilledSaveLeftBehindIsReplaced) {
  ASSERT_TRUE(NewDefaultProfileFile(Path("$Profile0")));
  { std::ofstream(folder_ / "$Profile0.saving", std::ios::binary) << "half a profile"; }
  FillExample();
  ASSERT_TRUE(SaveProfileFile(profile_, Path("$Profile0")));
  EXPECT_FALSE(fs::exists(folder_ / "$Profile0.saving"));
  WorkingProfile loaded;
  EXPECT_TRUE(LoadProfileFile(loaded, Path("$Profile0")));
}

TEST_F(ProfileFileTest, UntrustedStringsAndLengthsNeverReadOutsideTheFile) {
  FillExample();
  ASSERT_EQ(ExportProfileFile(profile_, Path("base.fwc")), FileWrite::kWritten);
  const std::vector<std::uint8_t> base = Bytes(Path("base.fwc"));
  const std::size_t record = 64 + 16 * AssignmentIndex(1, 0x1E);
  const std::size_t pool = 32832 + 2 * 16512;

  // A string offset past the pool: the record's text is empty, the rest loads.
  std::vector<std::uint8_t> outside = base;
  outside[record + 4] = 0x40;
  ProfileContents contents;
  ASSERT_TRUE(ParseProfileFile(outside, contents));
  EXPECT_EQ(contents.text.slots[AssignmentIndex(1, 0x1E)].byteLength, 0u);
  EXPECT_EQ(contents.text.totalBytes, 0u);
  EXPECT_EQ(contents.macros.count(), 2);

  // A string without its terminator inside the pool.
  std::vector<std::uint8_t> unterminated = base;
  unterminated[pool + 20] = 'x';
  ProfileContents second;
  ASSERT_TRUE(ParseProfileFile(unterminated, second));
  EXPECT_EQ(second.text.totalBytes, 0u);

  // Shorter than the header claims: nothing loads.
  std::vector<std::uint8_t> cut(base.begin(), base.end() - 1);
  ProfileContents third;
  EXPECT_FALSE(ParseProfileFile(cut, third));
  EXPECT_EQ(third.block, nullptr);

  // A huge pool size must not wrap the length into something short.
  std::vector<std::uint8_t> huge = base;
  huge[16] = huge[17] = huge[18] = huge[19] = 0xFF;
  ProfileContents fourth;
  EXPECT_FALSE(ParseProfileFile(huge, fourth));

  // More macros than a profile holds.
  std::vector<std::uint8_t> many = base;
  many[14] = 101;
  ProfileContents fifth;
  EXPECT_FALSE(ParseProfileFile(many, fifth));

  // A failed load leaves the working profile as it was.
  WriteRaw(Path("cut.fwc"), cut);
  EXPECT_FALSE(LoadProfileFile(profile_, Path("cut.fwc")));
  EXPECT_EQ(profile_.macros.count(), 2);
  EXPECT_NE(profile_.block, nullptr);
}

TEST_F(ProfileFileTest, TheKeyboardsTablesAndImageBecomeAFileWithNoStrings) {
  // A profile the keyboard would hold: a remapped key and a macro on another.
  std::unique_ptr<HeaderBlock> source = NewDefaultHeaderBlock();
  source->area[AssignmentIndex(2, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  source->area[AssignmentIndex(0, 0x10)] = {AssignmentType::Macro, 0, 1, 0, 0};
  MacroList macros;
  ASSERT_TRUE(AllocateMacroList(macros, 1));
  FillNewMacroRecord(macros.records[0], u"Combo", 1);
  macros.records[0].actionCount = 2;
  macros.records[0].actions[0] = {50, 0x02A, kMacroPress};
  macros.records[0].actions[1] = {0, 0x02A, kMacroRelease};

  DeviceKeyTable tables[3];
  const auto lookup = [&](std::uint16_t id) { return MacroIndexOfId(macros.records, id); };
  for (int p = 0; p < 3; ++p)
    tables[p] = BuildDeviceKeyTable(EntriesOfProfile(std::as_const(source->area), p), kBuiltInDefaultKeyTable, lookup);
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros.records);
  std::vector<std::uint8_t> image(sizes.fullSize);
  ASSERT_TRUE(BuildMacroImage(macros.records, image, sizes.fullSize, true));

  const std::vector<std::uint8_t> file = ProfileFileFromKeyboard(tables, kBuiltInDefaultKeyTable, image);
  ProfileContents read;
  ASSERT_TRUE(ParseProfileFile(file, read));
  EXPECT_TRUE(IsValidFileHeader(read.block->header));
  EXPECT_EQ(read.block->header.poolSize, 0u);
  EXPECT_EQ(read.block->area[AssignmentIndex(2, 0x1E)], (KeyAssignment{AssignmentType::Key, 0, 0x030, 0, 0}));
  EXPECT_EQ(read.block->area[AssignmentIndex(0, 0x10)].type, AssignmentType::Macro);
  EXPECT_EQ(read.block->area[AssignmentIndex(1, GKeyEntry(0, 1))].gkey, 0x0301);
  for (int e = 0; e < kEntriesPerProfile; ++e) EXPECT_EQ(read.block->area[AssignmentIndex(3, e)], KeyAssignment{});
  ASSERT_EQ(read.macros.count(), 1);
  EXPECT_EQ(MacroName(read.macros.records[0]), u"Combo");
  EXPECT_EQ(read.macros.records[0].actionCount, 2);

  // No image: no macros.
  ProfileContents none;
  ASSERT_TRUE(ParseProfileFile(ProfileFileFromKeyboard(tables, kBuiltInDefaultKeyTable, {}), none));
  EXPECT_EQ(none.macros.count(), 0);
}

TEST_F(ProfileFileTest, ApplyingCopiesTheWorkingProfileWithItsStringsPacked) {
  FillExample();
  AppliedProfile applied;
  ASSERT_TRUE(CopyToAppliedProfile(profile_, applied));
  EXPECT_EQ(applied.macros.count(), 2);
  EXPECT_EQ(applied.pool.size(), 22u);
  EXPECT_EQ(applied.pool[0], 'C');
  EXPECT_EQ(applied.block->header.macroCount, 2);
  EXPECT_EQ(applied.block->header.poolSize, 22u);
  EXPECT_TRUE(IsValidFileHeader(applied.block->header));

  FreeWorkingProfile(profile_);
  EXPECT_EQ(profile_.block, nullptr);
  EXPECT_EQ(profile_.text.totalBytes, 0u);
  EXPECT_FALSE(CopyToAppliedProfile(profile_, applied));
  FreeAppliedProfile(applied);
  EXPECT_EQ(applied.block, nullptr);
  EXPECT_TRUE(applied.pool.empty());
}

}  // namespace

namespace {

TEST_F(ProfileFileTest, ExportValidateLoadRoundTripsByteForByte) {
  FillExample();
  // Every bank gets something, and many records carry strings.
  for (int bank = 0; bank < 4; ++bank) {
    profile_.block->area[AssignmentIndex(bank, 0x02)] = {AssignmentType::Media, 0, 7, 1, 0};
    profile_.block->area[AssignmentIndex(bank, 0x03)] = {AssignmentType::Function, 0, 4, 0, 0};
    const int textRecord = AssignmentIndex(bank, 0x04);
    profile_.block->area[textRecord].type = AssignmentType::TextBlock;
    SetAssignmentText(profile_.text, textRecord, u"text of bank " + std::u16string(1, u'0' + bank));
  }
  ASSERT_EQ(ExportProfileFile(profile_, Path("round.fwc")), FileWrite::kWritten);
  ASSERT_EQ(ValidateProfileFile(ui_, Path("round.fwc")), FileCheck::kValid);

  WorkingProfile loaded;
  ASSERT_TRUE(LoadProfileFile(loaded, Path("round.fwc")));
  ASSERT_EQ(ExportProfileFile(loaded, Path("again.fwc")), FileWrite::kWritten);
  EXPECT_EQ(Bytes(Path("again.fwc")), Bytes(Path("round.fwc")));
  EXPECT_EQ(loaded.text.slots[AssignmentIndex(3, 0x04)].text, u"text of bank 3");
}

}  // namespace

namespace {

TEST_F(ProfileFileTest, ATextRecordWithoutItsStringNeverTakesAnotherOnSave) {
  // Two program-path records; the second's string lies outside the pool.
  FillExample();
  const int broken = AssignmentIndex(2, 0x1E);
  ASSERT_EQ(ExportProfileFile(profile_, Path("base.fwc")), FileWrite::kWritten);
  std::vector<std::uint8_t> bytes = Bytes(Path("base.fwc"));
  const std::size_t record = 64 + 16 * broken;
  bytes[record] = static_cast<std::uint8_t>(AssignmentType::LaunchProgram);
  bytes[record + 4] = 0x00;
  bytes[record + 5] = 0x10;  // offset 4096, past the 22-byte pool
  WriteRaw(Path("broken.fwc"), bytes);

  WorkingProfile loaded;
  ASSERT_TRUE(LoadProfileFile(loaded, Path("broken.fwc")));
  ASSERT_EQ(loaded.text.slots[broken].byteLength, 0u);
  ASSERT_EQ(ExportProfileFile(loaded, Path("saved.fwc")), FileWrite::kWritten);
  WorkingProfile again;
  ASSERT_TRUE(LoadProfileFile(again, Path("saved.fwc")));
  EXPECT_EQ(again.text.slots[broken].byteLength, 0u) << "still no string";
  EXPECT_EQ(again.text.slots[AssignmentIndex(1, 0x1E)].text, u"C:\\game.ex");
  EXPECT_EQ(again.text.totalBytes, 22u);
}

}  // namespace
