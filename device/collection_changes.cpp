#include "device/collection_changes.h"

#include <algorithm>

#include "device/command_frame.h"

namespace {

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto same = [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same);
}

// Where `part` starts in `text`, ignoring case; npos when it does not occur.
std::size_t FindIgnoringCase(std::u16string_view text, std::u16string_view part) {
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
    if (SameIgnoringCase(text.substr(i, part.size()), part)) return i;
  return std::u16string_view::npos;
}

// False when `path` holds `tag` followed by four hex digits other than `id`'s.
bool IdMayMatch(std::u16string_view path, std::u16string_view tag, std::uint16_t id) {
  const std::size_t at = FindIgnoringCase(path, tag);
  if (at == std::u16string_view::npos) return true;
  std::u16string digits;
  for (int shift = 12; shift >= 0; shift -= 4) digits += u"0123456789abcdef"[(id >> shift) & 0xF];
  return SameIgnoringCase(path.substr(at + tag.size(), digits.size()), digits);
}

bool IsControlCollection(const HidCollectionInfo& c) {
  return IsKeyboardCollection(c) && c.usagePage == kControlUsagePage && c.usage == kControlUsage;
}

}  // namespace

bool IsKeyboardCollection(const HidCollectionInfo& collection) {
  const UnitSelector selector{OSTRAK_SELECTOR_MATCH_ALL, collection.vendorId, collection.productId,
                              collection.usagePage,      collection.usage,    0};
  return IsKeyboardSelector(selector);
}

bool SameDevicePath(std::u16string_view a, std::u16string_view b) { return SameIgnoringCase(a, b); }

bool MayBeKeyboardPath(std::u16string_view path) {
  return IdMayMatch(path, u"vid_", OSTRAK_VENDOR_ID) && IdMayMatch(path, u"pid_", OSTRAK_PRODUCT_ID);
}

CollectionChanges PlanCollectionChanges(std::span<const HidCollectionInfo> open,
                                        std::span<const HidCollectionInfo> enumerated) {
  auto samePathIn = [](const auto& collections, const HidCollectionInfo& c) {
    return std::any_of(collections.begin(), collections.end(),
                       [&](const HidCollectionInfo& other) { return SameDevicePath(other.path, c.path); });
  };
  CollectionChanges changes;
  // The keyboard's collections present now, each path once.
  std::vector<HidCollectionInfo> present;
  for (std::size_t i = 0; i < enumerated.size(); ++i) {
    const HidCollectionInfo& c = enumerated[i];
    if (!IsKeyboardCollection(c) || samePathIn(present, c)) continue;
    present.push_back(c);
    if (samePathIn(open, c)) continue;
    changes.open.push_back(i);
    changes.keyboardsAfter += IsControlCollection(c);
  }
  for (std::size_t i = 0; i < open.size(); ++i) {
    const bool stays = samePathIn(present, open[i]);
    (stays ? changes.keep : changes.close).push_back(i);
    changes.keyboardsBefore += IsControlCollection(open[i]);
    if (stays) changes.keyboardsAfter += IsControlCollection(open[i]);
  }
  return changes;
}
