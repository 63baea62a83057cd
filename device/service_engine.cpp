#include "device/service_engine.h"

#include <algorithm>

#include "device/command_frame.h"
#include "device/device_check.h"

namespace {

// A timed wait ends late by a fairly steady amount on a given machine (the
// system's timer slack, an idle processor waking up): tens of microseconds, a
// tenth of every reply at a latency of 1 ms. The callback thread learns that
// amount, sleeps until that much before a report is due and spins the rest.
// The amount it learns is capped: on a busy machine a thread that spins long
// loses its processor and delivers later than one that sleeps.
constexpr ServiceEngine::Clock::duration kMaxSpin = std::chrono::microseconds(200);

}  // namespace

ServiceEngine::ServiceEngine() = default;

ServiceEngine::~ServiceEngine() { Stop(); }

void ServiceEngine::SetBackend(ServiceBackend* backend) {
  std::lock_guard lock(mutex_);
  backend_ = backend;
}

int ServiceEngine::Start() {
  std::lock_guard lock(mutex_);
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { Run(); });
  }
  return 1;
}

void ServiceEngine::Stop() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
    queue_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) {
    // Stopped from a callback: the thread ends by itself once the callback returns.
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

bool ServiceEngine::Accept(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                           const void* payload, std::size_t length, std::uint32_t check) {
  const bool good = selector != nullptr && (length == 0 || payload != nullptr) &&
                    RequestCheck(*selector, callback, tag, payload, length) == check;
  if (!good) {
    std::lock_guard lock(mutex_);
    ++refused_;
  }
  return good;
}

int ServiceEngine::GetDeviceCount(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                                  std::uint32_t check) {
  if (!Accept(selector, callback, tag, nullptr, 0, check)) return -1;
  if (!IsKeyboardSelector(*selector)) return 0;
  ServiceBackend* backend;
  {
    std::lock_guard lock(mutex_);
    backend = backend_;
  }
  return backend ? backend->Count() : 0;
}

int ServiceEngine::WriteOne(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                            const void* payload, std::uint32_t length, std::uint32_t check) {
  if (length > kFrameSize || !Accept(selector, callback, tag, payload, length, check)) return -1;
  if (!IsKeyboardSelector(*selector)) return 0;
  ServiceBackend* backend;
  {
    std::lock_guard lock(mutex_);
    backend = backend_;
  }
  if (!backend) return 0;
  return backend->Write(selector->usagePage, selector->usage,
                        {static_cast<const std::uint8_t*>(payload), length}) > 0
             ? 1
             : 0;
}

int ServiceEngine::StatusWrite(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                               const void* payload, std::uint32_t length, std::uint32_t check, std::uint32_t* id) {
  const int written = WriteOne(selector, callback, tag, payload, length, check);
  if (written <= 0) return written;
  std::lock_guard lock(mutex_);
  const std::uint32_t assigned = nextId_++;
  requests_[assigned] = {selector->usagePage, selector->usage, callback, tag, false};
  if (id) *id = assigned;
  return 1;
}

int ServiceEngine::AsyncRead(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                             std::uint32_t check, std::uint32_t* id) {
  if (!Accept(selector, callback, tag, nullptr, 0, check)) return -1;
  if (!IsKeyboardSelector(*selector) || callback == nullptr) return 0;
  ServiceBackend* backend;
  {
    std::lock_guard lock(mutex_);
    if (backend_ && backend_->RefusesRead()) return 0;
    const std::uint32_t assigned = nextId_++;
    requests_[assigned] = {selector->usagePage, selector->usage, callback, tag, true};
    if (id) *id = assigned;
    backend = backend_;
  }
  if (backend) backend->ReadPlaced(selector->usagePage, selector->usage);
  return 1;
}

int ServiceEngine::DeleteRequest(std::uint32_t id) {
  std::lock_guard lock(mutex_);
  return requests_.erase(id) > 0 ? 1 : 0;
}

void ServiceEngine::Deliver(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report,
                            Clock::time_point due) {
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    queue_.push_back({due, false, 0, usagePage, usage, {report.begin(), report.end()}});
  }
  wake_.notify_all();
}

void ServiceEngine::CountChanged(int count) {
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    // Behind the reports already queued, so that a reply sent before the
    // keyboard left still arrives first.
    const Clock::time_point due = queue_.empty() ? Clock::now() : queue_.back().due;
    queue_.push_back({due, true, count, kControlUsagePage, kControlUsage, {}});
  }
  wake_.notify_all();
}

int ServiceEngine::RefusedRequests() const {
  std::lock_guard lock(mutex_);
  return refused_;
}

int ServiceEngine::StandingRequests() const {
  std::lock_guard lock(mutex_);
  int reads = 0;
  for (const auto& [id, request] : requests_) reads += request.reads ? 1 : 0;
  return reads;
}

void ServiceEngine::Run() {
  Clock::duration lateness{};  // of the timed waits, averaged over the last few
  std::unique_lock lock(mutex_);
  while (running_) {
    if (queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const Clock::time_point due = queue_.front().due;
    const Clock::time_point wakeAt = due - lateness;
    if (Clock::now() < wakeAt) {
      if (wake_.wait_until(lock, wakeAt) == std::cv_status::timeout) {
        const Clock::duration late = std::clamp<Clock::duration>(Clock::now() - wakeAt, {}, kMaxSpin);
        lateness += (late - lateness) / 8;
      }
      continue;
    }
    if (Clock::now() < due) {
      // The last stretch, without the lock so that reports can still be queued.
      lock.unlock();
      while (Clock::now() < due) {
      }
      lock.lock();
      continue;
    }
    Pending item = std::move(queue_.front());
    queue_.pop_front();
    // Callbacks run without the lock: a callback may place or delete requests.
    std::vector<std::pair<NoticeCallback, std::uint32_t>> targets;
    for (const auto& [id, request] : requests_)
      if (request.reads && request.usagePage == item.usagePage && request.usage == item.usage)
        targets.emplace_back(request.callback, request.tag);
    lock.unlock();
    for (const auto& [callback, tag] : targets) {
      ReportRecord report{};
      report.bytes = item.bytes.data();
      RequestBlock block{tag, item.count ? static_cast<std::uint32_t>(item.devices)
                                         : static_cast<std::uint32_t>(item.bytes.size()),
                         item.count ? nullptr : item.bytes.data(), &report};
      if (item.count) block.report = nullptr;
      const RequestNotice notice{item.count ? OSTRAK_NOTICE_COUNT : OSTRAK_NOTICE_DATA, 0, &block};
      callback(&notice);
    }
    lock.lock();
  }
}
