// The size a picture file declares in its header (JPEG, BMP or GIF), read
// without decoding the picture, and the largest size a skin picture may have.
// A window that starts hidden takes its size from here and decodes its
// pictures later.
#pragma once

#include <cstddef>
#include <cstdint>

struct PictureSize {
  int width = 0;
  int height = 0;
};

// False when the bytes do not start a JPEG, BMP or GIF picture of at least one
// pixel whose size can be read; the bytes are untrusted and never read past
// `size`.
bool ReadPictureSize(const std::uint8_t* bytes, std::size_t size, PictureSize& picture);

// No side of a skin picture is longer than this, whatever the screen.
inline constexpr int kLargestPictureSide = 8192;

// Whether a picture of this size may be a skin picture on a screen whose
// virtual size (every monitor together) is `screen`: at least one pixel, and
// no side longer than the screen's or than kLargestPictureSide; a side the
// screen does not tell (0 or less) is held to kLargestPictureSide alone.
// A picture that does not fit is damaged: no window is larger than every
// screen, and the window's memory pictures, sized from it, would take
// gigabytes.
bool PictureFitsScreen(const PictureSize& picture, const PictureSize& screen);
