// Switching the keyboard's profile from the profile buttons and menu: the
// user is asked first what becomes of changes not applied.
#pragma once

#include <functional>

#include "app/user_interface.h"
#include "session/keyboard_session.h"

// What the user's side knows when a switch is asked for.
struct SwitchAsker {
  UserInterface& ui;
  bool editorOpen = false;      // the key editor is open: the switch is refused, with a word
  bool managerPending = false;  // the profile manager holds changes
  std::function<void()> apply;  // the owner's Apply, queued on the transfer thread before the switch
};

// Switches the keyboard to profile `index` (3 and more mean 0; a negative
// index changes nothing on the keyboard). With changes pending the user is
// asked whether to save them: Yes applies them first, No drops them. True when
// the switch was queued (subscribers hear kProfileSwitched once the keyboard
// was told), false when refused.
bool AskAndSwitchProfile(KeyboardSession& session, const SwitchAsker& asker, int index);
