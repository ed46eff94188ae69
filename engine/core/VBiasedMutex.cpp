#include "engine/core/VBiasedMutex.h"

#include <chrono>
#include <thread>

#include "platform/AsymmetricFence.h"

// ThreadSanitizer does not see the fences the handshake rests on: there the
// frequent party takes the mutex like everybody else.
#if defined(__SANITIZE_THREAD__)
constexpr bool kHandshake = false;
#else
constexpr bool kHandshake = true;
#endif

void VBiasedMutex::EnterFrequent() {
  if (kHandshake) {
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
  mutex_.Wait(VMutex::kInfinite);
  frequentLocked_ = true;
}

void VBiasedMutex::LeaveFrequent() {
  if (frequentLocked_) {
    frequentLocked_ = false;
    mutex_.Release();
    return;
  }
  // Release: what this side wrote inside is seen by the party that waited.
  frequentInside_.store(false, std::memory_order_release);
}

void VBiasedMutex::Wait() {
  others_.fetch_add(1, std::memory_order_relaxed);
  if (kHandshake) {
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
