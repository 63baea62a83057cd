#include "profiles/settings_win.h"

#include <windows.h>
#include <shlobj.h>

#include "profiles/settings.h"
#include "app/wide_win.h"

namespace {

std::wstring& ApplicationKey() {
  static std::wstring key;  // "Software\<company>\<application>"
  return key;
}

std::wstring SectionKey(std::u16string_view section) {
  return ApplicationKey() + L"\\" + Wide(section);
}

std::u16string& VoviPath() {
  static std::u16string path;
  return path;
}

}  // namespace

void SetRegistryRoot(std::u16string_view company, std::u16string_view applicationName) {
  ApplicationKey() = L"Software\\" + Wide(company) + L"\\" + Wide(applicationName);
}

std::u16string ReadRegistryString(std::u16string_view section, std::u16string_view name,
                                 std::u16string_view defaultValue) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::u16string(defaultValue);
  std::u16string result(defaultValue);
  DWORD type = 0, bytes = 0;
  const std::wstring valueName = Wide(name);
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) == ERROR_SUCCESS) {
      text.resize(wcsnlen(text.c_str(), text.size()));  // the stored text may lack its terminator
      result = FromWide(text);
    }
  }
  RegCloseKey(key);
  return result;
}

bool WriteRegistryString(std::u16string_view section, std::u16string_view name,
                        std::u16string_view value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring text = Wide(value);
  const LONG result = RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

int ReadFlagSetting(std::u16string_view name) {
  return ParseDecimalSetting(ReadRegistryString(kProfilesSection, name, u"0"));
}

unsigned WriteFlagSetting(std::u16string_view name, unsigned value) {
  const unsigned stored = FlagValueToStore(value);
  WriteRegistryString(kProfilesSection, name, DecimalText(stored));
  return stored;
}

namespace {

std::u16string KnownFolder(int id) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return FromWide(path);
}

}  // namespace

std::u16string SettingsParentFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  return ChooseSettingsParent({KnownFolder(CSIDL_PERSONAL), KnownFolder(CSIDL_LOCAL_APPDATA),
                               n > 0 && n <= MAX_PATH ? FromWide(temp) : std::u16string()});
}

std::u16string SettingsFolderPath() { return SettingsFolderIn(SettingsParentFolder()); }

void EnsureSettingsFolder() {
  const std::wstring folder = Wide(SettingsFolderPath());
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(folder.c_str(), nullptr);
}

std::u16string ProfileFilePath(int profileIndex) {
  EnsureSettingsFolder();
  return ProfileFileIn(SettingsFolderPath(), profileIndex);
}

void FormVoviIniPath() {
  VoviPath() = SettingsFolderPath() + u"\\" + kVoviFileName;
}

const std::u16string& VoviIniPath() { return VoviPath(); }

int ReadVoviSetting(std::u16string_view key, int defaultValue) {
  wchar_t text[64] = {};
  const std::wstring fallback = std::to_wstring(defaultValue);
  GetPrivateProfileStringW(Wide(kKeyColorSection).c_str(), Wide(key).c_str(), fallback.c_str(), text, 64,
                           Wide(VoviIniPath()).c_str());
  return ParseDecimalSetting(FromWide(text));
}

void WriteVoviSetting(std::u16string_view key, int value) {
  WritePrivateProfileStringW(Wide(kKeyColorSection).c_str(), Wide(key).c_str(),
                             std::to_wstring(value).c_str(), Wide(VoviIniPath()).c_str());
}
