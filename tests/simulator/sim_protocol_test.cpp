#include "simulator/sim_protocol.h"

#include <gtest/gtest.h>

TEST(SimProtocol, HexRoundTripAndRejects) {
  const std::vector<std::uint8_t> bytes{0x00, 0x04, 0xAB, 0xFF};
  EXPECT_EQ(HexBytes(bytes), "0004ABFF");
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(ParseHexBytes("0004abFF", back));
  EXPECT_EQ(back, bytes);
  for (const char* bad : {"0", "0G", "0x00", " 00"}) EXPECT_FALSE(ParseHexBytes(bad, back)) << bad;
}

TEST(SimProtocol, WriteLinesRoundTrip) {
  const CommandFrame frame = MakeCommandFrame(kCommandReadStatus, 28, 0);
  const std::string line = WriteLine(kControlUsagePage, kControlUsage, frame);
  EXPECT_EQ(line.rfind("WRITE FF1C 0092 04", 0), 0u);
  std::uint16_t page = 0, usage = 0;
  std::vector<std::uint8_t> report;
  ASSERT_TRUE(ParseWriteLine(line, page, usage, report));
  EXPECT_EQ(page, kControlUsagePage);
  EXPECT_EQ(usage, kControlUsage);
  EXPECT_EQ(FrameFromBytes(report), frame);
  const std::string tooLong = "WRITE FF1C 0092 " + std::string(130, '0');
  for (const std::string& bad : {std::string("WRITE FF1C 0092"), std::string("WRITE 1FF1C 0092 00"),
                                 std::string("READ FF1C 0092 00"), tooLong})
    EXPECT_FALSE(ParseWriteLine(bad, page, usage, report)) << bad;
}

TEST(SimProtocol, EventLinesRoundTrip) {
  SimEvent report;
  report.usagePage = kConsumerUsagePage;
  report.usage = kConsumerUsage;
  report.bytes = {0xFF, 0x02};
  report.delayMs = 12;
  SimEvent count;
  count.kind = SimEvent::kCount;
  count.count = 1;
  for (const SimEvent& event : {report, count}) {
    SimEvent back;
    ASSERT_TRUE(ParseEventLine(EventLine(event), back));
    EXPECT_EQ(back.kind, event.kind);
    EXPECT_EQ(back.usagePage, event.usagePage);
    EXPECT_EQ(back.bytes, event.bytes);
    EXPECT_EQ(back.delayMs, event.delayMs);
    EXPECT_EQ(back.count, event.count);
  }
  SimEvent ignored;
  for (const char* bad : {"COUNT -1", "COUNT", "REPORT 000C 0001 5", "REPORT 000C 0001 -5 00", "HELLO"})
    EXPECT_FALSE(ParseEventLine(bad, ignored)) << bad;
}

TEST(SimProtocol, ControlCommandsDriveTheKeyboard) {
  KeyboardSimulator keyboard;
  std::vector<SimEvent> events;
  keyboard.SetSink([&](const SimEvent& e) { events.push_back(e); });
  bool quit = false;
  struct Case {
    const char* line;
    const char* answer;
  };
  const Case cases[] = {
      {"count", "OK 1\n"},
      {"unplug", "OK\n"},
      {"count", "OK 0\n"},
      {"notice 02FF", "ERR unplugged\n"},
      {"plug", "OK\n"},
      {"notice 02FF", "OK\n"},
      {"poke settings 3 0A0B", "OK\n"},
      {"read settings 3 2", "OK 0A0B\n"},
      {"read settings 255 2", "ERR range\n"},
      {"read nowhere 0 1", "ERR unknown command\n"},
      {"faults latency=4 lose=2 statusbyte=FF unplugafter=7", "OK\n"},
      {"faults speed=1", "ERR speed=1\n"},
      {"faults lose=-3", "ERR lose=-3\n"},
      {"faults echo=code", "OK\n"},
      {"faults echo=half", "ERR echo=half\n"},
      {"faults refusereads=2", "OK\n"},
      {"save", "ERR cannot save\n"},
      {"boots", "OK 0\n"},
      {"", "ERR empty\n"},
      {"quit", "OK\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(HandleControlLine(keyboard, c.line, "", quit), c.answer) << c.line;
  EXPECT_TRUE(quit);
  const SimFaults faults = keyboard.Faults();
  EXPECT_EQ(faults.latencyMs, 4);
  EXPECT_EQ(faults.loseReplies, 2);
  EXPECT_EQ(faults.status, 0xFF);
  EXPECT_EQ(faults.unplugAfterReports, 7);
  EXPECT_EQ(keyboard.Echo(), SimEcho::kCodeOnly);
  EXPECT_EQ(faults.refuseReads, 2);
  ASSERT_EQ(events.size(), 3u);  // count 0, count 1, the notice
  EXPECT_EQ(events[2].bytes, (std::vector<std::uint8_t>{0xFF, 0x02}));
  EXPECT_EQ(HandleControlLine(keyboard, "log 1", "", quit), "OK K:000C:FF02\n");
}
