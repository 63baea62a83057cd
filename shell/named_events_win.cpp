#include "shell/named_events_win.h"

#include <cwchar>

std::wstring NamedEventName(int k) {
  wchar_t name[64];
  swprintf(name, 64, L"%lsMain_%02d", L"Ostrak_Event_", k);
  return name;
}

void NamedEvents::Create() {
  for (int k = 1; k <= kNamedEventCount; ++k)
    if (!handles_[k - 1]) handles_[k - 1] = CreateEventW(nullptr, FALSE, FALSE, NamedEventName(k).c_str());
}

void NamedEvents::Close() {
  for (HANDLE& handle : handles_) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
  }
}
