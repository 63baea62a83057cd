#include "keyboard/key_assignment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "localisation/text_slots.h"

namespace {

DeviceKeyRecord R(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) { return {{b0, b1, b2}}; }

KeyAssignment A(AssignmentType type, std::uint32_t param = 0) { return KeyAssignment{type, 0, param, 0, 0}; }

std::string Show(const DeviceKeyRecord& r) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", r.bytes[0], r.bytes[1], r.bytes[2]);
  return text;
}

// A macro list of three macros with ids 7, 3 and 12, at positions 0, 1, 2.
std::uint16_t PositionOfMacro(std::uint16_t id) {
  const std::map<std::uint16_t, std::uint16_t> positions = {{7, 0}, {3, 1}, {12, 2}};
  const auto found = positions.find(id);
  return found == positions.end() ? 0 : found->second;
}

constexpr int kAltPosition = 29;     // 02 01 04 in the built-in table
constexpr int kEscPosition = 8;      // 02 02 29
constexpr int kMutePosition = 134;   // 03 E2 00

// ---- The record ----------------------------------------------------------------

TEST(KeyAssignmentTest, IsSixteenLittleEndianBytes) {
  const std::uint8_t bytes[16] = {0x04, 0x00, 0x01, 0x13, 0x78, 0x56, 0x34, 0x12,
                                  0x01, 0x00, 0x00, 0x00, 0xEF, 0xBE, 0xAD, 0xDE};
  const KeyAssignment read = ReadKeyAssignment(bytes);
  EXPECT_EQ(read, (KeyAssignment{AssignmentType::Macro, 0x1301, 0x12345678, 1, 0xDEADBEEF}));
  std::uint8_t written[16] = {};
  WriteKeyAssignment(read, written);
  EXPECT_EQ(0, std::memcmp(bytes, written, sizeof bytes));
  // A type no code knows is kept as it is.
  const std::uint8_t unknown[16] = {0x09, 0x01};
  EXPECT_EQ(static_cast<int>(ReadKeyAssignment(unknown).type), 0x109);
}

TEST(KeyAssignmentTest, FunctionsAreNamedByTheirLocalisedText) {
  ResetTexts();
  const char16_t* names[kFunctionCount] = {u"Open", u"New",   u"Undo",       u"Save",  u"Copy", u"Cut",
                                           u"Paste", u"Find", u"Select All", u"Zoom-", u"Zoom+"};
  for (int function = 0; function < kFunctionCount; ++function) EXPECT_EQ(FunctionName(function), names[function]);
  EXPECT_EQ(FunctionName(-1), u"");
  EXPECT_EQ(FunctionName(kFunctionCount), u"");
  SetText(TextKey::FUNC_KEY_DESC8, u"Suchen");
  EXPECT_EQ(FunctionName(kFunctionFind), u"Suchen");
  ResetTexts();
}

// ---- The area ------------------------------------------------------------------

TEST(AssignmentAreaTest, EntriesLieWhereTheProfileFileHasThem) {
  EXPECT_EQ(sizeof(AssignmentArea), 32768u);
  EXPECT_EQ(AssignmentIndex(0, 0), 0);
  EXPECT_EQ(AssignmentIndex(2, 30), 2 * 512 + 30);
  EXPECT_EQ(AssignmentIndex(3, 511), 2047);
  for (auto [profile, entry] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 512}}) {
    EXPECT_EQ(AssignmentIndex(profile, entry), -1) << profile << "/" << entry;
  }
  AssignmentArea area{};
  EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(EntriesOfProfile(area, 2).data()) -
                reinterpret_cast<const std::uint8_t*>(area.data()),
            2 * 512 * 16);
  EXPECT_THROW(EntriesOfProfile(area, 4), std::out_of_range);
}

TEST(AssignmentAreaTest, GKeysHaveTheirEntriesAndIds) {
  struct Case {
    int layer, number, entry;
    GKeyId id;
  };
  const Case cases[] = {{0, 1, 256, 0x0301}, {0, 9, 264, 0x0309}, {1, 1, 265, 0x1301}, {1, 9, 273, 0x1309}};
  for (const auto& c : cases) {
    EXPECT_EQ(GKeyEntry(c.layer, c.number), c.entry);
    EXPECT_EQ(GKeyIdOfEntry(c.entry), c.id);
  }
  for (auto [layer, number] : {std::pair{0, 0}, {0, 10}, {2, 1}, {-1, 1}}) EXPECT_EQ(GKeyEntry(layer, number), -1);
  for (int entry : {0, 255, 274, 511, -1, 512}) EXPECT_EQ(GKeyIdOfEntry(entry), 0) << entry;
}

TEST(AssignmentAreaTest, ClearingAProfileKeepsOnlyItsGKeyIds) {
  AssignmentArea area;
  area.fill(KeyAssignment{AssignmentType::Media, 0x55, 3, 1, 9});
  ClearProfileEntries(EntriesOfProfile(area, 1));
  for (int entry = 0; entry < kEntriesPerProfile; ++entry) {
    const KeyAssignment& cleared = area[AssignmentIndex(1, entry)];
    EXPECT_EQ(cleared, (KeyAssignment{AssignmentType::Default, GKeyIdOfEntry(entry), 0, 0, 0})) << entry;
  }
  EXPECT_EQ(area[AssignmentIndex(0, 511)].type, AssignmentType::Media);
  EXPECT_EQ(area[AssignmentIndex(2, 0)].type, AssignmentType::Media);
}

TEST(AssignmentTextTest, KeepsByteLengthsAndTheirTotal) {
  auto table = std::make_unique<AssignmentText>();
  EXPECT_TRUE(SetAssignmentText(*table, 5, u"notepad.exe"));
  EXPECT_EQ(table->slots[5].byteLength, 24u);
  EXPECT_TRUE(SetAssignmentText(*table, 2047, u"ab"));
  EXPECT_EQ(table->totalBytes, 24u + 6u);
  EXPECT_TRUE(SetAssignmentText(*table, 5, u"x"));  // replacing subtracts the old length
  EXPECT_EQ(table->totalBytes, 4u + 6u);
  EXPECT_TRUE(SetAssignmentText(*table, 5, u""));
  EXPECT_EQ(table->slots[5].byteLength, 0u);
  EXPECT_EQ(table->totalBytes, 6u);
  EXPECT_FALSE(SetAssignmentText(*table, 2048, u"x"));
  EXPECT_FALSE(SetAssignmentText(*table, -1, u"x"));
  EXPECT_EQ(table->totalBytes, 6u);
  ClearAssignmentText(*table);
  EXPECT_EQ(table->totalBytes, 0u);
  EXPECT_TRUE(table->slots[2047].text.empty());
}

TEST(AssignmentTextTest, SlotsSetInAnyOrderAreFoundByTheirRecord) {
  AssignmentText table;
  const int records[] = {2047, 3, 900, 0, 901, 512};
  for (const int r : records) SetAssignmentText(table, r, u"text " + std::u16string(1, char16_t(u'A' + r % 26)));
  for (const int r : records) EXPECT_EQ(table.slots[r].text, u"text " + std::u16string(1, char16_t(u'A' + r % 26))) << r;
  for (const int r : {1, 2, 899, 902, 2046}) EXPECT_TRUE(table.slots[r].text.empty()) << r;
  SetAssignmentText(table, 900, u"");
  EXPECT_TRUE(table.slots[900].text.empty());
  EXPECT_EQ(table.slots[901].text, u"text R");
  EXPECT_EQ(table.totalBytes, 5u * 14u);

  // A copy is its own; a move leaves the source to be refilled.
  AssignmentText copy = table;
  SetAssignmentText(copy, 3, u"changed");
  EXPECT_EQ(table.slots[3].text, u"text D");
  AssignmentText moved = std::move(copy);
  EXPECT_EQ(moved.slots[3].text, u"changed");
  EXPECT_EQ(moved.totalBytes, 4u * 14u + 16u);
}

// ---- Records to keys -----------------------------------------------------------

TEST(DeviceRecordTest, ModifierMasksGiveTheKeyOfTheLowestBit) {
  const std::pair<std::uint8_t, KeyCode> cases[] = {
      {0x01, 0x01D}, {0x02, 0x02A}, {0x04, 0x038}, {0x08, 0x15B}, {0x10, 0x11D},
      {0x20, 0x036}, {0x40, 0x138}, {0x80, 0x15C}, {0x06, 0x02A}, {0xC0, 0x138}, {0x00, kNoKey},
  };
  for (auto [mask, code] : cases) EXPECT_EQ(ModifierBitToKeyCode(mask), code) << int(mask);
  for (int bit = 0; bit < 8; ++bit) {
    EXPECT_EQ(KeyCodeToModifierBit(ModifierBitToKeyCode(static_cast<std::uint8_t>(1 << bit))), 1 << bit);
  }
  EXPECT_EQ(KeyCodeToModifierBit(0x01E), 0);
  EXPECT_EQ(KeyCodeToModifierBit(kNoKey), 0);
}

TEST(DeviceRecordTest, RecordsGiveTheKeyTheySend) {
  const std::pair<DeviceKeyRecord, KeyCode> cases[] = {
      {R(2, 1, 0x04), 0x038},   {R(2, 2, 0x04), 0x01E},   {R(2, 2, 0x48), 0x045},
      {R(2, 2, 0x00), kNoKey},  {R(3, 0xE2, 0), 0x120},   {R(3, 0x83, 0x01), 0x16D},
      {R(3, 0, 0), kNoKey},     {R(4, 0x81, 0), 0x15E},   {R(4, 0x84, 0), kNoKey},
      {R(5, 1, 0), kNoKey},     {R(5, 0, 0), kNoKey},     {R(0, 0, 0), kNoKey},
      {R(0xAA, 0x55, 0xFF), kNoKey},
      {R(2, 0xB4, 0x04), 0x038},  // any byte 1 but 2 is a modifier mask
  };
  for (const auto& [record, code] : cases) EXPECT_EQ(DeviceRecordToKeyCode(record), code) << Show(record);
}

// ---- Packing -------------------------------------------------------------------

TEST(PackAssignmentTest, EachTypeGivesItsRecord) {
  const DeviceKeyRecord def = R(2, 2, 0x29);
  struct Case {
    const char* what;
    KeyAssignment assignment;
    DeviceKeyRecord record;
  };
  const Case cases[] = {
      {"default", A(AssignmentType::Default), def},
      {"launch program keeps the default", A(AssignmentType::LaunchProgram, 40), def},
      {"disabled", A(AssignmentType::Disabled), R(0, 0, 0)},
      {"text block", A(AssignmentType::TextBlock, 8), R(0, 0, 0)},
      {"Right Ctrl", A(AssignmentType::Key, 0x11D), R(2, 1, 0x10)},
      {"Right Win", A(AssignmentType::Key, 0x15C), R(2, 1, 0x80)},
      {"A", A(AssignmentType::Key, 0x01E), R(2, 2, 0x04)},
      {"Power has no keyboard usage", A(AssignmentType::Key, 0x15E), R(2, 2, 0x00)},
      {"mute as a key", A(AssignmentType::Key, 0x120), R(2, 2, 0x00)},
      {"no key", A(AssignmentType::Key, 0), R(2, 2, 0x00)},
      {"macro at position 2", A(AssignmentType::Macro, 12), R(5, 1, 2)},
      {"macro no one has", A(AssignmentType::Macro, 99), R(5, 1, 0)},
      {"stop macro", A(AssignmentType::StopMacro), R(5, 2, 0)},
      {"mute", A(AssignmentType::Media, 7), R(3, 0xE2, 0x00)},
      {"media player", A(AssignmentType::Media, 0), R(3, 0x83, 0x01)},
      {"mail", A(AssignmentType::Media, 17), R(3, 0x8A, 0x01)},
      {"media index 18", A(AssignmentType::Media, 18), R(0, 0, 0)},
      {"media index far out", A(AssignmentType::Media, 0xFFFFFFFF), R(0, 0, 0)},
      {"zoom+", A(AssignmentType::Function, kFunctionZoomIn), R(5, 5, 10)},
      {"function low byte", A(AssignmentType::Function, 0x103), R(5, 5, 3)},
      {"unknown type", A(static_cast<AssignmentType>(9), 7), R(0, 0, 0)},
      {"unknown type far out", A(static_cast<AssignmentType>(0xFFFF), 7), R(0, 0, 0)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(PackAssignment(c.assignment, def, PositionOfMacro)), Show(c.record)) << c.what;
  }
  // Without a macro list every macro is the first.
  EXPECT_EQ(PackAssignment(A(AssignmentType::Macro, 12), def, nullptr), R(5, 1, 0));
}

TEST(UnpackDeviceRecordTest, EachRecordGivesItsAssignment) {
  const DeviceKeyRecord def = R(2, 2, 0x29);
  struct Case {
    DeviceKeyRecord record;
    KeyAssignment assignment;
  };
  const Case cases[] = {
      {def, A(AssignmentType::Default)},
      {R(3, 0xE2, 0x00), A(AssignmentType::Media, 7)},
      {R(3, 0x00, 0x01), A(AssignmentType::Disabled)},
      {R(3, 0x00, 0x00), A(AssignmentType::Disabled)},
      {R(5, 1, 3), A(AssignmentType::Macro, 4)},
      {R(5, 1, 255), A(AssignmentType::Macro, 256)},
      {R(5, 2, 0), A(AssignmentType::StopMacro)},
      {R(5, 5, 9), A(AssignmentType::Function, 9)},
      {R(5, 0, 0), A(AssignmentType::Disabled)},
      {R(5, 7, 1), A(AssignmentType::Disabled)},
      {R(2, 2, 0x04), A(AssignmentType::Key, 0x01E)},
      {R(2, 2, 0x48), A(AssignmentType::Key, 0x045)},
      {R(2, 2, 0x00), A(AssignmentType::Disabled)},
      {R(2, 2, 0xC0), A(AssignmentType::Disabled)},
      {R(2, 1, 0x40), A(AssignmentType::Key, 0x138)},
      {R(2, 1, 0x00), A(AssignmentType::Disabled)},  // an empty mask sends no key
      {R(2, 3, 0x04), A(AssignmentType::Disabled)},
      {R(4, 0x81, 0), A(AssignmentType::Disabled)},
      {R(0, 0, 0), A(AssignmentType::Disabled)},
      {R(0xFF, 0xFF, 0xFF), A(AssignmentType::Disabled)},
  };
  for (const auto& c : cases) EXPECT_EQ(UnpackDeviceRecord(c.record, def), c.assignment) << Show(c.record);
}

TEST(PackAssignmentTest, EveryKeyboardKeyPacksAndUnpacksToItselfAtEveryKeyPosition) {
  for (KeyCode key : KeyboardKeys) {
    ASSERT_EQ(KeyCodeToHidUsage(key).page, kHidPageKeyboard);
    for (int position = 0; position < kDeviceKeyDataFirstPosition; ++position) {
      const DeviceKeyRecord& def = kBuiltInDefaultKeyTable[position];
      const KeyCode home = DeviceRecordToKeyCode(def);
      if (home == kNoKey) continue;
      const DeviceKeyRecord packed = PackAssignment(A(AssignmentType::Key, key), def, PositionOfMacro);
      EXPECT_EQ(DeviceRecordToKeyCode(packed), key) << std::hex << key << " at " << std::dec << position;
      // A key given its own function reads back as its default.
      const KeyAssignment expected = packed == def ? A(AssignmentType::Default) : A(AssignmentType::Key, key);
      if (packed == def) {
        EXPECT_EQ(home, key) << position;
      }
      EXPECT_EQ(UnpackDeviceRecord(packed, def), expected) << std::hex << key << " at " << std::dec << position;
    }
  }
}

TEST(PackAssignmentTest, EveryMediaIndexAndMacroPositionComesBack) {
  const DeviceKeyRecord def = kBuiltInDefaultKeyTable[kEscPosition];
  for (std::uint32_t index = 0; index < kMediaKeyCount; ++index) {
    const KeyAssignment media = A(AssignmentType::Media, index);
    EXPECT_EQ(UnpackDeviceRecord(PackAssignment(media, def, nullptr), def), media) << index;
  }
  // At mute's own position mute is the default function.
  const DeviceKeyRecord mute = kBuiltInDefaultKeyTable[kMutePosition];
  EXPECT_EQ(PackAssignment(A(AssignmentType::Media, 7), mute, nullptr), mute);
  EXPECT_EQ(UnpackDeviceRecord(mute, mute), A(AssignmentType::Default));
  // The keyboard knows macros by position; reading back numbers them from 1.
  const auto identity = [](std::uint16_t id) { return static_cast<std::uint16_t>(id - 1); };
  for (std::uint32_t id = 1; id <= 100; ++id) {
    const KeyAssignment macro = A(AssignmentType::Macro, id);
    EXPECT_EQ(UnpackDeviceRecord(PackAssignment(macro, def, identity), def), macro) << id;
  }
  for (std::uint32_t function = 0; function < kFunctionCount; ++function) {
    const KeyAssignment assignment = A(AssignmentType::Function, function);
    EXPECT_EQ(UnpackDeviceRecord(PackAssignment(assignment, def, nullptr), def), assignment) << function;
  }
}

// ---- Whole tables ------------------------------------------------------------

class DeviceKeyTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearProfileEntries(entries); }

  KeyAssignment& EntryOf(KeyCode key) { return entries[KeyCodeToSlot(key)]; }

  DeviceKeyTable Build(const DeviceKeyTable& defaults = kBuiltInDefaultKeyTable) {
    return BuildDeviceKeyTable(entries, defaults, PositionOfMacro);
  }

  std::array<KeyAssignment, kEntriesPerProfile> entries{};
};

TEST_F(DeviceKeyTableTest, TheBuiltInTableHasTheKeyboardsKeysAndDataBlock) {
  const std::pair<int, DeviceKeyRecord> cases[] = {
      {0, R(5, 0, 0)},      {5, R(5, 0, 0)},      {6, R(0, 0, 0)},        {8, R(2, 2, 0x29)},
      {12, R(2, 1, 0x02)},  {29, R(2, 1, 0x04)},  {53, R(5, 2, 2)},       {54, R(2, 2, 0x2E)},
      {105, R(2, 2, 0x2E)}, {112, R(3, 0xB6, 0)}, {134, R(3, 0xE2, 0)},   {135, R(0, 0, 0)},
      {136, R(0xAA, 0x55, 0xFF)}, {137, R(2, 0xB4, 4)}, {153, R(9, 0, 4)}, {154, R(0, 0, 0)},
      {159, R(0, 0, 0)},
  };
  for (const auto& [position, record] : cases) {
    EXPECT_EQ(Show(kBuiltInDefaultKeyTable[position]), Show(record)) << position;
  }
  // Every key of the keyboard but Right Win has a position.
  std::map<KeyCode, int> positions;
  for (int position = 0; position < kDeviceKeyDataFirstPosition; ++position) {
    ++positions[DeviceRecordToKeyCode(kBuiltInDefaultKeyTable[position])];
  }
  for (KeyCode key : KeyboardKeys) EXPECT_EQ(positions.count(key), key == 0x15C ? 0u : 1u) << std::hex << key;
  EXPECT_EQ(positions[0x00D], 2);  // = at 54 and 105
}

TEST_F(DeviceKeyTableTest, DefaultEntriesGiveTheDefaultTable) {
  EXPECT_EQ(Build(), kBuiltInDefaultKeyTable);
}

TEST_F(DeviceKeyTableTest, EachKeyPositionTakesItsKeysEntry) {
  EntryOf(0x01E) = A(AssignmentType::Key, 0x030);   // A sends B
  EntryOf(0x110) = A(AssignmentType::Media, 7);     // previous track mutes
  EntryOf(0x00D) = A(AssignmentType::Macro, 3);     // = plays the second macro
  EntryOf(0x001) = A(AssignmentType::Disabled);
  const DeviceKeyTable table = Build();
  EXPECT_EQ(table[19], R(2, 2, 0x05));
  EXPECT_EQ(table[112], R(3, 0xE2, 0));
  EXPECT_EQ(table[54], R(5, 1, 1));
  EXPECT_EQ(table[105], R(5, 1, 1));
  EXPECT_EQ(table[8], R(0, 0, 0));
  int changed = 0;
  for (int position = 0; position < kDeviceKeyPositionCount; ++position) {
    changed += table[position] != kBuiltInDefaultKeyTable[position];
  }
  EXPECT_EQ(changed, 5);
}

TEST_F(DeviceKeyTableTest, PositionsWithoutAKeyKeepTheirRecordWhateverTheEntriesSay) {
  for (auto& entry : entries) entry = A(AssignmentType::Disabled);
  const DeviceKeyTable table = Build();
  for (int position = 0; position < kDeviceKeyPositionCount; ++position) {
    const bool isKey = position < kDeviceKeyDataFirstPosition &&
                       DeviceRecordToKeyCode(kBuiltInDefaultKeyTable[position]) != kNoKey;
    EXPECT_EQ(table[position], isKey ? R(0, 0, 0) : kBuiltInDefaultKeyTable[position]) << position;
  }
}

TEST_F(DeviceKeyTableTest, RemappingAltNeverTouchesTheKeyboardsDataBlock) {
  // Position 137 of the data block (02 B4 04) reads as Alt.
  ASSERT_EQ(DeviceRecordToKeyCode(kBuiltInDefaultKeyTable[137]), 0x038);
  EntryOf(0x038) = A(AssignmentType::Key, 0x030);
  const DeviceKeyTable table = Build();
  EXPECT_EQ(table[kAltPosition], R(2, 2, 0x05));
  for (int position = kDeviceKeyDataFirstPosition; position < kDeviceKeyPositionCount; ++position) {
    EXPECT_EQ(table[position], kBuiltInDefaultKeyTable[position]) << position;
  }
  // The same for a keyboard whose block happens to hold key records.
  DeviceKeyTable defaults = kBuiltInDefaultKeyTable;
  for (int position = kDeviceKeyDataFirstPosition; position < kDeviceKeyPositionCount; ++position) {
    defaults[position] = R(2, 2, 0x04);
  }
  EntryOf(0x01E) = A(AssignmentType::Disabled);
  const DeviceKeyTable other = Build(defaults);
  for (int position = kDeviceKeyDataFirstPosition; position < kDeviceKeyPositionCount; ++position) {
    EXPECT_EQ(other[position], R(2, 2, 0x04)) << position;
  }
}

TEST_F(DeviceKeyTableTest, ReadingBackSkipsTheDataBlock) {
  DeviceKeyTable fromKeyboard = kBuiltInDefaultKeyTable;
  fromKeyboard[137] = R(2, 2, 0x05);  // the keyboard changed its data block
  ReadDeviceKeyTable(fromKeyboard, kBuiltInDefaultKeyTable, entries);
  EXPECT_EQ(EntryOf(0x038), A(AssignmentType::Default));
}

TEST_F(DeviceKeyTableTest, ReadingBackClearsTheProfileAndSetsItsGKeyIds) {
  for (auto& entry : entries) entry = KeyAssignment{AssignmentType::Media, 0x77, 2, 1, 5};
  DeviceKeyTable fromKeyboard = kBuiltInDefaultKeyTable;
  fromKeyboard[kAltPosition] = R(2, 2, 0x05);
  fromKeyboard[0] = R(2, 2, 0x04);  // a G-key position maps to no key: skipped
  ReadDeviceKeyTable(fromKeyboard, kBuiltInDefaultKeyTable, entries);
  for (int entry = 0; entry < kEntriesPerProfile; ++entry) {
    const KeyAssignment expected = entry == KeyCodeToSlot(0x038)
                                       ? A(AssignmentType::Key, 0x030)
                                       : KeyAssignment{AssignmentType::Default, GKeyIdOfEntry(entry), 0, 0, 0};
    EXPECT_EQ(entries[entry], expected) << entry;
  }
}

TEST_F(DeviceKeyTableTest, ASecondPositionLeftAtDefaultKeepsTheFirstOnesAssignment) {
  DeviceKeyTable fromKeyboard = kBuiltInDefaultKeyTable;
  fromKeyboard[54] = R(5, 2, 0);  // = at 54 changed, = at 105 left alone
  ReadDeviceKeyTable(fromKeyboard, kBuiltInDefaultKeyTable, entries);
  EXPECT_EQ(EntryOf(0x00D), A(AssignmentType::StopMacro));
}

TEST_F(DeviceKeyTableTest, AProfileSurvivesTheTripToTheKeyboardAndBack) {
  EntryOf(0x01E) = A(AssignmentType::Key, 0x15B);      // A sends Win
  EntryOf(0x038) = A(AssignmentType::Key, 0x030);      // Alt sends B
  EntryOf(0x02A) = A(AssignmentType::Disabled);
  EntryOf(0x03B) = A(AssignmentType::Macro, 12);       // third macro
  EntryOf(0x03C) = A(AssignmentType::StopMacro);
  EntryOf(0x110) = A(AssignmentType::Media, 14);
  EntryOf(0x145) = A(AssignmentType::Function, kFunctionPaste);
  EntryOf(0x120) = A(AssignmentType::Key, 0x120);      // mute sent as a key: no keyboard usage
  const auto before = entries;
  const DeviceKeyTable table = Build();
  ReadDeviceKeyTable(table, kBuiltInDefaultKeyTable, entries);
  for (int entry = 0; entry < kEntriesPerProfile; ++entry) {
    KeyAssignment expected = before[entry];
    if (entry == KeyCodeToSlot(0x03B)) expected.param = 3;  // position 2 reads back as id 3
    if (entry == KeyCodeToSlot(0x120)) expected = A(AssignmentType::Disabled);
    EXPECT_EQ(entries[entry], expected) << entry;
  }
}

TEST(DefaultKeyTableTest, TheBuiltInTableStandsInUntilTheKeyboardsIsRead) {
  ResetDefaultKeyTable();
  EXPECT_EQ(DefaultKeyTable(), kBuiltInDefaultKeyTable);
  DeviceKeyTable fromKeyboard = kBuiltInDefaultKeyTable;
  fromKeyboard[30] = R(2, 1, 0x80);
  SetDefaultKeyTable(fromKeyboard);
  EXPECT_EQ(DefaultKeyTable()[30], R(2, 1, 0x80));
  ResetDefaultKeyTable();
  EXPECT_EQ(DefaultKeyTable(), kBuiltInDefaultKeyTable);
}

}  // namespace
