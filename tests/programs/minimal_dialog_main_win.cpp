// The smallest dialog program: a dialog from a template in memory that closes
// as soon as it has been shown. The start-up benchmark measures the program
// against it under the same Wine.
#include <windows.h>

namespace {

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
  }
  if (message == WM_CLOSE) {
    EndDialog(window, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  struct {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
  } dialogTemplate{};
  dialogTemplate.dialog.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_CENTER;
  dialogTemplate.dialog.cx = 200;
  dialogTemplate.dialog.cy = 100;
  return static_cast<int>(DialogBoxIndirectParamW(instance, &dialogTemplate.dialog, nullptr, Procedure, 0));
}
