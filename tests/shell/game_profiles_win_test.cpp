// Per-game profiles in the running window: test games (copies of the
// game_window test program) brought to the front in turn switch the
// simulated keyboard's profile, once they stayed in front for the settle
// time, and never while something holds the switch.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "editors/composite_dialog_win.h"
#include "panels/key_grid_ids.h"
#include "profiles/game_rules.h"
#include "profiles/profile_store.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/paired_ratio.h"

namespace {

class GameProfilesTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakGameProfilesTest"));
    GameRuleSettings settings;
    settings.rules = {{u"alpha_game.exe", 1}, {u"beta_game.exe", 2}};
    RegistryValues store(kGamesSection);
    ASSERT_TRUE(SaveGameRules(store, settings));
    folder_ = MakeScratchFolder(L"ostrak-games");
    for (const wchar_t* name : {L"alpha_game.exe", L"beta_game.exe", L"other_tool.exe"}) {
      ASSERT_TRUE(CopyFileW((TestProgramsFolder() + L"game_window.exe").c_str(), (folder_ + name).c_str(), FALSE));
      windows_.push_back(StartGame(name));
      ASSERT_NE(windows_.back(), nullptr);
    }
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && !window_->KeyboardBusy(); }, 10000));
    ASSERT_EQ(KeyboardProfile(), 0);
  }
  void TearDown() override {
    for (HWND window : windows_) PostMessageW(window, WM_CLOSE, 0, 0);
    for (PROCESS_INFORMATION& p : games_) {
      WaitForSingleObject(p.hProcess, 5000);
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    MainWindowFixture::TearDown();
    RemoveTree(folder_);
  }

  HWND StartGame(const std::wstring& name) {
    std::wstring command = L"\"" + folder_ + name + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &process))
      return nullptr;
    games_.push_back(process);
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowW(L"OstrakTestGame", name.c_str())) != nullptr; }, 10000);
    return found;
  }

  // The simulated keyboard's current profile (byte 10 of its status).
  int KeyboardProfile() {
    const std::string answer = keyboard_.Control("read status 10 1");
    unsigned value = 0;
    return std::sscanf(answer.c_str(), "OK %x", &value) == 1 ? static_cast<int>(value) : -1;
  }
  bool KeyboardTakes(int profile, DWORD timeoutMs = 10000) {
    return WaitUntil([&] { return KeyboardProfile() == profile; }, timeoutMs);
  }
  // Long enough for a program in front to settle, and then some: a switch
  // that was going to come has come.
  void StayAWhile() {
    const double until = SecondsNow() + 3 * kSettleMs / 1000.0;
    WaitUntil([&] { return SecondsNow() > until; }, 5000);
  }
  // Wine 8 raises no EVENT_SYSTEM_FOREGROUND for another process's window
  // (a probe that hooks it sees none): the watcher is handed the window as
  // its hook hands it on Windows. The rest, from reading the window's program
  // to the keyboard's profile, is the program's own way.
  void Front(int game) {
    SetForegroundWindow(windows_[game]);
    window_->gameWatcher().OnForeground(windows_[game]);
  }
  // What the watcher knows, for a failure's message.
  std::string Seen() {
    const GameSwitcher& switcher = window_->gameWatcher().switcher();
    std::string text = "in front: ";
    for (std::size_t i = 0; i < windows_.size(); ++i)
      if (GetForegroundWindow() == windows_[i]) text += std::to_string(i);
    text += "; settled: " + std::string(switcher.SettledProgram().begin(), switcher.SettledProgram().end());
    return text + "; holds " + std::to_string(switcher.Holds()) + (switcher.SwitchWaiting() ? ", a switch waits" : "");
  }

  std::wstring folder_;
  std::vector<PROCESS_INFORMATION> games_;
  std::vector<HWND> windows_;  // alpha (profile 2), beta (profile 3), a program with no rule
};

TEST_F(GameProfilesTest, EachGameInFrontSwitchesTheKeyboardAndAProgramWithoutARuleSwitchesItBack) {
  Front(0);
  ASSERT_TRUE(KeyboardTakes(1)) << Seen();
  // The window hears of it once the session delivered the switch's event.
  EXPECT_TRUE(WaitUntil([&] { return window_->session().CurrentProfile() == 1; }, 5000));
  Front(1);
  ASSERT_TRUE(KeyboardTakes(2));
  Front(2);  // no rule: back to the profile before the first game
  ASSERT_TRUE(KeyboardTakes(0));

  // The median time from a game coming to the front to the keyboard's change.
  std::vector<double> times;
  for (int i = 0; i < 20; ++i) {
    const int game = i % 2;
    const double start = SecondsNow();
    Front(game);
    ASSERT_TRUE(KeyboardTakes(game + 1));
    times.push_back(SecondsNow() - start);
    Front(2);
    ASSERT_TRUE(KeyboardTakes(0));
  }
  std::sort(times.begin(), times.end());
  std::printf("[ report ] a game in front to the keyboard's profile change: median %.0f ms of %zu (settle time %lld ms)\n",
              PairedRatio::MedianOf(times) * 1000, times.size(), static_cast<long long>(kSettleMs));
}

TEST_F(GameProfilesTest, AQuickAltTabThroughAGameNeverSwitches) {
  Front(2);
  StayAWhile();
  const int commands = std::stoi(keyboard_.Control("commands").substr(3));
  Front(0);
  Front(2);  // at once: the game never settled
  StayAWhile();
  EXPECT_EQ(KeyboardProfile(), 0);
  EXPECT_EQ(std::stoi(keyboard_.Control("commands").substr(3)), commands);  // nothing was sent
}

TEST_F(GameProfilesTest, AnOpenEditorDefersTheSwitchUntilItCloses) {
  Ostrak_DlgComposite& editor = window_->keyEditor();
  // The grid's editor without a loop of its own, so that the test can go on.
  window_->keyGrid().SetKeyEditor([&](const KeyEditRequest& request) {
    editor.OpenModeless(request, window_->session().CurrentProfile(),
                        window_->session().Read(CopyOfWorkingProfile), window_->hwnd());
  });
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(kKeyButtonIds[0], BN_CLICKED), 0);
  ASSERT_TRUE(editor.IsOpen());
  Front(0);
  StayAWhile();
  EXPECT_EQ(KeyboardProfile(), 0);
  SendMessageW(editor.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyEditorOpen(); }, 5000));
  // The game is still in front: its switch runs now.
  EXPECT_TRUE(KeyboardTakes(1));
}

TEST_F(GameProfilesTest, AnAbsentKeyboardTakesTheSwitchWhenItArrivesWithTheGameInFront) {
  keyboard_.Control("unplug");
  ASSERT_TRUE(WaitUntil([&] { return window_->link()->DeviceCount() == 0; }, 10000));
  Front(0);
  StayAWhile();
  keyboard_.Control("plug");
  ASSERT_TRUE(KeyboardTakes(1, 20000));
}

}  // namespace
