// How the animators reach a text colour without knowing the text controls: a
// control whose text colour can be set, and an object that holds one.
#pragma once

#include "engine/core/VGeometry.h"

class TextColorTarget {
 public:
  virtual ~TextColorTarget() = default;
  virtual void SetTextColor(const VRGBColor& color) = 0;
};

class TextColorHolder {
 public:
  virtual ~TextColorHolder() = default;
  // The text control the object holds, or null; not owned by the caller.
  virtual TextColorTarget* GetHeldTextColorTarget() = 0;
};
