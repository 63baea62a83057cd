// The 208 named events the main window keeps for components outside the
// program: "Ostrak_Event_Main_01" ... "Ostrak_Event_Main_208", auto-reset, not
// signalled. Nothing in the program waits on them or signals them.
#pragma once

#include <windows.h>

#include <array>
#include <string>

inline constexpr int kNamedEventCount = 208;

// "%sMain_%02d" of "Ostrak_Event_" and k (1 to 208).
std::wstring NamedEventName(int k);

class NamedEvents {
 public:
  ~NamedEvents() { Close(); }
  // Creates them in order; one that fails leaves its entry empty.
  void Create();
  void Close();
  HANDLE Handle(int k) const { return k >= 1 && k <= kNamedEventCount ? handles_[k - 1] : nullptr; }

 private:
  std::array<HANDLE, kNamedEventCount> handles_{};
};
