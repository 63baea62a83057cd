// An in-process device service over the keyboard simulator: the same entry
// points as HidServ.dll, with callbacks on a thread of the service's own. Tests
// and benchmarks bind a DeviceLink to its table.
#pragma once

#include "device/device_service.h"
#include "device/service_engine.h"
#include "simulator/keyboard_simulator.h"

class SimulatedService : public ServiceBackend {
 public:
  // Connects to `keyboard` (which must outlive the service) and makes this the
  // service that Table()'s entry points reach. One at a time per process.
  explicit SimulatedService(KeyboardSimulator& keyboard);
  ~SimulatedService() override;

  // The twelve entry points. Init starts the callback thread.
  DeviceService Table() const;

  ServiceEngine& Engine() { return engine_; }

  int Count() override;
  int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) override;
  bool RefusesRead() override { return keyboard_.TakeReadRefusal(); }

 private:
  KeyboardSimulator& keyboard_;
  ServiceEngine engine_;
};
