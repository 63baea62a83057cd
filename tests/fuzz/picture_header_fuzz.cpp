// Feeds random bytes to the picture header reader, as a damaged skin picture
// would. It never reads past the bytes given (the sanitizers watch), and a size
// it accepts is at least one pixel and at most 65535 each way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "skin/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so that a read past the end is caught.
  const std::vector<std::uint8_t> bytes(data, data + size);
  PictureSize picture;
  if (ReadPictureSize(bytes.data(), bytes.size(), picture)) {
    if (picture.width < 1 || picture.height < 1 || picture.width > 0xFFFF || picture.height > 0xFFFF) std::abort();
  }
  return 0;
}
