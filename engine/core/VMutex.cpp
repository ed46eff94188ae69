#include "engine/core/VMutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {
// The kernel's wait on a word: sleeps while the word holds `value` (up to
// `timeout`, relative, when given).
void FutexWait(std::atomic<uint32_t>& word, uint32_t value, const timespec* timeout) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT_PRIVATE, value, timeout, nullptr, 0);
}
}  // namespace

bool VMutex::LockContended(uint32_t seen, uint32_t timeoutMs) {
  if (timeoutMs == 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // From here on the word says that someone may sleep on it, so that the
  // release wakes one.
  if (seen != kContended) seen = state_.exchange(kContended, std::memory_order_acquire);
  while (seen != kFree) {
    if (timeoutMs == kInfinite) {
      FutexWait(state_, kContended, nullptr);
    } else {
      const auto left = deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::nanoseconds::zero()) return false;
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
      FutexWait(state_, kContended, &wait);
    }
    seen = state_.exchange(kContended, std::memory_order_acquire);
  }
  return true;
}

void VMutex::WakeOne() {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&state_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

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
