#include "lighting/effect_controls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The effects 1-14 under which `controls` show, as a string of digits and
// commas, so that a failure prints the whole row.
std::string EffectsShowing(LightingControls controls, bool (*rule)(int, LightingControls)) {
  std::string effects;
  for (int effect = 0; effect <= 16; ++effect)
    if (rule(effect, controls)) effects += (effects.empty() ? "" : ",") + std::to_string(effect);
  return effects;
}

}  // namespace

TEST(EffectControls, EachGroupShowsUnderItsEffects) {
  struct Case {
    LightingControls controls;
    const char* shown;
    const char* secondPlace;
  };
  const Case cases[] = {
      {LightingControls::kSpeed, "2,3,4,6,7,8,10,11,13,14", "4"},
      {LightingControls::kBrightness, "1,2,3,5,6,7,8,9,10,11,13,14", ""},
      {LightingControls::kDirection, "1,2,10", "1"},
      {LightingControls::kMode4Group, "4", ""},
      {LightingControls::kPerKeyTools, "5", ""},
      {LightingControls::kMode9Colour, "9", ""},
      {LightingControls::kMode11Group, "11", ""},
      {LightingControls::kMode12Group, "", ""},
      {LightingControls::kMode14Group, "14", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.controls));
    EXPECT_EQ(EffectsShowing(c.controls, ShowsControls), c.shown);
    EXPECT_EQ(EffectsShowing(c.controls, UsesSecondPlace), c.secondPlace);
  }
}

TEST(EffectControls, KeyTint) {
  LightingState state;
  state.keyColours.fill({9, 9, 9});
  for (int i = 0; i < kColourGroupCount; ++i) state.groups[i].colour = {std::uint8_t(i + 1), 0, 0};
  struct Case {
    int effect;
    KeyTint::Kind kind;
    Rgb colour;
  };
  const Case cases[] = {
      {4, KeyTint::Kind::kAllOneColour, {2, 0, 0}},  {9, KeyTint::Kind::kAllOneColour, {1, 0, 0}},
      {11, KeyTint::Kind::kAllOneColour, {3, 0, 0}}, {12, KeyTint::Kind::kAllOneColour, {4, 0, 0}},
      {14, KeyTint::Kind::kAllOneColour, {5, 0, 0}}, {5, KeyTint::Kind::kOwnColours, {}},
      {1, KeyTint::Kind::kNormal, {}},               {10, KeyTint::Kind::kNormal, {}},
      {20, KeyTint::Kind::kNormal, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.effect);
    state.effectMode = c.effect;
    const KeyTint tint = KeyTintOf(state);
    EXPECT_EQ(tint.kind, c.kind);
    EXPECT_EQ(tint.colour, c.colour);
  }
}
