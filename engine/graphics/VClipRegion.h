// VClipRegion limits a drawing port's drawing to one rectangle for a scope and
// puts the previous clip box back when the scope ends.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

class DrawPort;

class VClipRegion {
 public:
  // Clips the port's device context to the rectangle (in points on a
  // printing port, scaled to its dots), replacing the previous clip. A port
  // without a device context is left as it is.
  VClipRegion(DrawPort* port, const VRect& rect);
  // Restores the saved clip box as a plain rectangle.
  ~VClipRegion();
  VClipRegion(const VClipRegion&) = delete;
  VClipRegion& operator=(const VClipRegion&) = delete;

  const VRect& GetSavedClipBox() const { return savedClipBox_; }

 private:
  VRect savedClipBox_;
  uint8_t restore_ = 0;
  DrawPort* port_ = nullptr;
};
