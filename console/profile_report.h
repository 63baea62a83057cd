// What `show` prints of a profile file: every key of each of the keyboard's
// three profiles that does something else than its default, and the macros.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

#include "profiles/profile_file.h"

// {"profiles": [{"profile": 1, "keys": {"A": "key:B", ...}}, ...],
//  "macros": [{"name": ..., "cycles": ..., "actions": [...]}, ...]}
nlohmann::ordered_json ProfileJson(const ProfileContents& contents);

// The same as lines of text, macros by name with their size.
std::string ProfileText(const ProfileContents& contents);

// "Reload (12 actions, 1 cycle)".
std::string MacroSummary(const MacroRecord& macro);
