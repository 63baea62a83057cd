// The key grid: a button for every key of the keyboard, the extra keys G1 to
// G9 with the macro button, the Fn key, the lock and layer indicators, the
// flip buttons and arrows. Each button's skin key, control id and member come
// from one table. A key button is checked while its key carries an
// assignment and says in its tooltip what that is; a click opens the key's
// editor, or paints the key while the lighting panel's per-key colours are on.
#pragma once

#include <array>
#include <functional>

#include "keyboard/key_codes.h"
#include "panels/key_edit_request.h"
#include "panels/panel_win.h"
#include "profiles/key_grid_view.h"


class KeyGridPanel : public Panel {
 public:
  explicit KeyGridPanel(UserInterface& ui) : Panel(ui) {}

  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  bool OnCommand(int id, int notifyCode) override;
  void OnButtonsMade() override;
  // The keys and arrows that are disabled at times still say what they do.
  void OnWindowMouse(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Without a mouse: the arrow keys move between the keys as the picture lays
  // them out, Enter does what a click does (Space does, as on any button). The
  // grid is one stop of Tab: the key last moved to.
  bool OnKeyDown(HWND focus, WPARAM key) override;

  // The key editor, run modally on a click; the window fills it in, and
  // takes what the editor's Apply hands on. The grid shows the key lit while
  // it runs.
  using KeyEditor = std::function<void(const KeyEditRequest&)>;
  void SetKeyEditor(KeyEditor editor) { editor_ = std::move(editor); }
  // A click on a key button, G key or Fn goes to the painter first (the
  // lighting panel paints keys while it is on): true when it took the click.
  using KeyPainter = std::function<bool(int controlId)>;
  void SetKeyPainter(KeyPainter painter) { painter_ = std::move(painter); }

  // Every key button and extra key again from the current bank of the working
  // profile, then the flip setting.
  void RefreshKeyGrid();
  // Only the tooltips.
  void RefreshKeyTooltips();
  // The grid's words in the current language: the flip light and the tooltips.
  void SetTexts();
  // The button of `entry` (an extra key of the current layer or a key) shows an empty entry.
  void ClearKeyButton(int entry);
  // The Default button's reset of the current bank, as an edit of the session's profile.
  void ResetKeysToDefault();
  // The extra keys' checked faces.
  void RefreshExtraKeys();
  // The layer the keyboard shows changed: the layer indicator and the extra keys.
  void ShowLayer();
  // The flip setting: F1 to F4 or D1 to D6, and the flip indicator.
  void ApplyFlip();
  void ToggleFlip();
  // Every key's colour faces and colour word from the current bank, the colour display off.
  void ShowColourFaces();
  // Tints the key buttons (and G1 to G9, Fn) with `colourOf(position)`; none
  // gives the normal faces back. `position` is a key-colour position.
  void TintKeys(const std::function<std::optional<COLORREF>(int position)>& colourOf);

  CPngButton& KeyButton(int index) { return keys_[index]; }
  CPngButton& ExtraKey(int index) { return extraKeys_[index]; }
  CPngButton& LayerIndicator() { return layerIndicator_; }
  CPngButton& FlipIndicator() { return flipIndicator_; }
  CPngButton& DKey(int index) { return dKeys_[index]; }
  CPngButton& FlipButton(int index) { return index == 0 ? flip1_ : flip2_; }
  CPngButton& Arrow(bool right) { return right ? rightArrow_ : leftArrow_; }

 protected:
  // The grid follows the session's profile, keys and layer.
  void OnSessionEvent(const SessionEvent& event) override;

 private:
  int Layer() const { return session().Layer(); }
  KeyGridView View() const;
  void ShowView(bool faces);
  void EditKey(int controlId);
  // The texts of the flip's buttons and arrows and of G6 to G9, in the current language.
  void ShowFixedTooltips();
  void PlaceArrow(CPngButton& arrow, const char16_t* upOrigin, const char16_t* downOrigin);
  // The grid's buttons a user can press now (shown and enabled), keys first.
  std::vector<CPngButton*> PressableKeys();
  void MoveTabStop(HWND to);

  KeyEditor editor_;
  KeyPainter painter_;
  std::array<CPngButton, kKeyboardKeyCount> keys_;  // in the order of KeyboardKeys
  std::array<CPngButton, kExtraKeyCount> extraKeys_;
  std::array<CPngButton, 6> dKeys_;  // D1 to D6
  CPngButton enterTop_;              // the Enter key's upper part, hidden
  CPngButton fnKey_, lockCaps_, lockNum_, lockScroll_, layerIndicator_, flipIndicator_, flip1_, flip2_;
  CPngButton leftArrow_, rightArrow_;
};
