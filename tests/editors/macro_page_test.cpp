#include "editors/macro_page.h"

#include "editors/key_edit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/decimal_text.h"
#include "localisation/text_slots.h"

namespace {

constexpr KeyCode kA = 0x01E;
constexpr KeyCode kB = 0x030;
constexpr KeyCode kC = 0x02E;
constexpr int kBank = 1;

MacroAction Press(KeyCode key, std::uint32_t delayMs) { return {delayMs, key, kMacroPress}; }
MacroAction Release(KeyCode key, std::uint32_t delayMs) { return {delayMs, key, kMacroRelease}; }

KeyAssignment PlaysMacro(std::uint32_t id) { return {AssignmentType::Macro, 0, id, 0, 0}; }

std::vector<std::u16string> Names(const MacroPage& page) {
  std::vector<std::u16string> names;
  for (const MacroRecord& record : page.macros) names.emplace_back(MacroName(record));
  return names;
}

std::vector<std::uint16_t> Ids(const std::vector<MacroRecord>& macros) {
  std::vector<std::uint16_t> ids;
  for (const MacroRecord& record : macros) ids.push_back(record.id);
  return ids;
}

// A default profile whose macros the tests choose, and the page over it.
class MacroPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTexts();
    ASSERT_TRUE(NewDefaultProfile(profile_));
  }
  void TearDown() override { ResetTexts(); }

  // Profile macros named after their ids ("M1", ...), each with `actions`.
  void GiveProfileMacros(std::vector<std::uint16_t> ids, std::vector<MacroAction> actions = {}) {
    ASSERT_TRUE(AllocateMacroList(profile_.macros, ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i) {
      MacroRecord& record = profile_.macros.records[i];
      FillNewMacroRecord(record, u"M" + std::u16string(1, static_cast<char16_t>(u'0' + ids[i])), ids[i]);
      record.newFlag = 0;
      std::copy(actions.begin(), actions.end(), record.actions);
      record.actionCount = static_cast<std::uint16_t>(actions.size());
    }
  }

  KeyAssignment& Entry(int bank, int entry) { return profile_.block->area[AssignmentIndex(bank, entry)]; }

  // Opens the page as the editor does.
  void Open() { ASSERT_TRUE(FillMacroList(page_, profile_)); }
  // The editor's Apply for the macro list alone: the page hands it on, the profile takes it.
  void Commit() { ApplyKeyEdit(profile_, {.bank = kBank, .macros = MacroListToCommit(page_)}); }

  WorkingProfile profile_;
  MacroPage page_;
};

// ---- Filling and selecting ---------------------------------------------------------

TEST_F(MacroPageTest, FillingCopiesTheProfilesMacrosAsOldOnesWithNothingSelected) {
  GiveProfileMacros({4, 9}, {Press(kA, 30)});
  profile_.macros.records[1].newFlag = 1;  // a flag left over must not survive into the page
  Open();

  EXPECT_EQ(Names(page_), (std::vector<std::u16string>{u"M4", u"M9"}));
  for (const MacroRecord& record : page_.macros) EXPECT_EQ(record.newFlag, 0);
  EXPECT_EQ(page_.selected, -1);
  EXPECT_TRUE(page_.rows.empty());
  EXPECT_FALSE(ActionButtonsEnabled(page_));
  EXPECT_EQ(profile_.macros.records[1].newFlag, 1) << "the profile's own records are not touched";
}

TEST_F(MacroPageTest, SelectingByIdFallsBackToTheFirstMacro) {
  struct Case {
    std::uint16_t id;
    int expected;
  };
  const Case cases[] = {{9, 1}, {4, 0}, {0, 0}, {77, 0}};
  GiveProfileMacros({4, 9});
  Open();
  for (const Case& c : cases) {
    SelectMacroById(page_, c.id);
    EXPECT_EQ(page_.selected, c.expected) << "id " << c.id;
    EXPECT_TRUE(ActionButtonsEnabled(page_));
  }

  MacroPage empty;
  SelectMacroById(empty, 0);
  EXPECT_EQ(empty.selected, -1);
  EXPECT_FALSE(ActionButtonsEnabled(empty));
}

TEST_F(MacroPageTest, LoadingGivesEachRowItsOwnDelayAndReadsOddDirectionsAsPresses) {
  GiveProfileMacros({1}, {Press(kA, 120), {7, kA, 5}, Release(kB, 0)});
  profile_.macros.records[0].cycles = 0;  // from a damaged file: the field shows 1
  Open();
  SelectMacroById(page_, 1);

  EXPECT_EQ(page_.rows, (std::vector<MacroAction>{Press(kA, 120), Press(kA, 7), Release(kB, 0)}));
  EXPECT_EQ(page_.cycles, 1);
}

TEST_F(MacroPageTest, AMacroOf2000ActionsLoadsWholeAndAClaimBeyondItsSlotsIsCut) {
  GiveProfileMacros({1});
  MacroRecord& record = profile_.macros.records[0];
  for (int i = 0; i < kMaxMacroActions; ++i) record.actions[i] = Press(kA, static_cast<std::uint32_t>(i));
  record.actionCount = 5000;
  Open();
  SelectMacroById(page_, 1);

  ASSERT_EQ(page_.rows.size(), static_cast<std::size_t>(kMaxMacroActions));
  EXPECT_EQ(page_.rows.back().delayMs, 1999u);
  SelectMacro(page_, 0);  // saves back
  EXPECT_EQ(page_.macros[0].actionCount, kMaxMacroActions);
}

TEST_F(MacroPageTest, SelectingAnotherMacroKeepsTheActionsEditedOnTheFirst) {
  GiveProfileMacros({1, 2}, {Press(kA, 10)});
  Open();
  SelectMacroById(page_, 1);
  page_.rows.push_back(Release(kA, 0));
  ASSERT_FALSE(ChangeCyclesText(page_, u"9"));

  SelectMacro(page_, 1);
  EXPECT_EQ(page_.rows, (std::vector<MacroAction>{Press(kA, 10)}));
  SelectMacro(page_, 0);
  EXPECT_EQ(page_.rows, (std::vector<MacroAction>{Press(kA, 10), Release(kA, 0)}));
  EXPECT_EQ(page_.cycles, 9);
  EXPECT_EQ(page_.macros[0].cycles, 9);

  SelectMacro(page_, -1);
  EXPECT_TRUE(page_.rows.empty());
  EXPECT_FALSE(ActionButtonsEnabled(page_));
}

// ---- Adding, naming and deleting macros --------------------------------------------

TEST_F(MacroPageTest, AddNamesAfterTheCounterAndSkipsNamesThatEntriesBeginWith) {
  struct Case {
    const char* what;
    std::vector<std::u16string> names;  // already in the list
    int counter;
    std::u16string expected;
  };
  const Case cases[] = {
      {"empty list", {}, 5, u"Macro1"},
      {"next number", {u"Macro1"}, 1, u"Macro2"},
      {"Macro10 also begins with Macro1", {u"Macro1", u"Macro10"}, 0, u"Macro2"},
      {"case is ignored", {u"mACRO1"}, 0, u"Macro2"},
      {"a longer name blocks its prefix", {u"Macro3 jump"}, 2, u"Macro4"},
      {"renamed macros do not block", {u"Jump"}, 0, u"Macro1"},
  };
  for (const Case& c : cases) {
    MacroPage page;
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      page.macros.emplace_back();
      FillNewMacroRecord(page.macros.back(), c.names[i], static_cast<std::uint16_t>(i + 1));
    }
    page.nameCounter = c.counter;
    const PageResult added = AddMacro(page);
    EXPECT_TRUE(added.changed) << c.what;
    EXPECT_EQ(MacroName(page.macros.back()), c.expected) << c.what;
  }
}

TEST_F(MacroPageTest, NumberingCountsOnAcrossOpeningsAndRestartsOnceTheListIsEmptied) {
  Open();
  for (int i = 0; i < 3; ++i) AddMacro(page_);
  EXPECT_EQ(Names(page_), (std::vector<std::u16string>{u"Macro1", u"Macro2", u"Macro3"}));

  Commit();
  FreeMacroPage(page_);
  Open();
  AddMacro(page_);
  EXPECT_EQ(MacroName(page_.macros.back()), u"Macro4") << "the counter is kept between openings";

  while (DeleteSelectedMacro(page_)) {
  }
  AddMacro(page_);
  EXPECT_EQ(Names(page_), (std::vector<std::u16string>{u"Macro1"}));
}

TEST_F(MacroPageTest, AddSavesTheSelectedMacroAndSelectsAnEmptyNewOne) {
  GiveProfileMacros({1, 3}, {Press(kA, 10)});
  Open();
  SelectMacroById(page_, 3);
  page_.rows.clear();

  ASSERT_TRUE(AddMacro(page_).changed);
  EXPECT_EQ(page_.macros[1].actionCount, 0) << "the cleared rows went into the macro selected before";
  const MacroRecord& added = page_.macros.back();
  EXPECT_EQ(page_.selected, 2);
  EXPECT_EQ(added.id, 2) << "the smallest id the list leaves free";
  EXPECT_EQ(added.newFlag, 1);
  EXPECT_EQ(added.cycles, 1);
  EXPECT_TRUE(page_.rows.empty());
  EXPECT_EQ(page_.cycles, 1);
  EXPECT_TRUE(page_.modified);
}

TEST_F(MacroPageTest, AHundredAndFirstMacroIsRefusedWithTheLimit) {
  Open();
  for (int i = 0; i < kMaxMacros; ++i) ASSERT_TRUE(AddMacro(page_).changed);
  page_.modified = false;

  const PageResult refused = AddMacro(page_);
  EXPECT_FALSE(refused.changed);
  EXPECT_EQ(refused.message, u"The maximum number of macro: 100   ");
  EXPECT_EQ(page_.macros.size(), static_cast<std::size_t>(kMaxMacros));
  EXPECT_FALSE(page_.modified);
}

TEST_F(MacroPageTest, DeletingSelectsTheMacroBeforeOrTheNewFirst) {
  struct Case {
    std::uint16_t deleted;
    std::vector<std::uint16_t> left;
    int selected;
  };
  const Case cases[] = {{1, {2, 3}, 0}, {2, {1, 3}, 0}, {3, {1, 2}, 1}};
  for (const Case& c : cases) {
    GiveProfileMacros({1, 2, 3}, {Press(kA, 10)});
    Open();
    SelectMacroById(page_, c.deleted);
    ASSERT_TRUE(DeleteSelectedMacro(page_));
    EXPECT_EQ(Ids(page_.macros), c.left) << "deleted " << c.deleted;
    EXPECT_EQ(page_.selected, c.selected) << "deleted " << c.deleted;
    EXPECT_EQ(page_.rows.size(), 1u) << "the newly selected macro is loaded";
  }

  GiveProfileMacros({1});
  Open();
  SelectMacroById(page_, 1);
  ASSERT_TRUE(DeleteSelectedMacro(page_));
  EXPECT_EQ(page_.selected, -1);
  EXPECT_FALSE(ActionButtonsEnabled(page_));
  EXPECT_FALSE(DeleteSelectedMacro(page_));
}

TEST_F(MacroPageTest, DeletingAsksFirstOnlyForAnOldMacroThatAKeyPlaysInAnyBank) {
  struct Case {
    const char* what;
    int bank;
    int entry;
    KeyAssignment assignment;
    bool newMacro;
    bool asks;
  };
  const Case cases[] = {
      {"a key of another bank", 0, 0x1E, PlaysMacro(2), false, true},
      {"the very last entry of the area", 3, kEntriesPerProfile - 1, PlaysMacro(2), false, true},
      {"a G key", kBank, kFirstGKeyEntry, PlaysMacro(2), false, true},
      {"the id compared as 16 bits", kBank, 0x1E, PlaysMacro(0x10002), false, true},
      {"another macro", kBank, 0x1E, PlaysMacro(3), false, false},
      {"another type with the same param", kBank, 0x1E, {AssignmentType::Key, 0, 2, 0, 0}, false, false},
      {"a macro made since the page was filled", kBank, 0x1E, PlaysMacro(2), true, false},
  };
  for (const Case& c : cases) {
    GiveProfileMacros({1, 2, 3});
    Entry(c.bank, c.entry) = c.assignment;
    Open();
    SelectMacroById(page_, 2);
    page_.macros[1].newFlag = c.newMacro ? 1 : 0;
    EXPECT_EQ(SelectedMacroInUse(page_, profile_), c.asks) << c.what;
    Entry(c.bank, c.entry) = {};
  }

  SelectMacro(page_, -1);
  EXPECT_FALSE(SelectedMacroInUse(page_, profile_)) << "nothing selected";
}

TEST_F(MacroPageTest, TypingANameRenamesTheSelectedMacroOrMakesTheFirst) {
  Open();
  EXPECT_EQ(TypeMacroName(page_, u"Jump"), NameEdit::kCreated);
  ASSERT_EQ(Names(page_), (std::vector<std::u16string>{u"Jump"}));
  EXPECT_EQ(page_.selected, 0);
  EXPECT_EQ(page_.macros[0].newFlag, 1);
  EXPECT_EQ(page_.nameCounter, 0) << "a typed name uses no number";

  EXPECT_EQ(TypeMacroName(page_, u"Run"), NameEdit::kRenamed);
  EXPECT_EQ(Names(page_), (std::vector<std::u16string>{u"Run"}));

  const std::u16string longName(300, u'x');
  EXPECT_EQ(TypeMacroName(page_, longName), NameEdit::kRenamed);
  EXPECT_EQ(MacroName(page_.macros[0]), longName.substr(0, kMaxMacroNameLength)) << "cut to fit the record";
  EXPECT_EQ(page_.macros[0].name[kMacroNameUnits - 1], u'\0');

  SelectMacro(page_, -1);
  page_.modified = false;
  EXPECT_EQ(TypeMacroName(page_, u"Walk"), NameEdit::kIgnored) << "macros but none selected";
  EXPECT_EQ(page_.macros.size(), 1u);
  EXPECT_FALSE(page_.modified);
}

// ---- The action list ---------------------------------------------------------------

class ActionListTest : public MacroPageTest {
 protected:
  void SetUp() override {
    MacroPageTest::SetUp();
    GiveProfileMacros({1}, {Press(kA, 10), Release(kA, 20), Press(kB, 30), Release(kB, 40)});
    Open();
    SelectMacroById(page_, 1);
    page_.modified = false;
  }

  std::vector<std::uint32_t> Delays() const {
    std::vector<std::uint32_t> delays;
    for (const MacroAction& row : page_.rows) delays.push_back(row.delayMs);
    return delays;
  }
};

TEST_F(ActionListTest, AMovedRowCarriesItsDelayAndStopsAtTheEnds) {
  struct Case {
    const char* what;
    int row;
    ActionMove move;
    int position;
    std::vector<std::uint32_t> delays;
  };
  const Case cases[] = {
      {"first to the bottom", 0, ActionMove::kBottom, 3, {20, 30, 40, 10}},
      {"last to the top", 3, ActionMove::kTop, 0, {40, 10, 20, 30}},
      {"one up", 2, ActionMove::kUp, 1, {10, 30, 20, 40}},
      {"one down", 1, ActionMove::kDown, 2, {10, 30, 20, 40}},
  };
  for (const Case& c : cases) {
    SelectMacroById(page_, 1);  // the unchanged rows again: selecting by id saves nothing
    page_.modified = false;
    EXPECT_EQ(MoveAction(page_, c.row, c.move), c.position) << c.what;
    EXPECT_EQ(Delays(), c.delays) << c.what;
    EXPECT_TRUE(page_.modified) << c.what;
  }
}

TEST_F(ActionListTest, AMoveOntoItsOwnPlaceOrFromNoRowDoesNothing) {
  const std::vector<MacroAction> before = page_.rows;
  EXPECT_EQ(MoveAction(page_, 0, ActionMove::kUp), 0);
  EXPECT_EQ(MoveAction(page_, 0, ActionMove::kTop), 0);
  EXPECT_EQ(MoveAction(page_, 3, ActionMove::kDown), 3);
  EXPECT_EQ(MoveAction(page_, 3, ActionMove::kBottom), 3);
  EXPECT_EQ(MoveAction(page_, -1, ActionMove::kTop), -1);
  EXPECT_EQ(MoveAction(page_, 4, ActionMove::kTop), -1);
  EXPECT_EQ(page_.rows, before);
  EXPECT_FALSE(page_.modified);
}

TEST_F(ActionListTest, DeletingARowLeavesTheOthersTheirDelaysAndClearingEmptiesTheList) {
  EXPECT_FALSE(DeleteAction(page_, 4));
  EXPECT_FALSE(page_.modified);
  EXPECT_TRUE(DeleteAction(page_, 1));
  EXPECT_EQ(Delays(), (std::vector<std::uint32_t>{10, 30, 40}));
  EXPECT_TRUE(page_.modified);

  page_.modified = false;
  EXPECT_TRUE(ClearActions(page_));
  EXPECT_TRUE(page_.rows.empty());
  EXPECT_TRUE(page_.modified);
  page_.modified = false;
  EXPECT_FALSE(ClearActions(page_)) << "no rows, no question, no change";
  EXPECT_FALSE(page_.modified);
}

// While it is typed, the cell already says what it will become when the
// keyboard counts it in tens or caps it; a number kept as typed says nothing.
TEST_F(ActionListTest, ATypedDelayIsCappedWithTheMessageAndRoundedDownTo10Ms) {
  struct Case {
    std::u16string typed;
    std::uint32_t stored;
    bool message;
    bool hinted;
  };
  const Case cases[] = {
      {u"12345", 12340, false, true}, {u"50000", 40000, true, true},  {u"40000", 40000, false, false},
      {u"40009", 40000, true, true},  {u"9", 0, false, true},         {u"", 0, false, false},
      {u"30", 30, false, false},      {u"037", 30, false, true},      {u"040", 40, false, false},
      {u"99999999999999999999999", 40000, true, true},
  };
  for (const Case& c : cases) {
    const std::string what(c.typed.begin(), c.typed.end());
    EXPECT_EQ(TypedDelayHint(c.typed), c.hinted ? u"Plays as " + DecimalText(c.stored) + u" ms" : u"") << what;
    const PageResult edit = SetActionDelay(page_, 2, c.typed);
    EXPECT_EQ(page_.rows[2].delayMs, c.stored) << what;
    EXPECT_EQ(edit.message, c.message ? u"Maximum delay time is: 40000(ms) " : u"") << what;
    EXPECT_EQ(ActionTexts(page_.rows[2]).delay, DecimalText(c.stored)) << what;
  }
  EXPECT_EQ(Delays(), (std::vector<std::uint32_t>{10, 20, 40000, 40})) << "only the edited row changed";

  SetActionDelay(page_, 2, u"30");
  page_.modified = false;
  EXPECT_FALSE(SetActionDelay(page_, 2, u"35").changed) << "the same value is no change";
  EXPECT_FALSE(page_.modified);
  EXPECT_FALSE(SetActionDelay(page_, 9, u"50000").changed);
}

TEST_F(ActionListTest, KeyAndDirectionCellsChangeTheRowOnlyForAnotherChoice) {
  const int positionOfA = KeyCodeToListPosition(kA);
  const int positionOfC = KeyCodeToListPosition(kC);
  EXPECT_FALSE(SetActionKey(page_, 0, positionOfA));
  EXPECT_FALSE(SetActionDirection(page_, 0, kMacroPress));
  EXPECT_FALSE(SetActionKey(page_, 0, kPickerListPositionCount));
  EXPECT_FALSE(SetActionDirection(page_, 0, 2));
  EXPECT_FALSE(page_.modified);

  EXPECT_TRUE(SetActionKey(page_, 0, positionOfC));
  EXPECT_TRUE(SetActionDirection(page_, 0, kMacroRelease));
  EXPECT_EQ(page_.rows[0], Release(kC, 10));
  EXPECT_TRUE(page_.modified);

  const ActionRowTexts texts = ActionTexts(page_.rows[0]);
  EXPECT_EQ(texts.key, KeyName(kC));
  EXPECT_EQ(texts.direction, kReleaseText);
  EXPECT_EQ(ActionTexts(page_.rows[2]).direction, kPressText);
}

TEST_F(ActionListTest, TheCyclesFieldKeeps1To255AndReachesTheMacroWhenSaved) {
  struct Case {
    std::u16string typed;
    int cycles;
    std::optional<std::u16string> rewritten;
  };
  const Case cases[] = {
      {u"0", 1, u"1"},    {u"300", 255, u"255"}, {u"255", 255, std::nullopt}, {u"1", 1, std::nullopt},
      {u"", 1, u"1"},     {u"-4", 1, u"1"},      {u"abc", 1, u"1"},          {u"99999999999999999999999", 255, u"255"},
      {u"77", 77, std::nullopt},
  };
  for (const Case& c : cases) {
    page_.modified = false;
    EXPECT_EQ(ChangeCyclesText(page_, c.typed), c.rewritten) << std::string(c.typed.begin(), c.typed.end());
    EXPECT_EQ(page_.cycles, c.cycles);
    EXPECT_TRUE(page_.modified) << "every change of the field counts, the page's own included";
  }
  EXPECT_EQ(page_.macros[0].cycles, 1) << "not before the macro is saved";
  SaveMacroActions(page_);
  EXPECT_EQ(page_.macros[0].cycles, 77);
}

TEST(RecordDelayOption, AClickTurnsItOnUnlessItWasOn) {
  EXPECT_EQ(NextRecordDelayOption(0), 1);
  EXPECT_EQ(NextRecordDelayOption(1), 0);
  EXPECT_EQ(NextRecordDelayOption(7), 1);
}

// ---- Commit and Cancel -------------------------------------------------------------

TEST_F(MacroPageTest, AReusedIdTurnsTheOldMacrosKeysToDefaultAtTheCommit) {
  GiveProfileMacros({1, 2, 3});
  Entry(kBank, 0x1E) = PlaysMacro(2);
  Entry(0, 0x30) = PlaysMacro(2);
  Entry(3, kEntriesPerProfile - 1) = PlaysMacro(2);
  Entry(kBank, 0x2E) = PlaysMacro(3);
  Open();
  SelectMacroById(page_, 2);
  ASSERT_TRUE(DeleteSelectedMacro(page_));
  ASSERT_TRUE(AddMacro(page_).changed);
  ASSERT_EQ(page_.macros.back().id, 2) << "the freed id is the smallest";

  Commit();
  EXPECT_EQ(Entry(kBank, 0x1E).type, AssignmentType::Default);
  EXPECT_EQ(Entry(0, 0x30).type, AssignmentType::Default);
  EXPECT_EQ(Entry(3, kEntriesPerProfile - 1).type, AssignmentType::Default);
  EXPECT_EQ(Entry(kBank, 0x2E), PlaysMacro(3));

  // A key given the new macro 2 now keeps it: the macro is an old one after the commit.
  Entry(kBank, 0x1E) = PlaysMacro(2);
  Commit();
  EXPECT_EQ(Entry(kBank, 0x1E), PlaysMacro(2));
}

TEST_F(MacroPageTest, TheListHandedOnHoldsTheRowsBeingEditedAndThePageKeepsItsCopiesAllOld) {
  GiveProfileMacros({1}, {Press(kA, 10)});
  Entry(kBank, 0x1E) = PlaysMacro(1);
  Open();
  SelectMacroById(page_, 1);
  page_.rows.push_back(Release(kA, 0));
  AddMacro(page_);
  TypeMacroName(page_, u"Jump");
  page_.rows.push_back(Press(kB, 50));  // not yet saved into Jump

  const std::optional<std::vector<MacroRecord>> list = MacroListToCommit(page_);
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ((*list)[0].actionCount, 2);
  EXPECT_EQ((*list)[0].newFlag, 0);
  EXPECT_EQ(MacroName((*list)[1]), u"Jump");
  ASSERT_EQ((*list)[1].actionCount, 1);
  EXPECT_EQ((*list)[1].actions[0], Press(kB, 50));
  EXPECT_EQ((*list)[1].newFlag, 1) << "keys that played its id meant another macro";
  for (const MacroRecord& record : page_.macros) EXPECT_EQ(record.newFlag, 0) << "the page's copies are old now";
  EXPECT_EQ(page_.selected, 1) << "the page stays as it was for more edits";
  EXPECT_EQ(profile_.macros.records.size(), 1u) << "handing on changes no profile";

  ApplyKeyEdit(profile_, {.bank = kBank, .macros = list});
  const std::vector<MacroRecord>& installed = profile_.macros.records;
  ASSERT_EQ(installed.size(), 2u);
  EXPECT_EQ(MacroName(installed[1]), u"Jump");
  for (const MacroRecord& record : installed) EXPECT_EQ(record.newFlag, 0);
  EXPECT_EQ(Entry(kBank, 0x1E), PlaysMacro(1)) << "macro 1 is still there";
}

TEST_F(MacroPageTest, CancelLeavesTheProfilesMacrosAndKeysAsTheyWere) {
  GiveProfileMacros({1, 2}, {Press(kA, 10), Release(kA, 0)});
  Entry(kBank, 0x1E) = PlaysMacro(2);
  const std::vector<MacroRecord> macrosBefore = profile_.macros.records;
  const HeaderBlock blockBefore = *profile_.block;

  Open();
  SelectMacroById(page_, 1);
  MoveAction(page_, 0, ActionMove::kBottom);
  SetActionDelay(page_, 0, u"50000");
  ChangeCyclesText(page_, u"300");
  TypeMacroName(page_, u"Renamed");
  SelectMacroById(page_, 2);
  DeleteSelectedMacro(page_);
  AddMacro(page_);
  SelectMacro(page_, 0);
  FreeMacroPage(page_);

  ASSERT_EQ(profile_.macros.records.size(), macrosBefore.size());
  EXPECT_EQ(std::memcmp(profile_.macros.records.data(), macrosBefore.data(),
                        macrosBefore.size() * sizeof(MacroRecord)),
            0);
  EXPECT_EQ(std::memcmp(profile_.block.get(), &blockBefore, sizeof blockBefore), 0);
  EXPECT_TRUE(page_.macros.empty());
  EXPECT_TRUE(page_.rows.empty());
  EXPECT_EQ(page_.selected, -1);
}

}  // namespace
