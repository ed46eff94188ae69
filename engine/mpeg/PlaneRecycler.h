// Storage of the planes of released pictures, kept for the next pictures of a
// similar size: a decoder started again (the next movie, a restart) writes
// into memory already mapped instead of having fresh pages faulted in and
// cleared, and freeing does not unmap them either. Bounded; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class PlaneRecycler {
 public:
  // The process's recycler (never destroyed, so pictures released at exit may still use it).
  static PlaneRecycler& Get();

  // Storage of at least `size` bytes (at most twice that) when some was kept,
  // else an empty vector. Its contents are whatever was there.
  std::vector<uint8_t> Take(size_t size);
  // Keeps the storage of `plane` (left empty) unless that would pass the bound;
  // the oldest storage is let go first.
  void Give(std::vector<uint8_t>& plane);

  // What is kept, for tests.
  size_t GetKeptBytes();
  size_t GetKeptCount();
  // Lets go of everything kept.
  void Clear();

  static constexpr size_t kMaxBytes = size_t(24) << 20;
  static constexpr size_t kMaxCount = 32;

 private:
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> kept_;  // oldest first
  size_t keptBytes_ = 0;
};
