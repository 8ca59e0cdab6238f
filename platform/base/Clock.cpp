#include "platform/base/Clock.h"

#include <chrono>
#include <thread>

namespace {

uint64_t MonotonicNs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

Clock* gClock = nullptr;

}  // namespace

RealClock::RealClock() : FStartNs(MonotonicNs()) {}

uint64_t RealClock::NowMs() const { return (MonotonicNs() - FStartNs) / 1000000; }

void RealClock::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Clock& CurrentClock() {
  static RealClock real;
  return gClock ? *gClock : real;
}

void SetCurrentClock(Clock* clock) { gClock = clock; }
