// What a bubble space asks of the viewer that hosts it: angle-to-pixel
// mapping of the panorama map, redraw requests and the map itself.
#pragma once

#include <cstdint>

#include "engine/core/VFRect.h"
#include "engine/core/VGeometry.h"

class PanoramaMap;
class VBubbleSpaceGraphicObject;
class VGraphicWindow;

class BubbleSpaceHost {
 public:
  virtual ~BubbleSpaceHost() = default;
  // Adds the rectangle (null: the whole root) to what must be composed again.
  virtual void InvalidateBubbleRect(const VFRect* rect) = 0;
  // The panorama map's pixels changed.
  virtual void MarkMapChanged() = 0;
  // A bubble-space rectangle in map pixels; false without a map.
  virtual bool BubbleRectToPixels(const VFRect& rect, VRect& out) const = 0;
  // An offset in radians in map pixels (truncated).
  virtual void BubbleOffsetToPixel(float dx, float dy, int32_t& px, int32_t& py) const = 0;
  virtual VBubbleSpaceGraphicObject* GetBubbleRoot() = 0;
  virtual PanoramaMap* GetPanoramaMap() = 0;
  // Redraws the viewer on screen.
  virtual void RedrawHost() = 0;
  // The display window showing the viewer, or null.
  virtual VGraphicWindow* GetDisplayWindow() { return nullptr; }
  // A bubble took the mouse capture: the viewer becomes the display tree's
  // captured object, so that the window's release and moves reach it.
  virtual void HoldMouseCapture() {}
};

// A mouse event in bubble space: the window event's modifiers and buttons,
// the point in radians.
struct BubbleMouseEvent {
  uint16_t modifiers = 0;
  float x = 0.0f;
  float y = 0.0f;
  uint16_t buttons = 0;
};
