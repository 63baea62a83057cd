#include "lighting_interface/lighting_protocol.h"

#include <gtest/gtest.h>

#include "lighting_interface/key_colour_coalescer.h"
#include "lighting_interface/message_lines.h"

namespace {

LightingState Offering(std::vector<int> effects) {
  LightingState state;
  state.offeredEffects = std::move(effects);
  return state;
}

TEST(MessageLines, SplitsLinesAcrossReadsAndSkipsATooLargeOneToItsNewline) {
  LineSplitter splitter;
  EXPECT_TRUE(SplitLines(splitter, "{\"a\":").empty());
  std::vector<ReceivedLine> lines = SplitLines(splitter, "1}\r\n{}\n{");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "{\"a\":1}");
  EXPECT_EQ(lines[1].text, "{}");

  // The limit counts the newline: kMaxMessageBytes - 1 bytes and a newline fit.
  LineSplitter exact;
  lines = SplitLines(exact, std::string(kMaxMessageBytes - 1, 'x') + "\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_FALSE(lines[0].tooLarge);

  // One byte more is reported once, however it arrives, and the next line is whole again.
  LineSplitter large;
  lines = SplitLines(large, std::string(kMaxMessageBytes / 2, 'x'));
  EXPECT_TRUE(lines.empty());
  lines = SplitLines(large, std::string(kMaxMessageBytes / 2, 'x'));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].tooLarge);
  EXPECT_TRUE(SplitLines(large, std::string(kMaxMessageBytes, 'y')).empty()) << "still the same line";
  lines = SplitLines(large, "zz\n{}\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "{}");
  EXPECT_LE(large.partial.capacity(), 2 * kMaxMessageBytes) << "never holds more than the limit";
}

TEST(LightingProtocol, BadLinesAndValuesGiveTheirCodeAndNameTheField) {
  struct Case {
    const char* line;
    ErrorCode code;
    const char* named;  // in the text
  };
  const Case cases[] = {
      {"not json", ErrorCode::kNotJson, ""},
      {"[1,2]", ErrorCode::kNotJson, ""},
      {R"({"id":1})", ErrorCode::kUnknownRequest, ""},
      {R"({"id":1,"request":"set","brightness":26})", ErrorCode::kBadValue, "brightness"},
      {R"({"id":1,"request":"set","speed":-1})", ErrorCode::kBadValue, "speed"},
      {R"({"id":1,"request":"set","direction":"left"})", ErrorCode::kBadValue, "direction"},
      {R"({"id":1,"request":"set","effect":7})", ErrorCode::kBadValue, "effect"},
      {R"({"id":1,"request":"set","colours":{"5":"ff0000"}})", ErrorCode::kBadValue, "colours"},
      {R"({"id":1,"request":"set","colours":{"4":"red"}})", ErrorCode::kBadValue, "colours.4"},
      {R"({"id":1,"request":"set","flags":{"9":true}})", ErrorCode::kBadValue, "flags"},
  };
  const LightingState state = Offering({1, 4, 5, 9});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedLine parsed = ParseRequestLine(c.line);
    ProtocolError error{ErrorCode::kUnknownRequest, ""};
    if (const auto* request = std::get_if<Request>(&parsed.parsed)) {
      const auto change = ReadSettingsChange(request->message, state);
      ASSERT_TRUE(std::holds_alternative<ProtocolError>(change));
      error = std::get<ProtocolError>(change);
    } else {
      error = std::get<ProtocolError>(parsed.parsed);
    }
    EXPECT_EQ(error.code, c.code);
    EXPECT_NE(error.text.find(c.named), std::string::npos) << error.text;
  }
}

TEST(LightingProtocol, ASetRequestMakesTheWindowsWritesForEachField) {
  LightingState state = Offering({1, 4, 5});
  const ParsedLine parsed =
      ParseRequestLine(R"({"id":"a","request":"set","effect":4,"speed":24,"colours":{"4":"102030"},"flags":{"4":true}})");
  const auto& request = std::get<Request>(parsed.parsed);
  EXPECT_EQ(request.id, "a");
  const auto change = ReadSettingsChange(request.message, state);
  ASSERT_TRUE(std::holds_alternative<SettingsChange>(change));

  LightingState byHand = state;
  LightingWrites expected = SetGroupColour(byHand, 4, {0x10, 0x20, 0x30});
  for (LightingWrites more : {ToggleGroupFlag(byHand, 4), SelectEffect(byHand, 4), SetSpeed(byHand, 24)})
    expected.insert(expected.end(), more.begin(), more.end());
  EXPECT_EQ(MakeSettingsChange(state, std::get<SettingsChange>(change)), expected);
  EXPECT_EQ(state.effectMode, 4);
  EXPECT_EQ(state.speed, 0) << "24 is the fastest, the keyboard's 0";
  EXPECT_TRUE(GroupOfEffect(state, 4)->flag);
}

TEST(LightingProtocol, KeyColoursByNameByPositionOrOneForAll) {
  KeyColourTable table{};
  const auto named = ReadKeyColours(Json::parse(R"({"keys":{"w":"ff0000","G1":"#00ff00"}})"), table);
  ASSERT_TRUE(std::holds_alternative<KeyColourTable>(named));
  EXPECT_EQ(std::get<KeyColourTable>(named)[*FindKeyColourPosition("W")], (Rgb{0xFF, 0, 0})) << "any case";
  EXPECT_EQ(std::get<KeyColourTable>(named)[ExtraKeyColourPosition(0)], (Rgb{0, 0xFF, 0}));

  const auto all = ReadKeyColours(Json::parse(R"({"colour":"010203"})"), table);
  EXPECT_EQ(std::get<KeyColourTable>(all)[161], (Rgb{1, 2, 3}));

  Json positions = Json::array();
  for (int i = 0; i < kKeyColourPositions; ++i) positions.push_back("0000ff");
  EXPECT_TRUE(std::holds_alternative<KeyColourTable>(ReadKeyColours({{"colours", positions}}, table)));
  positions.erase(0);
  EXPECT_TRUE(std::holds_alternative<ProtocolError>(ReadKeyColours({{"colours", positions}}, table)));
  const auto unknown = ReadKeyColours(Json::parse(R"({"keys":{"Nokey":"ff0000"}})"), table);
  ASSERT_TRUE(std::holds_alternative<ProtocolError>(unknown));
  EXPECT_NE(std::get<ProtocolError>(unknown).text.find("Nokey"), std::string::npos);
}

TEST(KeyColourCoalescer, NewestWinsOnlyChangedFramesAndOneBatchAtATime) {
  KeyColourCoalescer coalescer;
  KeyColourTable table{};
  KeyColourTable next = table;
  next[0] = {1, 1, 1};
  EXPECT_TRUE(coalescer.Offer(next, ChangedChunks(table, next))) << "none under way: start one";
  // While the batch waits for the keyboard, a thousand frames arrive.
  KeyColourTable newest = next;
  for (int i = 0; i < 1000; ++i) {
    KeyColourTable frame = newest;
    frame[0] = {static_cast<std::uint8_t>(i), 0, 0};
    frame[100] = {0, static_cast<std::uint8_t>(i), 0};
    EXPECT_FALSE(coalescer.Offer(frame, ChangedChunks(newest, frame)));
    newest = frame;
  }
  LightingWrites batch = coalescer.TakeBatch();
  ASSERT_EQ(batch.size(), 2u) << "the two changed frames, whatever the number of offers";
  EXPECT_EQ(batch[0].offset, 0);
  EXPECT_EQ(batch[1].offset, 100 / kKeyColourChunkPositions * kKeyColourChunkPositions);
  EXPECT_EQ(batch[0].bytes[0], static_cast<std::uint8_t>(999)) << "the newest";
  EXPECT_FALSE(coalescer.BatchEnded(true)) << "nothing changed since";
  EXPECT_FALSE(coalescer.UnderWay());

  // A batch the keyboard did not take is sent again with the next.
  KeyColourTable later = newest;
  later[20] = {9, 9, 9};
  EXPECT_TRUE(coalescer.Offer(later, ChangedChunks(newest, later)));
  EXPECT_EQ(coalescer.TakeBatch().size(), 1u);
  EXPECT_FALSE(coalescer.BatchEnded(false));
  EXPECT_TRUE(coalescer.Offer(later, {}));
  EXPECT_EQ(coalescer.TakeBatch().size(), 1u);
}

}  // namespace
