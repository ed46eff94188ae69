#include "engine/core/VRefCount.h"

int32_t VRefCount::AddReference() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }

int32_t VRefCount::Release() {
  const int32_t count = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count <= 0) {
    LastReleased();
    delete this;
  }
  return count;
}
