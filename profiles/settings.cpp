#include "profiles/settings.h"

#include "app/decimal_text.h"



unsigned FlagValueToStore(unsigned requested) { return requested <= 1 ? requested : 0; }


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
