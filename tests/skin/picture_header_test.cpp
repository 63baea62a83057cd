#include "skin/picture_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Bytes kStart = {0xFF, 0xD8};
const Bytes kApp0 = {0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
const Bytes kTable = {0xFF, 0xC4, 0x00, 0x04, 0x00, 0x00};  // C4 looks like a frame but is not one
// A frame header of 1060 x 700 (height first, big-endian), with its marker.
Bytes Frame(std::uint8_t marker) { return {0xFF, marker, 0x00, 0x11, 0x08, 0x02, 0xBC, 0x04, 0x24, 0x03}; }
const Bytes kScan = {0xFF, 0xDA, 0x00, 0x08, 1, 2, 3, 4, 5, 6};

Bytes Bmp(std::uint32_t header, std::int32_t width, std::int32_t height) {
  Bytes bytes(54, 0);
  bytes[0] = 'B', bytes[1] = 'M';
  auto put32 = [&bytes](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(14, header);
  if (header == 12) {
    bytes[18] = static_cast<std::uint8_t>(width), bytes[19] = static_cast<std::uint8_t>(width >> 8);
    bytes[20] = static_cast<std::uint8_t>(height), bytes[21] = static_cast<std::uint8_t>(height >> 8);
  } else {
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
  }
  return bytes;
}

struct Case {
  const char* what;
  Bytes bytes;
  bool readable;
  int width, height;
};

TEST(PictureHeader, ReadsTheDeclaredSizeOrRefuses) {
  const Bytes truncatedFrame = Join({kStart, kApp0, Frame(0xC0)});
  const Case cases[] = {
      {"baseline JPEG after an application segment", Join({kStart, kApp0, kTable, Frame(0xC0), kScan}), true, 1060, 700},
      {"progressive JPEG with fill bytes and a restart marker", Join({kStart, {0xFF, 0xFF, 0xD0}, kApp0, Frame(0xC2)}),
       true, 1060, 700},
      {"JPEG whose scan comes before any frame", Join({kStart, kApp0, kScan, Frame(0xC0)}), false, 0, 0},
      {"JPEG cut inside its frame header", Bytes(truncatedFrame.begin(), truncatedFrame.end() - 2), false, 0, 0},
      {"JPEG with a segment length below 2", Join({kStart, {0xFF, 0xE1, 0x00, 0x01}, Frame(0xC0)}), false, 0, 0},
      {"JPEG with a segment running past the end", Join({kStart, {0xFF, 0xE1, 0xFF, 0xFF}}), false, 0, 0},
      {"JPEG with a zero width", Join({kStart, {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x02, 0xBC, 0x00, 0x00}}), false, 0, 0},
      {"JPEG with garbage between segments", Join({kStart, {0x12, 0x34}, Frame(0xC0)}), false, 0, 0},
      {"bottom-up BMP", Bmp(40, 6, 4), true, 6, 4},
      {"top-down BMP", Bmp(40, 6, -4), true, 6, 4},
      {"BMP with a core header", Bmp(12, 300, 200), true, 300, 200},
      {"BMP with the smallest negative height", Bmp(40, 6, INT32_MIN), false, 0, 0},
      {"BMP with an unknown header size", Bmp(20, 6, 4), false, 0, 0},
      {"BMP cut short", Bytes{'B', 'M', 0, 0}, false, 0, 0},
      {"GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 0x10, 0x00, 0x20, 0x00}, true, 16, 32},
      {"GIF cut short", Bytes{'G', 'I', 'F', '8', '7', 'a', 0x10}, false, 0, 0},
      {"not a picture", Bytes{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, false, 0, 0},
      {"nothing", Bytes{}, false, 0, 0},
  };
  for (const Case& c : cases) {
    PictureSize size{-1, -1};
    EXPECT_EQ(ReadPictureSize(c.bytes.data(), c.bytes.size(), size), c.readable) << c.what;
    if (c.readable) {
      EXPECT_EQ(size.width, c.width) << c.what;
      EXPECT_EQ(size.height, c.height) << c.what;
    } else {
      EXPECT_EQ(size.width, -1) << c.what << ": left as it was";
    }
  }
  PictureSize size;
  EXPECT_FALSE(ReadPictureSize(nullptr, 10, size));
}

TEST(PictureHeader, APictureFitsTheScreenAndTheFixedCap) {
  const struct {
    const char* what;
    PictureSize picture, screen;
    bool fits;
  } cases[] = {
      {"our main window on one monitor", {960, 600}, {1024, 768}, true},
      {"exactly the screen", {1024, 768}, {1024, 768}, true},
      {"one pixel wider than the screen", {1025, 600}, {1024, 768}, false},
      {"one pixel taller than the screen", {960, 769}, {1024, 768}, false},
      {"as wide as two monitors side by side", {3840, 1080}, {3840, 1080}, true},
      {"a header claiming 16000 x 16000", {16000, 16000}, {1920, 1080}, false},
      {"the largest side a header can claim", {65535, 65535}, {1920, 1080}, false},
      {"wider than the cap on a wider screen", {8193, 600}, {12000, 4000}, false},
      {"the cap on a wider screen", {8192, 4000}, {12000, 4000}, true},
      {"a screen that tells nothing: the cap", {8192, 8192}, {0, 0}, true},
      {"a screen that tells nothing: past the cap", {8193, 100}, {0, -1}, false},
      {"a screen that tells its height only", {5000, 700}, {0, 768}, true},
      {"no pixel", {0, 600}, {1024, 768}, false},
      {"a negative side", {-5, 600}, {1024, 768}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(PictureFitsScreen(c.picture, c.screen), c.fits) << c.what;
}

}  // namespace
