#include "panels/profile_panel_win.h"

#include "app/app_paths.h"
#include "app/shell_state.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "profiles/key_grid_view.h"
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

void ProfilePanel::OnConnected() {
  // Tahoma, which the system links to a font with Chinese letters: the label
  // names the profile in the user's language.
  label_.SetTextStyle(true, 10, u"Tahoma", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_BOTTOM);
  label_.SetTextAngle(268, true);
  for (CPngButton* button : {&profileButtons_[0], &profileButtons_[1], &profileButtons_[2], &defaultButton_})
    button->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void ProfilePanel::BindControls(const std::function<void(Control&, int id)>& bind) { bind(label_, IDC_FUNC_PROFILES); }

void ProfilePanel::AddSkinTargets(SkinTargets& targets) { targets.buttons[u"FUNC_PROFILES"] = &label_; }

void ProfilePanel::OnButtonsMade() {
  // Their captions once they have windows to show them.
  SetTexts();
  RefreshProfileButtons();
}

std::span<const IdRange> ProfilePanel::Commands() const { return kProfileCommands; }

std::vector<PanelButton> ProfilePanel::Buttons() {
  return {{u"FUNC_PROFILE1", IDC_PROFILE1, &profileButtons_[0]},
          {u"FUNC_PROFILE2", IDC_PROFILE2, &profileButtons_[1]},
          {u"FUNC_PROFILE3", IDC_PROFILE3, &profileButtons_[2]},
          {u"FUNC_DEFAULT", IDC_DEFAULT, &defaultButton_}};
}

void ProfilePanel::SetTexts() {
  LoadLanguageGroup(3);
  const TextKey captions[] = {TextKey::PROFILE_1, TextKey::PROFILE_2, TextKey::PROFILE_3};
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile) profileButtons_[profile].SetText(Text(captions[profile]));
  defaultButton_.SetText(Text(TextKey::PROFILE_DEFAULT));
  RefreshLabel();
}

bool ProfilePanel::OnCommand(int id, int notifyCode) {
  if (id == IDC_FUNC_PROFILES) {
    if (manager_) manager_();
  } else if (id == IDC_PROFILE_MENU) {
    ShowProfileMenu();
  } else if (id >= IDC_PROFILE1 && id < IDC_PROFILE1 + kKeyboardProfileCount) {
    SwitchTo(id - IDC_PROFILE1);
  } else if (id == IDC_DEFAULT) {
    RestoreDefaults();
  } else if (id >= kProfileMenuFirstCommand && link() && context_.switchProfile) {
    context_.switchProfile(id - kProfileMenuFirstCommand - 1);
  }
  return true;
}

void ProfilePanel::SwitchTo(int index) {
  if (lighting_.beforeSwitch) lighting_.beforeSwitch();
  if (CurrentProfile() == index || !link() || !context_.switchProfile) return;
  if (!context_.switchProfile(index)) return;
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    profileButtons_[profile].SetChecked(profile == index, true);
  Shell().displayMode = 0;
  if (lighting_.afterSwitch) lighting_.afterSwitch();
  // The keys show the new bank once the keyboard has switched (the window
  // hears of it and refreshes the grid with its colour faces).
}

void ProfilePanel::RestoreDefaults() {
  if (!ui_.AskYesNo(Text(TextKey::MAIN_PROMPT_DEFAULT))) return;
  // The keys of the bank and layer shown; the grid shows them when the session tells of the edit.
  const int bank = CurrentProfile(), layer = session().Layer();
  session().Edit([&](WorkingProfile& profile) { return ResetKeysToDefault(profile, bank, layer); });
  if (lighting_.restoreDefaults) lighting_.restoreDefaults();
  if (context_.apply) context_.apply();
}

void ProfilePanel::OnSessionEvent(const SessionEvent& event) {
  if (event.kind != SessionEvent::Kind::kKeyboardArrived && event.kind != SessionEvent::Kind::kProfileSwitched) return;
  RefreshLabel();
  RefreshProfileButtons();
}

void ProfilePanel::RefreshProfileButtons() {
  const int current = CurrentProfile();
  if (current < 0 || current >= kKeyboardProfileCount) return;
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    profileButtons_[profile].SetChecked(profile == current, true);
}

void ProfilePanel::RefreshLabel() {
  for (const ProfileMenuItem& item : ProfileMenuItems(CurrentProfile())) {
    if (!item.checked) continue;
    label_.SetText(item.text);
    label_.SetTooltipText(std::u16string(Text(TextKey::PROFILE_TIP)) + item.text);
  }
}

void ProfilePanel::ShowProfileMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (const ProfileMenuItem& item : ProfileMenuItems(CurrentProfile())) {
    if (item.command == 0)
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : 0), item.command, WidePtr(item.text));
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(host());
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, host(), nullptr);
  DestroyMenu(menu);
}
