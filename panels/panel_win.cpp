#include "panels/panel_win.h"

#include "skin/skin_file_win.h"
#include "skin/skin_picture_win.h"

HWND MakePanelButton(HWND host, const SkinPlacement& placement, const PanelButton& button) {
  const SkinRect r = SkinRectIn(placement.buttonInfo, button.skinKey);
  DWORD style = WS_CHILD | BS_PUSHBUTTON;
  if (button.start != PanelButton::Start::kHidden) style |= WS_VISIBLE;
  if (button.start == PanelButton::Start::kDisabled) style |= WS_DISABLED;
  return CreateWindowExW(0, L"BUTTON", L"", style, r.x, r.y, r.w, r.h, host,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), GetModuleHandleW(nullptr),
                         nullptr);
}

StatePictures MainStatePictures(int set) {
  const WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kMain);
  const std::size_t first = set == 0 ? 0 : 4;
  return {pictures[first], pictures[first + 1], pictures[first + 2], pictures[first + 3]};
}

HBITMAP MainArrowPicture() { return SharedPicturesOf(SkinWindow::kMain)[8]; }
HBITMAP MainColourPicture(bool on) { return SharedPicturesOf(SkinWindow::kMain)[on ? 10 : 9]; }

FaceSet MainFaces(const char* slots, int set) { return FacesFromSlots(slots, MainStatePictures(set)); }
