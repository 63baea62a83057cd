#include "lighting_interface/message_lines.h"

std::vector<ReceivedLine> SplitLines(LineSplitter& splitter, std::string_view bytes) {
  std::vector<ReceivedLine> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!splitter.skipping) {
      // The newline still to come counts towards the limit.
      if (splitter.partial.size() + piece.size() + 1 > kMaxMessageBytes) {
        splitter.partial.clear();
        splitter.skipping = true;
        lines.push_back({{}, true});
      } else {
        splitter.partial.append(piece);
      }
    }
    if (end == std::string_view::npos) break;
    if (!splitter.skipping) {
      std::string text = std::move(splitter.partial);
      if (!text.empty() && text.back() == '\r') text.pop_back();
      lines.push_back({std::move(text), false});
    }
    splitter.partial.clear();
    splitter.skipping = false;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}
