// Bounded keeping of released plane storage.
#include "engine/mpeg/PlaneRecycler.h"

#include <utility>

PlaneRecycler& PlaneRecycler::Get() {
  static PlaneRecycler* const recycler = new PlaneRecycler;
  return *recycler;
}

std::vector<uint8_t> PlaneRecycler::Take(size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  // The smallest that fits, newest first among equals.
  size_t best = kept_.size();
  for (size_t i = kept_.size(); i-- > 0;) {
    const size_t capacity = kept_[i].capacity();
    if (capacity >= size && capacity / 2 <= size && (best == kept_.size() || capacity < kept_[best].capacity()))
      best = i;
  }
  if (best == kept_.size()) return {};
  std::vector<uint8_t> plane = std::move(kept_[best]);
  kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(best));
  keptBytes_ -= plane.capacity();
  return plane;
}

void PlaneRecycler::Give(std::vector<uint8_t>& plane) {
  std::vector<uint8_t> storage = std::move(plane);
  plane.clear();
  const size_t capacity = storage.capacity();
  if (capacity == 0 || capacity > kMaxBytes) return;
  std::vector<uint8_t> released;  // freed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  while (!kept_.empty() && (keptBytes_ + capacity > kMaxBytes || kept_.size() >= kMaxCount)) {
    keptBytes_ -= kept_.front().capacity();
    released = std::move(kept_.front());
    kept_.erase(kept_.begin());
  }
  storage.clear();
  keptBytes_ += capacity;
  kept_.push_back(std::move(storage));
}

size_t PlaneRecycler::GetKeptBytes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return keptBytes_;
}

size_t PlaneRecycler::GetKeptCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return kept_.size();
}

void PlaneRecycler::Clear() {
  std::vector<std::vector<uint8_t>> released;
  std::lock_guard<std::mutex> lock(mutex_);
  released.swap(kept_);
  keptBytes_ = 0;
}
