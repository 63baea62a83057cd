// CAboutDlg: the About box, modeless and at most one at a time.
#pragma once

#include <string>

#include "controls/dialog_win.h"
#include "controls/kit_controls_win.h"

class CAboutDlg : public Dialog {
 public:
  CAboutDlg();

  // Opens the box unless it is already shown; `link` is the skin's address.
  bool Show(const std::u16string& link);
  // Closes the box when it is shown; always true.
  bool Close();
  bool shown() const { return IsOpen(); }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::u16string link_;
  CColourStatic description_, version_, rights_;
  CHyperLink hyperlink_;
};
