// The program's side of the keyboard link: the command transaction that pairs
// each command with its reply, every command the program sends, the chunked
// transfers, the current-profile cache, the lock-light bytes and the boot
// request.
//
// The link reaches the keyboard only through a DeviceService table (HidServ.dll
// in the program, an in-process service over the simulator in tests). Replies
// come back through DeviceNoticeHandler on the service's thread; everything the
// link does not handle itself (consumer notices, a change in the keyboard
// count) goes to a DeviceNoticeSink.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "device/command_frame.h"
#include "device/device_service.h"
#include "keyboard/key_assignment.h"

// Receives what the link does not handle itself. Called on the service's
// thread: implementations must not wait.
class DeviceNoticeSink {
 public:
  virtual ~DeviceNoticeSink() = default;
  // A code from the keyboard's consumer collection (its own function keys).
  virtual void OnConsumerNotice(std::uint16_t code) = 0;
  // The number of attached keyboards changed.
  virtual void OnDeviceCount(int count) = 0;
};

// The waits of a transaction. The defaults are the keyboard's; tests of
// timeouts may shorten them.
struct LinkTimings {
  std::chrono::milliseconds replyWait{1000};     // one attempt's wait for the reply
  std::chrono::milliseconds retryPause{10};      // between attempts
  std::chrono::milliseconds endConfigurationDelay{10};  // command 2 goes out 10 ms after it is built
  // A reply that has not come this long after its request was written is
  // taken as lost (see the pairing rule of DeviceLink). Three reply waits: a
  // slow keyboard's reply that misses one attempt's wait still comes within it.
  std::chrono::milliseconds lateReplyLimit{3000};
};

// What a keyboard's replies repeat of their request, as the link has learned
// it (the protocol promises only the command code).
enum class ReplyEcho {
  kUnknown,   // not learned yet: paired as kCodeOnly
  kCodeOnly,  // the code; bytes 4 to 6 hold something else
  kFull,      // the code, the length and the offset (bytes 3 to 6)
};

inline constexpr int kSendAttempts = 3;
inline constexpr int kUnknownProfile = -1;

// The two lock-light bytes; bit 0 of the second is the G-key layer.
inline constexpr std::uint8_t kLockLightFirst = 0x05;
inline constexpr std::uint8_t kLockLightSecond = 0x02;

class DeviceLink {
 public:
  explicit DeviceLink(const DeviceService& service, LinkTimings timings = {});
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Makes this the link that DeviceNoticeHandler serves, places the 'CONS'
  // read, arms the reply wait and places the 'CTRL' read. Returns the number of
  // keyboards on the control collection (0 none), or -1 when a request was
  // refused. The caller starts its attach work with that count.
  int Start(DeviceNoticeSink* sink);
  // Withdraws the standing requests; DeviceNoticeHandler then ignores notices.
  void Stop();

  // Keyboards present on the control collection; 0 none (or refused).
  int DeviceCount();

  // One transaction: the request (zero-filled or cut to 64 bytes) is written
  // and its reply awaited, at most three attempts. Returns kOk with the reply in
  // `reply` (received bytes, at most `capacity`), or what went wrong. A lock is
  // held for the whole transaction, so concurrent callers never take each
  // other's reply.
  //
  // A reply completes only the request it answers, and a reply that comes
  // after its wait has ended (a slow keyboard) never completes a later
  // request's wait: read data never lands at another chunk's offset and a
  // write is never confirmed by another chunk's reply. It may complete the
  // wait of a retry of the very same request, which asked for the same thing.
  // The keyboard promises only to repeat the request's code (byte 3), so the
  // link pairs by what the keyboard's replies have shown it (LearnedEcho):
  //  - A keyboard that repeats the length and offset too (bytes 4 to 6): a
  //    reply completes only a request with the same code, length and offset;
  //    any other is dropped.
  //  - A keyboard that repeats only the code, or one not learned yet: a reply
  //    with the request's code completes it. The link counts the replies still
  //    owed (every attempt written and not yet answered, whether its wait timed
  //    out or a retry took another attempt's reply) and, before it writes the
  //    next request, waits until they have come, or until lateReplyLimit has
  //    passed since the last request was written; what comes meanwhile is
  //    dropped. A reply later than that is taken as lost, and with such a
  //    keyboard it is the one thing that could still be taken for a later
  //    request of the same code.
  // Learning: each keyboard starts unknown (Start, every change in the keyboard
  // count). It is learned only from a reply that completes a request written
  // while no reply of an earlier request was owed (a late reply of another
  // chunk repeats the code but not the offset, and must not count): a reply
  // whose bytes 4 to 6 differ from the request's shows kCodeOnly; one that
  // repeats a length and an offset that are both not 0 shows kFull (a keyboard
  // that zeroes those bytes seems to repeat commands 1 and 2, and one that
  // fills in only its data length seems to repeat a chunk at offset 0). Once
  // learned, the kind stays until the keyboard count changes.
  //
  // When the keyboard leaves during the wait the transaction ends at once with
  // kAbsent; once CancelTransfers was called, with kCancelled. Either also
  // cuts short the wait for owed replies.
  DeviceResult SendCommand(const std::uint8_t* request, std::size_t length, std::uint8_t* reply,
                           std::size_t capacity, std::size_t* received);

  // Gives up the transaction under way and every later one (they return
  // kCancelled without waiting), so that the program can close without
  // waiting for a slow keyboard. Any thread.
  void CancelTransfers();
  // Lets transfers run again after CancelTransfers.
  void AllowTransfers();
  bool TransfersCancelled() const { return cancelled_; }

  // ---- Commands. Each returns kOk or what went wrong. ----
  DeviceResult BeginConfiguration();                     // 1
  // 2. After CancelTransfers the frame is still written once, without waiting
  // for its reply, so that a keyboard is never left in configuration mode.
  DeviceResult EndConfiguration();
  DeviceResult ReadStatus(StatusBlock& status);          // 3
  DeviceResult WriteStatus(const StatusBlock& status);   // 4
  // 5: n bytes at settings offset o; 56 bytes of reply data go to `out`.
  DeviceResult ReadSettings(std::uint8_t length, std::uint16_t offset, std::span<std::uint8_t, kFrameDataSize> out);
  // 6: up to 56 bytes at settings offset o (more sends nothing: kWriteFailed).
  DeviceResult WriteSettings(std::uint16_t offset, std::span<const std::uint8_t> data);
  // The writes take what the keyboard is known to hold there already
  // (`known`, from the same start; empty when nothing is known) and leave out
  // each chunk it holds whole: every chunk sent is one a full write would
  // send, with the same length and offset.
  DeviceResult ReadKeyTable(int profile, DeviceKeyTable& table);  // 7
  DeviceResult WriteKeyTable(int profile, const DeviceKeyTable& table,
                             std::span<const std::uint8_t> known = {});  // 8
  // 9, 10: the image at offset 0; a length of 0 sends nothing and succeeds;
  // more than 65 535 bytes (offsets are 16 bits) sends nothing: kWriteFailed.
  DeviceResult ReadMacroImage(std::span<std::uint8_t> image);
  DeviceResult WriteMacroImage(std::span<const std::uint8_t> image, std::span<const std::uint8_t> known = {});
  DeviceResult ReadDefaultKeyTable(DeviceKeyTable& table);  // 15
  // 16, 17: colours from key position `keyIndex` (three bytes per key).
  DeviceResult ReadKeyColours(int keyIndex, std::uint8_t length, std::span<std::uint8_t, kFrameDataSize> out);
  DeviceResult WriteKeyColours(int keyIndex, std::span<const std::uint8_t> data);

  // ---- The current profile, cached (-1 unknown). ----
  int CurrentProfile();             // the cache, else status byte 10; -1 on failure
  // Status read, byte 10 = p, status write. A negative index sends nothing
  // (kWriteFailed).
  DeviceResult SetCurrentProfile(int profile);
  void ForgetCurrentProfile();      // the keyboard left
  int CachedProfile() const;

  // The keyboard's macro capacity in bytes (status byte 11 x 128), set when a
  // keyboard attaches; 0 before.
  void SetMacroCapacity(std::uint32_t bytes);
  std::uint32_t MacroCapacity() const;
  // Reads the status block and takes the capacity from it.
  DeviceResult RefreshMacroCapacity();

  // ---- Lock lights and the G-key layer. ----
  int Layer() const;  // 0 or 1
  // Flips the layer bit and writes the lock-light bytes again. kOk when the
  // service took the write, else kWriteFailed.
  DeviceResult ToggleLayer();
  DeviceResult WriteLockLights();

  // The boot request: written once, no presence check, no reply awaited. kOk
  // when the service took the write, else kWriteFailed.
  DeviceResult SendBootRequest();

  // Handles one notice of the service (the link's part of DeviceNoticeHandler).
  void HandleNotice(const RequestNotice* notice);

  // Replies that completed no wait: none was waiting, or they answered
  // another request (they are dropped).
  int IgnoredReplies() const;
  // What the keyboard's replies repeat, as far as the link has learned it.
  ReplyEcho LearnedEcho() const;
  // True while a transaction waits for owed replies before it writes its request.
  bool AwaitingOwedReplies() const;

  // Called on the transferring thread after each chunk of a chunked transfer
  // (key tables, the macro image): the command code, chunks done, chunks in
  // all. Set it while no transfer runs.
  using ChunkProgress = std::function<void(std::uint8_t code, std::size_t done, std::size_t total)>;
  void SetChunkProgress(ChunkProgress progress) { chunkProgress_ = std::move(progress); }

 private:
  DeviceResult Chunked(std::uint8_t code, std::uint32_t base, std::uint8_t* read, const std::uint8_t* write,
                       std::size_t length, std::span<const std::uint8_t> known = {});
  DeviceResult Simple(std::uint8_t code, std::uint8_t length, std::uint16_t offset,
                      std::span<const std::uint8_t> data, std::uint8_t* replyData, std::size_t replyDataSize);
  bool PlaceRead(const UnitSelector& selector, std::uint32_t tag, std::uint32_t& id);
  void CompleteReply(const std::uint8_t* bytes, std::size_t length);
  void KeyboardsNowPresent(int count);
  // Before a new request: waits for the replies still owed unless the keyboard
  // is known to repeat length and offset (see SendCommand). kOk, or
  // kCancelled / kAbsent when that cut the wait short.
  DeviceResult AwaitOwedReplies(unsigned departures);
  // Waits `pause` unless transfers are cancelled meanwhile; false when cancelled.
  bool PauseUnlessCancelled(std::chrono::milliseconds pause);
  bool WriteFrame(const CommandFrame& frame);  // true when the service took it
  // Writes a frame the keyboard will answer: its reply is owed from then on.
  bool WriteOwingReply(const CommandFrame& frame);

  DeviceService service_;
  LinkTimings timings_;
  DeviceNoticeSink* sink_ = nullptr;
  ChunkProgress chunkProgress_;

  std::mutex transaction_;  // held for a whole transaction

  // ReplyWait: the waiting flag, the request's code, length and offset,
  // destination, capacity, received length and the auto-reset event; and what
  // pairing needs (the learned kind, the replies owed), all under replyMutex_.
  mutable std::mutex replyMutex_;
  std::condition_variable replyEvent_;
  bool eventSet_ = false;
  bool waiting_ = false;
  std::array<std::uint8_t, kFrameStatus - kFrameCode> expected_{};  // code, length, offset
  std::uint8_t* destination_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t receivedLength_ = 0;
  int ignoredReplies_ = 0;
  std::atomic<bool> cancelled_{false};  // changed under replyMutex_, read anywhere
  ReplyEcho echo_ = ReplyEcho::kUnknown;
  ReplyEcho requestEcho_ = ReplyEcho::kUnknown;  // the kind the current request pairs by
  bool requestTeaches_ = false;  // written with no earlier request's reply owed
  int owedReplies_ = 0;
  bool awaitingOwed_ = false;
  std::chrono::steady_clock::time_point lastWrite_{};
  unsigned departures_ = 0;  // times the keyboard count fell to 0

  mutable std::mutex stateMutex_;
  int cachedProfile_ = kUnknownProfile;
  std::uint32_t macroCapacity_ = 0;
  std::uint8_t lockLights_[2] = {kLockLightFirst, kLockLightSecond};  // layer 0

  std::mutex lockLightWrite_;  // one lock-light write at a time (notice thread and UI)

  std::uint32_t consumerId_ = 0;
  std::uint32_t controlId_ = 0;
  std::uint32_t lockLightId_ = 0;
};

// The callback given with every standing request: completes the waiting
// transaction on a 'CTRL' reply, passes consumer notices and count changes to
// the started link's sink. Always returns 1.
extern "C" int DeviceNoticeHandler(const RequestNotice* notice);
