#include "controls/hyperlink_command.h"

#include <gtest/gtest.h>

namespace {

TEST(HyperlinkCommandLine, TakesTheAddressWhereTheRegisteredCommandHadItsPlaceholder) {
  const struct {
    const char16_t* command;
    const char16_t* address;
    const char16_t* line;
  } cases[] = {
      {u"\"C:\\Browser\\browser.exe\" -url \"%1\"", u"https://a.example/", u"\"C:\\Browser\\browser.exe\" -url  https://a.example/"},
      {u"browser.exe %1 -new", u"https://a.example/", u"browser.exe  https://a.example/"},
      {u"browser.exe %1 \"%1\"", u"x", u"browser.exe %1  x"},  // the quoted one comes first
      {u"browser.exe", u"https://a.example/", u"browser.exe https://a.example/"},
      {u"", u"https://a.example/", u" https://a.example/"},
      {u"browser.exe %1", u"https://a.example/a page", u"browser.exe  \"https://a.example/a page\""},
      {u"browser.exe %1", u"x\" --evil \"y", u"browser.exe  \"x%22 --evil %22y\""},
  };
  for (const auto& c : cases) EXPECT_EQ(HyperlinkCommandLine(c.command, c.address), c.line);
}

}  // namespace
