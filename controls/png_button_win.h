// CPngButton: an owner-drawn push button that copies its face from one of
// its window's state pictures (normal, hover, pressed, disabled, checked), at
// its face origin, optionally with a colour display, a tint, its caption drawn
// on top, a tooltip and a paint callback. The pictures belong to the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "controls/button_face.h"
#include "controls/dialog_win.h"

struct FaceSet {
  HBITMAP normal = nullptr;
  HBITMAP hover = nullptr;
  HBITMAP pressed = nullptr;
  HBITMAP disabled = nullptr;
  HBITMAP checked = nullptr;
};

// The state pictures of a window by letter: N normal, O over, D down, X disable.
struct StatePictures {
  HBITMAP normal = nullptr, over = nullptr, down = nullptr, disable = nullptr;
};

// Five face slots from their letters ("NODNX": normal N, hover O, ...); any
// other letter gives the normal picture.
FaceSet FacesFromSlots(const std::string& slots, const StatePictures& pictures);

class CPngButton : public SubclassedControl {
 public:
  using PaintCallback = std::function<void(HWND button, bool drewNormalFace)>;

  CPngButton() = default;
  ~CPngButton() override;

  // Binds the button and makes it owner-drawn.
  void Attach(HWND dialog, int id) override;

  void SetFaces(const FaceSet& faces, bool redraw);
  void PlaceWithFaces(int originX, int originY, const FaceSet& faces);
  void SetFaceOrigin(int x, int y) {
    std::lock_guard lock(lock_);
    originX_ = x, originY_ = y;
  }
  void SetChecked(bool checked, bool redraw);
  void SetColourFaces(HBITMAP colourOff, HBITMAP colourOn, bool displayOn, std::uint32_t colourWord, bool redraw);
  void SetTint(COLORREF colour, bool on);
  // A one-line caption too wide for the button at `points` is drawn at the
  // largest smaller size that fits, down to a size still readable.
  void SetTextStyle(bool on, int points, std::u16string faceName, COLORREF colour, UINT format);
  void SetTextOffsets(int left, int top, int right, int bottom);
  void SetTextAngle(int escapement, bool turned);
  // The tooltip window itself is made when the mouse first moves over the button.
  void SetTooltipText(std::u16string text);
  // A button whose skin gives no disabled face of its own (a key: its
  // disabled slot is its normal picture) is drawn dimmed while disabled.
  void SetDimmedWhenDisabled(bool on) { dimmedWhenDisabled_ = on; }
  // A disabled button gets no mouse messages: its parent does. The parent
  // passes on its mouse message (coordinates in its client area) while the
  // mouse is over the disabled button, so that the button still says what it
  // does.
  void RelayParentMouse(UINT message, WPARAM wParam, LPARAM lParam);
  void SetPaintCallback(PaintCallback callback) { paintCallback_ = std::move(callback); }

  bool IsChecked() const {
    std::lock_guard lock(lock_);
    return checked_;
  }
  bool IsHover() const { return hover_; }
  POINT FaceOrigin() const {
    std::lock_guard lock(lock_);
    return {originX_, originY_};
  }
  FaceSet Faces() const {
    std::lock_guard lock(lock_);
    return faces_;
  }
  const std::u16string& TooltipText() const { return tooltipText_; }
  HWND Tooltip() const { return tooltip_; }

  // The face the button draws now (pressed as of its last drawing).
  ButtonFace CurrentFace() const;
  // Draws the button's client area into `dc` as it would on screen, with a
  // focus mark when `focused` (the keyboard is on it, and the system shows
  // focus marks). Setters may run on any thread: they store and invalidate,
  // and paint at once only on the window's own thread.
  void Draw(HDC dc, bool pressed, bool focused = false);
  void Redraw() const;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowGone() override { tooltip_ = nullptr; }  // owned by the dialog, destroyed with it

 private:
  HBITMAP PictureOf(ButtonFace face) const;
  void DrawCaption(HDC dc, const RECT& client);
  void MakeTooltip();
  void DestroyTooltip();

  // Faces, origin, checked state and colour display may be changed from
  // other threads (the layer notice of the keyboard); drawing takes a copy.
  mutable std::mutex lock_;
  FaceSet faces_;
  int originX_ = 0, originY_ = 0;
  bool hover_ = false, pressed_ = false, checked_ = false, tracking_ = false;
  HBITMAP colourOff_ = nullptr, colourOn_ = nullptr;
  bool colourDisplay_ = false;
  std::uint32_t colourWord_ = 0;
  bool tint_ = false;
  COLORREF tintColour_ = 0;
  bool textOn_ = false;
  int textPoints_ = 8;
  std::u16string textFace_ = u"Tahoma";
  COLORREF textColour_ = 0;
  UINT textFormat_ = DT_SINGLELINE | DT_CENTER | DT_VCENTER;  // 0x25
  int offsetLeft_ = 0, offsetTop_ = 0, offsetRight_ = 0, offsetBottom_ = 0;
  int escapement_ = 0;
  bool turned_ = false;
  std::u16string tooltipText_;
  HWND tooltip_ = nullptr;
  bool dimmedWhenDisabled_ = false;
  PaintCallback paintCallback_;
};

// A disabled button gets no mouse messages: its window does. The window
// passes each of its mouse messages (coordinates in its client area) here with
// the buttons that must say what they do while disabled, and the one under the
// mouse shows its tooltip.
void RelayMouseToDisabledButtons(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 const std::vector<CPngButton*>& buttons);
