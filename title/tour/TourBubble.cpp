#include "title/tour/TourBubble.h"

#include "engine/app/MessagePointer.h"
#include "engine/app/VGraphicObject.h"
#include "engine/controls/ControlEvents.h"

TourBubble::TourBubble(int32_t hotspotIndex, const VFRect& bounds, int32_t order, bool captureOnEnter, VBubble* parent)
    : VBubble(kKind, static_cast<uint32_t>(hotspotIndex), bounds, 1.0f, order, parent),
      captureOnEnter_(captureOnEnter ? 1 : 0) {
  cursorId_ = kCursorPointingHand;
}

void TourBubble::Report(uint32_t code) {
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  VEventHandler::DispatchUpward(code, id_, sender.GetValue());
}

void TourBubble::EndCapture() {
  if (GetCapturedObject() != this) return;
  SetCapturedObject(nullptr);
  // The viewer held the display tree's capture for this bubble only.
  if (BubbleSpaceHost* host = GetWindow()) {
    auto* viewer = dynamic_cast<VGraphicObject*>(host);
    if (viewer != nullptr && VGraphicObject::GetCapturedObject() == viewer && GetDragObject() == nullptr) {
      VGraphicObject::SetCapturedObject(nullptr);
    }
  }
}

void TourBubble::ForgetPointer() {
  EndCapture();
  pointerInside_ = 0;
}

void TourBubble::FollowPointer(float x, float y, bool entering) {
  const bool inside = ContainsPoint(x, y);
  if (entering && inside && pointerInside_ == 0) {
    pointerInside_ = 1;
    Report(kEventPointerEntered);
  } else if (!entering && !inside && pointerInside_ != 0) {
    EndCapture();
    pointerInside_ = 0;
    Report(kEventPointerLeft);
  }
}

bool TourBubble::MouseDown(const BubbleMouseEvent& event) {
  if (VBubble::MouseDown(event)) return true;
  if ((event.buttons & kButtonRight) != 0) {
    Report(kEventRightButtonPressed);
  } else {
    BeginCapture();
    Report(kEventHotspotPressed);
  }
  return true;
}

bool TourBubble::MouseUp(const BubbleMouseEvent& event) {
  if (VBubble::MouseUp(event)) return true;
  if (!ContainsPoint(event.x, event.y)) return false;
  Report(kEventHotspotReleased);
  return true;
}

bool TourBubble::MouseMove(const BubbleMouseEvent& event) {
  if (VBubble::MouseMove(event)) return false;
  const bool inside = ContainsPoint(event.x, event.y);
  if (inside && pointerInside_ == 0) {
    if (captureOnEnter_ != 0) BeginCapture();
    pointerInside_ = 1;
    Report(kEventPointerEntered);
  } else if (!inside && pointerInside_ != 0) {
    EndCapture();
    pointerInside_ = 0;
    Report(kEventPointerLeft);
  }
  return false;
}

bool TourBubble::UpdateCursor(const BubbleMouseEvent& /*event*/) {
  SetCursorById(kCursorPointingHand);
  return true;
}
