#include "engine/core/VBiasedMutex.h"

#include <chrono>
#include <thread>

#include "platform/AsymmetricFence.h"

void VBiasedMutex::LockFrequent() {
  mutex_.Wait(VMutex::kInfinite);
  frequentLocked_ = true;
}

void VBiasedMutex::UnlockFrequent() {
  frequentLocked_ = false;
  mutex_.Release();
}

void VBiasedMutex::Wait() {
  others_.fetch_add(1, std::memory_order_relaxed);
  if (kBiasedMutexHandshake) {
    platform::RareSideFence();
    // The frequent party leaves within a block's work; a long stay (its
    // thread preempted) is waited out with yields and then short sleeps.
    for (int spins = 0; frequentInside_.load(std::memory_order_acquire); ++spins) {
      if (spins < 64) {
        std::this_thread::yield();
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
    }
  }
  // From here the frequent party takes the mutex too, so it decides.
  mutex_.Wait(VMutex::kInfinite);
}

void VBiasedMutex::Release() {
  mutex_.Release();
  // Release: the frequent party's next entry sees what was written here.
  others_.fetch_sub(1, std::memory_order_release);
}
