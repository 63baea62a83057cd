// The skin's colours for the system's own input controls (edit fields, combo
// boxes and their lists, list views), so that they sit in a dark skin as
// its own recessed fields instead of white boxes, enabled or disabled. The
// system draws their frames, a combo box's button, a list's header and grid
// in the desktop's colours; SkinField draws those over in the skin's.
#pragma once

#include <windows.h>

struct FieldColours {
  COLORREF background, text;
};
inline constexpr FieldColours kEnabledField{RGB(0x0F, 0x12, 0x16), RGB(0xE8, 0xED, 0xF3)};
inline constexpr FieldColours kDisabledField{RGB(0x1A, 0x1D, 0x23), RGB(0x6B, 0x73, 0x80)};
inline constexpr FieldColours kFieldHeader{RGB(0x23, 0x28, 0x30), RGB(0xB4, 0xBC, 0xC8)};
inline constexpr COLORREF kFieldFrame = RGB(0x3C, 0x44, 0x50);
inline constexpr COLORREF kFieldGrid = RGB(0x29, 0x2F, 0x38);

// Answers a WM_CTLCOLOR* message that an edit field, a combo box or a list box
// sends its window; false for any other message or control (static texts and
// buttons keep their own colours).
bool AnswerFieldColours(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Gives a list view the field colours of its state; call again when it is
// enabled or disabled.
void ColourListView(HWND list);

// Gives one control (an edit field, a combo box or a list view; anything else
// is left alone) the skin's frame, button, header and grid. A list view's own
// grid lines give way to the skin's. Calling it again changes nothing.
void SkinField(HWND control);
// SkinField for every control inside `parent`, at any depth.
void SkinFields(HWND parent);
