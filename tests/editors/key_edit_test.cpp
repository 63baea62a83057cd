#include "editors/key_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kBank = 1;
constexpr int kEntryOfA = 0x1E, kEntryOfB = 0x30, kEntryOfC = 0x2E, kEntryOfD = 0x20;
constexpr std::uint32_t kMarked = 1;  // the key's colour mark
constexpr std::uint32_t kReserved = 0x5A5A;

KeyAssignment Assignment(AssignmentType type, std::uint32_t param, std::uint16_t gkey = 0, std::uint32_t colour = 0,
                         std::uint32_t reserved = 0) {
  return {type, gkey, param, colour, reserved};
}
KeyAssignment PlaysMacro(std::uint32_t id) { return Assignment(AssignmentType::Macro, id); }

// A macro list as the editor hands it on: (id, made since the last commit).
std::vector<MacroRecord> Macros(const std::vector<std::pair<std::uint16_t, bool>>& macros) {
  std::vector<MacroRecord> list(macros.size());
  for (std::size_t i = 0; i < macros.size(); ++i) {
    FillNewMacroRecord(list[i], u"M" + std::u16string(1, static_cast<char16_t>(u'0' + macros[i].first)),
                       macros[i].first);
    list[i].newFlag = macros[i].second ? 1 : 0;
  }
  return list;
}

std::vector<std::uint16_t> Ids(const std::vector<MacroRecord>& macros) {
  std::vector<std::uint16_t> ids;
  for (const MacroRecord& record : macros) ids.push_back(record.id);
  return ids;
}

class KeyEditTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NewDefaultProfile(profile_)); }

  KeyAssignment& Entry(int bank, int entry) { return profile_.block->area[AssignmentIndex(bank, entry)]; }
  const std::u16string& Text(int bank, int entry) {
    return profile_.text.slots[AssignmentIndex(bank, entry)].text;
  }
  void GiveText(int bank, int entry, std::u16string_view text) {
    SetAssignmentText(profile_.text, AssignmentIndex(bank, entry), text);
  }

  WorkingProfile profile_;
};

// ---- The key -----------------------------------------------------------------------

TEST_F(KeyEditTest, TheKeyTakesTypeGKeyAndParamInItsOwnEntryAndKeepsItsColourMark) {
  struct Case {
    const char* name;
    KeyAssignment stored;
    std::u16string text;
    std::optional<KeyAssignment> assignment;
    KeyAssignment expected;
    bool textKept;
  };
  const Case cases[] = {
      {"a media key", Assignment(AssignmentType::Default, 0, 0, kMarked, kReserved), u"",
       Assignment(AssignmentType::Media, 5), Assignment(AssignmentType::Media, 5, 0, kMarked, kReserved), true},
      {"a program given a key loses its path", Assignment(AssignmentType::LaunchProgram, 40, 0, kMarked), u"C:\\x.exe",
       Assignment(AssignmentType::Key, 0x030), Assignment(AssignmentType::Key, 0x030, 0, kMarked), false},
      {"the same assignment keeps its text", Assignment(AssignmentType::TextBlock, 0, 0, kMarked), u"gg wp",
       Assignment(AssignmentType::TextBlock, 0), Assignment(AssignmentType::TextBlock, 0, 0, kMarked), true},
      {"no assignment leaves the entry whole", Assignment(AssignmentType::LaunchProgram, 40, 0, kMarked),
       u"C:\\x.exe", std::nullopt, Assignment(AssignmentType::LaunchProgram, 40, 0, kMarked), true},
  };
  GiveText(kBank, kEntryOfB, u"neighbour");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Entry(kBank, kEntryOfA) = c.stored;
    GiveText(kBank, kEntryOfA, c.text);
    AssignmentArea expected = profile_.block->area;
    expected[AssignmentIndex(kBank, kEntryOfA)] = c.expected;

    ApplyKeyEdit(profile_, {.bank = kBank, .entry = kEntryOfA, .assignment = c.assignment});
    EXPECT_TRUE(profile_.block->area == expected) << "only the key's entry in its bank changes";
    EXPECT_EQ(Text(kBank, kEntryOfA), c.textKept ? c.text : u"");
    EXPECT_EQ(Text(kBank, kEntryOfB), u"neighbour");
  }
}

TEST_F(KeyEditTest, NothingIsStoredOutsideAKnownBankOrWithoutAProfile) {
  GiveText(0, kEntryOfA, u"kept");
  const AssignmentArea before = profile_.block->area;
  const std::pair<int, int> outside[] = {
      {-1, kEntryOfA}, {kKeyboardProfileCount, kEntryOfA}, {kBank, -1}, {kBank, kEntriesPerProfile}};
  for (const auto& [bank, entry] : outside)
    ApplyKeyEdit(profile_, {.bank = bank, .entry = entry, .assignment = Assignment(AssignmentType::Media, 7)});
  EXPECT_TRUE(profile_.block->area == before);
  EXPECT_EQ(Text(0, kEntryOfA), u"kept");

  profile_.block.reset();
  ApplyKeyEdit(profile_, {.bank = kBank, .entry = kEntryOfA, .assignment = Assignment(AssignmentType::Media, 7),
                          .macros = Macros({{1, true}})});
  EXPECT_FALSE(profile_.block);
  EXPECT_EQ(Ids(profile_.macros.records), std::vector<std::uint16_t>{1}) << "the macros have no keys to follow";
}

// ---- The macro list ----------------------------------------------------------------

// Every key of the four banks that plays a macro follows the new list: macro 0
// becomes the first, a macro gone or an id reused by a new macro goes back
// to Default; the list, all old now, replaces the profile's.
TEST_F(KeyEditTest, TheMacroListReplacesTheProfilesAndTheKeysOfEveryBankFollowIt) {
  struct Reference {
    const char* name;
    int bank;
    int entry;
    KeyAssignment stored;
    KeyAssignment expected;
  };
  const Reference references[] = {
      {"macro 0", 0, kEntryOfA, PlaysMacro(0), PlaysMacro(3)},
      {"0 in the low 16 bits", 2, kFirstGKeyEntry, PlaysMacro(0x20000), PlaysMacro(3)},
      {"a macro gone", 3, kEntriesPerProfile - 1, PlaysMacro(1), Assignment(AssignmentType::Default, 1)},
      {"an id a new macro took", kBank, kEntryOfB, PlaysMacro(2), Assignment(AssignmentType::Default, 2)},
      {"a macro kept", kBank, kEntryOfC, PlaysMacro(3), PlaysMacro(3)},
      {"a key, not a macro", 0, kEntryOfD, Assignment(AssignmentType::Key, 1), Assignment(AssignmentType::Key, 1)},
  };
  ASSERT_TRUE(AllocateMacroList(profile_.macros, 3));
  for (const Reference& r : references) Entry(r.bank, r.entry) = r.stored;

  // The edited key itself plays the new macro 2: stored after the commit, it keeps it.
  ApplyKeyEdit(profile_, {.bank = kBank, .entry = kEntryOfA, .assignment = PlaysMacro(2),
                          .macros = Macros({{3, false}, {2, true}, {7, false}})});
  for (const Reference& r : references) EXPECT_EQ(Entry(r.bank, r.entry), r.expected) << r.name;
  EXPECT_EQ(Entry(kBank, kEntryOfA), PlaysMacro(2));
  EXPECT_EQ(Ids(profile_.macros.records), (std::vector<std::uint16_t>{3, 2, 7}));
  for (const MacroRecord& record : profile_.macros.records) EXPECT_EQ(record.newFlag, 0);

  // Without macros, macro 0 plays nothing either.
  Entry(0, kEntryOfA) = PlaysMacro(0);
  ApplyKeyEdit(profile_, {.bank = kBank, .entry = kEntryOfA, .macros = std::vector<MacroRecord>{}});
  EXPECT_EQ(Entry(0, kEntryOfA).type, AssignmentType::Default);
  EXPECT_EQ(Entry(kBank, kEntryOfA).type, AssignmentType::Default);
  EXPECT_TRUE(profile_.macros.records.empty());
}

TEST_F(KeyEditTest, AnEditWithoutAMacroListLeavesTheMacrosAndTheirKeys) {
  ASSERT_TRUE(AllocateMacroList(profile_.macros, 1));
  profile_.macros.records[0].id = 4;
  Entry(0, kEntryOfB) = PlaysMacro(9);  // no such macro: only a commit of a list clears it

  ApplyKeyEdit(profile_, {.bank = kBank, .entry = kEntryOfA, .assignment = Assignment(AssignmentType::Media, 2)});
  EXPECT_EQ(Ids(profile_.macros.records), std::vector<std::uint16_t>{4});
  EXPECT_EQ(Entry(0, kEntryOfB), PlaysMacro(9));
  EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(AssignmentType::Media, 2));
}

// ---- An edit made on an older copy -------------------------------------------------

// The editor works on a copy taken when it opened. Whatever changed in the
// profile since stays, except the key's type, gkey and param and the macro
// references, which the edit's list decides: no key is left playing a macro
// the profile lacks.
TEST_F(KeyEditTest, AnEditMadeOnAnOlderCopyChangesOnlyItsKeyAndTheMacroReferences) {
  ASSERT_TRUE(AllocateMacroList(profile_.macros, 1));
  profile_.macros.records[0].id = 1;
  Entry(kBank, kEntryOfD) = Assignment(AssignmentType::LaunchProgram, 40);
  GiveText(kBank, kEntryOfD, u"C:\\x.exe");
  const std::unique_ptr<WorkingProfile> copy = CopyOfWorkingProfile(profile_);
  ASSERT_TRUE(copy);

  // Two Applies of the editor on its copy: A plays a new macro 2; then D, a
  // program key, is left as it was (macro 2 is an old one by then).
  KeyAssignment playsNew = copy->block->area[AssignmentIndex(kBank, kEntryOfA)];
  playsNew.type = AssignmentType::Macro;
  playsNew.param = 2;
  const KeyEdit onA{.bank = kBank, .entry = kEntryOfA, .assignment = playsNew,
                    .macros = Macros({{1, false}, {2, true}})};
  const KeyEdit onD{.bank = kBank, .entry = kEntryOfD, .assignment = std::nullopt,
                    .macros = Macros({{1, false}, {2, false}})};

  // Meanwhile the profile changed elsewhere.
  Entry(kBank, kEntryOfA).colour = kMarked;
  Entry(kBank, kEntryOfB) = Assignment(AssignmentType::Key, 0x02E);
  Entry(0, kEntryOfC) = PlaysMacro(9);  // a macro the edit's list lacks
  Entry(kBank, kEntryOfD) = Assignment(AssignmentType::Function, 4);
  GiveText(kBank, kEntryOfD, u"");
  AssignmentArea expected = profile_.block->area;
  expected[AssignmentIndex(kBank, kEntryOfA)] = Assignment(AssignmentType::Macro, 2, 0, kMarked);
  expected[AssignmentIndex(0, kEntryOfC)] = Assignment(AssignmentType::Default, 9);

  ApplyKeyEdit(profile_, onA);
  ApplyKeyEdit(profile_, onD);
  EXPECT_TRUE(profile_.block->area == expected);
  EXPECT_EQ(Ids(profile_.macros.records), (std::vector<std::uint16_t>{1, 2}));
  EXPECT_EQ(Text(kBank, kEntryOfD), u"") << "no path comes back with the program the copy had";
}

}  // namespace
