// Which of the lighting panel's controls each effect uses, and how the key
// buttons look under it.
#pragma once

#include "lighting/key_colours.h"
#include "lighting/lighting_settings.h"

// The panel's groups of controls (each a caption with its slider, pictures or
// colour button).
enum class LightingControls {
  kSpeed,
  kBrightness,
  kDirection,
  kMode4Group,   // colour, flag and option of effect 4
  kPerKeyTools,  // selection and background colours, the two tools
  kMode9Colour,
  kMode11Group,
  kMode12Group,  // laid out in the skin but shown under no effect
  kMode14Group,
};

// Whether `controls` are shown while `effect` is the effect (and the panel is
// switched on). An effect outside 1-14 shows none.
bool ShowsControls(int effect, LightingControls controls);

// Whether `controls` take their second place from the skin under `effect`:
// the speed controls under effect 4, the direction controls under effect 1.
bool UsesSecondPlace(int effect, LightingControls controls);

// How the key buttons look after a change of colour or effect.
struct KeyTint {
  enum class Kind {
    kNormal,      // the buttons' own images
    kAllOneColour,  // every key button in `colour`, the effect's group colour
    kOwnColours,  // each button in its colour from the KeyColourTable
  };
  Kind kind = Kind::kNormal;
  Rgb colour;
};

// Effects 4, 9, 11, 12 and 14 tint every key with their group's colour, the
// per-key effect shows each key's own colour, any other effect none.
KeyTint KeyTintOf(const LightingState& state);
