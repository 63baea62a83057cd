// The wait animation: a picture control that shows its ten pictures in turn,
// one every 50 ms, while at least one wait is under way (an Apply, the reading
// of an arrived keyboard), and is hidden otherwise. Its timer is its own.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "controls/dialog_win.h"

class WaitAnimation : public SubclassedControl {
 public:
  ~WaitAnimation() override;
  // Reads the next picture, "jdt1.bmp" to "jdt10.bmp" in `folder`; false once
  // all ten are read. A missing picture leaves its turn blank.
  bool ReadNextPicture(const std::u16string& folder);
  // Waits nest: the animation runs from the first Begin to the last End.
  void Begin();
  void End();
  bool Running() const { return waits_ > 0; }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowGone() override { waits_ = 0; }

 private:
  std::array<HBITMAP, 10> pictures_{};
  int picturesRead_ = 0;
  int frame_ = 0;
  int waits_ = 0;
};
