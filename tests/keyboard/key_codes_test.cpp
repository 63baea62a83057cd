#include "keyboard/key_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "localisation/text_slots.h"

namespace {

class KeyCodesTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTexts(); }
  void TearDown() override { ResetTexts(); }
};

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%03X", value);
  return text;
}

bool IsRealKey(KeyCode code) { return KeyCodeToListPosition(code) != kNoListPosition; }

// ---- Slots -------------------------------------------------------------------

TEST(KeySlotTest, CodesAndSlotsConvert) {
  struct Case {
    KeyCode code;
    KeySlot slot;
  };
  const Case cases[] = {
      {0x000, 0},   {0x001, 1},   {0x045, 69},  {0x07F, 127},
      {0x100, 128}, {0x145, 197}, {0x146, 198}, {0x17F, 255},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyCodeToSlot(c.code), c.slot) << Hex(c.code);
    EXPECT_EQ(SlotToKeyCode(c.slot), c.code) << c.slot;
  }
  for (int slot = 0; slot < kKeySlotCount; ++slot) EXPECT_EQ(KeyCodeToSlot(SlotToKeyCode(slot)), slot);
}

TEST(KeySlotTest, CodesOutsideTheCodeSpaceHaveNoRow) {
  // 0x080-0x0FF and 0x180 on would otherwise fold onto real keys (0x19E onto A).
  for (KeyCode code : {0x080, 0x0A0, 0x0FF, 0x180, 0x19E, 0x1C7, 0x1FF, 0xFFFF}) {
    EXPECT_EQ(KeyCodeToSlot(static_cast<KeyCode>(code)), 0) << Hex(code);
    EXPECT_EQ(KeyCodeToListPosition(static_cast<KeyCode>(code)), kNoListPosition) << Hex(code);
    EXPECT_EQ(KeyCodeToHidUsage(static_cast<KeyCode>(code)), (HidUsagePair{0, 0})) << Hex(code);
  }
  for (int slot : {-1, 256, 300, 0x7FFFFFFF}) EXPECT_EQ(SlotToKeyCode(slot), kNoKey) << slot;
}

// ---- Names -------------------------------------------------------------------

TEST_F(KeyCodesTest, KeysAreNamedFromTheirRow) {
  const std::map<KeyCode, std::u16string> cases = {
      {0x001, u"Esc"},           {0x029, u"`"},          {0x02B, u"\\"},
      {0x036, u"Right Shift"},   {0x136, u"Right Shift"}, {0x148, u"\u2191"},
      {0x14B, u"\u2190"},        {0x070, u"ROMA (133)"}, {0x17E, u"Calendar"},
      {0x120, u"Mute"},          {0x16D, u"Media Player"},
      {0x05A, u"Unknown Key: 05a"}, {0x000, u"Unknown Key: 000"}, {0xFFFF, u"Unknown Key: ffff"},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(KeyName(code), name) << Hex(code);
}

TEST_F(KeyCodesTest, MediaKeysAreNamedByTheirLocalisedText) {
  for (int index = 0; index < kMediaKeyCount; ++index) {
    EXPECT_EQ(KeyName(MediaKeyTable[index].keyCode), Text(MediaKeyText(index))) << index;
  }
  SetText(TextKey::MEDIA_MUTE_8, u"Stumm");
  EXPECT_EQ(KeyName(0x120), u"Stumm");
  // A language file without the key empties the slot: the key is then unknown.
  SetText(TextKey::MEDIA_MAIL_18, u"");
  EXPECT_EQ(KeyName(0x16C), u"Unknown Key: 16c");
  SetText(TextKey::UNKNOWN_KEY, u"Taste %03X");
  EXPECT_EQ(KeyName(0x05A), u"Taste 05A");
}

TEST_F(KeyCodesTest, GetKeyNameNeverWritesPastItsCapacity) {
  constexpr char16_t kGuard = u'#';
  for (KeyCode code : {0x001, 0x00E, 0x029, 0x05A, 0x120, 0x17D, 0xFFFF}) {
    const std::u16string name = KeyName(static_cast<KeyCode>(code));
    for (std::size_t capacity = 0; capacity <= name.size() + 3; ++capacity) {
      char16_t buffer[64];
      std::fill(std::begin(buffer), std::end(buffer), kGuard);
      GetKeyName(static_cast<KeyCode>(code), buffer, capacity);
      for (std::size_t i = capacity; i < std::size(buffer); ++i) {
        ASSERT_EQ(buffer[i], kGuard) << Hex(code) << " capacity " << capacity;
      }
      if (capacity == 0) continue;
      const std::size_t kept = std::min(name.size(), capacity - 1);
      EXPECT_EQ(std::u16string(buffer), name.substr(0, kept)) << Hex(code) << " capacity " << capacity;
    }
  }
  GetKeyName(0x001, nullptr, 260);  // no buffer: nothing to write
}

// ---- List positions ------------------------------------------------------------

TEST_F(KeyCodesTest, EveryPickerPositionHasOneKey) {
  std::set<KeyCode> seen;
  for (int position = 0; position < kPickerListPositionCount; ++position) {
    const KeyCode code = ListPositionToKeyCode(position);
    ASSERT_NE(code, kNoKey) << position;
    EXPECT_EQ(KeyCodeToListPosition(code), position) << position;
    EXPECT_EQ(GetListKeyName(position), KeyName(code)) << position;
    EXPECT_TRUE(seen.insert(code).second) << position;
  }
}

TEST_F(KeyCodesTest, ListPositionEdges) {
  struct Case {
    int position;
    KeyCode code;
    std::u16string name;
  };
  const Case cases[] = {
      {0, 0x01E, u"A"},
      {103, 0x036, u"Right Shift"},  // shared with 0x136: the lower slot wins
      {105, 0x15C, u"Right Win"},
      {0x8024, 0x110, u"Previous Track"},
      {0x8030, 0x064, u"F13"},
      {106, kNoKey, u""},
      {0x8000, kNoKey, u""},
      {0xFFFF, kNoKey, u""},  // the mark of an empty row, not a position
      {-1, kNoKey, u""},
      {0x10000, kNoKey, u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ListPositionToKeyCode(c.position), c.code) << c.position;
    EXPECT_EQ(GetListKeyName(c.position), c.name) << c.position;
  }
  EXPECT_EQ(KeyCodeToListPosition(0x136), 103);
  EXPECT_EQ(KeyCodeToListPosition(0x05A), kNoListPosition);
}

// ---- HID usages ---------------------------------------------------------------

TEST(HidUsageTest, KeysGiveTheUsageOfTheirDeviceCode) {
  struct Case {
    KeyCode code;
    HidUsagePair usage;
  };
  const Case cases[] = {
      {0x01E, {7, 0x04}},     {0x15E, {1, 0x81}},    {0x163, {1, 0x83}},    {0x130, {12, 0x00E9}},
      {0x16D, {12, 0x0183}},  {0x174, {12, 0x0000}}, {0x054, {0, 0}},       {0x171, {0, 0}},
      {0x01D, {7, 0xE0}},     {0x15C, {7, 0xE7}},    {0x146, {7, 0x48}},    {0x000, {0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyCodeToHidUsage(c.code), c.usage) << Hex(c.code);
}

TEST(HidUsageTest, UsagesGiveTheLowestKeyWithThatDeviceCode) {
  struct Case {
    HidUsagePair usage;
    KeyCode code;
  };
  const Case cases[] = {
      {{12, 0x00E2}, 0x120},
      {{12, 0x00E9}, 0x130},
      {{1, 0x84}, kNoKey},
      {{1, 0x81}, 0x15E},
      {{7, 0x04}, 0x01E},
      {{7, 0x48}, 0x045},  // Pause, not Break
      {{7, 0xE5}, 0x036},  // not 0x136
      {{7, 0x00}, kNoKey},
      {{7, 0x100}, kNoKey},
      {{7, 0x104}, kNoKey},  // must not be cut to a byte
      // Device codes that are not keyboard usages: no key on the keyboard page.
      {{7, 0x81}, kNoKey},
      {{7, 0xC0}, kNoKey},
      {{7, 0xFF}, kNoKey},
      // Usage 0 is none, not the first unused entry of the consumer table (Zoom-).
      {{12, 0x0000}, kNoKey},
      {{12, 0x0999}, kNoKey},
      {{0, 0x04}, kNoKey},
      {{3, 0x04}, kNoKey},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HidUsageToKeyCode(c.usage), c.code) << c.usage.page << "/" << Hex(c.usage.usage);
  }
}

TEST(HidUsageTest, EveryKeyOfTheKeyboardComesBackFromItsUsage) {
  for (KeyCode code : KeyboardKeys) EXPECT_EQ(HidUsageToKeyCode(KeyCodeToHidUsage(code)), code) << Hex(code);
}

TEST(HidUsageTest, EveryRowComesBackFromItsUsageOrToTheLowerKeyThatSharesIt) {
  // The keys that share a device code with a lower slot, and the keys whose
  // device code has no consumer usage.
  const std::map<KeyCode, KeyCode> shared = {
      {0x136, 0x036}, {0x146, 0x045}, {0x174, 0}, {0x175, 0}, {0x17B, 0}, {0x17C, 0},
  };
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    const KeyCode code = SlotToKeyCode(slot);
    const HidUsagePair usage = KeyCodeToHidUsage(code);
    if (usage.page == kHidPageNone) continue;
    const auto found = shared.find(code);
    const KeyCode expected = found == shared.end() ? code : found->second;
    EXPECT_EQ(HidUsageToKeyCode(usage), expected) << Hex(code);
  }
}

TEST(HidUsageTest, MediaFunctionsAndTheirKeysAgree) {
  for (int index = 0; index < kMediaKeyCount; ++index) {
    const MediaKey& media = MediaKeyTable[index];
    EXPECT_EQ(KeyCodeToHidUsage(media.keyCode), (HidUsagePair{kHidPageConsumer, media.consumerUsage})) << index;
    EXPECT_EQ(HidUsageToKeyCode({kHidPageConsumer, media.consumerUsage}), media.keyCode) << index;
    EXPECT_EQ(MediaIndexOfConsumerUsage(media.consumerUsage), index);
    EXPECT_EQ(MediaIndexOfKeyCode(media.keyCode), index);
  }
  EXPECT_EQ(MediaIndexOfConsumerUsage(0), -1);
  EXPECT_EQ(MediaIndexOfKeyCode(0x01E), -1);
  EXPECT_EQ(MediaIndexOfKeyCode(0), -1);
}

// ---- Virtual keys and key messages --------------------------------------------

TEST(VirtualKeyTest, SharedAndSpecialCodesGiveTheChosenKey) {
  struct Case {
    int virtualKey;
    KeyCode code;
  };
  const Case cases[] = {
      {0x0D, 0x01C},  // VK_RETURN: Enter, not Num Enter
      {0x2C, 0x137},  // VK_SNAPSHOT: Print Screen, not Sys Req
      {0xA1, 0x036},  // VK_RSHIFT
      {0x10, 0x02A},  // VK_SHIFT
      {0x11, 0x01D},  // VK_CONTROL
      {0x12, 0x038},  // VK_MENU
      {0x03, 0x146},  // VK_CANCEL: Break
      {0x13, 0x045},  // VK_PAUSE
      {0x90, 0x145},  // VK_NUMLOCK
      {0x67, 0x047},  // VK_NUMPAD7
      {0x6E, 0x053},  // VK_DECIMAL
      {0x24, 0x147},  // VK_HOME: the E0 key
      {0x2E, 0x153},  // VK_DELETE
      {0xAD, 0x120},  // VK_VOLUME_MUTE
      {0x5F, 0x15F},  // VK_SLEEP
      {0x01, kNoKey}, {0x02, kNoKey}, {0x04, kNoKey},  // mouse buttons
      {0x8A, kNoKey}, {0x97, kNoKey}, {0x9F, kNoKey},  // pseudo keys
      {0xFF, kNoKey}, {0x00, kNoKey}, {0x07, kNoKey}, {0x0C, kNoKey},
      {-1, kNoKey},   {256, kNoKey},  {0x10000, kNoKey},
  };
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyToKeyCode(c.virtualKey), c.code) << Hex(c.virtualKey);
}

TEST(VirtualKeyTest, EveryRealKeyComesBackFromItsVirtualKey) {
  // Keys whose VK another key has taken, and the keys Windows has no VK for.
  const std::map<KeyCode, KeyCode> shared = {{0x11C, 0x01C}, {0x054, 0x137}, {0x136, 0x036}};
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    const KeyCode code = SlotToKeyCode(slot);
    if (!IsRealKey(code) || code >= 0x16E) continue;
    const int virtualKey = KeyRow(code).virtualKey;
    if (virtualKey == 0xFF) {
      EXPECT_EQ(VirtualKeyToKeyCode(virtualKey), kNoKey);
      continue;
    }
    const auto found = shared.find(code);
    EXPECT_EQ(VirtualKeyToKeyCode(virtualKey), found == shared.end() ? code : found->second) << Hex(code);
  }
}

// The lParam of a key message: scan code in bits 16-23, extended bit 24.
std::intptr_t KeyParam(unsigned scanWithExtendedBit, unsigned flags = 0) {
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(1u | scanWithExtendedBit << 16 | flags));
}

TEST(KeyMessageTest, ScanCodeAndVirtualKeyTogetherGiveTheKey) {
  constexpr unsigned kReleased = 0xC0000000u;  // bits 30 and 31 of a key-up
  struct Case {
    const char* what;
    int virtualKey;
    std::intptr_t lParam;
    KeyCode code;
  };
  const Case cases[] = {
      {"Num Lock", 0x90, KeyParam(0x145), 0x145},
      {"Pause", 0x13, KeyParam(0x045), 0x045},
      {"Num 7, Num Lock off", 0x24, KeyParam(0x047), 0x047},
      {"Home", 0x24, KeyParam(0x147), 0x147},
      {"Num 5, Num Lock off", 0x0C, KeyParam(0x04C), 0x04C},
      {"Num Enter", 0x0D, KeyParam(0x11C), 0x11C},
      {"Enter", 0x0D, KeyParam(0x01C), 0x01C},
      {"Right Shift with any VK", 0x10, KeyParam(0x036), 0x036},
      {"generic Shift", 0x10, KeyParam(0x02A), 0x02A},
      {"generic Ctrl of the right key", 0x11, KeyParam(0x11D), 0x11D},
      {"no VK: the scan code", 0xFF, KeyParam(0x070), 0x070},
      {"no scan code: the VK", 0x41, KeyParam(0x000), 0x01E},
      {"scan and VK disagree: the VK", 0x41, KeyParam(0x030), 0x01E},
      {"released A", 0x41, KeyParam(0x01E, kReleased), 0x01E},
      {"mouse VK", 0x01, KeyParam(0x000), kNoKey},
      {"unknown VK, unknown scan", 0x07, KeyParam(0x100), kNoKey},
      {"VK out of range", 0x1234, KeyParam(0x01E), kNoKey},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyMessageToKeyCode(c.virtualKey, c.lParam), c.code) << c.what;
}

TEST(KeyMessageTest, OnlyTheReleaseOnlyKeysAreUpOnly) {
  for (KeyCode code : {0x054, 0x071, 0x072, 0x137}) EXPECT_TRUE(IsUpOnlyKey(static_cast<KeyCode>(code)));
  for (KeyCode code : {0x000, 0x037, 0x070, 0x073, 0x0B7, 0x154, 0x1B7}) {
    EXPECT_FALSE(IsUpOnlyKey(static_cast<KeyCode>(code))) << Hex(code);
  }
}

// ---- The keyboard's keys ------------------------------------------------------

TEST(KeyboardKeysTest, EveryKeyIsARealKeyWithADeviceCodeAndAppearsOnce) {
  std::set<KeyCode> seen;
  for (KeyCode code : KeyboardKeys) {
    EXPECT_TRUE(IsRealKey(code)) << Hex(code);
    EXPECT_LT(KeyCodeToListPosition(code), kPickerListPositionCount) << Hex(code);
    EXPECT_EQ(KeyCodeToHidUsage(code).page, kHidPageKeyboard) << Hex(code);
    EXPECT_TRUE(seen.insert(code).second) << Hex(code);
  }
}

}  // namespace
