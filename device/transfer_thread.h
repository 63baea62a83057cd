// The one thread that talks to the keyboard. Reading the keyboard back,
// applying, switching profiles: every transfer runs here, one job after
// another, so that the window never waits for a reply and two transfers never
// interleave their commands. Jobs tell the window what came of them by
// posting to it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "device/device_link.h"

class TransferThread {
 public:
  using Job = std::function<void()>;

  explicit TransferThread(DeviceLink& link);
  ~TransferThread();  // Stop()
  TransferThread(const TransferThread&) = delete;
  TransferThread& operator=(const TransferThread&) = delete;

  // Queues `job` behind the others. False once stopped (the job is dropped).
  bool Post(Job job);

  // Whether a job is running or waiting.
  bool Busy() const;

  // Whether Stop has begun: a job that waits for anything else than the
  // keyboard gives up when this turns true.
  bool Stopping() const;

  // Cancels the transfer under way (it ends at its next wait, a configuration
  // it began is still ended), drops the queued jobs and waits for the thread.
  // The link takes transfers again afterwards.
  void Stop();

 private:
  void Run();

  DeviceLink& link_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool running_ = false;  // a job is running
  bool stopping_ = false;
  std::thread thread_;
};
