#include "editors/key_editor.h"

#include "editors/key_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

constexpr KeyCode kA = 0x01E;
constexpr KeyCode kB = 0x030;
constexpr int kBank = 1;
const int kEntryOfA = KeyCodeToSlot(kA);
const int kG4SecondLayer = GKeyEntry(1, 4);  // GKeyId 0x1304
constexpr std::uint32_t kMarked = 1;         // the key's colour mark
constexpr int kMute = 7;                     // the mute entry of the multimedia list

KeyAssignment Assignment(AssignmentType type, std::uint32_t param, std::uint16_t gkey = 0,
                         std::uint32_t colour = 0) {
  return {type, gkey, param, colour, 0};
}

// A default profile with the key entries the tests give it.
class KeyEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NewDefaultProfile(profile_)); }

  KeyAssignment& Entry(int bank, int entry) { return profile_.block->area[AssignmentIndex(bank, entry)]; }

  // Gives the key an assignment and opens the editor on it.
  KeyEditorState Open(int entry, const KeyAssignment& stored, bool macroRole = false) {
    Entry(kBank, entry) = stored;
    const std::optional<KeyEditorState> state = OpenKeyEditor(profile_, kBank, entry, macroRole);
    EXPECT_TRUE(state.has_value());
    return state.value_or(KeyEditorState{});
  }

  // Apply: the assignment built over the entry as it is now, handed on and applied.
  void Apply(const KeyEditorState& state, const PageChoices& choices) {
    const KeyAssignment old = ReadEditedEntry(profile_, state).value_or(KeyAssignment{});
    ApplyKeyEdit(profile_, {.bank = state.bank, .entry = state.entry,
                            .assignment = BuildKeyAssignment(state, choices, old)});
  }

  WorkingProfile profile_;
};

// ---- Opening and applying unchanged -------------------------------------------

TEST_F(KeyEditorTest, AMediaKeyOpensOnItsPageWithNothingModified) {
  const KeyEditorState state = Open(kEntryOfA, Assignment(AssignmentType::Media, kMute, 0, kMarked));

  EXPECT_EQ(state.type, AssignmentType::Media);
  EXPECT_EQ(PageOfType(state.type), EditorPage::kMedia);
  EXPECT_EQ(state.storedParam, static_cast<std::uint32_t>(kMute));
  EXPECT_EQ(state.capturedKey, kNoKey) << "only the single-key page takes the param as its key";
  EXPECT_TRUE(state.firstMacroPage);
  EXPECT_FALSE(state.modified);
}

TEST_F(KeyEditorTest, ApplyingWhatTheEditorOpenedOnStoresTheSameEntry) {
  // The pages show the stored assignment: the lists' selections, the macro
  // and its cycles, the captured key.
  struct Case {
    const char* name;
    int entry;
    KeyAssignment stored;
    PageChoices choices;
  };
  const Case cases[] = {
      {"mute", kEntryOfA, Assignment(AssignmentType::Media, kMute, 0, kMarked), {.mediaIndex = kMute}},
      {"paste", kEntryOfA, Assignment(AssignmentType::Function, kFunctionPaste), {.functionIndex = kFunctionPaste}},
      {"key B", kEntryOfA, Assignment(AssignmentType::Key, kB, 0, kMarked), {}},
      {"macro on a key", kEntryOfA, Assignment(AssignmentType::Macro, 2, 3),
       {.macroListEmpty = false, .selectedMacroId = 2, .cycles = 3}},
      {"macro on a G key", kG4SecondLayer, Assignment(AssignmentType::Macro, 2, 9),
       {.macroListEmpty = false, .selectedMacroId = 2, .cycles = 9}},
      {"default G key", kG4SecondLayer, Assignment(AssignmentType::Default, 0, 0x1304, kMarked), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const KeyEditorState state = Open(c.entry, c.stored);
    Apply(state, c.choices);
    EXPECT_EQ(Entry(kBank, c.entry), c.stored);
  }
}

// ---- Building the assignment -------------------------------------------------------

TEST_F(KeyEditorTest, TheEditedKeyItselfOrNoKeyIsStoredAsDefault) {
  struct Case {
    KeyCode captured;
    AssignmentType type;
  };
  const Case cases[] = {{kB, AssignmentType::Key}, {kA, AssignmentType::Default}, {kNoKey, AssignmentType::Default}};
  for (const Case& c : cases) {
    KeyEditorState state = Open(kEntryOfA, Assignment(AssignmentType::Default, 0));
    CaptureKey(state, c.captured);
    EXPECT_EQ(state.type, AssignmentType::Key);
    EXPECT_TRUE(state.modified);

    Apply(state, {});
    EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(c.type, c.captured))
        << "key " << c.captured << ": the param keeps the captured key";
  }
}

TEST_F(KeyEditorTest, TheMacroPageStoresTheSelectedMacroWithItsCyclesInTheGKey) {
  struct Case {
    const char* name;
    int entry;
    PageChoices choices;
    KeyAssignment expected;
  };
  const Case cases[] = {
      {"empty list", kEntryOfA, {.macroListEmpty = true, .cycles = 4}, Assignment(AssignmentType::Default, 0)},
      {"empty list on a G key", kG4SecondLayer, {.macroListEmpty = true, .cycles = 4},
       Assignment(AssignmentType::Default, 0, 0x1304)},
      // The next commit of the macro list turns macro 0 into the first macro.
      {"none selected", kEntryOfA, {.macroListEmpty = false, .selectedMacroId = 0, .cycles = 4},
       Assignment(AssignmentType::Macro, 0, 4)},
      {"selected", kEntryOfA, {.macroListEmpty = false, .selectedMacroId = 6, .cycles = 4},
       Assignment(AssignmentType::Macro, 6, 4)},
      {"G key: cycles replace its id", kG4SecondLayer, {.macroListEmpty = false, .selectedMacroId = 6, .cycles = 2},
       Assignment(AssignmentType::Macro, 6, 2)},
      {"cycles kept to 1-255", kEntryOfA, {.macroListEmpty = false, .selectedMacroId = 6, .cycles = 300},
       Assignment(AssignmentType::Macro, 6, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyEditorState state = Open(c.entry, Assignment(AssignmentType::Media, 3, GKeyIdOfEntry(c.entry)));
    ASSERT_TRUE(ShowPageByButton(state, EditorPage::kMacro).switched);
    Apply(state, c.choices);
    EXPECT_EQ(Entry(kBank, c.entry), c.expected);
  }
}

TEST_F(KeyEditorTest, AGKeyLeavingTheMacroPageGetsItsIdBack) {
  KeyEditorState state = Open(kG4SecondLayer, Assignment(AssignmentType::Macro, 2, 5));
  EXPECT_EQ(state.storedGKey, 5);
  ASSERT_TRUE(ShowPageByButton(state, EditorPage::kFunction).switched);

  Apply(state, {.functionIndex = kFunctionUndo});
  EXPECT_EQ(Entry(kBank, kG4SecondLayer), Assignment(AssignmentType::Function, kFunctionUndo, 0x1304));
}

// Types that only a profile file brings open on the single-key page; applied
// as they are, they keep their param and their string; given a key, the
// string goes.
TEST_F(KeyEditorTest, ATypeTheEditorDoesNotOfferIsKeptWholeUntilTheUserChangesIt) {
  struct Case {
    AssignmentType type;
    std::uint32_t param;
    std::u16string text;
  };
  const Case cases[] = {
      {AssignmentType::Disabled, 0, u""},
      {AssignmentType::LaunchProgram, 40, u"C:\\Games\\start.exe"},
      {AssignmentType::StopMacro, 0, u""},
      {AssignmentType::TextBlock, 0, u"gg wp"},
  };
  const int neighbour = AssignmentIndex(kBank, KeyCodeToSlot(kB));
  SetAssignmentText(profile_.text, neighbour, u"other");
  const std::uint32_t neighbourBytes = profile_.text.totalBytes;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.type));
    SetAssignmentText(profile_.text, AssignmentIndex(kBank, kEntryOfA), c.text);
    const KeyEditorState state = Open(kEntryOfA, Assignment(c.type, c.param, 0, kMarked));
    EXPECT_EQ(PageOfType(state.type), EditorPage::kSingleKey);
    EXPECT_EQ(state.type, c.type);

    EXPECT_EQ(state.capturedKey, kNoKey) << "a program's or a text's param is no key";

    EXPECT_FALSE(BuildKeyAssignment(state, {}, Entry(kBank, kEntryOfA)).has_value());
    Apply(state, {});
    EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(c.type, c.param, 0, kMarked));
    EXPECT_EQ(profile_.text.slots[AssignmentIndex(kBank, kEntryOfA)].text, c.text);

    KeyEditorState changed = state;
    CaptureKey(changed, kB);
    Apply(changed, {});
    EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(AssignmentType::Key, kB, 0, kMarked));
    EXPECT_EQ(profile_.text.slots[AssignmentIndex(kBank, kEntryOfA)].text, u"");
    EXPECT_EQ(profile_.text.totalBytes, neighbourBytes) << "only the key's own string goes";
  }
}

// ---- Page buttons and Clear ------------------------------------------------------

TEST_F(KeyEditorTest, APageButtonSwitchesTheTypeUnlessItsPageShowsIt) {
  struct Case {
    KeyAssignment stored;
    EditorPage button;
    bool switched;
    AssignmentType type;
  };
  const Case cases[] = {
      {Assignment(AssignmentType::Media, 3), EditorPage::kMedia, false, AssignmentType::Media},
      {Assignment(AssignmentType::Key, kB), EditorPage::kSingleKey, false, AssignmentType::Key},
      {Assignment(AssignmentType::Default, 0), EditorPage::kSingleKey, false, AssignmentType::Default},
      {Assignment(AssignmentType::Disabled, 0), EditorPage::kSingleKey, true, AssignmentType::Key},
      {Assignment(AssignmentType::Media, 3), EditorPage::kSingleKey, true, AssignmentType::Key},
      {Assignment(AssignmentType::Default, 0), EditorPage::kFunction, true, AssignmentType::Function},
      {Assignment(AssignmentType::Function, 1), EditorPage::kMedia, true, AssignmentType::Media},
      {Assignment(AssignmentType::Key, kB), EditorPage::kMacro, true, AssignmentType::Macro},
  };
  for (const Case& c : cases) {
    KeyEditorState state = Open(kEntryOfA, c.stored);
    const PageSwitch change = ShowPageByButton(state, c.button);
    SCOPED_TRACE(static_cast<int>(c.stored.type));
    EXPECT_EQ(change.switched, c.switched);
    EXPECT_EQ(state.modified, c.switched);
    EXPECT_EQ(state.type, c.type);
  }
}

TEST_F(KeyEditorTest, TheMacroPageFirstReachedByItsButtonSelectsTheFirstMacroOnlyForAStoredParamOf0) {
  struct Case {
    KeyAssignment stored;
    bool selectFirst;
  };
  const Case cases[] = {
      {Assignment(AssignmentType::Default, 0), true},
      {Assignment(AssignmentType::Media, 0), true},
      // A non-zero param counts as a macro id even when the key played none.
      {Assignment(AssignmentType::Media, 3), false},
      {Assignment(AssignmentType::Key, kB), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stored.type));
    KeyEditorState state = Open(kEntryOfA, c.stored);
    EXPECT_EQ(ShowPageByButton(state, EditorPage::kMacro).selectFirstMacro, c.selectFirst);
    EXPECT_FALSE(state.firstMacroPage);

    ShowPageByButton(state, EditorPage::kMedia);
    const PageSwitch again = ShowPageByButton(state, EditorPage::kMacro);
    EXPECT_TRUE(again.switched);
    EXPECT_FALSE(again.selectFirstMacro) << "only the first time";
  }

  // A key that plays a macro had it selected at opening; coming back keeps it.
  KeyEditorState macroKey = Open(kEntryOfA, Assignment(AssignmentType::Macro, 2));
  ShowPageByButton(macroKey, EditorPage::kSingleKey);
  EXPECT_FALSE(ShowPageByButton(macroKey, EditorPage::kMacro).selectFirstMacro);
}

TEST_F(KeyEditorTest, ClearGivesBackTheDefaultFunction) {
  struct Case {
    KeyAssignment stored;
    bool cleared;  // the single-key field is emptied and Apply is enabled
  };
  const Case cases[] = {
      {Assignment(AssignmentType::Key, kB), true},  // on the single-key page already
      {Assignment(AssignmentType::Media, 3), true},
      {Assignment(AssignmentType::Macro, 2), true},
      {Assignment(AssignmentType::Disabled, 0), true},
      {Assignment(AssignmentType::Default, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stored.type));
    KeyEditorState state = Open(kEntryOfA, Assignment(c.stored.type, c.stored.param, 0, kMarked));
    EXPECT_EQ(ClearKey(state), c.cleared);
    EXPECT_EQ(state.type, AssignmentType::Default);
    EXPECT_EQ(state.capturedKey, kNoKey);
    EXPECT_EQ(state.modified, c.cleared);

    Apply(state, {.macroListEmpty = false, .selectedMacroId = 2});
    EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(AssignmentType::Default, 0, 0, kMarked));
  }
}

TEST_F(KeyEditorTest, InTheMacroRoleTheKeyStaysOnTheMacroPage) {
  KeyEditorState state = Open(kEntryOfA, Assignment(AssignmentType::Key, kB), /*macroRole=*/true);
  EXPECT_EQ(state.type, AssignmentType::Macro);
  EXPECT_EQ(state.capturedKey, kNoKey);

  for (EditorPage page : {EditorPage::kSingleKey, EditorPage::kMedia, EditorPage::kFunction, EditorPage::kMacro})
    EXPECT_FALSE(ShowPageByButton(state, page).switched);
  EXPECT_FALSE(ClearKey(state));
  CaptureKey(state, kB);
  EXPECT_EQ(state.type, AssignmentType::Macro);
  EXPECT_FALSE(state.modified);

  Apply(state, {.macroListEmpty = false, .selectedMacroId = 3, .cycles = 1});
  EXPECT_EQ(Entry(kBank, kEntryOfA), Assignment(AssignmentType::Macro, 3, 1));
}

// ---- The profile -------------------------------------------------------------------

TEST_F(KeyEditorTest, NothingOpensOrIsReadWithoutAKnownBankAndALoadedProfile) {
  const std::pair<int, int> outside[] = {{-1, kEntryOfA}, {kKeyboardProfileCount, kEntryOfA}, {kBank, -1},
                                         {kBank, kEntriesPerProfile}};
  for (const auto& [bank, entry] : outside)
    EXPECT_FALSE(OpenKeyEditor(profile_, bank, entry, false).has_value()) << bank << ", " << entry;

  KeyEditorState unknown = Open(kEntryOfA, Assignment(AssignmentType::Default, 0));
  unknown.bank = -1;
  EXPECT_FALSE(ReadEditedEntry(profile_, unknown).has_value());

  const KeyEditorState state = Open(kEntryOfA, Assignment(AssignmentType::Default, 0));
  profile_.block.reset();
  EXPECT_FALSE(OpenKeyEditor(profile_, kBank, kEntryOfA, false).has_value());
  EXPECT_FALSE(ReadEditedEntry(profile_, state).has_value());
}

// ---- Placement ---------------------------------------------------------------------

TEST_F(KeyEditorTest, TheEditorGoesBesideTheKeyWhereItFitsTheScreen) {
  constexpr int kScreenWidth = 1024, kScreenHeight = 768, kWidth = 400, kHeight = 300;
  struct Case {
    const char* name;
    ScreenRect key;
    ScreenPoint corner;
  };
  const Case cases[] = {
      {"below right", {100, 100, 150, 130}, {150, 130}},
      {"just fits below right", {574, 418, 624, 468}, {624, 468}},
      {"near the bottom: above right before above left", {500, 600, 550, 630}, {550, 300}},
      {"near the right: below left before above left", {800, 400, 850, 430}, {400, 430}},
      {"near the bottom-right corner: above left", {800, 600, 850, 630}, {400, 300}},
      {"just fits above left", {400, 300, 850, 630}, {0, 0}},
      {"fits nowhere: below right", {300, 250, 700, 500}, {700, 500}},
  };
  for (const Case& c : cases) {
    const ScreenPoint corner = PlaceBesideKey(c.key, kWidth, kHeight, kScreenWidth, kScreenHeight);
    EXPECT_EQ(corner.x, c.corner.x) << c.name;
    EXPECT_EQ(corner.y, c.corner.y) << c.name;
  }
}

}  // namespace
