#include "lighting/effect_controls.h"

#include <initializer_list>

namespace {

using EffectSet = unsigned;  // bit e: effect e

constexpr EffectSet Effects(std::initializer_list<int> effects) {
  EffectSet set = 0;
  for (int effect : effects) set |= 1u << effect;
  return set;
}

struct ControlsRow {
  LightingControls controls;
  EffectSet shownUnder;
  EffectSet secondPlaceUnder;
};

constexpr ControlsRow kControlsRows[] = {
    {LightingControls::kSpeed, Effects({2, 3, 4, 6, 7, 8, 10, 11, 13, 14}), Effects({4})},
    {LightingControls::kBrightness, Effects({1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 13, 14}), 0},
    {LightingControls::kDirection, Effects({1, 2, 10}), Effects({1})},
    {LightingControls::kMode4Group, Effects({4}), 0},
    {LightingControls::kPerKeyTools, Effects({kPerKeyEffect}), 0},
    {LightingControls::kMode9Colour, Effects({9}), 0},
    {LightingControls::kMode11Group, Effects({11}), 0},
    {LightingControls::kMode12Group, 0, 0},
    {LightingControls::kMode14Group, Effects({14}), 0},
};

bool InSet(EffectSet set, int effect) { return IsEffect(effect) && (set & (1u << effect)) != 0; }

const ControlsRow* RowOf(LightingControls controls) {
  for (const ControlsRow& row : kControlsRows)
    if (row.controls == controls) return &row;
  return nullptr;
}

}  // namespace

bool ShowsControls(int effect, LightingControls controls) {
  const ControlsRow* row = RowOf(controls);
  return row && InSet(row->shownUnder, effect);
}

bool UsesSecondPlace(int effect, LightingControls controls) {
  const ControlsRow* row = RowOf(controls);
  return row && InSet(row->secondPlaceUnder, effect);
}

KeyTint KeyTintOf(const LightingState& state) {
  if (state.effectMode == kPerKeyEffect) return {KeyTint::Kind::kOwnColours, {}};
  if (const EffectGroup* group = GroupOfEffect(state, state.effectMode))
    return {KeyTint::Kind::kAllOneColour, group->colour};
  return {};
}
