#include "profiles/key_grid_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"

namespace {

constexpr int kBank = 1;
constexpr int kFirstLayer = 0;
constexpr int kSecondLayer = 1;
constexpr std::array<bool, kExtraKeyCount> kNoneChecked{};
constexpr std::array<bool, kExtraKeyCount> kAllChecked = {true, true, true, true, true, true, true, true, true};

KeyAssignment A(AssignmentType type, std::uint32_t param = 0) { return KeyAssignment{type, 0, param, 0, 0}; }

// The key button of a control id, as the panel finds it.
int KeyButtonOfId(int id) {
  return static_cast<int>(std::find(kKeyButtonIds.begin(), kKeyButtonIds.end(), id) - kKeyButtonIds.begin());
}

// A default profile with one macro, "Jump" (id 7), in the built-in language.
class KeyGridViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTexts();
    ASSERT_TRUE(NewDefaultProfile(profile_));
    ASSERT_TRUE(AllocateMacroList(profile_.macros, 1));
    FillNewMacroRecord(profile_.macros.records[0], u"Jump", 7);
  }
  void TearDown() override { ResetTexts(); }

  KeyAssignment& Entry(int bank, int entry) { return profile_.block->area[AssignmentIndex(bank, entry)]; }

  WorkingProfile profile_;
};

// ---- Which entry a button edits ---------------------------------------------------

TEST_F(KeyGridViewTest, ButtonsEditTheEntriesOfTheirKeysAndLayers) {
  struct Case {
    const char* what;
    int entry;
    int expected;
  };
  const Case cases[] = {
      {"A (1058)", KeyButtonEntry(KeyButtonOfId(1058)), 0x01E},
      {"keypad Enter (1118)", KeyButtonEntry(KeyButtonOfId(1118)), 0x9C},
      {"Num Lock", KeyButtonEntry(static_cast<int>(std::find(KeyboardKeys.begin(), KeyboardKeys.end(), 0x145) -
                                                   KeyboardKeys.begin())),
       197},
      {"G1, first layer", ExtraKeyEntry(0, kFirstLayer), 256},
      {"G1, second layer", ExtraKeyEntry(0, kSecondLayer), 265},
      {"macro button, first layer", ExtraKeyEntry(kMacroButtonExtraKey, kFirstLayer), 264},
      {"macro button, second layer", ExtraKeyEntry(kMacroButtonExtraKey, kSecondLayer), 273},
      {"no tenth extra key", ExtraKeyEntry(kExtraKeyCount, kFirstLayer), -1},
      {"no third layer", ExtraKeyEntry(0, 2), -1},
      {"no key button after the last", KeyButtonEntry(kKeyboardKeyCount), -1},
      {"no key button before the first", KeyButtonEntry(-1), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.entry, c.expected) << c.what;
  EXPECT_EQ(kExtraKeyIds[kMacroButtonExtraKey], 1143) << "the macro button edits G9";
}

TEST_F(KeyGridViewTest, EveryButtonIsFoundByItsEntryInTheLayerShown) {
  for (int layer : {kFirstLayer, kSecondLayer}) {
    for (int j = 0; j < kExtraKeyCount; ++j)
      EXPECT_EQ(ButtonOfEntry(ExtraKeyEntry(j, layer), layer), (GridButton{GridButton::Kind::kExtraKey, j}));
    for (int i = 0; i < kKeyboardKeyCount; ++i)
      EXPECT_EQ(ButtonOfEntry(KeyButtonEntry(i), layer), (GridButton{GridButton::Kind::kKey, i}));
  }
  EXPECT_EQ(ButtonOfEntry(265, kFirstLayer), std::nullopt) << "the other layer's G1 has no button now";
  EXPECT_EQ(ButtonOfEntry(256, kSecondLayer), std::nullopt);
  EXPECT_EQ(ButtonOfEntry(0x54, kFirstLayer), std::nullopt) << "Sys Req has no key button";
  EXPECT_EQ(ButtonOfEntry(274, kFirstLayer), std::nullopt);
  EXPECT_EQ(ButtonOfEntry(-1, 2), std::nullopt);
}

// ---- Tooltips ---------------------------------------------------------------------

TEST_F(KeyGridViewTest, TooltipsSayWhatTheKeyIsAssignedTo) {
  struct Case {
    KeyAssignment entry;
    const char16_t* tooltip;
  };
  const Case cases[] = {
      {A(AssignmentType::Default), u"A"},
      {A(AssignmentType::Key, 0x030), u"AKeys, Set: Key(B)"},
      {A(AssignmentType::Key, 0xABCD0148), u"AKeys, Set: Key(↑)"},  // the key code is the low 16 bits
      {A(AssignmentType::Macro, 7), u"AKeys, Set: Macro(Jump)"},
      {A(AssignmentType::Macro, 0x10007), u"AKeys, Set: Macro(Jump)"},  // the id is the low 16 bits
      {A(AssignmentType::Macro, 9), u"AKeys, Set: Macro()"},            // a macro that no longer exists
      {A(AssignmentType::Media, 7), u"AKeys, Set: Media(Mute)"},
      {A(AssignmentType::Media, 0), u"AKeys, Set: Media(Media Player)"},
      {A(AssignmentType::Media, kMediaKeyCount), u"AKeys, Set: Media()"},
      {A(AssignmentType::Function, kFunctionSelectAll), u"AKeys, Set: Function(Select All)"},
      {A(AssignmentType::Function, 0xFFFFFFFF), u"AKeys, Set: Function()"},
      {A(AssignmentType::Disabled), u"AKeys, Set: "},
      {A(AssignmentType::LaunchProgram), u"AKeys, Set: "},
      {A(AssignmentType::StopMacro), u"AKeys, Set: "},
      {A(AssignmentType::TextBlock), u"AKeys, Set: "},
      {A(static_cast<AssignmentType>(0x109)), u"AKeys, Set: "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeyTooltip(u"A", c.entry, profile_.macros), c.tooltip)
        << "type " << static_cast<int>(c.entry.type) << ", param " << c.entry.param;

  SetText(TextKey::KEY_PROMPT_SET, u" = ");
  SetText(TextKey::KEY_PROMPT_MACRO, u"M[");
  EXPECT_EQ(KeyTooltip(u"A", A(AssignmentType::Macro, 7), profile_.macros), u"A = M[Jump)");
}

// What a screen reader hears of a key: its name, then what it does unless
// that is its own function.
TEST_F(KeyGridViewTest, SpokenNamesSayWhatTheKeyDoes) {
  struct Case {
    KeyAssignment entry;
    const char16_t* spoken;
  };
  const Case cases[] = {
      {A(AssignmentType::Default), u"A"},
      {A(AssignmentType::Key, 0x030), u"A, sends B"},
      {A(AssignmentType::Macro, 7), u"A, plays macro Jump"},
      {A(AssignmentType::Macro, 9), u"A, plays macro "},  // a macro that no longer exists
      {A(AssignmentType::Media, 7), u"A, sends Mute"},
      {A(AssignmentType::Function, kFunctionSelectAll), u"A, does Select All"},
      {A(AssignmentType::Disabled), u"A, turned off"},
      {A(AssignmentType::StopMacro), u"A, stops the macro playing"},
      {A(AssignmentType::LaunchProgram), u"A"},  // the keyboard keeps the key's own function
      {A(static_cast<AssignmentType>(0x109)), u"A"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeySpokenName(u"A", c.entry, profile_.macros), c.spoken) << "type " << static_cast<int>(c.entry.type);

  Entry(kBank, 0x01E) = A(AssignmentType::Key, 0x030);
  const KeyGridView view = BuildKeyGridView(profile_, kBank, 0);
  EXPECT_EQ(view.keys[KeyButtonOfId(1058)].spoken, u"A, sends B");
  EXPECT_EQ(view.extraKeys[0].spoken.substr(0, 2), u"G1");
}

// ---- The view of a bank -----------------------------------------------------------

TEST_F(KeyGridViewTest, TheViewShowsTheBankAndLayerAskedFor) {
  const int a = KeyButtonOfId(1058);
  const int numEnter = KeyButtonOfId(1118);
  Entry(kBank, 0x01E) = A(AssignmentType::Key, 0x030);
  Entry(kBank, 0x9C) = A(AssignmentType::Disabled);
  Entry(kBank, 256) = A(AssignmentType::Function, kFunctionCopy);  // G1, first layer
  Entry(kBank, 265) = A(AssignmentType::Macro, 9);                 // G1, second layer
  Entry(kBank, 273) = A(AssignmentType::Media, 7);                 // G9, second layer
  Entry(0, 0x030) = A(AssignmentType::Disabled);                   // B, in another bank

  const KeyGridView first = BuildKeyGridView(profile_, kBank, kFirstLayer);
  EXPECT_TRUE(first.keys[a].checked);
  EXPECT_EQ(first.keys[a].tooltip, u"AKeys, Set: Key(B)");
  EXPECT_TRUE(first.keys[numEnter].checked) << "a disabled key is checked";
  EXPECT_EQ(first.keys[numEnter].tooltip, u"Num EnterKeys, Set: ");
  EXPECT_FALSE(first.keys[1].checked) << "B is assigned in another bank only";
  EXPECT_EQ(first.keys[1].tooltip, u"B");
  EXPECT_TRUE(first.extraKeys[0].checked);
  EXPECT_EQ(first.extraKeys[0].tooltip, u"G1Keys, Set: Function(Copy)");
  EXPECT_FALSE(first.extraKeys[8].checked);
  EXPECT_EQ(first.extraKeys[8].tooltip, u"G9");

  const KeyGridView second = BuildKeyGridView(profile_, kBank, kSecondLayer);
  EXPECT_EQ(second.extraKeys[0].tooltip, u"G1Keys, Set: Macro()");
  EXPECT_TRUE(second.extraKeys[8].checked);
  EXPECT_EQ(second.extraKeys[8].tooltip, u"G9Keys, Set: Media(Mute)");
  EXPECT_EQ(second.keys[a].tooltip, first.keys[a].tooltip) << "the keys have no layers";

  for (int layer : {kFirstLayer, kSecondLayer}) {
    const KeyGridView view = BuildKeyGridView(profile_, kBank, layer);
    const std::array<bool, kExtraKeyCount> checked = ExtraKeysChecked(profile_, kBank, layer);
    for (int j = 0; j < kExtraKeyCount; ++j) EXPECT_EQ(checked[j], view.extraKeys[j].checked) << j;
  }
}

TEST_F(KeyGridViewTest, ColourWordsFollowTheButtonsPositionsAndTheExtraKeysShareThem) {
  for (int e = 0; e < kEntriesPerProfile; ++e) Entry(kBank, e).colour = 1000 + e;
  const KeyGridView first = BuildKeyGridView(profile_, kBank, kFirstLayer);
  const KeyGridView second = BuildKeyGridView(profile_, kBank, kSecondLayer);
  for (int i = 0; i < kKeyboardKeyCount; ++i) EXPECT_EQ(first.keys[i].colour, 1000u + i) << i;
  for (int j = 0; j < kExtraKeyCount; ++j) {
    EXPECT_EQ(first.extraKeys[j].colour, first.keys[j].colour) << j;
    EXPECT_EQ(second.extraKeys[j].colour, first.keys[j + 9].colour) << j;
  }
}

TEST_F(KeyGridViewTest, ABankTheKeyboardDoesNotHoldShowsOnlyTheNames) {
  for (int e = 0; e < kEntriesPerProfile; ++e)
    for (int bank = 0; bank < kAreaProfileCount; ++bank) Entry(bank, e) = {AssignmentType::Disabled, 0, 0, 1, 0};
  WorkingProfile freed;  // no block until a load

  struct Case {
    const WorkingProfile& profile;
    int bank;
  };
  for (const Case& c : {Case{profile_, -1}, Case{profile_, kKeyboardProfileCount}, Case{profile_, 5},
                        Case{freed, kBank}}) {
    const KeyGridView view = BuildKeyGridView(c.profile, c.bank, kFirstLayer);
    for (int j = 0; j < kExtraKeyCount; ++j) {
      EXPECT_FALSE(view.extraKeys[j].checked);
      EXPECT_EQ(view.extraKeys[j].tooltip, ExtraKeyName(j));
      EXPECT_EQ(view.extraKeys[j].colour, 0u);
    }
    for (int i = 0; i < kKeyboardKeyCount; ++i) {
      EXPECT_FALSE(view.keys[i].checked);
      EXPECT_EQ(view.keys[i].tooltip, KeyName(KeyboardKeys[i]));
      EXPECT_EQ(view.keys[i].colour, 0u);
    }
    EXPECT_EQ(ExtraKeysChecked(c.profile, c.bank, kFirstLayer), kNoneChecked) << c.bank;
  }
  EXPECT_TRUE(BuildKeyGridView(profile_, kBank, kFirstLayer).keys[0].checked) << "bank 1 itself is shown";
}

// ---- The Default button -----------------------------------------------------------

TEST_F(KeyGridViewTest, ResetZeroesTheKeysAndTheShownLayerOfTheBankOnly) {
  // Every entry of every bank assigned, and two program paths in bank 1: one
  // on A, one on Sys Req, which has no key button.
  for (int bank = 0; bank < kAreaProfileCount; ++bank)
    for (int e = 0; e < kEntriesPerProfile; ++e)
      Entry(bank, e) = {AssignmentType::Disabled, GKeyIdOfEntry(e), static_cast<std::uint32_t>(e), 1, 0};
  Entry(kBank, 0x01E).type = AssignmentType::LaunchProgram;
  Entry(kBank, 0x054).type = AssignmentType::LaunchProgram;
  SetAssignmentText(profile_.text, AssignmentIndex(kBank, 0x01E), u"C:\\game.exe");
  SetAssignmentText(profile_.text, AssignmentIndex(kBank, 0x054), u"C:\\notes.exe");
  const HeaderBlock before = *profile_.block;

  {
    ASSERT_TRUE(ResetKeysToDefault(profile_, kBank, kSecondLayer));
  }

  bool reset[kEntriesPerProfile] = {};
  for (int i = 0; i < kKeyboardKeyCount; ++i) reset[KeyButtonEntry(i)] = true;
  for (int j = 0; j < kExtraKeyCount; ++j) reset[ExtraKeyEntry(j, kSecondLayer)] = true;
  EXPECT_EQ(std::count(std::begin(reset), std::end(reset), true), kKeyboardKeyCount + kExtraKeyCount);
  for (int bank = 0; bank < kAreaProfileCount; ++bank)
    for (int e = 0; e < kEntriesPerProfile; ++e) {
      const int index = AssignmentIndex(bank, e);
      const KeyAssignment expected = bank == kBank && reset[e] ? KeyAssignment{} : before.area[index];
      EXPECT_EQ(profile_.block->area[index], expected) << "bank " << bank << ", entry " << e;
    }
  EXPECT_EQ(profile_.text.slots[AssignmentIndex(kBank, 0x01E)].byteLength, 0u) << "A's path goes with its record";
  EXPECT_EQ(profile_.text.slots[AssignmentIndex(kBank, 0x054)].text, u"C:\\notes.exe");
  EXPECT_EQ(profile_.text.totalBytes, profile_.text.slots[AssignmentIndex(kBank, 0x054)].byteLength);

  const KeyGridView view = BuildKeyGridView(profile_, kBank, kSecondLayer);
  EXPECT_TRUE(std::none_of(view.keys.begin(), view.keys.end(), [](auto& key) { return key.checked; }));
  EXPECT_EQ(ExtraKeysChecked(profile_, kBank, kSecondLayer), kNoneChecked);
  EXPECT_EQ(ExtraKeysChecked(profile_, kBank, kFirstLayer), kAllChecked) << "the other layer stays";
}

TEST_F(KeyGridViewTest, ResetOfABankTheKeyboardDoesNotHoldTouchesNothing) {
  for (int e = 0; e < kEntriesPerProfile; ++e)
    for (int bank = 0; bank < kAreaProfileCount; ++bank) Entry(bank, e) = A(AssignmentType::Disabled);
  const HeaderBlock before = *profile_.block;
  for (int bank : {-1, kKeyboardProfileCount, 5}) {
    EXPECT_FALSE(ResetKeysToDefault(profile_, bank, kFirstLayer)) << bank;
    EXPECT_EQ(std::memcmp(&before, profile_.block.get(), sizeof before), 0) << bank;
  }
  WorkingProfile freed;
  EXPECT_FALSE(ResetKeysToDefault(freed, kBank, kFirstLayer));
}

}  // namespace
