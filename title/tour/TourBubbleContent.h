// What the tour's navigator needs from the record of one panorama bubble:
// its picture, its default view and the hit rectangles of its hotspots. The
// bubble's script record provides it; tests provide their own.
#pragma once

#include <cstdint>

#include "engine/core/VFRect.h"
#include "engine/panorama/BubbleGeometry.h"

class VPicture;

class TourBubbleContent {
 public:
  virtual ~TourBubbleContent() = default;

  // The panorama picture, loaded on demand; the record keeps a reference
  // until ReleasePicture. Null when it cannot be loaded.
  virtual VPicture* GetPicture() = 0;
  // Drops the record's reference to the picture.
  virtual void ReleasePicture() = 0;
  // The view (yaw, pitch) the bubble opens with.
  virtual VFPoint GetDefaultViewAngle() const = 0;
  virtual int32_t GetHotspotCount() const = 0;
  // The hit rectangle of a hotspot (pitch 0 is the horizon); false when the
  // index has no hotspot.
  virtual bool GetHotspotHitRect(int32_t index, VFRect& out) const = 0;
};
