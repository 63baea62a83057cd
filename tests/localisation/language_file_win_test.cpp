// Reading Skins\language.ini through the private-profile functions.
#include "localisation/language_file_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "app/app_paths.h"
#include "tests/support/windows_test_support_win.h"

namespace {

const std::u16string kChineseCaption = u"\x6E38\x620F\x952E\x76D8\x8BBE\x7F6E";  // 游戏键盘设置
constexpr int kNoStoredChoice = -1;

// The user's interface language the tests give the language file.
unsigned short testUserLanguage = 0;
unsigned short TestUserLanguage() { return testUserLanguage; }

class LanguageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeScratchFolder(L"language");
    CreateDirectoryW((folder_ + L"Skins").c_str(), nullptr);
    file_ = folder_ + L"Skins\\language.ini";
    SetPaths(MakeAppPaths(FromWide(folder_ + L"Ostrak.exe")));
    ResetTexts();
    SetCurrentLanguageChoice(0);
  }
  void TearDown() override {
    ResetTexts();
    SetCurrentLanguageChoice(0);
    SetUserLanguageQuery(nullptr);
    RemoveTree(folder_);
  }

  void WriteLanguageFile(int language, std::u16string_view extraChinese = u"") {
    std::u16string text = u"[LANGUAGE]\r\n";
    if (language != kNoStoredChoice) text += u"language=" + std::u16string(1, u'0' + language) + u"\r\n";
    text += u"[CHINESE]\r\nMAIN_CAPTION=" + kChineseCaption + u"\r\nUNKNOWN_KEY=\x672A\x77E5\x6309\x952E %03x\r\n";
    text += extraChinese;
    text += u"[ENGINSH]\r\nMAIN_CAPTION=Keyboard Settings\r\nUNKNOWN_KEY=Unknown Key: %03x\r\n";
    WriteUtf16File(file_, text);
  }

  std::wstring folder_, file_;
};

TEST_F(LanguageFileTest, AChineseTextComesBackExactly) {
  WriteLanguageFile(0);
  LoadLanguageTexts();
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), kChineseCaption);
  EXPECT_EQ(Text(TextKey::UNKNOWN_KEY), u"\x672A\x77E5\x6309\x952E %03x");
  // A key missing from the section keeps its built-in text.
  EXPECT_EQ(Text(TextKey::MAIN_HELP_PROMPT), u"Help");
}

TEST_F(LanguageFileTest, StoringTheChoiceKeepsTheFileReadableInBothLanguages) {
  WriteLanguageFile(0);
  StoreLanguageChoice(1);
  EXPECT_EQ(ReadStoredLanguage(), 1);
  EXPECT_EQ(CurrentLanguageChoice(), 1);
  LoadLanguageTexts();
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), u"Keyboard Settings");

  const std::string bytes = ReadBytes(file_);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "the file must stay UTF-16";

  StoreLanguageChoice(0);
  EXPECT_EQ(ReadStoredLanguage(), 0);
  LoadLanguageTexts();
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), kChineseCaption);
}

TEST_F(LanguageFileTest, TheStoredValueOrTheChoiceOfOnePicksEnglish) {
  struct Case { int stored; int choice; const char16_t* section; };
  const Case cases[] = {{0, 0, u"CHINESE"}, {1, 0, u"ENGINSH"}, {7, 0, u"CHINESE"}, {7, 1, u"ENGINSH"}};
  for (const Case& c : cases) {
    WriteLanguageFile(c.stored);
    SetCurrentLanguageChoice(c.choice);
    EXPECT_EQ(std::u16string(ChosenLanguageSection()), c.section) << c.stored << "," << c.choice;
  }
}

// A first start: the file holds no choice yet and the user's interface
// language picks one; once the user has chosen, the stored choice wins.
TEST_F(LanguageFileTest, WithoutAStoredChoiceTheUsersInterfaceLanguagePicks) {
  struct Case { int stored; unsigned short userLanguage; const char16_t* section; };
  const Case cases[] = {
      {kNoStoredChoice, 0x0804, u"CHINESE"},  // zh-CN
      {kNoStoredChoice, 0x0404, u"CHINESE"},  // zh-TW
      {kNoStoredChoice, 0x0409, u"ENGINSH"},  // en-US
      {kNoStoredChoice, 0x0407, u"ENGINSH"},  // de-DE
      {0, 0x0409, u"CHINESE"},
      {1, 0x0804, u"ENGINSH"},
  };
  SetUserLanguageQuery(TestUserLanguage);
  for (const Case& c : cases) {
    WriteLanguageFile(c.stored);
    testUserLanguage = c.userLanguage;
    EXPECT_EQ(std::u16string(ChosenLanguageSection()), c.section) << c.stored << ", " << c.userLanguage;
    LoadLanguageTexts();
    const std::u16string caption = c.section == std::u16string(u"CHINESE") ? kChineseCaption : u"Keyboard Settings";
    EXPECT_EQ(Text(TextKey::MAIN_CAPTION), caption) << c.stored << ", " << c.userLanguage;
  }

  // The user chooses Chinese on an English system: that holds from then on.
  WriteLanguageFile(kNoStoredChoice);
  testUserLanguage = 0x0409;
  StoreLanguageChoice(0);
  EXPECT_EQ(std::u16string(ChosenLanguageSection()), u"CHINESE");
}

TEST_F(LanguageFileTest, NoFileKeepsEveryBuiltInText) {
  for (int group = 1; group <= 4; ++group) LoadLanguageGroup(group);
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    EXPECT_EQ(Text(key), BuiltInText(key)) << TextKeyName(key);
  }
}

// Our language file damaged: cut off inside its English section, in the
// middle of a line that then holds no text. What is left is read; every text
// the file lost is the built-in English one, message boxes' and menus' alike.
TEST_F(LanguageFileTest, ADamagedFileLeavesNoTextBlank) {
  const auto utf16 = [](std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
  };
  const std::string shipped = ReadBytes(BuiltProgramFolder() + L"Skins\\language.ini");
  const std::size_t english = shipped.find(utf16(u"[ENGINSH]"));
  ASSERT_NE(english, std::string::npos);
  const std::string cutAt = utf16(u"MAIN_DEFAULT_MATRIX_PROMPT=");
  const std::size_t cut = shipped.find(cutAt, english);
  ASSERT_NE(cut, std::string::npos);
  WriteBytes(file_, shipped.substr(0, cut + cutAt.size()));
  SetCurrentLanguageChoice(1);
  for (int group = 1; group <= 4; ++group) LoadLanguageGroup(group);

  EXPECT_EQ(Text(TextKey::MACRO_ERR_MAX), ReadLanguageText(u"ENGINSH", "MACRO_ERR_MAX")) << "read before the cut";
  EXPECT_NE(Text(TextKey::MACRO_ERR_MAX), BuiltInText(TextKey::MACRO_ERR_MAX));
  EXPECT_EQ(Text(TextKey::MAIN_DEFAULT_MATRIX_PROMPT), u"Reads the default keyboard layout failure");
  EXPECT_EQ(Text(TextKey::MAIN_NO_DEVICE_PROMPT), BuiltInText(TextKey::MAIN_NO_DEVICE_PROMPT));
  EXPECT_EQ(Text(TextKey::PROFILE_OK), u"OK");
  EXPECT_EQ(Text(TextKey::MENU_33), u"E&xit");
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    if (key == TextKey::MAIN_BUTTON_KORVAN_VER) continue;  // blank built in
    EXPECT_FALSE(Text(key).empty()) << TextKeyName(key);
  }
}

TEST_F(LanguageFileTest, ATextLongerThanItsSlotIsCut) {
  const std::u16string longText(600, u'\x952E');
  WriteLanguageFile(0, u"MAIN_PROMPT_DEFAULT=" + longText + u"\r\nMAIN_UPDATE_BACKUP_OK=" + longText + u"\r\n");
  LoadLanguageTexts();
  EXPECT_EQ(Text(TextKey::MAIN_PROMPT_DEFAULT), longText.substr(0, TextCapacity(TextKey::MAIN_PROMPT_DEFAULT)));
  EXPECT_EQ(Text(TextKey::MAIN_UPDATE_BACKUP_OK).size(), TextCapacity(TextKey::MAIN_UPDATE_BACKUP_OK));
}

// The slots are filled from one read of the section; each must hold what
// reading its key alone gives (or its built-in text when that is empty),
// however the line is written.
TEST_F(LanguageFileTest, ASectionReadGivesWhatEachKeyReadsAlone) {
  WriteLanguageFile(0,
                    u"main_help_prompt=lower-case name\r\n"
                    u"MAIN_CLOSE_PROMPT = spaced out \r\n"
                    u"MAIN_MINIMIZE_PROMPT=\"quoted\"\r\n"
                    u"MAIN_MENU_PROMPT='single'\r\n"
                    u"MAIN_PROMPT_DEFAULT=\"one quote\r\n"
                    u"KEYBOARD_TRAY_DESC=first\r\nKEYBOARD_TRAY_DESC=second\r\n"
                    u"MAIN_NO_DEVICE_PROMPT=a=b\r\n"
                    u"PROFILE_TIP=\"Current profile: \"  \r\n"
                    u"KEY_PROMPT_SET= \" is set to: \"\r\n"
                    u"; MAIN_CAPTION=a comment\r\n");
  LoadLanguageTexts();
  // Quotes keep the blanks at either end that the reader trims otherwise.
  EXPECT_EQ(Text(TextKey::PROFILE_TIP), u"Current profile: ");
  EXPECT_EQ(Text(TextKey::KEY_PROMPT_SET), u" is set to: ");
  EXPECT_EQ(Text(TextKey::MAIN_HELP_PROMPT), u"lower-case name");
  EXPECT_EQ(Text(TextKey::MAIN_MINIMIZE_PROMPT), u"quoted");
  EXPECT_EQ(Text(TextKey::KEYBOARD_TRAY_DESC), u"first");
  EXPECT_EQ(Text(TextKey::MAIN_NO_DEVICE_PROMPT), u"a=b");
  EXPECT_EQ(Text(TextKey::MAIN_CAPTION), kChineseCaption);
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    if (TextGroup(key) != 1) continue;
    const std::u16string alone = ReadLanguageText(u"CHINESE", TextKeyName(key));
    EXPECT_EQ(Text(key), alone.empty() ? BuiltInText(key) : alone.substr(0, TextCapacity(key))) << TextKeyName(key);
  }
}

TEST_F(LanguageFileTest, AGarbledFileNeverCrashes) {
  std::string noise;
  unsigned seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245 + 12345;
    noise += static_cast<char>(seed >> 16);
  }
  for (const std::string& bytes : {noise, std::string("\xFF\xFE") + noise, std::string(), std::string("[CHINESE")}) {
    WriteBytes(file_, bytes);
    LoadLanguageTexts();
    LoadLanguageGroup(2);
    (void)ReadStoredLanguage();
    EXPECT_FALSE(Text(TextKey::MAIN_NO_DEVICE_PROMPT).empty());
  }
}

// The language file we ship: every slot's key is in both sections and fits.
TEST(ShippedLanguageFile, HasEveryKeyInBothSections) {
  SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
  for (const char16_t* section : {u"CHINESE", u"ENGINSH"}) {
    for (int i = 0; i < kTextKeyCount; ++i) {
      const auto key = static_cast<TextKey>(i);
      if (key == TextKey::MAIN_BUTTON_KORVAN_VER) continue;  // empty on purpose
      const std::u16string text = ReadLanguageText(section, TextKeyName(key));
      EXPECT_FALSE(text.empty()) << TextKeyName(key);
      EXPECT_LE(text.size(), TextCapacity(key)) << TextKeyName(key);
    }
  }
  EXPECT_TRUE(ReadLanguageText(u"LANGUAGE", "language").empty()) << "a first start follows the user's language";
}

}  // namespace
