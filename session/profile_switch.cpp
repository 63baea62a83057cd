#include "session/profile_switch.h"

#include "localisation/text_slots.h"

namespace {

// True while the question about pending changes is on screen.
bool askingToSave = false;

}  // namespace

bool AskAndSwitchProfile(KeyboardSession& session, const SwitchAsker& asker, int index) {
  if (asker.editorOpen) {
    asker.ui.ShowMessage(Text(TextKey::PROFILE_SEELCT_PROMPT2));
    return false;
  }
  if (session.Pending() || asker.managerPending) {
    if (askingToSave) return false;
    askingToSave = true;
    const bool save = asker.ui.AskYesNo(Text(TextKey::PROFILE_SELECT_PROMPT));
    askingToSave = false;
    if (save) {
      if (asker.apply) asker.apply();
    } else {
      session.DropEdits();
    }
  }
  return session.SwitchProfile(index) == JobStart::kQueued;
}
