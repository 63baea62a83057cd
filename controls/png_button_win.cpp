#include "controls/png_button_win.h"

#include <windowsx.h>

#include <commctrl.h>

#include "app/wide_win.h"
#include "controls/subclass_win.h"
#include "skin/skin_picture_win.h"

namespace {

TOOLINFOW ToolOf(HWND button, const std::u16string& text) {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(button);
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = const_cast<wchar_t*>(WidePtr(text));
  return tool;
}

// The same tip as a place in the parent, for the parent's mouse messages
// while the button is disabled.
constexpr UINT_PTR kParentAreaTool = 1;
TOOLINFOW ParentAreaToolOf(HWND button, const std::u16string& text) {
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = GetParent(button);
  tool.uId = kParentAreaTool;
  GetWindowRect(button, &tool.rect);
  MapWindowPoints(nullptr, tool.hwnd, reinterpret_cast<POINT*>(&tool.rect), 2);
  tool.lpszText = const_cast<wchar_t*>(WidePtr(text));
  return tool;
}

// The face tinted: its dark parts (the key) take the tint colour, its light
// parts (the legend) a colour that contrasts with the tint, so that even a
// black tint leaves the legend readable.
void DrawTinted(HDC dc, const RECT& client, HBITMAP picture, POINT origin, COLORREF tint) {
  const LegendRgb legendRgb = LegendColourOnTint({GetRValue(tint), GetGValue(tint), GetBValue(tint)});
  const COLORREF legend = RGB(legendRgb.r, legendRgb.g, legendRgb.b);
  const int width = client.right - client.left, height = client.bottom - client.top;
  const auto fill = [](HDC target, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(target, &area, brush);
    DeleteObject(brush);
  };
  // The tint where the face is dark: tint AND NOT face.
  fill(dc, client, tint);
  constexpr DWORD kDestAndNotSource = 0x00220326;
  DrawPicture(dc, client, picture, origin, kDestAndNotSource);
  // The legend colour where the face is light: legend AND face, added with OR.
  HDC light = CreateCompatibleDC(dc);
  HBITMAP lightPicture = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = SelectObject(light, lightPicture);
  const RECT whole{0, 0, width, height};
  fill(light, whole, legend);
  DrawPicture(light, whole, picture, origin, SRCAND);
  BitBlt(dc, client.left, client.top, width, height, light, 0, 0, SRCPAINT);
  SelectObject(light, old);
  DeleteObject(lightPicture);
  DeleteDC(light);
}

// Dims what is drawn in `area` of `dc`, as a disabled key looks.
void Dim(HDC dc, const RECT& area) {
  HDC shade = CreateCompatibleDC(dc);
  HBITMAP pixel = CreateCompatibleBitmap(dc, 1, 1);
  HGDIOBJ old = SelectObject(shade, pixel);
  SetPixel(shade, 0, 0, RGB(0x0C, 0x0E, 0x12));
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 170, 0};
  AlphaBlend(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, shade, 0, 0, 1, 1, blend);
  SelectObject(shade, old);
  DeleteObject(pixel);
  DeleteDC(shade);
}

bool IsMouseMessage(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

// A one-line caption keeps this many pixels from each side of its button, and
// is never set smaller than this to make it fit.
constexpr int kCaptionMargin = 2;
constexpr int kMinimumCaptionPoints = 6;

}  // namespace

FaceSet FacesFromSlots(const std::string& slots, const StatePictures& p) {
  HBITMAP chosen[5];
  for (int i = 0; i < 5; ++i) {
    const char letter = i < static_cast<int>(slots.size()) ? slots[i] : 'N';
    chosen[i] = letter == 'O' ? p.over : letter == 'D' ? p.down : letter == 'X' ? p.disable : p.normal;
  }
  return {chosen[0], chosen[1], chosen[2], chosen[3], chosen[4]};
}

CPngButton::~CPngButton() { DestroyTooltip(); }

void CPngButton::DestroyTooltip() {
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

void CPngButton::Attach(HWND dialog, int id) {
  DestroyTooltip();
  SubclassedControl::Attach(dialog, id);
  hover_ = pressed_ = tracking_ = false;
  if (!hwnd()) return;
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW);
}

void CPngButton::Redraw() const {
  HWND window = hwnd();
  if (!window) return;
  InvalidateRect(window, nullptr, FALSE);
  // Painting now from another thread would wait for the window's own thread.
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) UpdateWindow(window);
}

void CPngButton::SetFaces(const FaceSet& faces, bool redraw) {
  {
    std::lock_guard lock(lock_);
    faces_ = faces;
  }
  if (redraw) Redraw();
}

void CPngButton::PlaceWithFaces(int originX, int originY, const FaceSet& faces) {
  std::lock_guard lock(lock_);
  originX_ = originX;
  originY_ = originY;
  faces_ = faces;
}

void CPngButton::SetChecked(bool checked, bool redraw) {
  {
    std::lock_guard lock(lock_);
    if (checked_ == checked) return;  // a refresh of the whole grid repaints only what changed
    checked_ = checked;
  }
  if (redraw) Redraw();
}

void CPngButton::SetColourFaces(HBITMAP colourOff, HBITMAP colourOn, bool displayOn, std::uint32_t colourWord,
                                bool redraw) {
  {
    std::lock_guard lock(lock_);
    if (colourOff_ == colourOff && colourOn_ == colourOn && colourDisplay_ == displayOn && colourWord_ == colourWord)
      return;
    colourOff_ = colourOff;
    colourOn_ = colourOn;
    colourDisplay_ = displayOn;
    colourWord_ = colourWord;
  }
  if (redraw) Redraw();
}

void CPngButton::SetTint(COLORREF colour, bool on) {
  if (tint_ == on && (!on || tintColour_ == colour)) return;
  tintColour_ = colour;
  tint_ = on;
  Redraw();
}

void CPngButton::SetTextStyle(bool on, int points, std::u16string faceName, COLORREF colour, UINT format) {
  textOn_ = on;
  textPoints_ = points;
  textFace_ = std::move(faceName);
  textColour_ = colour;
  textFormat_ = format;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CPngButton::SetTextOffsets(int left, int top, int right, int bottom) {
  offsetLeft_ = left, offsetTop_ = top, offsetRight_ = right, offsetBottom_ = bottom;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CPngButton::SetTextAngle(int escapement, bool turned) {
  escapement_ = escapement;
  turned_ = turned;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CPngButton::SetTooltipText(std::u16string text) {
  tooltipText_ = std::move(text);
  if (!tooltip_) return;  // made when the mouse first comes
  for (TOOLINFOW tool : {ToolOf(hwnd(), tooltipText_), ParentAreaToolOf(hwnd(), tooltipText_)})
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CPngButton::RelayParentMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  MakeTooltip();
  if (!tooltip_) return;
  TOOLINFOW area = ParentAreaToolOf(hwnd(), tooltipText_);
  SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&area));  // placed after the tip was made
  MSG relayed{GetParent(hwnd()), message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
  SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void CPngButton::MakeTooltip() {
  // A tooltip is a window of its own; a window with many buttons starts
  // faster when each is made only once the mouse reaches its button.
  if (tooltip_ || tooltipText_.empty() || !hwnd()) return;
  LoadCommonControls();
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(hwnd()), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  for (TOOLINFOW tool : {ToolOf(hwnd(), tooltipText_), ParentAreaToolOf(hwnd(), tooltipText_)})
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void RelayMouseToDisabledButtons(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 const std::vector<CPngButton*>& buttons) {
  if (!IsMouseMessage(message)) return;
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  for (CPngButton* button : buttons) {
    if (!button->hwnd() || IsWindowEnabled(button->hwnd()) || !IsWindowVisible(button->hwnd())) continue;
    RECT area{};
    GetWindowRect(button->hwnd(), &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    if (PtInRect(&area, at)) button->RelayParentMouse(message, wParam, lParam);
  }
}

ButtonFace CPngButton::CurrentFace() const {
  ButtonState state;
  state.disabled = hwnd() && !IsWindowEnabled(hwnd());
  std::lock_guard lock(lock_);
  state.colourDisplay = colourDisplay_;
  state.colourWord = colourWord_;
  state.pressed = pressed_;
  state.hover = hover_;
  state.checked = checked_;
  state.tint = tint_;
  return ChooseButtonFace(state);
}

HBITMAP CPngButton::PictureOf(ButtonFace face) const {
  switch (face) {
    case ButtonFace::kNormal:
      return faces_.normal;
    case ButtonFace::kHover:
      return faces_.hover;
    case ButtonFace::kPressed:
      return faces_.pressed;
    case ButtonFace::kDisabled:
      return faces_.disabled;
    case ButtonFace::kChecked:
      return faces_.checked;
    case ButtonFace::kColourOff:
      return colourOff_;
    case ButtonFace::kColourOn:
      return colourOn_;
  }
  return nullptr;
}

namespace {

// A ring two pixels wide just inside the button, in a colour no face uses, so
// that the keyboard's place shows on every skin, on lit and checked faces too.
void DrawFocusMark(HDC dc, RECT box) {
  constexpr COLORREF kFocusColour = RGB(0x4F, 0xE0, 0xFF);
  SetDCBrushColor(dc, kFocusColour);
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  for (int ring = 0; ring < 2; ++ring) {
    InflateRect(&box, -1, -1);
    FrameRect(dc, &box, brush);
  }
}

}  // namespace

void CPngButton::Draw(HDC dc, bool pressed, bool focused) {
  pressed_ = pressed;
  RECT client{};
  if (hwnd()) GetClientRect(hwnd(), &client);
  const ButtonFace face = CurrentFace();
  HBITMAP picture = nullptr;
  POINT origin{};
  {
    std::lock_guard lock(lock_);
    picture = PictureOf(face);
    origin = {originX_, originY_};
  }

  if (tint_) {
    DrawTinted(dc, client, picture, origin, tintColour_);
  } else if (picture) {
    DrawPicture(dc, client, picture, origin);
  } else {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // a blank face
  }

  if (dimmedWhenDisabled_ && hwnd() && !IsWindowEnabled(hwnd())) Dim(dc, client);
  if (textOn_) DrawCaption(dc, client);
  if (focused) DrawFocusMark(dc, client);
  if (paintCallback_) paintCallback_(hwnd(), face == ButtonFace::kNormal);
}

void CPngButton::DrawCaption(HDC dc, const RECT& client) {
  const std::u16string text = Text();
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, textColour_);
  const auto fontOf = [&](int points) {
    return CreateFontW(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, escapement_, escapement_,
                       turned_ ? 956 : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, WidePtr(textFace_));
  };
  RECT box{client.left + offsetLeft_, client.top + offsetTop_, client.right + offsetRight_,
           client.bottom + offsetBottom_};
  int points = textPoints_;
  if (!turned_ && (textFormat_ & DT_SINGLELINE)) {
    // A caption too long for its button (a word of another language, a small
    // key) is set smaller instead of running over the button's edges.
    const auto widthAt = [&](int size) {
      HFONT trial = fontOf(size);
      HGDIOBJ old = SelectObject(dc, trial);
      SIZE extent{};
      GetTextExtentPoint32W(dc, WidePtr(text), static_cast<int>(text.size()), &extent);
      SelectObject(dc, old);
      DeleteObject(trial);
      return static_cast<int>(extent.cx);
    };
    points = FittingPointSize(textPoints_, kMinimumCaptionPoints, box.right - box.left - 2 * kCaptionMargin, widthAt);
  }
  HFONT font = fontOf(points);
  HGDIOBJ oldFont = SelectObject(dc, font);
  if (turned_) {
    SIZE size{};
    GetTextExtentPoint32W(dc, WidePtr(text), static_cast<int>(text.size()), &size);
    const TextBox turned = TurnedTextBox({box.left, box.top, box.right, box.bottom}, size.cx, size.cy, escapement_);
    box = RECT{turned.left, turned.top, turned.right, turned.bottom};
  }
  DrawTextW(dc, WidePtr(text), static_cast<int>(text.size()), &box, textFormat_);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

LRESULT CPngButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = hwnd();
  if (IsMouseMessage(message)) MakeTooltip();
  if (tooltip_ && IsMouseMessage(message)) {
    MSG relayed{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
  }
  switch (message) {
    case kReflectedDrawItem: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Draw(item->hDC, (item->itemState & ODS_SELECTED) != 0,
           (item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT));
      return TRUE;
    }
    case WM_ERASEBKGND:
      return TRUE;  // the face covers the whole button
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, window, 1};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      break;
    case WM_MOUSEHOVER:
      hover_ = true;
      Redraw();
      if (tooltip_) {
        TOOLINFOW tool = ToolOf(window, tooltipText_);
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(tooltip_, TTM_UPDATE, 0, 0);
      }
      return 0;
    case WM_MOUSELEAVE:
      hover_ = false;
      tracking_ = false;
      Redraw();
      return 0;
    case WM_LBUTTONDBLCLK:
      // A quick second click is a click of its own.
      return Forward(WM_LBUTTONDOWN, wParam, lParam);
    default:
      break;
  }
  return Forward(message, wParam, lParam);
}
