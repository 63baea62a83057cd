#include "device/device_service_win.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<DeviceLink> gLink;

}  // namespace

bool LoadDeviceService(const std::wstring& folder, DeviceService& service) {
  service = {};
  const std::wstring path = folder + L"\\" + kDeviceServiceFile;
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return false;
  static const char* const kNames[OSTRAK_DEVICE_SERVICE_ENTRY_COUNT] = {OSTRAK_DEVICE_SERVICE_ENTRY_NAMES};
  FARPROC entries[OSTRAK_DEVICE_SERVICE_ENTRY_COUNT];
  for (int i = 0; i < OSTRAK_DEVICE_SERVICE_ENTRY_COUNT; ++i) {
    entries[i] = GetProcAddress(module, kNames[i]);
    if (!entries[i]) {
      FreeLibrary(module);
      return false;
    }
  }
  // The table's fields are the entry points in the order of the names.
  static_assert(sizeof(DeviceService) == sizeof entries);
  std::memcpy(&service, entries, sizeof entries);
  return true;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n < MAX_PATH ? n : 0);
  const std::size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

DeviceLink* OpenDeviceLink(const std::wstring& folder) {
  if (gLink) return gLink.get();
  DeviceService service;
  if (!LoadDeviceService(folder, service)) return nullptr;
  if (service.Init(0) <= 0) return nullptr;
  gLink = std::make_unique<DeviceLink>(service);
  return gLink.get();
}

int StartOpenedDeviceLink(DeviceNoticeSink* sink) { return gLink ? gLink->Start(sink) : -1; }

DeviceLink* StartDeviceLink(DeviceNoticeSink* sink, int& count) {
  count = 0;
  if (!OpenDeviceLink(ProgramFolder())) return nullptr;
  const int present = gLink->Start(sink);
  if (present < 0) {
    gLink.reset();
    return nullptr;
  }
  count = present;
  return gLink.get();
}

DeviceLink* TheDeviceLink() { return gLink.get(); }
