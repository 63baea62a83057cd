#include "profiles/file_io.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

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

// Opens a file and tells its size: 1 open; 0 missing; -2 cannot be opened.
int OpenForReading(const std::u16string& path, std::ifstream& in, std::uintmax_t& size) {
  std::error_code error;
  const fs::path file(path);
  if (!fs::exists(file, error)) return 0;
  in.open(file, std::ios::binary);
  if (!in) return -2;
  size = fs::file_size(file, error);
  return error ? -2 : 1;
}

}  // namespace

int ReadWholeFile(const std::u16string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in;
  std::uintmax_t size = 0;
  if (const int opened = OpenForReading(path, in, size); opened != 1) return opened;
  if (size >= kFileSizeLimit) return 0;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return -3;
  }
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return -2;
  return 1;
}

int ReadFileStart(const std::u16string& path, std::size_t length, std::uintmax_t minimumSize,
                  std::vector<std::uint8_t>& bytes) {
  std::ifstream in;
  std::uintmax_t size = 0;
  if (const int opened = OpenForReading(path, in, size); opened != 1) return opened;
  if (size < minimumSize || size < length || size >= kFileSizeLimit) return 0;
  bytes.resize(length);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length))) return -2;
  return 1;
}

bool ReplaceFile(const std::u16string& path, std::initializer_list<std::span<const std::uint8_t>> parts) {
  const fs::path target(path);
  fs::path temporary = target;
  temporary += u".saving";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const std::span<const std::uint8_t>& bytes : parts)
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}
