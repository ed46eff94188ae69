#include "title/controls/SignalSinks.h"

#include <cmath>
#include <limits>

#include "engine/app/VGraphicObject.h"
#include "engine/controls/VPictureControl.h"

bool SignalSink::WholeValue(double value, int32_t& out) {
  if (!std::isfinite(value)) return false;
  const double t = std::trunc(value);
  if (t >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    out = std::numeric_limits<int32_t>::max();
  } else if (t <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    out = std::numeric_limits<int32_t>::min();
  } else {
    out = static_cast<int32_t>(t);
  }
  return true;
}

SignalPositionSink::SignalPositionSink(VGraphicObject* target) : SignalSink(2), target_(target) {
  if (target_ != nullptr) {
    SetInput(0, target_->GetBounds().left);
    SetInput(1, target_->GetBounds().top);
  }
}

void SignalPositionSink::Fire() {
  if (target_ == nullptr) return;
  int32_t x = 0, y = 0;
  if (!WholeValue(GetInput(0), x) || !WholeValue(GetInput(1), y)) return;
  const VRect& b = target_->GetBounds();
  if (x != b.left || y != b.top) target_->MoveTo(VPoint(x, y), false, true, false);
}

SignalWidthSink::SignalWidthSink(VGraphicObject* target) : SignalSink(3), target_(target) {
  if (target_ != nullptr) {
    SetInput(1, target_->GetBounds().left);
    SetInput(2, target_->GetWidth());
  }
}

void SignalWidthSink::Fire() {
  if (target_ == nullptr) return;
  int32_t w = 0;
  if (!WholeValue(GetInput(2) - (GetInput(0) - GetInput(1)), w)) return;
  if (w != target_->GetWidth()) target_->SetWidth(w);
}

SignalLevelSink::SignalLevelSink(VPictureControl* target) : SignalSink(1), target_(target) {}

void SignalLevelSink::Fire() {
  if (target_ == nullptr) return;
  int32_t value = 0;
  if (!WholeValue(GetInput(0), value)) return;
  // The level runs from 0 to 63; values beyond are held at the ends.
  const int32_t level = value < 0 ? 0 : (value > 63 ? 63 : value);
  PixelMapAttributes attributes;
  if (!target_->GetPixelAttributes(attributes)) return;
  if (attributes.GetLevel() == level) return;
  attributes.SetLevel(level);
  target_->SetPixelAttributes(attributes, true);
}

SignalFrameSink::SignalFrameSink(VPictureControl* target) : SignalSink(1), target_(target) {}

void SignalFrameSink::Fire() {
  if (target_ == nullptr) return;
  int32_t f = 0;
  if (!WholeValue(GetInput(0), f)) return;
  if (f >= 1 && f <= target_->GetFrameCount()) target_->SetFrame(f, true);
}

SignalDateSink::SignalDateSink(DayNumberTarget* target) : SignalSink(1), target_(target) {
  if (target_ != nullptr) SetInput(0, target_->GetDateDayNumber());
}

void SignalDateSink::Fire() {
  if (target_ == nullptr) return;
  int32_t day = 0;
  if (WholeValue(GetInput(0), day) && day != target_->GetDateDayNumber()) target_->SetDateDayNumber(day);
}

SignalCarouselSink::SignalCarouselSink(VisibleCountTarget* target) : SignalSink(20), target_(target) {}

void SignalCarouselSink::Fire() {
  if (target_ == nullptr) return;
  int32_t count = 0;
  if (WholeValue(GetInput(0), count) && count != target_->GetVisibleCount()) target_->SetVisibleCount(count);
}
