// The main window is made of panels: each owns a group of the window's skinned
// buttons and answers the commands of its own control ids.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"

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

class Panel {
 public:
  virtual ~Panel() = default;
  // The panel's buttons, in the order the window makes them.
  virtual std::vector<PanelButton> Buttons() = 0;
  // The control ids whose commands the panel answers.
  virtual std::span<const IdRange> Commands() const = 0;
  // A command of one of those ids; true when handled.
  virtual bool OnCommand(int id, int notifyCode) = 0;
};

// Makes the button's window in `host` at the rectangle the skin gives its key
// (made in place: moving a window afterwards costs as much as making it).
// The caller binds the member to it and places its faces.
HWND MakePanelButton(HWND host, const SkinPlacement& placement, const PanelButton& button);
