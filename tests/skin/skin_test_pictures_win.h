// Pictures and skin files written by the skin tests into a scratch folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/windows_test_support_win.h"

// A 24-bit BMP file whose pixel (x, y) is colour(x, y) as 0x00RRGGBB.
inline void WriteBmp(const std::wstring& path, int width, int height,
                     const std::function<std::uint32_t(int, int)>& colour) {
  const int stride = (width * 3 + 3) & ~3;
  std::string bytes(54 + std::size_t(stride) * height, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);  // bottom-up
  bytes[26] = 1, bytes[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      const std::size_t at = 54 + std::size_t(height - 1 - y) * stride + x * 3;
      bytes[at] = static_cast<char>(c & 0xFF), bytes[at + 1] = static_cast<char>(c >> 8),
      bytes[at + 2] = static_cast<char>(c >> 16);
    }
  WriteBytes(path, bytes);
}

// The header of a 24-bit BMP file that declares width x height, without its
// pixels: what a damaged or hostile picture may claim.
inline std::string BmpHeaderOnly(std::int32_t width, std::int32_t height) {
  std::string bytes(54, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put32(2, 54);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bytes[26] = 1, bytes[28] = 24;
  return bytes;
}

// The start of a baseline JPEG file that declares width x height (at most
// 65535 each) in its frame header, followed by nothing of a picture.
inline std::string JpegHeaderOnly(int width, int height) {
  std::string bytes = "\xFF\xD8\xFF\xC0";
  const int frame[] = {0, 17, 8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 3};
  for (int b : frame) bytes += static_cast<char>(b);
  bytes.append(9, '\x11');  // three components
  return bytes;
}

inline std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
