// Feeds random bytes to the macro image parser, as a keyboard with damaged or
// hostile macro memory would. A parsed image must build again to an image that
// parses back to the same macros. The same bytes, taken as a raw macro record
// (a damaged profile file), must size and build without leaving the record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "macros/macro_image.h"
#include "macros/macro_record.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameMacro(const MacroRecord& a, const MacroRecord& b) {
  if (a.cycles != b.cycles || a.id != b.id || a.newFlag != b.newFlag || a.actionCount != b.actionCount) return false;
  if (MacroName(a) != MacroName(b)) return false;
  for (int j = 0; j < a.actionCount; ++j) {
    const MacroAction& x = a.actions[j];
    const MacroAction& y = b.actions[j];
    if (x.delayMs != y.delayMs || x.keyCode != y.keyCode || x.direction != y.direction) return false;
  }
  return true;
}

void ParseAndRebuild(std::span<const std::uint8_t> image) {
  static std::vector<MacroRecord> first(kMaxMacros);
  static std::vector<MacroRecord> second(kMaxMacros);
  const int count = ParseMacroImage(first, image);
  Check(count >= 0 && count <= kMaxMacros);
  if (count == 0) return;
  const std::span<const MacroRecord> macros(first.data(), static_cast<std::size_t>(count));

  for (const bool withNames : {true, false}) {
    const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
    const std::uint32_t size = withNames ? sizes.fullSize : sizes.baseSize;
    if (size > kMaxMacroImageSize) {
      // 100 blocks of 2000 actions fit no 16-bit image.
      std::vector<std::uint8_t> buffer(size);
      Check(!BuildMacroImage(macros, buffer, size, withNames));
      continue;
    }
    std::vector<std::uint8_t> buffer(size + 8, 0xCD);
    Check(BuildMacroImage(macros, buffer, size, withNames));
    for (std::size_t i = size; i < buffer.size(); ++i) Check(buffer[i] == 0xCD);
    Check(ParseMacroImage(second, std::span<const std::uint8_t>(buffer.data(), size)) == count);
    for (int i = 0; i < count; ++i) {
      // Without names the macros come back with their default names.
      if (withNames) Check(SameMacro(first[i], second[i]));
      else Check(MacroName(second[i]) == DefaultMacroName(i + 1));
    }
  }
}

void BuildFromRawRecord(std::span<const std::uint8_t> data) {
  static std::vector<MacroRecord> records(1);
  std::memset(records.data(), 0, sizeof(MacroRecord));
  if (!data.empty()) std::memcpy(records.data(), data.data(), std::min(data.size(), sizeof(MacroRecord)));
  const MacroImageSizes sizes = ComputeMacroImageSizes(records);
  Check(sizes.baseSize <= kMacroImageHeaderSize + 2 + kMacroBlockHeadSize + kImageActionSize * kMaxMacroActions);
  Check(sizes.fullSize <= sizes.baseSize + 2 * kMaxMacroNameLength);
  std::vector<std::uint8_t> image(sizes.fullSize);
  Check(BuildMacroImage(records, image, sizes.fullSize, true));
  static std::vector<MacroRecord> parsed(1);
  Check(ParseMacroImage(parsed, image) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  ParseAndRebuild(bytes);
  BuildFromRawRecord(bytes);
  return 0;
}
