// Checks a skin file's layout against what its window reads: every key
// present, every rectangle inside the background, no two controls that are
// shown together sharing a pixel.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "skin/skin_keys.h"

// Gives the value of a BUTTONINFO key; false when the key is missing.
using SkinValueLookup = std::function<bool(const std::u16string& key, std::u16string& value)>;

// One line per problem found; empty when the layout is sound.
std::vector<std::string> CheckSkinLayout(SkinWindow window, const SkinValueLookup& lookup, int width, int height);
