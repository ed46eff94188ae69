// The reference-counted base of every loadable medium (pictures, alpha
// channels, masks, colour tables, sounds) and the graphic medium with bounds.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/core/VRef.h"
#include "engine/core/VRefCount.h"

class DrawPort;

// A medium lives from construction (one reference) to the Release that drops
// the last reference; Unload runs before it is deleted. Media belong to the
// user-interface thread, except sound streams, which the mixer thread shares
// (the count is atomic; their data have their own lock).
class VMedia : public VRefCount {
 public:
  VMedia() = default;

  // 0 when the content is present (or was loaded now), non-zero on failure.
  virtual int32_t Load() { return 0; }
  // Frees the content. The base has none.
  virtual void Unload() {}
  // Unloads a purgeable medium that can load its content again.
  virtual void Purge();
  ~VMedia() override = default;

  bool IsLoaded() const { return loaded_ != 0; }
  bool IsReloadable() const { return reloadable_ != 0; }
  bool IsPurgeable() const { return purgeable_ != 0; }
  void SetPurgeable(bool purgeable) { purgeable_ = purgeable ? 1 : 0; }
  bool HasLoadFailed() const { return loadFailed_ != 0; }

 protected:
  // The last reference is gone: Unload before the medium is deleted.
  void LastReleased() override { Unload(); }

  uint8_t loaded_ = 0;
  uint8_t reloadable_ = 0;
  uint8_t purgeable_ = 1;
  int32_t loadFailed_ = 0;
};

// A medium with bounds that can draw itself through a drawing port.
class VGraphicMedia : public VMedia {
 public:
  // Draws into the port at the destination, limited to the clip (null: none).
  virtual void Draw(DrawPort* port, const VRect& destination, const VRect* clip) = 0;

  const VRect& GetBounds() const { return bounds_; }
  void SetBounds(const VRect& bounds) { bounds_ = bounds; }
  int32_t GetWidth() const { return bounds_.right - bounds_.left; }
  int32_t GetHeight() const { return bounds_.bottom - bounds_.top; }

 protected:
  VRect bounds_;
};

// Holds one reference to a medium and releases it on scope exit.
template <class T>
using VMediaRef = VRef<T>;
