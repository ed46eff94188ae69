// A recursive mutex with timed waits, and the scope lock that holds it. The
// owning thread may lock it again and must release it as often; a release
// from a thread that does not hold it is refused instead of undefined.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

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
  bool Wait(uint32_t timeoutMs);
  // Gives up one level of ownership; false when the calling thread does not
  // own the mutex.
  bool Release();

  // Whether the calling thread owns the mutex (for checks and tests).
  bool IsHeldByCurrentThread() const;

 private:
  std::recursive_timed_mutex mutex_;
  std::atomic<std::thread::id> owner_{};
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
