// What the simulated keyboard holds of one key map and the macro memory, and
// what it must hold once the working profile is applied to that key map.
#pragma once

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "keyboard/key_assignment.h"
#include "macros/macro_image.h"
#include "profiles/profile_store.h"
#include "session/keyboard_session.h"
#include "device/command_frame.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_protocol.h"
#include "tests/support/sim_server_win.h"

// The simulated keyboard's macro memory, all of it.
inline constexpr std::size_t kMacroMemory = kSimDefaultCapacityUnits * kMacroCapacityUnit;

struct KeyboardState {
  std::vector<std::uint8_t> table;  // 480 bytes
  std::vector<std::uint8_t> image;  // the whole macro memory
  bool operator==(const KeyboardState&) const = default;
};

// Whether the keyboard's state `now` holds the key map and the image of `expected`.
inline bool HoldsExpected(const KeyboardState& now, const KeyboardState& expected) {
  return now.table == expected.table && now.image.size() >= expected.image.size() &&
         std::equal(expected.image.begin(), expected.image.end(), now.image.begin());
}

inline std::vector<std::uint8_t> KeyboardMemory(SimServer& keyboard, const std::string& area, std::size_t offset,
                                                std::size_t length) {
  std::vector<std::uint8_t> bytes;
  ParseHexBytes(
      keyboard.Control("read " + area + " " + std::to_string(offset) + " " + std::to_string(length)).substr(3), bytes);
  return bytes;
}

inline KeyboardState KeyboardHolds(SimServer& keyboard, int profile) {
  return {KeyboardMemory(keyboard, "keytables", profile * kKeyTableStride, kKeyTableBytes),
          KeyboardMemory(keyboard, "macros", 0, kMacroMemory)};
}

// The key map and the macro image alone (the image fills the front of the
// macro memory; the rest is as the keyboard left it).
inline KeyboardState ExpectedOnKeyboard(const WorkingProfile& working, int profile) {
  const std::span<const MacroRecord> macros = working.macros.records;
  const DeviceKeyTable table =
      BuildDeviceKeyTable(EntriesOfProfile(std::as_const(working.block->area), profile), DefaultKeyTable(),
                          [&](std::uint16_t id) { return MacroIndexOfId(macros, id); });
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  const bool withNames = sizes.fullSize <= kMacroMemory;
  KeyboardState state;
  state.image.resize(withNames ? sizes.fullSize : sizes.baseSize);
  BuildMacroImage(macros, state.image, static_cast<std::uint32_t>(state.image.size()), withNames);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(table.data());
  state.table.assign(bytes, bytes + kKeyTableBytes);
  return state;
}

// The same for the session's working profile.
inline KeyboardState ExpectedOnKeyboard(const KeyboardSession& session, int profile) {
  return session.Read([&](const WorkingProfile& working) { return ExpectedOnKeyboard(working, profile); });
}
