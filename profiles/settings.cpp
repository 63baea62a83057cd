#include "profiles/settings.h"

#include "app/decimal_text.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

unsigned FlagValueToStore(unsigned requested) { return requested <= 1 ? requested : 0; }

std::u16string SettingsFolderIn(std::u16string_view documentsFolder) {
  std::u16string folder(documentsFolder);
  // A drive's root ends in its separator already.
  if (folder.empty() || !IsSeparator(folder.back())) folder += u'\\';
  return folder + kSettingsFolderName;
}

std::u16string ChooseSettingsParent(std::initializer_list<std::u16string_view> candidates) {
  for (std::u16string_view folder : candidates) {
    // "D:" alone is the current folder of drive D, and "\" the current drive's
    // root: neither is a place of its own.
    const bool drivePath = folder.size() >= 3 && folder[1] == u':' && IsSeparator(folder[2]);
    const bool share = folder.size() > 2 && folder.starts_with(u"\\\\") && !IsSeparator(folder[2]);
    if (!drivePath && !share) continue;
    while (folder.size() > 3 && IsSeparator(folder.back())) folder.remove_suffix(1);
    std::u16string chosen(folder);
    if (drivePath && chosen.size() == 3) chosen[2] = u'\\';  // a drive's root, "D:\"
    return chosen;
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
