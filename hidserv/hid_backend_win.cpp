// The Windows HID back end: the keyboard's three collections, found by vendor
// id, product id, usage page and usage through SetupAPI and the HID API.
// Output reports are written with overlapped writes; each collection that has
// a standing read keeps one overlapped read going on a thread of its own,
// which hands every report to the engine. Arrival and removal come from
// device notifications; a change in the number of keyboards becomes a count
// notice.
#include <windows.h>
#include <dbt.h>
#include <setupapi.h>
// The HID headers of mingw-w64 do not declare C linkage themselves.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/command_frame.h"
#include "hidserv/backends_win.h"

namespace {

constexpr DWORD kWriteTimeoutMs = 1000;

struct Collection {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  USHORT inputLength = 0;
  USHORT outputLength = 0;
};

// One overlapped read loop on one collection.
class Reader {
 public:
  Reader(const Collection& collection, ServiceEngine& engine) : collection_(collection), engine_(engine) {
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
  }
  ~Reader() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
  }

 private:
  void Run() {
    std::vector<std::uint8_t> buffer(collection_.inputLength ? collection_.inputLength : kFrameSize);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
      ResetEvent(overlapped.hEvent);
      DWORD got = 0;
      if (!ReadFile(collection_.handle, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped) &&
          GetLastError() != ERROR_IO_PENDING)
        break;  // the device is gone; the removal notice follows
      const HANDLE waits[2] = {overlapped.hEvent, stop_};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(collection_.handle);
        GetOverlappedResult(collection_.handle, &overlapped, &got, TRUE);
        break;
      }
      if (!GetOverlappedResult(collection_.handle, &overlapped, &got, FALSE)) break;
      engine_.Deliver(collection_.usagePage, collection_.usage, {buffer.data(), got}, ServiceEngine::Clock::now());
    }
    CloseHandle(overlapped.hEvent);
  }

  Collection collection_;
  ServiceEngine& engine_;
  HANDLE stop_;
  std::thread thread_;
};

class HidBackend : public HidServBackend {
 public:
  explicit HidBackend(ServiceEngine& engine) : engine_(engine) {}
  ~HidBackend() override { Shutdown(); }

  void Begin() {
    Enumerate();
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    notifier_ = std::thread([this, ready] { WatchDevices(ready); });
    WaitForSingleObject(ready, INFINITE);  // the window exists (or could not be made)
    CloseHandle(ready);
  }

  int Count() override {
    std::lock_guard lock(mutex_);
    return CountLocked();
  }

  int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) override {
    std::lock_guard lock(mutex_);
    for (const Collection& c : collections_) {
      if (c.usagePage != usagePage || c.usage != usage) continue;
      // The report as the collection's output length wants it: zero-filled or cut.
      std::vector<std::uint8_t> bytes(c.outputLength ? c.outputLength : report.size(), 0);
      std::copy_n(report.begin(), std::min(report.size(), bytes.size()), bytes.begin());
      OVERLAPPED overlapped{};
      overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      DWORD written = 0;
      BOOL ok = WriteFile(c.handle, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
      if (!ok && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, kWriteTimeoutMs) != WAIT_OBJECT_0) CancelIo(c.handle);
        ok = GetOverlappedResult(c.handle, &overlapped, &written, TRUE);
      } else if (ok) {
        ok = GetOverlappedResult(c.handle, &overlapped, &written, TRUE);
      }
      CloseHandle(overlapped.hEvent);
      return ok ? 1 : 0;  // the first keyboard's collection
    }
    return 0;
  }

  void ReadPlaced(std::uint16_t usagePage, std::uint16_t usage) override {
    std::lock_guard lock(mutex_);
    if (!readCollections_.insert({usagePage, usage}).second) return;
    StartReadersLocked();
  }

  void Shutdown() override {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (notifier_.joinable()) notifier_.join();
    std::lock_guard lock(mutex_);
    CloseLocked();
  }

 private:
  int CountLocked() const {
    int n = 0;
    for (const Collection& c : collections_) n += c.usagePage == kControlUsagePage && c.usage == kControlUsage;
    return n;
  }

  void CloseLocked() {
    readers_.clear();  // joins them before their handles close
    for (Collection& c : collections_) CloseHandle(c.handle);
    collections_.clear();
  }

  void StartReadersLocked() {
    readers_.clear();
    for (const Collection& c : collections_)
      if (readCollections_.count({c.usagePage, c.usage})) readers_.push_back(std::make_unique<Reader>(c, engine_));
  }

  // Opens every collection of every attached keyboard. Returns the number of
  // keyboards (control collections).
  int Enumerate() {
    std::vector<Collection> found;
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set != INVALID_HANDLE_VALUE) {
      SP_DEVICE_INTERFACE_DATA data{};
      data.cbSize = sizeof data;
      for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, i, &data); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
        if (size == 0) continue;
        std::vector<std::uint8_t> storage(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) continue;
        Collection c;
        if (Open(detail->DevicePath, c)) found.push_back(c);
      }
      SetupDiDestroyDeviceInfoList(set);
    }
    std::lock_guard lock(mutex_);
    CloseLocked();
    collections_ = std::move(found);
    StartReadersLocked();
    return CountLocked();
  }

  static bool Open(const wchar_t* path, Collection& c) {
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps{};
    const bool ours = HidD_GetAttributes(handle, &attributes) && attributes.VendorID == OSTRAK_VENDOR_ID &&
                      attributes.ProductID == OSTRAK_PRODUCT_ID && HidD_GetPreparsedData(handle, &preparsed);
    bool wanted = false;
    if (ours) {
      if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
        const UnitSelector probe = MakeSelector(caps.UsagePage, caps.Usage);
        wanted = IsKeyboardSelector(probe);
      }
      HidD_FreePreparsedData(preparsed);
    }
    if (!wanted) {
      CloseHandle(handle);
      return false;
    }
    c = {handle, caps.UsagePage, caps.Usage, caps.InputReportByteLength, caps.OutputReportByteLength};
    return true;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
      auto* self = reinterpret_cast<HidBackend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self) self->Recount();
      return TRUE;
    }
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) {
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Recount() {
    const int previous = Count();
    const int now = Enumerate();
    if (now != previous) engine_.CountChanged(now);
  }

  // A message-only window that receives the HID interface notifications.
  void WatchDevices(HANDLE ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OstrakHidServNotify";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!window) {
      SetEvent(ready);
      return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    HDEVNOTIFY notify = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    window_ = window;
    SetEvent(ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (notify) UnregisterDeviceNotification(notify);
    window_ = nullptr;
  }

  ServiceEngine& engine_;
  std::mutex mutex_;
  std::vector<Collection> collections_;
  std::set<std::pair<std::uint16_t, std::uint16_t>> readCollections_;
  std::vector<std::unique_ptr<Reader>> readers_;
  std::thread notifier_;
  std::atomic<HWND> window_{nullptr};
};

}  // namespace

std::unique_ptr<HidServBackend> OpenHidDevices(ServiceEngine& engine) {
  auto backend = std::make_unique<HidBackend>(engine);
  backend->Begin();
  return backend;
}
