// HidServ.dll: the device service. Init chooses the back end: the keyboard
// simulator when OSTRAK_DEVICE says "sim:HOST:PORT", the keyboard's HID
// collections otherwise. The service engine checks every request's check value
// and calls the callbacks on its own thread.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "device/device_service.h"
#include "device/service_engine.h"
#include "hidserv/backends_win.h"

namespace {

std::mutex gLock;
ServiceEngine* gEngine = nullptr;
std::unique_ptr<HidServBackend> gBackend;

ServiceEngine* Engine() {
  std::lock_guard lock(gLock);
  return gBackend ? gEngine : nullptr;
}

std::string DeviceSetting() {
  char value[256];
  const DWORD n = GetEnvironmentVariableA("OSTRAK_DEVICE", value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace

#define HIDSERV_EXPORT extern "C" __declspec(dllexport)

// flags: unused. Returns 1 when a back end is ready, 0 when the simulator named
// by OSTRAK_DEVICE cannot be reached.
HIDSERV_EXPORT int Init(int) {
  std::lock_guard lock(gLock);
  if (gBackend) return 1;
  if (!gEngine) gEngine = new ServiceEngine();  // lives until the process ends
  const std::string setting = DeviceSetting();
  gBackend = setting.rfind("sim:", 0) == 0 ? ConnectSimulator(setting, *gEngine) : OpenHidDevices(*gEngine);
  if (!gBackend) return 0;
  gEngine->SetBackend(gBackend.get());
  gEngine->Start();
  return 1;
}

HIDSERV_EXPORT int End() {
  std::unique_ptr<HidServBackend> backend;
  {
    std::lock_guard lock(gLock);
    backend = std::move(gBackend);
  }
  if (!backend) return 1;
  gEngine->Stop();
  gEngine->SetBackend(nullptr);
  backend->Shutdown();
  return 1;
}

HIDSERV_EXPORT int Debug(int) { return 1; }

HIDSERV_EXPORT int RequestGetDeviceCount(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                         uint32_t check, uint32_t*) {
  ServiceEngine* engine = Engine();
  return engine ? engine->GetDeviceCount(selector, callback, tag, check) : 0;
}

HIDSERV_EXPORT int RequestWriteOne(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                   const void* payload, uint32_t length, uint32_t check, uint32_t*) {
  ServiceEngine* engine = Engine();
  return engine ? engine->WriteOne(selector, callback, tag, payload, length, check) : 0;
}

HIDSERV_EXPORT int RequestWrite(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                const void* payload, uint32_t length, uint32_t check, uint32_t*) {
  ServiceEngine* engine = Engine();
  return engine ? engine->WriteOne(selector, callback, tag, payload, length, check) : 0;
}

HIDSERV_EXPORT int RequestStatusWrite(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                      const void* payload, uint32_t length, uint32_t check, uint32_t* id) {
  ServiceEngine* engine = Engine();
  return engine ? engine->StatusWrite(selector, callback, tag, payload, length, check, id) : 0;
}

HIDSERV_EXPORT int RequestStatusSetFeature(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                           const void* payload, uint32_t length, uint32_t check, uint32_t* id) {
  ServiceEngine* engine = Engine();
  return engine ? engine->StatusWrite(selector, callback, tag, payload, length, check, id) : 0;
}

// Reading a feature report is not part of the keyboard's protocol.
HIDSERV_EXPORT int RequestStatusGet(const UnitSelector*, NoticeCallback, uint32_t, void*, uint32_t, uint32_t,
                                    uint32_t*) {
  return 0;
}

HIDSERV_EXPORT int RequestAsyncRead(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                    uint32_t check, uint32_t* id) {
  ServiceEngine* engine = Engine();
  return engine ? engine->AsyncRead(selector, callback, tag, check, id) : 0;
}

HIDSERV_EXPORT int DeleteRequestFromUnitId(uint32_t id) {
  ServiceEngine* engine = Engine();
  return engine ? engine->DeleteRequest(id) : 0;
}

// Requests are known by their ids only.
HIDSERV_EXPORT int DeleteRequestFromHandle(void*) { return 0; }

// The exports have exactly the interface's types.
static_assert(std::is_same_v<decltype(&Init), InitFn>);
static_assert(std::is_same_v<decltype(&End), EndFn>);
static_assert(std::is_same_v<decltype(&Debug), DebugFn>);
static_assert(std::is_same_v<decltype(&RequestGetDeviceCount), RequestGetDeviceCountFn>);
static_assert(std::is_same_v<decltype(&RequestWriteOne), RequestWriteOneFn>);
static_assert(std::is_same_v<decltype(&RequestWrite), RequestWriteFn>);
static_assert(std::is_same_v<decltype(&RequestStatusWrite), RequestStatusWriteFn>);
static_assert(std::is_same_v<decltype(&RequestStatusGet), RequestStatusGetFn>);
static_assert(std::is_same_v<decltype(&RequestStatusSetFeature), RequestStatusSetFeatureFn>);
static_assert(std::is_same_v<decltype(&RequestAsyncRead), RequestAsyncReadFn>);
static_assert(std::is_same_v<decltype(&DeleteRequestFromUnitId), DeleteRequestFromUnitIdFn>);
static_assert(std::is_same_v<decltype(&DeleteRequestFromHandle), DeleteRequestFromHandleFn>);
