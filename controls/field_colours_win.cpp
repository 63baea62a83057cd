#include "controls/field_colours_win.h"

#include <commctrl.h>

namespace {

HBRUSH BrushOf(bool enabled) {
  // One brush per state for the whole run: the controls keep using it.
  static HBRUSH enabledBrush = CreateSolidBrush(kEnabledField.background);
  static HBRUSH disabledBrush = CreateSolidBrush(kDisabledField.background);
  return enabled ? enabledBrush : disabledBrush;
}

bool IsFieldClass(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, L"Edit") == 0 || lstrcmpiW(name, L"ComboBox") == 0 || lstrcmpiW(name, L"ComboLBox") == 0 ||
         lstrcmpiW(name, L"ListBox") == 0;
}

}  // namespace

bool AnswerFieldColours(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORLISTBOX && message != WM_CTLCOLORSTATIC) return false;
  HWND control = reinterpret_cast<HWND>(lParam);
  // A read-only or disabled edit field asks as a static text does.
  if (!control || !IsFieldClass(control)) return false;
  // A combo box's list and edit part follow the combo box.
  HWND owner = control;
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  if (lstrcmpiW(name, L"ComboLBox") != 0 && GetParent(control) && IsFieldClass(GetParent(control))) owner = GetParent(control);
  const bool enabled = IsWindowEnabled(owner);
  const FieldColours& colours = enabled ? kEnabledField : kDisabledField;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, colours.text);
  SetBkColor(dc, colours.background);
  result = reinterpret_cast<LRESULT>(BrushOf(enabled));
  return true;
}

void ColourListView(HWND list) {
  if (!list) return;
  const FieldColours& colours = IsWindowEnabled(list) ? kEnabledField : kDisabledField;
  SendMessageW(list, LVM_SETBKCOLOR, 0, colours.background);
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, colours.background);
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, colours.text);
  InvalidateRect(list, nullptr, TRUE);
}
