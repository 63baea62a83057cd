#include "skin/skin_layout_check.h"

#include "skin/skin_rect.h"

namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

std::string Describe(const SkinRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," + std::to_string(r.h);
}

bool MayShareSpace(const SkinKey& a, const SkinKey& b) {
  if (a.page != 0 && b.page != 0 && a.page != b.page) return true;
  return a.alternateOf == b.key || b.alternateOf == a.key;
}

}  // namespace

std::vector<std::string> CheckSkinLayout(SkinWindow window, const SkinValueLookup& lookup, int width, int height) {
  std::vector<std::string> problems;
  struct Placed {
    const SkinKey* key;
    SkinRect rect;
  };
  std::vector<Placed> placed;
  for (const SkinKey& key : SkinKeysOf(window)) {
    std::u16string value;
    if (!lookup(key.key, value)) {
      problems.push_back(Narrow(key.key) + ": missing");
      continue;
    }
    const SkinRect rect = ParseSkinRect(value);
    if (key.placement == Placement::kWithFaces && DisablesButton(rect))
      problems.push_back(Narrow(key.key) + ": at (1, 1), which disables it");
    if (rect.w <= 1 || rect.h <= 1) problems.push_back(Narrow(key.key) + ": no size (" + Describe(rect) + ")");
    if (rect.x < 0 || rect.y < 0 || rect.right() > width || rect.bottom() > height)
      problems.push_back(Narrow(key.key) + ": outside the background (" + Describe(rect) + ")");
    placed.push_back({&key, rect});
  }
  for (std::size_t i = 0; i < placed.size(); ++i)
    for (std::size_t j = i + 1; j < placed.size(); ++j)
      if (Overlaps(placed[i].rect, placed[j].rect) && !MayShareSpace(*placed[i].key, *placed[j].key))
        problems.push_back(Narrow(placed[i].key->key) + " overlaps " + Narrow(placed[j].key->key));
  return problems;
}
