#include "title/tour/TourNavigator.h"

#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VWindow.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/PointerState.h"
#include "engine/panorama/VPictureBubble.h"
#include "platform/PointerWarp.h"
#include "title/tour/TourBubble.h"

TourNavigator::TourNavigator(int32_t id, int32_t taskId, int32_t left, int32_t top, int32_t layer, int32_t width,
                             int32_t height, VGraphicObject* parent)
    : BubbleViewControl(id, taskId, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi), left, top, layer, width,
                        height, parent) {
  VRect total;
  GetTotalBounds(total);
  reference_ = VPoint((total.left + total.right) / 2, (total.top + total.bottom) / 2);
  SetSettleTime(40);
}

TourNavigator::~TourNavigator() {
  if (grabbed_) platform::SetPointerGrab(false);
  record_.reset();
}

void TourNavigator::SendOwnerMessage(uint32_t code) {
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  VEventHandler::SendUpward(code, static_cast<uint32_t>(GetId()), sender.GetValue());
}

VPoint TourNavigator::WindowOrigin() {
  auto* window = dynamic_cast<VWindow*>(VControl::GetWindow());
  if (window == nullptr) return VPoint();
  VRect r;
  window->GetWindowRect(r);
  return VPoint(r.left, r.top);
}

void TourNavigator::SetBubble(TourBubbleContent* record) {
  currentHotspot_ = -1;
  if (record == record_.get()) return;
  GetRoot()->VBubbleSpaceGraphicObject::DestroyChildren();
  record_.reset(record);
  settling_ = true;
  if (!record_) return;
  if (VPicture* picture = record_->GetPicture()) {
    auto* panorama =
        new VPictureBubble(kPictureBubbleId, picture, VFRect(0.0f, 0.0f, kBubbleTwoPi, kBubblePi), 0, GetRoot());
    for (int32_t i = record_->GetHotspotCount() - 1; i >= 0; --i) {
      VFRect hit;
      if (!record_->GetHotspotHitRect(i, hit)) continue;
      // Pitch 0 of the hotspot is the horizon, the middle of the picture bubble.
      frect::Offset(hit, 0.0f, kBubbleHalfPi);
      new TourBubble(i, hit, 1, true, panorama);
    }
  }
  SetViewAngle(record_->GetDefaultViewAngle());
  InvalidateBubbleRect(nullptr);
  MarkMapChanged();
  // The picture bubble keeps its own reference until the map holds the pixels.
  record_->ReleasePicture();
}

void TourNavigator::Activate() {
  VDisplay::Get().SetBufferSwap(true);
  SetRenderMode(0);
  ResetCursor();
  if (!grabbed_) {
    platform::SetPointerGrab(true);
    grabbed_ = true;
  }
  VTask::SetActive(true);
  GetRoot()->SetEnabled(true);
  SetEnabled(true);
  atRest_ = 0;
  settling_ = true;
  Invalidate(nullptr);
}

void TourNavigator::RefreshHover() {
  if (active_ == 0 || !IsEnabled()) return;
  if (VBubbleSpaceGraphicObject* panorama = GetRoot()->FindById(kPictureBubbleId, false)) {
    for (VBubbleSpaceGraphicObject* child = panorama->FirstChildObject(); child != nullptr;
         child = child->NextObject()) {
      if (auto* region = dynamic_cast<TourBubble*>(child)) region->ForgetPointer();
    }
  }
  // The viewer's own move: no mouse look, only the regions see it.
  BubbleViewControl::MouseMove(VMouseEvent(reference_, 0, 0, 0));
}

void TourNavigator::UpdateHoverAtPointer() {
  if (active_ == 0 || !IsEnabled() || !record_) return;
  VPoint point;
  if (!GetPointerInWindow(*this, point)) return;
  VRect bounds;
  GetTotalBounds(bounds);
  if (!bounds.ContainsPoint(point)) return;
  VBubbleSpaceGraphicObject* panorama = GetRoot()->FindById(kPictureBubbleId, false);
  if (panorama == nullptr) return;
  const VFPoint at = ScreenToBubblePoint(point);
  // Leaving first, so that the caption of a region the view brings under
  // the pointer is the one that stays.
  for (const bool entering : {false, true}) {
    for (VBubbleSpaceGraphicObject* child = panorama->FirstChildObject(); child != nullptr;
         child = child->NextObject()) {
      if (auto* region = dynamic_cast<TourBubble*>(child)) region->FollowPointer(at.x, at.y, entering);
    }
  }
}

void TourNavigator::Deactivate() {
  VDisplay::Get().SetBufferSwap(false);
  if (VRateMeter* meter = GetRateMeter()) meter->Restart();
  SetRenderMode(3);
  Invalidate(nullptr);  // one quality frame
  SetEnabled(false);
  GetRoot()->SetEnabled(false);
  Stop();
  if (grabbed_) {
    platform::SetPointerGrab(false);
    grabbed_ = false;
  }
  atRest_ = 1;
  currentHotspot_ = -1;
}

void TourNavigator::SetViewAngle(const VFPoint& angle) {
  const Vec3 v{angle.x, angle.y, 0.0f};
  if (!SeekTo(v)) return;
  SetPosition(v);
  settling_ = true;
}

bool TourNavigator::TurnTo(const VFPoint& angle) {
  if (!SeekTo(Vec3{angle.x, angle.y, 0.0f})) return false;
  settling_ = true;
  return true;
}

bool TourNavigator::HasArrived() {
  const Vec3& p = GetPosition();
  const Vec3& t = GetTarget();
  Vec3 d{p[0] - t[0], p[1] - t[1], p[2] - t[2]};
  GetInputDirection(d);
  return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) < kArrivalDistance;
}

void TourNavigator::ResetCursor() {
  const VPoint origin = WindowOrigin();
  platform::WarpPointer(origin.x + reference_.x, origin.y + reference_.y);
}

void TourNavigator::NormalizeViewAngle() {
  const Vec3& p = GetPosition();
  float yaw = std::fmod(p[0], kBubbleTwoPi);
  if (yaw < 0.0f) yaw += kBubbleTwoPi;
  if (yaw >= kBubbleTwoPi) yaw = 0.0f;
  float pitch = std::fmod(p[1] + kBubblePi, kBubbleTwoPi);
  if (pitch < 0.0f) pitch += kBubbleTwoPi;
  pitch -= kBubblePi;
  SetViewAngle(VFPoint{yaw, pitch});
}

uint32_t TourNavigator::GetStepWait(uint32_t /*now*/) {
  if (!VTask::IsActive()) return kNoStepWanted;
  return settling_ || !VNavigator::IsAtRest() ? 0 : kNoStepWanted;
}

bool TourNavigator::Step(uint32_t pass) {
  const bool result = BubbleViewControl::Step(pass);
  // The view glides on after the pointer has stopped: the regions learn
  // what now lies under the pointer, so that the caption and the indicator
  // follow the view and a region the view has left lets go of the pointer.
  if (GetYaw() != hoverYaw_ || GetPitch() != hoverPitch_) {
    hoverYaw_ = GetYaw();
    hoverPitch_ = GetPitch();
    UpdateHoverAtPointer();
  }
  const bool moving = !VNavigator::IsAtRest();
  // Without a map nothing is drawn, so no quality frame is waited for.
  settling_ = moving || (GetPanoramaMap() != nullptr && (RedrawRequested() || !LastFrameWasQuality()));
  return result;
}

void TourNavigator::DrawContent(DrawPort* port, const VRect& rect) {
  BubbleViewControl::DrawContent(port, rect);
  VDisplay& display = VDisplay::Get();
  if (display.IsFullScreen() && display.GetFlipPixelMap() != nullptr) display.MarkFramePending();
}

bool TourNavigator::MouseDown(const VMouseEvent& event) {
  if (active_ == 0 || !IsEnabled()) return true;
  if (VBubbleSpaceGraphicObject::GetCapturedObject() == nullptr && event.IsRightButtonDown()) {
    SendOwnerMessage(kMessageRightButton);
    return true;
  }
  return BubbleViewControl::MouseDown(event);
}

bool TourNavigator::MouseUp(const VMouseEvent& event) {
  if (active_ == 0) return true;
  if (IsEnabled()) return BubbleViewControl::MouseUp(event);
  return true;
}

bool TourNavigator::MouseMove(const VMouseEvent& event) {
  if (active_ == 0 || !IsEnabled()) return true;
  VRect bounds;
  GetTotalBounds(bounds);
  const VPoint point = event.GetPoint();
  if (bounds.ContainsPoint(point)) {
    if (point == reference_) {
      lookOffset_ = VFPoint{};  // the pointer's return to the centre
    } else {
      // Both points in window coordinates: the angle between the pointer and the centre.
      const VFPoint a = ScreenToBubblePoint(point);
      const VFPoint b = ScreenToBubblePoint(reference_);
      lookOffset_ = VFPoint{a.x - b.x, a.y - b.y};
      // A seek in progress goes on from its target; a camera at rest from where it looks.
      const Vec3& from = IsSeeking() ? GetTarget() : GetPosition();
      const Vec3 target{from[0] + kLookFactor * lookOffset_.x, from[1] + kLookFactor * lookOffset_.y, 0.0f};
      if (SeekTo(target)) settling_ = true;
      ResetCursor();
      SendOwnerMessage(kMessageLookMoved);
    }
  }
  return BubbleViewControl::MouseMove(event);
}

bool TourNavigator::UpdateCursor(const VMouseEvent& /*event*/) {
  SetCursorById(kCursorLook);
  return true;
}

bool TourNavigator::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (!IsEnabled()) return false;
  switch (code) {
    case kEventPointerEntered:
      currentHotspot_ = static_cast<int32_t>(value1);
      SendOwnerMessage(kMessageHotspotEntered);
      return true;
    case kEventPointerLeft:
      currentHotspot_ = -1;
      SendOwnerMessage(kMessageHotspotLeft);
      return true;
    case kEventHotspotReleased:
      currentHotspot_ = static_cast<int32_t>(value1);
      SendOwnerMessage(kMessageHotspotClicked);
      return true;
    default:
      return BubbleViewControl::HandleEvent(code, value1, value2);
  }
}
