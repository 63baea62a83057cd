// The profile manager's rows without the window: each row a profile file,
// shown by its name and its folder; what an Apply writes into the registry
// section PROFILES; which keyboard profile a ticked row stands for.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ProfileRow {
  std::u16string name;    // the file name without its extension
  std::u16string folder;  // drive and folder, ending in a backslash

  friend bool operator==(const ProfileRow&, const ProfileRow&) = default;
};

// The row of the file at `path`.
ProfileRow ProfileRowOf(std::u16string_view path);

// The registry values an Apply writes, in order: "PROFILE01", "PROFILE02"...
// each the row's folder, name and ".fwc", then "PROFILE00" with the count.
std::vector<std::pair<std::u16string, std::u16string>> ProfileListValues(const std::vector<ProfileRow>& rows);

// The keyboard profile the ticked row (-1: none) makes current: the row's
// number when the keyboard has such a profile, else -1 (it stays as it is).
int KeyboardProfileOfRow(int tickedRow);
