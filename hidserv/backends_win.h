// HidServ.dll's two back ends behind the service engine: the Windows HID back
// end for a real keyboard, and the simulator back end that reaches the
// keyboard simulator's server over loopback TCP.
#pragma once

#include <memory>
#include <string>

#include "device/service_engine.h"

class HidServBackend : public ServiceBackend {
 public:
  // Stops the back end's threads and closes its handles.
  virtual void Shutdown() = 0;
};

// The simulator back end for OSTRAK_DEVICE=sim:HOST:PORT (HOST a loopback
// address). Null when the setting is malformed. Until the server answers, and
// whenever it has gone, the keyboard counts as not plugged in and the back end
// keeps trying to connect.
std::unique_ptr<HidServBackend> ConnectSimulator(const std::string& setting, ServiceEngine& engine);

// The Windows HID back end: the keyboard's collections by vendor id, product
// id, usage page and usage; arrival and removal from device notifications.
std::unique_ptr<HidServBackend> OpenHidDevices(ServiceEngine& engine);
