#include "profiles/file_io.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

// Putting a file on the disk is the one thing the standard library cannot ask
// for: the C runtime's _commit (FlushFileBuffers) on Windows, fsync elsewhere.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

bool FileExists(const std::u16string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(path), error);
}

bool RemoveFile(const std::u16string& path) {
  std::error_code error;
  fs::remove(fs::path(path), error);
  return !error;
}

namespace {

constexpr std::uintmax_t kFileSizeLimit = std::uintmax_t{1} << 32;  // 4 GiB

// Opens a file and tells its size: kValid open, kInvalid missing.
FileCheck OpenForReading(const std::u16string& path, std::ifstream& in, std::uintmax_t& size) {
  std::error_code error;
  const fs::path file(path);
  if (!fs::exists(file, error)) return FileCheck::kInvalid;
  in.open(file, std::ios::binary);
  if (!in) return FileCheck::kCannotOpen;
  size = fs::file_size(file, error);
  return error ? FileCheck::kCannotOpen : FileCheck::kValid;
}

}  // namespace

bool ReadWholeFile(const std::u16string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in;
  std::uintmax_t size = 0;
  if (OpenForReading(path, in, size) != FileCheck::kValid || size >= kFileSizeLimit) return false;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return size == 0 || in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
}

FileCheck ReadFileStart(const std::u16string& path, std::size_t length, std::uintmax_t minimumSize,
                        std::vector<std::uint8_t>& bytes) {
  std::ifstream in;
  std::uintmax_t size = 0;
  if (const FileCheck opened = OpenForReading(path, in, size); opened != FileCheck::kValid) return opened;
  if (size < minimumSize || size < length || size >= kFileSizeLimit) return FileCheck::kInvalid;
  bytes.resize(length);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length)))
    return FileCheck::kCannotOpen;
  return FileCheck::kValid;
}

namespace {

std::FILE* OpenForWriting(const fs::path& file) {
#ifdef _WIN32
  return _wfopen(file.c_str(), L"wb");
#else
  return std::fopen(file.c_str(), "wb");
#endif
}

// What the C library still holds is written, then the system is asked to put
// the file on the disk, so that a power cut after the rename never finds it empty.
bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

FileWrite WriteWholeFile(const std::u16string& path, std::initializer_list<std::span<const std::uint8_t>> parts) {
  const fs::path target(path);
  fs::path temporary = target;
  temporary += u".saving";
  std::error_code error;
  fs::remove(temporary, error);  // one a killed save left behind
  std::FILE* out = OpenForWriting(temporary);
  if (!out) return FileWrite::kCannotCreate;
  bool written = true;
  for (const std::span<const std::uint8_t>& bytes : parts)
    written = written && (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size());
  written = FlushToDisk(out) && written;
  written = std::fclose(out) == 0 && written;
  if (written) fs::rename(temporary, target, error);
  if (!written || error) {
    fs::remove(temporary, error);
    return written ? FileWrite::kNotReplaced : FileWrite::kIncomplete;
  }
  return FileWrite::kWritten;
}
