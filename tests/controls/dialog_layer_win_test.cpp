// The window layer: a dialog object bound to its template, its handlers, and
// its modal loop.
#include "controls/dialog_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

constexpr UINT WM_PROBE_ANSWER = WM_APP + 1;
constexpr UINT WM_PROBE_END = WM_APP + 2;
constexpr UINT WM_PROBE_THROW = WM_APP + 3;

// A dialog over the main window's template that records what reaches it.
class ProbeDialog : public Dialog {
 public:
  ProbeDialog() : Dialog(IDD_MAIN) {}

  std::vector<std::string> calls;
  std::vector<int> commands;
  std::vector<WPARAM> preTranslatedKeys;
  Control ok, apply;
  bool swallowKeys = false;

 protected:
  void BindControls() override {
    calls.push_back("bind");
    Bind(ok, IDOK);
    Bind(apply, IDC_APPLY);
  }
  BOOL OnInitDialog() override {
    calls.push_back("init");
    return TRUE;
  }
  bool OnCommand(int id, int, HWND) override {
    commands.push_back(id);
    if (id == IDC_LINK) throw std::runtime_error("a handler failed");
    return id == IDC_APPLY;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message == WM_PROBE_ANSWER) {
      result = static_cast<LRESULT>(wParam) * 2;
      return true;
    }
    if (message == WM_PROBE_END) {
      EndDialog(static_cast<INT_PTR>(wParam));
      return true;
    }
    if (message == WM_PROBE_THROW) throw std::logic_error("no");
    return false;
  }
  bool PreTranslateMessage(MSG& message) override {
    if (message.message == WM_KEYDOWN) {
      preTranslatedKeys.push_back(message.wParam);
      return swallowKeys;
    }
    return false;
  }
  void OnOK() override {
    calls.push_back("ok");
    Dialog::OnOK();
  }
};

TEST(DialogLayer, AModelessDialogBindsItsControlsBeforeItInitialises) {
  ProbeDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(dialog.calls, (std::vector<std::string>{"bind", "init"}));
  EXPECT_EQ(dialog.ok.hwnd(), dialog.Item(IDOK));
  EXPECT_EQ(dialog.ok.Text(), u"OK");
  EXPECT_FALSE(dialog.apply.IsEnabled());  // disabled in the template
  dialog.apply.Enable(true);
  EXPECT_TRUE(dialog.apply.IsEnabled());
  dialog.apply.SetText(u"Apply \x5E94\x7528");
  EXPECT_EQ(dialog.apply.Text(), u"Apply \x5E94\x7528");
  EXPECT_FALSE(dialog.CreateModeless()) << "one window per object";
}

TEST(DialogLayer, CommandsAndMessagesReachTheirHandlers) {
  ProbeDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
  EXPECT_EQ(dialog.commands, std::vector<int>{IDC_APPLY});
  EXPECT_EQ(SendMessageW(dialog.hwnd(), WM_PROBE_ANSWER, 21, 0), 42);
  EXPECT_EQ(SendMessageW(dialog.hwnd(), WM_APP + 99, 0, 0), 0);  // unhandled

  // An unhandled OK ends the dialog through OnOK; a modeless one is destroyed.
  SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(dialog.calls.back(), "ok");
  EXPECT_FALSE(dialog.IsOpen());
  // Its controls' windows went with it; the members no longer hold them.
  EXPECT_EQ(dialog.ok.hwnd(), nullptr);
  EXPECT_EQ(dialog.apply.hwnd(), nullptr);
  EXPECT_EQ(dialog.ok.Text(), u"");
}

// A control that counts one message and hears when its window goes.
class ProbeControl : public SubclassedControl {
 public:
  static constexpr UINT kCounted = WM_APP + 7;
  int counted = 0;
  bool windowGone = false;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kCounted) ++counted;
    return Forward(message, wParam, lParam);
  }
  void OnWindowGone() override { windowGone = true; }
};

TEST(DialogLayer, ASubclassedControlHearsItsWindowUntilEitherGoes) {
  ProbeDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  HWND apply = dialog.Item(IDC_APPLY);
  {
    ProbeControl control;
    control.Attach(dialog.hwnd(), IDC_APPLY);
    SendMessageW(apply, ProbeControl::kCounted, 0, 0);
    EXPECT_EQ(control.counted, 1);
  }
  // The object went first: the window has its own procedure back and still works.
  SetWindowTextW(apply, L"still here");
  EXPECT_EQ(dialog.apply.Text(), u"still here");

  ProbeControl control;
  control.Attach(dialog.hwnd(), IDC_APPLY);
  DestroyWindow(apply);
  EXPECT_TRUE(control.windowGone);
  EXPECT_EQ(control.hwnd(), nullptr);
}

TEST(DialogLayer, AnExceptionNeverLeavesTheDialogProcedure) {
  ProbeDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_LINK, BN_CLICKED), 0);
  SendMessageW(dialog.hwnd(), WM_PROBE_THROW, 0, 0);
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(SendMessageW(dialog.hwnd(), WM_PROBE_ANSWER, 5, 0), 10);
}

TEST(DialogLayer, AModalDialogRunsUntilEndDialogAndSeesQueuedMessagesFirst) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ProbeDialog dialog;
  dialog.swallowKeys = true;

  // Once the loop runs, a one-shot timer queues a key for the dialog and
  // then the message that ends it.
  struct Timing { ProbeDialog* dialog; HWND owner; bool ownerDisabled; };
  static Timing timing;
  timing = {&dialog, owner, false};
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    timing.ownerDisabled = !IsWindowEnabled(timing.owner);
    PostMessageW(timing.dialog->Item(IDC_APPLY), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(timing.dialog->hwnd(), WM_PROBE_END, 42, 0);
  });

  EXPECT_EQ(dialog.RunModal(owner), 42);
  EXPECT_TRUE(timing.ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(dialog.preTranslatedKeys, std::vector<WPARAM>{VK_RETURN});
  EXPECT_EQ(dialog.calls.back(), "init") << "a swallowed Enter never reached OK";
  EXPECT_FALSE(dialog.IsOpen());
  DestroyWindow(owner);
}

// The main window starts in the notification area only: its loop runs
// without ever showing it.
TEST(DialogLayer, AModalDialogMayStartHidden) {
  ProbeDialog dialog;
  static ProbeDialog* running;
  static bool seenVisible;
  running = &dialog;
  seenVisible = true;
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    seenVisible = IsWindowVisible(running->hwnd()) != FALSE;
    PostMessageW(running->hwnd(), WM_PROBE_END, 7, 0);
  });
  EXPECT_EQ(dialog.RunModal(nullptr, Dialog::Start::kHidden), 7);
  EXPECT_FALSE(seenVisible);
}

}  // namespace
