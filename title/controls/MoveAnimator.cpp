#include "title/controls/MoveAnimator.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/app/VGraphicObject.h"
#include "engine/controls/PointerState.h"
#include "platform/Clock.h"
#include "title/controls/TextColorHolder.h"

MoveAnimator::MoveAnimator(int32_t kind, VEventHandler* owner)
    : VTask(12288, false, false, false, GetTaskManager()), kind_(kind), owner_(owner) {}

MoveAnimator::~MoveAnimator() = default;

void MoveAnimator::Start(VGraphicObject* target, const VPoint& start, const VPoint& end, int32_t mode, double speed,
                         bool fadeHeldText, bool fadeOwnText) {
  target_ = target;
  start_ = start;
  end_ = end;
  mode_ = mode;
  speed_ = speed;
  fadeHeld_ = fadeHeldText;
  fadeOwn_ = fadeOwnText;
  startTick_ = platform::TickCount();
  if (target_ != nullptr) target_->MoveTo(start_, false, true, false);
  SetActive(true);
}

void MoveAnimator::Start(VGraphicObject* target, const VPoint& end, int32_t mode, double speed, bool fadeHeldText,
                         bool fadeOwnText) {
  VPoint from;
  if (target != nullptr) from = VPoint(target->GetBounds().left, target->GetBounds().top);
  Start(target, from, end, mode, speed, fadeHeldText, fadeOwnText);
}

void MoveAnimator::ApplyFade(double travelled, double distance) {
  if (start_.y != kFadeRow && end_.y != kFadeRow) return;
  if (!fadeHeld_ && !fadeOwn_) return;
  if (!target_->IsVisible()) target_->SetVisible(true, true);
  const double share = end_.y > start_.y ? (distance - travelled) / distance : travelled / distance;
  const double g = std::isfinite(share) ? std::clamp(255.0 * share, 0.0, 255.0) : 255.0;
  const auto level = static_cast<uint8_t>(g);
  const VRGBColor grey(level, level, level);
  if (fadeHeld_) {
    if (auto* holder = dynamic_cast<TextColorHolder*>(target_)) {
      if (TextColorTarget* text = holder->GetHeldTextColorTarget()) text->SetTextColor(grey);
    }
  }
  if (fadeOwn_) {
    if (auto* text = dynamic_cast<TextColorTarget*>(target_)) text->SetTextColor(grey);
  }
}

// The object moved under a pointer that stands still: when the pointer is no
// longer over the captured object (a button of the moved object that saw it
// come, say), the display tree hears of the pointer's place as after a move
// of the pointer, so that the object can let go.
void MoveAnimator::RefreshPointerIfLeft() {
  VGraphicObject* captured = VGraphicObject::GetCapturedObject();
  VPoint pointer;
  if (captured == nullptr || !GetPointerInWindow(*target_, pointer) || captured->ContainsPoint(pointer)) return;
  RefreshPointerState(*target_);
}

bool MoveAnimator::Step(uint32_t) {
  if (target_ == nullptr) {
    SetActive(false);
    return true;
  }
  if (mode_ == 1 || mode_ == 2) {
    target_->MoveTo(end_, false, true, false);
    return true;
  }
  if (mode_ != 0) return false;

  const uint32_t now = GetTaskTickCount();
  const double dx = end_.x - start_.x;
  const double dy = end_.y - start_.y;
  const double distance = std::sqrt(dx * dx + dy * dy) + 0.5;
  double travelled = speed_ * static_cast<int32_t>(now - startTick_) / 1000.0;
  if (!(speed_ > 0) || !std::isfinite(travelled)) travelled = distance;  // no usable speed: arrive at once
  VPoint point = end_;
  if (travelled < distance) {
    point = VPoint(start_.x + static_cast<int32_t>(dx * travelled / distance),
                   start_.y + static_cast<int32_t>(dy * travelled / distance));
  } else {
    travelled = distance;
    SetActive(false);
  }
  ApplyFade(travelled, distance);
  target_->MoveTo(point, false, true, false);
  const ControlLife::Watch watch = life_.MakeWatch();
  RefreshPointerIfLeft();
  if (!watch.Alive()) return false;
  if (!IsActive()) {
    VGraphicObject* moved = target_;
    if (owner_ != nullptr) {
      ScopedMessagePointer object(moved);
      ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
      owner_->DispatchUpward(kMessageMoved, object.GetValue(), sender.GetValue());
    }
    if (!watch.Alive()) return false;
  }
  return true;
}
