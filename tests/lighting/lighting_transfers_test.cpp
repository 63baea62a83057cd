#include "lighting/lighting_transfers.h"

#include <gtest/gtest.h>

#include "tests/device/link_fixture.h"

namespace {

void Offer(LinkRig& rig, std::vector<std::uint8_t> effects) {
  effects.resize(kOfferedEffectSlots, 0);
  ASSERT_TRUE(rig.keyboard.Poke(SimArea::kStatus, kStatusEffectsFirst, effects));
}

std::vector<int> SentCodes(const LinkRig& rig) {
  std::vector<int> codes;
  for (const CommandFrame& frame : rig.SentFrames()) codes.push_back(frame[kFrameCode]);
  return codes;
}

// The codes of a read: status, 1, the nine key colour chunks when read, settings, 2.
std::vector<int> ReadCodes(bool withKeyColours) {
  std::vector<int> codes{kCommandReadStatus, kCommandBeginConfiguration};
  if (withKeyColours) codes.insert(codes.end(), kKeyColourChunks, kCommandReadKeyColours);
  codes.push_back(kCommandReadSettings);
  codes.push_back(kCommandEndConfiguration);
  return codes;
}

}  // namespace

TEST(LightingTransfers, ChoosingTheThirdOfThreeOfferedEffectsWritesIt) {
  LinkRig rig;
  Offer(rig, {1, 3, 5});
  LightingState state;
  ASSERT_EQ(ReadLighting(rig.link, true, state), DeviceResult::kOk);
  ASSERT_EQ(state.offeredEffects, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(state.effectMode, 1);  // the simulator's factory effect

  rig.keyboard.ClearLog();
  EXPECT_EQ(WriteLighting(rig.link, SelectEffect(state, state.offeredEffects[2])), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kSettings, 0, 1), std::vector<std::uint8_t>{0x05});
  EXPECT_EQ(SentCodes(rig), (std::vector<int>{kCommandBeginConfiguration, kCommandWriteSettings,
                                              kCommandEndConfiguration}));
}

TEST(LightingTransfers, ReadsTheKeyColoursOnlyWhenAskedAndThePerKeyEffectIsOffered) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> offered;
    bool withKeyColours;
    bool readsColours;
  };
  const Case cases[] = {
      {"offered and asked", {1, 5, 9}, true, true},
      {"offered, after a change notice", {1, 5, 9}, false, false},
      {"not offered", {1, 2, 3, 4, 6}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig;
    Offer(rig, c.offered);
    std::vector<std::uint8_t> colours(kKeyColourTableBytes);
    for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<std::uint8_t>(i * 5);
    ASSERT_TRUE(rig.keyboard.Poke(SimArea::kColours, 0, colours));
    const std::uint8_t settings[] = {4, 20, 6, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x22, 0x33, 0xFF, 1};
    ASSERT_TRUE(rig.keyboard.Poke(SimArea::kSettings, 0, settings));
    rig.keyboard.ClearLog();

    LightingState state;
    state.keyColours.fill({7, 7, 7});
    ASSERT_EQ(ReadLighting(rig.link, c.withKeyColours, state), DeviceResult::kOk);
    EXPECT_EQ(SentCodes(rig), ReadCodes(c.readsColours));
    for (int position : {0, 17, 18, 161}) {
      const std::size_t at = position * 3;
      EXPECT_EQ(state.keyColours[position],
                c.readsColours ? (Rgb{colours[at], colours[at + 1], colours[at + 2]}) : (Rgb{7, 7, 7}));
    }
    // Chunks are read at key positions 0, 18, ... 144 (three bytes each), 54 bytes long.
    if (c.readsColours) {
      const CommandFrame last = rig.SentFrames()[2 + kKeyColourChunks - 1];
      EXPECT_EQ(FrameOffset(last), 144 * 3);
      EXPECT_EQ(last[kFrameLength], 54);
    }
    EXPECT_EQ(state.effectMode, 4);
    EXPECT_EQ(state.brightness, 20);
    EXPECT_EQ(state.speed, 6);
    EXPECT_EQ(state.direction, 1);
    EXPECT_EQ(GroupOfEffect(state, 4)->colour, (Rgb{0x11, 0x22, 0x33}));
    EXPECT_TRUE(GroupOfEffect(state, 4)->flag);
    EXPECT_EQ(state.mode4Option, 1);
  }
}

TEST(LightingTransfers, AFailedStatusReadSendsNothingMoreAndChangesOnlyTheEffectList) {
  struct Case {
    const char* name;
    SimFaults faults;
    bool unplug;
    DeviceResult result;
  };
  SimFaults busy;
  busy.statusReplies = kSendAttempts;
  busy.status = kReplyBusy;
  const Case cases[] = {
      {"no keyboard", {}, true, DeviceResult::kAbsent},
      {"busy", busy, false, DeviceResult::kReplyBusy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig;
    LightingState state;
    state.offeredEffects = {1, 2};
    state.effectMode = 2;
    state.brightness = 9;
    rig.keyboard.SetFaults(c.faults);
    if (c.unplug) rig.keyboard.Unplug();
    rig.keyboard.ClearLog();

    EXPECT_EQ(ReadLighting(rig.link, true, state), c.result);
    EXPECT_TRUE(state.offeredEffects.empty());
    EXPECT_EQ(state.effectMode, 2);
    EXPECT_EQ(state.brightness, 9);
    for (int code : SentCodes(rig)) EXPECT_EQ(code, kCommandReadStatus);
  }
}

// A command inside the bracket that fails stops the writes, and command 2
// still goes out, so that the keyboard leaves configuration mode.
TEST(LightingTransfers, AFailureInsideTheBracketStillEndsIt) {
  struct Case {
    const char* name;
    SimFaults faults;
    DeviceResult result;
    std::vector<int> codes;
  };
  SimFaults failedWrite;  // command 1 answered, then the first write refused three times
  failedWrite.afterReplies = 1;
  failedWrite.statusReplies = kSendAttempts;
  failedWrite.status = kReplyFailed;
  SimFaults lostWrite;  // the first write never answered
  lostWrite.afterReplies = 1;
  lostWrite.loseReplies = kSendAttempts;
  SimFaults busyBegin;  // command 1 busy
  busyBegin.statusReplies = kSendAttempts;
  SimFaults failedEnd;  // everything answered but command 2
  failedEnd.afterReplies = 3;
  failedEnd.statusReplies = kSendAttempts;
  failedEnd.status = kReplyFailed;
  const std::vector<int> triedThrice{kCommandBeginConfiguration, kCommandWriteSettings, kCommandWriteSettings,
                                     kCommandWriteSettings, kCommandEndConfiguration};
  const Case cases[] = {
      {"a write refused", failedWrite, DeviceResult::kReplyFailed, triedThrice},
      {"a write unanswered", lostWrite, DeviceResult::kNoReply, triedThrice},
      {"command 1 busy", busyBegin, DeviceResult::kReplyBusy,
       {kCommandBeginConfiguration, kCommandBeginConfiguration, kCommandBeginConfiguration,
        kCommandEndConfiguration}},
      {"command 2 refused", failedEnd, DeviceResult::kReplyFailed,
       {kCommandBeginConfiguration, kCommandWriteSettings, kCommandWriteSettings, kCommandEndConfiguration,
        kCommandEndConfiguration, kCommandEndConfiguration}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkRig rig;
    LightingState state;
    const LightingWrites writes = SetGroupColour(state, 11, {1, 2, 3});  // two writes: flag, colour
    rig.keyboard.SetFaults(c.faults);
    EXPECT_EQ(WriteLighting(rig.link, writes), c.result);
    EXPECT_EQ(SentCodes(rig), c.codes);
  }
}

TEST(LightingTransfers, NoWritesSendNothing) {
  LinkRig rig;
  LightingState state;
  EXPECT_EQ(WriteLighting(rig.link, SelectEffect(state, 15)), DeviceResult::kOk);
  EXPECT_EQ(WriteLighting(rig.link, {}), DeviceResult::kOk);
  EXPECT_TRUE(rig.SentFrames().empty());
}

TEST(LightingTransfers, KeyColoursLandAtTheirPositions) {
  LinkRig rig;
  LightingState state;
  ASSERT_EQ(ReadLighting(rig.link, true, state), DeviceResult::kOk);  // the factory keyboard offers effect 5
  ASSERT_EQ(WriteLighting(rig.link, SelectEffect(state, kPerKeyEffect)), DeviceResult::kOk);

  // One key painted: command 17 with three bytes at its position.
  state.tool = PaintTool::kBackground;
  state.backgroundColour = {0x10, 0x20, 0x30};
  rig.keyboard.ClearLog();
  ASSERT_EQ(WriteLighting(rig.link, PaintKey(state, kFnButton)), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kColours, kFnColourPosition * 3, 3), (std::vector<std::uint8_t>{0x10, 0x20, 0x30}));
  EXPECT_EQ(SentCodes(rig), (std::vector<int>{kCommandBeginConfiguration, kCommandWriteKeyColours,
                                              kCommandEndConfiguration}));

  // A new selection colour: offsets 10-12, then the whole table, in one bracket.
  state.tool = PaintTool::kSelection;
  ASSERT_EQ(WriteLighting(rig.link, PaintKey(state, 0)), DeviceResult::kOk);
  rig.keyboard.ClearLog();
  ASSERT_EQ(WriteLighting(rig.link, SetSelectionColour(state, {0x0A, 0x0B, 0x0C})), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kSettings, kKeyColourOffset, 3), (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C}));
  EXPECT_EQ(rig.Memory(SimArea::kColours, 19 * 3, 3), (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C}));  // A
  EXPECT_EQ(rig.Memory(SimArea::kColours, 20 * 3, 3), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));  // Z
  EXPECT_EQ(SentCodes(rig).size(), 1 + 1 + 9 + 1u);
}

TEST(LightingTransfers, DefaultLightingReadsBackAsWritten) {
  LinkRig rig;
  ASSERT_TRUE(rig.keyboard.Poke(SimArea::kColours, 0, std::vector<std::uint8_t>(kKeyColourTableBytes, 0x42)));
  LightingState state;
  ASSERT_EQ(ReadLighting(rig.link, true, state), DeviceResult::kOk);
  SetBrightness(state, 3);
  ToggleGroupFlag(state, 14);

  ASSERT_EQ(WriteLighting(rig.link, DefaultLighting(state)), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kColours, 0, kKeyColourTableBytes),
            std::vector<std::uint8_t>(kKeyColourTableBytes, 0xFF));
  LightingState reread = state;
  ASSERT_EQ(ReadLighting(rig.link, true, reread), DeviceResult::kOk);
  EXPECT_EQ(reread.effectMode, state.effectMode);
  EXPECT_EQ(reread.brightness, 15);
  EXPECT_EQ(reread.speed, 10);
  EXPECT_FALSE(GroupOfEffect(reread, 14)->flag);
  EXPECT_EQ(reread.keyColours, state.keyColours);
}

// The Default button's change reads the keyboard back over the change: the
// panel then shows the default colours and tool, not those from before.
// A change the keyboard did not take reads back over the state before it.
TEST(LightingTransfers, AChangeReadsBackOverWhatTheKeyboardTook) {
  LinkRig rig;
  LightingState before;
  ASSERT_EQ(ReadLighting(rig.link, true, before), DeviceResult::kOk);  // the factory keyboard offers effect 5
  before.selectionColour = {0x11, 0x22, 0x33};
  before.backgroundColour = {0x44, 0x55, 0x66};
  before.tool = PaintTool::kSelection;
  before.keyColours.fill({1, 2, 3});

  LightingState after = before;
  const LightingWrites defaults = DefaultLighting(after);
  const std::optional<LightingState> shown = WriteChange(rig.link, defaults, before, after, true);
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->selectionColour, kWhite);
  EXPECT_EQ(shown->backgroundColour, kBlack);
  EXPECT_EQ(shown->tool, PaintTool::kBackground);
  EXPECT_EQ(shown->keyColours[kFnColourPosition], kWhite);
  EXPECT_EQ(shown->brightness, 15);

  // Taken, it is what the keyboard holds: a painted key gets the default colour.
  LightingState panel = TakeReadLighting(after, *shown, after);
  SelectEffect(panel, kPerKeyEffect);
  panel.tool = kToolOfPicture[0];
  ASSERT_EQ(WriteLighting(rig.link, PaintKey(panel, kFnButton)), DeviceResult::kOk);
  EXPECT_EQ(rig.Memory(SimArea::kColours, kFnColourPosition * 3, 3), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));

  // A group colour the keyboard refuses: read back over the state before it.
  LightingState changed = *shown;
  const LightingWrites colour = SetGroupColour(changed, 11, {7, 8, 9});
  SimFaults refused;
  refused.afterReplies = 1;
  refused.statusReplies = kSendAttempts;
  refused.status = kReplyFailed;
  rig.keyboard.SetFaults(refused);
  const std::optional<LightingState> reverted = WriteChange(rig.link, colour, *shown, changed, false);
  ASSERT_TRUE(reverted);
  EXPECT_EQ(GroupOfEffect(*reverted, 11)->colour, kWhite);

  // Taken without a read when the keyboard took it.
  EXPECT_FALSE(WriteChange(rig.link, colour, *shown, changed, false));
  EXPECT_EQ(rig.Memory(SimArea::kSettings, 20, 3), (std::vector<std::uint8_t>{7, 8, 9}));
}
