#include "lighting/lighting_settings.h"

#include <gtest/gtest.h>

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
