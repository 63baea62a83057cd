#include "profiles/profile_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "profiles/file_io.h"
#include "profiles/profile_file.h"
#include "profiles/profile_store.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A profile file as the program writes it: a macro and a program path.
Bytes GoodFile() {
  WorkingProfile profile;
  EXPECT_TRUE(NewDefaultProfile(profile));
  EXPECT_TRUE(AllocateMacroList(profile.macros, 1));
  FillNewMacroRecord(profile.macros.records[0], u"Jump", 1);
  profile.block->area[AssignmentIndex(0, 0x11)] = {AssignmentType::LaunchProgram, 0, 0, 0, 0};
  SetAssignmentText(profile.text, AssignmentIndex(0, 0x11), u"C:\\game.exe");
  // A file of each test's own: the tests run side by side.
  const fs::path path = fs::temp_directory_path() /
                        (std::string("ostrak-check-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  EXPECT_EQ(ExportProfileFile(profile, path.u16string()), FileWrite::kWritten);
  Bytes bytes;
  EXPECT_TRUE(ReadWholeFile(path.u16string(), bytes));
  fs::remove(path);
  return bytes;
}

// What the program itself makes of the file: imported (header) and loaded whole.
bool ProgramTakes(const Bytes& bytes) {
  if (bytes.size() < sizeof(ProfileFileHeader)) return false;
  ProfileFileHeader header;
  std::memcpy(&header, bytes.data(), sizeof header);
  ProfileContents contents;
  return IsValidFileHeader(header) && ParseProfileFile(bytes, contents);
}

void Fix(Bytes& bytes) {  // the check byte again after a change of the header
  ProfileFileHeader header;
  std::memcpy(&header, bytes.data(), sizeof header);
  bytes[31] = FileHeaderCheck(header);
}

TEST(ProfileCheck, AFileTheProgramWroteHasNoProblem) {
  const Bytes good = GoodFile();
  EXPECT_TRUE(FindProfileFileProblems(good).empty());
}

TEST(ProfileCheck, EachProblemIsNamedAtItsOffset) {
  const Bytes good = GoodFile();
  const struct {
    const char* name;
    std::function<void(Bytes&)> damage;
    std::vector<std::uint64_t> offsets;
  } cases[] = {
      {"empty", [](Bytes& b) { b.clear(); }, {0}},
      {"mark", [](Bytes& b) { b[0] = 'X', Fix(b); }, {0}},
      {"check byte", [](Bytes& b) { b[31] ^= 0x55; }, {31}},
      {"flag 2", [](Bytes& b) { b[30] = 2, Fix(b); }, {30}},
      {"mark and flag, check left", [](Bytes& b) { b[0] = 'X', b[30] = 2; }, {0, 30, 31}},
      {"record count", [](Bytes& b) { b[12] = 1, Fix(b); }, {12}},
      {"101 macros", [](Bytes& b) { b[14] = 101, b[15] = 0, Fix(b); }, {8, 14}},
      {"length field", [](Bytes& b) { b[8] ^= 1, Fix(b); }, {8}},
      {"cut in the key table", [](Bytes& b) { b.resize(1000); }, {1000}},
      {"cut in the macros", [](Bytes& b) { b.resize(kHeaderBlockBytes + 100); }, {kHeaderBlockBytes + 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    c.damage(bytes);
    std::vector<std::uint64_t> offsets;
    for (const FileProblem& problem : FindProfileFileProblems(bytes)) {
      offsets.push_back(problem.offset);
      EXPECT_FALSE(problem.what.empty());
    }
    EXPECT_EQ(offsets, c.offsets);
    EXPECT_FALSE(ProgramTakes(bytes));
  }
}

// The check says "no problem" exactly for the files the program takes: the
// corpus and damaged copies of it.
TEST(ProfileCheck, AgreesWithTheProgramOnTheCorpusAndItsDamagedCopies) {
  std::vector<Bytes> files = {GoodFile()};
  for (const auto& entry : fs::directory_iterator(fs::path(OSTRAK_SOURCE_DIR) / "tests/fuzz/corpus/profile_file_fuzz")) {
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(entry.path().u16string(), bytes));
    files.push_back(std::move(bytes));
  }
  std::mt19937 random(7);
  int taken = 0, refused = 0;
  for (const Bytes& file : files) {
    for (int round = 0; round < 200; ++round) {
      Bytes bytes = file;
      if (round > 0) {
        const std::size_t at = random() % std::min<std::size_t>(bytes.size(), round % 2 ? 64 : bytes.size());
        bytes[at] = static_cast<std::uint8_t>(random());
        if (round % 3 == 0) Fix(bytes);
        if (round % 7 == 0) bytes.resize(random() % (bytes.size() + 1));
      }
      const bool takes = ProgramTakes(bytes);
      EXPECT_EQ(FindProfileFileProblems(bytes).empty(), takes) << "round " << round;
      (takes ? taken : refused)++;
    }
  }
  EXPECT_GT(taken, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
