#include "panels/lighting_panel_win.h"

#include "resources/resource_ids.h"

namespace {

// The lighting panel's block, but for the Fn key (the key grid's) and the wait
// picture (the window's own) in it.
constexpr IdRange kLightingCommands[] = {
    {IDC_SWITCH, IDC_KEY_FN - 1}, {IDC_KEY_FN + 1, IDC_WAIT_PICTURE - 1}, {IDC_WAIT_PICTURE + 1, 1194}};

}  // namespace

std::span<const IdRange> LightingPanel::Commands() const { return kLightingCommands; }

std::vector<PanelButton> LightingPanel::Buttons() {
  std::vector<PanelButton> buttons;
  const int reportRateIds[] = {IDC_REPORT1, IDC_REPORT2, IDC_REPORT3, IDC_REPORT4};
  for (int k = 0; k < 4; ++k)
    buttons.push_back({u"FUNC_REPORT" + std::u16string(1, char16_t(u'1' + k)), reportRateIds[k], &reportRateButtons_[k]});
  buttons.push_back({u"FUNC_SWITCH", IDC_SWITCH, &switchButton_, PanelButton::Start::kHidden});
  return buttons;
}
