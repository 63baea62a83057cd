// The system's input fields in a dark skin: what the screen shows of an edit
// field, both kinds of combo box and a report list, once skinned, holds none
// of the desktop's white or grey frame colours, and the list still reports
// the grid its owner asked for.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "controls/field_colours_win.h"
#include "controls/subclass_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr DWORD kPaintTimeoutMs = 10000;

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT result = 0; AnswerFieldColours(message, wParam, lParam, result)) return result;
  if (message == WM_ERASEBKGND) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Every pixel of the control's whole window (frame included) as the screen shows it.
std::vector<COLORREF> OnScreen(HWND control) {
  RECT box;
  GetWindowRect(control, &box);
  const int width = box.right - box.left, height = box.bottom - box.top;
  HDC screen = GetWindowDC(control);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(control, screen);
  return pixels;
}

// The desktop's light colours that the system draws fields, sunken frames and
// buttons in. (Its shadow grey is left out: a disabled field's text may be
// drawn in the system's grey, which is readable on the dark field.) The
// skin's text blended over its dark field never has equal channels, so none
// of them can appear by anti-aliasing either.
bool ShowsDesktopColours(const std::vector<COLORREF>& pixels) {
  const int kinds[] = {COLOR_WINDOW, COLOR_BTNFACE, COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT};
  for (COLORREF pixel : pixels)
    for (int kind : kinds)
      if (pixel == GetSysColor(kind)) return true;
  return false;
}

class FieldColoursTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadCommonControls();
    WNDCLASSW kind{};
    kind.lpfnWndProc = HostProcedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"FieldColoursTestHost";
    RegisterClassW(&kind);
    host_ = CreateWindowExW(WS_EX_TOPMOST, kind.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 420, 300, nullptr,
                            nullptr, kind.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override { DestroyWindow(host_); }

  HWND Make(const wchar_t* kind, DWORD style, DWORD extended, int x, int y, int width, int height) {
    HWND control = CreateWindowExW(extended, kind, L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height, host_,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
  }

  HWND host_ = nullptr;
};

TEST_F(FieldColoursTest, SkinnedFieldsShowNoneOfTheDesktopsColoursEnabledOrNot) {
  HWND edit = Make(L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 10, 10, 150, 24);
  SetWindowTextW(edit, L"Reload");
  HWND pick = Make(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0, 10, 50, 150, 120);
  HWND name = Make(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 0, 10, 90, 150, 120);
  for (HWND combo : {pick, name}) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Wave"));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
  }
  HWND list = Make(WC_LISTVIEWW, LVS_REPORT, WS_EX_CLIENTEDGE, 180, 10, 220, 180);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 90;
  column.pszText = const_cast<wchar_t*>(L"Key");
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.pszText = const_cast<wchar_t*>(L"Delay");
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  for (int row = 0; row < 3; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(L"Shift");
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }

  SkinFields(host_);
  // The owner reads back the grid it asked for, though the list draws the skin's.
  EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);

  const std::pair<const char*, HWND> fields[] = {{"edit field", edit}, {"list", pick}, {"name box", name}, {"list view", list}};
  for (bool enabled : {true, false}) {
    for (const auto& [what, field] : fields) EnableWindow(field, enabled);
    RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (const auto& [what, field] : fields) {
      HWND control = field;
      EXPECT_TRUE(WaitUntil([control] { return !ShowsDesktopColours(OnScreen(control)); }, kPaintTimeoutMs))
          << what << (enabled ? ", enabled" : ", disabled") << ", shows a colour of the desktop's";
      // The frame's outer line is the skin's.
      EXPECT_EQ(OnScreen(control).front(), kFieldFrame) << what;
    }
  }
}

}  // namespace
