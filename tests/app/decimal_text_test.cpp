#include "app/decimal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DecimalText, StoredNumbersReadAsDecimalOrZero) {
  struct Case { const char16_t* text; int value; };
  const Case cases[] = {
      {u"0", 0}, {u"1", 1}, {u"4", 4}, {u" 3 ", 3}, {u"-2", -2}, {u"+7", 7},
      {u"", 0}, {u"yes", 0}, {u"1x", 0}, {u"0x1", 0}, {u"1 2", 0}, {u"-", 0},
      {u"99999999999", 0}, {u"2147483647", 2147483647},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDecimalSetting(c.text), c.value) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
}

TEST(DecimalText, NumbersAreWrittenInDecimal) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(-12), u"-12");
}

}  // namespace
