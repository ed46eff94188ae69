// A control whose text colour can be set from outside: the text controls,
// reached this way by the animators that fade text without knowing which
// control holds it.
#pragma once

#include "engine/core/VGeometry.h"

class TextColorTarget {
 public:
  virtual ~TextColorTarget() = default;
  virtual void SetTextColor(const VRGBColor& color) = 0;
};
