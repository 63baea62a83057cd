#include "macros/macro_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"
#include "localisation/text_slots.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr KeyCode kKeyA = 0x01E;
constexpr KeyCode kLeftShift = 0x02A;
constexpr KeyCode kRightWin = 0x15C;
constexpr KeyCode kMute = 0x120;
constexpr KeyCode kPower = 0x15E;
constexpr KeyCode kSysReq = 0x054;  // has no device code

class MacroImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTexts(); }
  void TearDown() override { ResetTexts(); }

  static MacroRecord Macro(std::u16string_view name, std::uint8_t cycles, std::vector<MacroAction> actions) {
    MacroRecord record;
    FillNewMacroRecord(record, name, 1);
    record.cycles = cycles;
    record.actionCount = static_cast<std::uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), record.actions);
    return record;
  }

  // Builds with the size the list asks for; fails the test if the build fails.
  static Bytes Build(const std::vector<MacroRecord>& macros, bool withNames) {
    const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
    const std::uint32_t size = withNames ? sizes.fullSize : sizes.baseSize;
    Bytes image(size);
    EXPECT_TRUE(BuildMacroImage(macros, image, size, withNames));
    return image;
  }

  // The one macro of the worked example: Macro1, press A then release it.
  static std::vector<MacroRecord> OneMacroExample() {
    return {Macro(u"Macro1", 1, {{50, kKeyA, kMacroPress}, {0, kKeyA, kMacroRelease}})};
  }
};

TEST_F(MacroImageTest, TheOneMacroExampleWithNames) {
  const Bytes expected = {
      0xAA, 0x55, 0x2A, 0x00, 0x01, 0x00, 0x01, 0x00,  // magic, size 42, one macro, names
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // reserved
      0x12, 0x00,                                      // block at 18
      0x02, 0x00, 0x01, 0x06,                          // two actions, cycles 1, six units of name
      0x05, 0xA0, 0x02, 0x04,                          // press A, 50 ms
      0x00, 0x20, 0x02, 0x04,                          // release A, 0 ms
      'M', 0, 'a', 0, 'c', 0, 'r', 0, 'o', 0, '1', 0,
  };
  const MacroImageSizes sizes = ComputeMacroImageSizes(OneMacroExample());
  EXPECT_EQ(sizes.fullSize, 42u);
  EXPECT_EQ(sizes.baseSize, 30u);
  EXPECT_EQ(Build(OneMacroExample(), true), expected);
}

TEST_F(MacroImageTest, TheOneMacroExampleWithoutNames) {
  const Bytes expected = {
      0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00, 0x00, 0x00,  // size 30, no names
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x12, 0x00,
      0x02, 0x00, 0x01, 0x00,                          // name length 0
      0x05, 0xA0, 0x02, 0x04,
      0x00, 0x20, 0x02, 0x04,
  };
  EXPECT_EQ(Build(OneMacroExample(), false), expected);
}

TEST_F(MacroImageTest, AnEmptyListIsTheHeaderAlone) {
  const MacroImageSizes sizes = ComputeMacroImageSizes(std::vector<MacroRecord>());
  EXPECT_EQ(sizes.fullSize, 16u);
  EXPECT_EQ(sizes.baseSize, 16u);
  const Bytes expected = {0xAA, 0x55, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Build({}, true), expected);

  std::vector<MacroRecord> records(1);
  records[0].id = 77;
  EXPECT_EQ(ParseMacroImage(records, expected), 0);
  EXPECT_EQ(records[0].id, 77);
}

TEST_F(MacroImageTest, ActionsEncodeDelayClassPressAndUsage) {
  struct Case {
    MacroAction action;
    ImageAction expected;
  };
  const Case cases[] = {
      {{0, kLeftShift, kMacroPress}, {0x00, 0xA0, 0x01, 0x02}},
      {{0, kRightWin, kMacroRelease}, {0x00, 0x20, 0x01, 0x80}},
      {{0, 0x136, kMacroPress}, {0x00, 0xA0, 0x02, 0xE5}},    // the second Right Shift row is no modifier code
      {{0, kMute, kMacroPress}, {0x00, 0xB0, 0xE2, 0x00}},
      {{0, 0x174, kMacroPress}, {0x00, 0xB0, 0x00, 0x00}},    // Zoom-: consumer page, usage 0
      {{0, kPower, kMacroPress}, {0x00, 0xC0, 0x81, 0x00}},
      {{0, kSysReq, kMacroPress}, {0x00, 0x80, 0x00, 0x00}},  // no device code: class 0
      {{0, 0, kMacroRelease}, {0x00, 0x00, 0x00, 0x00}},
      {{0, kKeyA, 7}, {0x00, 0xA0, 0x02, 0x04}},              // any direction but release is a press
      {{9, kKeyA, kMacroPress}, {0x00, 0xA0, 0x02, 0x04}},
      {{1234, kKeyA, kMacroPress}, {0x7B, 0xA0, 0x02, 0x04}},
      {{40000, kKeyA, kMacroRelease}, {0xA0, 0x2F, 0x02, 0x04}},
      {{40959, kKeyA, kMacroRelease}, {0xFF, 0x2F, 0x02, 0x04}},  // 4095, the longest that fits
      {{40960, kKeyA, kMacroRelease}, {0xA0, 0x2F, 0x02, 0x04}},  // too long: 40 000 ms
      {{0xFFFFFFFF, kKeyA, kMacroRelease}, {0xA0, 0x2F, 0x02, 0x04}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeImageAction(c.action), c.expected)
        << "key " << std::hex << c.action.keyCode << " delay " << std::dec << c.action.delayMs;
  }
}

TEST_F(MacroImageTest, ActionsDecodeToKeyDelayAndDirection) {
  struct Case {
    ImageAction bytes;
    std::uint32_t delayMs;
    KeyCode keyCode;
    std::uint16_t direction;
  };
  const Case cases[] = {
      {{0x00, 0xB0, 0xE2, 0x00}, 0, kMute, kMacroPress},
      {{0x7B, 0x20, 0x02, 0x04}, 1230, kKeyA, kMacroRelease},
      {{0xFF, 0x0F, 0x00, 0x00}, 40950, 0, kMacroRelease},
      {{0x00, 0xA0, 0x02, 0x48}, 0, 0x045, kMacroPress},  // the usage of Pause and Break gives Pause
      {{0x00, 0xA0, 0x01, 0x03}, 0, 0x01D, kMacroPress},  // several modifier bits: the lowest
      {{0x00, 0xA0, 0x01, 0x00}, 0, 0, kMacroPress},
      {{0x00, 0xC0, 0x81, 0x00}, 0, kPower, kMacroPress},
      {{0x00, 0xC0, 0x84, 0x00}, 0, 0, kMacroPress},      // not a usage the keyboard knows
      {{0x00, 0xD0, 0x01, 0x01}, 0, 0, kMacroPress},      // classes 5 to 7 carry no key
      {{0x00, 0xF0, 0x02, 0x04}, 0, 0, kMacroPress},
  };
  for (const Case& c : cases) {
    const MacroAction action = DecodeImageAction(c.bytes);
    EXPECT_EQ(action.delayMs, c.delayMs);
    EXPECT_EQ(action.keyCode, c.keyCode) << std::hex << int(c.bytes[1]) << " " << int(c.bytes[2]) << " "
                                         << int(c.bytes[3]);
    EXPECT_EQ(action.direction, c.direction);
  }
}

// The image carries a key's usage, so the key read back is the key of that
// usage (the lower row where two share it: Break comes back as Pause), and a
// modifier comes back as itself. Every key of the keyboard and every media
// key comes back unchanged.
TEST_F(MacroImageTest, EveryKeyComesBackAsTheKeyOfItsUsage) {
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    const KeyCode key = SlotToKeyCode(slot);
    const KeyCode expected = KeyCodeToModifierBit(key) != 0 ? key : HidUsageToKeyCode(KeyCodeToHidUsage(key));
    for (const std::uint16_t direction : {kMacroPress, kMacroRelease}) {
      const MacroAction back = DecodeImageAction(EncodeImageAction({0, key, direction}));
      EXPECT_EQ(back.keyCode, expected) << std::hex << key;
      EXPECT_EQ(back.direction, direction);
    }
  }
  for (const KeyCode key : KeyboardKeys) {
    if (key == 0x146) continue;  // Break shares its usage with Pause
    EXPECT_EQ(DecodeImageAction(EncodeImageAction({0, key, kMacroRelease})).keyCode, key) << std::hex << key;
  }
  for (const MediaKey& media : MediaKeyTable) {
    EXPECT_EQ(DecodeImageAction(EncodeImageAction({0, media.keyCode, kMacroPress})).keyCode, media.keyCode);
  }
}

// Lists of 0, 1 and 100 macros go through the image and come back: cycles,
// actions (delays cut to 10 ms, too-long delays as 40 000 ms), names, and ids
// numbered by position.
class MacroImageRoundTrip : public MacroImageTest,
                            public ::testing::WithParamInterface<std::tuple<int, bool>> {
 protected:
  static constexpr KeyCode kKeys[] = {kKeyA, kLeftShift, kRightWin, kMute, kPower, 0x045, 0x145, 0x11C,
                                      0x16D, 0x15F, 0x039, 0x137, 0x053, 0x029};

  static std::vector<MacroRecord> MakeList(int count) {
    std::vector<MacroRecord> macros(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      MacroRecord& record = macros[static_cast<std::size_t>(i)];
      // A single macro is as large as a macro gets; a hundred stay small
      // enough to fit one image.
      const int actions = count == 1 ? kMaxMacroActions : i % 9;
      std::u16string name = count == 1 ? std::u16string(kMaxMacroNameLength, u'\x5B8F')
                                       : u"Macro \x00E9" + std::u16string(static_cast<std::size_t>(i % 13), u'x');
      FillNewMacroRecord(record, name, static_cast<std::uint16_t>(100 - i));
      record.cycles = static_cast<std::uint8_t>(1 + (i * 37) % 255);
      record.actionCount = static_cast<std::uint16_t>(actions);
      for (int j = 0; j < actions; ++j) {
        record.actions[j] = {static_cast<std::uint32_t>((i * 7919 + j * 4099) % 50000),
                             kKeys[static_cast<std::size_t>(i + j) % std::size(kKeys)],
                             static_cast<std::uint16_t>(j % 2)};
      }
    }
    return macros;
  }

  static std::uint32_t DelayAfterImage(std::uint32_t delayMs) {
    return delayMs >= 40960 ? 40000 : delayMs - delayMs % 10;
  }
};

TEST_P(MacroImageRoundTrip, BuildThenParseGivesBackEveryMacro) {
  const auto [count, withNames] = GetParam();
  const std::vector<MacroRecord> macros = MakeList(count);
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  const std::uint32_t size = withNames ? sizes.fullSize : sizes.baseSize;

  // The builder writes exactly the computed size and nothing after it.
  Bytes buffer(size + 64, 0xCD);
  ASSERT_TRUE(BuildMacroImage(macros, buffer, size, withNames));
  for (std::size_t i = size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCD) << "byte " << i;
  const std::span<const std::uint8_t> image(buffer.data(), size);

  MacroImageHeader header{};
  ASSERT_TRUE(ReadMacroImageHeader(image, header));
  EXPECT_EQ(header.imageSize, size);
  EXPECT_EQ(header.macroCount, count);
  EXPECT_EQ(header.namesFlag, withNames ? 1 : 0);
  for (std::size_t i = 8; i < 16; ++i) EXPECT_EQ(image[i], 0) << "reserved byte " << i;

  std::vector<MacroRecord> parsed(static_cast<std::size_t>(count));
  for (MacroRecord& record : parsed) std::memset(&record, 0xA5, sizeof record);
  ASSERT_EQ(ParseMacroImage(parsed, image), count);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    const MacroRecord& in = macros[static_cast<std::size_t>(i)];
    const MacroRecord& out = parsed[static_cast<std::size_t>(i)];
    EXPECT_EQ(out.id, i + 1);
    EXPECT_EQ(out.newFlag, 0);
    EXPECT_EQ(out.reserved1, 0);
    EXPECT_EQ(out.reserved2, 0);
    EXPECT_EQ(out.padding, 0);
    EXPECT_EQ(out.cycles, in.cycles);
    EXPECT_EQ(MacroName(out), withNames ? MacroName(in) : DefaultMacroName(i + 1));
    ASSERT_EQ(out.actionCount, in.actionCount);
    for (int j = 0; j < in.actionCount; ++j) {
      ASSERT_EQ(out.actions[j].delayMs, DelayAfterImage(in.actions[j].delayMs)) << "action " << j;
      ASSERT_EQ(out.actions[j].keyCode, in.actions[j].keyCode) << "action " << j;
      ASSERT_EQ(out.actions[j].direction, in.actions[j].direction) << "action " << j;
    }
    if (in.actionCount < kMaxMacroActions) {
      EXPECT_EQ(out.actions[in.actionCount].keyCode, 0);  // stale slots are cleared
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lists, MacroImageRoundTrip,
                         ::testing::Combine(::testing::Values(0, 1, 100), ::testing::Bool()));

TEST_F(MacroImageTest, WithoutNamesMacrosAreNamedAfterThePrefixAndTheirPosition) {
  const std::vector<MacroRecord> macros = {Macro(u"first", 2, {}), Macro(u"second", 3, {}),
                                           Macro(u"third", 4, {})};
  const Bytes image = Build(macros, false);
  SetText(TextKey::MACRO_NEW_PREFIX, u"M-");
  std::vector<MacroRecord> parsed(3);
  ASSERT_EQ(ParseMacroImage(parsed, image), 3);
  EXPECT_EQ(MacroName(parsed[0]), u"M-1");
  EXPECT_EQ(MacroName(parsed[2]), u"M-3");
  EXPECT_EQ(parsed[0].id, 1);
  EXPECT_EQ(parsed[2].id, 3);
  EXPECT_EQ(parsed[1].cycles, 3);
}

TEST_F(MacroImageTest, AnUnnamedMacroTakesTheDefaultNameEvenInAnImageWithNames) {
  const Bytes image = Build({Macro(u"kept", 1, {}), Macro(u"", 1, {})}, true);
  std::vector<MacroRecord> parsed(2);
  ASSERT_EQ(ParseMacroImage(parsed, image), 2);
  EXPECT_EQ(MacroName(parsed[0]), u"kept");
  EXPECT_EQ(MacroName(parsed[1]), u"Macro2");

  // A name whose first unit is a terminator reads as no name.
  Bytes nulName = Build({Macro(u"kept", 1, {}), Macro(u"z", 1, {})}, true);
  nulName[nulName.size() - 2] = 0;
  ASSERT_EQ(ParseMacroImage(parsed, nulName), 2);
  EXPECT_EQ(MacroName(parsed[1]), u"Macro2");
}

TEST_F(MacroImageTest, TheBuilderRefusesWhatItCannotWriteWholeAndWritesNothing) {
  const std::vector<MacroRecord> one = OneMacroExample();
  const std::vector<MacroRecord> tooMany(kMaxMacros + 1);
  // Eight full macros fit the 16-bit image without names but not with them.
  std::vector<MacroRecord> large(8);
  for (MacroRecord& record : large) {
    FillNewMacroRecord(record, std::u16string(kMaxMacroNameLength, u'n'), 1);
    record.actionCount = kMaxMacroActions;
  }
  ASSERT_LE(ComputeMacroImageSizes(large).baseSize, kMaxMacroImageSize);
  ASSERT_GT(ComputeMacroImageSizes(large).fullSize, kMaxMacroImageSize);

  struct Case {
    const char* what;
    const std::vector<MacroRecord>* macros;
    std::uint32_t imageSize;
    std::size_t bufferSize;
    bool withNames;
  };
  const Case cases[] = {
      {"size one short", &one, 41, 100, true},
      {"size one over", &one, 43, 100, true},
      {"size without names but names asked", &one, 30, 100, true},
      {"buffer one short", &one, 42, 41, true},
      {"more than 100 macros", &tooMany, ComputeMacroImageSizes(tooMany).fullSize, 1000, true},
      {"over 65 535 bytes", &large, ComputeMacroImageSizes(large).fullSize, 70000, true},
  };
  for (const Case& c : cases) {
    Bytes buffer(c.bufferSize, 0xCD);
    EXPECT_FALSE(BuildMacroImage(*c.macros, buffer, c.imageSize, c.withNames)) << c.what;
    EXPECT_EQ(buffer, Bytes(c.bufferSize, 0xCD)) << c.what;
  }
  Bytes buffer(ComputeMacroImageSizes(large).baseSize);
  EXPECT_TRUE(BuildMacroImage(large, buffer, ComputeMacroImageSizes(large).baseSize, false));
}

TEST_F(MacroImageTest, ADamagedRecordIsSentWithinItsFields) {
  std::vector<MacroRecord> macros(1);
  std::memset(macros.data(), 0x41, sizeof(MacroRecord));  // action count 0x4141, name without terminator
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  EXPECT_EQ(sizes.baseSize, 16u + 2 + 4 + 4 * kMaxMacroActions);
  EXPECT_EQ(sizes.fullSize, sizes.baseSize + 2 * kMaxMacroNameLength);

  const Bytes image = Build(macros, true);
  std::vector<MacroRecord> parsed(1);
  ASSERT_EQ(ParseMacroImage(parsed, image), 1);
  EXPECT_EQ(parsed[0].actionCount, kMaxMacroActions);
  EXPECT_EQ(MacroName(parsed[0]), std::u16string(kMaxMacroNameLength, u'\x4141'));
}

TEST_F(MacroImageTest, TheHeaderTellsTheSizeAndCountOfAGoodImage) {
  MacroImageHeader header{};
  const Bytes image = Build(OneMacroExample(), true);
  ASSERT_TRUE(ReadMacroImageHeader(image, header));
  EXPECT_EQ(header.imageSize, 42);
  EXPECT_EQ(header.macroCount, 1);
  EXPECT_EQ(header.namesFlag, 1);

  Bytes erased(16, 0xFF);  // memory that holds no image
  EXPECT_FALSE(ReadMacroImageHeader(erased, header));
  EXPECT_FALSE(ReadMacroImageHeader(std::span(image).first(15), header));
}

TEST_F(MacroImageTest, BytesAfterTheImageAreIgnored) {
  Bytes image = Build(OneMacroExample(), true);
  image.insert(image.end(), 32, 0xEE);
  std::vector<MacroRecord> parsed(1);
  ASSERT_EQ(ParseMacroImage(parsed, image), 1);
  EXPECT_EQ(MacroName(parsed[0]), u"Macro1");
}

// The parser's input comes from the keyboard: every way an image can point
// outside itself or past the limits makes it hold no macros, and leaves the
// records untouched.
class HostileImageTest : public MacroImageTest {
 protected:
  // Two macros: "ab" with two actions at 20, "c" with one action at 36; 46 bytes.
  static Bytes TwoMacroImage() {
    return Build({Macro(u"ab", 3, {{10, kKeyA, kMacroPress}, {0, kKeyA, kMacroRelease}}),
                  Macro(u"c", 1, {{0, kMute, kMacroPress}})},
                 true);
  }
  static void SetU16(Bytes& image, std::size_t at, std::uint16_t value) {
    image[at] = static_cast<std::uint8_t>(value);
    image[at + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  // Grows the image to `size` and says so in its header.
  static void Grow(Bytes& image, std::size_t size) {
    image.resize(size);
    SetU16(image, 2, static_cast<std::uint16_t>(size));
  }
};

TEST_F(HostileImageTest, TheTwoMacroImageIsWhatTheCasesAssume) {
  const Bytes image = TwoMacroImage();
  ASSERT_EQ(image.size(), 46u);
  EXPECT_EQ(image[16], 20);
  EXPECT_EQ(image[18], 36);
  std::vector<MacroRecord> parsed(2);
  EXPECT_EQ(ParseMacroImage(parsed, image), 2);
}

TEST_F(HostileImageTest, ABadImageHoldsNoMacros) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::size_t records = 2;
  };
  const Case cases[] = {
      {"no magic", [](Bytes& b) { b[0] = 0; }},
      {"shorter than its header says", [](Bytes& b) { b.pop_back(); }},
      {"header size past the end", [](Bytes& b) { SetU16(b, 2, 47); }},
      {"header size inside the offset table", [](Bytes& b) { SetU16(b, 2, 19); }},
      {"shorter than a header", [](Bytes& b) { b.resize(15); }},
      {"101 macros", [](Bytes& b) { SetU16(b, 4, 101); Grow(b, 4000); }},
      {"more macros than the offsets leave room for", [](Bytes& b) { SetU16(b, 4, 3); }, 3},
      {"offset past the end", [](Bytes& b) { SetU16(b, 16, 46); }},
      {"block head across the end", [](Bytes& b) { SetU16(b, 18, 44); }},
      {"offset at the far end of 16 bits", [](Bytes& b) { SetU16(b, 18, 0xFFFF); }},
      {"offset into the header", [](Bytes& b) { SetU16(b, 16, 2); }},
      {"actions past the end", [](Bytes& b) { SetU16(b, 36, 2); }},
      {"name past the end", [](Bytes& b) { b[39] = 2; }},
      {"2001 actions inside the image", [](Bytes& b) { SetU16(b, 20, 2001); Grow(b, 20 + 4 + 4 * 2001 + 4); }},
      {"250 units of name inside the image", [](Bytes& b) { b[39] = 250; Grow(b, 36 + 4 + 4 + 500); }},
      {"fewer records than macros", [](Bytes&) {}, 1},
  };
  for (const Case& c : cases) {
    Bytes image = TwoMacroImage();
    c.damage(image);
    std::vector<MacroRecord> records(c.records);
    std::memset(records.data(), 0x5A, records.size() * sizeof(MacroRecord));
    const std::vector<MacroRecord> before = records;
    EXPECT_EQ(ParseMacroImage(records, image), 0) << c.what;
    EXPECT_EQ(std::memcmp(records.data(), before.data(), records.size() * sizeof(MacroRecord)), 0) << c.what;
  }
}

TEST_F(HostileImageTest, TheLimitsThemselvesAreAccepted) {
  Bytes actions = TwoMacroImage();
  SetU16(actions, 20, 2000);
  Grow(actions, 20 + 4 + 4 * 2000 + 4);
  Bytes name = TwoMacroImage();
  name[39] = 249;
  Grow(name, 36 + 4 + 4 + 498);
  for (std::size_t unit = 1; unit < 249; ++unit) SetU16(name, 36 + 4 + 4 + 2 * unit, u'n');

  std::vector<MacroRecord> parsed(2);
  ASSERT_EQ(ParseMacroImage(parsed, actions), 2);
  EXPECT_EQ(parsed[0].actionCount, 2000);
  ASSERT_EQ(ParseMacroImage(parsed, name), 2);
  EXPECT_EQ(MacroName(parsed[1]), u"c" + std::u16string(248, u'n'));
}

}  // namespace
