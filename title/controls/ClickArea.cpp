#include "title/controls/ClickArea.h"

namespace {
constexpr uint16_t kCursorHand = 107;
}

ClickArea::ClickArea(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                     VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent) {
  SetCursorId(kCursorHand);
}

ClickArea::~ClickArea() = default;

bool ClickArea::MouseDown(const VMouseEvent& event) {
  if (VGraphicObject::MouseDown(event)) return true;
  TakeMouseCapture();
  SendControlEvent(*this, kEventHotspotPressed);
  return true;
}

bool ClickArea::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  VRect global;
  GetGlobalBounds(global);
  if (!global.ContainsPoint(event.GetPoint())) return false;
  SendControlEvent(*this, kEventHotspotReleased);
  return true;
}

bool ClickArea::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  VRect global;
  GetGlobalBounds(global);
  const bool inside = global.ContainsPoint(event.GetPoint());
  if (inside == inside_) return false;
  inside_ = inside;
  if (inside) {
    SendControlEvent(*this, kEventPointerEntered);
  } else {
    if (GetCapturedObject() == this) SetCapturedObject(nullptr);
    SendControlEvent(*this, kEventPointerLeft);
  }
  return false;
}
