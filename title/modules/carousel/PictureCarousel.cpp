#include "title/modules/carousel/PictureCarousel.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/controls/PointerState.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ItemRef.h"
#include "title/modules/carousel/CarouselSlotControl.h"
#include "title/shell/IndexEntry.h"
#include "title/shell/IndexEntryList.h"
#include "title/shell/ShellPictures.h"
#include "title/tour/TourMedia.h"

namespace {

constexpr double kTwoPi = 2 * PictureCarousel::kPi;

int32_t Wrap(int32_t value, int32_t size) {
  value %= size;
  return value < 0 ? value + size : value;
}

double WrapAngle(double angle) {
  while (angle < 0) angle += kTwoPi;
  while (angle > kTwoPi) angle -= kTwoPi;
  return angle;
}

void Release(VPicture*& picture) {
  if (picture != nullptr) picture->Release();
  picture = nullptr;
}

}  // namespace

PictureCarousel::Place PictureCarousel::ProjectPlace(int32_t place, double angle, int32_t tilt, int32_t centreX,
                                                     int32_t centreY) {
  const double a = place * 2 * kPi / kRingSize + angle;
  const double x = std::sin(a) * 190.0;
  const double z = std::cos(a) * 190.0 / 3.0;
  const double y = 0;
  const double t = tilt * 2 * kPi / 360;
  const double yTurned = std::cos(t) * y - std::sin(t) * z;
  Place out;
  out.depth = std::sin(t) * y + std::cos(t) * z + 300.0;
  out.width = static_cast<int32_t>(85.0 * 200.0 / out.depth);
  out.height = static_cast<int32_t>(64.0 * 200.0 / out.depth);
  out.left = static_cast<int32_t>(x * 200.0 / out.depth - (out.width / 2)) + centreX;
  out.top = static_cast<int32_t>(yTurned * 200.0 / out.depth - (out.height / 2)) + centreY;
  return out;
}

PictureCarousel::PictureCarousel(int32_t id, int32_t x, int32_t y, int32_t layer, const IndexEntryList* entries,
                                 VGraphicObject* parent)
    : VPictureControl(id, kBackdropPicture, x, y, layer, kWidth, kHeight, parent),
      VTask(0, true, false, false, GetTaskManager()) {
  SetNextStepTime(GetTaskTickCount());
  const int32_t bubbleCategory = FindCategoryCode("BU");
  for (int32_t i = 0; i < kRingSize; ++i) {
    const IndexEntry* entry = entries != nullptr ? entries->FindByPosition(i) : nullptr;
    // Entries of 0 and -1 in the bubble table name no pictures.
    const uint16_t base = entry != nullptr ? GetBubbleMediaId(ItemRef(bubbleCategory, entry->GetBubbleNumber())) : 0;
    if (base != 0) {
      normal_[i] = LoadShellPicture(static_cast<uint16_t>(base + 3));
      highlight_[i] = LoadShellPicture(static_cast<uint16_t>(base + 5));
    }
    if (normal_[i] == nullptr || highlight_[i] == nullptr) {
      Release(normal_[i]);
      Release(highlight_[i]);
      const uint16_t pair = i % 2 == 0 ? kEvenPicture : kOddPicture;
      normal_[i] = LoadShellPicture(pair);
      highlight_[i] = LoadShellPicture(static_cast<uint16_t>(pair + 1));
    }
    slots_[i] = new CarouselSlotControl(normal_[i], this);
    slots_[i]->SetVisible(false, false);
    const VRect target(0, 0, 100, 100);
    slots_[i]->SetScaled(true, &target);
  }
  FillPlaces();
  Layout(false);
}

PictureCarousel::~PictureCarousel() {
  places_.fill(nullptr);
  for (int32_t i = 0; i < kRingSize; ++i) {
    Release(normal_[i]);
    Release(highlight_[i]);
  }
  Detach();
}

void PictureCarousel::FillPlaces() {
  for (int32_t i = 0; i < kRingSize; ++i) places_[i] = slots_[Wrap(i + offset_, kRingSize)];
}

CarouselSlotControl* PictureCarousel::GetSlot(int32_t item) const {
  return item >= 0 && item < kRingSize ? slots_[item] : nullptr;
}

CarouselSlotControl* PictureCarousel::GetPlaceSlot(int32_t place) const {
  return place >= 0 && place < kRingSize ? places_[place] : nullptr;
}

void PictureCarousel::SetVisibleCount(int32_t count) {
  visibleCount_ = count;
  Layout(true);
}

void PictureCarousel::StopAtItem(int32_t item) {
  angle_ = 0;
  target_ = item;
  stopping_ = true;
}

int32_t PictureCarousel::GetTargetItem() const { return active_ ? Wrap(target_, kRingSize) : 0; }

int32_t PictureCarousel::FrontOffsetFor(int32_t item) const { return Wrap(item - kFrontPlace, kRingSize); }

void PictureCarousel::SelectItem(int32_t item, bool clearPending, bool handCursor) {
  if (item >= kRingSize || item < -1) return;
  if (target_ >= 0 && stopping_ && item >= 0) {
    pending_ = item;
    return;
  }
  if (clearPending && item == -1) pending_ = -1;
  if (item == selected_) return;
  if (CarouselSlotControl* old = GetSlot(selected_)) {
    old->SetPicture(normal_[selected_], false);
    old->SetHandCursor(false);
  }
  if (CarouselSlotControl* lit = GetSlot(item)) {
    lit->SetPicture(highlight_[item], false);
    if (handCursor) lit->SetHandCursor(true);
  }
  selected_ = item;
  Layout(true);
}

void PictureCarousel::Layout(bool redraw) {
  if (!active_) return;
  if (angle_ != 0) SelectItem(-1, false, false);
  VRect area;
  for (int32_t i = 0; i < kRingSize; ++i) {
    Place p = ProjectPlace(i, angle_, tilt_, centreX_, centreY_);
    CarouselSlotControl* slot = places_[i];
    const int32_t item = Wrap(i + offset_, kRingSize);
    slot->SetVisible(i < visibleCount_, false);
    if (!stopping_ && selected_ >= 0 && item == selected_) {
      if (VPicture* lit = highlight_[item]) {
        const VRect& bounds = lit->GetBounds();
        p.width = bounds.GetWidth();
        p.height = bounds.GetHeight();
      }
      p.left -= 10;
      p.top -= 10;
      p.depth = 0;
    }
    if (selected_ < 0 && i == kFrontPlace) p.depth = 0;
    if (slot->GetWidth() != 0) {
      slot->SetScaled(true, nullptr);
      slot->SetWidth(p.width);
      slot->SetHeight(p.height);
    }
    slot->SetLayer(1000 - static_cast<int32_t>(p.depth), false);
    slot->MoveTo(VPoint(p.left, p.top), false, false, false);
    const VRect rect(p.left, p.top, p.left + p.width, p.top + p.height);
    if (i == 0) {
      area = rect;
    } else {
      area.Union(rect);
    }
  }
  VPoint origin;
  GetGlobalOrigin(origin, true);
  area.Offset(origin);
  if (redraw) {
    VRect both = area;
    both.Union(drawnArea_);
    Invalidate(&both);
  }
  drawnArea_ = area;
  leftZone_ = VRect(0, drawnArea_.top, 100, drawnArea_.bottom);
  rightZone_ = VRect(300, drawnArea_.top, 400, drawnArea_.bottom);
}

void PictureCarousel::NormaliseRotation(bool stopAtTarget) {
  if (!active_) return;
  const int32_t t = FrontOffsetFor(target_);
  angle_ = WrapAngle(angle_);
  if (angle_ <= kStep) return;
  if (angle_ >= kPi) {
    while (angle_ < kTwoPi && !(stopAtTarget && offset_ == t)) {
      angle_ += kStep;
      offset_ += 1;
    }
  } else {
    while (angle_ > kStep && !(stopAtTarget && offset_ == t)) {
      angle_ -= kStep;
      offset_ -= 1;
    }
  }
  if (stopAtTarget && offset_ == t) angle_ = 0;
  angle_ = WrapAngle(angle_);
  offset_ = Wrap(offset_, kRingSize);
  for (int32_t i = 0; i < kRingSize; ++i) places_[i]->SetVisible(false, false);
  FillPlaces();
}

void PictureCarousel::Report(uint32_t code, int32_t value) {
  SendUpward(code, static_cast<uint32_t>(value), 0);
}

bool PictureCarousel::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  // A step every 10 ms at least (the shortest step the ring counts), and on
  // any pass that comes sooner; the idle loop need not spin for the ring.
  SetNextStepTime(now + kMinStepMs);
  if (!active_ || !IsEnabled()) return true;
  const auto elapsed = static_cast<int32_t>(now - lastTick_);
  lastTick_ = now;
  const double dt = std::clamp(elapsed, kMinStepMs, 1000);
  VPoint p(-100000, -100000);
  GetPointerInWindow(*this, p);

  if (!frozen_ && leftZone_.ContainsPointInclusive(p)) {
    angle_ -= dt * 0.001 * (1.0 - p.x / 100.0);
    NormaliseRotation(false);
    Layout(true);
    stopping_ = false;
    return true;
  }
  if (!frozen_ && rightZone_.ContainsPointInclusive(p)) {
    angle_ += dt * 0.001 * (1.0 - (400 - p.x) / 100.0);
    NormaliseRotation(false);
    Layout(true);
    stopping_ = false;
    return true;
  }
  if (!frozen_ && centreZone_.ContainsPointInclusive(p)) {
    const int32_t front = Wrap(offset_ + kFrontPlace, kRingSize);
    if (selected_ >= 0) return true;
    angle_ = 0;
    SelectItem(front, false, true);
    Report(kMessageFrontPointed, front);
    return true;
  }
  if (stopping_) {
    const int32_t t = FrontOffsetFor(target_);
    int32_t d = t - offset_;
    while (d > 10) d -= 20;
    while (d < -10) d += 20;
    if (d == 0 && angle_ == 0) {
      // The turn has ended: the selection asked for meanwhile is made now.
      stopping_ = false;
      if (pending_ >= 0) {
        const int32_t item = pending_;
        SelectItem(item, false, true);
        pending_ = -1;
        Report(kMessageStopped, GetId());
      }
    } else if (d != 0) {
      const bool increase = !(d >= 1 && d <= 9);
      angle_ += increase ? dt * 0.001 : -dt * 0.001;
      NormaliseRotation(true);
      if (increase && offset_ == t && angle_ > 0) angle_ = 0;
      Layout(true);
    } else {
      // At the target: the last part of a step back to the place.
      double a = angle_ > kPi ? angle_ - kTwoPi : angle_;
      const double move = dt * 0.001;
      a = a > 0 ? std::max(0.0, a - move) : std::min(0.0, a + move);
      angle_ = WrapAngle(a);
      Layout(true);
    }
    return true;
  }
  if (!frozen_ && VRect(0, 0, kWidth, kHeight).ContainsPointInclusive(p) && selected_ >= 0) {
    angle_ = 0;
    SelectItem(-1, false, true);
    Report(kMessageLeft, -1);
  }
  return true;
}

bool PictureCarousel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kEventReleased && active_) {
    const auto* sender = MessagePointerAs<VEventHandler>(value2);
    for (int32_t i = 0; i < kRingSize; ++i) {
      if (sender == nullptr || places_[i]->GetEventHandler() != sender) continue;
      const int32_t item = Wrap(offset_ + i, kRingSize);
      if (item != selected_) break;
      target_ = item;
      stopping_ = false;
      frozen_ = !frozen_;
      Report(kMessageClicked, item);
      return true;
    }
  }
  return VPictureControl::HandleEvent(code, value1, value2);
}
