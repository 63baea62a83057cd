#include "localisation/text_slots.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

struct SlotInfo {
  const char* key;
  int group;
  std::size_t capacity;
  const char16_t* builtIn;
};

constexpr SlotInfo kSlots[] = {
#define TEXT_SLOT(key, group, capacity, text) {#key, group, capacity, text},
#include "localisation/text_keys.inc"
#undef TEXT_SLOT
};
static_assert(std::size(kSlots) == kTextKeyCount);

std::array<std::u16string, kTextKeyCount>& Slots() {
  static std::array<std::u16string, kTextKeyCount> slots = [] {
    std::array<std::u16string, kTextKeyCount> filled;
    for (int i = 0; i < kTextKeyCount; ++i) filled[i] = kSlots[i].builtIn;
    return filled;
  }();
  return slots;
}

const SlotInfo& Info(TextKey key) {
  const int i = static_cast<int>(key);
  return kSlots[(i >= 0 && i < kTextKeyCount) ? i : 0];
}

}  // namespace

std::u16string_view Text(TextKey key) {
  const int i = static_cast<int>(key);
  if (i < 0 || i >= kTextKeyCount) return {};
  return Slots()[i];
}

void SetText(TextKey key, std::u16string_view text) {
  const int i = static_cast<int>(key);
  if (i < 0 || i >= kTextKeyCount) return;
  Slots()[i].assign(text.substr(0, kSlots[i].capacity));
}

void ResetTexts() {
  for (int i = 0; i < kTextKeyCount; ++i) Slots()[i] = kSlots[i].builtIn;
}

const char* TextKeyName(TextKey key) { return Info(key).key; }
int TextGroup(TextKey key) { return Info(key).group; }
std::size_t TextCapacity(TextKey key) { return Info(key).capacity; }
std::u16string_view BuiltInText(TextKey key) { return Info(key).builtIn; }

TextKey MediaKeyText(int index) {
  if (index < 0 || index > 17) return TextKey::Count;
  return static_cast<TextKey>(static_cast<int>(TextKey::MEDIA_PALYER_1) + index);
}

TextKey FunctionText(int index) {
  if (index < 0 || index > 10) return TextKey::Count;
  return static_cast<TextKey>(static_cast<int>(TextKey::FUNC_KEY_DESC1) + index);
}

TextKey ProfileNameText(int index) {
  if (index < 0 || index > 2) return TextKey::Count;
  return static_cast<TextKey>(static_cast<int>(TextKey::PROFILE_1) + index);
}

namespace {
int currentLanguageChoice = 0;
}

int CurrentLanguageChoice() { return currentLanguageChoice; }
void SetCurrentLanguageChoice(int choice) { currentLanguageChoice = static_cast<std::uint16_t>(choice); }

const char16_t* ChooseLanguageSection(int storedLanguage, int currentChoice) {
  return (storedLanguage == 1 || currentChoice == 1) ? kEnglishSection : kChineseSection;
}

int FirstStartLanguage(unsigned short userInterfaceLanguage) {
  // A language id's low ten bits are its primary language; 0x04 is Chinese,
  // simplified and traditional alike.
  constexpr unsigned kPrimaryLanguageMask = 0x3FF, kChinese = 0x04;
  return (userInterfaceLanguage & kPrimaryLanguageMask) == kChinese ? 0 : 1;
}

void LoadTextGroup(int group, const char16_t* section, const LanguageReader& read) {
  for (int i = 0; i < kTextKeyCount; ++i) {
    if (kSlots[i].group != group) continue;
    // A missing or empty text keeps the built-in one: a damaged language file
    // must not leave the program, and its message boxes, without words.
    const std::u16string text = read(section, kSlots[i].key);
    SetText(static_cast<TextKey>(i), text.empty() ? std::u16string_view(kSlots[i].builtIn) : text);
  }
}

std::u16string FormatText(std::u16string_view format, long long value) {
  // Find the one conversion: '%', flags and width, then d, u, x or X.
  const std::size_t start = format.find(u'%');
  if (start == std::u16string_view::npos) return std::u16string(format);
  std::size_t end = start + 1;
  std::string spec = "%";
  while (end < format.size() && (format[end] == u'0' || format[end] == u'-' ||
                                 (format[end] >= u'1' && format[end] <= u'9'))) {
    spec += static_cast<char>(format[end]);
    ++end;
  }
  if (end >= format.size() || spec.size() > 4) return std::u16string(format);
  const char16_t conv = format[end];
  if (conv != u'd' && conv != u'u' && conv != u'x' && conv != u'X') return std::u16string(format);
  spec += "ll";
  spec += static_cast<char>(conv);

  char digits[32];
  std::snprintf(digits, sizeof digits, spec.c_str(), value);
  std::u16string out(format.substr(0, start));
  for (const char* p = digits; *p; ++p) out += static_cast<char16_t>(*p);
  out += format.substr(end + 1);
  return out;
}

std::u16string FormatText(std::u16string_view format, std::u16string_view text) {
  std::u16string out(format);
  if (const std::size_t at = out.find(u"%s"); at != std::u16string::npos) out.replace(at, 2, text);
  return out;
}
