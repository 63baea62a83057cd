// The profile buttons: the profile label (its click opens the profile
// manager), the profile menu that switches the keyboard's profile, and the
// buttons Profile 1 to 3 and Default beside the grid.
#pragma once

#include <array>

#include "app/user_interface.h"
#include "device/device_link.h"
#include "device/transfer_thread.h"
#include "panels/panel_win.h"

class ProfilePanel : public Panel {
 public:
  explicit ProfilePanel(UserInterface& ui) : ui_(ui) {}
  // The window and its keyboard (none while a window runs without one).
  void Connect(HWND host, DeviceLink* link, TransferThread* transfers);

  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  bool OnCommand(int id, int notifyCode) override;

  // The label is a control of the window's template; the window binds and places it.
  CPngButton& Label() { return label_; }
  // The label shows the profile menu's checked entry, with its tooltip.
  void RefreshLabel();

 private:
  void ShowProfileMenu();
  UserInterface& ui_;
  HWND host_ = nullptr;
  DeviceLink* link_ = nullptr;
  TransferThread* transfers_ = nullptr;
  CPngButton label_;
  std::array<CPngButton, 3> profileButtons_;
  CPngButton defaultButton_;
};
