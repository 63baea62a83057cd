// What each skinned window reads from its skin file: every key of section
// BUTTONINFO with the way it is applied and the pictures of its face slots.
// The windows place their controls from these rows, and the layout check of
// our own skin walks the same rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_codes.h"

enum class Placement : std::uint8_t {
  kWithFaces,   // rectangle, face origin (x, y) and five face slots; (1, 1) disables
  kPlace,       // rectangle only
  kKeepSize,    // position only, the control keeps its size
  kWithOrigin,  // rectangle; the face origin comes from a BUTTONINFO2 key
};

enum class SkinWindow : std::uint8_t { kMain, kProfile, kComposite, kUpdate };

struct SkinKey {
  std::u16string key;
  Placement placement;
  // Face slots normal, hover, pressed, disabled, checked, each a letter of the
  // window's state pictures: N normal, O over, D down, X disable (for the
  // profile manager the second copy of the down picture). Empty for kPlace
  // and kKeepSize.
  std::string slots;
  // Controls of different pages of a window are never shown together, so
  // their rectangles may share space (0: shown on every page).
  int page = 0;
  // An alternate position of another key, used instead of it (empty if none).
  std::u16string alternateOf;
};

// The skin file of each window, relative to the program folder.
const char16_t* SkinFileName(SkinWindow window);

// Every BUTTONINFO key the window reads, in its reading order.
const std::vector<SkinKey>& SkinKeysOf(SkinWindow window);
// The key of `window` named `name`; nullptr when the window reads no such key.
const SkinKey* FindSkinKey(SkinWindow window, std::u16string_view name);

// "KEY_%03X" of a key's slot: the skin key of a key button of the grid.
std::u16string KeyButtonSkinKey(KeyCode code);
// "FUNC_G%d" of extra key j (0 to 8).
std::u16string ExtraKeySkinKey(int j);
// "FUNC_D%d" of D key d (0 to 5): the keys used instead of F1 to F4 while
// the keys are flipped.
std::u16string DKeySkinKey(int d);
// The BUTTONINFO2 key of an arrow's face origin: UP_ or DOWN_ (by the flip
// setting), ARROW_LEFT or ARROW_RIGHT, then the indicator state 1 or 2.
std::u16string ArrowOriginKey(bool right, bool down, int state);

// The captions and effect names of the lighting panel (sections Control_Name
// and Control_Name1) in their reading order.
const std::vector<std::u16string>& LightingCaptionKeys();

// The caption a text of the lighting panel shows: the key of its text in the
// Control_Name sections for its BUTTONINFO key; nullptr for a key that is no
// caption. The panel and the skin preview both show these.
const char16_t* LightingCaptionTextKey(std::u16string_view skinKey);
