#include "controls/hyperlink_command.h"

std::u16string HyperlinkCommandLine(std::u16string_view openCommand, std::u16string_view address) {
  std::size_t cut = openCommand.find(u"\"%1\"");
  if (cut == std::u16string_view::npos) cut = openCommand.find(u"%1");
  std::u16string line(openCommand.substr(0, cut));
  line += u' ';

  std::u16string argument;
  bool blank = false;
  for (char16_t c : address) {
    if (c == u'"') {
      argument += u"%22";
      continue;
    }
    blank = blank || c == u' ' || c == u'\t';
    argument += c;
  }
  line += blank ? u"\"" + argument + u"\"" : argument;
  return line;
}
