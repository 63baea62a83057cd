#include "simulator/keyboard_simulator.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

constexpr std::uint8_t kReplyOk = 0x00;
constexpr char kMemoryMagic[8] = {'O', 'S', 'K', 'B', 'M', 'E', 'M', '1'};

// The effects a factory keyboard offers (status bytes 12-27).
constexpr std::uint8_t kOfferedEffects[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0, 0, 0, 0, 0};

struct AreaName {
  const char* name;
  SimArea area;
};
constexpr AreaName kAreaNames[] = {
    {"keytables", SimArea::kKeyTables}, {"default", SimArea::kDefaultTable}, {"macros", SimArea::kMacros},
    {"status", SimArea::kStatus},       {"settings", SimArea::kSettings},    {"colours", SimArea::kColours},
    {"leds", SimArea::kLockLights},
};

// Which area each data command addresses, and whether it writes.
struct CommandArea {
  std::uint8_t code;
  SimArea area;
  bool writes;
};
constexpr CommandArea kCommandAreas[] = {
    {kCommandReadSettings, SimArea::kSettings, false},    {kCommandWriteSettings, SimArea::kSettings, true},
    {kCommandReadKeyTable, SimArea::kKeyTables, false},   {kCommandWriteKeyTable, SimArea::kKeyTables, true},
    {kCommandReadMacroImage, SimArea::kMacros, false},    {kCommandWriteMacroImage, SimArea::kMacros, true},
    {kCommandReadDefaultKeyTable, SimArea::kDefaultTable, false},
    {kCommandReadKeyColours, SimArea::kColours, false},   {kCommandWriteKeyColours, SimArea::kColours, true},
};

struct EchoName {
  const char* name;
  SimEcho echo;
};
constexpr EchoName kEchoNames[] = {
    {"full", SimEcho::kFull}, {"code", SimEcho::kCodeOnly}, {"garbage", SimEcho::kCodeGarbage}};

}  // namespace

bool ParseSimEcho(const std::string& name, SimEcho& echo) {
  for (const EchoName& row : kEchoNames)
    if (name == row.name) {
      echo = row.echo;
      return true;
    }
  return false;
}

const char* SimEchoName(SimEcho echo) {
  for (const EchoName& row : kEchoNames)
    if (echo == row.echo) return row.name;
  return "?";
}

bool ParseSimArea(const std::string& name, SimArea& area) {
  for (const AreaName& row : kAreaNames)
    if (name == row.name) {
      area = row.area;
      return true;
    }
  return false;
}

KeyboardSimulator::KeyboardSimulator(std::uint8_t capacityUnits)
    : keyTables_(kSimKeyTableSpace, 0),
      defaultTable_(kKeyTableBytes),
      macros_(std::size_t{capacityUnits} * kMacroCapacityUnit, 0),
      status_(kStatusBlockSize, 0),
      settings_(kSimSettingsSize, 0),
      colours_(kSimKeyColoursSize, 0),
      lockLights_(2, 0) {
  std::memcpy(defaultTable_.data(), kBuiltInDefaultKeyTable.data(), kKeyTableBytes);
  for (std::size_t p = 0; p < 3; ++p)
    std::memcpy(keyTables_.data() + p * kKeyTableStride, defaultTable_.data(), kKeyTableBytes);
  status_[kStatusCurrentProfile] = 0;
  status_[kStatusMacroCapacity] = capacityUnits;
  std::copy(std::begin(kOfferedEffects), std::end(kOfferedEffects), status_.begin() + kStatusEffectsFirst);
  // Factory lighting: effect 1, full brightness, middle speed.
  settings_[0] = 1;
  settings_[1] = 4;
  settings_[2] = 2;
  std::fill(colours_.begin(), colours_.end(), 0xFF);
}

void KeyboardSimulator::SetSink(SimSink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

void KeyboardSimulator::LogLocked(bool fromHost, std::uint16_t usagePage, std::span<const std::uint8_t> bytes) {
  if (log_.size() >= kSimLogLimit) log_.pop_front();
  log_.push_back({fromHost, usagePage, {bytes.begin(), bytes.end()}});
}

void KeyboardSimulator::Emit(SimEvent event) {
  if (event.kind == SimEvent::kReport) LogLocked(false, event.usagePage, event.bytes);
  if (sink_) sink_(event);
}

void KeyboardSimulator::Reply(CommandFrame reply) {
  int delayMs = faults_.latencyMs;
  if (faults_.afterReplies > 0) {
    --faults_.afterReplies;
  } else {
    if (faults_.loseReplies > 0) {
      --faults_.loseReplies;
      return;
    }
    if (faults_.wrongCodeReplies > 0) {
      --faults_.wrongCodeReplies;
      reply[kFrameCode] ^= 0x80;
    }
    if (faults_.statusReplies > 0) {
      --faults_.statusReplies;
      reply[kFrameStatus] = faults_.status;
    }
    if (faults_.lateReplies > 0) {
      --faults_.lateReplies;
      delayMs = faults_.lateMs;
    }
  }
  for (std::size_t b = kFrameLength; b < kFrameStatus; ++b) {
    if (echo_ == SimEcho::kCodeOnly) reply[b] = 0;
    if (echo_ == SimEcho::kCodeGarbage) {
      garbage_ = static_cast<std::uint8_t>(garbage_ % 255 + 1);
      reply[b] ^= garbage_;
    }
  }
  SealFrame(reply);
  SimEvent event;
  event.usagePage = kControlUsagePage;
  event.usage = kControlUsage;
  event.bytes.assign(reply.begin(), reply.end());
  event.delayMs = delayMs;
  Emit(std::move(event));
}

void KeyboardSimulator::Answer(const CommandFrame& request) {
  CommandFrame reply{};
  reply[kFrameReportId] = kReportId;
  reply[kFrameCode] = request[kFrameCode];
  reply[kFrameLength] = request[kFrameLength];
  reply[kFrameOffsetLow] = request[kFrameOffsetLow];
  reply[kFrameOffsetHigh] = request[kFrameOffsetHigh];
  reply[kFrameStatus] = kReplyFailed;
  const std::size_t length = request[kFrameLength];
  const std::size_t offset = FrameOffset(request);
  std::uint8_t* data = reply.data() + kFrameDataOffset;
  const std::uint8_t* given = request.data() + kFrameDataOffset;

  if (request[kFrameReportId] == kReportId && FrameSumMatches(request)) {
    switch (request[kFrameCode]) {
      case kCommandBeginConfiguration:
      case kCommandEndConfiguration:
        reply[kFrameStatus] = kReplyOk;
        break;
      case kCommandReadStatus:
        std::copy(status_.begin(), status_.end(), data);
        reply[kFrameLength] = kStatusBlockSize;
        reply[kFrameStatus] = kReplyOk;
        break;
      case kCommandWriteStatus:
        // The capacity is the hardware's; only the rest of the block changes.
        if (length == kStatusBlockSize && given[kStatusCurrentProfile] <= 2) {
          const std::uint8_t capacity = status_[kStatusMacroCapacity];
          std::copy_n(given, kStatusBlockSize, status_.begin());
          status_[kStatusMacroCapacity] = capacity;
          reply[kFrameStatus] = kReplyOk;
        }
        break;
      default:
        for (const CommandArea& row : kCommandAreas) {
          if (row.code != request[kFrameCode]) continue;
          std::vector<std::uint8_t>& area = *AreaBytes(row.area);
          if (length > kFrameDataSize || offset + length > area.size()) break;
          if (row.writes)
            std::copy_n(given, length, area.begin() + offset);
          else
            std::copy_n(area.begin() + offset, length, data);
          reply[kFrameStatus] = kReplyOk;
        }
        break;
    }
  }
  Reply(reply);
}

int KeyboardSimulator::Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (!plugged_) return 0;
  LogLocked(true, usagePage, report);
  if (usagePage == kLockLightUsagePage && usage == kLockLightUsage) {
    std::fill(lockLights_.begin(), lockLights_.end(), 0);
    std::copy_n(report.begin(), std::min(report.size(), lockLights_.size()), lockLights_.begin());
    return 1;
  }
  if (usagePage != kControlUsagePage || usage != kControlUsage) return 0;
  ++commands_;
  if (faults_.unplugAfterReports >= 0 && faults_.unplugAfterReports-- == 0) {
    // Pulled out as this report arrived: it is never answered.
    plugged_ = false;
    Emit({SimEvent::kCount, 0, 0, {}, 0, 0});
    return 1;
  }
  if (IsBootRequest(report)) {
    // The keyboard leaves its normal mode and is seen removed.
    ++bootRequests_;
    plugged_ = false;
    Emit({SimEvent::kCount, 0, 0, {}, 0, 0});
    return 1;
  }
  Answer(FrameFromBytes(report));
  return 1;
}

void KeyboardSimulator::Plug() {
  std::lock_guard lock(mutex_);
  if (plugged_) return;
  plugged_ = true;
  Emit({SimEvent::kCount, 0, 0, {}, 1, 0});
}

void KeyboardSimulator::Unplug() {
  std::lock_guard lock(mutex_);
  if (!plugged_) return;
  plugged_ = false;
  Emit({SimEvent::kCount, 0, 0, {}, 0, 0});
}

int KeyboardSimulator::Count() const {
  std::lock_guard lock(mutex_);
  return plugged_ ? 1 : 0;
}

int KeyboardSimulator::SendConsumerNotice(std::uint16_t code) {
  std::lock_guard lock(mutex_);
  if (!plugged_) return 0;
  SimEvent event;
  event.usagePage = kConsumerUsagePage;
  event.usage = kConsumerUsage;
  event.bytes = {static_cast<std::uint8_t>(code & 0xFF), static_cast<std::uint8_t>(code >> 8)};
  event.delayMs = faults_.latencyMs;
  Emit(std::move(event));
  return 1;
}

void KeyboardSimulator::SetFaults(const SimFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

bool KeyboardSimulator::TakeReadRefusal() {
  std::lock_guard lock(mutex_);
  if (faults_.refuseReads <= 0) return false;
  --faults_.refuseReads;
  return true;
}

int KeyboardSimulator::TakeReadRefusals() {
  std::lock_guard lock(mutex_);
  return std::exchange(faults_.refuseReads, 0);
}

SimFaults KeyboardSimulator::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

void KeyboardSimulator::SetEcho(SimEcho echo) {
  std::lock_guard lock(mutex_);
  echo_ = echo;
}

SimEcho KeyboardSimulator::Echo() const {
  std::lock_guard lock(mutex_);
  return echo_;
}

std::vector<std::uint8_t>* KeyboardSimulator::AreaBytes(SimArea area) {
  return const_cast<std::vector<std::uint8_t>*>(std::as_const(*this).AreaBytes(area));
}

const std::vector<std::uint8_t>* KeyboardSimulator::AreaBytes(SimArea area) const {
  switch (area) {
    case SimArea::kKeyTables: return &keyTables_;
    case SimArea::kDefaultTable: return &defaultTable_;
    case SimArea::kMacros: return &macros_;
    case SimArea::kStatus: return &status_;
    case SimArea::kSettings: return &settings_;
    case SimArea::kColours: return &colours_;
    case SimArea::kLockLights: return &lockLights_;
  }
  return &status_;
}

std::size_t KeyboardSimulator::AreaSize(SimArea area) const {
  std::lock_guard lock(mutex_);
  return AreaBytes(area)->size();
}

bool KeyboardSimulator::Read(SimArea area, std::size_t offset, std::span<std::uint8_t> out) const {
  std::lock_guard lock(mutex_);
  const auto& bytes = *AreaBytes(area);
  if (offset > bytes.size() || out.size() > bytes.size() - offset) return false;
  std::copy_n(bytes.begin() + offset, out.size(), out.begin());
  return true;
}

bool KeyboardSimulator::Poke(SimArea area, std::size_t offset, std::span<const std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  auto& bytes = *AreaBytes(area);
  if (offset > bytes.size() || data.size() > bytes.size() - offset) return false;
  std::copy(data.begin(), data.end(), bytes.begin() + offset);
  return true;
}

std::vector<SimLogEntry> KeyboardSimulator::Log() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

void KeyboardSimulator::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

int KeyboardSimulator::BootRequests() const {
  std::lock_guard lock(mutex_);
  return bootRequests_;
}

int KeyboardSimulator::CommandsReceived() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

// File: the magic, then each area as a u32 length (little-endian) and its bytes,
// in the order of kAreaNames.
bool KeyboardSimulator::SaveMemory(const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(kMemoryMagic, sizeof kMemoryMagic);
  for (const AreaName& row : kAreaNames) {
    const auto& bytes = *AreaBytes(row.area);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const char length[4] = {static_cast<char>(size & 0xFF), static_cast<char>((size >> 8) & 0xFF),
                            static_cast<char>((size >> 16) & 0xFF), static_cast<char>(size >> 24)};
    file.write(length, 4);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  return static_cast<bool>(file.flush());
}

bool KeyboardSimulator::LoadMemory(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  char magic[sizeof kMemoryMagic];
  if (!file.read(magic, sizeof magic) || std::memcmp(magic, kMemoryMagic, sizeof magic) != 0) return false;
  std::lock_guard lock(mutex_);
  std::vector<std::vector<std::uint8_t>> loaded;
  for (const AreaName& row : kAreaNames) {
    unsigned char length[4];
    if (!file.read(reinterpret_cast<char*>(length), 4)) return false;
    const std::uint32_t size = length[0] | (length[1] << 8) | (length[2] << 16) | (std::uint32_t{length[3]} << 24);
    // Every area but the macro memory has the keyboard's fixed size.
    if (row.area != SimArea::kMacros && size != AreaBytes(row.area)->size()) return false;
    if (size > 255 * kMacroCapacityUnit) return false;
    std::vector<std::uint8_t> bytes(size);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
    loaded.push_back(std::move(bytes));
  }
  // The macro memory must be as large as the status block says.
  const std::size_t statusIndex = 3, macrosIndex = 2;
  if (loaded[macrosIndex].size() != std::size_t{loaded[statusIndex][kStatusMacroCapacity]} * kMacroCapacityUnit)
    return false;
  for (std::size_t i = 0; i < loaded.size(); ++i) *AreaBytes(kAreaNames[i].area) = std::move(loaded[i]);
  return true;
}
