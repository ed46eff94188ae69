#include "engine/controls/VScrollBar.h"

#include <cstdlib>

#include "engine/controls/VScroller.h"
#include "platform/Clock.h"

VScrollBar::~VScrollBar() {
  if (scroller_ != nullptr) scroller_->ForgetScrollBar(this);
  scroller_ = nullptr;
}

bool VScrollBar::Update() {
  if (scroller_ == nullptr) return false;
  const int32_t minimum = scroller_->GetMin(0);
  const int32_t maximum = scroller_->GetMax(0);
  const int32_t position = scroller_->GetPosition(0);
  const bool changed = minimum != minimum_ || maximum != maximum_ || position != position_;
  minimum_ = minimum;
  maximum_ = maximum;
  position_ = position;
  return changed;
}

int32_t VScrollBar::GetPosition() { return scroller_ != nullptr ? scroller_->GetPosition(0) : 0; }

void VScrollBar::Scroll(int32_t delta) {
  if (delta == 0 || scroller_ == nullptr) return;
  const int32_t direction = delta > 0 ? 1 : -1;
  if (smooth_ && singleStepTime_ == 0) {
    // Measure one line.
    const uint32_t start = platform::TickCount();
    scroller_->ScrollBy(direction, 0);
    singleStepTime_ = platform::TickCount() - start;
    delta -= direction;
    if (scroller_ == nullptr) return;
  }
  const int64_t cost = static_cast<int64_t>(singleStepTime_) * std::llabs(delta);
  if (smooth_ && delta != direction && cost <= smoothTimeLimit_) {
    for (int32_t i = 0; i < std::abs(delta) && scroller_ != nullptr; ++i) scroller_->ScrollBy(direction, 0);
  } else if (delta != 0) {
    scroller_->ScrollBy(delta, 0);
  }
  Update();
}

void VScrollBar::ScrollPart(int32_t part, int32_t value) {
  int32_t delta = 0;
  const int32_t page = scroller_ != nullptr ? scroller_->GetPageSize(0) : 1;
  switch (part) {
    case 0:
      delta = -lineStep_;
      break;
    case 1:
      delta = lineStep_;
      break;
    case 2:
      delta = 1 - page;
      break;
    case 3:
      delta = page - 1;
      break;
    case 4:
    case 5:
      delta = value - GetPosition();
      break;
    case 6:
      delta = -32767;
      break;
    case 7:
      delta = 32767;
      break;
    default:
      break;
  }
  if (delta == 0) {
    Update();
    return;
  }
  Scroll(delta);
}
