// Feeds random text to the ini section reader, as a damaged language or skin
// file would. Every value it holds is found again by its name in any case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ini_section.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string entries;
  for (std::size_t i = 0; i + 1 < size; i += 2) entries.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const IniSection section = IniSection::FromEntries(entries);
  // The first line's name, in upper case, finds the first line's value.
  const std::u16string first = entries.substr(0, entries.find(u'\0'));
  const std::size_t equals = first.find(u'=');
  if (equals != std::u16string::npos) {
    std::u16string name = first.substr(0, equals);
    for (char16_t& c : name)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    const std::u16string* value = section.Find(name);
    if (!value || value->size() > first.size() - equals - 1) std::abort();
  }
  return 0;
}
