// What the keyboard is known to hold in its key tables and its macro image:
// as last read back, or as last sent in a configuration the keyboard
// confirmed. A download leaves out what the mirror says the keyboard holds
// already; what is not known is sent whole. Anything that may have changed
// the keyboard behind the program's back (an arrival, a transfer that
// failed, a console command) forgets it: `mirror = {}`.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "keyboard/key_assignment.h"

struct KeyboardMirror {
  std::array<std::optional<DeviceKeyTable>, kKeyboardProfileCount> tables;
  std::vector<std::uint8_t> macroImage;  // its first bytes, as far as known
};
