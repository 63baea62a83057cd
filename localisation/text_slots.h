// Text slots: every text the user sees, named by its language key.
//
// Each slot holds its built-in English text until the language file is read
// (see language_file_win.h); reading replaces it, cut to the slot's capacity,
// unless the file has no text for it.
// Slots are written on the user-interface thread only and read from any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

enum class TextKey : int {
#define TEXT_SLOT(key, group, capacity, text) key,
#include "localisation/text_keys.inc"
#undef TEXT_SLOT
  Count
};

constexpr int kTextKeyCount = static_cast<int>(TextKey::Count);

// The two sections of the language file and the value that chooses one.
inline constexpr char16_t kChineseSection[] = u"CHINESE";
inline constexpr char16_t kEnglishSection[] = u"ENGINSH";  // spelled so in every language file

// The current text of a slot.
std::u16string_view Text(TextKey key);

// Replaces a slot's text; a text longer than the slot's capacity is cut.
void SetText(TextKey key, std::u16string_view text);

// Puts every slot back to its built-in text.
void ResetTexts();

const char* TextKeyName(TextKey key);
int TextGroup(TextKey key);
std::size_t TextCapacity(TextKey key);
std::u16string_view BuiltInText(TextKey key);

// The slot of media key `index` (0 to 17) and of editing function `index` (0 to 10).
TextKey MediaKeyText(int index);
TextKey FunctionText(int index);
// The name the user sees for keyboard profile `index` (0 to 2): "Profile 1"...
// The profiles share one file, whose name says nothing of which one is meant.
TextKey ProfileNameText(int index);

// The stored `language` value and the process-wide current choice (0 Chinese,
// 1 English) pick the section: English when either is 1.
const char16_t* ChooseLanguageSection(int storedLanguage, int currentChoice);

// The language (0 Chinese, 1 English) of a language file that holds no stored
// choice yet, as on a first start: Chinese when the user's interface language
// (a Windows language id) is Chinese, English for everyone else.
int FirstStartLanguage(unsigned short userInterfaceLanguage);

// The process-wide language choice of the language commands (0 Chinese,
// 1 English); 0 when the program starts.
int CurrentLanguageChoice();
void SetCurrentLanguageChoice(int choice);

// Reads one key of a section; a missing key reads as an empty text.
using LanguageReader = std::function<std::u16string(const char16_t* section, const char* key)>;

// Fills every slot of `group` from `section` through `read`. A key missing from
// the section, or empty there, gives the slot its built-in text.
void LoadTextGroup(int group, const char16_t* section, const LanguageReader& read);

// Formats a slot that holds one printf-style number ("%d", "%03x", ...).
// Only one conversion of an integer is honoured; anything else is copied as is.
std::u16string FormatText(std::u16string_view format, long long value);
// Formats a slot that names one text, a file's path or name: its first "%s"
// becomes `text`.
std::u16string FormatText(std::u16string_view format, std::u16string_view text);
