#include "engine/controls/VHotspot.h"

namespace {
constexpr uint16_t kCursorHand = 107;

bool InRectangle(VGraphicObject& object, const VPoint& point) {
  VRect global;
  object.GetGlobalBounds(global);
  return global.ContainsPoint(point);
}
}  // namespace

VHotspot::VHotspot(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                   VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent) {
  SetCursorId(kCursorHand);
}

VHotspot::~VHotspot() = default;

bool VHotspot::MouseDown(const VMouseEvent& event) {
  if (VGraphicObject::MouseDown(event)) return true;
  TakeMouseCapture();
  SendControlEvent(*this, kEventHotspotPressed);
  return true;
}

bool VHotspot::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  if (!InRectangle(*this, event.GetPoint())) return false;
  SendControlEvent(*this, kEventHotspotReleased);
  return true;
}

VMouseDetector::VMouseDetector(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               bool capture, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), capture_(capture) {}

VMouseDetector::~VMouseDetector() = default;

bool VMouseDetector::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!InRectangle(*this, event.GetPoint())) {
    if (inside_) {
      if (GetCapturedObject() == this) SetCapturedObject(nullptr);
      inside_ = false;
      SendControlEvent(*this, kEventPointerLeft);
    }
    return false;
  }
  if (!inside_) {
    if (capture_) TakeMouseCapture();
    inside_ = true;
    SendControlEvent(*this, kEventPointerEntered);
    if (!watch.Alive()) return true;
  }
  return capture_;
}

bool VMouseDetector::UpdateCursor(const VMouseEvent&) { return false; }
