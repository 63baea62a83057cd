// The size a picture file declares in its header (JPEG, BMP or GIF), read
// without decoding the picture. A window that starts hidden takes its size
// from here and decodes its pictures later.
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
