// One control's place in one layout mode of the control strip: where the
// mode puts it, whether a mode switch slides it there, the picture level it
// gets and when its fade starts.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"

class LayoutEntry : public VListElement {
 public:
  // How a mode switch moves the control.
  enum Motion : int32_t {
    kStays = 0,
    kSlides = 1,       // along a half cosine from its own distance
    kSlidesFar = 2,    // along a half cosine over the largest distance of the link group
  };

  LayoutEntry(int32_t controlId, double x, double y, int32_t motion, int32_t level, double delay)
      : controlId(controlId), x(x), y(y), motion(motion), level(level), delay(delay) {}

  int32_t controlId;
  double x;        // left edge, relative to the strip
  double y;        // top edge (kept; switches move controls horizontally only)
  int32_t motion;
  int32_t level;   // picture level 0..63; -1 leaves it alone
  double delay;    // ms before the level starts to change in an animated switch
};
