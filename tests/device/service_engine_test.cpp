#include "device/service_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "device/command_frame.h"
#include "device/device_check.h"
#include "tests/support/wait.h"

namespace {

using Clock = ServiceEngine::Clock;

struct Arrival {
  std::uint8_t first;
  Clock::time_point at;
};

std::mutex gMutex;
std::vector<Arrival> gArrivals;

int Record(const RequestNotice* notice) {
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(gMutex);
  gArrivals.push_back({notice->block->bytes[0], now});
  return 1;
}

std::size_t ArrivalCount() {
  std::lock_guard lock(gMutex);
  return gArrivals.size();
}

// The callback thread sleeps until shortly before a report is due and spins
// the rest: whatever it learned about its timer, a report never arrives early.
TEST(DeviceServiceEngine, ReportsArriveInOrderAndNeverBeforeTheirDueTime) {
  gArrivals.clear();
  ServiceEngine engine;
  engine.Start();
  std::uint32_t id = 0;
  const std::uint32_t check = RequestCheck(kControlSelector, Record, OSTRAK_TAG_CTRL, nullptr, 0);
  ASSERT_EQ(engine.AsyncRead(&kControlSelector, Record, OSTRAK_TAG_CTRL, check, &id), 1);

  // Gaps from none to a few milliseconds, so that the thread both sleeps and
  // spins, and learns its timer's lateness along the way.
  constexpr int kReports = 60;
  std::vector<Clock::time_point> due(kReports);
  for (int i = 0; i < kReports; ++i) {
    const std::uint8_t report[1] = {static_cast<std::uint8_t>(i)};
    due[i] = Clock::now() + std::chrono::microseconds((i % 4) * 700);
    engine.Deliver(kControlUsagePage, kControlUsage, report, due[i]);
    if (i % 3 == 0) {
      ASSERT_TRUE(WaitFor([&] { return ArrivalCount() == static_cast<std::size_t>(i + 1); }));
    }
  }
  ASSERT_TRUE(WaitFor([] { return ArrivalCount() == kReports; }));
  engine.Stop();

  for (int i = 0; i < kReports; ++i) {
    EXPECT_EQ(gArrivals[i].first, i);
    EXPECT_GE(gArrivals[i].at, due[i]) << "report " << i;
  }
}

}  // namespace
