#include "skin/skin_file_win.h"

#include <windows.h>

#include <vector>

#include "app/wide_win.h"

std::u16string ReadSkinString(const std::u16string& skinFile, const char16_t* section, const char16_t* key,
                              const char16_t* fallback, std::size_t capacity) {
  if (capacity == 0) return {};
  std::vector<wchar_t> buffer(capacity, L'\0');
  const DWORD length = GetPrivateProfileStringW(WidePtr(section), WidePtr(key), WidePtr(fallback), buffer.data(),
                                                static_cast<DWORD>(capacity), WidePtr(skinFile.c_str()));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

bool HasSkinKey(const std::u16string& skinFile, const char16_t* section, const char16_t* key) {
  // Two different defaults come back unchanged only when the key is missing.
  return ReadSkinString(skinFile, section, key, u"\x1\x2") != u"\x1\x2" ||
         ReadSkinString(skinFile, section, key, u"\x3") != u"\x3";
}

SkinRect ReadSkinRect(const std::u16string& skinFile, const std::u16string& key, const char16_t* section) {
  return ParseSkinRect(ReadSkinString(skinFile, section, key.c_str(), kMissingSkinValue.data(), 64));
}

SkinRect SkinRectIn(const IniSection& section, std::u16string_view key) {
  const std::u16string* value = section.Find(key);
  return ParseSkinRect(value ? std::u16string_view(*value).substr(0, 63) : kMissingSkinValue);
}
