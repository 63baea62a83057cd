// The language file the program ships (assets/language.ini), read as the
// system's private-profile reader reads it: blanks around a value are lost,
// enclosing quotes are removed. Every text must reach the user whole.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/ini_section.h"
#include "app/utf8_text.h"
#include "localisation/text_slots.h"

namespace {

struct Line {
  std::string raw;      // the value as written
  std::u16string text;  // the value as the program reads it
};
using Section = std::map<std::string, Line>;

std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

std::map<std::string, Section> ReadShippedFile() {
  std::ifstream file(OSTRAK_SOURCE_DIR "/assets/language.ini", std::ios::binary);
  std::map<std::string, Section> sections;
  std::string line, section;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = Trimmed(line.substr(0, equals)), raw = line.substr(equals + 1);
    // The system trims the value; the section reader then takes off one pair of quotes.
    const std::u16string entry = FromUtf8(key + "=" + Trimmed(raw)) + u'\0';
    sections[section][key] = {raw, IniSection::FromEntries(entry).Get(FromUtf8(key))};
  }
  return sections;
}

class ShippedLanguageFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sections_ = new std::map<std::string, Section>(ReadShippedFile()); }
  static void TearDownTestSuite() { delete sections_; }
  const Section& Chinese() { return (*sections_)["CHINESE"]; }
  const Section& English() { return (*sections_)["ENGINSH"]; }
  static std::map<std::string, Section>* sections_;
};
std::map<std::string, Section>* ShippedLanguageFile::sections_ = nullptr;

// A blank at either end is part of the text only in quotes: without them
// "Keys, Set: " became "Keys, Set:" and the tooltip ran its words together.
TEST_F(ShippedLanguageFile, BlanksAtEitherEndOfATextAreQuoted) {
  ASSERT_FALSE(English().empty());
  for (const Section* section : {&Chinese(), &English()})
    for (const auto& [key, line] : *section) {
      const std::string trimmed = Trimmed(line.raw);
      const bool quoted = trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"';
      if (!quoted) {
        EXPECT_EQ(line.raw, trimmed) << key << ": a blank the reader drops";
      }
    }
  // The texts that run on into another keep the blank that parts them.
  EXPECT_EQ(English().at("PROFILE_TIP").text, u"Current profile: ");
  EXPECT_EQ(English().at("KEY_PROMPT_SET").text, u" is set to: ");
  EXPECT_EQ(Chinese().at("KEY_PROMPT_SET").text.front(), u' ');
}

// Both languages have every text, and none is longer than its slot: a text
// that does not fit would be cut without a word.
TEST_F(ShippedLanguageFile, EveryTextIsThereInBothLanguagesAndFitsItsSlot) {
  for (const Section* section : {&Chinese(), &English()}) {
    EXPECT_EQ(section->size(), static_cast<std::size_t>(kTextKeyCount));
    for (int i = 0; i < kTextKeyCount; ++i) {
      const auto key = static_cast<TextKey>(i);
      const auto found = section->find(TextKeyName(key));
      ASSERT_NE(found, section->end()) << TextKeyName(key);
      EXPECT_FALSE(found->second.text.empty()) << TextKeyName(key);
      EXPECT_LE(found->second.text.size(), TextCapacity(key)) << TextKeyName(key);
    }
  }
}

// The firmware dialog's and the backup's messages are whole sentences that
// say what to do, in either language; their slots take them.
TEST_F(ShippedLanguageFile, TheFirmwareMessagesAreWholeSentences) {
  const TextKey messages[] = {TextKey::MAIN_UPDATE_ERROR_TEXT, TextKey::MAIN_BOOT_ERROR_TEXT,
                              TextKey::MAIN_SHELL_ERROR_TEXT,  TextKey::MAIN_UPDATE_BACKUP_OK,
                              TextKey::MAIN_UPDATE_BACKUP_NG, TextKey::MAIN_UPDATE_NO_FILE_TEXT,
                              TextKey::MAIN_UPDATE_NO_KEYBOARD_TEXT, TextKey::MAIN_UPDATE_BUSY_TEXT};
  for (TextKey key : messages) {
    EXPECT_GE(TextCapacity(key), 203u) << TextKeyName(key);
    const std::u16string& english = English().at(TextKeyName(key)).text;
    EXPECT_GE(english.size(), 25u) << TextKeyName(key);
    EXPECT_EQ(english.back(), u'.') << TextKeyName(key);
    EXPECT_EQ(english.find(u'!'), std::u16string::npos) << TextKeyName(key);
  }
  EXPECT_EQ(English().at("MAIN_BOOT_ERROR_TEXT").text,
            u"The keyboard did not switch to update mode. Unplug it, plug it in again and try again.");
  // The ones about a file name it.
  for (const char* key : {"MAIN_UPDATE_ERROR_TEXT", "MAIN_SHELL_ERROR_TEXT", "MAIN_UPDATE_BACKUP_OK",
                          "MAIN_UPDATE_BACKUP_NG"})
    for (const Section* section : {&Chinese(), &English()})
      EXPECT_NE(section->at(key).text.find(u"%s"), std::u16string::npos) << key;
}

// English puts a menu's mnemonic in the word ("&Open"); the bracketed letter
// after the word ("Open(&O)") is the Chinese way, where the word has none.
TEST_F(ShippedLanguageFile, EnglishMnemonicsAreInTheWord) {
  for (const auto& [key, line] : English()) {
    EXPECT_EQ(line.text.find(u"(&"), std::u16string::npos) << key;
    if (key.rfind("MENU_", 0) == 0) {
      EXPECT_NE(line.text.find(u'&'), std::u16string::npos) << key;
    }
  }
  for (const auto& [key, line] : Chinese()) {
    if (key.rfind("MENU_", 0) == 0) {
      EXPECT_NE(line.text.find(u"(&"), std::u16string::npos) << key;
    }
  }
}

}  // namespace
