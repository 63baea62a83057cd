#include "controls/base_dialog_win.h"

#include "controls/field_colours_win.h"
#include "skin/skin_file_win.h"

CBaseDialog::CBaseDialog(int templateId, std::u16string skinFile, std::u16string skinFolder, Decode decode)
    : Dialog(templateId),
      skinFile_(std::move(skinFile)),
      skinFolder_(std::move(skinFolder)),
      decodeLater_(decode == Decode::kLater) {}

BOOL CBaseDialog::OnInitDialog() {
  const std::u16string main = ReadSkinString(skinFile_, u"SCREEN", u"Main", u"");
  const std::u16string mask = ReadSkinString(skinFile_, u"SCREEN", u"Mask", main.c_str());
  backgroundFile_ = skinFolder_ + main;
  maskFile_ = skinFolder_ + mask;
  decoded_ = false;
  // A skin file that names no picture is missing or damaged itself.
  if (main.empty() || mask.empty()) EndProcessForDamagedSkin(skinFile_);
  PictureSize maskSize;
  if (!ReadPictureFileSize(backgroundFile_, size_)) EndProcessForDamagedSkin(backgroundFile_);
  if (!ReadPictureFileSize(maskFile_, maskSize)) EndProcessForDamagedSkin(maskFile_);

  // The pictures are the whole window: no caption or border of its own.
  HWND window = hwnd();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  SetWindowLongPtrW(window, GWL_STYLE, style & ~LONG_PTR(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  SetWindowLongPtrW(window, GWL_EXSTYLE,
                    exStyle & ~LONG_PTR(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  SetWindowPos(window, nullptr, 0, 0, size_.width, size_.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_HIDEWINDOW);
  if (!decodeLater_) DecodeSkin();
  return TRUE;
}

bool CBaseDialog::DecodeSkin() {
  if (decoded_ || !hwnd()) return false;
  decoded_ = true;
  if (!DecodePictureFile(backgroundFile_, background_)) EndProcessForDamagedSkin(backgroundFile_);
  if (!DecodePictureFile(maskFile_, mask_)) EndProcessForDamagedSkin(maskFile_);
  SetWindowRgn(hwnd(), RegionFromMask(mask_), IsWindowVisible(hwnd()));  // the window owns the region from here on
  InvalidateRect(hwnd(), nullptr, FALSE);
  return true;
}

bool CBaseDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // The system's input fields in the skin's colours.
  if (AnswerFieldColours(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_WINDOWPOSCHANGED:
      // Shown: every field is made by now, the lighting panel's too.
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) SkinFields(hwnd());
      return false;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd(), &paint);
      DrawPicture(dc, {0, 0, background_.width(), background_.height()}, background_.bitmap());
      EndPaint(hwnd(), &paint);
      result = 0;
      return true;
    }
    case WM_ERASEBKGND:
      result = TRUE;  // the background picture covers everything
      return true;
    case WM_LBUTTONDOWN:
      // Dragging the dialog's own surface moves the window, as its caption would.
      ReleaseCapture();
      SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, lParam);
      if (hwnd()) UpdateWindow(hwnd());
      result = 0;
      return true;
    default:
      return false;
  }
}

void CBaseDialog::OnOK() {
  background_.Release();
  mask_.Release();
  Dialog::OnOK();
}
