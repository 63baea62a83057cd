// The keyboard simulator: the keyboard's side of the link, without hardware.
//
// It holds the keyboard's memory (three key tables, the default key table, the
// macro memory, the status block, the lighting settings area and the key
// colours), answers every command as the keyboard does, takes the boot
// request and the lock-light bytes, sends consumer notices on demand, can be
// plugged and unplugged, logs the traffic and injects faults. Its memory can be
// kept in a file so that it remembers across runs.
//
// The simulator is passive: reports from the host go in through Write, and
// everything the keyboard sends (replies, consumer notices, a change in the
// number of attached keyboards) goes out through the sink, with the delay
// after which it would reach the host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/command_frame.h"
#include "keyboard/key_assignment.h"

// What the keyboard sends.
struct SimEvent {
  enum Kind { kReport, kCount } kind = kReport;
  std::uint16_t usagePage = 0;  // kReport: the collection it arrives on
  std::uint16_t usage = 0;
  std::vector<std::uint8_t> bytes;  // kReport
  int count = 0;                    // kCount: keyboards now attached
  int delayMs = 0;                  // kReport: the latency before it arrives
};

// The sink is called with the simulator's lock held: it must not call back
// into the simulator.
using SimSink = std::function<void(const SimEvent&)>;

struct SimLogEntry {
  bool fromHost;  // true: a report the host wrote; false: one the keyboard sent
  std::uint16_t usagePage;
  std::vector<std::uint8_t> bytes;
};

// The memory areas, as the control protocol of the server names them.
enum class SimArea { kKeyTables, kDefaultTable, kMacros, kStatus, kSettings, kColours, kLockLights };
bool ParseSimArea(const std::string& name, SimArea& area);

inline constexpr std::size_t kSimKeyTableSpace = 3 * kKeyTableStride;  // profiles 0-2 at p x 512
inline constexpr std::size_t kSimSettingsSize = 256;
inline constexpr std::size_t kSimKeyColourPositions = 162;
inline constexpr std::size_t kSimKeyColoursSize = kSimKeyColourPositions * 3;
inline constexpr std::uint8_t kSimDefaultCapacityUnits = 0x40;  // 8 KiB of macro memory
inline constexpr std::size_t kSimLogLimit = 4096;              // oldest entries are dropped

// What the keyboard's replies repeat of their request besides the command
// code, which every reply repeats. Kept apart from the faults: it is the
// keyboard's habit, not an accident of one reply.
enum class SimEcho {
  kFull,         // the length and the offset (bytes 4-6), as the request had them
  kCodeOnly,     // nothing more: bytes 4-6 are 0
  kCodeGarbage,  // nothing more: bytes 4-6 hold other bytes, never the request's
};
// "full", "code", "garbage".
bool ParseSimEcho(const std::string& name, SimEcho& echo);
const char* SimEchoName(SimEcho echo);

struct SimFaults {
  int latencyMs = 0;          // delay of every report the keyboard sends
  int loseReplies = 0;        // the next n replies are not sent
  int wrongCodeReplies = 0;   // the next n replies carry another command code
  int statusReplies = 0;      // the next n replies carry `status`
  std::uint8_t status = kReplyBusy;
  int unplugAfterReports = -1;  // unplug when the n-th further report arrives (-1 never)
  int lateReplies = 0;        // the next n replies come after `lateMs` instead of the latency
  int lateMs = 0;
  int afterReplies = 0;       // the reply faults above begin after n more good replies
  int refuseReads = 0;        // the device service refuses the next n standing reads
};

class KeyboardSimulator {
 public:
  // A plugged keyboard with factory memory and `capacityUnits` x 128 bytes of
  // macro memory.
  explicit KeyboardSimulator(std::uint8_t capacityUnits = kSimDefaultCapacityUnits);

  void SetSink(SimSink sink);

  // A report the host writes to a collection. Returns 1 when the keyboard took
  // it, 0 when no keyboard is plugged in or the collection is not one of its.
  int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report);

  void Plug();
  void Unplug();
  int Count() const;  // 1 plugged, 0 not

  // Sends a consumer notice (the keyboard's own function keys). Returns 0 when
  // unplugged.
  int SendConsumerNotice(std::uint16_t code);

  void SetFaults(const SimFaults& faults);
  // The device service's side of refuseReads: true (one fewer left) when the
  // next standing read is to be refused; TakeReadRefusals hands them all over.
  bool TakeReadRefusal();
  int TakeReadRefusals();
  SimFaults Faults() const;
  void SetEcho(SimEcho echo);
  SimEcho Echo() const;

  // Memory access for tests and the server's control protocol. Read returns
  // false when the range does not lie within the area.
  bool Read(SimArea area, std::size_t offset, std::span<std::uint8_t> out) const;
  bool Poke(SimArea area, std::size_t offset, std::span<const std::uint8_t> bytes);
  std::size_t AreaSize(SimArea area) const;

  std::vector<SimLogEntry> Log() const;
  void ClearLog();
  int BootRequests() const;
  int CommandsReceived() const;  // control reports taken, boot requests included

  // Keeps the memory in a file: a small header and every area. Load returns
  // false (memory unchanged) for a missing or malformed file.
  bool SaveMemory(const std::string& path) const;
  bool LoadMemory(const std::string& path);

 private:
  std::vector<std::uint8_t>* AreaBytes(SimArea area);
  const std::vector<std::uint8_t>* AreaBytes(SimArea area) const;
  void Emit(SimEvent event);
  void Reply(CommandFrame reply);
  void Answer(const CommandFrame& request);
  void LogLocked(bool fromHost, std::uint16_t usagePage, std::span<const std::uint8_t> bytes);

  mutable std::mutex mutex_;
  SimSink sink_;
  bool plugged_ = true;
  SimFaults faults_;
  SimEcho echo_ = SimEcho::kFull;
  std::uint8_t garbage_ = 0;  // the last byte put into a garbage echo (1-255)
  int bootRequests_ = 0;
  int commands_ = 0;
  std::deque<SimLogEntry> log_;

  std::vector<std::uint8_t> keyTables_;
  std::vector<std::uint8_t> defaultTable_;
  std::vector<std::uint8_t> macros_;
  std::vector<std::uint8_t> status_;
  std::vector<std::uint8_t> settings_;
  std::vector<std::uint8_t> colours_;
  std::vector<std::uint8_t> lockLights_;
};
