// Feeds random text to the skin rectangle reader, as a damaged or hostile skin
// file would. Every value reads to numbers within the clamp, and the text up to
// any point reads the same whatever follows the fourth number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/skin_rect.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
bool Within(int v) { return v >= -32767 && v <= 32767; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const SkinRect r = ParseSkinRect(text);
  Check(Within(r.x) && Within(r.y) && Within(r.w) && Within(r.h));
  // Anything after a complete value is ignored.
  const std::u16string full = u"10,20,30,40";
  Check(ParseSkinRect(full + text) == (SkinRect{10, 20, 30, 40}) ||
        (!text.empty() && text[0] >= u'0' && text[0] <= u'9'));
  (void)Overlaps(r, SkinRect{0, 0, 100, 100});
  return 0;
}
