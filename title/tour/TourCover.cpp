#include "title/tour/TourCover.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "platform/Clock.h"

TourCover::TourCover(int32_t id, int32_t defaultDuration, int32_t left, int32_t top, int32_t layer, int32_t width,
                     int32_t height, VGraphicObject* parent)
    : VPictureControl(id, VRGBColor(0, 0, 0), left, top, layer, width, height, parent),
      VTask(0, true, false, false, GetTaskManager()),
      duration_(defaultDuration) {
  Stop();
  SetVisible(false, false);
  SetLevel(0);
}

void TourCover::FadeTo(int32_t level, int32_t duration) {
  target_ = std::clamp(level, 0, kOpaque);
  StartFade(duration);
}

void TourCover::FadeIn(int32_t duration) {
  target_ = kOpaque;
  StartFade(duration);
}

void TourCover::FadeOut(int32_t duration) {
  target_ = 0;
  StartFade(duration);
}

void TourCover::StartFade(int32_t duration) {
  duration_ = duration;
  start_ = GetLevel();
  startTick_ = lastTick_ = platform::TickCount();
  SetNextStepTime(lastTick_ + static_cast<uint32_t>(stepPeriod_) + 1);
  VTask::SetActive(true);
  SetVisible(true, false);
}

int32_t TourCover::GetLevel() const {
  PixelMapAttributes attributes;
  if (!GetPixelAttributes(attributes)) return kOpaque;
  return attributes.GetLevel();
}

void TourCover::SetLevel(int32_t level) {
  if (PeekPicture() == nullptr) return;
  PixelMapAttributes attributes;
  attributes.SetLevel(std::clamp(level, 0, kOpaque));
  SetPixelAttributes(attributes, true);
}

bool TourCover::MouseMove(const VMouseEvent& event) { return ContainsPoint(event.GetPoint()); }

bool TourCover::Step(uint32_t /*pass*/) {
  uint32_t now = GetTaskTickCount();
  if (static_cast<int32_t>(now - (lastTick_ + static_cast<uint32_t>(stepPeriod_))) <= 0) return true;
  int32_t level = target_;
  // A fade of no length (or a negative one) is at its target at once.
  if (duration_ > 0) {
    const uint32_t end = startTick_ + static_cast<uint32_t>(duration_);
    if (static_cast<int32_t>(now - end) > 0) now = end;
    const double f = static_cast<double>(static_cast<int32_t>(now - startTick_)) / duration_;
    level = std::min(static_cast<int32_t>(std::trunc(start_ + (target_ - start_) * f)), kOpaque);
  }
  lastTick_ = now;
  SetNextStepTime(lastTick_ + static_cast<uint32_t>(stepPeriod_) + 1);
  if (GetLevel() != level) SetLevel(level);
  if (level == 0) SetVisible(false, false);
  if (level == target_) {
    Stop();
    if (target_ == 0 && VGraphicObject::GetCapturedObject() == this) VGraphicObject::SetCapturedObject(nullptr);
    ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
    VEventHandler::SendUpward(kMessageFadeEnded, static_cast<uint32_t>(GetId()), sender.GetValue());
  }
  return true;
}
