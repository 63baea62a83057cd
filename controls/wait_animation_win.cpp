#include "controls/wait_animation_win.h"

#include "skin/skin_picture_win.h"

namespace {

constexpr UINT_PTR kFrameTimer = 1050;
constexpr UINT kFramePeriodMs = 50;

}  // namespace

WaitAnimation::~WaitAnimation() {
  for (HBITMAP picture : pictures_)
    if (picture) DeleteObject(picture);
}

bool WaitAnimation::ReadNextPicture(const std::u16string& folder) {
  if (picturesRead_ == static_cast<int>(pictures_.size())) return false;
  const int i = picturesRead_++;
  std::u16string file = folder + u"jdt";
  for (char c : std::to_string(i + 1)) file += static_cast<char16_t>(c);
  pictures_[i] = LoadBitmapFile(file + u".bmp");
  return true;
}

void WaitAnimation::Begin() {
  if (waits_++ > 0 || !hwnd()) return;
  ShowWindow(hwnd(), SW_SHOW);
  SetTimer(hwnd(), kFrameTimer, kFramePeriodMs, nullptr);
}

void WaitAnimation::End() {
  if (waits_ == 0 || --waits_ > 0 || !hwnd()) return;
  KillTimer(hwnd(), kFrameTimer);
  ShowWindow(hwnd(), SW_HIDE);
}

LRESULT WaitAnimation::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER || wParam != kFrameTimer) return Forward(message, wParam, lParam);
  if (HBITMAP picture = pictures_[frame_])
    SendMessageW(hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  frame_ = (frame_ + 1) % static_cast<int>(pictures_.size());
  return 0;
}
