#include "panels/key_grid_panel_win.h"

#include <algorithm>

#include "lighting/key_colours.h"
#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "skin/neighbour_place.h"
#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"

namespace {

constexpr IdRange kKeyGridCommands[] = {
    {kExtraKeyIds[0], kExtraKeyIds[4]},  // G1 to G5
    {IDC_FUNC_MACRO, IDC_FUNC_MACRO},    // edits G9
    {1010, 1120},                        // the keys, D1 to D6, the Enter key's upper part
    {IDC_LOCK_CAPS, IDC_RIGHT_ARROW},    // indicators, flip buttons, arrows
    {kExtraKeyIds[5], kExtraKeyIds[8]},  // G6 to G9
    {IDC_KEY_FN, IDC_KEY_FN}};

int IndexOf(std::span<const int> ids, int id) {
  for (std::size_t i = 0; i < ids.size(); ++i)
    if (ids[i] == id) return static_cast<int>(i);
  return -1;
}

bool Flipped() { return ReadFlagSetting(kFlipValue) != 0; }

constexpr int kEnterKeyId = 1070;
constexpr int kF5KeyId = 1014;

}  // namespace

std::span<const IdRange> KeyGridPanel::Commands() const { return kKeyGridCommands; }

std::vector<PanelButton> KeyGridPanel::Buttons() {
  using Start = PanelButton::Start;
  std::vector<PanelButton> buttons;
  // G6 to G9 have no key on this keyboard: they stay disabled.
  for (int j = 0; j < kExtraKeyCount; ++j)
    buttons.push_back({ExtraKeySkinKey(j), kExtraKeyIds[j], &extraKeys_[j],
                       j < kUsableExtraKeys ? Start::kShown : Start::kDisabled});
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    buttons.push_back({KeyButtonSkinKey(KeyboardKeys[i]), kKeyButtonIds[i], &keys_[i]});
  // D1 to D6 stand in for F1 to F4 while the keys are flipped.
  for (int d = 0; d < static_cast<int>(dKeys_.size()); ++d)
    buttons.push_back({DKeySkinKey(d), kDKeyIds[d], &dKeys_[d], Start::kDisabled});
  // The Enter key's upper part shares the Enter key's place and is never shown.
  buttons.push_back({KeyButtonSkinKey(0x01C), IDC_ENTER_TOP, &enterTop_, Start::kHidden});
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

void KeyGridPanel::OnWindowMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  std::vector<CPngButton*> sometimesDisabled = {&leftArrow_, &rightArrow_};
  for (int j = kUsableExtraKeys; j < kExtraKeyCount; ++j) sometimesDisabled.push_back(&extraKeys_[j]);
  for (int id : kFlippedKeyIds) sometimesDisabled.push_back(&keys_[IndexOf(kKeyButtonIds, id)]);
  for (CPngButton& d : dKeys_) sometimesDisabled.push_back(&d);
  RelayMouseToDisabledButtons(host(), message, wParam, lParam, sometimesDisabled);
}

std::vector<CPngButton*> KeyGridPanel::PressableKeys() {
  std::vector<CPngButton*> buttons;
  const auto add = [&buttons](CPngButton& button) {
    // Its own style, not whether it is seen: the window may be hidden.
    if (button.hwnd() && (GetWindowLongPtrW(button.hwnd(), GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(button.hwnd()))
      buttons.push_back(&button);
  };
  for (CPngButton& key : keys_) add(key);
  for (CPngButton& d : dKeys_) add(d);
  for (CPngButton& key : extraKeys_) add(key);
  add(fnKey_);
  return buttons;
}

void KeyGridPanel::MoveTabStop(HWND to) {
  for (CPngButton* button : PressableKeys()) {
    const LONG_PTR style = GetWindowLongPtrW(button->hwnd(), GWL_STYLE);
    const LONG_PTR wanted = button->hwnd() == to ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP);
    if (wanted != style) SetWindowLongPtrW(button->hwnd(), GWL_STYLE, wanted);
  }
}

bool KeyGridPanel::OnKeyDown(HWND focus, WPARAM key) {
  const std::vector<CPngButton*> buttons = PressableKeys();
  const auto focused = std::find_if(buttons.begin(), buttons.end(), [focus](CPngButton* b) { return b->hwnd() == focus; });
  if (focused == buttons.end()) return false;
  if (key == VK_RETURN) {
    OnCommand(GetDlgCtrlID(focus), BN_CLICKED);
    return true;
  }
  const Direction direction = key == VK_LEFT    ? Direction::kLeft
                              : key == VK_RIGHT ? Direction::kRight
                              : key == VK_UP    ? Direction::kUp
                                                : Direction::kDown;
  if (key != VK_LEFT && key != VK_RIGHT && key != VK_UP && key != VK_DOWN) return false;
  std::vector<SkinRect> places;
  for (CPngButton* button : buttons) {
    RECT box;
    GetWindowRect(button->hwnd(), &box);
    MapWindowPoints(nullptr, host(), reinterpret_cast<POINT*>(&box), 2);
    places.push_back({box.left, box.top, box.right - box.left, box.bottom - box.top});
  }
  const std::optional<std::size_t> next =
      NeighbourPlace(places, static_cast<std::size_t>(focused - buttons.begin()), direction);
  if (next) {
    HWND to = buttons[*next]->hwnd();
    MoveTabStop(to);
    SetFocus(to);
  }
  return true;  // at the grid's edge the focus stays
}

void KeyGridPanel::OnButtonsMade() {
  // Once the layer indicator has painted, the extra keys it overlaps paint
  // again; once a flip button has painted from its normal face, its arrow is
  // placed again for the flip setting.
  layerIndicator_.SetPaintCallback([this](HWND, bool) {
    for (CPngButton& key : extraKeys_)
      if (key.hwnd()) InvalidateRect(key.hwnd(), nullptr, FALSE);
  });
  flip1_.SetPaintCallback([this](HWND, bool normal) {
    if (normal) PlaceArrow(leftArrow_, u"UP_ARROW_LEFT", u"DOWN_ARROW_LEFT");
  });
  flip2_.SetPaintCallback([this](HWND, bool normal) {
    if (normal) PlaceArrow(rightArrow_, u"UP_ARROW_RIGHT", u"DOWN_ARROW_RIGHT");
  });
  // The flip indicator may overlap the key set in use, F5 and the flip
  // buttons: they paint again over it.
  flipIndicator_.SetPaintCallback([this](HWND, bool) {
    const auto repaint = [](const CPngButton& button) {
      if (button.hwnd()) InvalidateRect(button.hwnd(), nullptr, FALSE);
    };
    if (Flipped()) {
      for (const CPngButton& d : dKeys_) repaint(d);
    } else {
      for (int id : kFlippedKeyIds) repaint(keys_[IndexOf(kKeyButtonIds, id)]);
    }
    repaint(keys_[IndexOf(kKeyButtonIds, kF5KeyId)]);
    repaint(flip1_);
    repaint(flip2_);
  });
  keys_[IndexOf(kKeyButtonIds, kEnterKeyId)].SetPaintCallback([this](HWND, bool) {
    if (enterTop_.hwnd()) InvalidateRect(enterTop_.hwnd(), nullptr, FALSE);
  });
  // The keys that are disabled at times look it; those that never work say why.
  for (int id : kFlippedKeyIds) keys_[IndexOf(kKeyButtonIds, id)].SetDimmedWhenDisabled(true);
  for (CPngButton& d : dKeys_) d.SetDimmedWhenDisabled(true);
  for (int j = kUsableExtraKeys; j < kExtraKeyCount; ++j) extraKeys_[j].SetDimmedWhenDisabled(true);
  ShowFixedTooltips();
  // The flip light's word is the program's, in the chosen language.
  flipIndicator_.SetTextStyle(true, 8, u"Tahoma", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_LEFT | DT_VCENTER);
  flipIndicator_.SetTextOffsets(15, 0, 0, 0);  // beside the light's dot
  flipIndicator_.SetText(Text(TextKey::MAIN_FLIP));
  ApplyFlip();
  // Tab reaches the grid at its first key.
  MoveTabStop(keys_[0].hwnd());
}

void KeyGridPanel::ShowFixedTooltips() {
  const std::u16string flip(Text(TextKey::MAIN_FLIP_PROMPT));
  for (CPngButton* button : {&flipIndicator_, &flip1_, &flip2_}) button->SetTooltipText(flip);
  const std::u16string arrow(Text(TextKey::MAIN_FLIP_ARROW_PROMPT));
  leftArrow_.SetTooltipText(arrow);
  rightArrow_.SetTooltipText(arrow);
  for (int j = kUsableExtraKeys; j < kExtraKeyCount; ++j)
    extraKeys_[j].SetTooltipText(ExtraKeyName(j) + u": " + std::u16string(Text(TextKey::MAIN_GKEY_ABSENT_PROMPT)));
  for (int d = 0; d < static_cast<int>(dKeys_.size()); ++d) {
    std::u16string name = u"D1";
    name[1] = static_cast<char16_t>(u'1' + d);
    dKeys_[d].SetTooltipText(name);
  }
}

void KeyGridPanel::PlaceArrow(CPngButton& arrow, const char16_t* upOrigin, const char16_t* downOrigin) {
  if (!context_.placement || !arrow.hwnd()) return;
  const std::u16string origin = std::u16string(Flipped() ? upOrigin : downOrigin) + u"1";
  const SkinRect at = SkinRectIn(context_.placement->buttonInfo2, origin);
  const FaceSet faces{MainArrowPicture(), MainArrowPicture(), MainArrowPicture(), MainArrowPicture(),
                      MainArrowPicture()};
  const POINT now = arrow.FaceOrigin();
  if (now.x == at.x && now.y == at.y) return;  // already showing it: no repaint loop
  arrow.SetFaceOrigin(at.x, at.y);
  arrow.SetFaces(faces, true);
}

bool KeyGridPanel::OnCommand(int id, int notifyCode) {
  if (id == IDC_FLIP_1 || id == IDC_FLIP_2) {
    ToggleFlip();
  } else if (id == IDC_KEY_FN || id == IDC_ENTER_TOP || IndexOf(kDKeyIds, id) >= 0) {
    // Buttons without a key of their own: only the lighting panel's painting takes them.
    if (painter_) painter_(id);
  } else if (IndexOf(kKeyButtonIds, id) >= 0) {
    if (!painter_ || !painter_(id)) EditKey(id);
  } else if (IndexOf(kExtraKeyIds, id) >= 0 || id == IDC_FUNC_MACRO) {
    EditKey(id == IDC_FUNC_MACRO ? kExtraKeyIds[kMacroButtonExtraKey] : id);
  }
  // The lock lights and the arrows do nothing.
  return true;
}

void KeyGridPanel::EditKey(int controlId) {
  if (!IsKeyboardProfile(CurrentProfile())) return;  // no bank to edit while the profile is unknown
  const int extra = IndexOf(kExtraKeyIds, controlId);
  const int key = IndexOf(kKeyButtonIds, controlId);
  const int entry = extra >= 0 ? ExtraKeyEntry(extra, Layer()) : KeyButtonEntry(key);
  if (entry < 0) return;
  CPngButton& button = extra >= 0 ? extraKeys_[extra] : keys_[key];
  // Lit while it is being edited.
  button.SetFaces(MainFaces("OODNO"), true);
  if (editor_) editor_({entry, controlId, controlId == kExtraKeyIds[kMacroButtonExtraKey]});
  button.SetFaces(MainFaces("NODNX"), true);
}

KeyGridView KeyGridPanel::View() const {
  const int bank = CurrentProfile(), layer = Layer();
  return session().Read([&](const WorkingProfile& profile) { return BuildKeyGridView(profile, bank, layer); });
}

void KeyGridPanel::OnSessionEvent(const SessionEvent& event) {
  switch (event.kind) {
    case SessionEvent::Kind::kKeyboardArrived:
    case SessionEvent::Kind::kProfileLoaded:
    case SessionEvent::Kind::kKeysChanged:
      RefreshKeyGrid();
      break;
    case SessionEvent::Kind::kProfileSwitched:
      RefreshKeyGrid();
      ShowColourFaces();
      break;
    case SessionEvent::Kind::kLayerChanged:
      ShowLayer();
      break;
    default:
      break;
  }
}

void KeyGridPanel::ShowView(bool faces) {
  const KeyGridView view = View();
  for (int j = 0; j < kExtraKeyCount; ++j) {
    if (faces) extraKeys_[j].SetChecked(view.extraKeys[j].checked, true);
    extraKeys_[j].SetTooltipText(view.extraKeys[j].tooltip);
    extraKeys_[j].SetText(view.extraKeys[j].spoken);
  }
  for (int i = 0; i < kKeyboardKeyCount; ++i) {
    if (faces) keys_[i].SetChecked(view.keys[i].checked, true);
    keys_[i].SetTooltipText(view.keys[i].tooltip);
    keys_[i].SetText(view.keys[i].spoken);
  }
  ShowFixedTooltips();
}

void KeyGridPanel::RefreshKeyGrid() {
  ShowView(true);
  ApplyFlip();
}

void KeyGridPanel::RefreshKeyTooltips() { ShowView(false); }

void KeyGridPanel::SetTexts() {
  flipIndicator_.SetText(Text(TextKey::MAIN_FLIP));
  RefreshKeyTooltips();
}

void KeyGridPanel::ClearKeyButton(int entry) {
  const std::optional<GridButton> button = ButtonOfEntry(entry, Layer());
  if (!button) return;
  const bool extra = button->kind == GridButton::Kind::kExtraKey;
  CPngButton& shown = extra ? extraKeys_[button->index] : keys_[button->index];
  shown.SetChecked(false, true);
  shown.SetTooltipText(extra ? ExtraKeyName(button->index) : KeyButtonName(button->index));
}

void KeyGridPanel::ResetKeysToDefault() {
  // The grid shows the reset when the session tells of the changed keys.
  const int bank = CurrentProfile(), layer = Layer();
  session().Edit([&](WorkingProfile& profile) { return ::ResetKeysToDefault(profile, bank, layer); });
}

void KeyGridPanel::RefreshExtraKeys() {
  const int bank = CurrentProfile(), layer = Layer();
  const std::array<bool, kExtraKeyCount> checked =
      session().Read([&](const WorkingProfile& profile) { return ExtraKeysChecked(profile, bank, layer); });
  for (int j = 0; j < kExtraKeyCount; ++j) extraKeys_[j].SetChecked(checked[j], true);
}

void KeyGridPanel::ShowLayer() {
  RefreshExtraKeys();
  const bool second = Layer() == 1;
  layerIndicator_.SetFaces(MainFaces(second ? "OOOON" : "NNNNO"), true);
  // The extra keys' tooltips and window texts say what they do in this layer.
  RefreshKeyTooltips();
}

void KeyGridPanel::ApplyFlip() {
  const bool flipped = Flipped();
  for (int id : kFlippedKeyIds) keys_[IndexOf(kKeyButtonIds, id)].Enable(!flipped);
  for (CPngButton& d : dKeys_) d.Enable(flipped);
  flipIndicator_.SetFaces(MainFaces("NNNNX", flipped ? 1 : 0), false);
  flipIndicator_.SetChecked(flipped, true);
  // The arrows follow when the flip buttons paint.
  for (CPngButton* flip : {&flip1_, &flip2_})
    if (flip->hwnd()) InvalidateRect(flip->hwnd(), nullptr, FALSE);
}

void KeyGridPanel::ToggleFlip() {
  WriteFlagSetting(kFlipValue, Flipped() ? 0 : 1);
  ApplyFlip();
}

void KeyGridPanel::ShowColourFaces() {
  const KeyGridView view = View();
  for (int j = 0; j < kExtraKeyCount; ++j)
    extraKeys_[j].SetColourFaces(MainColourPicture(false), MainColourPicture(true), false, view.extraKeys[j].colour,
                                 true);
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    keys_[i].SetColourFaces(MainColourPicture(false), MainColourPicture(true), false, view.keys[i].colour, true);
}

void KeyGridPanel::TintKeys(const std::function<std::optional<COLORREF>(int position)>& colourOf) {
  const auto tint = [&](CPngButton& button, int position) {
    const std::optional<COLORREF> colour = colourOf(position);
    button.SetTint(colour.value_or(0), colour.has_value());
  };
  for (int i = 0; i < kKeyboardKeyCount; ++i) tint(keys_[i], KeyColourPosition(i));
  for (int j = 0; j < kExtraKeyCount; ++j) tint(extraKeys_[j], ExtraKeyColourPosition(j));
  tint(fnKey_, kFnColourPosition);
}
