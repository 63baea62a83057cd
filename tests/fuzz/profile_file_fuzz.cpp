// Validation and loading of a profile file from random bytes: whatever the
// header says, nothing may be read outside the file or the string pool, the
// strings loaded never take more than the pool (memory in proportion to the
// file), and a file that loads must save and load again to the same contents.
#include <cstdint>
#include <cstring>
#include <span>

#include "profiles/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (size >= sizeof(ProfileFileHeader)) {
    ProfileFileHeader header;
    std::memcpy(&header, data, sizeof header);
    (void)IsValidFileHeader(header);
  }
  ProfileContents contents;
  if (!ParseProfileFile(bytes, contents)) return 0;
  if (contents.text.totalBytes > contents.block->header.poolSize) __builtin_trap();

  const std::vector<std::uint8_t> saved =
      SerializeProfileFile(*contents.block, contents.macros.records, contents.text);
  ProfileContents again;
  if (!ParseProfileFile(saved, again)) __builtin_trap();
  if (again.text.totalBytes != contents.text.totalBytes || again.macros.count() != contents.macros.count())
    __builtin_trap();
  return 0;
}
