// Numbers as the settings store them, in ini files and the registry.
#pragma once

#include <string>
#include <string_view>

// A stored setting as a number: a decimal integer, blanks around it allowed.
// Anything else (empty, letters, trailing junk, out of int range) reads as 0.
int ParseDecimalSetting(std::u16string_view text);

// "%d" of a number, as the settings store it.
std::u16string DecimalText(long long value);
