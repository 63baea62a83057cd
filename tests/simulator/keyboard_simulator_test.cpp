#include "simulator/keyboard_simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// A simulator whose sink collects what the keyboard sends.
struct Bench {
  Bench(std::uint8_t units = kSimDefaultCapacityUnits) : keyboard(units) {
    keyboard.SetSink([this](const SimEvent& e) { events.push_back(e); });
  }
  CommandFrame Send(const CommandFrame& frame) {
    events.clear();
    EXPECT_EQ(keyboard.Write(kControlUsagePage, kControlUsage, frame), 1);
    if (events.size() != 1 || events[0].kind != SimEvent::kReport) return {};
    return FrameFromBytes(events[0].bytes);
  }
  KeyboardSimulator keyboard;
  std::vector<SimEvent> events;
};

}  // namespace

TEST(KeyboardSimulator, AnswersEachCommandWithItsCodeStatusAndData) {
  struct Case {
    const char* name;
    CommandFrame request;
    std::uint8_t status;
  };
  const std::vector<std::uint8_t> three{1, 2, 3};
  const Case cases[] = {
      {"begin", MakeCommandFrame(kCommandBeginConfiguration, 0, 0), 0},
      {"end", MakeCommandFrame(kCommandEndConfiguration, 0, 0), 0},
      {"read status", MakeCommandFrame(kCommandReadStatus, 28, 0), 0},
      {"read settings", MakeCommandFrame(kCommandReadSettings, 56, 0), 0},
      {"write settings at the end", MakeCommandFrame(kCommandWriteSettings, 3, 253, three), 0},
      {"write settings past the end", MakeCommandFrame(kCommandWriteSettings, 3, 254, three), kReplyFailed},
      {"key table of profile 2", MakeCommandFrame(kCommandReadKeyTable, 32, 1024 + 448), 0},
      {"key tables end at 1536", MakeCommandFrame(kCommandReadKeyTable, 56, 1500), kReplyFailed},
      {"macro memory end", MakeCommandFrame(kCommandWriteMacroImage, 56, 8192 - 56, three), 0},
      {"macro memory past end", MakeCommandFrame(kCommandWriteMacroImage, 56, 8192 - 55, three), kReplyFailed},
      {"default table", MakeCommandFrame(kCommandReadDefaultKeyTable, 32, 448), 0},
      {"colours, last 54", MakeCommandFrame(kCommandReadKeyColours, 54, 432), 0},
      {"length above 56", MakeCommandFrame(kCommandReadSettings, 57, 0), kReplyFailed},
      {"unknown command", MakeCommandFrame(0x30, 0, 0), kReplyFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    const CommandFrame reply = bench.Send(c.request);
    EXPECT_EQ(reply[kFrameReportId], kReportId);
    EXPECT_EQ(reply[kFrameCode], c.request[kFrameCode]);
    EXPECT_EQ(reply[kFrameStatus], c.status);
    EXPECT_TRUE(FrameSumMatches(reply));
  }
}

TEST(KeyboardSimulator, FrameWithAWrongCheckSumFails) {
  Bench bench;
  CommandFrame request = MakeCommandFrame(kCommandReadStatus, 28, 0);
  request[1] ^= 0x01;
  EXPECT_EQ(bench.Send(request)[kFrameStatus], kReplyFailed);
}

TEST(KeyboardSimulator, StatusWriteKeepsTheCapacityAndChecksTheProfile) {
  Bench bench;
  StatusBlock block{};
  block[kStatusCurrentProfile] = 2;
  block[kStatusMacroCapacity] = 0x7F;
  block[0] = 0x42;
  EXPECT_EQ(bench.Send(MakeCommandFrame(kCommandWriteStatus, 28, 0, block))[kFrameStatus], 0);
  StatusBlock stored{};
  bench.keyboard.Read(SimArea::kStatus, 0, stored);
  EXPECT_EQ(stored[0], 0x42);
  EXPECT_EQ(stored[kStatusCurrentProfile], 2);
  EXPECT_EQ(stored[kStatusMacroCapacity], kSimDefaultCapacityUnits);
  block[kStatusCurrentProfile] = 3;
  EXPECT_EQ(bench.Send(MakeCommandFrame(kCommandWriteStatus, 28, 0, block))[kFrameStatus], kReplyFailed);
}

TEST(KeyboardSimulator, FaultsApplyToTheNextReplies) {
  Bench bench;
  bench.keyboard.SetFaults({.latencyMs = 7, .loseReplies = 1, .wrongCodeReplies = 1, .statusReplies = 1});
  const CommandFrame request = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  bench.Send(request);
  EXPECT_TRUE(bench.events.empty());  // lost
  CommandFrame reply = bench.Send(request);
  EXPECT_NE(reply[kFrameCode], kCommandBeginConfiguration);
  EXPECT_EQ(reply[kFrameStatus], kReplyBusy);
  EXPECT_EQ(bench.events.at(0).delayMs, 7);
  reply = bench.Send(request);
  EXPECT_EQ(reply[kFrameCode], kCommandBeginConfiguration);
  EXPECT_EQ(reply[kFrameStatus], 0);
}

TEST(KeyboardSimulator, RepliesRepeatWhatItsEchoSays) {
  const CommandFrame request = MakeCommandFrame(kCommandReadKeyTable, 56, 512 + 56);
  const SimEcho echoes[] = {SimEcho::kFull, SimEcho::kCodeOnly, SimEcho::kCodeGarbage};
  for (SimEcho echo : echoes) {
    SCOPED_TRACE(SimEchoName(echo));
    Bench bench;
    bench.keyboard.SetEcho(echo);
    // The faults work the same with every echo.
    bench.keyboard.SetFaults({.statusReplies = 1, .status = kReplyBusy, .afterReplies = 1});
    for (int i = 0; i < 3; ++i) {
      const CommandFrame reply = bench.Send(request);
      EXPECT_EQ(reply[kFrameCode], kCommandReadKeyTable);
      EXPECT_EQ(reply[kFrameStatus], i == 1 ? kReplyBusy : 0);
      EXPECT_TRUE(FrameSumMatches(reply));
      std::array<std::uint8_t, kFrameDataSize> memory{};
      bench.keyboard.Read(SimArea::kKeyTables, 512 + 56, memory);
      EXPECT_TRUE(std::equal(memory.begin(), memory.end(), reply.begin() + kFrameDataOffset)) << "data as ever";
      for (std::size_t b = kFrameLength; b < kFrameStatus; ++b) {
        switch (echo) {
          case SimEcho::kFull: EXPECT_EQ(reply[b], request[b]) << b; break;
          case SimEcho::kCodeOnly: EXPECT_EQ(reply[b], 0) << b; break;
          case SimEcho::kCodeGarbage: EXPECT_NE(reply[b], request[b]) << b; break;
        }
      }
    }
  }
}

TEST(KeyboardSimulator, UnplugsAfterTheGivenNumberOfReports) {
  Bench bench;
  bench.keyboard.SetFaults({.unplugAfterReports = 2});
  const CommandFrame request = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  bench.Send(request);
  bench.Send(request);
  bench.events.clear();
  EXPECT_EQ(bench.keyboard.Write(kControlUsagePage, kControlUsage, request), 1);  // taken, never answered
  ASSERT_EQ(bench.events.size(), 1u);
  EXPECT_EQ(bench.events[0].kind, SimEvent::kCount);
  EXPECT_EQ(bench.events[0].count, 0);
  EXPECT_EQ(bench.keyboard.Write(kControlUsagePage, kControlUsage, request), 0);
  bench.keyboard.Plug();
  EXPECT_EQ(bench.events.back().count, 1);
  EXPECT_EQ(bench.Send(request)[kFrameStatus], 0);
}

TEST(KeyboardSimulator, PlugUnplugAndNoticesEmitOnlyOnChange) {
  Bench bench;
  bench.keyboard.Plug();  // already plugged
  EXPECT_TRUE(bench.events.empty());
  EXPECT_EQ(bench.keyboard.SendConsumerNotice(0x1811), 1);
  ASSERT_EQ(bench.events.size(), 1u);
  EXPECT_EQ(bench.events[0].usagePage, kConsumerUsagePage);
  EXPECT_EQ(bench.events[0].bytes, (std::vector<std::uint8_t>{0x11, 0x18}));
  bench.keyboard.Unplug();
  bench.keyboard.Unplug();
  EXPECT_EQ(bench.events.size(), 2u);
  EXPECT_EQ(bench.keyboard.SendConsumerNotice(0x02FF), 0);
  EXPECT_EQ(bench.keyboard.Count(), 0);
}

TEST(KeyboardSimulator, ForeignCollectionsAreNotTaken) {
  Bench bench;
  const CommandFrame request = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  EXPECT_EQ(bench.keyboard.Write(kConsumerUsagePage, kConsumerUsage, request), 0);
  EXPECT_EQ(bench.keyboard.Write(kControlUsagePage, 0x0001, request), 0);
  EXPECT_TRUE(bench.events.empty());
}

TEST(KeyboardSimulator, MemoryIsKeptInAFile) {
  const std::string name = "ostrak_sim_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".mem";
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  {
    Bench bench(2);
    const std::vector<std::uint8_t> data{9, 8, 7};
    bench.Send(MakeCommandFrame(kCommandWriteKeyTable, 3, 600, data));
    bench.Send(MakeCommandFrame(kCommandWriteMacroImage, 3, 250, data));
    ASSERT_TRUE(bench.keyboard.SaveMemory(path));
  }
  KeyboardSimulator restored;  // 8 KiB until the file says otherwise
  ASSERT_TRUE(restored.LoadMemory(path));
  EXPECT_EQ(restored.AreaSize(SimArea::kMacros), 256u);
  std::vector<std::uint8_t> bytes(3);
  restored.Read(SimArea::kKeyTables, 600, bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{9, 8, 7}));
  restored.Read(SimArea::kMacros, 250, bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{9, 8, 7}));

  // A cut file leaves the memory as it was.
  std::filesystem::resize_file(path, 100);
  KeyboardSimulator fresh;
  EXPECT_FALSE(fresh.LoadMemory(path));
  EXPECT_EQ(fresh.AreaSize(SimArea::kMacros), 8192u);
  EXPECT_FALSE(fresh.LoadMemory(path + ".missing"));
  std::filesystem::remove(path);
}

TEST(KeyboardSimulator, LogKeepsBothDirectionsAndIsBounded) {
  Bench bench;
  const CommandFrame request = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  bench.Send(request);
  auto log = bench.keyboard.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(log[0].fromHost);
  EXPECT_FALSE(log[1].fromHost);
  for (std::size_t i = 0; i < kSimLogLimit; ++i) bench.keyboard.Write(kControlUsagePage, kControlUsage, request);
  EXPECT_EQ(bench.keyboard.Log().size(), kSimLogLimit);
}
