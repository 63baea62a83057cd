#include "shell/apply_win.h"

namespace {

struct AnimationStart {
  HWND window;
  int pictureId;
  HANDLE queueReady;
};

DWORD WINAPI WaitAnimationThread(LPVOID parameter) {
  const AnimationStart start = *static_cast<AnimationStart*>(parameter);
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue exists now
  SetEvent(start.queueReady);
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == kWaitHide) {
      Sleep(100);
      KillTimer(start.window, kWaitTimer);
      ShowWindow(GetDlgItem(start.window, start.pictureId), SW_HIDE);
      break;
    }
    ShowWindow(GetDlgItem(start.window, start.pictureId), SW_SHOW);
    SetTimer(start.window, kWaitTimer, kWaitTimerPeriodMs, nullptr);
  }
  return 0;
}

}  // namespace

HANDLE StartWaitAnimation(HWND window, int pictureId, DWORD& threadId) {
  AnimationStart start{window, pictureId, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  if (!start.queueReady) return nullptr;
  HANDLE thread = CreateThread(nullptr, 0, WaitAnimationThread, &start, 0, &threadId);
  if (thread) WaitForSingleObject(start.queueReady, INFINITE);
  CloseHandle(start.queueReady);
  return thread;
}
