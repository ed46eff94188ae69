#include "engine/core/Clock.h"

#include <mutex>

#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Processor.h"

std::atomic<uint64_t> gClockStartCounter{0};
std::atomic<uint64_t> gClockStartCycles{0};
std::atomic<uint64_t> gCounterFrequency{~uint64_t{0}};
std::atomic<uint64_t> gCyclesPerSecond{~uint64_t{0}};

std::atomic<uint32_t> gProcessorClass{0};
std::atomic<uint8_t> gProcessorHasMMX{0};
std::atomic<uint8_t> gProcessorHasSSE{0};
std::atomic<uint8_t> gProcessorHasTSC{0};

namespace {

using u128 = unsigned __int128;

// Serialises the writers of the start values (InitClock, and the lazy start
// of CalibrateClock); readers take the atomics without it.
std::mutex gClockStartMutex;

// The counter frequency once InitClock has published it, else 0.
uint64_t PublishedFrequency() {
  const uint64_t f = gCounterFrequency.load(std::memory_order_acquire);
  return f == ~uint64_t{0} ? 0 : f;
}

void InitClockLocked() {
  gClockStartCounter.store(platform::PerformanceCounter(), std::memory_order_relaxed);
  gClockStartCycles.store(ReadCycleCounter(), std::memory_order_relaxed);
  gCounterFrequency.store(platform::PerformanceFrequency(), std::memory_order_release);
}

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
  std::lock_guard<std::mutex> lock(gClockStartMutex);
  InitClockLocked();
}

uint64_t CalibrateClock() {
  uint64_t frequency = PublishedFrequency();
  if (frequency == 0) {
    std::lock_guard<std::mutex> lock(gClockStartMutex);
    if (PublishedFrequency() == 0) {
      InitClockLocked();
    }
    frequency = PublishedFrequency();
    if (frequency == 0) {
      return 0;
    }
  }
  const uint64_t startCounter = gClockStartCounter.load(std::memory_order_relaxed);
  const uint64_t startCycles = gClockStartCycles.load(std::memory_order_relaxed);
  uint64_t elapsed = platform::PerformanceCounter() - startCounter;
  if (elapsed < frequency) {
    uint64_t ms = MulDiv(frequency - elapsed, 1000, frequency);
    platform::SleepMilliseconds(static_cast<uint32_t>(ms));
    elapsed = platform::PerformanceCounter() - startCounter;
  }
  if (elapsed == 0) {
    return 0;
  }
  uint64_t cycles = ReadCycleCounter() - startCycles;
  const uint64_t perSecond = MulDiv(cycles, frequency, elapsed);
  gCyclesPerSecond.store(perSecond, std::memory_order_relaxed);
  return perSecond;
}

uint64_t GetMicroseconds() {
  const uint64_t frequency = PublishedFrequency();
  if (frequency == 0) {
    return 0;
  }
  // The start first: a counter read before a concurrent InitClock could lie
  // before the new start and wrap around.
  const uint64_t start = gClockStartCounter.load(std::memory_order_relaxed);
  const uint64_t now = platform::PerformanceCounter();
  return now > start ? MulDiv(now - start, 1000000, frequency) : 0;
}

uint64_t ReadCycleCounter() {
  if (gProcessorClass.load(std::memory_order_acquire) == 0) {
    DetectProcessor();
  }
  return gProcessorHasTSC.load(std::memory_order_relaxed) ? platform::CycleCounter() : GetMicroseconds();
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
  const platform::ProcessorIdentity id = platform::IdentifyProcessor();
  uint32_t processorClass = kProcessorClassPentiumPro;
  uint32_t features = (1u << 23) | (1u << 25) | (1u << 4);
  if (id.isX86) {
    processorClass = ClassifyProcessor(586, id.hasIdentification, id.signature);
    features = id.hasIdentification ? id.features : 0;
  }
  // Another family has no identification instruction to ask: it gets the
  // newest class with its features, and the cycle counter falls back to the
  // platform's counter.
  gProcessorHasMMX.store((features >> 23) & 1, std::memory_order_relaxed);
  gProcessorHasSSE.store((features >> 25) & 1, std::memory_order_relaxed);
  gProcessorHasTSC.store((features >> 4) & 1, std::memory_order_relaxed);
  gProcessorClass.store(processorClass, std::memory_order_release);
}

namespace {
bool gPointerReplayed = false;
VPoint gReplayedPointer;
}  // namespace

void SetReplayedPointer(const VPoint* windowPoint) {
  gPointerReplayed = windowPoint != nullptr;
  if (windowPoint != nullptr) gReplayedPointer = *windowPoint;
}

VPoint GetMousePosition(VPoint& point, void* window) {
  if (gPointerReplayed && window != nullptr) {
    point = gReplayedPointer;
    return point;
  }
  platform::ScreenPoint p = platform::GetCursorScreenPosition();
  if (window != nullptr) {
    platform::ScreenToClient(window, p);
  }
  point.Set(p.x, p.y);
  return point;
}
