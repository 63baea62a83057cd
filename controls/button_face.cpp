#include "controls/button_face.h"

#include <cmath>

ButtonFace ChooseButtonFace(const ButtonState& s) {
  if (s.tint) return ButtonFace::kNormal;
  if (s.disabled) return ButtonFace::kDisabled;
  if (s.colourDisplay) return s.colourWord != 0 ? ButtonFace::kColourOn : ButtonFace::kColourOff;
  if (s.pressed) return ButtonFace::kPressed;
  if (s.hover) return ButtonFace::kHover;
  return s.checked ? ButtonFace::kChecked : ButtonFace::kNormal;
}

TextBox TurnedTextBox(TextBox box, int cx, int cy, int escapement) {
  const double theta = escapement / 10.0 * 3.14159265358979323846 / 180.0;
  const auto round = [](double v) { return static_cast<int>(std::lround(v)); };
  const int runX = round(cx * std::cos(theta));   // cx cos
  const int riseX = round(cx * std::sin(theta));  // cx sin
  const int halfRiseY = round(cy * std::sin(theta) / 2);
  const int halfRunY = round(cy * std::cos(theta) / 2);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  if (runX < width) box.left = box.left + (width - runX) / 2 - halfRiseY;
  if (riseX < height) box.bottom += halfRunY - (height - riseX) / 2;
  return box;
}

int FittingPointSize(int points, int minimum, int room, const std::function<int(int points)>& widthAt) {
  int size = points;
  while (size > minimum && widthAt(size) > room) --size;
  return size;
}

namespace {

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
double Luminance(LegendRgb c) {
  const auto linear = [](std::uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

}  // namespace

LegendRgb LegendColourOnTint(LegendRgb tint) {
  const double l = Luminance(tint);
  const double againstBlack = (l + 0.05) / 0.05, againstWhite = 1.05 / (l + 0.05);
  return againstBlack >= againstWhite ? LegendRgb{0, 0, 0} : LegendRgb{0xFF, 0xFF, 0xFF};
}
