// The device service's own side of the interface, shared by HidServ.dll's back
// ends and the in-process service of the tests: it checks every request's
// check value, keeps the standing requests with their ids, and calls their
// callbacks on a thread of its own with each report and each change in the
// number of attached keyboards.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "device/device_service.h"

// Where the engine sends what the program asks for: a real keyboard or the
// simulator.
class ServiceBackend {
 public:
  virtual ~ServiceBackend() = default;
  // Keyboards attached (each with all three collections).
  virtual int Count() = 0;
  // Writes one report to a collection; 1 when written.
  virtual int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) = 0;
  // A standing read was placed on a collection (a back end may start reading it).
  virtual void ReadPlaced(std::uint16_t usagePage, std::uint16_t usage) {}
  // Whether the next standing read is refused (the simulated service's fault).
  virtual bool RefusesRead() { return false; }
};

class ServiceEngine {
 public:
  using Clock = std::chrono::steady_clock;

  ServiceEngine();
  ~ServiceEngine();
  ServiceEngine(const ServiceEngine&) = delete;
  ServiceEngine& operator=(const ServiceEngine&) = delete;

  void SetBackend(ServiceBackend* backend);
  // Starts the callback thread. Returns 1.
  int Start();
  // Stops the callback thread; notices not yet delivered are dropped.
  void Stop();

  // ---- The entry points (arguments as the interface gives them). ----
  int GetDeviceCount(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag,
                     std::uint32_t check);
  int WriteOne(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag, const void* payload,
               std::uint32_t length, std::uint32_t check);
  int StatusWrite(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag, const void* payload,
                  std::uint32_t length, std::uint32_t check, std::uint32_t* id);
  int AsyncRead(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag, std::uint32_t check,
                std::uint32_t* id);
  int DeleteRequest(std::uint32_t id);

  // ---- From the back end (any thread). ----
  // A report arrived on a collection; it reaches the callbacks at `due`.
  void Deliver(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report,
               Clock::time_point due);
  // The number of attached keyboards changed: a count notice to every
  // standing read of the control collection.
  void CountChanged(int count);

  int RefusedRequests() const;  // requests whose check value was wrong
  int StandingRequests() const;

 private:
  struct Request {
    std::uint16_t usagePage;
    std::uint16_t usage;
    NoticeCallback callback;
    std::uint32_t tag;
    bool reads;  // a standing read; status writes only hold their id
  };
  struct Pending {
    Clock::time_point due;
    bool count;
    int devices;
    std::uint16_t usagePage;
    std::uint16_t usage;
    std::vector<std::uint8_t> bytes;
  };

  bool Accept(const UnitSelector* selector, NoticeCallback callback, std::uint32_t tag, const void* payload,
              std::size_t length, std::uint32_t check);
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  ServiceBackend* backend_ = nullptr;
  std::map<std::uint32_t, Request> requests_;
  std::uint32_t nextId_ = 1;
  std::deque<Pending> queue_;
  bool running_ = false;
  std::thread thread_;
  int refused_ = 0;
};
