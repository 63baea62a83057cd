// The keyboard's command reports: 64-byte frames on its vendor-defined control
// collection, the same layout for a command and its reply.
//
//   0     report id 0x04
//   1-2   check sum: 16-bit sum of bytes 3-63, low byte first
//   3     command code; a reply repeats the command's code
//   4     data length
//   5-6   offset, low byte first
//   7     0 in a command; reply status: 0xFF failed, 0xFE busy, else success
//   8-63  data, up to 56 bytes; unused bytes are 0
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/device_service.h"

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kFrameDataOffset = 8;
inline constexpr std::size_t kFrameDataSize = 56;
inline constexpr std::uint8_t kReportId = 0x04;

using CommandFrame = std::array<std::uint8_t, kFrameSize>;

enum FrameByte : std::size_t {
  kFrameReportId = 0,
  kFrameSumLow = 1,
  kFrameSumHigh = 2,
  kFrameCode = 3,
  kFrameLength = 4,
  kFrameOffsetLow = 5,
  kFrameOffsetHigh = 6,
  kFrameStatus = 7,
};

enum CommandCode : std::uint8_t {
  kCommandBeginConfiguration = 1,
  kCommandEndConfiguration = 2,
  kCommandReadStatus = 3,
  kCommandWriteStatus = 4,
  kCommandReadSettings = 5,
  kCommandWriteSettings = 6,
  kCommandReadKeyTable = 7,
  kCommandWriteKeyTable = 8,
  kCommandReadMacroImage = 9,
  kCommandWriteMacroImage = 10,
  kCommandReadDefaultKeyTable = 15,
  kCommandReadKeyColours = 16,
  kCommandWriteKeyColours = 17,
};

inline constexpr std::uint8_t kReplyFailed = 0xFF;
inline constexpr std::uint8_t kReplyBusy = 0xFE;
inline constexpr std::uint8_t kBootRequestCode = 0xEE;

// What came of a command to the keyboard (or of a download).
enum class DeviceResult {
  kOk,
  kAbsent,          // no keyboard present, or the wait failed
  kWriteFailed,     // the report could not be written (or the request was refused)
  kNoReply,         // no matching reply after three attempts
  kCancelled,       // the program is closing: the transfer was given up
  kReplyFailed,     // reply status 0xFF
  kReplyBusy,       // reply status 0xFE
  kBadProfile,      // not a profile index of the keyboard (0 to 2)
  kMacrosDoNotFit,  // the macro image is larger than the keyboard holds: nothing was sent
};

// The result's name, for logs and test messages ("kNoReply").
const char* DeviceResultName(DeviceResult result);

// The keyboard's status block (data of commands 3 and 4).
inline constexpr std::size_t kStatusBlockSize = 28;
inline constexpr std::size_t kStatusCurrentProfile = 10;
inline constexpr std::size_t kStatusMacroCapacity = 11;  // in units of 128 bytes
inline constexpr std::size_t kStatusEffectsFirst = 12;   // bytes 12-27: the offered effects
inline constexpr std::uint32_t kMacroCapacityUnit = 128;
using StatusBlock = std::array<std::uint8_t, kStatusBlockSize>;

// Key tables of profile p lie at device offset p * 512.
inline constexpr std::uint32_t kKeyTableStride = 512;
inline constexpr std::size_t kKeyTableBytes = 480;

// The keyboard's three collections.
inline constexpr std::uint16_t kLockLightUsagePage = 0x0008;
inline constexpr std::uint16_t kLockLightUsage = 0x0089;
inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerUsage = 0x0001;
inline constexpr std::uint16_t kControlUsagePage = 0xFF1C;
inline constexpr std::uint16_t kControlUsage = 0x0092;

inline constexpr UnitSelector MakeSelector(std::uint16_t usagePage, std::uint16_t usage) {
  return UnitSelector{OSTRAK_SELECTOR_MATCH_ALL, OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, usagePage, usage, 0};
}
inline constexpr UnitSelector kLockLightSelector = MakeSelector(kLockLightUsagePage, kLockLightUsage);
inline constexpr UnitSelector kConsumerSelector = MakeSelector(kConsumerUsagePage, kConsumerUsage);
inline constexpr UnitSelector kControlSelector = MakeSelector(kControlUsagePage, kControlUsage);

// True when a selector names one of the keyboard's collections.
bool IsKeyboardSelector(const UnitSelector& selector);

// The 16-bit sum of bytes 3-63.
std::uint16_t FrameCheckSum(const CommandFrame& frame);
// Writes the check sum into bytes 1-2.
void SealFrame(CommandFrame& frame);
bool FrameSumMatches(const CommandFrame& frame);

// A sealed command frame; data longer than 56 bytes is cut.
CommandFrame MakeCommandFrame(std::uint8_t code, std::uint8_t length, std::uint16_t offset,
                              std::span<const std::uint8_t> data = {});

std::uint16_t FrameOffset(const CommandFrame& frame);

// The request that puts the keyboard into its boot mode: 04, then EE EE in
// bytes 3 and 4, all else 0 (it carries no check sum).
CommandFrame BootRequestFrame();
bool IsBootRequest(std::span<const std::uint8_t> report);

// A frame from received bytes: zero-filled when shorter, cut at 64 bytes.
CommandFrame FrameFromBytes(std::span<const std::uint8_t> bytes);
