// The skin's colours for the system's own input controls (edit fields, combo
// boxes and their lists, list views), so that they sit in a dark skin as
// its own recessed fields instead of white boxes, enabled or disabled.
#pragma once

#include <windows.h>

struct FieldColours {
  COLORREF background, text;
};
inline constexpr FieldColours kEnabledField{RGB(0x0F, 0x12, 0x16), RGB(0xE8, 0xED, 0xF3)};
inline constexpr FieldColours kDisabledField{RGB(0x1A, 0x1D, 0x23), RGB(0x6B, 0x73, 0x80)};

// Answers a WM_CTLCOLOR* message that an edit field, a combo box or a list box
// sends its window; false for any other message or control (static texts and
// buttons keep their own colours).
bool AnswerFieldColours(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Gives a list view the field colours of its state; call again when it is
// enabled or disabled.
void ColourListView(HWND list);
