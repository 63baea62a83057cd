#include "macros/macro_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

namespace {

constexpr int kVkShift = 0x10;
constexpr int kVkA = 0x41;
constexpr int kVkB = 0x42;
constexpr int kVkSnapshot = 0x2C;
constexpr int kVkLeftWin = 0x5B;
constexpr int kVkRightWin = 0x5C;
constexpr int kVkApps = 0x5D;
constexpr int kVkVolumeMute = 0xAD;

constexpr KeyCode kA = 0x01E;
constexpr KeyCode kB = 0x030;
constexpr KeyCode kPrintScreen = 0x137;

// A row of the action list, comparable and printable.
struct Row {
  std::uint32_t delay;
  KeyCode key;
  std::uint16_t direction;

  friend bool operator==(const Row&, const Row&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.delay << ", 0x" << std::hex << row.key << std::dec << ", "
               << (row.direction == kMacroPress ? "press" : "release") << "}";
  }
};

std::vector<Row> Rows(const std::vector<MacroAction>& actions) {
  std::vector<Row> rows;
  for (const MacroAction& action : actions) rows.push_back({action.delayMs, action.keyCode, action.direction});
  return rows;
}

// An event of `key` (a key code, 0x100 for the extended flag) with its VK.
KeyEvent Down(int virtualKey, KeyCode key, std::uint32_t timeMs = 0) {
  return {.virtualKey = virtualKey,
          .scanCode = key & 0xFF,
          .extended = key >= 0x100,
          .release = false,
          .repeat = false,
          .timeMs = timeMs};
}
KeyEvent Repeat(int virtualKey, KeyCode key, std::uint32_t timeMs = 0) {
  KeyEvent event = Down(virtualKey, key, timeMs);
  event.repeat = true;
  return event;
}
KeyEvent Up(int virtualKey, KeyCode key, std::uint32_t timeMs = 0) {
  KeyEvent event = Down(virtualKey, key, timeMs);
  event.release = true;
  return event;
}

// The recorder feeding an editor's action list, as the Windows hooks do: each
// step's actions go in by the insertion rule and the new row becomes selected.
struct Recording {
  RecorderState state;
  std::vector<MacroAction> actions;
  int selectedRow = -1;
  int recordDelay = 1;

  void Start(std::uint32_t nowMs) { ASSERT_TRUE(ToggleRecording(state, nowMs)); }
  bool Add(const RecordStep& step) {
    for (const MacroAction& action : step.Actions()) {
      const int row = AddRecordedAction(actions, selectedRow, action, recordDelay);
      if (row >= 0) selectedRow = row;
    }
    return step.swallow;
  }
  bool Thread(const KeyEvent& event) { return Add(RecordKeyboardEvent(state, event)); }
  bool LowLevel(const KeyEvent& event) { return Add(RecordLowLevelEvent(state, event)); }
};

// ---- Key events as the hooks deliver them ---------------------------------------

TEST(HookKeyEventTest, TheThreadHooksKeyDataGivesScanCodeDirectionAndRepeat) {
  struct Case {
    const char* what;
    std::uint32_t keyData;
    int scanCode;
    bool extended, release, repeat;
  };
  const Case cases[] = {
      {"fresh press", 0x001E0001u, 0x1E, false, false, false},
      {"auto-repeat", 0x401E0001u, 0x1E, false, false, true},
      {"release", 0xC01E0001u, 0x1E, false, true, false},
      {"extended press", 0x015B0001u, 0x5B, true, false, false},
      {"release without the previous state", 0x801E0001u, 0x1E, false, true, false},
  };
  for (const auto& c : cases) {
    const KeyEvent event = KeyEventFromKeyMessage(kVkA, static_cast<std::int32_t>(c.keyData), 1234);
    EXPECT_EQ(event.virtualKey, kVkA) << c.what;
    EXPECT_EQ(event.scanCode, c.scanCode) << c.what;
    EXPECT_EQ(event.extended, c.extended) << c.what;
    EXPECT_EQ(event.release, c.release) << c.what;
    EXPECT_EQ(event.repeat, c.repeat) << c.what;
    EXPECT_EQ(event.timeMs, 1234u) << c.what;
  }
}

TEST(HookKeyEventTest, OnlyKeyDownAndSystemKeyDownAreLowLevelPresses) {
  struct Case {
    unsigned message;
    bool release;
  };
  const Case cases[] = {{0x100, false}, {0x104, false}, {0x101, true}, {0x105, true}};
  for (const auto& c : cases) {
    const KeyEvent event = KeyEventFromLowLevelHook(c.message, kVkLeftWin, 0x5B, 0x01, 7);
    EXPECT_EQ(event.release, c.release) << std::hex << c.message;
    EXPECT_TRUE(event.extended);
    EXPECT_FALSE(event.repeat);
    EXPECT_EQ(event.scanCode, 0x5B);
  }
  EXPECT_FALSE(KeyEventFromLowLevelHook(0x100, kVkA, 0x1E, 0x00, 7).extended);
}

TEST(HookKeyEventTest, KeyCodesComeFromScanCodeAndVirtualKeyTogether) {
  EXPECT_EQ(KeyEventKeyCode(Down(kVkShift, 0x02A)), 0x02A);
  EXPECT_EQ(KeyEventKeyCode(Down(kVkShift, 0x036)), 0x036);
  EXPECT_EQ(KeyEventKeyCode(Down(0x11, 0x11D)), 0x11D);
  EXPECT_EQ(KeyEventKeyCode(Up(kVkSnapshot, kPrintScreen)), kPrintScreen);
  EXPECT_EQ(KeyEventKeyCode(Down(0x01, 0)), kNoKey);
}

// ---- Recording ----------------------------------------------------------------

TEST(MacroRecorderTest, ToggleStartsAtTheGivenTimeAndStops) {
  RecorderState state{.recording = false, .lastEventMs = 1, .lastWindowsKey = kVkLeftWin};
  EXPECT_TRUE(ToggleRecording(state, 5000));
  EXPECT_TRUE(state.recording);
  EXPECT_EQ(state.lastEventMs, 5000u);
  EXPECT_EQ(state.lastWindowsKey, 0);
  EXPECT_FALSE(ToggleRecording(state, 6000));
  EXPECT_FALSE(state.recording);
}

TEST(MacroRecorderTest, TheWorkedSequenceGivesItsFourRows) {
  // Press A 1 000 ms after the start, release it 120 ms later, and 300 ms
  // after that Print Screen reports its release (Windows reports no press).
  struct Case {
    int recordDelay;
    std::vector<Row> rows;
  };
  const Case cases[] = {
      {1, {{120, kA, kMacroPress}, {2, kA, kMacroRelease}, {300, kPrintScreen, kMacroPress}, {0, kPrintScreen, kMacroRelease}}},
      {0, {{50, kA, kMacroPress}, {50, kA, kMacroRelease}, {50, kPrintScreen, kMacroPress}, {0, kPrintScreen, kMacroRelease}}},
  };
  for (const auto& c : cases) {
    Recording recording;
    recording.recordDelay = c.recordDelay;
    recording.Start(10000);
    EXPECT_TRUE(recording.Thread(Down(kVkA, kA, 11000)));
    EXPECT_TRUE(recording.Thread(Up(kVkA, kA, 11120)));
    EXPECT_TRUE(recording.Thread(Up(kVkSnapshot, kPrintScreen, 11420)));
    EXPECT_EQ(Rows(recording.actions), c.rows) << "record delay " << c.recordDelay;
    EXPECT_EQ(recording.selectedRow, 3);
  }
}

TEST(MacroRecorderTest, AReleaseOnlyKeyGetsASyntheticPressUnlessItsPressArrived) {
  Recording recording;
  recording.Start(0);
  recording.Thread(Up(kVkSnapshot, 0x054, 100));  // Sys Req
  recording.Thread(Down(kVkSnapshot, kPrintScreen, 200));
  recording.Thread(Up(kVkSnapshot, kPrintScreen, 210));
  recording.Thread(Up(kVkSnapshot, kPrintScreen, 300));
  const std::vector<Row> expected = {{100, 0x054, kMacroPress},      {100, 0x054, kMacroRelease},
                                     {10, kPrintScreen, kMacroPress},  {2, kPrintScreen, kMacroRelease},
                                     {90, kPrintScreen, kMacroPress},  {0, kPrintScreen, kMacroRelease}};
  EXPECT_EQ(Rows(recording.actions), expected);
}

TEST(MacroRecorderTest, AHeldKeyRecordsOnePressAndOneRelease) {
  Recording recording;
  recording.Start(0);
  EXPECT_TRUE(recording.Thread(Down(kVkA, kA, 10)));
  for (std::uint32_t t = 500; t < 3000; t += 33) EXPECT_TRUE(recording.Thread(Repeat(kVkA, kA, t)));
  EXPECT_TRUE(recording.Thread(Up(kVkA, kA, 3000)));
  const std::vector<Row> expected = {{2990, kA, kMacroPress}, {0, kA, kMacroRelease}};
  EXPECT_EQ(Rows(recording.actions), expected);
}

TEST(MacroRecorderTest, WindowsKeysAreRecordedOnceAndAlwaysSwallowed) {
  struct Case {
    int virtualKey;
    KeyCode key;
  };
  for (const Case c : {Case{kVkLeftWin, 0x15B}, Case{kVkRightWin, 0x15C}}) {
    Recording recording;
    recording.Start(0);
    EXPECT_TRUE(recording.LowLevel(Down(c.virtualKey, c.key, 40)));
    for (std::uint32_t t = 540; t < 2000; t += 33) EXPECT_TRUE(recording.LowLevel(Down(c.virtualKey, c.key, t)));
    EXPECT_TRUE(recording.LowLevel(Up(c.virtualKey, c.key, 2000)));
    const std::vector<Row> expected = {{1960, c.key, kMacroPress}, {0, c.key, kMacroRelease}};
    EXPECT_EQ(Rows(recording.actions), expected) << std::hex << c.key;
    EXPECT_EQ(recording.state.lastWindowsKey, 0);
  }
}

TEST(MacroRecorderTest, TheLowLevelHookPassesEveryOtherKey) {
  Recording recording;
  recording.Start(0);
  for (const KeyEvent& event : {Down(kVkA, kA, 5), Up(kVkA, kA, 6), Down(kVkApps, 0x15D, 7), Down(kVkShift, 0x02A, 8)}) {
    EXPECT_FALSE(recording.LowLevel(event));
  }
  EXPECT_TRUE(recording.actions.empty());
  EXPECT_EQ(recording.state.lastEventMs, 0u);
}

TEST(MacroRecorderTest, AfterTheRecordingStopsNothingIsRecordedOrSwallowed) {
  Recording recording;
  recording.Start(0);
  recording.LowLevel(Down(kVkLeftWin, 0x15B, 10));
  ASSERT_FALSE(ToggleRecording(recording.state, 20));
  EXPECT_FALSE(recording.LowLevel(Up(kVkLeftWin, 0x15B, 30)));
  EXPECT_FALSE(recording.LowLevel(Down(kVkRightWin, 0x15C, 40)));
  EXPECT_FALSE(recording.Thread(Down(kVkA, kA, 50)));
  EXPECT_EQ(recording.actions.size(), 1u);
}

TEST(MacroRecorderTest, MediaKeysAndKeysWithoutACodePassUnrecorded) {
  struct Case {
    const char* what;
    KeyEvent event;
  };
  const Case cases[] = {
      {"mute", Down(kVkVolumeMute, 0x120, 10)},
      {"mute released", Up(kVkVolumeMute, 0x120, 20)},
      {"volume up", Down(0xAF, 0x130, 30)},
      {"calculator", Down(0xB7, 0x121, 40)},
      {"play/pause, no scan code", Down(0xB3, 0, 50)},
      {"no key", Down(0x07, 0x100, 60)},
  };
  Recording recording;
  recording.Start(0);
  for (const auto& c : cases) EXPECT_FALSE(recording.Thread(c.event)) << c.what;
  EXPECT_TRUE(recording.actions.empty());
  // The time of the previous recorded event stays the start.
  recording.Thread(Down(kVkA, kA, 70));
  recording.Thread(Up(kVkA, kA, 100));
  EXPECT_EQ(recording.actions[0].delayMs, 30u);
}

TEST(MacroRecorderTest, MeasuredDelaysSurviveTheTickCountersWrap) {
  Recording recording;
  recording.Start(0xFFFFFF00u);
  recording.Thread(Down(kVkA, kA, 0xFFFFFFF0u));
  recording.Thread(Up(kVkA, kA, 0x40));
  EXPECT_EQ(recording.actions[0].delayMs, 0x50u);
}

TEST(MacroRecorderTest, WithTheOptionOffEveryRowButTheLastCarries50Ms) {
  Recording recording;
  recording.recordDelay = 0;
  recording.Start(0);
  std::uint32_t t = 0;
  for (int i = 0; i < 5; ++i) {
    recording.Thread(Down(kVkA, kA, t += 7 * i));
    recording.Thread(Up(kVkA, kA, t += 1000));
  }
  ASSERT_EQ(recording.actions.size(), 10u);
  for (std::size_t i = 0; i + 1 < recording.actions.size(); ++i) EXPECT_EQ(recording.actions[i].delayMs, 50u) << i;
  EXPECT_EQ(recording.actions.back().delayMs, 0u);
}

TEST(MacroRecorderTest, TheRecordDelayOptionKeeps50OrNothing) {
  EXPECT_EQ(RecordedDelay(1234, 1), 1234u);
  EXPECT_EQ(RecordedDelay(1234, 0), 50u);
  EXPECT_EQ(RecordedDelay(1234, 2), 0u);
  EXPECT_EQ(RecordedDelay(1234, -1), 0u);
}

// ---- The insertion rule ----------------------------------------------------------

TEST(RecordedActionInsertionTest, ASecondRecordingWithNoRowSelectedAppends) {
  Recording recording;
  recording.actions = {{30, kB, kMacroPress}, {0, kB, kMacroRelease}};
  recording.Start(5000);
  recording.Thread(Down(kVkA, kA, 5400));
  recording.Thread(Up(kVkA, kA, 5500));
  // The time since the record button went to the row that was last.
  const std::vector<Row> expected = {
      {30, kB, kMacroPress}, {400, kB, kMacroRelease}, {100, kA, kMacroPress}, {0, kA, kMacroRelease}};
  EXPECT_EQ(Rows(recording.actions), expected);
}

TEST(RecordedActionInsertionTest, RecordingInsertsAfterTheSelectedRowWhichHandsOnItsDelay) {
  Recording recording;
  recording.actions = {{10, kB, kMacroPress}, {20, kB, kMacroRelease}, {0, kPrintScreen, kMacroRelease}};
  recording.selectedRow = 0;
  recording.Start(0);
  recording.Thread(Down(kVkA, kA, 70));
  recording.Thread(Up(kVkA, kA, 75));
  const std::vector<Row> expected = {{70, kB, kMacroPress},
                                     {5, kA, kMacroPress},
                                     {10, kA, kMacroRelease},
                                     {20, kB, kMacroRelease},
                                     {0, kPrintScreen, kMacroRelease}};
  EXPECT_EQ(Rows(recording.actions), expected);
  EXPECT_EQ(recording.selectedRow, 2);
}

TEST(RecordedActionInsertionTest, PositionAndDelaysFollowTheSelection) {
  const std::vector<MacroAction> three = {{10, kB, kMacroPress}, {20, kB, kMacroRelease}, {30, kA, kMacroPress}};
  struct Case {
    const char* what;
    std::vector<MacroAction> rows;
    int selectedRow;
    int position;
    std::vector<Row> expected;
  };
  const Row added = {0, kA, kMacroRelease};
  const Case cases[] = {
      {"empty list", {}, -1, 0, {added}},
      {"empty list, stale selection", {}, 4, 0, {added}},
      {"no selection", three, -1, 3, {{10, kB, 0}, {20, kB, 1}, {99, kA, 0}, {30, kA, 1}}},
      {"after the first", three, 0, 1, {{99, kB, 0}, {10, kA, 1}, {20, kB, 1}, {30, kA, 0}}},
      {"after the last", three, 2, 3, {{10, kB, 0}, {20, kB, 1}, {99, kA, 0}, {30, kA, 1}}},
      {"selection past the end", three, 3, 3, {{10, kB, 0}, {20, kB, 1}, {99, kA, 0}, {30, kA, 1}}},
  };
  for (const auto& c : cases) {
    std::vector<MacroAction> rows = c.rows;
    EXPECT_EQ(AddRecordedAction(rows, c.selectedRow, {99, kA, kMacroRelease}, 1), c.position) << c.what;
    EXPECT_EQ(Rows(rows), c.expected) << c.what;
  }
}

TEST(RecordedActionInsertionTest, ADirectionAbove1BecomesAPress) {
  std::vector<MacroAction> rows;
  AddRecordedAction(rows, -1, {0, kA, 7}, 1);
  EXPECT_EQ(rows[0].direction, kMacroPress);
}

TEST(RecordedActionInsertionTest, The2001stActionIsIgnored) {
  Recording recording;
  recording.Start(0);
  for (std::uint32_t t = 1; t <= 1000; ++t) {
    recording.Thread(Down(kVkA, kA, 2 * t));
    recording.Thread(Up(kVkA, kA, 2 * t + 1));
  }
  ASSERT_EQ(recording.actions.size(), static_cast<std::size_t>(kMaxMacroActions));
  const std::vector<MacroAction> full = recording.actions;
  // Still swallowed: the key must not reach a window just because the list is full.
  EXPECT_TRUE(recording.Thread(Down(kVkB, kB, 5000)));
  EXPECT_EQ(AddRecordedAction(recording.actions, 10, {1, kB, kMacroPress}, 1), -1);
  EXPECT_EQ(Rows(recording.actions), Rows(full));
}

// ---- Key capture ----------------------------------------------------------------

TEST(KeyCaptureTest, TheThreadHookTakesAFreshKeyDown) {
  struct Case {
    const char* what;
    KeyEvent event;
    KeyCode captured;
    bool swallow;
  };
  const Case cases[] = {
      {"Shift alone", Down(kVkShift, 0x02A), 0x02A, true},
      {"Right Shift alone", Down(kVkShift, 0x036), 0x036, true},
      {"Right Ctrl", Down(0x11, 0x11D), 0x11D, true},
      {"A", Down(kVkA, kA), kA, true},
      {"A repeating", Repeat(kVkA, kA), kNoKey, true},
      {"A released", Up(kVkA, kA), kNoKey, true},
      {"Print Screen released", Up(kVkSnapshot, kPrintScreen), kPrintScreen, true},
      {"Print Screen repeating", Repeat(kVkSnapshot, kPrintScreen), kPrintScreen, true},
      {"mute", Down(kVkVolumeMute, 0x120), kNoKey, false},
      {"no key", Down(0x07, 0x100), kNoKey, false},
  };
  for (const auto& c : cases) {
    const CaptureStep step = CaptureKeyboardEvent(c.event);
    EXPECT_EQ(step.captured, c.captured) << c.what;
    EXPECT_EQ(step.swallow, c.swallow) << c.what;
  }
}

TEST(KeyCaptureTest, AHeldKeyIsCapturedOnce) {
  int taken = 0;
  const KeyEvent held[] = {Down(kVkShift, 0x02A), Repeat(kVkShift, 0x02A), Repeat(kVkShift, 0x02A), Up(kVkShift, 0x02A)};
  for (const KeyEvent& event : held) {
    const CaptureStep step = CaptureKeyboardEvent(event);
    EXPECT_TRUE(step.swallow);
    if (step.captured != kNoKey) ++taken;
  }
  EXPECT_EQ(taken, 1);
}

TEST(KeyCaptureTest, TheLowLevelHookTakesOnlyTheWindowsAndApplicationKeys) {
  struct Case {
    int virtualKey;
    KeyCode captured;
  };
  const Case cases[] = {{kVkLeftWin, 0x15B}, {kVkRightWin, 0x15C}, {kVkApps, 0x15D}, {kVkA, kNoKey}, {kVkShift, kNoKey}};
  for (const auto& c : cases) {
    for (const KeyEvent& event : {Down(c.virtualKey, c.captured), Up(c.virtualKey, c.captured)}) {
      const CaptureStep step = CaptureLowLevelEvent(event);
      EXPECT_EQ(step.captured, c.captured) << std::hex << c.virtualKey;
      EXPECT_EQ(step.swallow, c.captured != kNoKey) << std::hex << c.virtualKey;
    }
  }
}

}  // namespace
