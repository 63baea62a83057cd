#include "panels/key_grid_panel_win.h"

#include "panels/key_grid_ids.h"
#include "resources/resource_ids.h"
#include "skin/skin_keys.h"

namespace {

constexpr IdRange kKeyGridCommands[] = {
    {kExtraKeyIds[0], kExtraKeyIds[4]}, {1010, 1120},  // G1 to G5; the keys, D1 to D6, the Enter key's top
    {IDC_LOCK_CAPS, IDC_RIGHT_ARROW},                  // indicators, flip buttons, arrows
    {kExtraKeyIds[5], kExtraKeyIds[8]},                // G6 to G9
    {IDC_KEY_FN, IDC_KEY_FN}};

}  // namespace

std::span<const IdRange> KeyGridPanel::Commands() const { return kKeyGridCommands; }

std::vector<PanelButton> KeyGridPanel::Buttons() {
  using Start = PanelButton::Start;
  std::vector<PanelButton> buttons;
  // G6 to G9 have no key on this keyboard: they stay disabled.
  for (int j = 0; j < 9; ++j)
    buttons.push_back({ExtraKeySkinKey(j), kExtraKeyIds[j], &extraKeys_[j], j < 5 ? Start::kShown : Start::kDisabled});
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    buttons.push_back({KeyButtonSkinKey(KeyboardKeys[i]), kKeyButtonIds[i], &keys_[i]});
  const PanelButton named[] = {
      {u"KEY_FN", IDC_KEY_FN, &fnKey_},
      {u"LOCK_CAPS", IDC_LOCK_CAPS, &lockCaps_},
      {u"LOCK_NUM", IDC_LOCK_NUM, &lockNum_},
      {u"LOCK_SCROLL", IDC_LOCK_SCROLL, &lockScroll_},
      {u"LOCK_AB", IDC_LOCK_AB, &layerIndicator_},
      {u"FLIP_0", IDC_FLIP_0, &flipIndicator_},
      {u"FLIP_1", IDC_FLIP_1, &flip1_},
      {u"FLIP_2", IDC_FLIP_2, &flip2_},
      {u"LEFT_ARROW", IDC_LEFT_ARROW, &leftArrow_, Start::kDisabled},
      {u"RIGHT_ARROW", IDC_RIGHT_ARROW, &rightArrow_, Start::kDisabled}};
  buttons.insert(buttons.end(), std::begin(named), std::end(named));
  return buttons;
}
