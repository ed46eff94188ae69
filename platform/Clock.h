// Monotonic time for the engine: a wrapping millisecond tick count, a
// nanosecond performance counter, a cycle counter and sleeping. Tests replace
// the system clock with a FakeClock so time-based logic runs deterministically.
#pragma once

#include <cstdint>

namespace platform {

// Where time comes from. The system source reads CLOCK_MONOTONIC.
class ClockSource {
 public:
  virtual ~ClockSource() = default;
  virtual uint64_t MonotonicNanoseconds() = 0;
  virtual uint64_t Cycles() = 0;
  virtual void SleepMilliseconds(uint32_t ms) = 0;
};

// Installs a clock source (not owned; it must outlive its installation).
// Null restores the system clock. Returns the previously installed source,
// null for the system clock.
ClockSource* SetClockSource(ClockSource* source);

// Milliseconds since an arbitrary start, wrapping at 2^32 like a tick count.
uint32_t TickCount();
// The performance counter: nanoseconds, and its frequency (counts per second).
uint64_t PerformanceCounter();
uint64_t PerformanceFrequency();
// Microseconds of the performance counter (no overflow for any counter value).
uint64_t Microseconds();
// The processor's cycle counter where there is one, else the performance counter.
uint64_t CycleCounter();
void SleepMilliseconds(uint32_t ms);

// A clock that moves only when told to. Sleeping advances it by the time slept,
// and every reading may advance it by a fixed step so busy loops terminate.
class FakeClock : public ClockSource {
 public:
  explicit FakeClock(uint64_t startNanoseconds = 0, uint64_t cyclesPerSecond = 1000000000ull)
      : now_(startNanoseconds), cyclesPerSecond_(cyclesPerSecond) {}

  uint64_t MonotonicNanoseconds() override {
    uint64_t t = now_;
    now_ += stepPerRead_;
    return t;
  }
  uint64_t Cycles() override {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(now_) * cyclesPerSecond_ / 1000000000ull);
  }
  void SleepMilliseconds(uint32_t ms) override {
    now_ += static_cast<uint64_t>(ms) * 1000000ull;
    sleptMs_ += ms;
  }

  void AdvanceMilliseconds(uint64_t ms) { now_ += ms * 1000000ull; }
  void AdvanceNanoseconds(uint64_t ns) { now_ += ns; }
  void SetNanoseconds(uint64_t ns) { now_ = ns; }
  // Sets the clock so that TickCount() reads the given value next.
  void SetTickCount(uint32_t ticks) { now_ = static_cast<uint64_t>(ticks) * 1000000ull; }
  // Every reading advances the clock by this much (0: time stands still).
  void SetStepPerRead(uint64_t ns) { stepPerRead_ = ns; }
  uint64_t SleptMilliseconds() const { return sleptMs_; }

 private:
  uint64_t now_;
  uint64_t cyclesPerSecond_;
  uint64_t stepPerRead_ = 0;
  uint64_t sleptMs_ = 0;
};

// Installs a clock source for the lifetime of the guard.
class ScopedClockSource {
 public:
  explicit ScopedClockSource(ClockSource* source) : previous_(SetClockSource(source)) {}
  ~ScopedClockSource() { SetClockSource(previous_); }
  ScopedClockSource(const ScopedClockSource&) = delete;
  ScopedClockSource& operator=(const ScopedClockSource&) = delete;

 private:
  ClockSource* previous_;
};

}  // namespace platform
