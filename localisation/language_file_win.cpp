#include "localisation/language_file_win.h"

#include <windows.h>

#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "app/ini_section_win.h"
#include "app/decimal_text.h"
#include "app/app_paths.h"

namespace {

// Longer than any slot, so a text that is too long reaches the slot whole and
// is cut there.
constexpr DWORD kReadBuffer = 1024;

std::wstring LanguageFile() { return Wide(Paths().languageFile); }

unsigned short SystemUserLanguage() { return GetUserDefaultUILanguage(); }
UserLanguageQuery userLanguage = SystemUserLanguage;

}  // namespace

void SetUserLanguageQuery(UserLanguageQuery query) { userLanguage = query ? query : SystemUserLanguage; }

int ReadStoredLanguage() {
  wchar_t text[32] = {};
  GetPrivateProfileStringW(L"LANGUAGE", L"language", L"", text, 32, LanguageFile().c_str());
  if (text[0] == L'\0') return FirstStartLanguage(userLanguage());
  return ParseDecimalSetting(FromWide(text));
}

const char16_t* ChosenLanguageSection() {
  return ChooseLanguageSection(ReadStoredLanguage(), CurrentLanguageChoice());
}

std::u16string ReadLanguageText(const char16_t* section, const char* key) {
  std::wstring text(kReadBuffer, L'\0');
  const std::wstring wideKey(key, key + std::char_traits<char>::length(key));
  // A missing key reads as an empty text (not every reader trims a blank default).
  const DWORD length = GetPrivateProfileStringW(Wide(section).c_str(), wideKey.c_str(), L"", text.data(),
                                                kReadBuffer, LanguageFile().c_str());
  text.resize(length);
  return FromWide(text);
}

void LoadLanguageGroup(int group) {
  // A group holds hundreds of texts: the section is read once for all of them.
  const char16_t* section = ChosenLanguageSection();
  const IniSection texts = ReadIniSection(Paths().languageFile, section);
  LoadTextGroup(group, section, [&texts](const char16_t*, const char* key) {
    return texts.Get(std::u16string(key, key + std::char_traits<char>::length(key)));
  });
}

void StoreLanguageChoice(int choice) {
  SetCurrentLanguageChoice(choice);
  WritePrivateProfileStringW(L"language", L"language", std::to_wstring(choice).c_str(), LanguageFile().c_str());
}
