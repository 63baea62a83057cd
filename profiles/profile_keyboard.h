// The profile storage's traffic with the keyboard: reading the keyboard back
// into the profile file, downloading a profile, importing one, finishing an
// Apply cut short, and the profile menu's entries. Each works on profiles its
// caller owns or guards.
#pragma once

#include <string>
#include <vector>

#include "app/user_interface.h"
#include "device/device_link.h"
#include "profiles/keyboard_mirror.h"
#include "profiles/profile_store.h"

// Reads the keyboard's three key tables and its macro image and writes them
// as the profile file at `path` (replaced whole). False when they could not be
// read or the file not written (it is then untouched). Runs on the transfer
// thread. A `mirror` then knows what was read (it is forgotten first).
bool ReadProfileFromKeyboard(DeviceLink& link, const std::u16string& path, KeyboardMirror* mirror = nullptr);

// What came of the window's Apply: whether the profile file took the changes,
// and how the download of the current key map ended (kAbsent when the
// keyboard's current profile could not be read: nothing was sent).
struct ApplyOutcome {
  bool saved = false;
  DeviceResult download = DeviceResult::kAbsent;
  bool Applied() const { return saved && download == DeviceResult::kOk; }
};

// A download of all three key maps (an Import), where a key map's index goes.
constexpr int kAllKeyMaps = kKeyboardProfileCount;

// Downloads key map `profile` of `applied` (0 to 2, or kAllKeyMaps; the macro
// image too unless not `withMacros`), noted beside the profile file at `profilePath`
// (ApplyNotePath) from just before its first command until the keyboard
// confirmed the end; nothing is noted when the macros do not fit.
// With a `mirror`, only what differs from it is sent (DownloadKeyMaps); the
// same holds for the other downloads below.
DeviceResult DownloadAppliedProfile(DeviceLink& link, DeviceMessages& messages, const AppliedProfile& applied,
                                    int profile, const std::u16string& profilePath, bool withMacros = true,
                                    KeyboardMirror* mirror = nullptr);

// Import's first half: the file at `from` is checked and loaded whole into
// `imported` (a profile of its own). A file that does not validate or load
// shows MAIN_PROMPT_INPORT (after PROFILE_FORMAT_ERROR with the path, for a
// bad header) and changes nothing.
bool LoadImportFile(UserInterface& ui, const std::u16string& from, WorkingProfile& imported);

// The imported profile to the keyboard, on the transfer thread: `working` (the
// imported profile) copied, then all three key maps and the
// macros downloaded from the copy, noted like an Apply so that a download cut
// short is finished at the next arrival. True when the keyboard confirmed it.
bool ApplyImportedProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working,
                          AppliedProfile& applied, const std::u16string& profilePath,
                          KeyboardMirror* mirror = nullptr);

// An Apply under way is noted beside the profile file, in "<profile file>.applying"
// (the key map's index, or "A" for all three after an import), from just before its first command until the
// keyboard confirmed the end of the configuration. A keyboard pulled out, a
// transfer given up at exit or a killed process leaves the note behind; the
// keyboard may then hold part of the new profile and part of the old.
std::u16string ApplyNotePath(const std::u16string& profilePath);

// When a keyboard arrives, before it is read back (on the transfer thread): an
// Apply left unfinished is finished from the profile file, so that the keyboard
// holds the whole profile the user applied and the read-back does not take a
// mix of two profiles for the keyboard's own. True when there was nothing to
// finish or it was finished; false when it failed (the note stays for the next
// arrival, and the keyboard must not be read back meanwhile).
bool FinishInterruptedApply(DeviceLink& link, DeviceMessages& messages, const std::u16string& profilePath,
                            KeyboardMirror* mirror = nullptr);

// The profile menu: "<Default Profile>" (command 9000), a separator, and one
// item per profile (9001 to 9003) named in the user's language ("Profile 2");
// the item at position index + 2 is checked, or position 0 while the index is
// unknown.
struct ProfileMenuItem {
  std::u16string text;  // empty for the separator
  int command;          // 0 for the separator
  bool checked;
};
inline constexpr int kProfileMenuFirstCommand = 9000;
std::vector<ProfileMenuItem> ProfileMenuItems(int currentIndex);
