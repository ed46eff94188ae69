#include "engine/core/VMutex.h"

#include <chrono>

bool VMutex::Wait(uint32_t timeoutMs) {
  bool owned = false;
  if (timeoutMs == kInfinite) {
    mutex_.lock();
    owned = true;
  } else if (timeoutMs == 0) {
    owned = mutex_.try_lock();
  } else {
    owned = mutex_.try_lock_for(std::chrono::milliseconds(timeoutMs));
  }
  if (!owned) {
    return false;
  }
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  ++depth_;
  return true;
}

bool VMutex::Release() {
  if (!IsHeldByCurrentThread() || depth_ == 0) {
    return false;
  }
  if (--depth_ == 0) {
    owner_.store(std::thread::id(), std::memory_order_relaxed);
  }
  mutex_.unlock();
  return true;
}

bool VMutex::IsHeldByCurrentThread() const {
  return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

namespace {
// Made during static initialisation so that it exists before any thread does.
VMutex& gProgramMutexAtStart = GetProgramMutex();
}  // namespace

VMutex& GetProgramMutex() {
  static VMutex mutex;
  return mutex;
}
