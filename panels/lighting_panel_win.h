// The lighting panel: the keyboard's lighting effects and the report rate.
// For now it holds the four report-rate buttons and the colour-key switch,
// which is never offered; its effect list, sliders and colour buttons come
// with the lighting issue, in the ids this panel answers.
#pragma once

#include <array>

#include "panels/panel_win.h"

class LightingPanel : public Panel {
 public:
  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  bool OnCommand(int id, int notifyCode) override { return true; }

 private:
  std::array<CPngButton, 4> reportRateButtons_;
  CPngButton switchButton_;
};
