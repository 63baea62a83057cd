#include "dialogs/profile_manager_win.h"

#include <commctrl.h>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "controls/skin_place_win.h"
#include "localisation/text_slots.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "skin/skin_picture_win.h"

namespace {

// Add offers a new file in the settings folder, Load any profile file there.
std::optional<std::u16string> ChooseInSettingsFolder(HWND owner, FileDialogKind kind) {
  EnsureSettingsFolder();
  const std::wstring folder = Wide(SettingsFolderPath());
  const std::wstring name = folder + (kind == FileDialogKind::kSave ? Wide(Text(TextKey::PROFILE_NEW)) : L"\\*.fwc");
  return ChooseFile(owner, {kind, L"(*.fwc)\0*.fwc\0(*.*)\0*.*\0", L"fwc", name.c_str(), {}});
}

}  // namespace

COstrak_DlgProfile::COstrak_DlgProfile(Host host)
    : CBaseDialog(IDD_PROFILE_MANAGER, Paths().profileSkinFile, Paths().profileSkinFolder),
      host_(std::move(host)),
      choose_(ChooseInSettingsFolder) {}

COstrak_DlgProfile::~COstrak_DlgProfile() {
  if (hwnd()) DestroyWindow(hwnd());
}

void COstrak_DlgProfile::BindControls() {
  Bind(list_, IDC_PROFILE_LIST);
  Bind(title_, IDC_DIALOG_TITLE);
  Bind(add_, IDC_PROFILE_ADD);
  Bind(load_, IDC_PROFILE_LOAD);
  Bind(delete_, IDC_PROFILE_DELETE);
  Bind(apply_, IDC_PROFILE_APPLY);
  Bind(ok_, IDOK);
  Bind(cancel_, IDCANCEL);
}

BOOL COstrak_DlgProfile::OnInitDialog() {
  CBaseDialog::OnInitDialog();
  ++openCount_;
  WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kProfile);
  pictures.LoadOnce(Paths().programFolder, PictureNamesOf(SkinWindow::kProfile), Size().width + 100,
                    Size().height + 100);
  SkinTargets targets;
  targets.buttons = {{u"CONTROL_OK", &ok_},    {u"CONTROL_CANCEL", &cancel_}, {u"FUNC_ADD", &add_},
                     {u"FUNC_LOAD", &load_}, {u"FUNC_DELETE", &delete_},    {u"CONTROL2_APPLY", &apply_}};
  targets.others = {{u"PROGRAM_LIST", list_.hwnd()}};
  // X is the second copy of the down picture.
  PlaceSkinControls(SkinWindow::kProfile, SkinFile(), targets, [&pictures](const SkinKey&) {
    return StatePictures{pictures[0], pictures[1], pictures[2], pictures[3]};
  });

  SetTexts();
  filling_ = true;
  list_.AddColumn(std::u16string(Text(TextKey::PROFILES_COLUMN_ACTIVE)), 60);
  list_.AddColumn(std::u16string(Text(TextKey::PROFILES_COLUMN_NAME)), 120);
  list_.AddColumn(std::u16string(Text(TextKey::PROFILES_COLUMN_FOLDER)), 230);
  rows_.clear();
  // The keyboard's three profiles, all kept in the one profile file: shown by
  // their names, as the main window's label shows them, and recorded by the file.
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    AddRow(ProfileRowOf(ProfileFilePath(profile)), Text(ProfileNameText(profile)));
  const int current = host_.currentProfile ? host_.currentProfile() : -1;
  if (current >= 0 && current < list_.RowCount()) list_.SetChecked(current, true);
  filling_ = false;
  SetPending(false);
  return TRUE;
}

void COstrak_DlgProfile::SetTexts() {
  SetWindowTextW(hwnd(), Wide(Text(TextKey::PROFILES_CAPTION)).c_str());
  PlaceFrameTitle(title_, Background().bitmap(), Size().width, Text(TextKey::PROFILES_CAPTION));
  const std::pair<CPngButton*, TextKey> captions[] = {
      {&add_, TextKey::PROFILES_ADD},  {&load_, TextKey::PROFILES_LOAD},  {&delete_, TextKey::PROFILES_DELETE},
      {&ok_, TextKey::PROFILE_OK},     {&cancel_, TextKey::PROFILE_CANCLE}, {&apply_, TextKey::PROFILE_APPLY}};
  for (const auto& [button, key] : captions) {
    button->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    button->SetText(Text(key));
  }
}

void COstrak_DlgProfile::AddRow(const ProfileRow& row, std::u16string_view shownName) {
  rows_.push_back(row);
  list_.AddRow({u"", shownName.empty() ? row.name : std::u16string(shownName), row.folder});
}

bool COstrak_DlgProfile::OnCommand(int id, int notifyCode, HWND control) {
  switch (id) {
    case IDC_PROFILE_ADD:
      AddFile(FileDialogKind::kSave);
      return true;
    case IDC_PROFILE_LOAD:
      AddFile(FileDialogKind::kOpen);
      return true;
    case IDC_PROFILE_DELETE:
      DeleteSelectedRow();
      return true;
    case IDC_PROFILE_APPLY:
      Apply();
      return true;
    case IDC_PROFILE_HIDDEN:
      return true;
    default:
      return false;
  }
}

void COstrak_DlgProfile::AddFile(FileDialogKind kind) {
  const std::optional<std::u16string> path = choose_(hwnd(), kind);
  if (!path) return;
  if (kind == FileDialogKind::kSave) NewDefaultProfileFile(*path);  // a file that cannot be made still gets its row
  filling_ = true;
  AddRow(ProfileRowOf(*path));
  filling_ = false;
  SetPending(true);
}

void COstrak_DlgProfile::DeleteSelectedRow() {
  const int row = list_.SelectedRow();
  if (row < 0) return;
  filling_ = true;
  list_.DeleteRow(row);
  filling_ = false;
  rows_.erase(rows_.begin() + row);
  // The next row becomes the selected one.
  if (row < list_.RowCount()) ListView_SetItemState(list_.hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetPending(true);
}

void COstrak_DlgProfile::OnTick(int row) {
  if (filling_) return;
  if (list_.IsChecked(row)) {
    filling_ = true;
    for (int other = 0; other < list_.RowCount(); ++other)
      if (other != row && list_.IsChecked(other)) list_.SetChecked(other, false);
    filling_ = false;
  }
  SetPending(true);
}

void COstrak_DlgProfile::Apply() {
  for (const auto& [name, value] : ProfileListValues(rows_)) WriteRegistryString(kProfilesSection, name, value);
  int ticked = -1;
  for (int row = 0; row < list_.RowCount() && ticked < 0; ++row)
    if (list_.IsChecked(row)) ticked = row;
  // A row beyond the keyboard's three profiles leaves its profile as it is.
  if (host_.useProfile) host_.useProfile(KeyboardProfileOfRow(ticked));
  SetPending(false);
}

void COstrak_DlgProfile::SetPending(bool pending) {
  pending_ = pending;
  apply_.Enable(pending);
}

void COstrak_DlgProfile::OnOK() {
  Apply();
  CBaseDialog::OnOK();
}

void COstrak_DlgProfile::OnDestroy() {
  --openCount_;
  pending_ = false;
}

bool COstrak_DlgProfile::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (change && change->hdr.idFrom == IDC_PROFILE_LIST && change->hdr.code == LVN_ITEMCHANGED &&
        (change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) &&
        (change->uOldState & LVIS_STATEIMAGEMASK) != 0) {
      OnTick(change->iItem);
      return true;
    }
  }
  return CBaseDialog::OnMessage(message, wParam, lParam, result);
}

bool COstrak_DlgProfile::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
    if (host_.openHelp) host_.openHelp();
    return true;
  }
  return false;
}
