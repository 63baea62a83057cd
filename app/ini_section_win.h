// Reading a whole section of an ini file through the system's private-profile
// functions.
#pragma once

#include <string>

#include "app/ini_section.h"

// A missing file or section gives an empty section.
IniSection ReadIniSection(const std::u16string& file, const std::u16string& section);
