#include "panels/panel_win.h"

#include "skin/skin_file_win.h"

HWND MakePanelButton(HWND host, const SkinPlacement& placement, const PanelButton& button) {
  const SkinRect r = SkinRectIn(placement.buttonInfo, button.skinKey);
  DWORD style = WS_CHILD | BS_PUSHBUTTON;
  if (button.start != PanelButton::Start::kHidden) style |= WS_VISIBLE;
  if (button.start == PanelButton::Start::kDisabled) style |= WS_DISABLED;
  return CreateWindowExW(0, L"BUTTON", L"", style, r.x, r.y, r.w, r.h, host,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), GetModuleHandleW(nullptr),
                         nullptr);
}
