// A pair of memory fences for a flag handshake between one thread that
// passes often and others that pass seldom: the frequent side's fence costs
// only an ordering of the compiler, the rare side's a system call that makes
// every running thread of the process pass a full fence. Together they order
// a store before a later load on both sides, as two full fences would. Where
// the kernel lacks that call, both are full fences.
#pragma once

#include <atomic>

namespace platform {

// Registers for the process-wide fence; true when the kernel gives it.
bool RegisterProcessWideFence();

// Whether the rare side's fence reaches the other threads: decided once, and
// inline, as the frequent side asks on every entry.
inline bool HasProcessWideFence() {
  static const bool registered = RegisterProcessWideFence();
  return registered;
}

// A full fence of the calling thread. ThreadSanitizer takes no standalone
// fence; its builds do not rest on this pair (the engine's biased mutex
// locks plainly there), so a sequentially consistent exchange stands in.
inline void FullFence() {
#if defined(__SANITIZE_THREAD__)
  static std::atomic<int> word{0};
  word.exchange(0, std::memory_order_seq_cst);
#else
  std::atomic_thread_fence(std::memory_order_seq_cst);
#endif
}

// The frequent side: between its store of its flag and its load of the others'.
inline void FrequentSideFence() {
  if (HasProcessWideFence()) {
    std::atomic_signal_fence(std::memory_order_seq_cst);
  } else {
    FullFence();
  }
}

// The rare side: between its store of its flag and its load of the frequent one's.
void RareSideFence();

}  // namespace platform
