#include "title/controls/AnimatedMaskControl.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VMask.h"
#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"

namespace {
constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorDragging = 106;
constexpr uint16_t kCursorClickable = 107;
constexpr uint16_t kCursorArrow = 220;
constexpr double kMaxVelocity = 0.1;       // frames per millisecond
constexpr double kFriction = 0.0001;       // per millisecond
constexpr double kStillVelocity = 0.000001;
// A release this long after the pointer last moved lets the object rest
// where the drag left it: it was held still, not flung.
constexpr uint32_t kFlingWindowMs = 100;
}  // namespace

VPicture* AnimatedMaskMedia::LoadFrame(int32_t frame) {
  ScopedLoadPixelFormat format(8);
  return new VPicture(static_cast<uint16_t>(frameBase_ + frame));
}

VPicture* AnimatedMaskMedia::LoadShownPicture(int32_t frame) {
  return new VPicture(static_cast<uint16_t>(frameBase_ + frame));
}

VPicture* AnimatedMaskMedia::LoadMaskPicture(int32_t frame) {
  return new VPicture(static_cast<uint16_t>(maskPictureBase_ + frame));
}

VMask* AnimatedMaskMedia::LoadRegionMask(int32_t frame) {
  return new VMask(static_cast<uint16_t>(regionMaskBase_ + frame));
}

AnimatedMaskControl::AnimatedMaskControl(int32_t id, uint16_t pictureId, int32_t frameCount, uint16_t frameBase,
                                         uint16_t regionMaskBase, uint16_t maskPictureBase, int32_t left, int32_t top,
                                         int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VMaskControl(id, pictureId, 0, 0, left, top, layer, width, height, parent),
      VTask(kTaskId, true, false, false, GetTaskManager()),
      media_(std::make_unique<AnimatedMaskMedia>(frameBase, regionMaskBase, maskPictureBase)) {
  Setup(frameCount);
}

AnimatedMaskControl::AnimatedMaskControl(int32_t id, VPicture* picture, int32_t frameCount,
                                         std::unique_ptr<AnimatedMaskMedia> media, int32_t left, int32_t top,
                                         int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VMaskControl(id, picture, nullptr, nullptr, left, top, layer, width, height, parent),
      VTask(kTaskId, true, false, false, GetTaskManager()),
      media_(std::move(media)) {
  Setup(frameCount);
}

AnimatedMaskControl::~AnimatedMaskControl() {
  if (regionMask_ != nullptr) regionMask_->Release();
  for (VPicture* p : frames_) {
    if (p != nullptr) p->Release();
  }
}

void AnimatedMaskControl::Setup(int32_t frameCount) {
  frameCount_ = std::max(frameCount, 0);
  if (media_ != nullptr) {
    for (int32_t i = 0; i < frameCount_; ++i) frames_.push_back(media_->LoadFrame(i));
    // Without its first picture (a picture missing from the archive) the
    // object still shows the frames it has: the first of them that loads
    // becomes the shown picture the frames are copied into.
    VPicture* shown = PeekPicture();
    if (shown == nullptr || shown->GetPixelMap() == nullptr) {
      for (int32_t i = 0; i < frameCount_; ++i) {
        if (frames_[static_cast<size_t>(i)] == nullptr || frames_[static_cast<size_t>(i)]->GetPixelMap() == nullptr) {
          continue;
        }
        VPicture* replacement = media_->LoadShownPicture(i);
        if (replacement != nullptr && replacement->GetPixelMap() != nullptr) SetPicture(replacement, false);
        if (replacement != nullptr) replacement->Release();
        break;
      }
    }
  }
  current_ = frameCount_ / 2;
  SetFrame(current_);
  LoadRegionMask();
}

void AnimatedMaskControl::LoadRegionMask() {
  if (regionMask_ != nullptr) regionMask_->Release();
  regionMask_ = media_ != nullptr && frameCount_ > 0 ? media_->LoadRegionMask(current_) : nullptr;
  if (regionMask_ != nullptr) {
    for (int32_t v = 0; v < 256; ++v) regionMask_->SetNormalFlag(static_cast<uint8_t>(v), 1);
    regionMask_->SetHoverFlag(0, 0);
    if (selected_ >= 0 && selected_ <= 255) {
      const auto s = static_cast<uint8_t>(selected_);
      regionMask_->SetNormalFlag(s, 1);
      regionMask_->SetCurrentFlag(s, 1);
      regionMask_->SetHoverFlag(s, 0);
    }
  }
  SetMask(regionMask_);
  if (regionMask_ != nullptr) regionMask_->SetCurrentFlag(255, 1);
}

void AnimatedMaskControl::SetFrame(int32_t frame) {
  current_ = frame;
  VPicture* shown = PeekPicture();
  VPicture* source = frame >= 0 && static_cast<size_t>(frame) < frames_.size() ? frames_[static_cast<size_t>(frame)]
                                                                               : nullptr;
  if (shown != nullptr && source != nullptr && shown->GetPixelMap() != nullptr && source->GetPixelMap() != nullptr) {
    const VRect size(0, 0, GetWidth(), GetHeight());
    CopyPicturePixels(*source->GetPixelMap(), *shown->GetPixelMap(), &size, &size);
  }
  SendControlEvent(*this, kMessageFrameChanged, static_cast<uint32_t>(GetId()));
}

void AnimatedMaskControl::ShowCurrentFrame() {
  VPicture* maskPicture = media_ != nullptr && frameCount_ > 0 ? media_->LoadMaskPicture(current_) : nullptr;
  SetMaskPicture(maskPicture);
  if (maskPicture != nullptr) maskPicture->Release();
  LoadRegionMask();
  RedrawNow();
}

void AnimatedMaskControl::ShowCurrentUnlessDragging() {
  if (!dragging_) ShowCurrentFrame();
}

void AnimatedMaskControl::StopAnimation() {
  if (!turning_) return;
  turning_ = false;
  SetActive(false);
  ShowCurrentFrame();
}

void AnimatedMaskControl::AnimateTo(int32_t target, int32_t region) {
  // A target outside the row could never be reached.
  target = std::clamp(target, 0, std::max(frameCount_ - 1, 0));
  if (target == current_) {
    regionToSelect_ = region;
    ShowCurrentFrame();
    SelectValue(region);
    RedrawNow();
    return;
  }
  target_ = target;
  turning_ = true;
  moving_ = true;
  interval_ = 20;
  regionToSelect_ = region;
  direction_ = target > current_ ? 1 : -1;
  SetMaskPicture(nullptr);
  SetStepOnEveryPass();
  if (!IsActive()) SetActive(true);
}

bool AnimatedMaskControl::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  if (moving_) {
    lastTick_ = now;
    if (turning_) {
      nextTick_ = now + interval_;
      SetNextStepTime(nextTick_);
    }
    moving_ = false;
    return true;
  }
  const ControlLife::Watch watch = life_.MakeWatch();
  if (turning_) {
    if (static_cast<int32_t>(now - nextTick_) < 0) return true;
    SetFrame(std::max(current_ + direction_, 0));
    if (!watch.Alive()) return false;
    RedrawNow();
    if (current_ == target_) {
      turning_ = false;
      SetActive(false);
      ShowCurrentFrame();
      SelectValue(regionToSelect_);
      RedrawNow();
      SendControlEvent(*this, kMessageArrived, static_cast<uint32_t>(target_));
      return watch.Alive();
    }
    if (std::abs(target_ - current_) < 5) interval_ = static_cast<uint32_t>(interval_ * 1.2);
    nextTick_ = now + interval_;
    SetNextStepTime(nextTick_);
    return true;
  }

  // Spinning after a drag.
  if (std::fabs(velocity_) < kStillVelocity) {
    SetActive(false);
    ShowCurrentUnlessDragging();
    return true;
  }
  const double elapsed = static_cast<int32_t>(now - lastTick_);
  position_ += elapsed * velocity_;
  const int32_t frame = static_cast<int32_t>(std::clamp(position_, -1.0, static_cast<double>(frameCount_)));
  if (frame != current_) {
    if (frame >= 0 && frame < frameCount_) {
      SetFrame(frame);
      if (!watch.Alive()) return false;
      RedrawNow();
    } else {
      velocity_ = 0;
      position_ = current_;
    }
  }
  // Friction brings the velocity toward 0 and no further: reaching or
  // crossing 0 (also a spin stopped at the end of the row) ends the spin.
  const double slowed = velocity_ > 0 ? velocity_ - kFriction * elapsed : velocity_ + kFriction * elapsed;
  if (slowed * velocity_ <= 0) {
    velocity_ = 0;
    SetActive(false);
    ShowCurrentUnlessDragging();
  } else {
    velocity_ = slowed;
  }
  lastTick_ = now;
  return true;
}

bool AnimatedMaskControl::HandleEvent(uint32_t code, uint32_t, uint32_t value2) {
  if (code != kEventPointerEntered && code != kEventPointerLeft) return false;
  if (MessagePointerAs<VEventHandler>(value2) != static_cast<VEventHandler*>(this)) return false;
  const int32_t region = code == kEventPointerEntered ? GetCurrentRegion() : -1;
  overSpin_ = region == kSpinArea;
  overItem_ = region > 0 && region != kSpinArea;
  return false;
}

bool AnimatedMaskControl::MouseDown(const VMouseEvent& event) {
  if (inputLocked_) return false;
  if (ContainsPoint(event.GetPoint()) && overSpin_) {
    dragging_ = true;
    SetMaskPicture(nullptr);
    RedrawNow();
    SetCursorById(kCursorDragging);
    // The hand takes hold of the object: a spin still running stops.
    if (!turning_) {
      velocity_ = 0;
      SetActive(false);
    }
    StartDragAt(event.x);
    SetDraggable(true);
    MouseMove(event);
  }
  return VMaskControl::MouseDown(event);
}

void AnimatedMaskControl::StartDragAt(int32_t x) {
  dragStartX_ = x;
  dragX_ = x;
  position_ = current_;
  dragStartPosition_ = position_;
  lastTick_ = platform::TickCount();
}

double AnimatedMaskControl::GetFramesPerPixel() const {
  // A drag across the whole control turns through the whole row of frames.
  return GetWidth() > 0 ? static_cast<double>(frameCount_) / GetWidth() : 0.0;
}

bool AnimatedMaskControl::DragTo(int32_t x) {
  if (turning_) {
    // The object turns to a frame on its own: the drag goes on from
    // wherever that leaves it.
    StartDragAt(x);
    return true;
  }
  if (x == dragX_) return true;
  const uint32_t now = platform::TickCount();
  int32_t dt = static_cast<int32_t>(now - lastTick_);
  if (dt <= 0) dt = 1;
  // The object follows the pointer: moving it to the left turns toward the
  // higher frames.
  const double last = std::max(frameCount_ - 1, 0);
  const double target = std::clamp(dragStartPosition_ + (dragStartX_ - x) * GetFramesPerPixel(), 0.0, last);
  // The speed of the hand, for the fling when it lets go: the mean of this
  // move's speed and the last one's while the pointer keeps moving.
  const double speed = (target - position_) / dt;
  const double mean = static_cast<uint32_t>(dt) > kFlingWindowMs ? speed : (velocity_ + speed) / 2;
  velocity_ = std::clamp(mean, -kMaxVelocity, kMaxVelocity);
  position_ = target;
  dragX_ = x;
  lastTick_ = now;
  const int32_t frame = static_cast<int32_t>(position_);
  if (frame == current_) return true;
  const ControlLife::Watch watch = life_.MakeWatch();
  SetFrame(frame);
  if (!watch.Alive()) return false;
  RedrawNow();
  return true;
}

bool AnimatedMaskControl::MouseMove(const VMouseEvent& event) {
  if (inputLocked_) return false;
  if (dragging_) {
    DragTo(event.x);
    return true;
  }
  if (!ContainsPoint(event.GetPoint())) {
    if (GetCapturedObject() == this) SetCapturedObject(nullptr);
    return false;
  }
  // The region under the pointer is brought up to date first, so that 127
  // tells of the region the pointer is over now.
  const ControlLife::Watch watch = life_.MakeWatch();
  const bool taken = VMaskControl::MouseMove(event);
  if (!watch.Alive()) return true;
  if (selected_ >= 0 && GetCurrentRegion() == selected_) {
    SendControlEvent(*this, kMessageSelectedHovered, static_cast<uint32_t>(selected_));
  }
  return taken;
}

bool AnimatedMaskControl::MouseUp(const VMouseEvent& event) {
  if (inputLocked_) return false;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (dragging_) {
    if (!DragTo(event.x)) return true;
    dragging_ = false;
    // Let go while moving, the object spins on at half the hand's speed;
    // let go after holding it still, it stays.
    const bool flung = platform::TickCount() - lastTick_ <= kFlingWindowMs;
    velocity_ = flung ? velocity_ / 2 : 0;
    SetCursorById(kCursorDraggable);
    if (!turning_ && std::fabs(velocity_) >= kStillVelocity) {
      moving_ = true;
      SetStepOnEveryPass();  // spinning moves on every pass
      SetActive(true);
    }
    if (!IsActive()) ShowCurrentFrame();
    SetDraggable(false);
    if (GetCapturedObject() == this) SetCapturedObject(nullptr);
  } else {
    const int32_t r = GetCurrentRegion();
    if (r > 0 && r != kSpinArea && enabled_ && r != selected_) {
      SendControlEvent(*this, kMessageItemClicked, static_cast<uint32_t>(r));
      if (!watch.Alive()) return true;
      inputLocked_ = true;
    }
  }
  VMaskControl::MouseMove(event);
  return true;
}

bool AnimatedMaskControl::UpdateCursor(const VMouseEvent& event) {
  if (!ContainsPoint(event.GetPoint())) return VMaskControl::UpdateCursor(event);
  uint16_t cursor = kCursorArrow;
  const int32_t r = GetCurrentRegion();
  if (dragging_) {
    cursor = kCursorDragging;
  } else if (overSpin_) {
    cursor = kCursorDraggable;
  } else if (r > 0 && r != kSpinArea && r != selected_) {
    cursor = kCursorClickable;
  }
  SetCursorById(cursor);
  return true;
}
