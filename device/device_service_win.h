// Loading the device service: HidServ.dll from the program's own folder, its
// twelve entry points resolved by name, and the start of the device link.
#pragma once

#include <string>

#include "device/device_link.h"
#include "device/device_service.h"

inline constexpr wchar_t kDeviceServiceFile[] = L"HidServ.dll";

// Loads `folder`\HidServ.dll and fills `service` with its twelve entry points.
// False when the library or any entry point is missing (the library is then
// unloaded and `service` left empty).
bool LoadDeviceService(const std::wstring& folder, DeviceService& service);

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();

// Main-window start-up of the device link: loads the service from the program
// folder, calls Init(0), then starts the process-wide link (the 'CONS' read,
// the reply event, the 'CTRL' read) with `sink` receiving consumer notices and
// count changes. Returns the link and stores the keyboard count of the control
// collection in `count` (start the attach work with it); returns null when the
// library, an entry point or Init fails (the caller then ends the process with
// exit code 0 and no message).
DeviceLink* StartDeviceLink(DeviceNoticeSink* sink, int& count);

// The same in two steps, for a sink that needs the link: OpenDeviceLink loads
// the service from `folder` (the program's own), calls Init(0) and makes the
// link (null on failure);
// StartOpenedDeviceLink starts it and returns the keyboard count, or -1 when a
// standing request was refused (the link stays, to be started again).
DeviceLink* OpenDeviceLink(const std::wstring& folder);
int StartOpenedDeviceLink(DeviceNoticeSink* sink);

// The link started by StartDeviceLink; null before.
DeviceLink* TheDeviceLink();
