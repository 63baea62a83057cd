// The lighting panel's traffic with the keyboard: reading the lighting state
// and sending the writes of a change, each inside one configuration bracket
// (command 1 ... command 2). The keyboard is never left in configuration mode:
// once command 1 may have gone out, command 2 follows, whatever failed.
#pragma once

#include <optional>

#include "device/device_link.h"
#include "lighting/lighting_changes.h"
#include "lighting/lighting_settings.h"

// Reads the keyboard's lighting into `state`:
//  1. the offered effects are emptied and the status block read; when that
//     fails nothing else is sent and the state is otherwise unchanged;
//  2. command 1; with `withKeyColours` and the per-key effect offered, the key
//     colour table in nine chunks (not on a notice of a lighting change, which
//     leaves the key colours alone); the settings block (56 bytes); command 2.
// Reading stops at the first failure; a failed block is never taken into the
// state. kOk when everything was read, else the first failure.
DeviceResult ReadLighting(DeviceLink& link, bool withKeyColours, LightingState& state);

// Sends `writes` in order inside one bracket. No writes sends nothing. The
// writes stop at the first failure (the keyboard is likely gone or stuck, and
// the next read shows what it holds); command 2 is sent regardless. kOk when
// every command succeeded, else the first failure.
DeviceResult WriteLighting(DeviceLink& link, const LightingWrites& writes);

// A change of the lighting panel on its way: its writes; then, when the
// keyboard did not take them or `readAfter` asks for it, a read of what the
// keyboard holds, over `after` (the panel with the change) when the writes
// went through and over `before` when they did not, so that what only the
// panel keeps (the background colour, the tool) stays as the change left it.
// Nothing when the writes went through and no read was asked for; `before`
// when the keyboard took neither the change nor the read.
std::optional<LightingState> WriteChange(DeviceLink& link, const LightingWrites& writes, const LightingState& before,
                                         const LightingState& after, bool readAfter);
