#include "panels/profile_panel_win.h"

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "profiles/profile_keyboard.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"

namespace {

constexpr IdRange kProfileCommands[] = {{IDC_FUNC_PROFILES, IDC_FUNC_PROFILES},
                                        {IDC_PROFILE_MENU, IDC_PROFILE_MENU},
                                        {IDC_PROFILE1, IDC_DEFAULT},
                                        {kProfileMenuFirstCommand, kProfileMenuFirstCommand + 200}};

}  // namespace

void ProfilePanel::Connect(HWND host, DeviceLink* link, TransferThread* transfers) {
  host_ = host;
  link_ = link;
  transfers_ = transfers;
  label_.SetTextStyle(true, 10, u"Arial", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_BOTTOM);
  label_.SetTextAngle(268, true);
}

std::span<const IdRange> ProfilePanel::Commands() const { return kProfileCommands; }

std::vector<PanelButton> ProfilePanel::Buttons() {
  return {{u"FUNC_PROFILE1", IDC_PROFILE1, &profileButtons_[0]},
          {u"FUNC_PROFILE2", IDC_PROFILE2, &profileButtons_[1]},
          {u"FUNC_PROFILE3", IDC_PROFILE3, &profileButtons_[2]},
          {u"FUNC_DEFAULT", IDC_DEFAULT, &defaultButton_}};
}

bool ProfilePanel::OnCommand(int id, int notifyCode) {
  if (id == IDC_PROFILE_MENU) {
    ShowProfileMenu();
  } else if (id >= kProfileMenuFirstCommand && link_ && transfers_) {
    SwitchProfile(*transfers_, *link_, ui_, Working(), ProfileFilePath(link_->CachedProfile()), id - kProfileMenuFirstCommand - 1);
  }
  // The profile manager (the label) and the profile buttons come with their editors.
  return true;
}

void ProfilePanel::RefreshLabel() {
  const int current = link_ ? link_->CachedProfile() : -1;
  for (const ProfileMenuItem& item : ProfileMenuItems(current, FileNameOf(ProfileFilePath(0)))) {
    if (!item.checked) continue;
    label_.SetText(item.text);
    label_.SetTooltipText(std::u16string(Text(TextKey::PROFILE_TIP)) + item.text);
  }
}

void ProfilePanel::ShowProfileMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  const int current = link_ ? link_->CachedProfile() : -1;
  for (const ProfileMenuItem& item : ProfileMenuItems(current, FileNameOf(ProfileFilePath(0)))) {
    if (item.command == 0)
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : 0), item.command, WidePtr(item.text));
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(host_);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, host_, nullptr);
  DestroyMenu(menu);
}
