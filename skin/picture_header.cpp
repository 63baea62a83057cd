#include "skin/picture_header.h"

#include <algorithm>
#include <cstdint>

namespace {

std::uint32_t BigEndian16(const std::uint8_t* p) { return (std::uint32_t(p[0]) << 8) | p[1]; }
std::uint32_t LittleEndian16(const std::uint8_t* p) { return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8); }
std::uint32_t LittleEndian32(const std::uint8_t* p) { return LittleEndian16(p) | (LittleEndian16(p + 2) << 16); }

bool Accept(std::int64_t width, std::int64_t height, PictureSize& picture) {
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
  picture = PictureSize{static_cast<int>(width), static_cast<int>(height)};
  return true;
}

// A JPEG's size is in its first frame header (SOF0 to SOF15 but for the
// table markers C4, C8 and CC), which comes before the first scan.
bool ReadJpegSize(const std::uint8_t* bytes, std::size_t size, PictureSize& picture) {
  std::size_t at = 2;
  while (at + 1 < size) {
    if (bytes[at] != 0xFF) return false;
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA || at + 4 > size) return false;  // the end or a scan before any frame
    const std::size_t length = BigEndian16(bytes + at + 2);
    if (length < 2) return false;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || at + 9 > size) return false;
      return Accept(BigEndian16(bytes + at + 7), BigEndian16(bytes + at + 5), picture);
    }
    at += 2 + length;
  }
  return false;
}

bool ReadBmpSize(const std::uint8_t* bytes, std::size_t size, PictureSize& picture) {
  if (size < 26) return false;
  const std::uint32_t header = LittleEndian32(bytes + 14);
  if (header == 12) return Accept(LittleEndian16(bytes + 18), LittleEndian16(bytes + 20), picture);
  if (header < 40) return false;
  // The height is negative for a picture stored from the top down.
  const auto width = static_cast<std::int32_t>(LittleEndian32(bytes + 18));
  const auto height = static_cast<std::int32_t>(LittleEndian32(bytes + 22));
  return Accept(width, height < 0 ? -std::int64_t(height) : height, picture);
}

bool ReadGifSize(const std::uint8_t* bytes, std::size_t size, PictureSize& picture) {
  if (size < 10) return false;
  return Accept(LittleEndian16(bytes + 6), LittleEndian16(bytes + 8), picture);
}

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* text, std::size_t length) {
  if (size < length) return false;
  for (std::size_t i = 0; i < length; ++i)
    if (bytes[i] != static_cast<std::uint8_t>(text[i])) return false;
  return true;
}

}  // namespace

bool ReadPictureSize(const std::uint8_t* bytes, std::size_t size, PictureSize& picture) {
  if (!bytes) return false;
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return ReadJpegSize(bytes, size, picture);
  if (StartsWith(bytes, size, "BM", 2)) return ReadBmpSize(bytes, size, picture);
  if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6))
    return ReadGifSize(bytes, size, picture);
  return false;
}

bool PictureFitsScreen(const PictureSize& picture, const PictureSize& screen) {
  const auto largest = [](int side) { return side > 0 ? std::min(side, kLargestPictureSide) : kLargestPictureSide; };
  return picture.width > 0 && picture.height > 0 && picture.width <= largest(screen.width) &&
         picture.height <= largest(screen.height);
}
