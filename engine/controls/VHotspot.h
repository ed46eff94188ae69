// Two invisible rectangular controls without a picture: VHotspot, a
// clickable area with the hand cursor that reports press (31) and click
// (32), and VMouseDetector, which reports the pointer entering (15) and
// leaving (16) its rectangle and can hold the mouse while the pointer is
// inside. Both test points against their rectangle only.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"

class VHotspot : public VControl {
 public:
  static constexpr int32_t kKind = 266;

  VHotspot(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
           VGraphicObject* parent);
  ~VHotspot() override;

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
};

class VMouseDetector : public VControl {
 public:
  static constexpr int32_t kKind = 267;

  VMouseDetector(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, bool capture,
                 VGraphicObject* parent);
  ~VMouseDetector() override;

  bool MouseMove(const VMouseEvent& event) override;
  // Sets no cursor: the object under the detector decides.
  bool UpdateCursor(const VMouseEvent& event) override;
  bool IsInside() const { return inside_; }

 protected:
  // For detectors that track the pointer themselves.
  void SetInside(bool inside) { inside_ = inside; }
  bool CapturesWhileInside() const { return capture_; }

 private:
  bool capture_;
  bool inside_ = false;
  ControlLife life_;
};
