// Applying the edits: the profile file saved and the current key map sent to
// the keyboard, while a wait animation runs on a thread of its own.
#pragma once

#include <windows.h>

// Thread messages of the wait animation.
inline constexpr UINT kWaitShow = 0x0401;
inline constexpr UINT kWaitHide = 0x0402;
inline constexpr UINT_PTR kWaitTimer = 1050;
inline constexpr UINT kWaitTimerPeriodMs = 50;

// Starts the wait animation for `window` (its picture control `pictureId` and
// its timer 1050). Returns the thread's handle and id, or null when the thread
// could not be started. The thread ends after its hide message.
HANDLE StartWaitAnimation(HWND window, int pictureId, DWORD& threadId);

// Runs the animation around `work` (which saves and downloads): started, shown
// after 100 ms, hidden after the work. The work runs on the calling thread.
template <typename Work>
void WithWaitAnimation(HWND window, int pictureId, Work work) {
  DWORD threadId = 0;
  HANDLE thread = StartWaitAnimation(window, pictureId, threadId);
  if (thread) {
    Sleep(100);
    PostThreadMessageW(threadId, kWaitShow, 0, 0);
  }
  work();
  if (thread) {
    PostThreadMessageW(threadId, kWaitHide, 0, 0);
    CloseHandle(thread);
  }
}
