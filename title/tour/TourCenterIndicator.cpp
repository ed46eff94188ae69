#include "title/tour/TourCenterIndicator.h"

#include "engine/app/VGraphicObject.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"

namespace {
constexpr int32_t kTimerId = 12288;  // asks for an allocated id
constexpr uint32_t kTimerInterval = 40;
constexpr uint16_t kCursorLook = 113;
}  // namespace

TourCenterIndicator::TourCenterIndicator(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, pictureId, left, top, layer, width, height, parent) {
  ShowDirection(0.0f, 0.0f, false, false);
  timer_ = new SignalTimer(kTimerId, kTimerInterval, this);
  // From 0, 1000 / duration (2) per second over the range 63: 0 to 63 in the fade's time.
  auto* ramp = new SignalSpeedRamp(0, 0, 1000.0 / fadeDuration_, 63, 0);
  timer_->Subscribe(ramp, 0);
  ramp->Subscribe(new SignalLevelSink(this), 0);
}

void TourCenterIndicator::FadeIn() {
  if (timer_ == nullptr) return;
  timer_->SetDirection(1);
  timer_->Start(static_cast<uint32_t>(fadeDuration_));
}

void TourCenterIndicator::FadeOut() {
  if (timer_ == nullptr) return;
  timer_->SetDirection(-1);
  timer_->Start(static_cast<uint32_t>(fadeDuration_));
}

int32_t TourCenterIndicator::DirectionFrame(float x, float y, bool overHotspot) {
  if (overHotspot) return kHotspotFrame;
  const int32_t h = x > kDeadZone ? 1 : (x < -kDeadZone ? -1 : 0);
  const int32_t v = y > kDeadZone ? 1 : (y < -kDeadZone ? -1 : 0);
  return (v + 1) * 3 + h + 1;
}

void TourCenterIndicator::ShowDirection(float x, float y, bool overHotspot, bool redraw) {
  shownFrame_ = DirectionFrame(x, y, overHotspot);
  SetFrame(shownFrame_, redraw);
}

bool TourCenterIndicator::MouseDown(const VMouseEvent& /*event*/) { return false; }
bool TourCenterIndicator::MouseUp(const VMouseEvent& /*event*/) { return false; }
bool TourCenterIndicator::MouseMove(const VMouseEvent& /*event*/) { return false; }
bool TourCenterIndicator::KeyDown(const VKeyEvent& /*event*/) { return false; }

bool TourCenterIndicator::UpdateCursor(const VMouseEvent& /*event*/) {
  SetCursorById(kCursorLook);
  return true;
}
