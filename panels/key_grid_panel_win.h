// The key grid: a button for every key of the keyboard, the extra keys G1 to
// G9, the Fn key, the lock and layer indicators, the flip buttons and arrows.
// Each button's skin key, control id and member come from one table.
#pragma once

#include <array>

#include "keyboard/key_codes.h"
#include "panels/panel_win.h"

class KeyGridPanel : public Panel {
 public:
  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  // What a click on a key does comes with the key editors.
  bool OnCommand(int id, int notifyCode) override { return true; }

  CPngButton& KeyButton(int index) { return keys_[index]; }

 private:
  std::array<CPngButton, kKeyboardKeyCount> keys_;  // in the order of KeyboardKeys
  std::array<CPngButton, 9> extraKeys_;
  CPngButton fnKey_, lockCaps_, lockNum_, lockScroll_, layerIndicator_, flipIndicator_, flip1_, flip2_;
  CPngButton leftArrow_, rightArrow_;
};
