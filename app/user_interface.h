// What the core asks of whoever presents it to the user: telling and asking.
// The main window shows message boxes; the console writes to standard error
// and answers No; tests record and answer as told.
#pragma once

#include <string_view>

enum class TextKey : int;  // a language key (localisation/text_slots.h), passed on unread

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A message box with an OK button.
  virtual void ShowMessage(std::u16string_view text) = 0;
  // A Yes/No question, No the default button; true for Yes.
  virtual bool AskYesNo(std::u16string_view text) = 0;
};

// The texts that traffic with the keyboard gives the user (macros that do not
// fit, a keyboard without its default key table), by their language keys. Any
// thread: the main window posts them to itself and shows them one box at a time.
class DeviceMessages {
 public:
  virtual ~DeviceMessages() = default;
  virtual void ShowDeviceMessage(TextKey key) = 0;
};
