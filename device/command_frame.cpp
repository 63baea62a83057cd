#include "device/command_frame.h"

#include <algorithm>

bool IsKeyboardSelector(const UnitSelector& selector) {
  if (selector.matchMask != OSTRAK_SELECTOR_MATCH_ALL || selector.vendorId != OSTRAK_VENDOR_ID ||
      selector.productId != OSTRAK_PRODUCT_ID)
    return false;
  for (const UnitSelector& known : {kLockLightSelector, kConsumerSelector, kControlSelector})
    if (selector.usagePage == known.usagePage && selector.usage == known.usage) return true;
  return false;
}

std::uint16_t FrameCheckSum(const CommandFrame& frame) {
  std::uint16_t sum = 0;
  for (std::size_t i = kFrameCode; i < kFrameSize; ++i) sum = static_cast<std::uint16_t>(sum + frame[i]);
  return sum;
}

void SealFrame(CommandFrame& frame) {
  const std::uint16_t sum = FrameCheckSum(frame);
  frame[kFrameSumLow] = static_cast<std::uint8_t>(sum & 0xFF);
  frame[kFrameSumHigh] = static_cast<std::uint8_t>(sum >> 8);
}

bool FrameSumMatches(const CommandFrame& frame) {
  const std::uint16_t sum = FrameCheckSum(frame);
  return frame[kFrameSumLow] == (sum & 0xFF) && frame[kFrameSumHigh] == (sum >> 8);
}

CommandFrame MakeCommandFrame(std::uint8_t code, std::uint8_t length, std::uint16_t offset,
                              std::span<const std::uint8_t> data) {
  CommandFrame frame{};
  frame[kFrameReportId] = kReportId;
  frame[kFrameCode] = code;
  frame[kFrameLength] = length;
  frame[kFrameOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
  frame[kFrameOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
  const std::size_t n = std::min(data.size(), kFrameDataSize);
  std::copy_n(data.begin(), n, frame.begin() + kFrameDataOffset);
  SealFrame(frame);
  return frame;
}

std::uint16_t FrameOffset(const CommandFrame& frame) {
  return static_cast<std::uint16_t>(frame[kFrameOffsetLow] | (frame[kFrameOffsetHigh] << 8));
}

CommandFrame BootRequestFrame() {
  CommandFrame frame{};
  frame[kFrameReportId] = kReportId;
  frame[kFrameCode] = kBootRequestCode;
  frame[kFrameLength] = kBootRequestCode;
  return frame;
}

bool IsBootRequest(std::span<const std::uint8_t> report) {
  return report.size() > kFrameLength && report[kFrameReportId] == kReportId &&
         report[kFrameCode] == kBootRequestCode && report[kFrameLength] == kBootRequestCode;
}

CommandFrame FrameFromBytes(std::span<const std::uint8_t> bytes) {
  CommandFrame frame{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kFrameSize), frame.begin());
  return frame;
}

const char* DeviceResultName(DeviceResult result) {
  switch (result) {
    case DeviceResult::kOk: return "kOk";
    case DeviceResult::kAbsent: return "kAbsent";
    case DeviceResult::kWriteFailed: return "kWriteFailed";
    case DeviceResult::kNoReply: return "kNoReply";
    case DeviceResult::kCancelled: return "kCancelled";
    case DeviceResult::kReplyFailed: return "kReplyFailed";
    case DeviceResult::kReplyBusy: return "kReplyBusy";
    case DeviceResult::kBadProfile: return "kBadProfile";
    case DeviceResult::kMacrosDoNotFit: return "kMacrosDoNotFit";
  }
  return "?";
}
