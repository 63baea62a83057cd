// Whole-file reading and writing for the profile files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Reads a file whole. 1 read; 0 missing, or 4 GiB or larger; -2 cannot be
// opened; -3 no memory for it.
int ReadWholeFile(const std::u16string& path, std::vector<std::uint8_t>& bytes);

bool FileExists(const std::u16string& path);

// Writes `bytes` to a new file beside `path` and only then puts it in the
// place of `path`, so that a full disk or a crash leaves the old file whole.
// Returns whether the new file is in place.
bool ReplaceFile(const std::u16string& path, std::span<const std::uint8_t> bytes);
