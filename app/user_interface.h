// What the portable core asks of the user interface. The main window
// implements it and passes itself to the core pieces that need it; tests fake
// it.
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
  // The key buttons again from the bank of the current profile index.
  virtual void RefreshKeyGrid() = 0;
  // The Apply button and the pending-changes flag.
  virtual void SetPendingChanges(bool pending) = 0;
  virtual bool PendingChanges() const = 0;
  // The notification-area icon: kind 0 with an icon id shows it as the normal
  // icon, kind 0 with 0 the normal icon again, kind 1 the special state's icon.
  // Any thread.
  virtual void SetTrayState(int kind, int iconId) = 0;

  // The keyboard arrived (`readBack` true when its profile was read back into
  // the profile file) or left (open editors close, the window hides). Called
  // on the transfer thread: the window posts them to itself.
  virtual void DeviceReady(bool readBack) = 0;
  virtual void DeviceGone() = 0;
  // A keyboard arrived and is being read (true: the window may open and shows
  // its wait animation meanwhile), or that reading was given up because the
  // keyboard left again (false). DeviceReady ends the reading too. Called on
  // the transfer thread.
  virtual void ReadingKeyboard(bool reading) = 0;
  // Whether the window has finished starting up.
  virtual bool InitDone() const = 0;
  // The G-key layer changed: the extra keys show the new layer. Called on the
  // device service's thread, which must never wait for the window.
  virtual void ShowLayer() = 0;
  // The keyboard's own settings changed: the lighting panel reads them again
  // soon. Called on the device service's thread, like ShowLayer.
  virtual void RefreshLightingSoon() = 0;

  // For switching profiles: whether the key editor is open, whether the
  // profile manager holds changes, the window's Apply command, and the
  // profile menu and manager once the profile has changed.
  virtual bool KeyEditorOpen() const = 0;
  virtual bool ProfileManagerPending() const = 0;
  virtual void SendApplyCommand() = 0;
  virtual void ProfileSwitched(int profileIndex) = 0;
};

// The texts that traffic with the keyboard gives the user (macros that do not
// fit, a keyboard without its default key table), by their language keys. Any
// thread: the main window posts them to itself and shows them one box at a time.
class DeviceMessages {
 public:
  virtual ~DeviceMessages() = default;
  virtual void ShowDeviceMessage(TextKey key) = 0;
};
