// The Windows HID back end: the keyboard's three collections, found by vendor
// id, product id, usage page and usage through SetupAPI and the HID API.
// Output reports are written with overlapped writes; each collection that has
// a standing read keeps one overlapped read going on a thread of its own,
// which hands every report to the engine. Arrival and removal come from
// device notifications: collections still present keep their handle and their
// read, so another device coming or going never costs a reply in flight; a
// change in the number of keyboards becomes a count notice.
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

#include "device/collection_changes.h"
#include "device/command_frame.h"
#include "hidserv/backends_win.h"

namespace {

constexpr DWORD kWriteTimeoutMs = 1000;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The ids and the top-level usage of a collection, through any handle to it.
bool Describe(HANDLE handle, HIDD_ATTRIBUTES& attributes, HIDP_CAPS& caps) {
  attributes = {};
  attributes.Size = sizeof attributes;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetAttributes(handle, &attributes) || !HidD_GetPreparsedData(handle, &preparsed)) return false;
  const bool described = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
  HidD_FreePreparsedData(preparsed);
  return described;
}

// Every HID collection present. Each is described through a handle that asks
// for no access, which works even for devices that the system holds for
// itself and leaves the collections we have open alone.
std::vector<HidCollectionInfo> EnumerateHidCollections() {
  std::vector<HidCollectionInfo> found;
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return found;
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
    HANDLE handle = CreateFileW(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) continue;
    HIDD_ATTRIBUTES attributes;
    HIDP_CAPS caps;
    if (Describe(handle, attributes, caps)) {
      const std::wstring_view path = detail->DevicePath;
      found.push_back({std::u16string(path.begin(), path.end()), attributes.VendorID, attributes.ProductID,
                       caps.UsagePage, caps.Usage});
    }
    CloseHandle(handle);
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

// One overlapped read loop on one collection.
class Reader {
 public:
  Reader(HANDLE handle, std::uint16_t usagePage, std::uint16_t usage, USHORT inputLength, ServiceEngine& engine)
      : handle_(handle), usagePage_(usagePage), usage_(usage), inputLength_(inputLength), engine_(engine) {
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
  }
  ~Reader() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
  }

  // The read failed on its own: the device behind the handle went away, even
  // if a device of the same path is there again by now.
  bool Ended() const { return ended_; }

 private:
  void Run() {
    std::vector<std::uint8_t> buffer(inputLength_ ? inputLength_ : kFrameSize);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
      ResetEvent(overlapped.hEvent);
      DWORD got = 0;
      if (!ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped) &&
          GetLastError() != ERROR_IO_PENDING)
        break;  // the device is gone; the removal notice follows
      const HANDLE waits[2] = {overlapped.hEvent, stop_};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(handle_);
        GetOverlappedResult(handle_, &overlapped, &got, TRUE);
        break;
      }
      if (!GetOverlappedResult(handle_, &overlapped, &got, FALSE)) break;
      engine_.Deliver(usagePage_, usage_, {buffer.data(), got}, ServiceEngine::Clock::now());
    }
    CloseHandle(overlapped.hEvent);
    ended_ = WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0;
  }

  std::atomic<bool> ended_{false};

  HANDLE handle_;
  std::uint16_t usagePage_;
  std::uint16_t usage_;
  USHORT inputLength_;
  ServiceEngine& engine_;
  HANDLE stop_;
  std::thread thread_;
};

// One of the keyboard's collections, open for reading and writing.
struct Collection {
  HidCollectionInfo info;
  HANDLE handle = INVALID_HANDLE_VALUE;
  USHORT inputLength = 0;
  USHORT outputLength = 0;
  std::unique_ptr<Reader> reader;  // while a read is placed on its usage
};

void Close(Collection& c) {
  c.reader.reset();  // joined before its handle closes
  CloseHandle(c.handle);
  c.handle = INVALID_HANDLE_VALUE;
}

class HidBackend : public HidServBackend {
 public:
  explicit HidBackend(ServiceEngine& engine) : engine_(engine) {}
  ~HidBackend() override { Shutdown(); }

  void Begin() {
    Refresh();
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
      if (c.info.usagePage != usagePage || c.info.usage != usage) continue;
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
    readCollections_.insert({usagePage, usage});
    StartReadersLocked();
  }

  void Shutdown() override {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (notifier_.joinable()) notifier_.join();
    std::lock_guard lock(mutex_);
    for (Collection& c : collections_) Close(c);
    collections_.clear();
  }

 private:
  int CountLocked() const {
    int n = 0;
    for (const Collection& c : collections_)
      n += c.info.usagePage == kControlUsagePage && c.info.usage == kControlUsage;
    return n;
  }

  // Starts a read on every open collection that a placed read wants and that
  // has none yet.
  void StartReadersLocked() {
    for (Collection& c : collections_)
      if (!c.reader && readCollections_.count({c.info.usagePage, c.info.usage}))
        c.reader = std::make_unique<Reader>(c.handle, c.info.usagePage, c.info.usage, c.inputLength, engine_);
  }

  static bool Open(const HidCollectionInfo& info, Collection& c) {
    c.handle = CreateFileW(W(info.path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (c.handle == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes;
    HIDP_CAPS caps;
    if (!Describe(c.handle, attributes, caps)) {
      CloseHandle(c.handle);
      return false;
    }
    c.info = info;
    c.inputLength = caps.InputReportByteLength;
    c.outputLength = caps.OutputReportByteLength;
    return true;
  }

  // Brings the open collections in line with the devices present: keeps those
  // still there with their reads, closes those gone, opens those new. A
  // collection whose read ended by itself was pulled out, even when a
  // keyboard of the same path is back already: it is opened again, and the
  // keyboard counts as having left and come back (`replugged`). True when the
  // number of keyboards changed.
  bool Refresh(bool* replugged = nullptr) {
    const std::vector<HidCollectionInfo> enumerated = EnumerateHidCollections();
    std::lock_guard lock(mutex_);
    const int before = CountLocked();
    const std::size_t opened = collections_.size();
    std::erase_if(collections_, [](Collection& c) {
      if (!c.reader || !c.reader->Ended()) return false;
      Close(c);
      return true;
    });
    if (replugged) *replugged = collections_.size() != opened;
    std::vector<HidCollectionInfo> open;
    for (const Collection& c : collections_) open.push_back(c.info);
    const CollectionChanges changes = PlanCollectionChanges(open, enumerated);
    for (std::size_t i : changes.close) Close(collections_[i]);
    std::vector<Collection> next;
    for (std::size_t i : changes.keep) next.push_back(std::move(collections_[i]));
    for (std::size_t i : changes.open) {
      Collection c;
      if (Open(enumerated[i], c)) next.push_back(std::move(c));
    }
    collections_ = std::move(next);
    StartReadersLocked();
    return CountLocked() != before;
  }

  void OnDeviceChange(const DEV_BROADCAST_HDR* header) {
    // Another USB device's collection needs no enumeration.
    if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
      const std::wstring_view path = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header)->dbcc_name;
      if (!MayBeKeyboardPath(std::u16string(path.begin(), path.end()))) return;
    }
    bool replugged = false;
    const bool changed = Refresh(&replugged);
    if (replugged && !changed && Count() > 0) engine_.CountChanged(0);  // it left and came back: read it again
    if (changed || replugged) engine_.CountChanged(Count());
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
      auto* self = reinterpret_cast<HidBackend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self) self->OnDeviceChange(reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
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
  std::vector<Collection> collections_;  // the first keyboard's first
  std::set<std::pair<std::uint16_t, std::uint16_t>> readCollections_;
  std::thread notifier_;
  std::atomic<HWND> window_{nullptr};
};

}  // namespace

std::unique_ptr<HidServBackend> OpenHidDevices(ServiceEngine& engine) {
  auto backend = std::make_unique<HidBackend>(engine);
  backend->Begin();
  return backend;
}
