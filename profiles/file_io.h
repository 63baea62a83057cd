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

// How a whole-file write ended; the user is told what to do about each.
enum class FileWrite {
  kWritten,
  kCannotCreate,  // no file could be made there: no such folder, or no right to write in it
  kIncomplete,    // the file was made but not written whole (a full disk)
  kNotReplaced,   // written, but the file of that name could not be replaced (read-only, in use)
  kNoMemory,      // nothing to write from, or no memory to prepare it
};

// Writes `bytes` to a new file beside `path` ("<path>.saving"), puts it on the
// disk and only then in the place of `path`, so that a full disk, a crash or a
// power cut leaves the old file or the new one, never an empty one. A new file
// that a killed save left behind is removed first.
// The new file is written from `parts`, one after another.
FileWrite WriteWholeFile(const std::u16string& path, std::initializer_list<std::span<const std::uint8_t>> parts);
// The same, true when the new file is in place.
inline bool ReplaceFile(const std::u16string& path, std::initializer_list<std::span<const std::uint8_t>> parts) {
  return WriteWholeFile(path, parts) == FileWrite::kWritten;
}
inline bool ReplaceFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  return ReplaceFile(path, {bytes});
}
