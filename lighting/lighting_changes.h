// What each control of the lighting panel changes: every function here
// updates the LightingState and returns the writes that carry the change to
// the keyboard, as plain data (WriteLighting sends them in one configuration
// bracket). No writes means nothing to send, not even the bracket.
#pragma once

#include <cstdint>
#include <vector>

#include "lighting/key_colours.h"
#include "lighting/lighting_settings.h"

enum class LightingArea {
  kSettings,    // command 6: offset is a settings offset
  kKeyColours,  // command 17: offset is the first key position
};

struct LightingWrite {
  LightingArea area;
  std::uint16_t offset;
  std::vector<std::uint8_t> bytes;

  friend bool operator==(const LightingWrite&, const LightingWrite&) = default;
};
using LightingWrites = std::vector<LightingWrite>;

// The effect list: effect m at offset 0; for effect 4 also its flag (0xFF on,
// 0 off), for effects 11, 12 and 14 their own group's flag (1 or 0). An effect
// outside 1-14 (a keyboard may offer one) becomes the effect, with no controls
// and nothing written.
LightingWrites SelectEffect(LightingState& state, int effect);

// The brightness slider at position p (0-25): offset 1 = p.
LightingWrites SetBrightness(LightingState& state, int position);

// The speed slider at position p (0-24): offset 2 = 24 - p; the slider runs
// from slow to fast, the keyboard's value the other way.
LightingWrites SetSpeed(LightingState& state, int position);

// The direction pictures: 0 left, 1 right. Any other value changes nothing.
LightingWrites SetDirection(LightingState& state, int direction);

// A colour for the group of effect 4, 9, 11, 12 or 14: the group's flag goes
// off (written first, where the group has one), then R, G, B. Nothing for an
// effect without a group.
LightingWrites SetGroupColour(LightingState& state, int effect, Rgb colour);

// Turns the flag of effect 4, 11, 12 or 14 over: 0xFF (effect 4) or 1 when now
// on, 0 when now off. Nothing for an effect whose group has no flag.
LightingWrites ToggleGroupFlag(LightingState& state, int effect);

// The option of effect 4, 0 or 1, at offset 19. Any other value changes nothing.
LightingWrites SetMode4Option(LightingState& state, int option);

// A new selection colour: every selected button takes it in the key colour
// table (the caller tints those buttons again), then offsets 10-12 and the
// whole table are written. Nothing when the colour is the current one.
LightingWrites SetSelectionColour(LightingState& state, Rgb colour);

// A click on a key button or Fn with a per-key tool, only while the per-key
// effect (5) is the effect: the selection tool paints the selection colour and
// marks the button selected; the background tool paints the background colour
// and marks it selected only when that equals the selection colour. The key's
// position gets the colour in the table and on the keyboard. Nothing, and no
// change, under any other effect or for an index out of range.
LightingWrites PaintKey(LightingState& state, int button);

// The default lighting: 35 bytes at offset 0 (effect 1, brightness 15, speed
// 10, direction 0, every group white with its flag off). When the keyboard
// offers the per-key effect, also every key white, selection colour white,
// background black, the background tool, and the whole table written.
LightingWrites DefaultLighting(LightingState& state);

// The whole key colour table as nine writes of 18 positions.
LightingWrites WholeKeyColourTable(const KeyColourTable& table);
