#include "shell/about_dialog_win.h"

#include "app/version.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "shell/tray_icon_win.h"

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUT) {}

bool CAboutDlg::Show(const std::u16string& link) {
  if (IsOpen()) return false;  // one About box at a time
  link_ = link;
  return CreateModeless(nullptr);
}

bool CAboutDlg::Close() {
  if (IsOpen()) EndDialog(IDCANCEL);
  return true;
}

void CAboutDlg::BindControls() {
  Bind(description_, IDC_ABOUT_DESCRIPTION);
  Bind(version_, IDC_ABOUT_VERSION);
  Bind(rights_, IDC_ABOUT_RIGHTS);
  Bind(hyperlink_, IDC_ABOUT_LINK);
}

BOOL CAboutDlg::OnInitDialog() {
  // A plain dialog, not a skinned one: dark texts on the dialog's own face;
  // the description wraps in its field, the version and the rights are one line each.
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  description_.SetStyle(ink, 9, u"Tahoma", DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  for (CColourStatic* line : {&version_, &rights_})
    line->SetStyle(ink, 9, u"Tahoma", DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  hyperlink_.SetStyle(RGB(0x00, 0x5A, 0xB4), 9, u"Tahoma",
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  ShowWindow(hwnd(), SW_SHOW);
  hyperlink_.SetText(link_);
  hyperlink_.SetAddress(link_);
  LoadLanguageGroup(4);
  SetWindowTextW(hwnd(), Wide(Text(TextKey::ABOUT_CAPTION)).c_str());
  // Each text repaints itself once set.
  description_.SetText(Text(TextKey::GUANYU_JIESHAO));
  // Worded as the main window's version label.
  version_.SetText(std::u16string(Text(TextKey::MAIN_BUTTON_KORVAN_VER)) + u" " + kProgramVersion);
  rights_.SetText(Text(TextKey::GUANYU_BANQUAN));
  return TRUE;
}

bool CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message != WM_HELP) return false;
  OpenHelp();
  result = TRUE;
  return true;
}
