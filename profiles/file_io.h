// Whole-file reading and writing for the profile files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// Reads a file whole. False when it is missing, 4 GiB or larger, cannot be
// opened or read, or there is no memory for it.
bool ReadWholeFile(const std::u16string& path, std::vector<std::uint8_t>& bytes);

// What a look at a file found.
enum class FileCheck {
  kValid,
  kInvalid,     // missing, of the wrong size, or its contents are not what they must be
  kCannotOpen,  // there, but it cannot be opened or read
};

// Reads the first `length` bytes of a file that is at least `minimumSize`
// bytes long (and below 4 GiB): kValid when they were read.
FileCheck ReadFileStart(const std::u16string& path, std::size_t length, std::uintmax_t minimumSize,
                        std::vector<std::uint8_t>& bytes);

bool FileExists(const std::u16string& path);
// Removes a file; true when it is gone (or was never there).
bool RemoveFile(const std::u16string& path);

// Writes `bytes` to a new file beside `path` ("<path>.saving"), puts it on the
// disk and only then in the place of `path`, so that a full disk, a crash or a
// power cut leaves the old file or the new one, never an empty one. A new file
// that a killed save left behind is removed first. Returns whether the new
// file is in place.
// The new file is written from `parts`, one after another.
bool ReplaceFile(const std::u16string& path, std::initializer_list<std::span<const std::uint8_t>> parts);
inline bool ReplaceFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  return ReplaceFile(path, {bytes});
}
