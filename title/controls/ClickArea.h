// An invisible rectangle of the title's screens that reports presses (31),
// clicks (32) and the pointer entering (15) and leaving (16), with the
// pointing-hand cursor over it.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"

class ClickArea : public VControl {
 public:
  static constexpr int32_t kKind = 266;

  ClickArea(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
            VGraphicObject* parent);
  ~ClickArea() override;

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  // Never taken: the objects below see every move too.
  bool MouseMove(const VMouseEvent& event) override;

 private:
  bool inside_ = false;
};
