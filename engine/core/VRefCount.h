// A reference count guarded by its own mutex; the object deletes itself
// through its virtual destructor when the last reference is released.
#pragma once

#include <cstdint>

#include "engine/core/VMutex.h"

class VRefCount {
 public:
  VRefCount() = default;
  virtual ~VRefCount() = default;
  VRefCount(const VRefCount&) = delete;
  VRefCount& operator=(const VRefCount&) = delete;

  // Adds a reference; returns the new count.
  int32_t AddRef();
  // Drops a reference; returns the new count. At 0 or below the object is
  // deleted (after the mutex has been released) and must not be touched.
  int32_t Release();

  int32_t GetRefCount() const { return count_; }

 private:
  int32_t count_ = 1;
  VMutex mutex_;
};
