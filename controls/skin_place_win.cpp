#include "controls/skin_place_win.h"

#include "app/ini_section_win.h"
#include "controls/kit_controls_win.h"
#include "skin/skin_file_win.h"

namespace {

// Moving a control costs a round of window messages; one already in place stays.
void MoveUnlessThere(HWND control, const SkinRect& r) {
  if (!control) return;
  RECT now{};
  GetWindowRect(control, &now);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&now), 2);
  if (now.left != r.x || now.top != r.y || now.right - now.left != r.w || now.bottom - now.top != r.h)
    MoveWindow(control, r.x, r.y, r.w, r.h, FALSE);
}

void ApplyFaces(CPngButton& button, const SkinRect& r, const FaceSet& faces) {
  MoveUnlessThere(button.hwnd(), r);
  button.PlaceWithFaces(r.x, r.y, faces);
  if (DisablesButton(r)) button.Enable(false);
}

void ApplyOrigin(CPngButton& button, const SkinRect& r, const SkinRect& origin, HBITMAP picture) {
  MoveUnlessThere(button.hwnd(), r);
  button.PlaceWithFaces(origin.x, origin.y, FaceSet{picture, picture, picture, picture, picture});
}

void ApplyKeepSize(HWND control, const SkinRect& r) {
  if (control) SetWindowPos(control, nullptr, r.x, r.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SkinRect PlaceWithFaces(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                        const FaceSet& faces) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  ApplyFaces(button, r, faces);
  return r;
}

SkinRect Place(HWND control, const std::u16string& skinFile, const std::u16string& key) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  MoveUnlessThere(control, r);
  return r;
}

SkinRect PlaceKeepSize(HWND control, const std::u16string& skinFile, const std::u16string& key) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  ApplyKeepSize(control, r);
  return r;
}

SkinRect PlaceWithOrigin(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                         const char16_t* originSection, const std::u16string& originKey, HBITMAP picture) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  ApplyOrigin(button, r, ReadSkinRect(skinFile, originKey, originSection), picture);
  return r;
}

SkinPlacement ReadSkinPlacement(const std::u16string& skinFile, SkinPicturesFor picturesFor, HBITMAP arrowPicture,
                                bool arrowsDown, int arrowState) {
  return SkinPlacement{ReadIniSection(skinFile, u"BUTTONINFO"), ReadIniSection(skinFile, u"BUTTONINFO2"),
                       std::move(picturesFor), arrowPicture, arrowsDown, arrowState};
}

void PlaceSkinKey(const SkinKey& key, const SkinPlacement& placement, const SkinTargets& targets) {
  const SkinRect r = SkinRectIn(placement.buttonInfo, key.key);
  switch (key.placement) {
    case Placement::kWithFaces:
    case Placement::kWithOrigin: {
      const auto found = targets.buttons.find(key.key);
      if (found == targets.buttons.end() || !found->second) return;
      if (key.placement == Placement::kWithFaces) {
        ApplyFaces(*found->second, r, FacesFromSlots(key.slots, placement.picturesFor(key)));
      } else {
        const std::u16string originKey =
            ArrowOriginKey(key.key == u"RIGHT_ARROW", placement.arrowsDown, placement.arrowState);
        ApplyOrigin(*found->second, r, SkinRectIn(placement.buttonInfo2, originKey), placement.arrowPicture);
      }
      return;
    }
    case Placement::kPlace:
    case Placement::kKeepSize: {
      const auto found = targets.others.find(key.key);
      if (found == targets.others.end()) return;
      if (key.placement == Placement::kPlace)
        MoveUnlessThere(found->second, r);
      else
        ApplyKeepSize(found->second, r);
      return;
    }
  }
}

void PlaceSkinControls(SkinWindow window, const SkinPlacement& placement, const SkinTargets& targets) {
  for (const SkinKey& key : SkinKeysOf(window))
    if (key.alternateOf.empty()) PlaceSkinKey(key, placement, targets);
}

void PlaceSkinControls(SkinWindow window, const std::u16string& skinFile, const SkinTargets& targets,
                       const SkinPicturesFor& picturesFor, HBITMAP arrowPicture, bool arrowsDown, int arrowState) {
  PlaceSkinControls(window, ReadSkinPlacement(skinFile, picturesFor, arrowPicture, arrowsDown, arrowState), targets);
}

void PlaceFrameTitle(CColourStatic& title, HBITMAP background, int windowWidth, std::u16string_view text) {
  constexpr int kLeft = 16, kTop = 10, kHeight = 28;
  title.SetBackground(background);
  title.SetStyle(RGB(0x7F, 0x88, 0x94), 10, u"Tahoma", DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  SetWindowPos(title.hwnd(), nullptr, kLeft, kTop, windowWidth - 2 * kLeft, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  title.SetText(text);
}
