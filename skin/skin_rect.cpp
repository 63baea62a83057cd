#include "skin/skin_rect.h"

namespace {

constexpr int kLimit = 32767;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

// Reads an optionally signed decimal number after optional blanks, as the C
// library's %d does; false when there are no digits.
bool ReadNumber(std::u16string_view text, std::size_t& pos, int& number) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) negative = text[pos++] == u'-';
  const std::size_t first = pos;
  long long value = 0;
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
    if (value <= kLimit) value = value * 10 + (text[pos] - u'0');
    ++pos;
  }
  if (pos == first) return false;
  if (value > kLimit) value = kLimit;
  number = static_cast<int>(negative ? -value : value);
  return true;
}

}  // namespace

SkinRect ParseSkinRect(std::u16string_view value) {
  SkinRect rect;
  int* fields[] = {&rect.x, &rect.y, &rect.w, &rect.h};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (!ReadNumber(value, pos, *fields[i])) break;
    if (i < 3) {
      if (pos >= value.size() || value[pos] != u',') break;
      ++pos;
    }
  }
  return rect;
}

bool Overlaps(const SkinRect& a, const SkinRect& b) {
  if (a.w <= 0 || a.h <= 0 || b.w <= 0 || b.h <= 0) return false;
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}
