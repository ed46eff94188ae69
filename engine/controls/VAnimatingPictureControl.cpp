#include "engine/controls/VAnimatingPictureControl.h"

#include <algorithm>

#include "engine/controls/VPanel.h"
#include "engine/graphics/VPicture.h"

namespace {
constexpr uint16_t kCursorClickable = 107;
constexpr uint16_t kCursorDraggable = 105;
}  // namespace

VAnimatingPictureControl::VAnimatingPictureControl(int32_t id, uint16_t mediaId, int32_t left, int32_t top,
                                                   int32_t layer, int32_t width, int32_t height,
                                                   VGraphicObject* parent)
    : VPictureControl(id, mediaId, left, top, layer, width, height, parent) {
  InitRange();
}

VAnimatingPictureControl::VAnimatingPictureControl(int32_t id, VPicture* picture, int32_t left, int32_t top,
                                                   int32_t layer, int32_t width, int32_t height,
                                                   VGraphicObject* parent)
    : VPictureControl(id, picture, left, top, layer, width, height, parent) {
  InitRange();
}

VAnimatingPictureControl::~VAnimatingPictureControl() = default;

void VAnimatingPictureControl::InitRange() {
  VPicture* picture = PeekPicture();
  lastFrame_ = picture != nullptr ? std::max(picture->GetFrameCount(), 1) - 1 : 0;
}

void VAnimatingPictureControl::Start() {
  if (running_) return;
  running_ = true;
  SendControlEvent(*this, kEventAnimationStarted);
}

void VAnimatingPictureControl::Stop() {
  if (!running_) return;
  running_ = false;
  SendControlEvent(*this, kEventAnimationStopped);
}

int32_t VAnimatingPictureControl::Rewind() {
  const int32_t frame = step_ < 1 ? lastFrame_ : firstFrame_;
  SetFrame(frame, false);
  return frame;
}

bool VAnimatingPictureControl::StepAnimation() {
  if (!running_) return false;
  const int32_t old = GetFrame();
  int64_t next = int64_t{old} + step_;
  bool wrapped = false;
  bool stopped = false;
  if (step_ != 0 && (next < firstFrame_ || next > lastFrame_)) {
    next = std::clamp<int64_t>(next, std::min(firstFrame_, lastFrame_), std::max(firstFrame_, lastFrame_));
    if (endMode_ == kEndWrap) {
      next = step_ > 0 ? firstFrame_ : lastFrame_;
      wrapped = true;
    } else if (endMode_ == kEndReverse) {
      step_ = -step_;
      wrapped = true;
    } else {
      running_ = false;
      stopped = true;
    }
  }
  const ControlLife::Watch watch = life_.MakeWatch();
  if (next != old) SetFrame(static_cast<int32_t>(next), true);
  if (!watch.Alive()) return true;
  bool result = false;
  if (wrapped) {
    result = SendControlEvent(*this, kEventAnimationTurned);
    if (!watch.Alive()) return true;
  }
  if (stopped && !result) result = SendControlEvent(*this, kEventAnimationStopped);
  return result;
}

bool VAnimatingPictureControl::HandleEvent(uint32_t code, uint32_t value1, uint32_t) {
  if (code != kMessageTick) return false;
  if (!IsVisible()) return false;
  if (VGraphicObject* panel = GetPanel(); panel != nullptr && !panel->IsShown()) return false;
  const uint32_t tick = value1;
  const uint32_t elapsed = tick - lastStepTick_;
  if (static_cast<int32_t>(elapsed) < static_cast<int32_t>(stepPeriod_)) return false;
  // The last step tick moves on whether or not a receiver takes the events,
  // by whole periods so that the animation keeps its phase.
  lastStepTick_ = stepPeriod_ > 0 ? tick - elapsed % stepPeriod_ : tick;
  return StepAnimation();
}

bool VAnimatingPictureControl::MouseDown(const VMouseEvent& event) {
  if (event.IsShiftDown() && VGraphicObject::MouseDown(event)) return true;
  TakeMouseCapture();
  return true;
}

bool VAnimatingPictureControl::MouseMove(const VMouseEvent& event) { return VGraphicObject::MouseMove(event); }

bool VAnimatingPictureControl::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  if (!ContainsPoint(event.GetPoint())) return false;
  SendControlEvent(*this, kEventButtonClicked);
  return true;
}

bool VAnimatingPictureControl::UpdateCursor(const VMouseEvent& event) {
  SetCursorById(event.IsShiftDown() && IsDraggable() ? kCursorDraggable : kCursorClickable);
  return true;
}
