// The main window is made of panels: each owns a group of the window's skinned
// buttons and answers the commands of its own control ids.
#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/user_interface.h"
#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"
#include "session/keyboard_session.h"

// A named block of control ids.
struct IdRange {
  int first;
  int last;
  bool Holds(int id) const { return id >= first && id <= last; }
};

inline bool AnyHolds(std::span<const IdRange> ranges, int id) {
  for (const IdRange& range : ranges)
    if (range.Holds(id)) return true;
  return false;
}

// A button a panel has the window make: its skin key, its control id, the
// member that draws it, and how it starts.
struct PanelButton {
  enum class Start { kShown, kDisabled, kHidden };
  std::u16string skinKey;
  int id;
  CPngButton* button;
  Start start = Start::kShown;
};

// What the panels of a window work with, given once the window has initialised.
struct PanelContext {
  HWND host = nullptr;
  KeyboardSession* session = nullptr;  // its link is null while the window runs without a keyboard
  const SkinPlacement* placement = nullptr;
  std::function<HBITMAP()> background;  // the window's background picture, once decoded
  // The window's Apply, and its switch of the keyboard's profile (which asks
  // the user about pending changes first; false when refused).
  std::function<void()> apply;
  std::function<bool(int index)> switchProfile;
};

// The main window's shared pictures: set 0 or 1 of the four state pictures
// (normal, over, down, disable), the arrow picture, the two colour pictures.
StatePictures MainStatePictures(int set = 0);
HBITMAP MainArrowPicture();
HBITMAP MainColourPicture(bool on);
// Five face slots from their letters in the main window's pictures of `set`.
FaceSet MainFaces(const char* slots, int set = 0);

class Panel {
 public:
  explicit Panel(UserInterface& ui) : ui_(ui) {}
  virtual ~Panel() = default;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // Takes the context and hears the session's events from now on.
  void Connect(const PanelContext& context) {
    context_ = context;
    if (context_.session) context_.session->Subscribe([this](const SessionEvent& event) { OnSessionEvent(event); });
    OnConnected();
  }
  // The panel's buttons, in the order the window makes them.
  virtual std::vector<PanelButton> Buttons() = 0;
  // The control ids whose commands the panel answers.
  virtual std::span<const IdRange> Commands() const = 0;
  // A command of one of those ids; true when handled.
  virtual bool OnCommand(int id, int notifyCode) = 0;
  // Binds the panel's controls of the window's template (`bind` is the window's).
  virtual void BindControls(const std::function<void(Control&, int id)>& bind) {}
  // Adds the panel's template controls to the window's skin placement.
  virtual void AddSkinTargets(SkinTargets& targets) {}
  // Every button of Buttons() has its window now.
  virtual void OnButtonsMade() {}
  // One step of what the panel needs only once the window is seen (reading
  // pictures); false when nothing is left.
  virtual bool LateStartStep() { return false; }
  // A mouse message of the window (coordinates in its client area): over a
  // disabled button the window has the mouse, not the button.
  virtual void OnWindowMouse(UINT message, WPARAM wParam, LPARAM lParam) {}
  // A key pressed while `focus` has the keyboard, before the window's own
  // handling (Tab, Enter): true when the panel took it.
  virtual bool OnKeyDown(HWND focus, WPARAM key) { return false; }

 protected:
  virtual void OnConnected() {}
  // What the keyboard session tells, on the window's thread.
  virtual void OnSessionEvent(const SessionEvent& event) {}
  HWND host() const { return context_.host; }
  KeyboardSession& session() const { return *context_.session; }
  DeviceLink* link() const { return context_.session ? context_.session->Link() : nullptr; }
  // The keyboard's current profile, the bank the panels show; -1 while unknown.
  int CurrentProfile() const { return context_.session ? context_.session->CurrentProfile() : -1; }
  UserInterface& ui_;
  PanelContext context_;
};

// Makes the button's window in `host` at the rectangle the skin gives its key
// (made in place: moving a window afterwards costs as much as making it).
// The caller binds the member to it and places its faces.
HWND MakePanelButton(HWND host, const SkinPlacement& placement, const PanelButton& button);
