// The profile buttons: the profile label (its click opens the profile
// manager), the profile menu that switches the keyboard's profile, the buttons
// Profile 1 to 3 (the current one checked) and Default beside the grid.
#pragma once

#include <array>

#include "panels/panel_win.h"

class ProfilePanel : public Panel {
 public:
  explicit ProfilePanel(UserInterface& ui) : Panel(ui) {}

  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  bool OnCommand(int id, int notifyCode) override;

  void BindControls(const std::function<void(Control&, int id)>& bind) override;
  void AddSkinTargets(SkinTargets& targets) override;
  void OnButtonsMade() override;
  // What the profile buttons ask of the lighting panel, which the window
  // connects: its key painting ends before a switch, its caption follows
  // after one, and Default restores its default lighting with the keys.
  struct LightingHooks {
    std::function<void()> beforeSwitch;
    std::function<void()> afterSwitch;
    std::function<void()> restoreDefaults;
  };
  void SetLightingHooks(LightingHooks hooks) { lighting_ = std::move(hooks); }
  // The profile manager, run modally on a click of the label; the window fills it in.
  void SetProfileManager(std::function<void()> manager) { manager_ = std::move(manager); }
  // The label shows the profile menu's checked entry, with its tooltip.
  void RefreshLabel();
  // Checks the button of the current profile; an unknown one leaves them as they are.
  void RefreshProfileButtons();
  // The captions in the current language.
  void SetTexts();
  // The profile label: the current profile's name, and its tooltip.
  const CPngButton& Label() const { return label_; }

 protected:
  void OnConnected() override;
  // The label and the buttons follow the keyboard's current profile.
  void OnSessionEvent(const SessionEvent& event) override;

 private:
  void ShowProfileMenu();
  void SwitchTo(int index);
  void RestoreDefaults();
  LightingHooks lighting_;
  std::function<void()> manager_;
  CPngButton label_;
  std::array<CPngButton, kKeyboardProfileCount> profileButtons_;
  CPngButton defaultButton_;
};
