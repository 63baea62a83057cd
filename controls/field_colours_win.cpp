#include "controls/field_colours_win.h"

#include <commctrl.h>

#include "controls/subclass_win.h"

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

namespace {

constexpr UINT_PTR kSkinFieldHook = 0x5F1E;
// A list view whose owner asked for grid lines gets the skin's instead.
constexpr wchar_t kGridProperty[] = L"OstrakFieldGrid";

enum class FieldKind : DWORD_PTR { kFramed = 1, kCombo, kList, kHeader };

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t found[32] = {};
  GetClassNameW(window, found, 32);
  return lstrcmpiW(found, name) == 0;
}

const FieldColours& ColoursOf(HWND control) { return IsWindowEnabled(control) ? kEnabledField : kDisabledField; }

void FillBox(HDC dc, const RECT& box, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A frame `thickness` pixels deep inside `outer`: a line in the frame colour,
// the rest in the field's own background, so the field looks recessed.
void PaintFrame(HDC dc, RECT outer, int thickness, COLORREF background) {
  SetDCBrushColor(dc, kFieldFrame);
  FrameRect(dc, &outer, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, background);
  for (int ring = 1; ring < thickness; ++ring) {
    InflateRect(&outer, -1, -1);
    FrameRect(dc, &outer, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// The border the system drew around the client area (scroll bars sit inside it).
int BorderWidth(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return origin.x - outer.left;
}

void PaintBorder(HWND window) {
  const int thickness = BorderWidth(window);
  if (thickness <= 0) return;
  RECT outer;
  GetWindowRect(window, &outer);
  HDC dc = GetWindowDC(window);
  PaintFrame(dc, {0, 0, outer.right - outer.left, outer.bottom - outer.top}, thickness, ColoursOf(window).background);
  ReleaseDC(window, dc);
}

// A combo box draws a two-pixel sunken edge and a system button in its client area.
void PaintCombo(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) return;
  const FieldColours& colours = ColoursOf(combo);
  RECT client;
  GetClientRect(combo, &client);
  HDC dc = GetDC(combo);
  PaintFrame(dc, client, 2, colours.background);
  // Around an edit part the system leaves a pixel of padding in its window colour.
  if ((GetWindowLongPtrW(combo, GWL_STYLE) & 3) != CBS_DROPDOWNLIST) {
    RECT padding = info.rcItem;
    InflateRect(&padding, 1, 1);
    SetDCBrushColor(dc, colours.background);
    FrameRect(dc, &padding, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  const RECT button = info.rcButton;
  if (!IsRectEmpty(&button)) {
    const bool pressed = info.stateButton & STATE_SYSTEM_PRESSED;
    FillBox(dc, button, pressed ? kFieldFrame : kFieldHeader.background);
    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, kFieldFrame);
    Line(dc, button.left, button.top, button.left, button.bottom);
    // A small arrow pointing down, in the text's colour.
    const int x = (button.left + button.right) / 2, y = (button.top + button.bottom) / 2;
    const POINT arrow[] = {{x - 4, y - 2}, {x + 4, y - 2}, {x, y + 2}};
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, colours.text);
    SetDCPenColor(dc, colours.text);
    Polygon(dc, arrow, 3);
  }
  ReleaseDC(combo, dc);
}

HWND HeaderOf(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }

// Grid lines as the system draws them (a line right of every column and under
// every row, on to the bottom of the list), in the skin's colour.
void PaintGrid(HWND list) {
  RECT client;
  GetClientRect(list, &client);
  HWND header = HeaderOf(list);
  int top = client.top;
  HDC dc = GetDC(list);
  SelectObject(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kFieldGrid);
  if (header && IsWindowVisible(header)) {
    RECT box;
    GetWindowRect(header, &box);
    top += box.bottom - box.top;
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
      RECT item{};
      SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
      MapWindowPoints(header, list, reinterpret_cast<POINT*>(&item), 2);
      Line(dc, item.right - 1, top, item.right - 1, client.bottom);
    }
  }
  RECT row{};
  row.left = LVIR_BOUNDS;
  const WPARAM first = static_cast<WPARAM>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  if (SendMessageW(list, LVM_GETITEMRECT, first, reinterpret_cast<LPARAM>(&row)) && row.bottom > row.top)
    for (int y = row.bottom - 1; y < client.bottom; y += row.bottom - row.top) Line(dc, client.left, y, client.right, y);
  ReleaseDC(list, dc);
}

void PaintHeader(HWND header) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(header, &paint);
  RECT client;
  GetClientRect(header, &client);
  FillBox(dc, client, kFieldHeader.background);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
  SelectObject(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kFieldFrame);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kFieldHeader.text);
  const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int column = 0; column < columns; ++column) {
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
    wchar_t text[128] = {};
    HDITEMW about{};
    about.mask = HDI_TEXT | HDI_FORMAT;
    about.pszText = text;
    about.cchTextMax = 128;
    SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&about));
    RECT words = item;
    InflateRect(&words, -6, 0);
    const UINT align = (about.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                       : (about.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                     : DT_LEFT;
    DrawTextW(dc, text, -1, &words, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    Line(dc, item.right - 1, item.top, item.right - 1, item.bottom);
  }
  Line(dc, client.left, client.bottom - 1, client.right, client.bottom - 1);
  EndPaint(header, &paint);
}

LRESULT CALLBACK SkinFieldProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data) {
  const auto kind = static_cast<FieldKind>(data);
  switch (message) {
    case WM_NCPAINT: {
      const LRESULT result = CallNextProcedure(window, message, wParam, lParam);
      PaintBorder(window);
      return result;
    }
    case WM_ENABLE:
      // The frame's inner ring takes the field's background of the new state.
      CallNextProcedure(window, message, wParam, lParam);
      if (kind == FieldKind::kList) ColourListView(window);
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      return 0;
    case WM_PAINT:
      if (kind == FieldKind::kHeader) {
        PaintHeader(window);
        return 0;
      }
      if (kind == FieldKind::kCombo || (kind == FieldKind::kList && GetPropW(window, kGridProperty))) {
        const LRESULT result = CallNextProcedure(window, message, wParam, lParam);
        if (kind == FieldKind::kCombo) PaintCombo(window);
        else PaintGrid(window);
        return result;
      }
      break;
    case WM_ERASEBKGND:
      if (kind == FieldKind::kHeader) return TRUE;  // its painting covers it
      break;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      // The list draws no grid of its own; the skin's stands in, and the
      // owner still reads back the style it asked for.
      if (kind != FieldKind::kList || (wParam && !(wParam & LVS_EX_GRIDLINES))) break;
      const bool hadGrid = GetPropW(window, kGridProperty);
      if (lParam & LVS_EX_GRIDLINES) SetPropW(window, kGridProperty, reinterpret_cast<HANDLE>(1));
      else RemovePropW(window, kGridProperty);
      InvalidateRect(window, nullptr, TRUE);
      const LRESULT before = CallNextProcedure(window, message, wParam, lParam & ~LVS_EX_GRIDLINES);
      return before | (hadGrid ? LVS_EX_GRIDLINES : 0);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      if (kind != FieldKind::kList) break;
      return CallNextProcedure(window, message, wParam, lParam) |
             (GetPropW(window, kGridProperty) ? LVS_EX_GRIDLINES : 0);
    case WM_NCDESTROY:
      RemovePropW(window, kGridProperty);
      RemoveSubclass(window, SkinFieldProcedure, kSkinFieldHook);
      break;
  }
  return CallNextProcedure(window, message, wParam, lParam);
}

void Hook(HWND window, FieldKind kind) {
  AddSubclass(window, SkinFieldProcedure, kSkinFieldHook, static_cast<DWORD_PTR>(kind));
}

}  // namespace

void SkinField(HWND control) {
  if (!control) return;
  if (HasClass(control, L"ComboBox")) {
    Hook(control, FieldKind::kCombo);
  } else if (HasClass(control, L"Edit")) {
    if (BorderWidth(control) > 0) Hook(control, FieldKind::kFramed);
  } else if (HasClass(control, WC_LISTVIEWW)) {
    const DWORD extended = static_cast<DWORD>(SendMessageW(control, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    Hook(control, FieldKind::kList);
    // A grid asked for before the hook: hand it to the hook.
    if (extended & LVS_EX_GRIDLINES)
      SendMessageW(control, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    if (HWND header = HeaderOf(control)) Hook(header, FieldKind::kHeader);
    ColourListView(control);
  } else {
    return;
  }
  RedrawWindow(control, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void SkinFields(HWND parent) {
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM) -> BOOL {
        SkinField(child);
        return TRUE;
      },
      0);
}
