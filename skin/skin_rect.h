// Skin rectangles: the "x,y,w,h" values of a skin file's BUTTONINFO section,
// in client coordinates of the window, pixels.
#pragma once

#include <string_view>

struct SkinRect {
  int x = 1;
  int y = 1;
  int w = 1;
  int h = 1;

  int right() const { return x + w; }
  int bottom() const { return y + h; }
  friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// The value a missing key reads as.
inline constexpr std::u16string_view kMissingSkinValue = u"1,1,1,1,x";

// Reads four decimal integers separated by commas; anything after the fourth
// is ignored. Reading stops at the first number that is not there (or not
// followed by its comma); the numbers not read keep the missing-key value 1,
// so "5,6,7" is (5, 6, 7, 1) and garbage is (1, 1, 1, 1). Numbers are clamped
// to +-32767 so that no value can overflow the window functions' arithmetic.
SkinRect ParseSkinRect(std::u16string_view value);

// A picture button placed at (1, 1) (the missing-key value) is disabled.
inline bool DisablesButton(const SkinRect& r) { return r.x == 1 && r.y == 1; }

// Whether two rectangles share at least one pixel.
bool Overlaps(const SkinRect& a, const SkinRect& b);
