// The exit with a dialog and a box open over the main window, in this process
// with the simulated keyboard: every box and dialog closes at once, whoever
// owns it, each as if cancelled, and the window ends after them. The steps run
// from thread timers, since each dialog and box runs a loop of its own.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "app/messages.h"
#include "controls/dialog_win.h"
#include "controls/message_box_win.h"
#include "panels/key_grid_ids.h"
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

// Each case opens a dialog of the window and, inside it, a box; the exit
// comes while the box waits for the user.
TEST_F(ExitTest, EveryDialogAndBoxClosesAtOnceAndTheWindowEndsAfterThem) {
  struct Case {
    const char* name;
    std::function<void(COstrakDlg&, const std::function<void()>& thenExit)> open;
  };
  const auto exitSoon = [this] {
    Soon([this] { PostMessageW(window_->hwnd(), WM_INSTANCE_KILL, kKillTag, 0); });
  };
  const Case cases[] = {
      {"the key editor's question",
       [this](COstrakDlg& window, const std::function<void()>& thenExit) {
         Soon([&window, thenExit] {
           thenExit();
           EXPECT_FALSE(AskYesNoBox(window.keyEditor().hwnd(), u"Delete the macro?")) << "ended as No";
         });
         Command(window.hwnd(), kKeyButtonIds[0]);
       }},
      {"the firmware update's message",
       [this](COstrakDlg& window, const std::function<void()>& thenExit) {
         Soon([this, &window, thenExit] {
           thenExit();
           Command(window.firmwareUpdate().hwnd(), IDC_UPDATE_BUTTON);  // no updater chosen: it says so
         });
         Command(window.hwnd(), ID_FIRMWARE_UPDATE);
       }},
      {"the profile manager's file dialog",
       [this](COstrakDlg& window, const std::function<void()>& thenExit) {
         Soon([this, &window, thenExit] {
           thenExit();
           Command(window.profileManager().hwnd(), IDC_PROFILE_ADD);  // the system's save dialog
         });
         Command(window.hwnd(), IDC_FUNC_PROFILES);
       }},
      {"the main window's own question",
       [](COstrakDlg& window, const std::function<void()>& thenExit) {
         thenExit();
         EXPECT_FALSE(window.AskYesNo(u"Restore the defaults?"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!window_) {
      ASSERT_NO_FATAL_FAILURE(OpenWindow());
      ASSERT_TRUE(WaitUntil([&] { return window_->Item(kKeyButtonIds[0]) != nullptr && !window_->KeyboardBusy(); },
                            10000));
    }
    const HWND main = window_->hwnd();
    bool returned = false;
    Soon([&] {
      c.open(*window_, exitSoon);
      returned = true;  // every loop above the window has returned
    });
    ASSERT_TRUE(WaitUntil([&] { return returned && !IsWindow(main); }, 10000)) << "the window ended";
    EXPECT_EQ(ModalLoopsRunning(), 0);
    EXPECT_FALSE(window_->keyEditor().IsOpen());
    EXPECT_FALSE(window_->firmwareUpdate().IsOpen());
    EXPECT_FALSE(window_->profileManager().IsOpen());
    window_.reset();
    StopShowingMessageBoxes(false);  // the next window's
  }
}

// The keyboard pulled out closes what works on its profile, with the box over
// it; the window stays, hidden, for the keyboard to come back.
TEST_F(ExitTest, TheKeyboardPulledOutClosesTheKeyEditorAndItsBox) {
  bool answeredYes = true, returned = false;
  Soon([&] {
    Soon([&] {
      Soon([this] { keyboard_.Control("unplug"); });
      answeredYes = AskYesNoBox(window_->keyEditor().hwnd(), u"Delete the macro?");
    });
    Command(window_->hwnd(), kKeyButtonIds[0]);
    returned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return returned; }, 10000));
  EXPECT_FALSE(answeredYes);
  EXPECT_FALSE(window_->keyEditor().IsOpen());
  EXPECT_EQ(ModalLoopsRunning(), 0);
  EXPECT_TRUE(IsWindow(window_->hwnd()));
}

}  // namespace
