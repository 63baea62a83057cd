// The image button's choice of face and the placement of its turned caption:
// the parts of its drawing that need no window.
#pragma once

#include <cstdint>
#include <functional>

enum class ButtonFace : std::uint8_t { kNormal, kHover, kPressed, kDisabled, kChecked, kColourOff, kColourOn };

struct ButtonState {
  bool disabled = false;
  bool colourDisplay = false;
  std::uint32_t colourWord = 0;  // non-zero selects the colour-on picture
  bool pressed = false;
  bool hover = false;
  bool checked = false;
  bool tint = false;  // the tinted normal face replaces every state face
};

// First match wins: tint (normal face), disabled, colour display, pressed,
// hover, checked, normal.
ButtonFace ChooseButtonFace(const ButtonState& state);

struct TextBox {
  int left, top, right, bottom;
  friend bool operator==(const TextBox&, const TextBox&) = default;
};

// The rectangle of a turned caption of size cx by cy at `escapement` tenths
// of a degree: centred horizontally when its run fits the width and shifted at
// the bottom when its rise fits the height, each product rounded to an integer.
TextBox TurnedTextBox(TextBox box, int cx, int cy, int escapement);

// The point size a one-line caption is drawn at: `points` when the text fits
// `room` pixels there, else the largest smaller size at which it fits, but
// never below `minimum`, where it is still readable (a caption set smaller than
// that keeps its size). `widthAt` measures the text at a size.
int FittingPointSize(int points, int minimum, int room, const std::function<int(int points)>& widthAt);

// A colour as three bytes, red, green and blue.
struct LegendRgb {
  std::uint8_t r, g, b;
  friend bool operator==(const LegendRgb&, const LegendRgb&) = default;
};

// The colour a tinted key's legend is drawn in: black or white, whichever
// contrasts more with the tint (by relative luminance), so that no tint, the
// darkest among them, hides the legend.
LegendRgb LegendColourOnTint(LegendRgb tint);
