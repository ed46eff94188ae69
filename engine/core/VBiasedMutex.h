// A mutex that one party holds very often and everybody else seldom: the
// sound mixer takes every playing channel's lock for every block, while the
// program changes a channel a few times a second. The frequent party enters
// with a store, a compiler fence and a load, and leaves with a store: no
// atomic read-modify-write, whose cost (it drains the processor's store
// buffer) is most of what a free lock costs. The others pay instead: a
// process-wide fence, and a wait while the frequent party is inside.
//
// The frequent side must be used by one thread at a time (its caller sees to
// that, the mixer by its own list lock), and it does not nest. The other
// side is a recursive mutex, as VMutex is.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/core/VMutex.h"
#include "platform/AsymmetricFence.h"

// ThreadSanitizer does not see the fences the handshake rests on: there the
// frequent party takes the mutex like everybody else.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kBiasedMutexHandshake = false;
#else
inline constexpr bool kBiasedMutexHandshake = true;
#endif

class VBiasedMutex {
 public:
  VBiasedMutex() = default;
  VBiasedMutex(const VBiasedMutex&) = delete;
  VBiasedMutex& operator=(const VBiasedMutex&) = delete;

  // The frequent party: returns holding the mutex. Inline, as the mixer
  // enters and leaves once per channel and block.
  void EnterFrequent() {
    if (kBiasedMutexHandshake) {
      // Dekker's handshake: the flag is stored before the others' count is
      // read, and each other party stores its count before it reads the flag,
      // with the paired fences between; so either this side sees them, or
      // they see it inside and wait.
      frequentInside_.store(true, std::memory_order_relaxed);
      platform::FrequentSideFence();
      // Acquire: what the last other party wrote under the mutex is seen.
      if (others_.load(std::memory_order_acquire) == 0) return;
      frequentInside_.store(false, std::memory_order_release);
    }
    LockFrequent();
  }
  void LeaveFrequent() {
    if (frequentLocked_) {
      UnlockFrequent();
      return;
    }
    // Release: what this side wrote inside is seen by the party that waited.
    frequentInside_.store(false, std::memory_order_release);
  }
  // Everybody else: waits without limit for the mutex, and gives it up.
  void Wait();
  void Release();

 private:
  // The frequent party's way when others want the mutex: it takes it.
  void LockFrequent();
  void UnlockFrequent();

  VMutex mutex_;
  // The other parties that want or hold the mutex.
  std::atomic<uint32_t> others_{0};
  // Set while the frequent party is inside without the mutex.
  std::atomic<bool> frequentInside_{false};
  // The frequent party found others and took the mutex itself this time.
  bool frequentLocked_ = false;
};

// Holds a VBiasedMutex as one of the other parties for its lifetime.
class VBiasedMutexLock {
 public:
  explicit VBiasedMutexLock(VBiasedMutex& mutex) : mutex_(mutex) { mutex_.Wait(); }
  ~VBiasedMutexLock() { mutex_.Release(); }
  VBiasedMutexLock(const VBiasedMutexLock&) = delete;
  VBiasedMutexLock& operator=(const VBiasedMutexLock&) = delete;

 private:
  VBiasedMutex& mutex_;
};
