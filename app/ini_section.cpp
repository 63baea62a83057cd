#include "app/ini_section.h"

#include <algorithm>

namespace {

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return lower;
}

}  // namespace

IniSection IniSection::FromEntries(std::u16string_view entries) {
  IniSection section;
  while (!entries.empty()) {
    const std::size_t end = std::min(entries.find(u'\0'), entries.size());
    const std::u16string_view line = entries.substr(0, end);
    entries.remove_prefix(std::min(end + 1, entries.size()));
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) continue;
    std::u16string_view value = line.substr(equals + 1);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    section.values_.emplace(LowerAscii(line.substr(0, equals)), std::u16string(value));
  }
  return section;
}

const std::u16string* IniSection::Find(std::u16string_view name) const {
  const auto found = values_.find(LowerAscii(name));
  return found == values_.end() ? nullptr : &found->second;
}

std::u16string IniSection::Get(std::u16string_view name, std::u16string_view fallback) const {
  const std::u16string* value = Find(name);
  return value ? *value : std::u16string(fallback);
}
