#include "engine/core/Clock.h"

#include "platform/Clock.h"
#include "platform/Input.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

uint64_t gClockStartCounter = 0;
uint64_t gClockStartCycles = 0;
uint64_t gCounterFrequency = ~uint64_t{0};
uint64_t gCyclesPerSecond = ~uint64_t{0};

uint32_t gProcessorClass = 0;
uint8_t gProcessorHasMMX = 0;
uint8_t gProcessorHasSSE = 0;
uint8_t gProcessorHasTSC = 0;

namespace {

using u128 = unsigned __int128;

bool ClockInitialised() { return gCounterFrequency != ~uint64_t{0} && gCounterFrequency != 0; }

// a * b / c without overflow of the product; saturates at 2^64 - 1.
uint64_t MulDiv(uint64_t a, uint64_t b, uint64_t c) {
  if (c == 0) {
    return 0;
  }
  u128 q = static_cast<u128>(a) * b / c;
  return q > ~uint64_t{0} ? ~uint64_t{0} : static_cast<uint64_t>(q);
}

}  // namespace

void InitClock() {
  gClockStartCounter = platform::PerformanceCounter();
  gClockStartCycles = ReadCycleCounter();
  gCounterFrequency = platform::PerformanceFrequency();
}

uint64_t CalibrateClock() {
  if (!ClockInitialised()) {
    InitClock();
  }
  uint64_t elapsed = platform::PerformanceCounter() - gClockStartCounter;
  if (elapsed < gCounterFrequency) {
    uint64_t ms = MulDiv(gCounterFrequency - elapsed, 1000, gCounterFrequency);
    platform::SleepMilliseconds(static_cast<uint32_t>(ms));
    elapsed = platform::PerformanceCounter() - gClockStartCounter;
  }
  if (elapsed == 0) {
    return 0;
  }
  uint64_t cycles = ReadCycleCounter() - gClockStartCycles;
  gCyclesPerSecond = MulDiv(cycles, gCounterFrequency, elapsed);
  return gCyclesPerSecond;
}

uint64_t GetMicroseconds() {
  if (!ClockInitialised()) {
    return 0;
  }
  return MulDiv(platform::PerformanceCounter() - gClockStartCounter, 1000000, gCounterFrequency);
}

uint64_t ReadCycleCounter() {
  if (gProcessorClass == 0) {
    DetectProcessor();
  }
  return gProcessorHasTSC ? platform::CycleCounter() : GetMicroseconds();
}

uint32_t ClassifyProcessor(uint32_t processorType, bool hasIdentification, uint32_t signature) {
  switch (processorType) {
    case 386:
      return kProcessorClass386;
    case 486:
      return kProcessorClass486;
    case 586: {
      if (!hasIdentification) {
        return kProcessorClassPentium;
      }
      // Family 6, and family 15 which every later processor reports (its
      // real family is in the extended field), are of the newer class.
      uint32_t family = (signature >> 8) & 0xF;
      return (family == 6 || family == 15) ? kProcessorClassPentiumPro : kProcessorClassPentium;
    }
    default:
      return 0;
  }
}

void DetectProcessor() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  bool hasId = __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0;
  uint32_t signature = hasId ? eax : 0;
  uint32_t features = hasId ? edx : 0;
  gProcessorClass = ClassifyProcessor(586, hasId, signature);
  gProcessorHasMMX = (features >> 23) & 1;
  gProcessorHasSSE = (features >> 25) & 1;
  gProcessorHasTSC = (features >> 4) & 1;
#else
  // No identification instruction to ask: take the newest class with its
  // features; the cycle counter falls back to the platform's counter.
  gProcessorClass = kProcessorClassPentiumPro;
  gProcessorHasMMX = 1;
  gProcessorHasSSE = 1;
  gProcessorHasTSC = 1;
#endif
}

VPoint GetMousePosition(VPoint& point, void* window) {
  platform::ScreenPoint p = platform::GetCursorScreenPosition();
  if (window != nullptr) {
    platform::ScreenToClient(window, p);
  }
  point.Set(p.x, p.y);
  return point;
}
