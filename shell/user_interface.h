// What the portable core asks of the user interface. The main window
// implements it; tests fake it; until a window is there, nothing is shown.
#pragma once

#include <string_view>

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A message box with an OK button.
  virtual void ShowMessage(std::u16string_view text) = 0;
  // A Yes/No question, No the default button; true for Yes.
  virtual bool AskYesNo(std::u16string_view text) = 0;
  // The key buttons again from the bank of the current profile index.
  virtual void RefreshKeyGrid() = 0;
  // The Apply button and the pending-changes flag.
  virtual void SetPendingChanges(bool pending) = 0;
  virtual bool PendingChanges() const = 0;
  // The notification-area icon: kind 0 with an icon id shows it as the normal
  // icon, kind 0 with 0 the normal icon again, kind 1 the special state's icon.
  virtual void SetTrayState(int kind, int iconId) = 0;
};

// The process's user interface; a silent one until the main window sets its own.
UserInterface& UI();
void SetUserInterface(UserInterface* ui);  // null puts the silent one back
