#include "lighting/lighting_settings.h"

#include <algorithm>

int ColourGroupIndex(int effect) {
  for (int i = 0; i < kColourGroupCount; ++i)
    if (kColourGroups[i].effect == effect) return i;
  return -1;
}

EffectGroup* GroupOfEffect(LightingState& state, int effect) {
  const int index = ColourGroupIndex(effect);
  return index < 0 ? nullptr : &state.groups[index];
}

const EffectGroup* GroupOfEffect(const LightingState& state, int effect) {
  const int index = ColourGroupIndex(effect);
  return index < 0 ? nullptr : &state.groups[index];
}

bool OffersEffect(const LightingState& state, int effect) {
  return std::find(state.offeredEffects.begin(), state.offeredEffects.end(), effect) != state.offeredEffects.end();
}

std::vector<int> OfferedEffects(const StatusBlock& status) {
  std::vector<int> effects;
  for (int slot = 0; slot < kOfferedEffectSlots; ++slot)
    if (const std::uint8_t effect = status[kStatusEffectsFirst + slot]) effects.push_back(effect);
  return effects;
}

void TakeLightingSettings(LightingState& state, const LightingSettings& settings) {
  state.effectMode = settings[kEffectModeOffset];
  state.brightness = settings[kBrightnessOffset];
  state.speed = settings[kSpeedOffset];
  state.direction = settings[kDirectionOffset];
  for (int i = 0; i < kColourGroupCount; ++i) {
    const ColourGroupLayout& layout = kColourGroups[i];
    EffectGroup& group = state.groups[i];
    group.colour = {settings[layout.offset], settings[layout.offset + 1], settings[layout.offset + 2]};
    const std::uint8_t flag = settings[layout.offset + kColourGroupFlag];
    if (layout.effect == kMode4Effect) {
      // The keyboard keeps other values there while effect 4 is not the effect.
      if (state.effectMode == kMode4Effect && (flag == 0 || flag == layout.flagOn)) group.flag = flag != 0;
    } else if (layout.flagOn != 0) {
      group.flag = flag != 0;
    }
  }
  const std::uint8_t option = settings[kMode4OptionOffset];
  if (option == 0 || option == 1) state.mode4Option = option;
  state.selectionColour = {settings[kKeyColourOffset], settings[kKeyColourOffset + 1],
                           settings[kKeyColourOffset + 2]};
}

namespace {

// The user's value when the user changed it since the read began, else the read's.
template <typename Field>
void KeepPick(Field& taken, const Field& atStart, const Field& now) {
  if (now != atStart) taken = now;
}

template <typename Field, std::size_t N>
void KeepPicks(std::array<Field, N>& taken, const std::array<Field, N>& atStart, const std::array<Field, N>& now) {
  for (std::size_t i = 0; i < N; ++i) KeepPick(taken[i], atStart[i], now[i]);
}

}  // namespace

LightingState TakeReadLighting(const LightingState& shownAtStart, const LightingState& read,
                               const LightingState& shownNow) {
  LightingState taken = read;
  KeepPick(taken.effectMode, shownAtStart.effectMode, shownNow.effectMode);
  KeepPick(taken.brightness, shownAtStart.brightness, shownNow.brightness);
  KeepPick(taken.speed, shownAtStart.speed, shownNow.speed);
  KeepPick(taken.direction, shownAtStart.direction, shownNow.direction);
  for (int i = 0; i < kColourGroupCount; ++i) {
    KeepPick(taken.groups[i].colour, shownAtStart.groups[i].colour, shownNow.groups[i].colour);
    KeepPick(taken.groups[i].flag, shownAtStart.groups[i].flag, shownNow.groups[i].flag);
  }
  KeepPick(taken.mode4Option, shownAtStart.mode4Option, shownNow.mode4Option);
  KeepPick(taken.selectionColour, shownAtStart.selectionColour, shownNow.selectionColour);
  KeepPick(taken.backgroundColour, shownAtStart.backgroundColour, shownNow.backgroundColour);
  KeepPick(taken.tool, shownAtStart.tool, shownNow.tool);
  KeepPicks(taken.keyColours, shownAtStart.keyColours, shownNow.keyColours);
  KeepPicks(taken.selected, shownAtStart.selected, shownNow.selected);
  return taken;
}

int BrightnessPosition(const LightingState& state) { return std::clamp(state.brightness, 0, kMaxBrightness); }

int SpeedPosition(const LightingState& state) { return std::clamp(kMaxSpeed - state.speed, 0, kMaxSpeed); }
