#include "profiles/profile_download.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <thread>

#include "macros/macro_image.h"
#include "tests/device/link_fixture.h"
#include "tests/support/wait.h"

// Test messages name a text ("EXTRA_MACRO_TOO_LONG") rather than give its number.
inline void PrintTo(TextKey key, std::ostream* out) { *out << TextKeyName(key); }

namespace {

constexpr KeyCode kKeyA = 0x01E;
constexpr KeyCode kKeyB = 0x030;

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, int actions) {
  MacroRecord record;
  FillNewMacroRecord(record, name, id);
  record.actionCount = static_cast<std::uint16_t>(actions);
  for (int i = 0; i < actions; ++i)
    record.actions[i] = {static_cast<std::uint32_t>(10 * (i % 7)), kKeyA,
                         static_cast<std::uint16_t>(i % 2 ? kMacroRelease : kMacroPress)};
  return record;
}

// Profile 0 sends B for A, profile 1 plays the second macro on A, profile 2
// mutes on A.
std::unique_ptr<AssignmentArea> MakeArea() {
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  const int slot = KeyCodeToSlot(kKeyA);
  (*area)[AssignmentIndex(0, slot)] = {AssignmentType::Key, 0, kKeyB, 0, 0};
  (*area)[AssignmentIndex(1, slot)] = {AssignmentType::Macro, 1, 2, 0, 0};
  (*area)[AssignmentIndex(2, slot)] = {AssignmentType::Media, 0, 7, 0, 0};
  return area;
}

std::vector<std::uint8_t> ExpectedTable(const AssignmentArea& area, int profile, std::span<const MacroRecord> macros) {
  const DeviceKeyTable table = BuildDeviceKeyTable(EntriesOfProfile(area, profile), kBuiltInDefaultKeyTable,
                                                   [&](std::uint16_t id) { return MacroIndexOfId(macros, id); });
  const auto* p = reinterpret_cast<const std::uint8_t*>(table.data());
  return {p, p + kKeyTableBytes};
}

std::vector<std::uint8_t> ExpectedImage(std::span<const MacroRecord> macros, bool withNames) {
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  const std::uint32_t size = withNames ? sizes.fullSize : sizes.baseSize;
  std::vector<std::uint8_t> image(size);
  EXPECT_TRUE(BuildMacroImage(macros, image, size, withNames));
  return image;
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override { ResetDefaultKeyTable(); }
  void TearDown() override { ResetDefaultKeyTable(); }
};

}  // namespace

TEST_F(Download, ThreeTablesAndAFullImageLandByteForByte) {
  LinkRig rig;
  rig.link.SetMacroCapacity(kSimDefaultCapacityUnits * 128);
  // Two macros whose image with names fills the 8 KiB exactly.
  std::vector<MacroRecord> macros{MakeMacro(1, u"A", 2000), MakeMacro(2, u"B", 40)};
  ASSERT_EQ(ComputeMacroImageSizes(macros).fullSize, 8192u);
  const auto area = MakeArea();

  const DownloadOutcome outcome = DownloadProfiles(rig.link, true, {*area, macros});
  ASSERT_EQ(outcome.result, DeviceResult::kOk);
  EXPECT_EQ(DownloadMessage(outcome), std::nullopt);
  EXPECT_EQ(rig.Memory(SimArea::kMacros, 0, 8192), ExpectedImage(macros, true));
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(rig.Memory(SimArea::kKeyTables, p * 512, 480), ExpectedTable(*area, p, macros));
  }
  // The tables differ where the assignments do (a guard against packing the same profile thrice).
  EXPECT_NE(rig.Memory(SimArea::kKeyTables, 0, 480), rig.Memory(SimArea::kKeyTables, 512, 480));

  const auto frames = rig.SentFrames();
  ASSERT_EQ(frames.size(), 1 + 147 + 27 + 1u);
  EXPECT_EQ(frames.front()[kFrameCode], kCommandBeginConfiguration);
  EXPECT_EQ(frames[1][kFrameCode], kCommandWriteMacroImage);
  EXPECT_EQ(frames[147][kFrameCode], kCommandWriteMacroImage);
  EXPECT_EQ(frames[147][kFrameLength], 8192 - 146 * 56);
  EXPECT_EQ(frames[148][kFrameCode], kCommandWriteKeyTable);
  EXPECT_EQ(frames.back()[kFrameCode], kCommandEndConfiguration);
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 0);
}

TEST_F(Download, ImageWithoutNamesWhenTheNamesDoNotFit) {
  LinkRig rig(QuickTimings(), 1);
  rig.link.SetMacroCapacity(128);
  std::vector<MacroRecord> macros{MakeMacro(1, std::u16string(100, u'n'), 10)};
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  ASSERT_LE(sizes.baseSize, 128u);
  ASSERT_GT(sizes.fullSize, 128u);
  const auto area = MakeArea();
  const DownloadOutcome outcome = DownloadProfiles(rig.link, true, {*area, macros});
  ASSERT_EQ(outcome.result, DeviceResult::kOk);
  EXPECT_EQ(DownloadMessage(outcome), TextKey::EXTRA_PROFILE_SPACE_TIGHT);
  EXPECT_EQ(rig.Memory(SimArea::kMacros, 0, sizes.baseSize), ExpectedImage(macros, false));
}

TEST_F(Download, ImageLargerThanTheCapacityStopsBeforeSending) {
  struct Case {
    const char* name;
    std::uint32_t capacity;
    int actions;
  };
  const Case cases[] = {
      {"too many actions", 128, 100},
      {"capacity never read", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig;
    rig.link.SetMacroCapacity(c.capacity);
    std::vector<MacroRecord> macros;
    if (c.actions) macros.push_back(MakeMacro(1, u"M", c.actions));
    const auto area = MakeArea();
    const DownloadOutcome outcome = DownloadProfiles(rig.link, true, {*area, macros});
    EXPECT_EQ(outcome.result, DeviceResult::kMacrosDoNotFit);
    EXPECT_EQ(DownloadMessage(outcome), TextKey::EXTRA_MACRO_TOO_LONG);
    EXPECT_TRUE(rig.SentFrames().empty());
  }
}

TEST_F(Download, CurrentProfileOnly) {
  LinkRig rig;
  rig.link.SetMacroCapacity(8192);
  ASSERT_EQ(rig.link.SetCurrentProfile(1), DeviceResult::kOk);
  rig.keyboard.ClearLog();
  std::vector<MacroRecord> macros{MakeMacro(1, u"A", 3), MakeMacro(2, u"B", 4)};
  const auto area = MakeArea();
  ASSERT_EQ(DownloadProfiles(rig.link, false, {*area, macros}).result, DeviceResult::kOk);
  const auto defaults = rig.Memory(SimArea::kDefaultTable, 0, 480);
  EXPECT_EQ(rig.Memory(SimArea::kKeyTables, 0, 480), defaults);
  EXPECT_EQ(rig.Memory(SimArea::kKeyTables, 512, 480), ExpectedTable(*area, 1, macros));
  EXPECT_EQ(rig.Memory(SimArea::kKeyTables, 1024, 480), defaults);
  for (const CommandFrame& f : rig.SentFrames())
    if (f[kFrameCode] == kCommandWriteKeyTable) {
      EXPECT_GE(FrameOffset(f), 512);
    }
}

TEST_F(Download, KeyboardPulledOutEndsItWithAFailureAndTheNextCommandWorks) {
  struct Case {
    const char* name;
    int reportsBeforeUnplug;
  };
  const Case cases[] = {{"during the image", 30}, {"during a key table", 160}, {"at begin", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig(LinkTimings{});  // the keyboard's own waits: nothing may hang
    rig.link.SetMacroCapacity(8192);
    std::vector<MacroRecord> macros{MakeMacro(1, u"A", 2000)};
    const auto area = MakeArea();
    rig.keyboard.SetFaults({.unplugAfterReports = c.reportsBeforeUnplug});
    EXPECT_NE(DownloadProfiles(rig.link, true, {*area, macros}).result, DeviceResult::kOk);
    EXPECT_LE(rig.keyboard.CommandsReceived(), c.reportsBeforeUnplug + 1);
    ASSERT_TRUE(rig.sink.WaitFor([](RecordingSink& s) { return !s.counts.empty(); }));
    rig.keyboard.Plug();
    StatusBlock status{};
    EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);
  }
}

// Whatever fails after command 1, command 2 ends the configuration; and only a
// configuration whose end the keyboard confirmed counts as applied.
TEST_F(Download, EveryConfigurationBegunIsEnded) {
  struct Case {
    const char* name;
    SimFaults faults;
    DeviceResult result;
  };
  const Case cases[] = {
      {"begin busy", {.statusReplies = 3, .status = kReplyBusy}, DeviceResult::kReplyBusy},
      {"begin unanswered", {.loseReplies = 3}, DeviceResult::kNoReply},
      {"image refused", {.statusReplies = 3, .status = kReplyFailed, .afterReplies = 2}, DeviceResult::kReplyFailed},
      {"key table unanswered", {.loseReplies = 3, .afterReplies = 4}, DeviceResult::kNoReply},
      {"end unanswered", {.loseReplies = 3, .afterReplies = 1 + 3 + 9}, DeviceResult::kNoReply},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig;
    rig.link.SetMacroCapacity(8192);
    std::vector<MacroRecord> macros{MakeMacro(1, u"A", 40)};  // an image of 3 chunks
    const auto area = MakeArea();
    ASSERT_EQ(rig.link.CurrentProfile(), 0);
    rig.keyboard.ClearLog();
    rig.keyboard.SetFaults(c.faults);
    EXPECT_EQ(DownloadProfiles(rig.link, false, {*area, macros}).result, c.result);
    const auto frames = rig.SentFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front()[kFrameCode], kCommandBeginConfiguration);
    EXPECT_EQ(frames.back()[kFrameCode], kCommandEndConfiguration);
  }
}

// It tells nothing either (the program is closing), not even of macro names
// left out.
TEST_F(Download, ACancelledDownloadStillEndsTheConfiguration) {
  LinkRig rig;
  rig.link.SetMacroCapacity(8192);
  std::vector<MacroRecord> macros{MakeMacro(1, std::u16string(100, u'n'), 2000)};
  ASSERT_GT(ComputeMacroImageSizes(macros).fullSize, 8192u);
  const auto area = MakeArea();
  rig.keyboard.SetFaults({.latencyMs = 20});
  std::thread canceller([&] {
    WaitFor([&] { return rig.SentFrames().size() >= 10; });
    rig.link.CancelTransfers();
  });
  const DownloadOutcome outcome = DownloadProfiles(rig.link, true, {*area, macros});
  EXPECT_EQ(outcome.result, DeviceResult::kCancelled);
  EXPECT_TRUE(outcome.macroNamesLeftOut);
  EXPECT_EQ(DownloadMessage(outcome), std::nullopt);
  canceller.join();
  const auto frames = rig.SentFrames();
  EXPECT_LT(frames.size(), 40u);
  EXPECT_EQ(frames.back()[kFrameCode], kCommandEndConfiguration);
}

// Wherever one reply of an Apply is late, the keyboard ends up holding the
// intended image and key table, or the Apply reports a failure; with either
// kind of keyboard.
class DownloadPairing : public testing::TestWithParam<SimEcho> {
 protected:
  void SetUp() override { ResetDefaultKeyTable(); }
  void TearDown() override { ResetDefaultKeyTable(); }
};

INSTANTIATE_TEST_SUITE_P(BothKinds, DownloadPairing, BothEchoes(), EchoName);

TEST_P(DownloadPairing, ALateReplyAnywhereInAnApplyLeavesTheIntendedTablesOrAFailure) {
  LinkTimings timings = QuickTimings();
  timings.replyWait = std::chrono::milliseconds(60);
  timings.lateReplyLimit = std::chrono::milliseconds(1000);  // well beyond the latest reply
  const std::vector<MacroRecord> macros{MakeMacro(1, u"A", 40), MakeMacro(2, u"B", 6)};
  const auto area = MakeArea();
  const auto image = ExpectedImage(macros, true);
  const auto table = ExpectedTable(*area, 1, macros);
  const int replies = 1 + static_cast<int>((image.size() + 55) / 56) + 9 + 1;  // begin, image, table, end
  // Answered by a retry (the second late reply still on its way while the
  // next request waits), or after all three attempts.
  const SimFaults lateFaults[] = {{.lateReplies = 1, .lateMs = 100},
                                  {.lateReplies = 2, .lateMs = 100},
                                  {.lateReplies = 1, .lateMs = 200}};
  int applied = 0, failed = 0;
  for (SimFaults faults : lateFaults) {
    for (int at = 0; at < replies; ++at) {
      SCOPED_TRACE(testing::Message() << faults.lateReplies << " late by " << faults.lateMs << " ms at reply " << at);
      LinkRig rig(timings, kSimDefaultCapacityUnits, GetParam());
      rig.link.SetMacroCapacity(8192);
      faults.afterReplies = at;
      rig.keyboard.SetFaults(faults);
      if (DownloadKeyMaps(rig.link, 1, 1, {*area, macros}).result == DeviceResult::kOk) {
        ++applied;
        EXPECT_EQ(rig.Memory(SimArea::kMacros, 0, image.size()), image);
        EXPECT_EQ(rig.Memory(SimArea::kKeyTables, kKeyTableStride, kKeyTableBytes), table);
      } else {
        ++failed;
      }
    }
  }
  EXPECT_GT(applied, 0);
  EXPECT_GT(failed, 0) << "some replies came after all three attempts";
}
