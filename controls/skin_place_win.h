// Applying a skin file's BUTTONINFO keys to a window's controls. Each way
// reads the key's rectangle ("1,1,1,1,x" when the key or the file is missing)
// and returns it; nothing is ever reported.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "controls/png_button_win.h"
#include "app/ini_section.h"
#include "skin/skin_rect.h"

// Moves and sizes the button without repainting, sets its face origin to
// (x, y) and its five faces; a button placed at (1, 1) is disabled.
SkinRect PlaceWithFaces(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                        const FaceSet& faces);
// Moves and sizes the control without repainting.
SkinRect Place(HWND control, const std::u16string& skinFile, const std::u16string& key);
// Moves the control to (x, y), keeping its size, and repaints.
SkinRect PlaceKeepSize(HWND control, const std::u16string& skinFile, const std::u16string& key);
// Moves and sizes the button from `key`; its face origin is the x and y of
// `originKey` in `originSection`, and all five faces are `picture`.
SkinRect PlaceWithOrigin(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                         const char16_t* originSection, const std::u16string& originKey, HBITMAP picture);

#include <functional>
#include <map>

#include "skin/skin_keys.h"

// The controls of a window by skin key: picture buttons (placed with their
// faces, or with an arrow origin) and other controls (placed by rectangle).
struct SkinTargets {
  std::map<std::u16string, CPngButton*> buttons;
  std::map<std::u16string, HWND> others;
};

// The state pictures a button's face slots take their letters from.
using SkinPicturesFor = std::function<StatePictures(const SkinKey& key)>;

// What placing a window's controls reads from its skin file (its two
// sections, each read once) and the pictures its buttons take. Arrows take
// `arrowPicture` with their origin from BUTTONINFO2 (UP or DOWN by
// `arrowsDown`, state 1 or 2 by `arrowState`).
struct SkinPlacement {
  IniSection buttonInfo;   // BUTTONINFO
  IniSection buttonInfo2;  // BUTTONINFO2
  SkinPicturesFor picturesFor;
  HBITMAP arrowPicture = nullptr;
  bool arrowsDown = false;
  int arrowState = 1;
};
SkinPlacement ReadSkinPlacement(const std::u16string& skinFile, SkinPicturesFor picturesFor,
                                HBITMAP arrowPicture = nullptr, bool arrowsDown = false, int arrowState = 1);

// Places the control given for `key` the way its window reads the key
// (nothing when there is none). A control already at its rectangle is not
// moved again.
void PlaceSkinKey(const SkinKey& key, const SkinPlacement& placement, const SkinTargets& targets);

// Applies every BUTTONINFO key that `window` reads to the control given for
// it (alternate keys are left to their owner). Keys without a control are
// skipped; controls without a key in the file end at (1, 1) and, for picture
// buttons, disabled.
void PlaceSkinControls(SkinWindow window, const SkinPlacement& placement, const SkinTargets& targets);
void PlaceSkinControls(SkinWindow window, const std::u16string& skinFile, const SkinTargets& targets,
                       const SkinPicturesFor& picturesFor, HBITMAP arrowPicture = nullptr, bool arrowsDown = false,
                       int arrowState = 1);

class CColourStatic;
// A dialog's title on its frame, in the strip above the frame's line (the
// skins leave it empty: the title is in the user's language).
void PlaceFrameTitle(CColourStatic& title, HBITMAP background, int windowWidth, std::u16string_view text);
