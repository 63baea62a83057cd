// The window layer's own subclassing: hooks see messages latest first, pass
// them on, and may leave while a message is on its way.
#include "controls/subclass_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kProbe = WM_APP + 7;
std::vector<std::string> calls;

LRESULT CALLBACK Outer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  if (message == kProbe) calls.push_back("outer" + std::to_string(id) + ":" + std::to_string(data));
  if (message == WM_NCDESTROY) {
    calls.push_back("outer leaves");
    RemoveSubclass(window, Outer, id);
  }
  return CallNextProcedure(window, message, wParam, lParam);
}

LRESULT CALLBACK Inner(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == kProbe) {
    calls.push_back("inner");
    if (wParam == 1) RemoveSubclass(window, Inner, 0);  // leaves in the middle of a message
    return 42;
  }
  if (message == WM_NCDESTROY) calls.push_back("inner sees the end");
  return CallNextProcedure(window, message, wParam, lParam);
}

HWND MakeWindow() {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

TEST(Subclass, TheLatestHookSeesAMessageFirstAndPassesItOn) {
  HWND window = MakeWindow();
  const auto own = GetWindowLongPtrW(window, GWLP_WNDPROC);
  calls.clear();
  ASSERT_TRUE(AddSubclass(window, Inner, 0, 0));
  ASSERT_TRUE(AddSubclass(window, Outer, 1, 5));
  ASSERT_TRUE(AddSubclass(window, Outer, 1, 6));  // the same hook again: new data only
  EXPECT_EQ(SendMessageW(window, kProbe, 0, 0), 42);
  EXPECT_EQ(calls, (std::vector<std::string>{"outer1:6", "inner"}));

  // A hook that leaves while the message passes through stops seeing the next.
  calls.clear();
  SendMessageW(window, kProbe, 1, 0);
  SendMessageW(window, kProbe, 0, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"outer1:6", "inner", "outer1:6"}));

  // The last one gone: the window has its own procedure back.
  EXPECT_TRUE(RemoveSubclass(window, Outer, 1));
  EXPECT_FALSE(RemoveSubclass(window, Outer, 1));
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), own);
  DestroyWindow(window);
}

TEST(Subclass, HooksLeavingAtTheWindowsEndPassTheEndOnToTheOthers) {
  HWND window = MakeWindow();
  calls.clear();
  AddSubclass(window, Inner, 0, 0);
  AddSubclass(window, Outer, 3, 0);
  DestroyWindow(window);
  EXPECT_EQ(calls, (std::vector<std::string>{"outer leaves", "inner sees the end"}));
  EXPECT_FALSE(RemoveSubclass(window, Inner, 0)) << "nothing is left of the chain";
  EXPECT_FALSE(AddSubclass(nullptr, Inner, 0, 0));
}

}  // namespace
