// An object that holds a text control whose colour the animators may fade
// (a title bar holding its title text, say).
#pragma once

#include "engine/controls/TextColorTarget.h"

class TextColorHolder {
 public:
  virtual ~TextColorHolder() = default;
  // The text control the object holds, or null; not owned by the caller.
  virtual TextColorTarget* GetHeldTextColorTarget() = 0;
};
