// The lighting interface's framing: messages are lines of UTF-8 JSON, each
// ended by a newline and at most kMaxMessageBytes long (newline included).
// The transport feeds the bytes it receives and gets whole lines back; a line
// that grows past the limit is reported once as too large and skipped up to
// its newline, so that a client never makes the server hold more than the
// limit for it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxMessageBytes = 64 * 1024;

struct ReceivedLine {
  std::string text;        // without its newline (and without a carriage return before it)
  bool tooLarge = false;   // the line was longer than the limit; text is empty
};

struct LineSplitter {
  std::string partial;     // the line received so far
  bool skipping = false;   // inside a line already reported as too large
};

// The lines that `bytes` completes, in order.
std::vector<ReceivedLine> SplitLines(LineSplitter& splitter, std::string_view bytes);
