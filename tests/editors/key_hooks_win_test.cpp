// The recording's and the key capture's hooks with keys typed by SendInput
// into a window of this thread: what is recorded or taken, what is swallowed,
// and that the keys are the user's again once the hooks are gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "editors/key_hooks_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

// The key-down messages a window of this thread received.
std::vector<WPARAM> keysSeen;

LRESULT CALLBACK KeyWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) keysSeen.push_back(wParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

void Type(WORD virtualKey, bool release) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  const bool extended = virtualKey == VK_LWIN || virtualKey == VK_RWIN || virtualKey == VK_APPS ||
                        virtualKey == VK_SNAPSHOT || virtualKey == VK_VOLUME_MUTE || virtualKey == VK_VOLUME_DOWN;
  input.ki.dwFlags = (release ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  SendInput(1, &input, sizeof input);
}

class KeyHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = KeyWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OstrakKeyHooksTest";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"OstrakKeyHooksTest", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    SetForegroundWindow(window_);
    SetFocus(window_);
    keysSeen.clear();
  }
  void TearDown() override {
    StopRecording();
    StopKeyCapture();
    DestroyWindow(window_);
  }

  // Types `keys`, then a marker key that no hook takes (a media key), and
  // handles the messages until the window has seen the marker: everything
  // typed before it has been through the hooks by then. (The low-level hook
  // sees a key as it is typed, the thread hook when the window's thread takes
  // it: keys typed faster than the thread takes them are heard out of turn,
  // so each group waits for the one before it, as a user's hands do.)
  void TypeKeys(const std::vector<std::pair<WORD, bool>>& keys) {
    for (const auto& [key, release] : keys) Type(key, release);
    Type(VK_VOLUME_DOWN, false);
    Type(VK_VOLUME_DOWN, true);
    ASSERT_TRUE(WaitUntil([] { return !keysSeen.empty() && keysSeen.back() == VK_VOLUME_DOWN; }, 5000));
    keysSeen.pop_back();
  }
  bool Seen(WPARAM key) const {
    for (WPARAM seen : keysSeen)
      if (seen == key) return true;
    return false;
  }

  HWND window_ = nullptr;
};

struct Recorded {
  KeyCode key;
  std::uint16_t direction;
  bool operator==(const Recorded&) const = default;
};

TEST_F(KeyHooksTest, ARecordingTakesKeysFromTheWindowAndGivesThemBackWhenItStops) {
  std::vector<Recorded> recorded;
  std::vector<std::uint32_t> delays;
  const DWORD started = GetTickCount();
  ASSERT_TRUE(StartRecording([&](const MacroAction& action) {
    recorded.push_back({action.keyCode, action.direction});
    delays.push_back(action.delayMs);
  }));
  EXPECT_TRUE(IsRecording());
  EXPECT_FALSE(StartRecording([](const MacroAction&) {}));

  // A held key (its auto-repeat), a Windows key, a media key, Print Screen's release alone.
  TypeKeys({{'A', false}, {'A', false}, {'A', false}, {'A', true}});
  TypeKeys({{VK_LWIN, false}, {VK_LWIN, false}, {VK_LWIN, true}, {VK_RWIN, false}, {VK_RWIN, true}});
  TypeKeys({{VK_VOLUME_MUTE, false}, {VK_VOLUME_MUTE, true}});
  TypeKeys({{VK_SNAPSHOT, true}});
  const std::vector<Recorded> expected = {
      {0x01E, kMacroPress}, {0x01E, kMacroRelease}, {0x15B, kMacroPress}, {0x15B, kMacroRelease},
      {0x15C, kMacroPress}, {0x15C, kMacroRelease}, {0x137, kMacroPress}, {0x137, kMacroRelease}};
  EXPECT_EQ(recorded, expected);
  // The thread hook's keys and the low-level hook's Windows keys are timed on
  // one clock: no delay runs backwards and wraps.
  const DWORD elapsed = GetTickCount() - started;
  for (std::uint32_t delay : delays) EXPECT_LE(delay, elapsed);
  EXPECT_FALSE(Seen('A'));
  EXPECT_FALSE(Seen(VK_LWIN));
  EXPECT_FALSE(Seen(VK_RWIN));
  EXPECT_TRUE(Seen(VK_VOLUME_MUTE)) << "a media key keeps its effect";

  StopRecording();
  EXPECT_FALSE(IsRecording());
  keysSeen.clear();
  TypeKeys({{'A', false}, {'A', true}});
  TypeKeys({{VK_LWIN, false}, {VK_LWIN, true}});
  EXPECT_EQ(recorded.size(), expected.size());
  EXPECT_TRUE(Seen('A'));
  EXPECT_TRUE(Seen(VK_LWIN));
}

TEST_F(KeyHooksTest, TheRecordingMayStopFromItsOwnAction) {
  int actions = 0;
  ASSERT_TRUE(StartRecording([&](const MacroAction&) {
    ++actions;
    StopRecording();
  }));
  TypeKeys({{'B', false}, {'B', true}});
  EXPECT_EQ(actions, 1);
  EXPECT_FALSE(IsRecording());
  EXPECT_FALSE(Seen('B')) << "the press that stopped it was recorded, not typed";
  TypeKeys({{'C', false}, {'C', true}});
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(Seen('C'));
}

TEST_F(KeyHooksTest, CaptureTakesAHeldShiftOnceAndTheApplicationKey) {
  std::vector<KeyCode> taken;
  ASSERT_TRUE(StartKeyCapture([&](KeyCode key) { taken.push_back(key); }));
  EXPECT_FALSE(StartKeyCapture([](KeyCode) {}));
  TypeKeys({{VK_SHIFT, false}, {VK_SHIFT, false}, {VK_SHIFT, false}, {VK_SHIFT, true}});
  EXPECT_EQ(taken, (std::vector<KeyCode>{0x02A}));
  EXPECT_FALSE(Seen(VK_SHIFT));

  taken.clear();
  TypeKeys({{VK_APPS, false}, {VK_APPS, true}});
  EXPECT_EQ(taken, (std::vector<KeyCode>{0x15D, 0x15D}));  // press and release alike
  EXPECT_FALSE(Seen(VK_APPS));

  StopKeyCapture();
  EXPECT_FALSE(IsCapturing());
  TypeKeys({{VK_SHIFT, false}, {VK_SHIFT, true}});
  EXPECT_EQ(taken.size(), 2u);
  EXPECT_TRUE(Seen(VK_SHIFT));
}

}  // namespace
