// The macro page's action list: a virtual list over the page's rows, its grey
// key and direction cells, and the editors that open in a cell of the selected
// row.
#include "controls/action_list_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/wide_win.h"
#include "controls/field_colours_win.h"
#include "keyboard/key_codes.h"
#include "editors/macro_page.h"
#include "tests/support/action_list_host_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr KeyCode kKeyA = 0x01E, kKeyB = 0x030, kKeyC = 0x02E;
using Column = CActionList::Column;

// The colour each painted cell was given: row, column, colour.
using CellColours = std::vector<std::tuple<int, int, COLORREF>>;

// The host, with the colours of the cells it saw painted.
struct ListDialog : ActionListHost {
  ListDialog() : ActionListHost(160, [this](const NMHDR& header) { Heard(header); }) {}
  CellColours cellColours;

  void Heard(const NMHDR& header) {
    const auto& draw = reinterpret_cast<const NMLVCUSTOMDRAW&>(header);
    if (header.code == NM_CUSTOMDRAW && draw.nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM))
      cellColours.emplace_back(static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem, draw.clrText);
  }
};

class ActionList : public testing::Test {
 protected:
  void SetUp() override {
    dialog_ = std::make_unique<ListDialog>();
    ASSERT_TRUE(dialog_->CreateModeless());
    page_.rows = {{100, kKeyA, kMacroPress}, {20, kKeyA, kMacroRelease}, {0, kKeyB, kMacroPress},
                  {40, kKeyB, kMacroRelease}, {50, kKeyC, kMacroPress}};
    // The owner's part: apply the change to the page, show the rows again.
    list().SetCellChangeHandler([this](const CActionList::CellChange& change) {
      changes_.push_back(change);
      switch (change.column) {
        case Column::kKey:
          SetActionKey(page_, change.row, change.keyListPosition);
          break;
        case Column::kDirection:
          SetActionDirection(page_, change.row, change.direction);
          break;
        case Column::kDelay:
          SetActionDelay(page_, change.row, change.delayText);
          break;
      }
      list().RowsChanged();
    });
    list().ShowRows(&page_.rows);
  }

  CActionList& list() { return dialog_->list; }
  // Handles every message that is waiting, the ones it posts included, the
  // way the dialog's loop does.
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (Dialog::TranslateModelessMessage(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // A queued key press for the window, through the dialog's loop; true when taken.
  static bool QueuedKey(HWND window, WPARAM key) {
    MSG message{};
    message.hwnd = window;
    message.message = WM_KEYDOWN;
    message.wParam = key;
    message.lParam = 1;
    return Dialog::TranslateModelessMessage(message);
  }
  static void Type(HWND window, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(window, WM_CHAR, c, 1);
  }
  static std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
  }
  std::vector<std::u16string> Texts(int row) {
    return {list().CellText(row, 0), list().CellText(row, 1), list().CellText(row, 2)};
  }
  RECT Cell(int row, Column column) {
    RECT cell{};
    cell.top = static_cast<int>(column);
    cell.left = LVIR_BOUNDS;
    SendMessageW(list().hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    if (column == Column::kKey) cell.right = cell.left + 70;
    return cell;
  }
  // A mouse click on a cell, queued as the system queues one.
  void Click(int row, Column column) {
    const RECT cell = Cell(row, column);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    PostMessageW(list().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list().hwnd(), WM_LBUTTONUP, 0, at);
    Pump();
  }
  // The editor, once it has handled a change: it is gone and the focus is
  // back on the list.
  void ExpectClosed(HWND editor) {
    EXPECT_EQ(list().CellEditor(), nullptr);
    EXPECT_EQ(GetFocus(), list().hwnd());
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(editor); }, 5000));
  }

  std::unique_ptr<ListDialog> dialog_;
  MacroPage page_;
  std::vector<CActionList::CellChange> changes_;
};

TEST_F(ActionList, ShowsTheRowsAndFollowsTheirChanges) {
  HWND window = list().hwnd();
  const DWORD extended = static_cast<DWORD>(SendMessageW(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES), DWORD{LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES});
  for (const auto& [column, width] : {std::pair{0, 70}, {1, 50}, {2, 80}})
    EXPECT_EQ(SendMessageW(window, LVM_GETCOLUMNWIDTH, column, 0), width) << column;
  wchar_t title[32] = {};
  LVCOLUMNW header{};
  header.mask = LVCF_TEXT;
  header.pszText = title;
  header.cchTextMax = 32;
  SendMessageW(window, LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&header));
  EXPECT_STREQ(title, L"Delay(ms)");

  ASSERT_EQ(list().RowCount(), 5);
  using Texts3 = std::vector<std::u16string>;
  EXPECT_EQ(Texts(0), (Texts3{u"A", u"\u2193", u"100"}));
  EXPECT_EQ(Texts(1), (Texts3{u"A", u"  \u2191", u"20"}));
  EXPECT_EQ(Texts(3), (Texts3{u"B", u"  \u2191", u"40"}));

  // Insert before the selected row: the selection stays on its position.
  list().Select(2);
  page_.rows.insert(page_.rows.begin() + 1, MacroAction{70, kKeyC, kMacroRelease});
  list().RowsChanged();
  EXPECT_EQ(list().RowCount(), 6);
  EXPECT_EQ(list().SelectedRow(), 2);
  EXPECT_EQ(Texts(1), (Texts3{u"C", u"  \u2191", u"70"}));
  EXPECT_EQ(Texts(5), (Texts3{u"C", u"\u2193", u"50"}));

  // Move the first row to the bottom, its delay with it.
  MoveAction(page_, 0, ActionMove::kBottom);
  list().RowsChanged();
  EXPECT_EQ(Texts(5), (Texts3{u"A", u"\u2193", u"100"}));
  EXPECT_EQ(Texts(0), (Texts3{u"C", u"  \u2191", u"70"}));

  // Delete down to fewer rows than the selected position: nothing selected.
  list().Select(5);
  page_.rows.resize(3);
  list().RowsChanged();
  EXPECT_EQ(list().RowCount(), 3);
  EXPECT_EQ(list().SelectedRow(), -1);

  // Another macro's rows: nothing selected; none at all.
  list().Select(1);
  std::vector<MacroAction> other(2000, MacroAction{10, kKeyB, kMacroPress});
  list().ShowRows(&other);
  EXPECT_EQ(list().RowCount(), 2000);
  EXPECT_EQ(list().SelectedRow(), -1);
  EXPECT_EQ(Texts(1999), (Texts3{u"B", u"\u2193", u"10"}));
  list().ShowRows(nullptr);
  EXPECT_EQ(list().RowCount(), 0);
}

TEST_F(ActionList, SelectsFocusesAndScrollsToARow) {
  std::vector<MacroAction> rows(60, MacroAction{10, kKeyA, kMacroPress});
  list().ShowRows(&rows);
  HWND window = list().hwnd();
  for (int row : {45, 3, 59}) {
    list().Select(row);
    EXPECT_EQ(list().SelectedRow(), row);
    EXPECT_EQ(SendMessageW(window, LVM_GETITEMSTATE, row, LVIS_FOCUSED), LVIS_FOCUSED);
    const int top = static_cast<int>(SendMessageW(window, LVM_GETTOPINDEX, 0, 0));
    const int shown = static_cast<int>(SendMessageW(window, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_TRUE(row >= top && row < top + shown) << row << " shown from " << top;
  }
  // Typing a letter in the list finds no row to jump to.
  SetFocus(window);
  SendMessageW(window, WM_CHAR, L'b', 1);
  EXPECT_EQ(list().SelectedRow(), 59);

  list().Select(-1);
  EXPECT_EQ(list().SelectedRow(), -1);
  list().Select(60);
  EXPECT_EQ(list().SelectedRow(), -1);
}

TEST_F(ActionList, KeyAndDirectionCellsAreDrawnGrey) {
  list().Select(1);  // a selected row too
  dialog_->cellColours.clear();
  RedrawWindow(list().hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_GE(dialog_->cellColours.size(), 15u);  // five rows of three cells
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  ASSERT_NE(grey, kEnabledField.text);
  for (const auto& [row, column, colour] : dialog_->cellColours) {
    if (column == 2)
      EXPECT_EQ(colour, kEnabledField.text) << "row " << row;  // the skin's field text
    else
      EXPECT_EQ(colour, grey) << "row " << row << " column " << column;
  }
}

TEST_F(ActionList, KeyCellOffersThePickersKeysAndReportsTheChoice) {
  list().Select(1);
  ASSERT_TRUE(list().EditCell(1, Column::kKey));
  HWND combo = list().CellEditor();
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(ClassOf(combo), L"ComboBox");
  EXPECT_EQ(GetParent(combo), list().hwnd());
  EXPECT_EQ(GetWindowLongPtrW(combo, GWL_STYLE) & 0x3, CBS_DROPDOWNLIST);
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), kPickerListPositionCount);
  for (int position : {0, 57, 105}) {
    wchar_t name[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, position, reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(FromWide(name), GetListKeyName(position)) << position;
  }
  const int a = KeyCodeToListPosition(kKeyA);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), a);
  // It sits in the key cell, and its list is 20 rows high.
  RECT placed;
  GetWindowRect(combo, &placed);
  MapWindowPoints(nullptr, list().hwnd(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, Cell(1, Column::kKey).left);
  EXPECT_EQ(placed.top, Cell(1, Column::kKey).top);
  RECT dropped;
  SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  const int itemHeight = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  EXPECT_GE(dropped.bottom - dropped.top, 20 * itemHeight);

  // The user moves down one entry in the dropped list and presses Enter.
  SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_TRUE(QueuedKey(combo, VK_RETURN));
  ExpectClosed(combo);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].row, 1);
  EXPECT_EQ(changes_[0].column, Column::kKey);
  EXPECT_EQ(changes_[0].keyListPosition, a + 1);
  EXPECT_EQ(list().CellText(1, 0), GetListKeyName(a + 1));
  EXPECT_EQ(list().SelectedRow(), 1);

  // The combo box's own Enter, for a dialog that gives it no queued keys.
  ASSERT_TRUE(list().EditCell(3, Column::kKey));
  combo = list().CellEditor();
  SendMessageW(combo, CB_SETCURSEL, KeyCodeToListPosition(kKeyC), 0);
  SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 1);
  ExpectClosed(combo);
  ASSERT_EQ(changes_.size(), 2u);
  EXPECT_EQ(changes_[1].row, 3);
  EXPECT_EQ(list().CellText(3, 0), u"C");

  // Escape closes it without a report.
  ASSERT_TRUE(list().EditCell(0, Column::kKey));
  combo = list().CellEditor();
  SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_TRUE(QueuedKey(combo, VK_ESCAPE));
  ExpectClosed(combo);
  EXPECT_EQ(changes_.size(), 2u);
  EXPECT_EQ(list().CellText(0, 0), u"A");
}

TEST_F(ActionList, DirectionCellOffersPressAndRelease) {
  ASSERT_TRUE(list().EditCell(2, Column::kDirection));
  EXPECT_EQ(list().SelectedRow(), 2);
  HWND combo = list().CellEditor();
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  wchar_t text[16] = {};
  SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(FromWide(text), kReleaseText);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);  // a press
  RECT dropped;
  SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_GE(dropped.bottom - dropped.top, 6 * SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));

  SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_TRUE(QueuedKey(combo, VK_RETURN));
  ExpectClosed(combo);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].column, Column::kDirection);
  EXPECT_EQ(changes_[0].direction, kMacroRelease);
  EXPECT_EQ(list().CellText(2, 1), kReleaseText);

  ASSERT_TRUE(list().EditCell(2, Column::kDirection));
  EXPECT_EQ(SendMessageW(list().CellEditor(), CB_GETCURSEL, 0, 0), 1);  // now a release
  list().ConfirmCellEdit();
  EXPECT_EQ(changes_.back().direction, kMacroRelease);  // the same again: the owner ignores it
  EXPECT_EQ(list().CellEditor(), nullptr);
}

TEST_F(ActionList, DelayCellTakesDigitsAndReportsThemOnEnterOrLeaving) {
  std::vector<std::string> events;
  list().SetBeforeDelayEdit([&] { events.push_back(list().CellEditor() ? "hook with an editor" : "hook"); });
  ASSERT_TRUE(list().EditCell(4, Column::kDelay));
  events.push_back("open");
  EXPECT_EQ(events, (std::vector<std::string>{"hook", "open"}));
  HWND edit = list().CellEditor();
  EXPECT_EQ(ClassOf(edit), L"Edit");
  EXPECT_TRUE(GetWindowLongPtrW(edit, GWL_STYLE) & ES_NUMBER);
  EXPECT_EQ(GetFocus(), edit);
  wchar_t text[32] = {};
  GetWindowTextW(edit, text, 32);
  EXPECT_STREQ(text, L"50");

  Type(edit, L"12a3-45");  // replaces the selected text; only digits go in
  GetWindowTextW(edit, text, 32);
  EXPECT_STREQ(text, L"12345");
  EXPECT_TRUE(QueuedKey(edit, VK_RETURN));
  ExpectClosed(edit);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].row, 4);
  EXPECT_EQ(changes_[0].column, Column::kDelay);
  EXPECT_EQ(changes_[0].delayText, u"12345");
  EXPECT_EQ(list().CellText(4, 2), u"12340");  // the owner's rounding

  // Escape: no report, the row as it was.
  ASSERT_TRUE(list().EditCell(0, Column::kDelay));
  edit = list().CellEditor();
  Type(edit, L"7");
  EXPECT_TRUE(QueuedKey(edit, VK_ESCAPE));
  ExpectClosed(edit);
  EXPECT_EQ(changes_.size(), 1u);
  EXPECT_EQ(list().CellText(0, 2), u"100");

  // Leaving it confirms.
  ASSERT_TRUE(list().EditCell(0, Column::kDelay));
  edit = list().CellEditor();
  Type(edit, L"70");
  SetFocus(list().hwnd());
  EXPECT_TRUE(WaitUntil([&] { return changes_.size() == 2 && !IsWindow(edit); }, 5000));
  EXPECT_EQ(changes_.back().delayText, u"70");
  EXPECT_EQ(list().CellText(0, 2), u"70");
  EXPECT_EQ(list().CellEditor(), nullptr);
  EXPECT_EQ(events.size(), 4u);  // the hook ran before each delay editor
}

TEST_F(ActionList, AClickEditsOnlyTheSelectedRow) {
  list().Select(1);
  Click(3, Column::kDelay);
  EXPECT_EQ(list().SelectedRow(), 3);
  EXPECT_EQ(list().CellEditor(), nullptr) << "a click on another row only selects it";

  Click(3, Column::kDelay);
  ASSERT_TRUE(WaitUntil([&] { return list().CellEditor() != nullptr; }, 5000));
  EXPECT_EQ(ClassOf(list().CellEditor()), L"Edit");
  HWND edit = list().CellEditor();
  Type(edit, L"90");

  // A click on another cell of the row confirms the open editor and opens the next.
  Click(3, Column::kKey);
  ASSERT_TRUE(WaitUntil([&] { return list().CellEditor() != nullptr && list().CellEditor() != edit; }, 5000));
  EXPECT_EQ(ClassOf(list().CellEditor()), L"ComboBox");
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].delayText, u"90");
  EXPECT_EQ(list().CellText(3, 2), u"90");
  list().CancelCellEdit();

  // Rows out of range open nothing.
  EXPECT_FALSE(list().EditCell(5, Column::kKey));
  EXPECT_FALSE(list().EditCell(-1, Column::kDelay));
  list().ShowRows(nullptr);
  EXPECT_FALSE(list().EditCell(0, Column::kKey));
  EXPECT_EQ(list().CellEditor(), nullptr);
}

// An editor would stay where its cell was: scrolling the list confirms it.
TEST_F(ActionList, ScrollingTheListConfirmsTheEditor) {
  page_.rows.resize(60, MacroAction{10, kKeyB, kMacroPress});
  list().RowsChanged();
  for (UINT scroll : {WM_VSCROLL, WM_MOUSEWHEEL}) {
    ASSERT_TRUE(list().EditCell(0, Column::kDelay));
    HWND edit = list().CellEditor();
    Type(edit, L"30");
    const WPARAM down = scroll == WM_VSCROLL ? SB_LINEDOWN : MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
    SendMessageW(list().hwnd(), scroll, down, 0);
    ExpectClosed(edit);
    ASSERT_FALSE(changes_.empty());
    EXPECT_EQ(changes_.back().delayText, u"30");
    list().Select(0);
  }
  EXPECT_EQ(changes_.size(), 2u);
}

TEST_F(ActionList, ShowingOtherRowsClosesTheEditorWithoutAReport) {
  ASSERT_TRUE(list().EditCell(1, Column::kDelay));
  HWND edit = list().CellEditor();
  Type(edit, L"300");
  list().RowsChanged();  // a recorded action came in
  EXPECT_FALSE(IsWindow(edit));
  ASSERT_TRUE(list().EditCell(1, Column::kKey));
  edit = list().CellEditor();
  list().ShowRows(&page_.rows);
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_TRUE(changes_.empty());
}

// The dialog going away with an editor open: the editor loses its focus (to
// the window that owns the dialog, as the main window owns the key editor),
// but no report reaches the owner, whether its object outlives the window or
// not.
TEST_F(ActionList, AnEditorOpenWhenTheDialogGoesReportsNothing) {
  ListDialog mainWindow;
  ASSERT_TRUE(mainWindow.CreateModeless());
  for (bool objectGoes : {false, true}) {
    bool reported = false;
    dialog_ = std::make_unique<ListDialog>();
    ASSERT_TRUE(dialog_->CreateModeless(mainWindow.hwnd()));
    list().ShowRows(&page_.rows);
    list().SetCellChangeHandler([&](const CActionList::CellChange&) { reported = true; });
    ASSERT_TRUE(list().EditCell(1, Column::kDelay));
    Type(list().CellEditor(), L"300");
    ASSERT_EQ(GetFocus(), list().CellEditor());
    if (objectGoes)
      dialog_.reset();
    else
      dialog_->EndDialog(IDCANCEL);
    Pump();
    EXPECT_NE(GetFocus(), nullptr) << "the focus went somewhere";
    EXPECT_FALSE(reported) << (objectGoes ? "object destroyed" : "window destroyed");
  }
}

}  // namespace
