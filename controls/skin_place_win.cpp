#include "controls/skin_place_win.h"

#include "skin/skin_file_win.h"

SkinRect PlaceWithFaces(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                        const FaceSet& faces) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  if (button.hwnd()) MoveWindow(button.hwnd(), r.x, r.y, r.w, r.h, FALSE);
  button.PlaceWithFaces(r.x, r.y, faces);
  if (DisablesButton(r)) button.Enable(false);
  return r;
}

SkinRect Place(HWND control, const std::u16string& skinFile, const std::u16string& key) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  if (control) MoveWindow(control, r.x, r.y, r.w, r.h, FALSE);
  return r;
}

SkinRect PlaceKeepSize(HWND control, const std::u16string& skinFile, const std::u16string& key) {
  const SkinRect r = ReadSkinRect(skinFile, key);
  if (control) SetWindowPos(control, nullptr, r.x, r.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return r;
}

SkinRect PlaceWithOrigin(CPngButton& button, const std::u16string& skinFile, const std::u16string& key,
                         const char16_t* originSection, const std::u16string& originKey, HBITMAP picture) {
  const SkinRect r = Place(button.hwnd(), skinFile, key);
  const SkinRect origin = ReadSkinRect(skinFile, originKey, originSection);
  button.PlaceWithFaces(origin.x, origin.y, FaceSet{picture, picture, picture, picture, picture});
  return r;
}

void PlaceSkinControls(SkinWindow window, const std::u16string& skinFile, const SkinTargets& targets,
                       const SkinPicturesFor& picturesFor, HBITMAP arrowPicture, bool arrowsDown, int arrowState) {
  for (const SkinKey& key : SkinKeysOf(window)) {
    if (!key.alternateOf.empty()) continue;
    switch (key.placement) {
      case Placement::kWithFaces:
      case Placement::kWithOrigin: {
        const auto found = targets.buttons.find(key.key);
        if (found == targets.buttons.end() || !found->second) break;
        if (key.placement == Placement::kWithFaces)
          PlaceWithFaces(*found->second, skinFile, key.key, FacesFromSlots(key.slots, picturesFor(key)));
        else
          PlaceWithOrigin(*found->second, skinFile, key.key, u"BUTTONINFO2",
                          ArrowOriginKey(key.key == u"RIGHT_ARROW", arrowsDown, arrowState), arrowPicture);
        break;
      }
      case Placement::kPlace:
      case Placement::kKeepSize: {
        const auto found = targets.others.find(key.key);
        if (found == targets.others.end()) break;
        if (key.placement == Placement::kPlace)
          Place(found->second, skinFile, key.key);
        else
          PlaceKeepSize(found->second, skinFile, key.key);
        break;
      }
    }
  }
}
