#include "lighting/lighting_changes.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

LightingWrite Setting(std::uint16_t offset, std::vector<std::uint8_t> bytes) {
  return {LightingArea::kSettings, offset, std::move(bytes)};
}

// Flags of effects 4 and 11 on, 12 and 14 off; effect 5 offered; effect 5 selected.
LightingState SomeState() {
  LightingState state;
  state.offeredEffects = {1, 3, 5};
  state.effectMode = kPerKeyEffect;
  GroupOfEffect(state, 4)->flag = true;
  GroupOfEffect(state, 11)->flag = true;
  state.keyColours.fill({1, 2, 3});
  return state;
}

constexpr Rgb kRed{0xFF, 0x00, 0x00};
constexpr Rgb kTeal{0x00, 0x80, 0x80};

}  // namespace

TEST(LightingChanges, EachControlWritesItsFields) {
  struct Case {
    const char* name;
    std::function<LightingWrites(LightingState&)> change;
    LightingWrites writes;
  };
  const Case cases[] = {
      {"effect 1", [](auto& s) { return SelectEffect(s, 1); }, {Setting(0, {1})}},
      {"effect 9 has no flag", [](auto& s) { return SelectEffect(s, 9); }, {Setting(0, {9})}},
      {"effect 4 with its flag on", [](auto& s) { return SelectEffect(s, 4); },
       {Setting(0, {4}), Setting(18, {0xFF})}},
      {"effect 11 with its flag on", [](auto& s) { return SelectEffect(s, 11); },
       {Setting(0, {11}), Setting(23, {1})}},
      // Its own toggle (off), not the one of effect 11 (on).
      {"effect 12 with its flag off", [](auto& s) { return SelectEffect(s, 12); },
       {Setting(0, {12}), Setting(28, {0})}},
      {"effect 14 with its flag off", [](auto& s) { return SelectEffect(s, 14); },
       {Setting(0, {14}), Setting(33, {0})}},
      {"effect 0", [](auto& s) { return SelectEffect(s, 0); }, {}},
      {"effect 15", [](auto& s) { return SelectEffect(s, 15); }, {}},
      {"brightness 0", [](auto& s) { return SetBrightness(s, 0); }, {Setting(1, {0})}},
      {"brightness 25", [](auto& s) { return SetBrightness(s, 25); }, {Setting(1, {25})}},
      {"brightness past the end", [](auto& s) { return SetBrightness(s, 40); }, {Setting(1, {25})}},
      {"speed position 0", [](auto& s) { return SetSpeed(s, 0); }, {Setting(2, {24})}},
      {"speed position 24", [](auto& s) { return SetSpeed(s, 24); }, {Setting(2, {0})}},
      {"speed position 10", [](auto& s) { return SetSpeed(s, 10); }, {Setting(2, {14})}},
      {"speed below the start", [](auto& s) { return SetSpeed(s, -3); }, {Setting(2, {24})}},
      {"left", [](auto& s) { return SetDirection(s, 0); }, {Setting(4, {0})}},
      {"right", [](auto& s) { return SetDirection(s, 1); }, {Setting(4, {1})}},
      {"no direction 2", [](auto& s) { return SetDirection(s, 2); }, {}},
      {"colour of effect 9", [](auto& s) { return SetGroupColour(s, 9, kTeal); }, {Setting(5, {0x00, 0x80, 0x80})}},
      {"colour of effect 4", [](auto& s) { return SetGroupColour(s, 4, kTeal); },
       {Setting(18, {0}), Setting(15, {0x00, 0x80, 0x80})}},
      {"colour of effect 11", [](auto& s) { return SetGroupColour(s, 11, kTeal); },
       {Setting(23, {0}), Setting(20, {0x00, 0x80, 0x80})}},
      {"colour of effect 12", [](auto& s) { return SetGroupColour(s, 12, kTeal); },
       {Setting(28, {0}), Setting(25, {0x00, 0x80, 0x80})}},
      {"colour of effect 14", [](auto& s) { return SetGroupColour(s, 14, kTeal); },
       {Setting(33, {0}), Setting(30, {0x00, 0x80, 0x80})}},
      {"no colour for effect 5", [](auto& s) { return SetGroupColour(s, 5, kTeal); }, {}},
      {"flag of effect 4 goes off", [](auto& s) { return ToggleGroupFlag(s, 4); }, {Setting(18, {0})}},
      {"flag of effect 11 goes off", [](auto& s) { return ToggleGroupFlag(s, 11); }, {Setting(23, {0})}},
      {"flag of effect 12 goes on", [](auto& s) { return ToggleGroupFlag(s, 12); }, {Setting(28, {1})}},
      {"flag of effect 14 goes on", [](auto& s) { return ToggleGroupFlag(s, 14); }, {Setting(33, {1})}},
      {"no flag for effect 9", [](auto& s) { return ToggleGroupFlag(s, 9); }, {}},
      {"option 0", [](auto& s) { return SetMode4Option(s, 0); }, {Setting(19, {0})}},
      {"option 1", [](auto& s) { return SetMode4Option(s, 1); }, {Setting(19, {1})}},
      {"no option 2", [](auto& s) { return SetMode4Option(s, 2); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LightingState state = SomeState();
    EXPECT_EQ(c.change(state), c.writes);
  }
}

TEST(LightingChanges, TheStateFollowsTheChanges) {
  LightingState state = SomeState();
  SetSpeed(state, 0);
  EXPECT_EQ(state.speed, 24);
  EXPECT_EQ(SpeedPosition(state), 0);

  SetGroupColour(state, 4, kTeal);
  EXPECT_EQ(GroupOfEffect(state, 4)->colour, kTeal);
  EXPECT_FALSE(GroupOfEffect(state, 4)->flag);  // choosing a colour turns the flag off
  EXPECT_TRUE(GroupOfEffect(state, 11)->flag);  // and no other

  ToggleGroupFlag(state, 12);
  EXPECT_TRUE(GroupOfEffect(state, 12)->flag);
  EXPECT_EQ(SelectEffect(state, 12), (LightingWrites{Setting(0, {12}), Setting(28, {1})}));
  EXPECT_EQ(state.effectMode, 12);

  // An effect outside 1-14 is taken, so that the panel hides the effect's controls.
  EXPECT_TRUE(SelectEffect(state, 20).empty());
  EXPECT_EQ(state.effectMode, 20);
}

// The tools as the user picks them: the first picture, beside "Key colour",
// paints the key colour (the selection colour); the second, beside
// "Background", the background colour.
TEST(LightingChanges, PaintKeyOnlyUnderThePerKeyEffect) {
  struct Case {
    const char* name;
    int effect;
    PaintTool tool;
    Rgb background;
    Rgb painted;  // the key's colour afterwards
    bool selected;
  };
  const PaintTool keyColourTool = kToolOfPicture[0], backgroundTool = kToolOfPicture[1];
  const Case cases[] = {
      {"key-colour tool", kPerKeyEffect, keyColourTool, kBlack, kRed, true},
      {"background tool", kPerKeyEffect, backgroundTool, kBlack, kBlack, false},
      {"background tool in the selection colour", kPerKeyEffect, backgroundTool, kRed, kRed, true},
      {"effect 9 changes nothing", 9, keyColourTool, kBlack, {1, 2, 3}, false},
  };
  const int buttonA = 0;  // KeyboardKeys starts with A, at position 19
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LightingState state = SomeState();
    state.effectMode = c.effect;
    state.tool = c.tool;
    state.selectionColour = kRed;
    state.backgroundColour = c.background;
    const KeyColourTable before = state.keyColours;

    const LightingWrites writes = PaintKey(state, buttonA);
    EXPECT_EQ(state.keyColours[19], c.painted);
    EXPECT_EQ(state.selected[buttonA], c.selected);
    if (c.effect == kPerKeyEffect) {
      EXPECT_EQ(writes, (LightingWrites{{LightingArea::kKeyColours, 19, {c.painted.r, c.painted.g, c.painted.b}}}));
    } else {
      EXPECT_TRUE(writes.empty());
      EXPECT_EQ(state.keyColours, before);
    }
  }
}

TEST(LightingChanges, PaintingAgainWithTheBackgroundUnselects) {
  LightingState state = SomeState();
  state.tool = PaintTool::kSelection;
  PaintKey(state, kFnButton);
  EXPECT_TRUE(state.selected[kFnButton]);
  state.tool = PaintTool::kBackground;
  PaintKey(state, kFnButton);
  EXPECT_FALSE(state.selected[kFnButton]);
  EXPECT_EQ(state.keyColours[kFnColourPosition], kBlack);
}

TEST(LightingChanges, ANewSelectionColourRecoloursTheSelectedKeys) {
  LightingState state = SomeState();
  state.tool = PaintTool::kSelection;
  PaintKey(state, 0);          // A, position 19
  PaintKey(state, kFnButton);  // position 53
  state.keyColours[8] = kWhite;  // Esc, in the old selection colour but not selected

  const LightingWrites writes = SetSelectionColour(state, kTeal);
  EXPECT_EQ(state.selectionColour, kTeal);
  EXPECT_EQ(state.keyColours[19], kTeal);
  EXPECT_EQ(state.keyColours[53], kTeal);
  EXPECT_EQ(state.keyColours[8], kWhite);
  EXPECT_EQ(state.keyColours[20], (Rgb{1, 2, 3}));

  ASSERT_EQ(writes.size(), 1 + 9u);
  EXPECT_EQ(writes[0], Setting(10, {0x00, 0x80, 0x80}));
  EXPECT_EQ(LightingWrites(writes.begin() + 1, writes.end()), WholeKeyColourTable(state.keyColours));

  EXPECT_TRUE(SetSelectionColour(state, kTeal).empty());  // the same colour again
}

TEST(LightingChanges, WholeTableGoesInNineChunks) {
  KeyColourTable table{};
  table[161] = kRed;
  const LightingWrites writes = WholeKeyColourTable(table);
  ASSERT_EQ(writes.size(), 9u);
  for (int chunk = 0; chunk < 9; ++chunk) {
    EXPECT_EQ(writes[chunk].area, LightingArea::kKeyColours);
    EXPECT_EQ(writes[chunk].offset, chunk * 18);
    EXPECT_EQ(writes[chunk].bytes.size(), 54u);
  }
  EXPECT_EQ(writes[8].bytes[51], 0xFF);
}

TEST(LightingChanges, DefaultLighting) {
  const std::vector<std::uint8_t> block = {
      0x01, 0x0F, 0x0A, 0x00, 0x00,                                     // effect 1, brightness 15, speed 10
      0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
      0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
  };
  for (const bool perKeyOffered : {true, false}) {
    SCOPED_TRACE(perKeyOffered ? "per-key effect offered" : "not offered");
    LightingState state = SomeState();
    if (!perKeyOffered) state.offeredEffects = {1, 2};
    state.tool = PaintTool::kSelection;
    state.selectionColour = kRed;
    state.backgroundColour = kTeal;
    state.mode4Option = 1;

    const LightingWrites writes = DefaultLighting(state);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes[0], Setting(0, block));
    EXPECT_EQ(state.effectMode, 1);
    EXPECT_EQ(state.brightness, 15);
    EXPECT_EQ(state.speed, 10);
    EXPECT_EQ(state.mode4Option, 0);
    for (const EffectGroup& group : state.groups) {
      EXPECT_EQ(group.colour, kWhite);
      EXPECT_FALSE(group.flag);
    }
    if (perKeyOffered) {
      ASSERT_EQ(writes.size(), 1 + 9u);
      for (const Rgb& colour : state.keyColours) EXPECT_EQ(colour, kWhite);
      EXPECT_EQ(LightingWrites(writes.begin() + 1, writes.end()), WholeKeyColourTable(state.keyColours));
      EXPECT_EQ(state.selectionColour, kWhite);
      EXPECT_EQ(state.backgroundColour, kBlack);
      EXPECT_EQ(state.tool, PaintTool::kBackground);
    } else {
      EXPECT_EQ(writes.size(), 1u);
      EXPECT_EQ(state.keyColours[0], (Rgb{1, 2, 3}));
      EXPECT_EQ(state.tool, PaintTool::kSelection);
    }
  }
}
