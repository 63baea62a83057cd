#include "device/device_link.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>
#include <thread>

#include "device/device_check.h"
#include "macros/macro_image.h"

namespace {

// The link DeviceNoticeHandler serves: the callback the service calls carries
// no context of its own.
std::atomic<DeviceLink*> gStartedLink{nullptr};

}  // namespace

extern "C" int DeviceNoticeHandler(const RequestNotice* notice) {
  if (DeviceLink* link = gStartedLink.load()) link->HandleNotice(notice);
  return 1;
}

DeviceLink::DeviceLink(const DeviceService& service, LinkTimings timings)
    : service_(service), timings_(timings) {}

DeviceLink::~DeviceLink() { Stop(); }

bool DeviceLink::PlaceRead(const UnitSelector& selector, std::uint32_t tag, std::uint32_t& id) {
  if (id != 0) service_.DeleteRequestFromUnitId(id);
  id = 0;
  const std::uint32_t check = RequestCheck(selector, DeviceNoticeHandler, tag, nullptr, 0);
  return service_.RequestAsyncRead(&selector, DeviceNoticeHandler, tag, check, &id) > 0;
}

int DeviceLink::Start(DeviceNoticeSink* sink) {
  sink_ = sink;
  gStartedLink.store(this);
  {
    std::lock_guard lock(replyMutex_);
    eventSet_ = false;
    waiting_ = false;
    echo_ = ReplyEcho::kUnknown;  // replies still on their way stay owed
  }
  const bool consumer = PlaceRead(kConsumerSelector, OSTRAK_TAG_CONS, consumerId_);
  const bool control = PlaceRead(kControlSelector, OSTRAK_TAG_CTRL, controlId_);
  if (!consumer || !control) return -1;
  return DeviceCount();
}

void DeviceLink::Stop() {
  DeviceLink* self = this;
  gStartedLink.compare_exchange_strong(self, nullptr);
  for (std::uint32_t* id : {&consumerId_, &controlId_, &lockLightId_}) {
    if (*id != 0 && service_.DeleteRequestFromUnitId) service_.DeleteRequestFromUnitId(*id);
    *id = 0;
  }
}

int DeviceLink::DeviceCount() {
  const std::uint32_t check = RequestCheck(kControlSelector, nullptr, 0, nullptr, 0);
  const int count = service_.RequestGetDeviceCount(&kControlSelector, nullptr, 0, check, nullptr);
  return count > 0 ? count : 0;
}

DeviceResult DeviceLink::SendCommand(const std::uint8_t* request, std::size_t length, std::uint8_t* reply,
                                     std::size_t capacity, std::size_t* received) {
  std::lock_guard transaction(transaction_);
  if (received) *received = 0;
  if (cancelled_) return DeviceResult::kCancelled;
  if (DeviceCount() == 0) return DeviceResult::kAbsent;
  unsigned departures;
  {
    std::lock_guard lock(replyMutex_);
    departures = departures_;
  }
  if (const DeviceResult owed = AwaitOwedReplies(departures); owed != DeviceResult::kOk) return owed;

  CommandFrame frame{};
  std::copy_n(request, std::min(length, kFrameSize), frame.begin());

  auto finish = [&](DeviceResult result) {
    std::lock_guard lock(replyMutex_);
    waiting_ = false;
    destination_ = nullptr;
    capacity_ = 0;
    return result;
  };

  for (int attempt = 1;; ++attempt) {
    {
      std::lock_guard lock(replyMutex_);
      // A short reply must not leave bytes of an earlier one behind.
      if (reply && capacity) std::memset(reply, 0, capacity);
      destination_ = reply;
      capacity_ = capacity;
      receivedLength_ = 0;
      std::copy_n(frame.begin() + kFrameCode, expected_.size(), expected_.begin());
      eventSet_ = false;
      waiting_ = true;
    }
    if (!WriteOwingReply(frame)) return finish(DeviceResult::kWriteFailed);

    bool arrived, left;
    std::size_t got;
    {
      std::unique_lock lock(replyMutex_);
      replyEvent_.wait_for(lock, timings_.replyWait,
                           [&] { return eventSet_ || departures_ != departures || cancelled_; });
      arrived = eventSet_;
      left = departures_ != departures;
      eventSet_ = false;  // auto-reset
      waiting_ = false;   // a reply from now on finds nobody waiting
      got = receivedLength_;
    }
    if (cancelled_) return finish(DeviceResult::kCancelled);
    if (left && !arrived) return finish(DeviceResult::kAbsent);
    if (received) *received = got;

    if (arrived) {
      const bool refused = got > kFrameStatus && (reply[kFrameStatus] == kReplyFailed || reply[kFrameStatus] == kReplyBusy);
      // After the third refusal the command maps the status to its result.
      if (!refused || attempt >= kSendAttempts) return finish(DeviceResult::kOk);
    } else if (attempt >= kSendAttempts) {
      return finish(DeviceResult::kNoReply);
    }
    if (!PauseUnlessCancelled(timings_.retryPause)) return finish(DeviceResult::kCancelled);
  }
}

DeviceResult DeviceLink::AwaitOwedReplies(unsigned departures) {
  std::unique_lock lock(replyMutex_);
  bool owedNothing = owedReplies_ == 0;
  if (!owedNothing && echo_ != ReplyEcho::kFull) {
    awaitingOwed_ = true;
    replyEvent_.wait_until(lock, lastWrite_ + timings_.lateReplyLimit,
                           [&] { return owedReplies_ == 0 || cancelled_ || departures_ != departures; });
    awaitingOwed_ = false;
    if (cancelled_) return DeviceResult::kCancelled;
    if (departures_ != departures) return DeviceResult::kAbsent;
    owedNothing = owedReplies_ == 0;
    owedReplies_ = 0;  // what has not come by now is taken as lost
  }
  requestEcho_ = echo_;
  requestTeaches_ = owedNothing;
  return DeviceResult::kOk;
}

bool DeviceLink::WriteOwingReply(const CommandFrame& frame) {
  {
    std::lock_guard lock(replyMutex_);
    ++owedReplies_;
    lastWrite_ = std::chrono::steady_clock::now();
  }
  if (WriteFrame(frame)) return true;
  std::lock_guard lock(replyMutex_);
  if (owedReplies_ > 0) --owedReplies_;
  return false;
}

bool DeviceLink::PauseUnlessCancelled(std::chrono::milliseconds pause) {
  std::unique_lock lock(replyMutex_);
  return !replyEvent_.wait_for(lock, pause, [&] { return cancelled_.load(); });
}

void DeviceLink::CancelTransfers() {
  {
    std::lock_guard lock(replyMutex_);
    cancelled_ = true;
  }
  replyEvent_.notify_all();
}

void DeviceLink::AllowTransfers() {
  std::lock_guard lock(replyMutex_);
  cancelled_ = false;
}

namespace {

// What a reply that answered `request` (its code, length and offset) shows of
// the keyboard. Zero length or offset teach nothing when repeated: a keyboard
// that zeroes bytes 4 to 6, or fills in only its data length, would seem to
// repeat them.
ReplyEcho EchoShownBy(std::span<const std::uint8_t, kFrameStatus - kFrameCode> request, bool repeated) {
  if (!repeated) return ReplyEcho::kCodeOnly;
  const bool lengthAndOffset = request[kFrameLength - kFrameCode] != 0 &&
                               (request[kFrameOffsetLow - kFrameCode] | request[kFrameOffsetHigh - kFrameCode]) != 0;
  return lengthAndOffset ? ReplyEcho::kFull : ReplyEcho::kUnknown;
}

}  // namespace

void DeviceLink::CompleteReply(const std::uint8_t* bytes, std::size_t length) {
  std::lock_guard lock(replyMutex_);
  // Every reply answers some request: one fewer is owed.
  if (owedReplies_ > 0 && --owedReplies_ == 0) replyEvent_.notify_all();
  const bool sameCode = waiting_ && !eventSet_ && bytes && length >= kFrameStatus && bytes[kFrameCode] == expected_[0];
  const bool repeated = sameCode && std::equal(expected_.begin() + 1, expected_.end(), bytes + kFrameLength);
  if (sameCode && requestTeaches_ && echo_ == ReplyEcho::kUnknown) echo_ = EchoShownBy(expected_, repeated);
  const bool answersTheRequest = requestEcho_ == ReplyEcho::kFull ? repeated : sameCode;
  if (!answersTheRequest) {
    ++ignoredReplies_;
    return;
  }
  const std::size_t n = std::min(length, capacity_);
  if (n > 0 && destination_) std::memcpy(destination_, bytes, n);
  receivedLength_ = n;
  eventSet_ = true;  // one reply per wait; a second one is ignored
  replyEvent_.notify_all();
}

void DeviceLink::KeyboardsNowPresent(int count) {
  {
    std::lock_guard lock(replyMutex_);
    // Perhaps another keyboard: learned afresh from its replies.
    echo_ = ReplyEcho::kUnknown;
    if (count != 0) return;
    // A keyboard that left answers nothing more.
    ++departures_;
    owedReplies_ = 0;
  }
  replyEvent_.notify_all();
}

int DeviceLink::IgnoredReplies() const {
  std::lock_guard lock(replyMutex_);
  return ignoredReplies_;
}

ReplyEcho DeviceLink::LearnedEcho() const {
  std::lock_guard lock(replyMutex_);
  return echo_;
}

bool DeviceLink::AwaitingOwedReplies() const {
  std::lock_guard lock(replyMutex_);
  return awaitingOwed_;
}

void DeviceLink::HandleNotice(const RequestNotice* notice) {
  if (notice == nullptr || notice->block == nullptr) return;
  const RequestBlock& block = *notice->block;
  if (notice->kind == OSTRAK_NOTICE_DATA && block.tag == OSTRAK_TAG_CTRL) {
    CompleteReply(block.bytes, block.bytes ? block.count : 0);
  } else if (notice->kind == OSTRAK_NOTICE_DATA && block.tag == OSTRAK_TAG_CONS) {
    if (block.bytes && block.count >= 2 && sink_)
      sink_->OnConsumerNotice(static_cast<std::uint16_t>(block.bytes[0] | (block.bytes[1] << 8)));
  } else if (notice->kind == OSTRAK_NOTICE_COUNT && block.tag == OSTRAK_TAG_CTRL) {
    KeyboardsNowPresent(static_cast<int>(block.count));
    if (sink_) sink_->OnDeviceCount(static_cast<int>(block.count));
  }
}

// ---- Commands ---------------------------------------------------------------

namespace {

DeviceResult MapStatus(const CommandFrame& reply) {
  if (reply[kFrameStatus] == kReplyFailed) return DeviceResult::kReplyFailed;
  if (reply[kFrameStatus] == kReplyBusy) return DeviceResult::kReplyBusy;
  return DeviceResult::kOk;
}

}  // namespace

DeviceResult DeviceLink::Simple(std::uint8_t code, std::uint8_t length, std::uint16_t offset,
                                std::span<const std::uint8_t> data, std::uint8_t* replyData,
                                std::size_t replyDataSize) {
  const CommandFrame request = MakeCommandFrame(code, length, offset, data);
  CommandFrame reply{};
  std::size_t received = 0;
  const DeviceResult sent = SendCommand(request.data(), request.size(), reply.data(), reply.size(), &received);
  if (sent != DeviceResult::kOk) return sent;
  const DeviceResult status = MapStatus(reply);
  if (status != DeviceResult::kOk) return status;
  if (replyData)
    std::memcpy(replyData, reply.data() + kFrameDataOffset, std::min(replyDataSize, kFrameDataSize));
  return DeviceResult::kOk;
}

DeviceResult DeviceLink::BeginConfiguration() { return Simple(kCommandBeginConfiguration, 0, 0, {}, nullptr, 0); }

DeviceResult DeviceLink::EndConfiguration() {
  const CommandFrame request = MakeCommandFrame(kCommandEndConfiguration, 0, 0);
  std::this_thread::sleep_for(timings_.endConfigurationDelay);
  if (cancelled_) {
    WriteOwingReply(request);  // its reply is not awaited, but it will come
    return DeviceResult::kCancelled;
  }
  CommandFrame reply{};
  std::size_t received = 0;
  const DeviceResult sent = SendCommand(request.data(), request.size(), reply.data(), reply.size(), &received);
  return sent != DeviceResult::kOk ? sent : MapStatus(reply);
}

DeviceResult DeviceLink::ReadStatus(StatusBlock& status) {
  return Simple(kCommandReadStatus, kStatusBlockSize, 0, {}, status.data(), status.size());
}

DeviceResult DeviceLink::WriteStatus(const StatusBlock& status) {
  return Simple(kCommandWriteStatus, kStatusBlockSize, 0, status, nullptr, 0);
}

DeviceResult DeviceLink::ReadSettings(std::uint8_t length, std::uint16_t offset,
                                      std::span<std::uint8_t, kFrameDataSize> out) {
  return Simple(kCommandReadSettings, length, offset, {}, out.data(), out.size());
}

DeviceResult DeviceLink::WriteSettings(std::uint16_t offset, std::span<const std::uint8_t> data) {
  if (data.size() > kFrameDataSize) return DeviceResult::kWriteFailed;
  return Simple(kCommandWriteSettings, static_cast<std::uint8_t>(data.size()), offset, data, nullptr, 0);
}

DeviceResult DeviceLink::ReadKeyColours(int keyIndex, std::uint8_t length,
                                        std::span<std::uint8_t, kFrameDataSize> out) {
  if (keyIndex < 0 || keyIndex * 3 > 0xFFFF) return DeviceResult::kWriteFailed;
  return Simple(kCommandReadKeyColours, length, static_cast<std::uint16_t>(keyIndex * 3), {}, out.data(),
                out.size());
}

DeviceResult DeviceLink::WriteKeyColours(int keyIndex, std::span<const std::uint8_t> data) {
  if (keyIndex < 0 || keyIndex * 3 > 0xFFFF || data.size() > kFrameDataSize) return DeviceResult::kWriteFailed;
  return Simple(kCommandWriteKeyColours, static_cast<std::uint8_t>(data.size()),
                static_cast<std::uint16_t>(keyIndex * 3), data, nullptr, 0);
}

DeviceResult DeviceLink::Chunked(std::uint8_t code, std::uint32_t base, std::uint8_t* read,
                                 const std::uint8_t* write, std::size_t length, std::span<const std::uint8_t> known) {
  // The chunks to send: every one, less those of a write the keyboard holds whole.
  std::vector<std::size_t> starts;
  for (std::size_t start = 0; start < length; start += kFrameDataSize) {
    const std::size_t n = std::min(kFrameDataSize, length - start);
    const bool held = write && start + n <= known.size() && std::memcmp(write + start, known.data() + start, n) == 0;
    if (!held) starts.push_back(start);
  }
  std::size_t sent = 0;
  for (const std::size_t start : starts) {
    const std::size_t n = std::min(kFrameDataSize, length - start);
    const auto offset = static_cast<std::uint16_t>(base + start);
    std::span<const std::uint8_t> data;
    if (write) data = {write + start, n};
    const DeviceResult result = Simple(code, static_cast<std::uint8_t>(n), offset, data, read ? read + start : nullptr,
                                       read ? n : 0);
    if (result != DeviceResult::kOk) return result;
    if (chunkProgress_) chunkProgress_(code, ++sent, starts.size());
  }
  return DeviceResult::kOk;
}

DeviceResult DeviceLink::ReadKeyTable(int profile, DeviceKeyTable& table) {
  if (!IsKeyboardProfile(profile)) return DeviceResult::kBadProfile;
  std::uint8_t bytes[kKeyTableBytes];
  const DeviceResult result = Chunked(kCommandReadKeyTable, profile * kKeyTableStride, bytes, nullptr, sizeof bytes);
  if (result == DeviceResult::kOk) std::memcpy(table.data(), bytes, sizeof bytes);
  return result;
}

DeviceResult DeviceLink::WriteKeyTable(int profile, const DeviceKeyTable& table, std::span<const std::uint8_t> known) {
  if (!IsKeyboardProfile(profile)) return DeviceResult::kBadProfile;
  return Chunked(kCommandWriteKeyTable, profile * kKeyTableStride, nullptr,
                 reinterpret_cast<const std::uint8_t*>(table.data()), kKeyTableBytes, known);
}

DeviceResult DeviceLink::ReadDefaultKeyTable(DeviceKeyTable& table) {
  std::uint8_t bytes[kKeyTableBytes];
  const DeviceResult result = Chunked(kCommandReadDefaultKeyTable, 0, bytes, nullptr, sizeof bytes);
  if (result == DeviceResult::kOk) std::memcpy(table.data(), bytes, sizeof bytes);
  return result;
}

DeviceResult DeviceLink::ReadMacroImage(std::span<std::uint8_t> image) {
  if (image.size() > kMaxMacroImageSize) return DeviceResult::kWriteFailed;
  return Chunked(kCommandReadMacroImage, 0, image.data(), nullptr, image.size());
}

DeviceResult DeviceLink::WriteMacroImage(std::span<const std::uint8_t> image, std::span<const std::uint8_t> known) {
  if (image.size() > kMaxMacroImageSize) return DeviceResult::kWriteFailed;
  return Chunked(kCommandWriteMacroImage, 0, nullptr, image.data(), image.size(), known);
}

// ---- Current profile, capacity, lock lights, boot ---------------------------

int DeviceLink::CachedProfile() const {
  std::lock_guard lock(stateMutex_);
  return cachedProfile_;
}

void DeviceLink::ForgetCurrentProfile() {
  std::lock_guard lock(stateMutex_);
  cachedProfile_ = kUnknownProfile;
}

int DeviceLink::CurrentProfile() {
  if (const int cached = CachedProfile(); cached != kUnknownProfile) return cached;
  StatusBlock status{};
  if (ReadStatus(status) != DeviceResult::kOk) return kUnknownProfile;
  std::lock_guard lock(stateMutex_);
  cachedProfile_ = status[kStatusCurrentProfile];
  return cachedProfile_;
}

DeviceResult DeviceLink::SetCurrentProfile(int profile) {
  if (profile < 0) return DeviceResult::kWriteFailed;
  if (!IsKeyboardProfile(profile)) return DeviceResult::kBadProfile;
  StatusBlock status{};
  DeviceResult result = ReadStatus(status);
  if (result == DeviceResult::kOk) {
    status[kStatusCurrentProfile] = static_cast<std::uint8_t>(profile);
    result = WriteStatus(status);
  }
  std::lock_guard lock(stateMutex_);
  cachedProfile_ = result == DeviceResult::kOk ? profile : kUnknownProfile;
  return result;
}

void DeviceLink::SetMacroCapacity(std::uint32_t bytes) {
  std::lock_guard lock(stateMutex_);
  macroCapacity_ = bytes;
}

std::uint32_t DeviceLink::MacroCapacity() const {
  std::lock_guard lock(stateMutex_);
  return macroCapacity_;
}

DeviceResult DeviceLink::RefreshMacroCapacity() {
  StatusBlock status{};
  const DeviceResult result = ReadStatus(status);
  if (result == DeviceResult::kOk) SetMacroCapacity(status[kStatusMacroCapacity] * kMacroCapacityUnit);
  return result;
}

int DeviceLink::Layer() const {
  std::lock_guard lock(stateMutex_);
  return lockLights_[1] & 1;
}

DeviceResult DeviceLink::WriteLockLights() {
  std::lock_guard write(lockLightWrite_);
  std::uint8_t bytes[2];
  {
    std::lock_guard lock(stateMutex_);
    std::memcpy(bytes, lockLights_, 2);
  }
  if (lockLightId_ != 0) service_.DeleteRequestFromUnitId(lockLightId_);
  lockLightId_ = 0;
  const std::uint32_t check = RequestCheck(kLockLightSelector, DeviceNoticeHandler, OSTRAK_TAG_LED, bytes, 2);
  const bool taken = service_.RequestStatusWrite(&kLockLightSelector, DeviceNoticeHandler, OSTRAK_TAG_LED, bytes, 2,
                                                 check, &lockLightId_) > 0;
  return taken ? DeviceResult::kOk : DeviceResult::kWriteFailed;
}

DeviceResult DeviceLink::ToggleLayer() {
  {
    std::lock_guard lock(stateMutex_);
    lockLights_[1] ^= 1;
  }
  return WriteLockLights();
}

bool DeviceLink::WriteFrame(const CommandFrame& frame) {
  const std::uint32_t check = RequestCheck(kControlSelector, nullptr, 0, frame.data(), frame.size());
  return service_.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), kFrameSize, check, nullptr) > 0;
}

DeviceResult DeviceLink::SendBootRequest() {
  return WriteFrame(BootRequestFrame()) ? DeviceResult::kOk : DeviceResult::kWriteFailed;
}
