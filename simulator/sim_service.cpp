#include "simulator/sim_service.h"

#include <atomic>
#include <chrono>

namespace {

std::atomic<SimulatedService*> gService{nullptr};

ServiceEngine* Engine() {
  SimulatedService* service = gService.load();
  return service ? &service->Engine() : nullptr;
}

int SimInit(int) { return Engine() ? Engine()->Start() : 0; }
int SimEnd() {
  if (Engine()) Engine()->Stop();
  return 1;
}
int SimDebug(int) { return 1; }
int SimGetDeviceCount(const UnitSelector* s, NoticeCallback cb, uint32_t tag, uint32_t check, uint32_t*) {
  return Engine() ? Engine()->GetDeviceCount(s, cb, tag, check) : 0;
}
int SimWriteOne(const UnitSelector* s, NoticeCallback cb, uint32_t tag, const void* p, uint32_t n, uint32_t check,
                uint32_t*) {
  return Engine() ? Engine()->WriteOne(s, cb, tag, p, n, check) : 0;
}
int SimStatusWrite(const UnitSelector* s, NoticeCallback cb, uint32_t tag, const void* p, uint32_t n,
                   uint32_t check, uint32_t* id) {
  return Engine() ? Engine()->StatusWrite(s, cb, tag, p, n, check, id) : 0;
}
int SimStatusGet(const UnitSelector*, NoticeCallback, uint32_t, void*, uint32_t, uint32_t, uint32_t*) { return 0; }
int SimAsyncRead(const UnitSelector* s, NoticeCallback cb, uint32_t tag, uint32_t check, uint32_t* id) {
  return Engine() ? Engine()->AsyncRead(s, cb, tag, check, id) : 0;
}
int SimDelete(uint32_t id) { return Engine() ? Engine()->DeleteRequest(id) : 0; }
int SimDeleteHandle(void*) { return 0; }

}  // namespace

SimulatedService::SimulatedService(KeyboardSimulator& keyboard) : keyboard_(keyboard) {
  engine_.SetBackend(this);
  keyboard_.SetSink([this](const SimEvent& event) {
    if (event.kind == SimEvent::kCount) {
      engine_.CountChanged(event.count);
    } else {
      engine_.Deliver(event.usagePage, event.usage, event.bytes,
                      ServiceEngine::Clock::now() + std::chrono::milliseconds(event.delayMs));
    }
  });
  gService.store(this);
}

SimulatedService::~SimulatedService() {
  SimulatedService* self = this;
  gService.compare_exchange_strong(self, nullptr);
  keyboard_.SetSink({});
  engine_.Stop();
}

DeviceService SimulatedService::Table() const {
  return DeviceService{SimInit,        SimEnd,       SimDebug,     SimGetDeviceCount,
                       SimWriteOne,    SimWriteOne,  SimStatusWrite, SimStatusGet,
                       SimStatusWrite, SimAsyncRead, SimDelete,    SimDeleteHandle};
}

int SimulatedService::Count() { return keyboard_.Count(); }

int SimulatedService::Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) {
  return keyboard_.Write(usagePage, usage, report);
}
