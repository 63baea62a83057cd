// Reading skin files (private-profile ini files of the Skins folder). A
// missing file, section or key gives the default and no error.
#pragma once

#include <string>

#include "app/ini_section.h"
#include "skin/skin_rect.h"

// The value of `key` in `section`, at most `capacity` - 1 characters.
std::u16string ReadSkinString(const std::u16string& skinFile, const char16_t* section, const char16_t* key,
                              const char16_t* fallback, std::size_t capacity = 260);

// Whether the key is present in the section.
bool HasSkinKey(const std::u16string& skinFile, const char16_t* section, const char16_t* key);

// The rectangle of `key` (section BUTTONINFO unless given); "1,1,1,1,x" when missing.
SkinRect ReadSkinRect(const std::u16string& skinFile, const std::u16string& key,
                      const char16_t* section = u"BUTTONINFO");

// The rectangle of `key` in a section read at once (ReadIniSection), read as
// ReadSkinRect reads it from the file.
SkinRect SkinRectIn(const IniSection& section, std::u16string_view key);
