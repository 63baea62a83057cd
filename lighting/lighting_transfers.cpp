#include "lighting/lighting_transfers.h"

#include <array>

namespace {

// The inside of a bracket, then command 2; the first failure wins.
template <typename Inside>
DeviceResult InBracket(DeviceLink& link, Inside inside) {
  DeviceResult result = link.BeginConfiguration();
  if (result == DeviceResult::kOk) result = inside();
  const DeviceResult end = link.EndConfiguration();
  return result == DeviceResult::kOk ? end : result;
}

DeviceResult ReadKeyColourTable(DeviceLink& link, KeyColourTable& table) {
  KeyColourTable read = table;
  for (int chunk = 0; chunk < kKeyColourChunks; ++chunk) {
    std::array<std::uint8_t, kFrameDataSize> reply{};
    const DeviceResult result = link.ReadKeyColours(chunk * kKeyColourChunkPositions, kKeyColourChunkBytes, reply);
    if (result != DeviceResult::kOk) return result;
    PutKeyColourChunk(read, chunk, std::span(reply).first<kKeyColourChunkBytes>());
  }
  table = read;
  return DeviceResult::kOk;
}

DeviceResult Send(DeviceLink& link, const LightingWrite& write) {
  switch (write.area) {
    case LightingArea::kSettings: return link.WriteSettings(write.offset, write.bytes);
    case LightingArea::kKeyColours: return link.WriteKeyColours(write.offset, write.bytes);
  }
  return DeviceResult::kWriteFailed;
}

}  // namespace

DeviceResult ReadLighting(DeviceLink& link, bool withKeyColours, LightingState& state) {
  state.offeredEffects.clear();
  StatusBlock status{};
  if (const DeviceResult result = link.ReadStatus(status); result != DeviceResult::kOk) return result;
  state.offeredEffects = OfferedEffects(status);

  return InBracket(link, [&] {
    if (withKeyColours && OffersEffect(state, kPerKeyEffect)) {
      if (const DeviceResult result = ReadKeyColourTable(link, state.keyColours); result != DeviceResult::kOk)
        return result;
    }
    LightingSettings settings{};
    const DeviceResult result = link.ReadSettings(kLightingSettingsSize, 0, settings);
    if (result == DeviceResult::kOk) TakeLightingSettings(state, settings);
    return result;
  });
}

DeviceResult WriteLighting(DeviceLink& link, const LightingWrites& writes) {
  if (writes.empty()) return DeviceResult::kOk;
  return InBracket(link, [&] {
    for (const LightingWrite& write : writes)
      if (const DeviceResult result = Send(link, write); result != DeviceResult::kOk) return result;
    return DeviceResult::kOk;
  });
}

std::optional<LightingState> WriteChange(DeviceLink& link, const LightingWrites& writes, const LightingState& before,
                                         const LightingState& after, bool readAfter) {
  const bool written = WriteLighting(link, writes) == DeviceResult::kOk;
  if (written && !readAfter) return std::nullopt;
  LightingState state = written ? after : before;
  if (ReadLighting(link, OffersEffect(before, kPerKeyEffect), state) != DeviceResult::kOk && !readAfter) state = before;
  return state;
}
