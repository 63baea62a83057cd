#include "profiles/settings.h"

#include <climits>

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

int ParseDecimalSetting(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return 0;
  long long value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    value = value * 10 + (c - u'0');
    if (value > INT_MAX) return 0;
  }
  return static_cast<int>(negative ? -value : value);
}

unsigned FlagValueToStore(unsigned requested) { return requested <= 1 ? requested : 0; }

std::u16string DecimalText(long long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string SettingsFolderIn(std::u16string_view documentsFolder) {
  return std::u16string(documentsFolder) + u"\\" + kSettingsFolderName;
}

std::u16string ChooseSettingsParent(std::initializer_list<std::u16string_view> candidates) {
  for (std::u16string_view folder : candidates) {
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.remove_suffix(1);
    const bool drivePath = folder.size() > 3 && folder[1] == u':' && (folder[2] == u'\\' || folder[2] == u'/');
    const bool share = folder.size() > 2 && folder.starts_with(u"\\\\");
    if (drivePath || share) return std::u16string(folder);
  }
  return {};
}

std::u16string ProfileFileIn(std::u16string_view settingsFolder, int /*profileIndex*/) {
  return std::u16string(settingsFolder) + u"\\$Profile" + DecimalText(0);
}

std::u16string ProfileListValueName(int number) {
  std::u16string name = u"PROFILE";
  if (number >= 0 && number < 10) name += u'0';
  return name + DecimalText(number);
}
