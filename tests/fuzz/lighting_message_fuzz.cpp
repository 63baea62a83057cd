// Untrusted bytes from other programs: what a lighting interface client sends,
// split into lines, parsed as requests and checked and made as changes of a
// lighting state.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "lighting_interface/lighting_protocol.h"
#include "lighting_interface/message_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LightingState state;
  state.offeredEffects = {1, 2, 3, 4, 5, 9, 11, 12, 14};
  LineSplitter splitter;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const ReceivedLine& line : SplitLines(splitter, bytes)) {
    if (line.tooLarge) continue;
    const ParsedLine parsed = ParseRequestLine(line.text);
    const auto* request = std::get_if<Request>(&parsed.parsed);
    if (!request) {
      ErrorLine(parsed.id, std::get<ProtocolError>(parsed.parsed));
      continue;
    }
    const auto change = ReadSettingsChange(request->message, state);
    if (const auto* settings = std::get_if<SettingsChange>(&change)) MakeSettingsChange(state, *settings);
    const auto colours = ReadKeyColours(request->message, state.keyColours);
    if (const auto* table = std::get_if<KeyColourTable>(&colours)) state.keyColours = *table;
    ReplyLine(request->id, {{"lighting", LightingJson(state)}});
  }
  return 0;
}
