// Reading the language file Skins\language.ini into the text slots, and storing
// the language choice there.
#pragma once

#include <string>
#include <string_view>

// The stored `language` value of section LANGUAGE. While the file holds none
// (a first start), the user's interface language decides: English unless it is
// Chinese. A stored value always wins.
int ReadStoredLanguage();

// Where the user's interface language comes from: the system's
// GetUserDefaultUILanguage, or the query a test puts in (nullptr: the system's).
using UserLanguageQuery = unsigned short (*)();
void SetUserLanguageQuery(UserLanguageQuery query);

// The section the stored value and the current choice pick.
const char16_t* ChosenLanguageSection();

// One text of a section as the file holds it; a missing file, section or key
// gives an empty text.
std::u16string ReadLanguageText(const char16_t* section, const char* key);

// Fills the slots of a group (1 at start and after a language command, 2 when
// the composite editor opens, 3 with the main window's profile labels, 4 when a
// menu or the About box is built); a key the file has no text for keeps its
// built-in text.
void LoadLanguageGroup(int group);
inline void LoadLanguageTexts() { LoadLanguageGroup(1); }

// The first two steps of a language command: the current choice becomes
// `choice` (0 Chinese, 1 English) and is written to the file as `language`.
void StoreLanguageChoice(int choice);
