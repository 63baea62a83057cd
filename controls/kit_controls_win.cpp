#include "controls/kit_controls_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "controls/field_colours_win.h"
#include "controls/hyperlink_command.h"
#include "controls/subclass_win.h"
#include "skin/skin_picture_win.h"
#include "app/wide_win.h"
#include "app/messages.h"

namespace {

void ReplaceStyle(HWND window, LONG_PTR clear, LONG_PTR set) {
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  SetWindowLongPtrW(window, GWL_STYLE, (style & ~clear) | set);
}

}  // namespace

// --- ControlTooltip ---

ControlTooltip::~ControlTooltip() {
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

void ControlTooltip::Set(HWND control, std::u16string text) {
  text_ = std::move(text);
  if (!control) return;
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(WidePtr(text_));
  if (tooltip_ && control_ == control) {
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    return;
  }
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
  LoadCommonControls();
  control_ = control;
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(control), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// --- CReportCtrl ---

void CReportCtrl::Attach(HWND dialog, int id) {
  Control::Attach(dialog, id);
  if (!hwnd()) return;
  ReplaceStyle(hwnd(), LVS_TYPEMASK, LVS_REPORT | LVS_SHOWSELALWAYS);
  const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  SendMessageW(hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

void CReportCtrl::AddColumn(const std::u16string& title, int width) {
  if (!hwnd()) return;
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd(), LVM_GETHEADER, 0, 0));
  const int index = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(WidePtr(title));
  SendMessageW(hwnd(), LVM_INSERTCOLUMNW, std::max(index, 0), reinterpret_cast<LPARAM>(&column));
}

int CReportCtrl::AddRow(const std::vector<std::u16string>& texts) {
  if (!hwnd()) return -1;
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : WidePtr(texts[0]));
  const int row = static_cast<int>(SendMessageW(hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return -1;
  for (std::size_t column = 1; column < texts.size(); ++column) {
    LVITEMW cell{};
    cell.iSubItem = static_cast<int>(column);
    cell.pszText = const_cast<wchar_t*>(WidePtr(texts[column]));
    SendMessageW(hwnd(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

bool CReportCtrl::DeleteRow(int row) { return hwnd() && SendMessageW(hwnd(), LVM_DELETEITEM, row, 0); }
void CReportCtrl::Clear() {
  if (hwnd()) SendMessageW(hwnd(), LVM_DELETEALLITEMS, 0, 0);
}
int CReportCtrl::RowCount() const {
  return hwnd() ? static_cast<int>(SendMessageW(hwnd(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::u16string CReportCtrl::CellText(int row, int column) const {
  if (!hwnd()) return {};
  wchar_t buffer[520] = {};
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = buffer;
  cell.cchTextMax = static_cast<int>(std::size(buffer));
  const auto length = SendMessageW(hwnd(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer),
                        static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
}

void CReportCtrl::SetChecked(int row, bool checked) {
  if (!hwnd()) return;
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageW(hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool CReportCtrl::IsChecked(int row) const {
  if (!hwnd()) return false;
  const auto state = SendMessageW(hwnd(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int CReportCtrl::SelectedRow() const {
  return hwnd() ? static_cast<int>(SendMessageW(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) : -1;
}

// --- CComboBox ---

void CComboBox::AddItem(const std::u16string& text) const {
  if (hwnd()) SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(text)));
}
void CComboBox::Clear() const {
  if (hwnd()) SendMessageW(hwnd(), CB_RESETCONTENT, 0, 0);
}
int CComboBox::Count() const { return hwnd() ? static_cast<int>(SendMessageW(hwnd(), CB_GETCOUNT, 0, 0)) : 0; }
void CComboBox::Select(int index) const {
  if (hwnd()) SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
int CComboBox::Selection() const {
  return hwnd() ? static_cast<int>(SendMessageW(hwnd(), CB_GETCURSEL, 0, 0)) : -1;
}
std::u16string CComboBox::ItemText(int index) const {
  if (!hwnd()) return {};
  const auto length = SendMessageW(hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text);
}

// --- CBitmapSlider ---

void CBitmapSlider::Attach(HWND dialog, int id) {
  SubclassedControl::Attach(dialog, id);
  if (hwnd()) ReplaceStyle(hwnd(), 0, SS_NOTIFY);
}

void CBitmapSlider::SetPictures(std::vector<HBITMAP> pictures) {
  pictures_ = std::move(pictures);
  position_ = std::clamp(position_, 0, std::max(Count() - 1, 0));
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CBitmapSlider::SetPosition(int position) {
  position_ = std::clamp(position, 0, std::max(Count() - 1, 0));
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

int CBitmapSlider::PositionAt(int x) const {
  if (Count() <= 1 || !hwnd()) return 0;
  RECT client;
  GetClientRect(hwnd(), &client);
  const int width = std::max<int>(client.right, 1);
  return std::clamp(x * Count() / width, 0, Count() - 1);
}

void CBitmapSlider::MoveTo(int position) {
  position = std::clamp(position, 0, std::max(Count() - 1, 0));
  if (position == position_) return;
  position_ = position;
  InvalidateRect(hwnd(), nullptr, FALSE);
  PostMessageW(GetParent(hwnd()), WM_SLIDER_CHANGED, static_cast<WPARAM>(id()), position_);
}

void CBitmapSlider::Draw(HDC dc) {
  if (position_ >= Count()) return;
  RECT client;
  GetClientRect(hwnd(), &client);
  DrawPicture(dc, client, pictures_[position_]);
}

LRESULT CBitmapSlider::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = hwnd();
  LRESULT painted = 0;
  if (PaintMessage(window, message, wParam, painted, [this](HDC dc) { Draw(dc); })) return painted;
  switch (message) {
    case WM_LBUTTONDOWN:
      dragging_ = true;
      SetCapture(window);
      MoveTo(PositionAt(static_cast<short>(LOWORD(lParam))));
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) MoveTo(PositionAt(static_cast<short>(LOWORD(lParam))));
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      break;
    default:
      break;
  }
  return Forward(message, wParam, lParam);
}

// --- CColourStatic and CHyperLink ---

void CColourStatic::SetStyle(COLORREF colour, int points, std::u16string face, UINT format) {
  colour_ = colour;
  points_ = points;
  face_ = std::move(face);
  format_ = format;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CColourStatic::Draw(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  if (background_) {
    POINT at{0, 0};
    MapWindowPoints(hwnd(), GetParent(hwnd()), &at, 1);
    DrawPicture(dc, client, background_, at);
  } else {
    // Transparent text needs a clean surface under it, or each drawing lands
    // on the last one's ink.
    HWND parent = GetParent(hwnd());
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd())));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  }
  const std::u16string text = Text();
  HFONT font =
      CreateFontW(-MulDiv(points_, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, WidePtr(face_));
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour_);
  DrawTextW(dc, WidePtr(text), static_cast<int>(text.size()), &client, format_);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

LRESULT CColourStatic::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT painted = 0;
  if (PaintMessage(hwnd(), message, wParam, painted, [this](HDC dc) { Draw(dc); })) return painted;
  switch (message) {
    case WM_SETTEXT: {
      // The static would store the text and at once paint it its own way:
      // only the storing is wanted.
      const LRESULT stored = DefWindowProcW(hwnd(), message, wParam, lParam);
      InvalidateRect(hwnd(), nullptr, FALSE);
      return stored;
    }
    case WM_ENABLE:
    case WM_SYSCOLORCHANGE: {
      // The static paints itself on these too; ours covers it.
      const LRESULT result = Forward(message, wParam, lParam);
      InvalidateRect(hwnd(), nullptr, FALSE);
      return result;
    }
    default:
      return Forward(message, wParam, lParam);
  }
}

void CHyperLink::Attach(HWND dialog, int id) {
  CColourStatic::Attach(dialog, id);
  if (!hwnd()) return;
  ReplaceStyle(hwnd(), 0, SS_NOTIFY);
  SetStyle(RGB(0x00, 0xC8, 0xFF));
}

namespace {

// The default value of a key under HKEY_CLASSES_ROOT; empty when missing.
std::wstring ClassesValue(const std::wstring& key) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

}  // namespace

bool RunPageCommand(const std::u16string& address) {
  const std::wstring type = ClassesValue(L".htm");
  if (type.empty()) return false;
  const std::wstring command = ClassesValue(type + L"\\shell\\open\\command");
  if (command.empty()) return false;
  std::wstring line = Wide(HyperlinkCommandLine(FromWide(command), address));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool OpenWebAddress(const std::u16string& address) {
  const auto shell = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", WidePtr(address), nullptr, nullptr, SW_SHOWNORMAL));
  return shell > 32 || RunPageCommand(address);
}

void CHyperLink::Open() const {
  if (address_.empty()) return;
  if (opener_) {
    opener_(address_);
    return;
  }
  if (OpenWebAddress(address_)) return;
  MessageBoxW(GetParent(hwnd()), (L"Unable to open hyperlink:\n\n" + Wide(address_)).c_str(), nullptr,
              MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CHyperLink::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  if (message == WM_LBUTTONUP) Open();
  return CColourStatic::Handle(message, wParam, lParam);
}

// --- CSkinColorButton ---

void CSkinColorButton::Attach(HWND dialog, int id) {
  SubclassedControl::Attach(dialog, id);
  if (hwnd()) ReplaceStyle(hwnd(), BS_TYPEMASK, BS_OWNERDRAW);
}

void CSkinColorButton::SetColour(COLORREF colour) {
  colour_ = colour;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

RECT CSkinColorButton::SwatchRect(const RECT& client) {
  // Half the width plus 5, grown by 1 pixel, inside the 2-pixel border.
  const int width = client.right - client.left;
  return RECT{client.left + 2 - 1, client.top + 2 - 1, client.left + width / 2 + 5 + 1, client.bottom - 2 + 1};
}

namespace {

// The system's colour dialog. Its library is loaded the first time: loaded
// with the program it would slow every start, and most runs never pick a colour.
bool ShowColourDialog(CHOOSECOLORW& dialog) {
  using ChooseColour = BOOL(WINAPI*)(CHOOSECOLORW*);
  static const ChooseColour choose = [] {
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    return library ? reinterpret_cast<ChooseColour>(reinterpret_cast<void*>(GetProcAddress(library, "ChooseColorW")))
                   : nullptr;
  }();
  return choose && choose(&dialog) != FALSE;
}

}  // namespace

bool CSkinColorButton::Pick() {
  COLORREF chosen = colour_ == kNoColour ? automatic_ : colour_;
  bool picked = false;
  if (picker_) {
    picked = picker_(GetParent(hwnd()), chosen);
  } else {
    static COLORREF custom[16] = {};
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetParent(hwnd());
    dialog.rgbResult = chosen;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
    picked = ShowColourDialog(dialog);
    chosen = dialog.rgbResult;
  }
  if (picked) colour_ = chosen;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);  // the pop-up has covered it
  return picked;
}

void CSkinColorButton::Draw(HDC dc, bool pressed) {
  // Drawn as the skin's fields are: a recessed face, a frame that lights up
  // under the mouse, the swatch and the drop-down arrow.
  RECT client;
  GetClientRect(hwnd(), &client);
  const bool enabled = IsWindowEnabled(hwnd());
  const FieldColours& colours = enabled ? kEnabledField : kDisabledField;
  SetDCBrushColor(dc, pressed ? kFieldFrame : kFieldHeader.background);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, hover_ && enabled ? colours.text : kFieldFrame);
  FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  if (enabled) {
    const RECT swatch = SwatchRect(client);
    SetDCBrushColor(dc, colour_ == kNoColour ? automatic_ : colour_);
    FillRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  // The drop-down triangle in the right part.
  const int cx = (client.right + client.right / 2 + 5) / 2 + 1;
  const int cy = client.bottom / 2;
  POINT triangle[] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
  SetDCBrushColor(dc, colours.text);
  SetDCPenColor(dc, colours.text);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
  Polygon(dc, triangle, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

LRESULT CSkinColorButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = hwnd();
  switch (message) {
    case kReflectedDrawItem: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Draw(item->hDC, (item->itemState & ODS_SELECTED) != 0);
      return TRUE;
    }
    case WM_ERASEBKGND:
      return TRUE;
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, window, 1};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      break;
    case WM_MOUSEHOVER:
      hover_ = true;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_MOUSELEAVE:
      hover_ = false;
      tracking_ = false;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    default:
      break;
  }
  return Forward(message, wParam, lParam);
}
