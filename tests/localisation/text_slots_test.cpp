#include "localisation/text_slots.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class TextSlotsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTexts(); }
  void TearDown() override { ResetTexts(); }
};

// A language file held in memory: section -> key -> text.
using FakeLanguageFile = std::map<std::u16string, std::map<std::string, std::u16string>>;

LanguageReader ReaderOf(const FakeLanguageFile& file) {
  return [&file](const char16_t* section, const char* key) -> std::u16string {
    auto s = file.find(section);
    if (s == file.end()) return {};
    auto k = s->second.find(key);
    return k == s->second.end() ? std::u16string() : k->second;
  };
}

TEST_F(TextSlotsTest, BuiltInTextsStandUntilTheFileIsRead) {
  EXPECT_EQ(Text(TextKey::UNKNOWN_KEY), u"Unknown Key: %03x");
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), u"Gaming Keyboard Settings");
  EXPECT_EQ(Text(TextKey::MAIN_NO_DEVICE_PROMPT),
            u"Device is not detected\xFF0Cthe key settings can not be displayed! ");
  EXPECT_EQ(Text(TextKey::MAIN_UPDATE_BACKUP_OK), u"The profile was saved to %s.");
  EXPECT_STREQ(TextKeyName(TextKey::MEDIA_Next_TRACK_5), "MEDIA_Next_TRACK_5");
}

TEST_F(TextSlotsTest, EveryBuiltInTextFitsItsSlot) {
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    EXPECT_LE(BuiltInText(key).size(), TextCapacity(key)) << TextKeyName(key);
    EXPECT_GE(TextCapacity(key), 5u) << TextKeyName(key);
  }
  EXPECT_GE(TextCapacity(TextKey::EXTRA_MACRO_TOO_LONG), 203u);
  EXPECT_GE(TextCapacity(TextKey::MACRO_NEW_PREFIX), 107u);
}

TEST_F(TextSlotsTest, ALongerTextIsCutToTheSlot) {
  const std::u16string longText(500, u'x');
  SetText(TextKey::MAIN_CAPTION, longText);
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), longText.substr(0, TextCapacity(TextKey::MAIN_CAPTION)));
  // Even the firmware dialog's messages take a whole sentence and more.
  const std::u16string sentence = u"The keyboard did not switch to update mode. Unplug it, plug it in again and try again.";
  SetText(TextKey::MAIN_BOOT_ERROR_TEXT, sentence + sentence);
  EXPECT_EQ(Text(TextKey::MAIN_BOOT_ERROR_TEXT), sentence + sentence);
}

TEST_F(TextSlotsTest, LoadingAGroupReplacesOnlyThatGroupAndKeepsBuiltInsForMissingOrEmptyKeys) {
  FakeLanguageFile file;
  file[kEnglishSection]["MAIN_CAPTION"] = u"Keyboard";
  file[kEnglishSection]["MAIN_HELP_PROMPT"] = u"";  // present, but empty
  file[kEnglishSection]["SINGLE_KEY"] = u"One key";
  SetText(TextKey::UNKNOWN_KEY, u"from the other section");  // as after an earlier load
  LoadTextGroup(1, kEnglishSection, ReaderOf(file));

  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), u"Keyboard");
  EXPECT_EQ(Text(TextKey::UNKNOWN_KEY), u"Unknown Key: %03x");  // missing: the built-in text, not the last one
  EXPECT_EQ(Text(TextKey::MAIN_HELP_PROMPT), u"Help");          // empty: the built-in text
  EXPECT_EQ(Text(TextKey::SINGLE_KEY), u"Single Key");          // group 2 untouched
  EXPECT_EQ(Text(TextKey::PROFILE_1), u"Profile 1");            // group 3 untouched

  LoadTextGroup(2, kEnglishSection, ReaderOf(file));
  EXPECT_EQ(Text(TextKey::SINGLE_KEY), u"One key");
}

// Without a language file (or with one whose sections are lost) every text
// is the built-in English one; none is blank but the one that is blank built in.
TEST_F(TextSlotsTest, NoLanguageFileLeavesEveryBuiltInText) {
  const FakeLanguageFile none;
  for (int group = 1; group <= 4; ++group) LoadTextGroup(group, ChooseLanguageSection(0, 0), ReaderOf(none));
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    EXPECT_EQ(Text(key), BuiltInText(key)) << TextKeyName(key);
    if (key != TextKey::MAIN_BUTTON_KORVAN_VER) {
      EXPECT_FALSE(Text(key).empty()) << TextKeyName(key);
    }
  }
  EXPECT_EQ(Text(TextKey::MENU_33), u"E&xit");
}

TEST(ChooseLanguageSection, EnglishWhenTheStoredValueOrTheChoiceIsOne) {
  struct Case { int stored, choice; const char16_t* section; };
  const Case cases[] = {
      {0, 0, kChineseSection}, {1, 0, kEnglishSection}, {0, 1, kEnglishSection},
      {7, 0, kChineseSection}, {-1, 0, kChineseSection}, {7, 1, kEnglishSection},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::u16string(ChooseLanguageSection(c.stored, c.choice)), c.section)
        << c.stored << "," << c.choice;
}

// Without a stored choice the program speaks Chinese only to a user whose
// interface language is Chinese, whatever its script or region.
TEST(FirstStartLanguage, ChineseOnlyForAChineseInterfaceLanguage) {
  struct Case { unsigned short languageId; const char* name; int language; };
  const Case cases[] = {
      {0x0804, "zh-CN", 0}, {0x0404, "zh-TW", 0}, {0x0C04, "zh-HK", 0}, {0x1004, "zh-SG", 0},
      {0x7C04, "zh-Hant", 0}, {0x0004, "zh-Hans", 0},
      {0x0409, "en-US", 1}, {0x0809, "en-GB", 1}, {0x0407, "de-DE", 1}, {0x0411, "ja-JP", 1},
      {0x0412, "ko-KR", 1}, {0x0000, "neutral", 1}, {0x0414, "nb-NO", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstStartLanguage(c.languageId), c.language) << c.name;
    EXPECT_EQ(std::u16string(ChooseLanguageSection(FirstStartLanguage(c.languageId), 0)),
              c.language == 0 ? kChineseSection : kEnglishSection)
        << c.name;
  }
}

TEST(SlotsByIndex, MediaAndFunctionNamesFollowTheirNumbers) {
  ResetTexts();
  EXPECT_EQ(MediaKeyText(0), TextKey::MEDIA_PALYER_1);
  EXPECT_EQ(MediaKeyText(17), TextKey::MEDIA_MAIL_18);
  EXPECT_EQ(MediaKeyText(18), TextKey::Count);
  EXPECT_EQ(MediaKeyText(-1), TextKey::Count);
  EXPECT_EQ(Text(MediaKeyText(18)), u"");
  EXPECT_EQ(FunctionText(10), TextKey::FUNC_KEY_DESC11);
  EXPECT_EQ(Text(FunctionText(8)), u"Select All");
  EXPECT_EQ(FunctionText(11), TextKey::Count);
  EXPECT_EQ(Text(ProfileNameText(0)), u"Profile 1");
  EXPECT_EQ(ProfileNameText(2), TextKey::PROFILE_3);
  EXPECT_EQ(ProfileNameText(3), TextKey::Count);
}

TEST(FormatText, FormatsTheOneNumber) {
  struct Case { const char16_t* format; long long value; const char16_t* expected; };
  const Case cases[] = {
      {u"Unknown Key: %03x", 0x05A, u"Unknown Key: 05a"},
      {u"Unknown Key: %03x", 0x1FF, u"Unknown Key: 1ff"},
      {u"The maximum number of macro: %d   ", 100, u"The maximum number of macro: 100   "},
      {u"Maximum delay time is: %d(ms) ", 40000, u"Maximum delay time is: 40000(ms) "},
      {u"no conversion", 5, u"no conversion"},
      {u"%s is not a number", 5, u"%s is not a number"},
      {u"trailing %", 5, u"trailing %"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatText(c.format, c.value), c.expected);
}

TEST(FormatText, PutsTheNamedTextInPlaceOfTheFirstPercentS) {
  EXPECT_EQ(FormatText(u"saved to %s.", u"C:\\a.fwc"), u"saved to C:\\a.fwc.");
  EXPECT_EQ(FormatText(u"%s and %s", u"x"), u"x and %s");
  EXPECT_EQ(FormatText(u"no place", u"x"), u"no place");
}

}  // namespace
