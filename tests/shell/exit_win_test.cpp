// A dialog and its box over the main window, in this process with the
// simulated keyboard: the keyboard pulled out closes both, whoever owns the
// box. (The exit with a box open is tried on the program itself, with "/Kill".)
// The steps run from thread timers, since each dialog and box runs a loop of
// its own.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/messages.h"
#include "controls/dialog_win.h"
#include "controls/message_box_win.h"
#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

// One-shot thread timers that run a step inside whatever loop the thread is in.
std::map<UINT_PTR, std::function<void()>>& Steps() {
  static std::map<UINT_PTR, std::function<void()>> steps;
  return steps;
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const auto found = Steps().find(timer);
  if (found == Steps().end()) return;
  const std::function<void()> step = std::move(found->second);
  Steps().erase(found);
  step();
}

void Soon(std::function<void()> step) { Steps()[SetTimer(nullptr, 0, 50, RunStep)] = std::move(step); }

class ExitTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakExitTest"));
    // A key's click opens its editor: the keys not flipped, the lighting panel not painting.
    WriteFlagSetting(kFlipValue, 0);
    FormVoviIniPath();
    WriteVoviSetting(kLightingOnValue, 0);
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    // The key buttons are made once start-up is done.
    ASSERT_TRUE(WaitUntil([&] { return window_->Item(kKeyButtonIds[0]) != nullptr; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  }
  void TearDown() override {
    Steps().clear();
    MainWindowFixture::TearDown();
  }
  void Command(HWND to, int id) { SendMessageW(to, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

// The keyboard pulled out closes what works on its profile, with the box over
// it; the window stays, hidden, for the keyboard to come back.
TEST_F(ExitTest, TheKeyboardPulledOutClosesTheKeyEditorAndItsBox) {
  bool answeredYes = true, returned = false;
  Soon([&] {
    Soon([&] {
      EXPECT_TRUE(window_->keyEditor().IsOpen());
      Soon([this] { keyboard_.Control("unplug"); });
      answeredYes = AskYesNoBox(window_->keyEditor().hwnd(), u"Delete the macro?");
    });
    Command(window_->hwnd(), kKeyButtonIds[0]);
    returned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return returned; }, 10000));
  EXPECT_FALSE(answeredYes) << "the box was shown over the editor and ended as No";
  EXPECT_FALSE(window_->keyEditor().IsOpen());
  EXPECT_EQ(ModalLoopsRunning(), 0);
  EXPECT_TRUE(IsWindow(window_->hwnd()));
}

// The window goes with the keyboard, and the notification area says why.
TEST_F(ExitTest, TheKeyboardPulledOutIsSaidWhereTheWindowWas) {
  window_->ShowMainWindow();
  ASSERT_TRUE(IsWindowVisible(window_->hwnd()));
  keyboard_.Control("unplug");
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window_->hwnd()); }, 10000));
  EXPECT_EQ(app_.tray().lastNotice(), Text(TextKey::KEYBOARD_LEFT_NOTICE));
}

}  // namespace
