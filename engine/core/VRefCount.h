// The one reference count of shared objects (media, sound streams and
// channels, open files, shared tables). The count is atomic, so an object
// may be shared between the user-interface thread and the mixer thread. The
// creator holds the first reference; the Release that drops the last one
// calls LastReleased and then deletes the object through its virtual
// destructor.
#pragma once

#include <atomic>
#include <cstdint>

class VRefCount {
 public:
  VRefCount(const VRefCount&) = delete;
  VRefCount& operator=(const VRefCount&) = delete;

  // Adds a reference; returns the new count.
  int32_t AddReference();
  // Drops a reference; returns the new count. At 0 or below the object is
  // deleted and must not be touched.
  int32_t Release();

  int32_t GetReferenceCount() const { return count_.load(std::memory_order_acquire); }

 protected:
  VRefCount() = default;
  virtual ~VRefCount() = default;
  // Runs once, on the thread of the last Release, before the object is
  // deleted: the place for work that needs the complete object (a virtual
  // call, unlinking from a list that must not see a half-destroyed object).
  virtual void LastReleased() {}

 private:
  std::atomic<int32_t> count_{1};
};
