// The keyboard's lighting settings and what the lighting panel keeps of them.
//
// The keyboard keeps its lighting itself: the program reads the settings area
// (56 bytes from offset 0) when a keyboard arrives or reports a change, and
// writes each change back field by field. Nothing of it is kept in profiles.
//
//   0       effect (EffectMode), 1 to 14
//   1       brightness, 0 to 25
//   2       speed, 0 to 24
//   4       direction, 0 or 1
//   5-9     colour group of effect 9
//   10-14   key colour: the colour last applied to the selected keys
//   15-19   colour group of effect 4; its flag is 0x00 or 0xFF, its spare
//           byte (19) the effect's option, 0 or 1
//   20-24   colour group of effect 11
//   25-29   colour group of effect 12
//   30-34   colour group of effect 14
//   3, 35-55 the firmware's, never touched
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/command_frame.h"
#include "lighting/key_colours.h"

inline constexpr std::size_t kLightingSettingsSize = 56;
using LightingSettings = std::array<std::uint8_t, kLightingSettingsSize>;

enum LightingSettingsOffset : std::uint16_t {
  kEffectModeOffset = 0,
  kBrightnessOffset = 1,
  kSpeedOffset = 2,
  kDirectionOffset = 4,
  kKeyColourOffset = 10,  // R, G, B of the selection colour
  kMode4FlagOffset = 18,
  kMode4OptionOffset = 19,
};

// Five bytes of the settings: a colour, an on/off flag, a spare byte.
struct ColourGroup {
  std::uint8_t r;
  std::uint8_t g;
  std::uint8_t b;
  std::uint8_t flag;
  std::uint8_t spare;
};
static_assert(sizeof(ColourGroup) == 5);
inline constexpr std::size_t kColourGroupFlag = offsetof(ColourGroup, flag);

inline constexpr int kFirstEffect = 1;
inline constexpr int kLastEffect = 14;
inline constexpr bool IsEffect(int effect) { return effect >= kFirstEffect && effect <= kLastEffect; }
inline constexpr int kMode4Effect = 4;   // its group's flag is 0x00 or 0xFF; it has an option
inline constexpr int kPerKeyEffect = 5;  // each key shows its own colour from the KeyColourTable
inline constexpr int kMaxBrightness = 25;
inline constexpr int kMaxSpeed = 24;
inline constexpr int kOfferedEffectSlots = 16;  // status bytes 12-27

// The effects with a colour group of their own, where it lies and what its
// flag holds when on (effect 9's group has no flag).
struct ColourGroupLayout {
  int effect;
  std::uint16_t offset;
  std::uint8_t flagOn;  // 0: the group has no flag
};
inline constexpr std::array<ColourGroupLayout, 5> kColourGroups = {{
    {9, 5, 0x00},
    {4, 15, 0xFF},
    {11, 20, 0x01},
    {12, 25, 0x01},
    {14, 30, 0x01},
}};
inline constexpr int kColourGroupCount = static_cast<int>(kColourGroups.size());

// The index in kColourGroups of an effect's group; -1 when it has none.
int ColourGroupIndex(int effect);

// The per-key tools: tool 0 paints keys with the background colour, tool 1
// with the selection colour (the colour the keyboard keeps as its key colour).
enum class PaintTool { kBackground = 0, kSelection = 1 };

// The tool each of the two tool pictures chooses, in the skin's order: the
// first sits beside the "Key colour" caption and paints the key colour, the
// second beside "Background" and paints the background colour.
inline constexpr std::array<PaintTool, 2> kToolOfPicture = {PaintTool::kSelection, PaintTool::kBackground};

struct EffectGroup {
  Rgb colour;
  bool flag = false;  // shown as a down picture when on
};

// What the lighting panel shows and edits. Filled by the first read after a
// keyboard arrives, then following every change; never saved.
struct LightingState {
  int effectMode = 0;  // 0 before the first read; an offered effect may lie outside 1-14
  int brightness = 0;
  int speed = 0;       // the keyboard's value; the slider shows 24 - speed
  int direction = 0;   // 0 left, 1 right
  std::array<EffectGroup, kColourGroupCount> groups{};  // in the order of kColourGroups
  int mode4Option = 0;
  Rgb selectionColour = kWhite;
  Rgb backgroundColour = kBlack;
  PaintTool tool = PaintTool::kBackground;
  std::vector<int> offeredEffects;  // the effect list's entries, in order
  KeyColourTable keyColours{};
  // Buttons marked selected by a per-key tool (key buttons, then Fn); they
  // follow a change of the selection colour.
  std::array<bool, kPaintableButtonCount> selected{};
};

// The group of an effect in `state`; nullptr for an effect without one.
EffectGroup* GroupOfEffect(LightingState& state, int effect);
const EffectGroup* GroupOfEffect(const LightingState& state, int effect);

bool OffersEffect(const LightingState& state, int effect);

// The non-zero effect numbers of status bytes 12-27, in order.
std::vector<int> OfferedEffects(const StatusBlock& status);

// Takes what the panel shows from a settings block read from the keyboard:
// effect, brightness, speed, direction, the five group colours, the key
// colour (the selection colour) and the flags of effects 11, 12 and 14
// (non-zero is on). The flag of effect 4 is taken only while effect 4 is the
// effect and its byte is 0x00 or 0xFF, the option only when its byte is 0 or
// 1; otherwise they stay as they were.
void TakeLightingSettings(LightingState& state, const LightingSettings& settings);

// What the panel shows once a read of the keyboard's lighting has ended. The
// read began from `shownAtStart`, what the panel showed when it was queued,
// and made `read` of it; `shownNow` is what the panel shows now. The user may
// have picked a colour, an effect or a tool while the read was under way, and
// that pick is already on its way to the keyboard: each field the user
// changed since the read began keeps the user's pick, every other field
// takes the read's. The offered effects are always the read's.
LightingState TakeReadLighting(const LightingState& shownAtStart, const LightingState& read,
                               const LightingState& shownNow);

// Slider positions: brightness shows its value, speed 24 minus its value;
// both kept within the slider's range.
int BrightnessPosition(const LightingState& state);
int SpeedPosition(const LightingState& state);
