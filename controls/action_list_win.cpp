#include "controls/action_list_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "app/messages.h"
#include "app/wide_win.h"
#include "controls/field_colours_win.h"
#include "keyboard/key_codes.h"
#include "macros/macro_record.h"

namespace {

constexpr int kColumnWidths[] = {70, 50, 80};  // key, direction, delay
constexpr int kColumnCount = 3;

// Messages the list sends itself: a click's editor opens once the list has
// finished with the click, and an editor closed inside its own notification
// is destroyed once its code has returned.
constexpr UINT kOpenEditor = WM_ACTION_LIST_OPEN_EDITOR;
constexpr UINT kDestroyEditor = WM_ACTION_LIST_DESTROY_EDITOR;
constexpr int kEditorId = 0x4345;               // the cell editors' control id

bool IsCombo(CActionList::Column column) { return column != CActionList::Column::kDelay; }

void CopyText(const std::u16string& text, wchar_t* buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
  std::copy_n(WidePtr(text), count, buffer);
  buffer[count] = L'\0';
}

std::u16string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return FromWide(text);
}

}  // namespace

CActionList::~CActionList() { CloseEditor(); }

void CActionList::Attach(HWND dialog, int id) {
  SubclassedControl::Attach(dialog, id);
  if (!hwnd()) return;
  // Clipping its children keeps the list's painting off an open editor.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE,
                    (style & ~LVS_TYPEMASK) | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_CLIPCHILDREN);
  const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
  SendMessageW(hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  SkinField(hwnd());
}

void CActionList::SetColumns(const std::u16string& key, const std::u16string& direction, const std::u16string& delay) {
  if (!hwnd()) return;
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd(), LVM_GETHEADER, 0, 0));
  const bool made = header && SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) >= kColumnCount;
  const std::array<const std::u16string*, kColumnCount> titles{&key, &direction, &delay};
  for (int index = 0; index < kColumnCount; ++index) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | (made ? 0 : LVCF_WIDTH | LVCF_FMT);
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumnWidths[index];
    column.pszText = const_cast<wchar_t*>(WidePtr(*titles[index]));
    SendMessageW(hwnd(), made ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  }
}

void CActionList::ShowRows(const std::vector<MacroAction>* rows) {
  CancelCellEdit();
  rows_ = rows;
  if (!hwnd()) return;
  const int count = rows_ ? static_cast<int>(rows_->size()) : 0;
  SendMessageW(hwnd(), LVM_SETITEMCOUNT, count, 0);
  Select(-1);
  if (count > 0) SendMessageW(hwnd(), LVM_ENSUREVISIBLE, 0, FALSE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CActionList::RowsChanged() {
  CancelCellEdit();
  if (!hwnd()) return;
  const int selected = SelectedRow();
  const int count = rows_ ? static_cast<int>(rows_->size()) : 0;
  SendMessageW(hwnd(), LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
  if (selected >= 0 && selected < count) {
    if (SelectedRow() != selected) SetRowState(selected, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    Select(-1);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CActionList::SetRowState(int row, UINT state) const {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = state;
  SendMessageW(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void CActionList::Select(int row) {
  if (!hwnd()) return;
  SetRowState(-1, 0);
  if (row < 0 || row >= RowCount()) return;
  SetRowState(row, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageW(hwnd(), LVM_SETSELECTIONMARK, 0, row);
  SendMessageW(hwnd(), LVM_ENSUREVISIBLE, row, FALSE);
}

int CActionList::SelectedRow() const {
  return hwnd() ? static_cast<int>(SendMessageW(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) : -1;
}

int CActionList::RowCount() const {
  return hwnd() ? static_cast<int>(SendMessageW(hwnd(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

bool CActionList::IsRow(int row) const {
  return rows_ && row >= 0 && static_cast<std::size_t>(row) < rows_->size() && row < RowCount();
}

std::u16string CActionList::CellText(int row, int column) const {
  if (!hwnd()) return {};
  wchar_t buffer[260] = {};
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = buffer;
  cell.cchTextMax = static_cast<int>(std::size(buffer));
  const auto length = SendMessageW(hwnd(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
  return FromWide(std::wstring_view(buffer, static_cast<std::size_t>(std::max<LRESULT>(length, 0))));
}

bool CActionList::OnNotify(const NMHDR& header, LRESULT& result) {
  result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      // The list owns the notice's buffer; the parameter is const only by the
      // shape of the dialog's routing.
      LVITEMW& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
      if (!(item.mask & LVIF_TEXT) || !rows_ || item.iItem < 0 ||
          static_cast<std::size_t>(item.iItem) >= rows_->size())
        return true;
      const ActionRowTexts texts = ActionTexts((*rows_)[static_cast<std::size_t>(item.iItem)]);
      const std::u16string* cells[] = {&texts.key, &texts.direction, &texts.delay};
      if (item.iSubItem >= 0 && item.iSubItem < kColumnCount) CopyText(*cells[item.iSubItem], item.pszText, item.cchTextMax);
      return true;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
      switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
          result = CDRF_NOTIFYITEMDRAW;
          return true;
        case CDDS_ITEMPREPAINT:
          result = CDRF_NOTIFYSUBITEMDRAW;
          return true;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
          // Every cell gets its colour: a colour set for one cell may stay for the next.
          COLORREF text = static_cast<COLORREF>(SendMessageW(hwnd(), LVM_GETTEXTCOLOR, 0, 0));
          if (text == CLR_DEFAULT || text == CLR_NONE) text = GetSysColor(COLOR_WINDOWTEXT);
          draw.clrText = draw.iSubItem == static_cast<int>(Column::kDelay) ? text : GetSysColor(COLOR_GRAYTEXT);
          result = CDRF_NEWFONT;
          return true;
        }
        default:
          result = CDRF_DODEFAULT;
          return true;
      }
    }
    case LVN_ODFINDITEMW:
      // Typing in the list looks for a row by its text; the rows have none to
      // look for, and an unanswered search would select the first row.
      result = -1;
      return true;
    case NM_CLICK: {
      // Only a cell of the row that was already selected opens its editor; a
      // click on another row just selects it.
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      LVHITTESTINFO hit{};
      hit.pt = click.ptAction;
      SendMessageW(hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.iItem >= 0 && hit.iItem == selectedAtPress_ && hit.iSubItem >= 0 && hit.iSubItem < kColumnCount)
        PostMessageW(hwnd(), kOpenEditor, static_cast<WPARAM>(hit.iItem), hit.iSubItem);
      selectedAtPress_ = -1;
      return true;
    }
    default:
      return false;
  }
}

RECT CActionList::CellRect(int row, Column column) const {
  RECT cell{};
  cell.top = static_cast<int>(column);
  cell.left = LVIR_BOUNDS;
  SendMessageW(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  // The first column's bounds are the whole row's.
  if (column == Column::kKey) cell.right = cell.left + static_cast<int>(SendMessageW(hwnd(), LVM_GETCOLUMNWIDTH, 0, 0));
  return cell;
}

HWND CActionList::MakeEditor(int row, Column column, const RECT& cell) {
  const MacroAction& action = (*rows_)[static_cast<std::size_t>(row)];
  const int width = cell.right - cell.left;
  const DWORD style = IsCombo(column) ? WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST
                                      : WS_CHILD | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL | ES_LEFT;
  HWND editor = CreateWindowExW(0, IsCombo(column) ? L"COMBOBOX" : L"EDIT", L"", style, cell.left, cell.top, width,
                                cell.bottom - cell.top, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)),
                                GetModuleHandleW(nullptr), nullptr);
  if (!editor) return nullptr;
  SendMessageW(editor, WM_SETFONT, SendMessageW(hwnd(), WM_GETFONT, 0, 0), FALSE);
  SkinField(editor);
  auto add = [editor](const std::u16string& text) {
    SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(text)));
  };
  int dropRows = 0;
  switch (column) {
    case Column::kKey: {
      for (int position = 0; position < kPickerListPositionCount; ++position) add(GetListKeyName(position));
      const int chosen = KeyCodeToListPosition(action.keyCode);
      SendMessageW(editor, CB_SETCURSEL, chosen < kPickerListPositionCount ? chosen : -1, 0);
      dropRows = kKeyDropRows;
      break;
    }
    case Column::kDirection:
      add(kPressText);
      add(kReleaseText);
      SendMessageW(editor, CB_SETCURSEL, action.direction == kMacroRelease ? 1 : 0, 0);
      dropRows = kDirectionDropRows;
      break;
    case Column::kDelay:
      SetWindowTextW(editor, WidePtr(ActionTexts(action).delay));
      SendMessageW(editor, EM_SETSEL, 0, -1);
      break;
  }
  if (dropRows > 0) {
    // A combo box's height, past its own field, is the height of its dropped list.
    RECT field;
    GetWindowRect(editor, &field);
    const int itemHeight = static_cast<int>(SendMessageW(editor, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(editor, nullptr, 0, 0, width, (field.bottom - field.top) + dropRows * itemHeight + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(editor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  return editor;
}

void CActionList::ShowDelayHint() {
  if (!hint_ || !editor_) return;
  const std::u16string text = delayHint_ ? delayHint_(WindowText(editor_)) : std::u16string();
  if (text.empty()) {
    ShowWindow(hint_, SW_HIDE);
    return;
  }
  const std::u16string line = u" " + text;  // off the border
  SetWindowTextW(hint_, WidePtr(line));
  // Under the cell (over the next row), its right edge on the cell's; above
  // the cell when the list ends below it.
  RECT cell{}, client{};
  GetWindowRect(editor_, &cell);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&cell), 2);
  GetClientRect(hwnd(), &client);
  HDC dc = GetDC(hint_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hint_, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, WidePtr(line), static_cast<int>(line.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hint_, dc);
  const int width = size.cx + 12, height = cell.bottom - cell.top;
  const int left = std::max(0, static_cast<int>(cell.right) - width);
  const int top = cell.bottom + height <= client.bottom ? cell.bottom : cell.top - height;
  SetWindowPos(hint_, HWND_TOP, left, top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool CActionList::EditCell(int row, Column column) {
  if (!hwnd() || !IsRow(row)) return false;
  ConfirmCellEdit();
  if (column == Column::kDelay && beforeDelayEdit_) beforeDelayEdit_();
  if (!IsRow(row)) return false;  // the owner changed the rows meanwhile
  Select(row);
  editor_ = MakeEditor(row, column, CellRect(row, column));
  if (!editor_) return false;
  editRow_ = row;
  editColumn_ = column;
  if (column == Column::kDelay) {
    hint_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 0, 0,
                            hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hint_) SendMessageW(hint_, WM_SETFONT, SendMessageW(hwnd(), WM_GETFONT, 0, 0), FALSE);
  }
  SetFocus(editor_);
  if (IsCombo(column)) SendMessageW(editor_, CB_SHOWDROPDOWN, TRUE, 0);
  return true;
}

void CActionList::ConfirmCellEdit() {
  if (!editor_) return;
  CellChange change;
  change.row = editRow_;
  change.column = editColumn_;
  bool chosen = true;
  if (IsCombo(editColumn_)) {
    const int selection = static_cast<int>(SendMessageW(editor_, CB_GETCURSEL, 0, 0));
    chosen = selection >= 0;
    if (editColumn_ == Column::kKey)
      change.keyListPosition = selection;
    else
      change.direction = selection == 1 ? kMacroRelease : kMacroPress;
  } else {
    change.delayText = WindowText(editor_);
  }
  CloseEditor();
  if (chosen && onCellChange_) onCellChange_(change);
}

void CActionList::CancelCellEdit() { CloseEditor(); }

void CActionList::CloseEditor() {
  if (HWND hint = std::exchange(hint_, nullptr); hint && IsWindow(hint)) DestroyWindow(hint);
  HWND editor = std::exchange(editor_, nullptr);
  editRow_ = -1;
  if (!editor || !IsWindow(editor)) return;
  // From here on its notifications find no editor and are dropped.
  HWND focus = GetFocus();
  if (hwnd() && (focus == editor || IsChild(editor, focus))) SetFocus(hwnd());
  if (handling_ > 0 && hwnd()) {
    SetWindowPos(editor, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(hwnd(), kDestroyEditor, reinterpret_cast<WPARAM>(editor), 0);
  } else {
    DestroyWindow(editor);
  }
}

void CActionList::OnEditorNotice(int code) {
  switch (code) {
    case CBN_SELENDOK:  // an entry chosen in the dropped list
      ConfirmCellEdit();
      break;
    case CBN_KILLFOCUS:
    case EN_KILLFOCUS:
      // The user went elsewhere: what the editor shows counts. A dialog
      // being destroyed hides itself first and takes the focus with it: that
      // is no choice of the user's, and its owner may be going too.
      if (IsWindowVisible(hwnd()))
        ConfirmCellEdit();
      else
        CancelCellEdit();
      break;
    case CBN_SELENDCANCEL:  // the dropped list closed without a choice
      CancelCellEdit();
      break;
    case EN_CHANGE:  // the delay as typed so far: the line under it says what will play
      ShowDelayHint();
      break;
    default:
      break;
  }
}

bool CActionList::PreTranslate(const MSG& message) {
  if (!editor_) return false;
  bool ours = message.hwnd == editor_ || IsChild(editor_, message.hwnd);
  if (!ours && IsCombo(editColumn_)) {
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof combo;
    ours = GetComboBoxInfo(editor_, &combo) && message.hwnd == combo.hwndList;
  }
  if (!ours || message.message != WM_KEYDOWN) return false;
  if (message.wParam == VK_RETURN) {
    ConfirmCellEdit();
    return true;
  }
  if (message.wParam == VK_ESCAPE) {
    CancelCellEdit();
    return true;
  }
  return false;
}

LRESULT CActionList::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  ++handling_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{handling_};
  // The list and its cell editors in the skin's colours, enabled or not.
  if (LRESULT colours = 0; AnswerFieldColours(message, wParam, lParam, colours)) return colours;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) != kEditorId) break;
      // A closed editor's last notices (its focus going, say) are dropped.
      if (editor_ && reinterpret_cast<HWND>(lParam) == editor_) OnEditorNotice(HIWORD(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      selectedAtPress_ = SelectedRow();
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
      // The editor would stay where its cell was.
      ConfirmCellEdit();
      break;
    case kOpenEditor:
      if (static_cast<int>(wParam) == SelectedRow()) EditCell(static_cast<int>(wParam), static_cast<Column>(lParam));
      return 0;
    case kDestroyEditor: {
      HWND old = reinterpret_cast<HWND>(wParam);
      if (old != editor_ && IsWindow(old) && GetParent(old) == hwnd()) DestroyWindow(old);
      return 0;
    }
    case WM_DESTROY:
      // The editor goes with the list. Its focus may leave it while the
      // dialog is being destroyed: that is no confirmation for an owner that
      // is going too.
      editor_ = hint_ = nullptr;
      editRow_ = -1;
      break;
    default:
      break;
  }
  return Forward(message, wParam, lParam);
}

void CActionList::OnWindowGone() {
  rows_ = nullptr;  // the next window starts empty
  editor_ = hint_ = nullptr;
  editRow_ = -1;
  selectedAtPress_ = -1;
}
