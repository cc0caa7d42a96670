// GoogleTest's Notification (a one-shot start signal for the threads of its
// own thread support, which these tests do not use) without std::mutex or
// std::condition_variable, which the win32 build's thread model lacks.
// Every file of GoogleTest and of the win32 tests includes this first, so it
// must not bring <windows.h> and its macros along.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace testing::internal {

class Notification {
public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { FNotified.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!FNotified.load(std::memory_order_acquire))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

private:
  std::atomic<bool> FNotified{false};
};

} // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
