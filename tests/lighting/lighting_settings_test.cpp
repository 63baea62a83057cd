#include "lighting/lighting_settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "lighting/lighting_changes.h"

namespace {

// A settings block under `effect` with distinct colours in every group.
LightingSettings Block(int effect) {
  LightingSettings settings{};
  settings[kEffectModeOffset] = static_cast<std::uint8_t>(effect);
  settings[kBrightnessOffset] = 7;
  settings[kSpeedOffset] = 3;
  settings[kDirectionOffset] = 1;
  for (int i = 0; i < kColourGroupCount; ++i) {
    const std::uint16_t at = kColourGroups[i].offset;
    settings[at] = static_cast<std::uint8_t>(0x10 + i);
    settings[at + 1] = static_cast<std::uint8_t>(0x20 + i);
    settings[at + 2] = static_cast<std::uint8_t>(0x30 + i);
  }
  return settings;
}

}  // namespace

TEST(LightingSettings, TakesTheFieldsWithTheRedByteFirst) {
  LightingState state;
  LightingSettings settings = Block(9);
  settings[23] = 1;     // effect 11's flag
  settings[28] = 0;     // effect 12's
  settings[33] = 0x80;  // effect 14's: any non-zero byte is on
  TakeLightingSettings(state, settings);

  EXPECT_EQ(state.effectMode, 9);
  EXPECT_EQ(state.brightness, 7);
  EXPECT_EQ(state.speed, 3);
  EXPECT_EQ(state.direction, 1);
  for (int i = 0; i < kColourGroupCount; ++i) {
    SCOPED_TRACE(kColourGroups[i].effect);
    EXPECT_EQ(state.groups[i].colour, (Rgb{std::uint8_t(0x10 + i), std::uint8_t(0x20 + i), std::uint8_t(0x30 + i)}));
  }
  EXPECT_TRUE(GroupOfEffect(state, 11)->flag);
  EXPECT_FALSE(GroupOfEffect(state, 12)->flag);
  EXPECT_TRUE(GroupOfEffect(state, 14)->flag);
  // The key colour at offsets 10-12 is the per-key tools' selection colour.
  EXPECT_EQ(state.selectionColour, (Rgb{0, 0, 0}));
  settings[kKeyColourOffset] = 0x12;
  settings[kKeyColourOffset + 2] = 0x56;
  TakeLightingSettings(state, settings);
  EXPECT_EQ(state.selectionColour, (Rgb{0x12, 0, 0x56}));
}

// The flag of effect 4 counts only under effect 4 and only as 0x00 or 0xFF;
// the option only as 0 or 1. Otherwise what the panel shows stays.
TEST(LightingSettings, TakesTheEffect4FlagAndOptionOnlyWhenValid) {
  struct Case {
    const char* name;
    int effect;
    std::uint8_t flagByte;
    std::uint8_t optionByte;
    bool flagAfter;
    int optionAfter;
  };
  // The state before: flag on, option 1.
  const Case cases[] = {
      {"effect 4, flag off, option 0", 4, 0x00, 0, false, 0},
      {"effect 4, flag on", 4, 0xFF, 1, true, 1},
      {"effect 4, flag byte 1 is neither", 4, 0x01, 1, true, 1},
      {"another effect keeps the flag", 9, 0x00, 0, true, 0},
      {"option byte 7 keeps the option", 4, 0xFF, 7, true, 1},
      {"option byte 0xFF keeps the option", 2, 0x00, 0xFF, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LightingState state;
    GroupOfEffect(state, 4)->flag = true;
    state.mode4Option = 1;
    LightingSettings settings = Block(c.effect);
    settings[kMode4FlagOffset] = c.flagByte;
    settings[kMode4OptionOffset] = c.optionByte;
    TakeLightingSettings(state, settings);
    EXPECT_EQ(GroupOfEffect(state, 4)->flag, c.flagAfter);
    EXPECT_EQ(state.mode4Option, c.optionAfter);
  }
}

TEST(LightingSettings, OfferedEffectsAreTheNonZeroSlotsInOrder) {
  StatusBlock status{};
  status[kStatusCurrentProfile] = 2;  // the bytes before 12 are not effects
  status[kStatusMacroCapacity] = 9;
  status[12] = 1;
  status[15] = 3;
  status[16] = 5;
  status[27] = 200;  // outside 1-14, still listed
  EXPECT_EQ(OfferedEffects(status), (std::vector<int>{1, 3, 5, 200}));
  EXPECT_TRUE(OfferedEffects(StatusBlock{}).empty());
}

TEST(LightingSettings, SliderPositionsStayOnTheSliders) {
  struct Case {
    int brightness, speed, brightnessPosition, speedPosition;
  };
  const Case cases[] = {{0, 0, 0, 24}, {25, 24, 25, 0}, {15, 10, 15, 14}, {200, 30, 25, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    LightingState state;
    state.brightness = c.brightness;
    state.speed = c.speed;
    EXPECT_EQ(BrightnessPosition(state), c.brightnessPosition);
    EXPECT_EQ(SpeedPosition(state), c.speedPosition);
  }
}

// A read of the keyboard under way while the user picks something: the pick
// is on its way to the keyboard behind the read, so the read's older value
// must not replace it; everything the user left alone shows the read's.
TEST(LightingSettings, APickMadeDuringAReadWinsAndTheRestTakesTheRead) {
  LightingState shown;
  shown.offeredEffects = {1, 5, 9};
  shown.effectMode = kPerKeyEffect;
  shown.tool = PaintTool::kBackground;
  shown.backgroundColour = kBlack;

  // What the read made of it: the keyboard's values everywhere it reads.
  LightingState read = shown;
  TakeLightingSettings(read, Block(kPerKeyEffect));
  read.offeredEffects = {1, 5, 9, 11};
  read.keyColours.fill({9, 9, 9});

  const Rgb kPicked{0xAB, 0xCD, 0xEF};
  struct Case {
    const char* name;
    std::function<void(LightingState&)> pick;
    std::function<void(const LightingState&)> kept;
  };
  const Case cases[] = {
      {"nothing picked", [](LightingState&) {}, [](const LightingState&) {}},
      {"a group colour", [&](LightingState& s) { SetGroupColour(s, 11, kPicked); },
       [&](const LightingState& s) {
         EXPECT_EQ(GroupOfEffect(s, 11)->colour, kPicked);
         EXPECT_FALSE(GroupOfEffect(s, 11)->flag);
       }},
      {"the selection colour", [&](LightingState& s) { SetSelectionColour(s, kPicked); },
       [&](const LightingState& s) { EXPECT_EQ(s.selectionColour, kPicked); }},
      {"the background colour and the key-colour tool",
       [&](LightingState& s) {
         s.backgroundColour = kPicked;
         s.tool = kToolOfPicture[0];
       },
       [&](const LightingState& s) {
         EXPECT_EQ(s.backgroundColour, kPicked);
         EXPECT_EQ(s.tool, PaintTool::kSelection);
       }},
      {"another effect and brightness",
       [&](LightingState& s) {
         SelectEffect(s, 9);
         SetBrightness(s, 20);
       },
       [&](const LightingState& s) {
         EXPECT_EQ(s.effectMode, 9);
         EXPECT_EQ(s.brightness, 20);
       }},
      {"a painted key",
       [&](LightingState& s) {
         s.tool = PaintTool::kSelection;
         s.selectionColour = kPicked;
         PaintKey(s, kFnButton);
       },
       [&](const LightingState& s) {
         EXPECT_EQ(s.keyColours[kFnColourPosition], kPicked);
         EXPECT_TRUE(s.selected[kFnButton]);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LightingState now = shown;
    c.pick(now);
    const LightingState taken = TakeReadLighting(shown, read, now);
    c.kept(taken);
    // Whatever the pick left alone is the keyboard's.
    EXPECT_EQ(taken.offeredEffects, read.offeredEffects);
    EXPECT_EQ(taken.speed, read.speed);
    EXPECT_EQ(taken.direction, read.direction);
    EXPECT_EQ(GroupOfEffect(taken, 14)->colour, GroupOfEffect(read, 14)->colour);
    EXPECT_EQ(taken.keyColours[0], (Rgb{9, 9, 9}));
  }
  // With no pick the panel shows exactly what was read.
  const LightingState untouched = TakeReadLighting(shown, read, shown);
  EXPECT_EQ(untouched.effectMode, read.effectMode);
  EXPECT_EQ(untouched.brightness, read.brightness);
  EXPECT_EQ(untouched.selectionColour, read.selectionColour);
  EXPECT_EQ(untouched.keyColours, read.keyColours);
}
