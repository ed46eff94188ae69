// A recursive mutex with timed waits, and the scope lock that holds it. The
// owning thread may lock it again and must release it as often; a release
// from a thread that does not hold it is refused instead of undefined.
#pragma once

#include <atomic>
#include <cstdint>

class VMutex {
 public:
  // A time-out that never expires.
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

  VMutex() = default;
  virtual ~VMutex() = default;
  VMutex(const VMutex&) = delete;
  VMutex& operator=(const VMutex&) = delete;

  // Waits up to timeoutMs milliseconds (kInfinite: without limit, 0: only
  // tries) to own the mutex; true when it is owned afterwards.
  bool Wait(uint32_t timeoutMs) {
    const void* self = CurrentThreadKey();
    // Only this thread can have set the owner to itself, so the test is exact.
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    uint32_t seen = kFree;
    if (!state_.compare_exchange_strong(seen, kLocked, std::memory_order_acquire, std::memory_order_relaxed) &&
        !LockContended(seen, timeoutMs)) {
      return false;
    }
    Acquired();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
  }
  // Gives up one level of ownership; false when the calling thread does not
  // own the mutex.
  bool Release() {
    if (!IsHeldByCurrentThread() || depth_ == 0) return false;
    if (--depth_ > 0) return true;
    owner_.store(nullptr, std::memory_order_relaxed);
    Releasing();
    if (state_.exchange(kFree, std::memory_order_release) == kContended) WakeOne();
    return true;
  }

  // Whether the calling thread owns the mutex (for checks and tests).
  bool IsHeldByCurrentThread() const { return owner_.load(std::memory_order_relaxed) == CurrentThreadKey(); }

 private:
  // Names the calling thread: the address of a byte of its own, unique among
  // running threads and read without a call (the mixer asks for it several
  // times per channel and block).
  static const void* CurrentThreadKey() {
    static thread_local char key;
    return &key;
  }
  // The lock itself is a word the kernel can sleep on (free, locked, locked
  // with sleepers): taking and giving up a free mutex is one atomic step each
  // with no call (the sound mixer takes several locks per channel and
  // block). The owner's further levels are counted in depth_.
  static constexpr uint32_t kFree = 0;
  static constexpr uint32_t kLocked = 1;
  static constexpr uint32_t kContended = 2;
  // The mutex was not free (`seen`): waits for it as Wait says.
  bool LockContended(uint32_t seen, uint32_t timeoutMs);
  void WakeOne();
  // Tell ThreadSanitizer, which does not see this lock, where ownership
  // passes; nothing in other builds.
#if defined(__SANITIZE_THREAD__)
  void Acquired();
  void Releasing();
#else
  void Acquired() {}
  void Releasing() {}
#endif

  std::atomic<uint32_t> state_{kFree};
  std::atomic<const void*> owner_{nullptr};
  uint32_t depth_ = 0;  // written only by the owner
};

// Holds a VMutex for the lifetime of the lock (waits without time-out).
class VMutexLock {
 public:
  explicit VMutexLock(VMutex& mutex) : mutex_(mutex) { mutex_.Wait(VMutex::kInfinite); }
  virtual ~VMutexLock() { mutex_.Release(); }
  VMutexLock(const VMutexLock&) = delete;
  VMutexLock& operator=(const VMutexLock&) = delete;

 private:
  VMutex& mutex_;
};

// The one program-wide mutex, made before first use and kept until exit.
VMutex& GetProgramMutex();
