// HidServ.dll: the device service. Init chooses the back end: the keyboard
// simulator when OSTRAK_DEVICE says "sim:HOST:PORT", the keyboard's HID
// collections otherwise. The service engine checks every request's check value
// and calls the callbacks on its own thread.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

#include "device/device_service.h"
#include "device/service_engine.h"
#include "hidserv/backends_win.h"

namespace {

std::mutex gLock;
ServiceEngine* gEngine = nullptr;
// From Init to End. The program may never call End: then the back end lives
// until the process ends, since by the time the library is unloaded its
// threads are gone and stopping them would wait for ever.
HidServBackend* gBackend = nullptr;

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

// flags: unused. Returns 1 when a back end is ready, 0 when OSTRAK_DEVICE names
// the simulator in a way that cannot be used. A simulator that does not answer
// is a keyboard that is not plugged in.
HIDSERV_EXPORT int Init(int) {
  std::lock_guard lock(gLock);
  if (gBackend) return 1;
  if (!gEngine) gEngine = new ServiceEngine();  // lives until the process ends
  // Running before the back end's threads start, so that none of their notices is lost.
  gEngine->Start();
  const std::string setting = DeviceSetting();
  std::unique_ptr<HidServBackend> backend =
      setting.rfind("sim:", 0) == 0 ? ConnectSimulator(setting, *gEngine) : OpenHidDevices(*gEngine);
  if (!backend) {
    gEngine->Stop();
    return 0;
  }
  gBackend = backend.release();
  gEngine->SetBackend(gBackend);
  return 1;
}

HIDSERV_EXPORT int End() {
  std::unique_ptr<HidServBackend> backend;
  {
    std::lock_guard lock(gLock);
    backend.reset(std::exchange(gBackend, nullptr));
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
