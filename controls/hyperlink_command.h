// The hyperlink's second way of opening its address, when the shell cannot:
// the command line registered for ".htm" pages, with the address in place of
// its "%1". The part that needs no system.
#pragma once

#include <string>
#include <string_view>

// The command `openCommand` (a registered "shell\open\command" value) cut
// where its first "%1" in quotation marks begins or, failing that, at its
// first %1 (a command without either stays whole), then a blank and the
// address. The address is quoted when it holds blanks, and a quotation mark in
// it is written as %22, so that it stays one argument whatever the skin file
// says.
std::u16string HyperlinkCommandLine(std::u16string_view openCommand, std::u16string_view address);
