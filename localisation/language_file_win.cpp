#include "localisation/language_file_win.h"

#include <windows.h>

#include <map>

#include "controls/wide_win.h"
#include "localisation/text_slots.h"
#include "profiles/settings.h"
#include "shell/app_paths.h"

namespace {

// Longer than any slot, so a text that is too long reaches the slot whole and
// is cut there.
constexpr DWORD kReadBuffer = 1024;

std::wstring LanguageFile() { return Wide(Paths().languageFile); }

}  // namespace

int ReadStoredLanguage() {
  wchar_t text[32] = {};
  GetPrivateProfileStringW(L"LANGUAGE", L"language", L"0", text, 32, LanguageFile().c_str());
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

std::u16string LowerAscii(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// Every key of a section from one read of the file (a group holds hundreds of
// texts), read as a single key would be: names without case, the first of a
// name twice, one pair of enclosing quotes removed.
std::map<std::u16string, std::u16string> ReadLanguageSection(const char16_t* section) {
  std::wstring entries(16384, L'\0');
  for (;;) {
    const DWORD length = GetPrivateProfileSectionW(Wide(section).c_str(), entries.data(),
                                                   static_cast<DWORD>(entries.size()), LanguageFile().c_str());
    if (length + 2 < entries.size() || entries.size() >= (1u << 24)) break;
    entries.assign(entries.size() * 2, L'\0');  // too small: the section was cut
  }
  std::map<std::u16string, std::u16string> texts;
  for (const wchar_t* entry = entries.c_str(); *entry; entry += wcslen(entry) + 1) {
    const std::u16string line = FromWide(entry);
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) continue;
    std::u16string value = line.substr(equals + 1);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    texts.emplace(LowerAscii(line.substr(0, equals)), std::move(value));
  }
  return texts;
}

void LoadLanguageGroup(int group) {
  const char16_t* section = ChosenLanguageSection();
  const auto texts = ReadLanguageSection(section);
  LoadTextGroup(group, section, [&texts](const char16_t*, const char* key) {
    const auto found = texts.find(LowerAscii(std::u16string(key, key + std::char_traits<char>::length(key))));
    return found == texts.end() ? std::u16string() : found->second;
  });
}

void StoreLanguageChoice(int choice) {
  SetCurrentLanguageChoice(choice);
  WritePrivateProfileStringW(L"language", L"language", std::to_wstring(choice).c_str(), LanguageFile().c_str());
}
