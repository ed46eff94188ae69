#include "platform/Clock.h"

#include <atomic>
#include <ctime>
#include <thread>
#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace platform {
namespace {

class SystemClock final : public ClockSource {
 public:
  uint64_t MonotonicNanoseconds() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
  }
  uint64_t Cycles() override {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return MonotonicNanoseconds();
#endif
  }
  void SleepMilliseconds(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

SystemClock gSystemClock;
std::atomic<ClockSource*> gSource{nullptr};

ClockSource& Source() {
  ClockSource* s = gSource.load(std::memory_order_acquire);
  return s ? *s : gSystemClock;
}

}  // namespace

ClockSource* SetClockSource(ClockSource* source) {
  return gSource.exchange(source, std::memory_order_acq_rel);
}

uint32_t TickCount() {
  return static_cast<uint32_t>(Source().MonotonicNanoseconds() / 1000000ull);
}

uint64_t PerformanceCounter() { return Source().MonotonicNanoseconds(); }

uint64_t PerformanceFrequency() { return 1000000000ull; }

uint64_t Microseconds() { return Source().MonotonicNanoseconds() / 1000ull; }

uint64_t CycleCounter() { return Source().Cycles(); }

void SleepMilliseconds(uint32_t ms) { Source().SleepMilliseconds(ms); }

}  // namespace platform
