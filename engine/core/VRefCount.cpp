#include "engine/core/VRefCount.h"

int32_t VRefCount::AddRef() {
  VMutexLock lock(mutex_);
  return ++count_;
}

int32_t VRefCount::Release() {
  int32_t count;
  {
    VMutexLock lock(mutex_);
    count = --count_;
  }
  if (count <= 0) {
    delete this;
  }
  return count;
}
