#include "engine/core/VMutex.h"

#include <chrono>

#include "platform/WordWait.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

bool VMutex::LockContended(uint32_t seen, uint32_t timeoutMs) {
  if (timeoutMs == 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // From here on the word says that someone may sleep on it, so that the
  // release wakes one.
  if (seen != kContended) seen = state_.exchange(kContended, std::memory_order_acquire);
  while (seen != kFree) {
    if (timeoutMs == kInfinite) {
      platform::WaitOnWord(state_, kContended, -1);
    } else {
      const auto left = deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::nanoseconds::zero()) return false;
      platform::WaitOnWord(state_, kContended, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count());
    }
    seen = state_.exchange(kContended, std::memory_order_acquire);
  }
  return true;
}

void VMutex::WakeOne() { platform::WakeOneOnWord(state_); }

#if defined(__SANITIZE_THREAD__)
void VMutex::Acquired() { __tsan_acquire(&state_); }
void VMutex::Releasing() { __tsan_release(&state_); }
#endif

namespace {
// Made during static initialisation so that it exists before any thread does.
VMutex& gProgramMutexAtStart = GetProgramMutex();
}  // namespace

VMutex& GetProgramMutex() {
  static VMutex mutex;
  return mutex;
}
