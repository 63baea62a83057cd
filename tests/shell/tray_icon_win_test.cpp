// The notification-area icon while the shell is not ready to take it: at
// log-on, or when the taskbar restarts, the shell refuses the icon for a while.
#include "shell/tray_icon_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

#include "controls/dialog_win.h"
#include "resources/resource_ids.h"
#include "tests/support/windows_test_support_win.h"

namespace {

// A notification area that refuses the icon a number of times before it takes
// it, and shows what it was given.
struct FakeShell {
  int refusals = 0;             // NIM_ADDs refused before one is taken
  bool timeOutNextAdd = false;  // the next NIM_ADD takes the icon but answers no, as a busy shell may
  bool hasIcon = false;
  NOTIFYICONDATAW shown{};  // the icon as the notification area shows it
  std::vector<DWORD> calls;

  BOOL Notify(DWORD message, NOTIFYICONDATAW* data) {
    calls.push_back(message);
    switch (message) {
      case NIM_ADD:
        if (refusals > 0) {
          --refusals;
          return FALSE;
        }
        if (hasIcon) return FALSE;
        hasIcon = true;
        shown = *data;
        if (!timeOutNextAdd) return TRUE;
        timeOutNextAdd = false;
        return FALSE;
      case NIM_MODIFY:
        if (!hasIcon) return FALSE;
        if (data->uFlags & NIF_ICON) shown.hIcon = data->hIcon;
        if (data->uFlags & NIF_TIP) wcscpy(shown.szTip, data->szTip);
        if (data->uFlags & NIF_INFO) {
          wcscpy(shown.szInfo, data->szInfo);
          wcscpy(shown.szInfoTitle, data->szInfoTitle);
          shown.dwInfoFlags = data->dwInfoFlags;
        }
        return TRUE;
      case NIM_DELETE:
        return std::exchange(hasIcon, false) ? TRUE : FALSE;
      default:
        return FALSE;
    }
  }
  int Count(DWORD message) const { return static_cast<int>(std::count(calls.begin(), calls.end(), message)); }
};

HICON SmallIcon(int iconId) {
  return static_cast<HICON>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// Generous: the icon is offered again every second, on a loaded machine too.
constexpr DWORD kAddedWithinMs = 20000;

class TrayIconRetryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override { DestroyWindow(owner_); }

  CTrayIcon::ShellNotify Shell() {
    return [this](DWORD message, NOTIFYICONDATAW* data) { return shell_.Notify(message, data); };
  }

  HWND owner_ = nullptr;
  FakeShell shell_;
};

TEST_F(TrayIconRetryTest, AnIconTheShellRefusesIsAddedOnceItTakesItWithTheStateSetMeanwhile) {
  shell_.refusals = 3;
  CTrayIcon tray(Shell());
  EXPECT_FALSE(tray.Add(owner_, kTrayCallbackMessage, u"Starting", SmallIcon(IDI_APPLICATION_ICON), kTrayIconId));
  EXPECT_FALSE(tray.created());
  tray.SetTooltip(u"Keyboard ready");
  tray.SetTrayState(0, IDI_KEYBOARD_PRESENT);

  ASSERT_TRUE(WaitUntil([&] { return tray.created(); }, kAddedWithinMs));
  EXPECT_TRUE(shell_.hasIcon);
  EXPECT_EQ(shell_.Count(NIM_ADD), 4);
  EXPECT_EQ(shell_.shown.hWnd, owner_);
  EXPECT_EQ(shell_.shown.uID, kTrayIconId);
  EXPECT_EQ(shell_.shown.uCallbackMessage, kTrayCallbackMessage);
  EXPECT_STREQ(shell_.shown.szTip, L"Keyboard ready");
  EXPECT_EQ(shell_.shown.hIcon, SmallIcon(IDI_KEYBOARD_PRESENT));

  // Once added, changes go to the shell at once.
  tray.SetTrayState(1, 0);
  EXPECT_EQ(shell_.shown.hIcon, SmallIcon(IDI_KEYBOARD_SPECIAL));
  tray.Remove();
  EXPECT_FALSE(shell_.hasIcon);
  EXPECT_FALSE(tray.created());
}

// A notice balloons from the icon, its text whole and cut only at what the
// shell takes; an icon the shell has not taken shows none.
TEST_F(TrayIconRetryTest, ANoticeBalloonsFromTheIconOnceItIsThere) {
  shell_.refusals = 1000;
  CTrayIcon tray(Shell());
  tray.Add(owner_, kTrayCallbackMessage, u"Keyboard", SmallIcon(IDI_APPLICATION_ICON), kTrayIconId);
  tray.ShowNotice(u"Not yet");
  EXPECT_EQ(shell_.shown.szInfo[0], L'\0');
  tray.Remove();

  shell_.refusals = 0;
  ASSERT_TRUE(tray.Add(owner_, kTrayCallbackMessage, u"Keyboard", SmallIcon(IDI_APPLICATION_ICON), kTrayIconId));
  tray.ShowNotice(u"The keyboard was unplugged.");
  EXPECT_STREQ(shell_.shown.szInfo, L"The keyboard was unplugged.");
  EXPECT_NE(shell_.shown.szInfoTitle[0], L'\0');
  EXPECT_EQ(shell_.shown.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  const std::u16string longText(400, u'x');
  tray.ShowNotice(longText);
  EXPECT_EQ(std::wstring(shell_.shown.szInfo).size(), std::size(shell_.shown.szInfo) - 1);
  EXPECT_EQ(tray.lastNotice(), longText);
}

// A busy shell may take the icon and answer no: the icon is not offered again
// for ever, and changes reach it.
TEST_F(TrayIconRetryTest, AnIconTheShellTookThoughItAnsweredNoCountsAsAdded) {
  shell_.timeOutNextAdd = true;
  CTrayIcon tray(Shell());
  EXPECT_TRUE(tray.Add(owner_, kTrayCallbackMessage, u"Keyboard", SmallIcon(IDI_APPLICATION_ICON), kTrayIconId));
  EXPECT_TRUE(tray.created());
  tray.SetTooltip(u"Keyboard ready");
  EXPECT_STREQ(shell_.shown.szTip, L"Keyboard ready");
}

// A restarted taskbar gets the icon again, also when it is slow to take it,
// and with the icon shown by then.
TEST_F(TrayIconRetryTest, TheRestartedTaskbarGetsTheIconBackOnceItTakesIt) {
  CTrayIcon tray(Shell());
  ASSERT_TRUE(tray.Add(owner_, kTrayCallbackMessage, u"Keyboard", SmallIcon(IDI_APPLICATION_ICON), kTrayIconId));
  tray.SetTrayState(0, IDI_KEYBOARD_PRESENT);

  shell_.refusals = 2;
  SendMessageW(owner_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(shell_.Count(NIM_DELETE), 1) << "the icon the old taskbar had goes first";
  EXPECT_FALSE(tray.created());
  tray.SetTrayState(1, 0);

  ASSERT_TRUE(WaitUntil([&] { return tray.created(); }, kAddedWithinMs));
  EXPECT_TRUE(shell_.hasIcon);
  EXPECT_STREQ(shell_.shown.szTip, L"Keyboard");
  EXPECT_EQ(shell_.shown.hIcon, SmallIcon(IDI_KEYBOARD_SPECIAL));

  // A later restart, with the shell ready, has the icon back at once.
  SendMessageW(owner_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(tray.created());
  EXPECT_EQ(shell_.Count(NIM_DELETE), 2);
  EXPECT_TRUE(shell_.hasIcon);
}

}  // namespace
