#include "lighting/lighting_changes.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr int kDefaultEffect = 1;
constexpr int kDefaultBrightness = 15;
constexpr int kDefaultSpeed = 10;
constexpr std::uint16_t kDefaultBlockSize = 35;  // offsets 0-34: through the last colour group

LightingWrite Setting(std::uint16_t offset, std::uint8_t value) { return {LightingArea::kSettings, offset, {value}}; }

LightingWrite ColourSetting(std::uint16_t offset, Rgb colour) {
  return {LightingArea::kSettings, offset, {colour.r, colour.g, colour.b}};
}

std::uint16_t FlagOffset(const ColourGroupLayout& layout) {
  return static_cast<std::uint16_t>(layout.offset + kColourGroupFlag);
}

std::uint8_t FlagByte(const ColourGroupLayout& layout, bool on) { return on ? layout.flagOn : 0; }

}  // namespace

LightingWrites SelectEffect(LightingState& state, int effect) {
  state.effectMode = effect;
  if (!IsEffect(effect)) return {};
  LightingWrites writes{Setting(kEffectModeOffset, static_cast<std::uint8_t>(effect))};
  // An effect with a flag starts with the flag its own toggle shows.
  const int group = ColourGroupIndex(effect);
  if (group >= 0 && kColourGroups[group].flagOn != 0) {
    const ColourGroupLayout& layout = kColourGroups[group];
    writes.push_back(Setting(FlagOffset(layout), FlagByte(layout, state.groups[group].flag)));
  }
  return writes;
}

LightingWrites SetBrightness(LightingState& state, int position) {
  state.brightness = std::clamp(position, 0, kMaxBrightness);
  return {Setting(kBrightnessOffset, static_cast<std::uint8_t>(state.brightness))};
}

LightingWrites SetSpeed(LightingState& state, int position) {
  state.speed = kMaxSpeed - std::clamp(position, 0, kMaxSpeed);
  return {Setting(kSpeedOffset, static_cast<std::uint8_t>(state.speed))};
}

LightingWrites SetDirection(LightingState& state, int direction) {
  if (direction != 0 && direction != 1) return {};
  state.direction = direction;
  return {Setting(kDirectionOffset, static_cast<std::uint8_t>(direction))};
}

LightingWrites SetGroupColour(LightingState& state, int effect, Rgb colour) {
  const int group = ColourGroupIndex(effect);
  if (group < 0) return {};
  const ColourGroupLayout& layout = kColourGroups[group];
  state.groups[group] = {colour, false};
  LightingWrites writes;
  if (layout.flagOn != 0) writes.push_back(Setting(FlagOffset(layout), 0));
  writes.push_back(ColourSetting(layout.offset, colour));
  return writes;
}

LightingWrites ToggleGroupFlag(LightingState& state, int effect) {
  const int group = ColourGroupIndex(effect);
  if (group < 0 || kColourGroups[group].flagOn == 0) return {};
  bool& flag = state.groups[group].flag;
  flag = !flag;
  return {Setting(FlagOffset(kColourGroups[group]), FlagByte(kColourGroups[group], flag))};
}

LightingWrites SetMode4Option(LightingState& state, int option) {
  if (option != 0 && option != 1) return {};
  state.mode4Option = option;
  return {Setting(kMode4OptionOffset, static_cast<std::uint8_t>(option))};
}

LightingWrites SetSelectionColour(LightingState& state, Rgb colour) {
  if (colour == state.selectionColour) return {};
  state.selectionColour = colour;
  for (int button = 0; button < kPaintableButtonCount; ++button)
    if (state.selected[button]) state.keyColours[KeyColourPosition(button)] = colour;
  LightingWrites writes{ColourSetting(kKeyColourOffset, colour)};
  const LightingWrites table = WholeKeyColourTable(state.keyColours);
  writes.insert(writes.end(), table.begin(), table.end());
  return writes;
}

LightingWrites PaintKey(LightingState& state, int button) {
  const int position = KeyColourPosition(button);
  if (state.effectMode != kPerKeyEffect || position < 0) return {};
  const bool selectionTool = state.tool == PaintTool::kSelection;
  const Rgb colour = selectionTool ? state.selectionColour : state.backgroundColour;
  state.selected[button] = selectionTool || state.backgroundColour == state.selectionColour;
  state.keyColours[position] = colour;
  return {{LightingArea::kKeyColours, static_cast<std::uint16_t>(position), {colour.r, colour.g, colour.b}}};
}

LightingWrites DefaultLighting(LightingState& state) {
  std::vector<std::uint8_t> block(kDefaultBlockSize, 0);
  block[kEffectModeOffset] = kDefaultEffect;
  block[kBrightnessOffset] = kDefaultBrightness;
  block[kSpeedOffset] = kDefaultSpeed;
  // Every colour group from offset 5, the key colour among them: white, flag 0.
  for (std::size_t offset = kColourGroups[0].offset; offset < block.size(); offset += sizeof(ColourGroup))
    std::fill_n(block.begin() + static_cast<std::ptrdiff_t>(offset), 3, 0xFF);
  LightingWrites writes{{LightingArea::kSettings, 0, block}};

  LightingSettings settings{};
  std::copy(block.begin(), block.end(), settings.begin());
  state.groups[ColourGroupIndex(kMode4Effect)].flag = false;  // taken from the block only under effect 4
  TakeLightingSettings(state, settings);

  if (OffersEffect(state, kPerKeyEffect)) {
    state.keyColours.fill(kWhite);
    state.selectionColour = kWhite;
    state.backgroundColour = kBlack;
    state.tool = PaintTool::kBackground;
    const LightingWrites table = WholeKeyColourTable(state.keyColours);
    writes.insert(writes.end(), table.begin(), table.end());
  }
  return writes;
}

LightingWrites WholeKeyColourTable(const KeyColourTable& table) {
  LightingWrites writes;
  for (int chunk = 0; chunk < kKeyColourChunks; ++chunk) {
    const KeyColourChunk bytes = ChunkOfKeyColours(table, chunk);
    writes.push_back({LightingArea::kKeyColours, static_cast<std::uint16_t>(chunk * kKeyColourChunkPositions),
                      {bytes.begin(), bytes.end()}});
  }
  return writes;
}
