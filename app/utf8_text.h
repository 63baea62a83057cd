// UTF-8 and UTF-16 text: the console program's arguments and output, and the
// JSON it reads and writes, are UTF-8; the profile's names are UTF-16.
#pragma once

#include <string>
#include <string_view>

// An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// A byte that does not begin or continue a well-formed sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
