// Macros as JSON, for `macro show`, `macro export` and `macro import`:
//
//   {"name": "Reload", "cycles": 1,
//    "actions": [{"key": "R", "direction": "press", "delay": 50}, ...]}
//
// A key is named as the console names keys (its code, "0x1ab", when it has
// no name); the delay is the pause after the action, in milliseconds.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "macros/macro_record.h"

nlohmann::ordered_json MacroJson(const MacroRecord& macro);

// Reads a macro from JSON text into `macro` (cleared first; id 0, newFlag 0).
// False, with the reason in `error` (naming the action at fault), for text
// that is not such an object, a name that is empty or longer than 249
// characters, cycles outside 1-255, more than 2000 actions, an unknown key
// (the nearest names offered), a direction other than press or release, or a
// delay outside 0-40000 ms.
bool MacroFromJson(std::string_view text, MacroRecord& macro, std::string& error);

// The longest pause an action may carry, as the macro editor allows.
inline constexpr std::uint32_t kMaxActionDelayMs = 40000;
