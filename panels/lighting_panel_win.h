// The lighting panel: the keyboard's lighting effect and what the effect
// uses (brightness, speed, direction, colours, the per-key colours), the
// switch that turns the panel on, and the report-rate buttons.
//
// The keyboard keeps the lighting itself: the panel reads it when a keyboard
// arrives or reports a change, and writes every change at once. Transfers run
// on the transfer thread; the panel shows a change at once and, when the
// keyboard did not take it, what the keyboard holds after the failure.
#pragma once

#include <array>
#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

#include "app/ini_section.h"
#include "app/messages.h"
#include "controls/kit_controls_win.h"
#include "lighting/drag_coalescer.h"
#include "lighting/effect_controls.h"
#include "lighting/lighting_changes.h"
#include "panels/panel_win.h"

class LightingPanel : public Panel {
 public:
  explicit LightingPanel(UserInterface& ui) : Panel(ui) {}
  ~LightingPanel() override;

  std::vector<PanelButton> Buttons() override;
  std::span<const IdRange> Commands() const override;
  bool OnCommand(int id, int notifyCode) override;
  void BindControls(const std::function<void(Control&, int id)>& bind) override { bind_ = bind; }
  void OnButtonsMade() override;
  bool LateStartStep() override;

  // Tints the key grid's buttons with `colourOf(position)` (a key-colour
  // position), none giving the normal faces back; the window connects it.
  using ColourOf = std::function<std::optional<COLORREF>(int position)>;
  void SetKeyTinter(std::function<void(const ColourOf& colourOf)> tinter) { tintKeys_ = std::move(tinter); }
  // Whether the panel is switched on ("DengCheck").
  bool IsOn() const { return on_; }
  // Whether a key click paints the key: the panel is on and shows the effect
  // with a colour per key. Under any other effect a click edits the key.
  bool PaintsKeys() const;
  // What the switch's tooltip says (tests).
  const std::u16string& SwitchTooltip() const { return switchTooltip_.Text(); }
  void SwitchOff();
  // A key button, G key or Fn clicked while the panel is on.
  void PaintKey(int controlId);
  // The Default button while the panel is on: the default lighting, then read back.
  void RestoreDefaultLighting();
  // The switch button's caption.
  void ShowSwitchText();
  // Captions and effect names from the skin file, in the current language.
  void SetTexts();

  // The window's messages and timers for the panel.
  void OnSliderMoved(int id, int position);
  bool OnTimer(UINT_PTR timer);

  // What the panel shows: the session's lighting.
  const LightingState& State() const;

 protected:
  // The panel shows the session's lighting whenever it changes.
  void OnSessionEvent(const SessionEvent& event) override;

 private:
  struct Slider;
  void ShowState();
  // A dragged control's write has ended: its kept position may go next.
  void OnWriteEnded(int id);
  void ShowControls();
  void ShowPictures();
  void ShowKeyTint();
  void SelectEffect(int listIndex);
  void PickColour(int id);
  // The user's change, made through the session (which sends its writes); a
  // dragged control hears when its write ended.
  using Change = std::function<LightingWrites(LightingState&)>;
  void Send(const Change& change, int draggedId = 0, bool readAfter = false);
  void SendDragged(Slider& slider, int position);
  void SwitchOn();
  void SetReportRate(int button);
  Slider* SliderOf(int id);
  // Makes the panel's controls where the skin puts them (after start-up: the
  // window starts faster without them) and binds them.
  void MakeControls();
  HWND MakeControl(const wchar_t* windowClass, DWORD style, int id, const char16_t* skinKey, bool shown);
  void MoveToSkinKey(HWND control, const char16_t* skinKey, bool keepSize) const;

  std::function<void(const ColourOf&)> tintKeys_;
  IniSection effectNames_;  // the skin's names of the effects in the current language
  bool on_ = false;
  bool clientShowDue_ = false;  // a client's change waits to be shown

  std::function<void(Control&, int id)> bind_;
  // The panel's controls.
  CComboBox effectList_;
  CBitmapSlider brightnessSlider_, speedSlider_;
  // Sized once when bound (the window keeps pointers to them).
  std::vector<Control> pictures_;          // the on/off, direction, flag, option and tool pictures
  std::vector<CSkinColorButton> colours_;  // the colour buttons
  std::vector<CColourStatic> captions_;
  std::array<CPngButton, 4> reportRateButtons_;
  CPngButton switchButton_;
  ControlTooltip switchTooltip_;

  // The panel's pictures, read after start-up, kept for the whole run.
  std::vector<HBITMAP> bitmaps_;
  std::size_t bitmapsRead_ = 0;

  struct Slider {
    int id;
    DragCoalescer coalescer;
  };
  std::array<Slider, 2> sliders_{};
};
