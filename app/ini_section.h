// A whole section of an ini file, read at once. Windows and dialogs read
// hundreds of keys (texts, control rectangles) from one section; reading the
// file once per key makes a start slow. A key reads as the system's
// private-profile functions read it alone: names without case, the first of
// a name given twice, one pair of enclosing quotes removed.
#pragma once

#include <map>
#include <string>
#include <string_view>

class IniSection {
 public:
  IniSection() = default;
  // `entries` as the system returns a section: "name=value" lines, each
  // ending with a zero character. Lines without '=' are skipped.
  static IniSection FromEntries(std::u16string_view entries);

  // The value of `name`, or nullptr when the section has no such key.
  const std::u16string* Find(std::u16string_view name) const;
  std::u16string Get(std::u16string_view name, std::u16string_view fallback = u"") const;
  bool empty() const { return values_.empty(); }

 private:
  std::map<std::u16string, std::u16string> values_;  // by lower-case name
};
