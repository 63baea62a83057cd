#include "app/ini_section.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_view_literals;

TEST(IniSection, ReadsEachKeyAsTheSystemReadsItAlone) {
  const IniSection section = IniSection::FromEntries(
      u"MAIN_CAPTION=Keyboard\0"
      u"lower=case\0"
      u"Twice=first\0twice=second\0"
      u"quoted=\"in quotes\"\0"
      u"blanks=\" is set to: \"\0"
      u"single='in quotes'\0"
      u"half=\"open\0"
      u"one=\"\0"
      u"equals=a=b\0"
      u"empty=\0"
      u"no equals sign\0"
      u"KEY_01E=10,20,30,40\0"sv);
  const struct {
    const char16_t* name;
    const char16_t* value;  // nullptr: missing
  } cases[] = {
      {u"main_caption", u"Keyboard"}, {u"LOWER", u"case"},     {u"twice", u"first"},
      {u"quoted", u"in quotes"},      {u"single", u"in quotes"}, {u"half", u"\"open"},
      {u"blanks", u" is set to: "},  // quotes keep the blanks the reader trims
      {u"one", u"\""},                {u"equals", u"a=b"},     {u"empty", u""},
      {u"no equals sign", nullptr},   {u"missing", nullptr},   {u"key_01e", u"10,20,30,40"},
  };
  for (const auto& c : cases) {
    const std::u16string* value = section.Find(c.name);
    if (!c.value) {
      EXPECT_EQ(value, nullptr);
      continue;
    }
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, c.value);
  }
  EXPECT_EQ(section.Get(u"missing", u"fallback"), u"fallback");
}

TEST(IniSection, NoEntriesOrACutLastEntry) {
  EXPECT_TRUE(IniSection::FromEntries(u""sv).empty());
  EXPECT_EQ(IniSection::FromEntries(u"a=1\0b=2"sv).Get(u"b"), u"2") << "a last line without its zero";
}

}  // namespace
