// CActionList: the macro page's action list. A virtual report list
// (LVS_OWNERDATA) over rows that its owner keeps, so that showing 2000
// actions costs no more per row than showing 20: the list asks for the texts
// of the rows it paints. Three columns: the key's name, the direction and the
// delay in ms; whole rows are selected; the key and direction cells are drawn
// in the system's grey-text colour.
//
// A click on a cell of the selected row opens an editor in the cell: a
// drop-down list of the picker's keys, a drop-down of the two directions, or a
// digits-only edit for the delay. The owner hears of the choice through the
// cell-change handler, applies it to its rows and calls RowsChanged.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/dialog_win.h"
#include "macros/macro_record.h"

class CActionList : public SubclassedControl {
 public:
  ~CActionList() override;

  // Full-row selection, grid lines and a single selection; the template gives
  // LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL.
  void Attach(HWND dialog, int id) override;
  void SetColumns(const std::u16string& key, const std::u16string& direction, const std::u16string& delay);

  // The rows shown, owned by the caller and alive until the control goes or
  // ShowRows(nullptr). Nothing is selected afterwards; an open editor closes
  // without a report.
  void ShowRows(const std::vector<MacroAction>* rows);
  // The caller changed the rows: the list takes their count and paints their
  // texts again; the selection stays when its row still exists. An open editor
  // closes without a report (its row may have moved).
  void RowsChanged();

  // Selects and focuses `row` and scrolls it into view; -1 (or a row out of
  // range) selects nothing.
  void Select(int row);
  int SelectedRow() const;  // -1 when none
  int RowCount() const;
  // The text the list shows in a cell (asked of the list, as its painting does).
  std::u16string CellText(int row, int column) const;

  // The dialog passes every WM_NOTIFY of the list here (LVN_GETDISPINFO,
  // NM_CUSTOMDRAW, NM_CLICK...); true when taken, with the answer in `result`.
  bool OnNotify(const NMHDR& header, LRESULT& result);
  // The dialog gives its queued messages here first: Enter confirms and
  // Escape cancels an open cell editor. True when taken.
  bool PreTranslate(const MSG& message);

  enum class Column { kKey, kDirection, kDelay };
  // What the user chose in a cell: the field of the column edited carries it.
  struct CellChange {
    int row = -1;
    Column column = Column::kKey;
    int keyListPosition = -1;                // kKey: a picker list position, 0 to 105
    std::uint16_t direction = kMacroPress;   // kDirection: kMacroPress or kMacroRelease
    std::u16string delayText;                // kDelay: the digits typed
  };
  // The owner applies a change to its rows and calls RowsChanged. The editor
  // is closed (and the focus back on the list) when the handler runs.
  void SetCellChangeHandler(std::function<void(const CellChange&)> handler) { onCellChange_ = std::move(handler); }
  // Runs before a delay cell's editor opens (the owner stops a recording).
  void SetBeforeDelayEdit(std::function<void()> handler) { beforeDelayEdit_ = std::move(handler); }
  // Gives the line shown under the delay cell's editor as the user types,
  // from the text typed so far (empty: no line).
  void SetDelayHint(std::function<std::u16string(std::u16string_view typed)> hint) { delayHint_ = std::move(hint); }
  // That line's window while the delay editor is open, null otherwise; it is
  // visible while the line has a text.
  HWND DelayHintWindow() const { return hint_; }

  // Selects `row` and opens the editor of its cell in `column`; false for a
  // row out of range. A click on a cell of the selected row calls it. An
  // editor already open is confirmed first.
  bool EditCell(int row, Column column);
  HWND CellEditor() const { return editor_; }  // the open editor, null when none
  // Reports what the open editor holds (a drop-down with nothing chosen
  // reports nothing) and closes it; Cancel closes it without a report.
  // Enter and losing the focus confirm; Escape cancels.
  void ConfirmCellEdit();
  void CancelCellEdit();

  // Rows of the drop-downs' lists.
  static constexpr int kKeyDropRows = 20;
  static constexpr int kDirectionDropRows = 6;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowGone() override;

 private:
  bool IsRow(int row) const;
  RECT CellRect(int row, Column column) const;
  HWND MakeEditor(int row, Column column, const RECT& cell);
  void SetRowState(int row, UINT state) const;
  // Takes the editor away and gives the focus back to the list. While the
  // list handles a message the editor may be in its own code below it (its
  // notifications come this way): it is then hidden and destroyed later.
  void CloseEditor();
  void OnEditorNotice(int code);
  void ShowDelayHint();

  const std::vector<MacroAction>* rows_ = nullptr;
  std::function<void(const CellChange&)> onCellChange_;
  std::function<void()> beforeDelayEdit_;
  std::function<std::u16string(std::u16string_view)> delayHint_;
  HWND editor_ = nullptr;
  HWND hint_ = nullptr;  // the delay editor's line, made with it
  int editRow_ = -1;
  Column editColumn_ = Column::kKey;
  int handling_ = 0;  // depth of the list's own messages being handled
  int selectedAtPress_ = -1;  // the selected row when the mouse button went down
};
