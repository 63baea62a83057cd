// Waiting in native tests for work that other threads finish.
#pragma once

#include <chrono>
#include <thread>

// Polls `done` every few milliseconds until it holds or 5 s have passed.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}
