// The profile storage's traffic with the keyboard: reading the keyboard back
// into the profile file, applying the working profile, switching profiles,
// and the profile menu's entries.
#pragma once

#include <string>
#include <vector>

#include "device/device_link.h"
#include "profiles/profile_store.h"

// Reads the keyboard's three key tables and its macro image and writes them
// as the profile file at `path` (replaced whole). 1 written, 0 otherwise.
int ReadProfileFromKeyboard(DeviceLink& link, const std::u16string& path);

// When the keyboard arrives: its profile read back into the file and loaded,
// or a default profile when that fails; then the key grid and no pending
// changes. `path` is the profile file (its folder made sure of). Always 1.
int LoadProfileFromKeyboard(DeviceLink& link, WorkingProfile& working, const std::u16string& path);

// Copies the working profile (its lock held by the caller) into the applied
// one and downloads it: all three key maps or only the current one.
int ApplyProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working, AppliedProfile& applied,
                 bool allKeyMaps);

// Switches the keyboard to profile `index` (3 and more mean 0; a negative
// index changes nothing on the keyboard), asking first whether pending changes
// are to be saved. `path` is the profile file, to drop the edits from. 1
// switched or nothing to do, 0 refused.
int SwitchProfile(DeviceLink& link, WorkingProfile& working, const std::u16string& path, int index);

// The profile menu: "<Default Profile>" (command 9000), a separator, and one
// item per profile (9001 to 9003) named by the profile file's name; the item
// at position index + 2 is checked, or position 0 while the index is unknown.
struct ProfileMenuItem {
  std::u16string text;  // empty for the separator
  int command;          // 0 for the separator
  bool checked;
};
inline constexpr int kProfileMenuFirstCommand = 9000;
std::vector<ProfileMenuItem> ProfileMenuItems(int currentIndex, const std::u16string& profileFileName);
