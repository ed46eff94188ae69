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

class VBiasedMutex {
 public:
  VBiasedMutex() = default;
  VBiasedMutex(const VBiasedMutex&) = delete;
  VBiasedMutex& operator=(const VBiasedMutex&) = delete;

  // The frequent party: returns holding the mutex.
  void EnterFrequent();
  void LeaveFrequent();
  // Everybody else: waits without limit for the mutex, and gives it up.
  void Wait();
  void Release();

 private:
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
