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

int ReadWholeFile(const std::u16string& path, std::vector<std::uint8_t>& bytes) {
  std::error_code error;
  const fs::path file(path);
  if (!fs::exists(file, error)) return 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) return -2;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error) return -2;
  if (size >= (std::uintmax_t{1} << 32)) return 0;
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
  std::error_code error;
  const fs::path file(path);
  if (!fs::exists(file, error)) return 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) return -2;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error) return -2;
  if (size < minimumSize || size < length || size >= (std::uintmax_t{1} << 32)) return 0;
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
