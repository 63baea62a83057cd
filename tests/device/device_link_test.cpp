#include "device/device_link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "device/device_check.h"
#include "tests/device/link_fixture.h"
#include "tests/support/wait.h"

namespace {

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

std::vector<std::uint8_t> TableBytes(const DeviceKeyTable& table) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(table.data());
  return {p, p + kKeyTableBytes};
}

DeviceKeyTable PatternTable(std::uint8_t seed) {
  DeviceKeyTable table{};
  auto* p = reinterpret_cast<std::uint8_t*>(table.data());
  for (std::size_t i = 0; i < kKeyTableBytes; ++i) p[i] = static_cast<std::uint8_t>(seed + i * 7);
  return table;
}

struct NamedCommand {
  const char* name;
  std::function<DeviceResult(DeviceLink&)> run;
};

std::vector<NamedCommand> EveryCommand() {
  static std::array<std::uint8_t, kFrameDataSize> out{};
  static StatusBlock status{};
  static DeviceKeyTable table{};
  static std::vector<std::uint8_t> image(100);
  return {
      {"begin", [](DeviceLink& l) { return l.BeginConfiguration(); }},
      {"end", [](DeviceLink& l) { return l.EndConfiguration(); }},
      {"read status", [](DeviceLink& l) { return l.ReadStatus(status); }},
      {"write status", [](DeviceLink& l) { return l.WriteStatus(status); }},
      {"read settings", [](DeviceLink& l) { return l.ReadSettings(56, 0, out); }},
      {"write settings", [](DeviceLink& l) { return l.WriteSettings(10, std::vector<std::uint8_t>{1, 2, 3}); }},
      {"read key table", [](DeviceLink& l) { return l.ReadKeyTable(1, table); }},
      {"write key table", [](DeviceLink& l) { return l.WriteKeyTable(2, table); }},
      {"read macros", [](DeviceLink& l) { return l.ReadMacroImage(image); }},
      {"write macros", [](DeviceLink& l) { return l.WriteMacroImage(image); }},
      {"read default table", [](DeviceLink& l) { return l.ReadDefaultKeyTable(table); }},
      {"read colours", [](DeviceLink& l) { return l.ReadKeyColours(18, 54, out); }},
      {"write colours", [](DeviceLink& l) { return l.WriteKeyColours(5, std::vector<std::uint8_t>{9, 9, 9}); }},
  };
}

}  // namespace

// ---- No keyboard ---------------------------------------------------------------

TEST(DeviceLinkAbsent, EveryCommandFindsNoKeyboardAndWritesNothing) {
  LinkRig rig;
  rig.keyboard.Unplug();
  for (const NamedCommand& command : EveryCommand()) {
    SCOPED_TRACE(command.name);
    EXPECT_EQ(command.run(rig.link), DeviceResult::kAbsent);
  }
  EXPECT_EQ(rig.link.CurrentProfile(), kUnknownProfile);
  EXPECT_TRUE(rig.SentFrames().empty());
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 0);
}

TEST(DeviceLinkAbsent, StartReportsTheCount) {
  LinkRig plugged;
  EXPECT_EQ(plugged.startCount, 1);
  EXPECT_EQ(plugged.service.Engine().StandingRequests(), 2);  // 'CONS' and 'CTRL'
}

// A service that refuses a standing read leaves the link unstarted; started
// again once the service takes them, the link works, with one read of each.
TEST(DeviceLinkAbsent, ARefusedStandingReadFailsTheStartAndAnotherStartWorks) {
  LinkRig rig;
  rig.keyboard.SetFaults({.refuseReads = 1});
  EXPECT_EQ(rig.link.Start(&rig.sink), -1);
  EXPECT_EQ(rig.link.Start(&rig.sink), 1);
  EXPECT_EQ(rig.service.Engine().StandingRequests(), 2);
  StatusBlock status{};
  EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);
}

// ---- Round trips against the simulator -----------------------------------------

TEST(DeviceLinkCommands, EveryCommandSucceedsWithSoundFrames) {
  LinkRig rig;
  for (const NamedCommand& command : EveryCommand()) {
    SCOPED_TRACE(command.name);
    EXPECT_EQ(command.run(rig.link), DeviceResult::kOk);
  }
  // The simulator answers 0xFF to a frame whose check sum is wrong, and the
  // service refuses a wrong check value: neither happened.
  for (const CommandFrame& frame : rig.SentFrames()) EXPECT_TRUE(FrameSumMatches(frame));
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 0);
}

TEST(DeviceLinkCommands, StatusAndCurrentProfile) {
  LinkRig rig;
  StatusBlock status{};
  ASSERT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);
  EXPECT_EQ(status[kStatusMacroCapacity], kSimDefaultCapacityUnits);
  EXPECT_EQ(rig.link.CurrentProfile(), 0);

  ASSERT_EQ(rig.link.SetCurrentProfile(2), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kStatus, kStatusCurrentProfile, 1)[0], 2);
  EXPECT_EQ(rig.link.CachedProfile(), 2);
  // The rest of the block went back as read.
  StatusBlock after{};
  ASSERT_EQ(rig.link.ReadStatus(after), DeviceResult::kOk);
  status[kStatusCurrentProfile] = 2;
  EXPECT_EQ(after, status);

  // The cache answers without asking the keyboard.
  rig.keyboard.ClearLog();
  EXPECT_EQ(rig.link.CurrentProfile(), 2);
  EXPECT_TRUE(rig.SentFrames().empty());

  rig.link.ForgetCurrentProfile();
  EXPECT_EQ(rig.link.CurrentProfile(), 2);
  EXPECT_EQ(rig.SentFrames().size(), 1u);

  ASSERT_EQ(rig.link.RefreshMacroCapacity(), DeviceResult::kOk);
  EXPECT_EQ(rig.link.MacroCapacity(), kSimDefaultCapacityUnits * 128u);
}

TEST(DeviceLinkCommands, FailedProfileSwitchForgetsTheCache) {
  LinkRig rig;
  ASSERT_EQ(rig.link.SetCurrentProfile(1), DeviceResult::kOk);
  rig.keyboard.SetFaults({.statusReplies = 3, .status = kReplyFailed});
  EXPECT_EQ(rig.link.SetCurrentProfile(2), DeviceResult::kReplyFailed);
  EXPECT_EQ(rig.link.CachedProfile(), kUnknownProfile);
}

TEST(DeviceLinkCommands, SettingsAndColoursGoToTheirOffsets) {
  LinkRig rig;
  const auto data = Bytes(5, 0x40);
  ASSERT_EQ(rig.link.WriteSettings(10, data), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kSettings, 10, 5), data);
  std::array<std::uint8_t, kFrameDataSize> out{};
  ASSERT_EQ(rig.link.ReadSettings(5, 10, out), DeviceResult::kOk);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));

  const auto colours = Bytes(54, 1);
  ASSERT_EQ(rig.link.WriteKeyColours(144, colours), DeviceResult::kOk);  // the last chunk of nine
  EXPECT_EQ(rig.Memory(SimArea::kColours, 432, 54), colours);
  out.fill(0xCC);
  ASSERT_EQ(rig.link.ReadKeyColours(144, 54, out), DeviceResult::kOk);
  EXPECT_TRUE(std::equal(colours.begin(), colours.end(), out.begin()));
  EXPECT_EQ(out[54], 0);  // 56 bytes copied whatever the length
  EXPECT_EQ(rig.link.WriteSettings(0, Bytes(57, 0)), DeviceResult::kWriteFailed);
}

TEST(DeviceLinkCommands, KeyTablesOfEachProfileLieAtTheirOffsets) {
  LinkRig rig;
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    const DeviceKeyTable table = PatternTable(static_cast<std::uint8_t>(p * 40));
    ASSERT_EQ(rig.link.WriteKeyTable(p, table), DeviceResult::kOk);
    EXPECT_EQ(rig.Memory(SimArea::kKeyTables, p * 512, 480), TableBytes(table));
    DeviceKeyTable back{};
    ASSERT_EQ(rig.link.ReadKeyTable(p, back), DeviceResult::kOk);
    EXPECT_EQ(back, table);
  }
  DeviceKeyTable defaults{};
  ASSERT_EQ(rig.link.ReadDefaultKeyTable(defaults), DeviceResult::kOk);
  EXPECT_EQ(defaults, kBuiltInDefaultKeyTable);
}

TEST(DeviceLinkChunks, KeyTableOfProfileOneGoesInNineChunks) {
  LinkRig rig;
  ASSERT_EQ(rig.link.WriteKeyTable(1, PatternTable(3)), DeviceResult::kOk);
  const auto frames = rig.SentFrames();
  ASSERT_EQ(frames.size(), 9u);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i][kFrameCode], kCommandWriteKeyTable);
    EXPECT_EQ(FrameOffset(frames[i]), 512 + 56 * i);
    EXPECT_EQ(frames[i][kFrameLength], i < 8 ? 56 : 32);
  }
}

TEST(DeviceLinkChunks, MacroImageLengths) {
  struct Case {
    std::size_t length;
    std::vector<std::pair<int, int>> chunks;  // offset, length
  };
  const Case cases[] = {
      {0, {}},
      {1, {{0, 1}}},
      {56, {{0, 56}}},
      {57, {{0, 56}, {56, 1}}},
      {112, {{0, 56}, {56, 56}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    LinkRig rig;
    const auto image = Bytes(c.length, 0x10);
    ASSERT_EQ(rig.link.WriteMacroImage(image), DeviceResult::kOk);
    const auto frames = rig.SentFrames();
    ASSERT_EQ(frames.size(), c.chunks.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i][kFrameCode], kCommandWriteMacroImage);
      EXPECT_EQ(FrameOffset(frames[i]), c.chunks[i].first);
      EXPECT_EQ(frames[i][kFrameLength], c.chunks[i].second);
    }
    EXPECT_EQ(rig.Memory(SimArea::kMacros, 0, c.length), image);
    std::vector<std::uint8_t> back(c.length);
    ASSERT_EQ(rig.link.ReadMacroImage(back), DeviceResult::kOk);
    EXPECT_EQ(back, image);
  }
}

TEST(DeviceLinkChunks, ProfileAboveTwoSendsNothing) {
  LinkRig rig;
  DeviceKeyTable table{};
  EXPECT_EQ(rig.link.WriteKeyTable(3, table), DeviceResult::kBadProfile);
  EXPECT_EQ(rig.link.ReadKeyTable(3, table), DeviceResult::kBadProfile);
  EXPECT_EQ(rig.link.SetCurrentProfile(3), DeviceResult::kBadProfile);
  EXPECT_TRUE(rig.SentFrames().empty());
}

TEST(DeviceLinkChunks, ImageBeyondSixteenBitOffsetsSendsNothing) {
  LinkRig rig;
  std::vector<std::uint8_t> image(0x10000);
  EXPECT_EQ(rig.link.WriteMacroImage(image), DeviceResult::kWriteFailed);
  EXPECT_TRUE(rig.SentFrames().empty());
}

TEST(DeviceLinkChunks, FailingChunkEndsTheTransfer) {
  // A keyboard with 128 bytes of macro memory refuses the third chunk.
  LinkRig small(QuickTimings(), 1);
  EXPECT_EQ(small.link.WriteMacroImage(Bytes(200, 0)), DeviceResult::kReplyFailed);
  const auto frames = small.SentFrames();
  ASSERT_EQ(frames.size(), 5u);  // two chunks, then the third three times
  EXPECT_EQ(FrameOffset(frames.back()), 112);
}

// ---- Faults and pairing, against both kinds of keyboard -------------------------

class LinkPairing : public testing::TestWithParam<SimEcho> {
 protected:
  // The other kind than the keyboard's: what the link must never conclude.
  ReplyEcho WrongKind() const { return GetParam() == SimEcho::kFull ? ReplyEcho::kCodeOnly : ReplyEcho::kFull; }
};

INSTANTIATE_TEST_SUITE_P(BothKinds, LinkPairing, BothEchoes(), EchoName);

TEST_P(LinkPairing, RepliesAreRetriedAsTheProtocolSays) {
  struct Case {
    const char* name;
    SimFaults faults;
    DeviceResult result;
    std::size_t frames;
  };
  const Case cases[] = {
      {"wrong code three times", {.wrongCodeReplies = 3}, DeviceResult::kNoReply, 3},
      {"wrong code twice", {.wrongCodeReplies = 2}, DeviceResult::kOk, 3},
      {"busy three times", {.statusReplies = 3, .status = kReplyBusy}, DeviceResult::kReplyBusy, 3},
      {"failed three times", {.statusReplies = 3, .status = kReplyFailed}, DeviceResult::kReplyFailed, 3},
      {"busy once", {.statusReplies = 1, .status = kReplyBusy}, DeviceResult::kOk, 2},
      {"lost once", {.loseReplies = 1}, DeviceResult::kOk, 2},
      {"lost three times", {.loseReplies = 3}, DeviceResult::kNoReply, 3},
      {"late replies", {.latencyMs = 5}, DeviceResult::kOk, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig(QuickTimings(), kSimDefaultCapacityUnits, GetParam());
    rig.keyboard.SetFaults(c.faults);
    StatusBlock status{};
    EXPECT_EQ(rig.link.ReadStatus(status), c.result);
    EXPECT_EQ(rig.SentFrames().size(), c.frames);
    if (c.result == DeviceResult::kOk) {
      EXPECT_EQ(status[kStatusMacroCapacity], kSimDefaultCapacityUnits);
    }
  }
}

// A reply that comes after its wait has ended must never complete another
// request's wait: wherever one late reply falls in a read-back, every table
// and the image read either equal the keyboard's memory or report a failure.
TEST_P(LinkPairing, ALateReplyAnywhereInAReadBackGivesTheRightBytesOrAFailure) {
  LinkTimings timings = QuickTimings();
  timings.replyWait = std::chrono::milliseconds(60);
  timings.lateReplyLimit = std::chrono::milliseconds(1000);  // well beyond the latest reply
  constexpr int kImageBytes = 200;                  // 4 chunks
  constexpr int kReplies = 3 * 9 + 4;               // every reply of the read-back
  const int lateMs[] = {80, 130, 200};              // answered by a retry, or after all three attempts
  int readsRight = 0, readsFailed = 0;
  for (int late : lateMs) {
    for (int at = 0; at < kReplies; ++at) {
      SCOPED_TRACE(testing::Message() << "late by " << late << " ms at reply " << at);
      LinkRig rig(timings, kSimDefaultCapacityUnits, GetParam());
      // Every chunk of every area holds different bytes.
      for (int p = 0; p < 3; ++p) {
        const DeviceKeyTable pattern = PatternTable(static_cast<std::uint8_t>(40 * p + 1));
        ASSERT_TRUE(rig.keyboard.Poke(SimArea::kKeyTables, p * kKeyTableStride, TableBytes(pattern)));
      }
      ASSERT_TRUE(rig.keyboard.Poke(SimArea::kMacros, 0, Bytes(kImageBytes, 0x90)));
      rig.keyboard.SetFaults({.lateReplies = 1, .lateMs = late, .afterReplies = at});

      // Each read is tried whatever the one before gave, as the next transfer would.
      for (int p = 0; p < 3; ++p) {
        DeviceKeyTable table{};
        if (rig.link.ReadKeyTable(p, table) == DeviceResult::kOk) {
          ++readsRight;
          EXPECT_EQ(TableBytes(table), rig.Memory(SimArea::kKeyTables, p * kKeyTableStride, kKeyTableBytes)) << p;
        } else {
          ++readsFailed;
        }
      }
      std::vector<std::uint8_t> image(kImageBytes);
      if (rig.link.ReadMacroImage(image) == DeviceResult::kOk) {
        ++readsRight;
        EXPECT_EQ(image, Bytes(kImageBytes, 0x90));
      } else {
        ++readsFailed;
      }
      // The late reply of another chunk taught the link nothing wrong.
      EXPECT_NE(rig.link.LearnedEcho(), WrongKind());
    }
  }
  EXPECT_GT(readsRight, 0);
  EXPECT_GT(readsFailed, 0) << "some replies came after all three attempts";
}

TEST_P(LinkPairing, AWriteIsNeverConfirmedByTheReplyToAnotherChunk) {
  LinkTimings timings = QuickTimings();
  timings.replyWait = std::chrono::milliseconds(60);
  timings.lateReplyLimit = std::chrono::milliseconds(1000);
  for (int at = 0; at < 9; ++at) {
    SCOPED_TRACE(at);
    LinkRig rig(timings, kSimDefaultCapacityUnits, GetParam());
    // The reply to one chunk comes after all of its attempts: the write fails
    // there; the late replies never confirm the chunks after it.
    rig.keyboard.SetFaults({.lateReplies = 3, .lateMs = 250, .afterReplies = at});
    EXPECT_EQ(rig.link.WriteKeyTable(0, PatternTable(9)), DeviceResult::kNoReply);
    const auto frames = rig.SentFrames();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(at + 3));
    EXPECT_EQ(FrameOffset(frames.back()), at * 56);
  }
}

// A keyboard with 128 bytes of macro memory refuses the third chunk of a
// 150-byte image, every time. Whichever reply before it is late (the second
// of two late replies still on its way while the next chunk waits), that
// chunk is never confirmed by a late reply, so the write fails.
TEST_P(LinkPairing, ALateReplyNeverConfirmsARefusedChunk) {
  LinkTimings timings = QuickTimings();
  timings.replyWait = std::chrono::milliseconds(60);
  timings.lateReplyLimit = std::chrono::milliseconds(1000);
  const SimFaults lateFaults[] = {{.lateReplies = 1, .lateMs = 80},
                                  {.lateReplies = 2, .lateMs = 100},
                                  {.lateReplies = 1, .lateMs = 200}};
  for (SimFaults faults : lateFaults) {
    for (int at = 0; at < 2; ++at) {
      SCOPED_TRACE(testing::Message() << faults.lateReplies << " late by " << faults.lateMs << " ms at reply " << at);
      LinkRig rig(timings, 1, GetParam());
      faults.afterReplies = at;
      rig.keyboard.SetFaults(faults);
      EXPECT_NE(rig.link.WriteMacroImage(Bytes(150, 0x20)), DeviceResult::kOk);
    }
  }
}

// ---- Learning what the replies repeat --------------------------------------------

TEST(LinkLearning, TheKindComesFromRepliesThatShowIt) {
  struct Case {
    const char* name;
    SimEcho keyboard;
    std::vector<NamedCommand> commands;
    ReplyEcho learned;
  };
  std::array<std::uint8_t, kFrameDataSize> out{};
  StatusBlock status{};
  DeviceKeyTable table{};
  const NamedCommand begin{"begin", [](DeviceLink& l) { return l.BeginConfiguration(); }};
  const NamedCommand end{"end", [](DeviceLink& l) { return l.EndConfiguration(); }};
  const NamedCommand readStatus{"read status", [&](DeviceLink& l) { return l.ReadStatus(status); }};
  const NamedCommand firstSettings{"settings at 0", [&](DeviceLink& l) { return l.ReadSettings(56, 0, out); }};
  const NamedCommand keyTable{"key table 1", [&](DeviceLink& l) { return l.ReadKeyTable(1, table); }};
  const Case cases[] = {
      // Zero lengths and offsets, and a chunk at offset 0, show nothing.
      {"full, nothing shown yet", SimEcho::kFull, {begin, end, readStatus, firstSettings}, ReplyEcho::kUnknown},
      {"full, a chunk at 512", SimEcho::kFull, {begin, keyTable}, ReplyEcho::kFull},
      {"code, commands 1 and 2", SimEcho::kCodeOnly, {begin, end}, ReplyEcho::kUnknown},
      {"code, a status read", SimEcho::kCodeOnly, {begin, readStatus}, ReplyEcho::kCodeOnly},
      {"code, a key table", SimEcho::kCodeOnly, {keyTable}, ReplyEcho::kCodeOnly},
      {"garbage, command 1", SimEcho::kCodeGarbage, {begin}, ReplyEcho::kCodeOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig(QuickTimings(), kSimDefaultCapacityUnits, c.keyboard);
    EXPECT_EQ(rig.link.LearnedEcho(), ReplyEcho::kUnknown);
    for (const NamedCommand& command : c.commands) EXPECT_EQ(command.run(rig.link), DeviceResult::kOk) << command.name;
    EXPECT_EQ(rig.link.LearnedEcho(), c.learned);
  }
}

TEST(LinkLearning, EachKeyboardThatArrivesIsLearnedAfresh) {
  LinkRig rig;
  DeviceKeyTable table{};
  ASSERT_EQ(rig.link.ReadKeyTable(1, table), DeviceResult::kOk);
  ASSERT_EQ(rig.link.LearnedEcho(), ReplyEcho::kFull);
  // Another keyboard, which repeats only the code.
  rig.keyboard.Unplug();
  rig.keyboard.SetEcho(SimEcho::kCodeOnly);
  rig.keyboard.Plug();
  ASSERT_TRUE(rig.sink.WaitFor([](RecordingSink& s) { return s.counts.size() == 2; }));
  EXPECT_EQ(rig.link.LearnedEcho(), ReplyEcho::kUnknown);
  ASSERT_EQ(rig.link.ReadKeyTable(1, table), DeviceResult::kOk);
  EXPECT_EQ(rig.link.LearnedEcho(), ReplyEcho::kCodeOnly);
  EXPECT_EQ(TableBytes(table), rig.Memory(SimArea::kKeyTables, kKeyTableStride, kKeyTableBytes));
  // Started again: unknown again.
  rig.link.Start(&rig.sink);
  EXPECT_EQ(rig.link.LearnedEcho(), ReplyEcho::kUnknown);
}

// With a keyboard that repeats only the code, a request waits for the replies
// still owed; cancelling and the keyboard leaving end that wait at once.
TEST(LinkLearning, TheWaitForOwedRepliesEndsWhenCancelledOrTheKeyboardLeaves) {
  struct Case {
    const char* name;
    std::function<void(LinkRig&)> interrupt;
    DeviceResult result;
  };
  const Case cases[] = {
      {"cancelled", [](LinkRig& rig) { rig.link.CancelTransfers(); }, DeviceResult::kCancelled},
      {"pulled out", [](LinkRig& rig) { rig.keyboard.Unplug(); }, DeviceResult::kAbsent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkTimings timings = QuickTimings();
    timings.lateReplyLimit = std::chrono::hours(1);  // a lost reply is awaited until interrupted
    LinkRig rig(timings, kSimDefaultCapacityUnits, SimEcho::kCodeOnly);
    rig.keyboard.SetFaults({.loseReplies = 1});
    StatusBlock status{};
    ASSERT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);  // at the second attempt: one reply owed
    std::atomic<DeviceResult> result{DeviceResult::kOk};
    std::atomic<bool> done{false};
    std::thread next([&] {
      StatusBlock again{};
      result = rig.link.ReadStatus(again);
      done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return rig.link.AwaitingOwedReplies(); }));
    c.interrupt(rig);
    EXPECT_TRUE(WaitFor([&] { return done.load(); }, std::chrono::seconds(30)));
    next.join();
    EXPECT_EQ(result.load(), c.result);
    EXPECT_EQ(rig.SentFrames().size(), 2u) << "the next request was never written";
  }
}

TEST(DeviceLinkFaults, AKeyboardPulledOutEndsTheWaitAtOnce) {
  LinkRig rig(LinkTimings{});  // the keyboard's own one-second waits
  rig.keyboard.SetFaults({.unplugAfterReports = 0});
  StatusBlock status{};
  EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kAbsent) << "not three attempts of a second each";
  EXPECT_EQ(rig.SentFrames().size(), 1u);
}

TEST(DeviceLinkFaults, CancelledTransfersEndAtOnceAndSendNothingMore) {
  LinkTimings timings;  // the keyboard's own one-second waits
  timings.lateReplyLimit = std::chrono::milliseconds(50);  // the lost replies are not awaited for long
  LinkRig rig(timings);
  rig.keyboard.SetFaults({.loseReplies = 1000});  // a keyboard that never answers
  std::thread canceller([&] {
    EXPECT_TRUE(WaitFor([&] { return rig.SentFrames().size() == 1; }));
    rig.link.CancelTransfers();
  });
  DeviceKeyTable table{};
  EXPECT_EQ(rig.link.ReadKeyTable(0, table), DeviceResult::kCancelled);
  canceller.join();
  StatusBlock status{};
  EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kCancelled);
  EXPECT_EQ(rig.SentFrames().size(), 1u);

  // A configuration begun is still ended: command 2 is written once, unanswered.
  EXPECT_EQ(rig.link.EndConfiguration(), DeviceResult::kCancelled);
  ASSERT_EQ(rig.SentFrames().size(), 2u);
  EXPECT_EQ(rig.SentFrames().back()[kFrameCode], kCommandEndConfiguration);

  rig.link.AllowTransfers();
  rig.keyboard.SetFaults({});
  EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);
}

// ---- Reply dispatch -------------------------------------------------------------

TEST(DeviceLinkReplies, ReplyWithNoTransactionWaitingChangesNothing) {
  LinkRig rig;
  const CommandFrame stray = MakeCommandFrame(kCommandReadStatus, 28, 0);
  const RequestBlock block{OSTRAK_TAG_CTRL, 64, stray.data(), nullptr};
  const RequestNotice notice{OSTRAK_NOTICE_DATA, 0, &block};
  EXPECT_EQ(DeviceNoticeHandler(&notice), 1);
  EXPECT_EQ(rig.link.IgnoredReplies(), 1);
  StatusBlock status{};
  EXPECT_EQ(rig.link.ReadStatus(status), DeviceResult::kOk);
  EXPECT_EQ(status[kStatusMacroCapacity], kSimDefaultCapacityUnits);
}

TEST(DeviceLinkReplies, ReplyIsCutToTheCapacity) {
  LinkRig rig;
  const CommandFrame request = MakeCommandFrame(kCommandReadStatus, 28, 0);
  std::uint8_t reply[10] = {};
  std::size_t received = 99;
  EXPECT_EQ(rig.link.SendCommand(request.data(), request.size(), reply, sizeof reply, &received), DeviceResult::kOk);
  EXPECT_EQ(received, sizeof reply);
  EXPECT_EQ(reply[kFrameCode], kCommandReadStatus);
}

TEST(DeviceLinkReplies, UnknownKindsAndTagsAreIgnored) {
  LinkRig rig;
  const std::uint8_t bytes[2] = {0xFF, 0x02};
  const struct {
    std::uint32_t kind, tag;
  } cases[] = {{OSTRAK_NOTICE_DATA, OSTRAK_TAG_LED}, {7, OSTRAK_TAG_CONS}, {OSTRAK_NOTICE_COUNT, OSTRAK_TAG_CONS}};
  for (const auto& c : cases) {
    const RequestBlock block{c.tag, 2, bytes, nullptr};
    const RequestNotice notice{c.kind, 0, &block};
    EXPECT_EQ(DeviceNoticeHandler(&notice), 1);
  }
  EXPECT_EQ(DeviceNoticeHandler(nullptr), 1);
  EXPECT_TRUE(rig.sink.codes.empty());
  EXPECT_TRUE(rig.sink.counts.empty());
  EXPECT_EQ(rig.link.IgnoredReplies(), 0);
}

TEST(DeviceLinkNotices, ConsumerCodesAndCountsReachTheSink) {
  LinkRig rig;
  const std::uint16_t codes[] = {0x02FF, 0x0401, 0x1801, 0x1804, 0x1810, 0x1811};
  for (std::uint16_t code : codes) EXPECT_EQ(rig.keyboard.SendConsumerNotice(code), 1);
  ASSERT_TRUE(rig.sink.WaitFor([](RecordingSink& s) { return s.codes.size() == 6; }));
  EXPECT_EQ(rig.sink.codes, std::vector<std::uint16_t>(std::begin(codes), std::end(codes)));

  rig.keyboard.Unplug();
  rig.keyboard.Plug();
  ASSERT_TRUE(rig.sink.WaitFor([](RecordingSink& s) { return s.counts.size() == 2; }));
  EXPECT_EQ(rig.sink.counts, (std::vector<int>{0, 1}));
}

TEST(DeviceLinkNotices, StoppedLinkPassesNothingOn) {
  LinkRig rig;
  rig.link.Stop();
  EXPECT_EQ(rig.service.Engine().StandingRequests(), 0);
  rig.keyboard.SendConsumerNotice(0x02FF);
  rig.keyboard.Unplug();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(rig.sink.codes.empty());
  EXPECT_TRUE(rig.sink.counts.empty());
}

// ---- Lock lights and the boot request --------------------------------------------

TEST(DeviceLinkLockLights, TwoTogglesRestoreTheLayerAndWriteTwice) {
  LinkRig rig;
  EXPECT_EQ(rig.link.Layer(), 0);
  EXPECT_EQ(rig.link.ToggleLayer(), DeviceResult::kOk);
  EXPECT_EQ(rig.link.Layer(), 1);
  EXPECT_EQ(rig.Memory(SimArea::kLockLights, 0, 2), (std::vector<std::uint8_t>{0x05, 0x03}));
  EXPECT_EQ(rig.link.ToggleLayer(), DeviceResult::kOk);
  EXPECT_EQ(rig.link.Layer(), 0);
  EXPECT_EQ(rig.Memory(SimArea::kLockLights, 0, 2), (std::vector<std::uint8_t>{0x05, 0x02}));
  int writes = 0;
  for (const SimLogEntry& e : rig.keyboard.Log()) writes += e.fromHost && e.usagePage == kLockLightUsagePage;
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 0);
}

TEST(DeviceLinkBoot, BootRequestIsWrittenOnceAndTheKeyboardLeaves) {
  LinkRig rig;
  EXPECT_EQ(rig.link.SendBootRequest(), DeviceResult::kOk);
  EXPECT_EQ(rig.keyboard.BootRequests(), 1);
  const auto frames = rig.SentFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], BootRequestFrame());
  ASSERT_TRUE(rig.sink.WaitFor([](RecordingSink& s) { return s.counts == std::vector<int>{0}; }));
  EXPECT_EQ(rig.link.DeviceCount(), 0);
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 0);
}

// ---- The service refuses wrong checks -------------------------------------------

TEST(DeviceService, RequestsWithAWrongCheckAreRefused) {
  LinkRig rig;
  const DeviceService& s = rig.table;
  const CommandFrame frame = MakeCommandFrame(kCommandReadStatus, 28, 0);
  const std::uint32_t good = RequestCheck(kControlSelector, nullptr, 0, frame.data(), 64);
  std::uint32_t id = 0;
  EXPECT_LT(s.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), 64, good + 1, nullptr), 0);
  EXPECT_LT(s.RequestGetDeviceCount(&kControlSelector, nullptr, 0, 12345, nullptr), 0);
  EXPECT_LT(s.RequestAsyncRead(&kControlSelector, DeviceNoticeHandler, OSTRAK_TAG_CTRL, 1, &id), 0);
  EXPECT_EQ(id, 0u);
  const std::uint8_t leds[2] = {5, 2};
  EXPECT_LT(s.RequestStatusWrite(&kLockLightSelector, DeviceNoticeHandler, OSTRAK_TAG_LED, leds, 2, 0, &id), 0);
  EXPECT_EQ(rig.service.Engine().RefusedRequests(), 4);
  EXPECT_TRUE(rig.keyboard.Log().empty());
  // The right check goes through.
  EXPECT_EQ(s.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), 64, good, nullptr), 1);
}

// ---- Two threads at once ----------------------------------------------------------

TEST(DeviceLinkConcurrency, EachTransactionGetsItsOwnReply) {
  LinkRig rig(LinkTimings{});  // the keyboard's own waits
  rig.keyboard.SetFaults({.latencyMs = 1});
  const DeviceKeyTable profile1 = PatternTable(0x33);
  ASSERT_EQ(rig.link.WriteKeyTable(1, profile1), DeviceResult::kOk);
  std::atomic<int> wrong{0};
  auto readTables = [&] {
    for (int i = 0; i < 6; ++i) {
      DeviceKeyTable t{};
      if (rig.link.ReadKeyTable(1, t) != DeviceResult::kOk || t != profile1) ++wrong;
    }
  };
  auto readStatus = [&] {
    for (int i = 0; i < 40; ++i) {
      StatusBlock s{};
      if (rig.link.ReadStatus(s) != DeviceResult::kOk || s[kStatusMacroCapacity] != kSimDefaultCapacityUnits) ++wrong;
      DeviceKeyTable d{};
      if (rig.link.ReadDefaultKeyTable(d) != DeviceResult::kOk || d != kBuiltInDefaultKeyTable) ++wrong;
    }
  };
  std::thread ui(readTables), worker(readStatus);
  ui.join();
  worker.join();
  EXPECT_EQ(wrong.load(), 0);
  // Every command was answered at its first attempt.
  EXPECT_EQ(rig.keyboard.CommandsReceived(), 9 + 6 * 9 + 40 * 10);
}
