#include "app/ini_section_win.h"

#include <windows.h>

#include "app/wide_win.h"

IniSection ReadIniSection(const std::u16string& file, const std::u16string& section) {
  std::wstring entries(16384, L'\0');
  for (;;) {
    const DWORD length = GetPrivateProfileSectionW(Wide(section).c_str(), entries.data(),
                                                   static_cast<DWORD>(entries.size()), Wide(file).c_str());
    if (length + 2 < entries.size() || entries.size() >= (1u << 24)) {
      entries.resize(length);
      break;
    }
    entries.assign(entries.size() * 2, L'\0');  // the section did not fit
  }
  return IniSection::FromEntries(FromWide(entries));
}
