// The kit's small controls that the windows of the program share: a report
// list with check boxes, a bitmap slider, a coloured static text drawn over the
// skin, a hyperlink and the lighting panel's colour button.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/dialog_win.h"

// CReportCtrl: a list view in report style with check boxes, grid lines and
// full-row selection.
class CReportCtrl : public Control {
 public:
  void Attach(HWND dialog, int id) override;
  void AddColumn(const std::u16string& title, int width);
  int AddRow(const std::vector<std::u16string>& texts);  // the new row's index, -1 on failure
  bool DeleteRow(int row);
  void Clear();
  int RowCount() const;
  std::u16string CellText(int row, int column) const;
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;
  int SelectedRow() const;  // -1 when none
};

// A tooltip over one control that is not a picture button (a picture or a
// caption that notifies its window of the mouse).
class ControlTooltip {
 public:
  ControlTooltip() = default;
  ControlTooltip(const ControlTooltip&) = delete;
  ControlTooltip& operator=(const ControlTooltip&) = delete;
  ~ControlTooltip();
  void Set(HWND control, std::u16string text);
  const std::u16string& Text() const { return text_; }

 private:
  HWND tooltip_ = nullptr;
  HWND control_ = nullptr;
  std::u16string text_;
};

// CComboBox: a drop-down list of texts.
class CComboBox : public Control {
 public:
  void AddItem(const std::u16string& text) const;
  void Clear() const;
  int Count() const;
  void Select(int index) const;  // -1 selects nothing
  int Selection() const;         // -1 when none
  std::u16string ItemText(int index) const;
};

// CBitmapSlider: shows picture[position] and lets the mouse choose a position
// from 0 to the last picture; each change made by the mouse is posted to the
// parent as WM_SLIDER_CHANGED (wParam the control id, lParam the position).
class CBitmapSlider : public SubclassedControl {
 public:
  void Attach(HWND dialog, int id) override;
  // The pictures belong to the caller and outlive the control.
  void SetPictures(std::vector<HBITMAP> pictures);
  void SetPosition(int position);  // no notice
  int Position() const { return position_; }
  int Count() const { return static_cast<int>(pictures_.size()); }
  // The position under a client x coordinate: the width divided evenly.
  int PositionAt(int x) const;
  void Draw(HDC dc);

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void MoveTo(int position);
  std::vector<HBITMAP> pictures_;
  int position_ = 0;
  bool dragging_ = false;
};

// CColourStatic: a static text in its own colour and font, drawn over the
// part of the window's background picture it covers or, in a window without
// one, over the background its window gives static texts. It alone paints
// itself, its whole surface each time: the static's own painting would draw
// the text a second time, in the dialog's font and colour.
class CColourStatic : public SubclassedControl {
 public:
  // `background` is the window's background picture (owned by the window).
  void SetBackground(HBITMAP background) { background_ = background; }
  void SetStyle(COLORREF colour, int points = 9, std::u16string face = u"Tahoma",
                UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  COLORREF Colour() const { return colour_; }
  void Draw(HDC dc);

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HBITMAP background_ = nullptr;
  COLORREF colour_ = RGB(0xE4, 0xE4, 0xE4);
  int points_ = 9;
  std::u16string face_ = u"Tahoma";
  UINT format_ = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
};

// CHyperLink: a coloured static whose click opens its address with the
// shell's "open" verb (or the opener given, for tests).
// Opens a web address with the shell's "open" verb or, when the shell cannot,
// with the command registered for ".htm" pages; false when neither ran.
bool OpenWebAddress(const std::u16string& address);
// The second way alone: the ".htm" page command with the address.
bool RunPageCommand(const std::u16string& address);

class CHyperLink : public CColourStatic {
 public:
  using Opener = std::function<void(const std::u16string& address)>;
  void Attach(HWND dialog, int id) override;
  void SetAddress(std::u16string address) { address_ = std::move(address); }
  const std::u16string& Address() const { return address_; }
  void SetOpener(Opener opener) { opener_ = std::move(opener); }
  // Opens the address (OpenWebAddress, or the opener given); when that fails
  // a message box says so.
  void Open() const;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::u16string address_;
  Opener opener_;
};

// CSkinColorButton: the lighting panel's colour button. It draws a 3D border,
// fills its left part (half its width plus 5, grown by 1) with the colour
// (the automatic colour while none is chosen, nothing while disabled) and a
// drop-down triangle on the right. Its owner calls Pick on the button's
// BN_CLICKED: the colour pop-up opens, and a chosen colour is stored.
class CSkinColorButton : public SubclassedControl {
 public:
  using Picker = std::function<bool(HWND owner, COLORREF& colour)>;
  void Attach(HWND dialog, int id) override;
  static constexpr COLORREF kNoColour = 0xFF000000;  // no colour chosen
  void SetColour(COLORREF colour);
  COLORREF Colour() const { return colour_; }
  void SetAutomaticColour(COLORREF colour) { automatic_ = colour; }
  // Replaces the system colour dialog (tests).
  void SetPicker(Picker picker) { picker_ = std::move(picker); }
  bool IsHover() const { return hover_; }
  // Opens the colour pop-up; true when a colour was chosen (then stored and shown).
  bool Pick();
  void Draw(HDC dc, bool pressed);
  // Left part of the button that shows the colour, in client coordinates.
  static RECT SwatchRect(const RECT& client);

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  COLORREF colour_ = kNoColour;
  COLORREF automatic_ = RGB(0, 0, 0);
  bool hover_ = false, tracking_ = false;
  Picker picker_;
};
