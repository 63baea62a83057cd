#include "device/transfer_thread.h"

TransferThread::TransferThread(DeviceLink& link) : link_(link), thread_([this] { Run(); }) {}

TransferThread::~TransferThread() { Stop(); }

bool TransferThread::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
  return true;
}

bool TransferThread::Busy() const {
  std::lock_guard lock(mutex_);
  return running_ || !jobs_.empty();
}

bool TransferThread::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void TransferThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
    jobs_.clear();
  }
  wake_.notify_all();
  link_.CancelTransfers();
  if (thread_.joinable()) thread_.join();
  link_.AllowTransfers();
}

void TransferThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    job();
    lock.lock();
    running_ = false;
  }
}
