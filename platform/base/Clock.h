#pragma once
// The one clock that every timer and animation step reads. The real clock follows the
// monotonic system clock; the virtual clock only moves when told to, so tests of timers and
// fades run instantly and deterministically.

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the clock started.
  virtual uint64_t NowMs() const = 0;
  // Waits the given time (the virtual clock just advances).
  virtual void SleepMs(uint32_t ms) = 0;
};

class RealClock final : public Clock {
 public:
  RealClock();
  uint64_t NowMs() const override;
  void SleepMs(uint32_t ms) override;

 private:
  uint64_t FStartNs;
};

class VirtualClock final : public Clock {
 public:
  uint64_t NowMs() const override { return FNow; }
  void SleepMs(uint32_t ms) override { FNow += ms; }
  void Advance(uint64_t ms) { FNow += ms; }
  // Moves forward to the given time; never backward.
  void AdvanceTo(uint64_t ms) { if (ms > FNow) FNow = ms; }

 private:
  uint64_t FNow = 0;
};

// The process's clock: a RealClock unless a backend or a test installs another.
Clock& CurrentClock();
// Installs a clock (not owned) or, with nullptr, returns to the real clock.
void SetCurrentClock(Clock* clock);
