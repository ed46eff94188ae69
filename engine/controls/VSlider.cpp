#include "engine/controls/VSlider.h"

#include <algorithm>
#include <cstdint>

#include "engine/app/MessagePointer.h"
#include "engine/graphics/VPicture.h"

// ---------------------------------------------------------------------------
// VSliderThumb

VSliderThumb::VSliderThumb(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over, uint16_t disabled,
                           int32_t left, int32_t top, int32_t layer, int32_t moveWidth, int32_t moveHeight,
                           VGraphicObject* parent)
    : VPictureButton(id, normal, pressed, over, disabled, VPoint(left, top), layer, 0, 0, parent) {
  SetKindCode(kKind);
  InitMovement(moveWidth, moveHeight);
}

VSliderThumb::VSliderThumb(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over, VPicture* disabled,
                           int32_t left, int32_t top, int32_t layer, int32_t moveWidth, int32_t moveHeight,
                           VGraphicObject* parent)
    : VPictureButton(id, normal, pressed, over, disabled, VPoint(left, top), layer, 0, 0, parent) {
  SetKindCode(kKind);
  InitMovement(moveWidth, moveHeight);
}

void VSliderThumb::InitMovement(int32_t moveWidth, int32_t moveHeight) {
  const VRect& b = GetBounds();
  movement_ = VRect(b.left, b.top, b.left + std::max(moveWidth, 0), b.top + std::max(moveHeight, 0));
}

void VSliderThumb::SetBounds(int32_t dx, int32_t dy, bool redraw, bool force) {
  const VRect& b = GetBounds();
  int64_t x = dx;
  int64_t y = dy;
  if (b.right + x > movement_.right) x = static_cast<int64_t>(movement_.right) - b.right;
  if (b.bottom + y > movement_.bottom) y = static_cast<int64_t>(movement_.bottom) - b.bottom;
  if (b.left + x < movement_.left) x = static_cast<int64_t>(movement_.left) - b.left;
  if (b.top + y < movement_.top) y = static_cast<int64_t>(movement_.top) - b.top;
  VGraphicObject::SetBounds(static_cast<int32_t>(x), static_cast<int32_t>(y), redraw, force);
}

bool VSliderThumb::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  if (IsPressed() && GetCapturedObject() == this) {
    const VPoint offset = GetDragOffset();
    MoveTo(VPoint(event.x + offset.x, event.y + offset.y), true, true, false);
    SendControlEvent(*this, kEventThumbDragged);
    return true;
  }
  return VPictureButton::MouseMove(event);
}

void VSliderThumb::GetTravel(int32_t& offset, int32_t& span) {
  const VRect& b = GetBounds();
  if (IsVerticalTravel()) {
    offset = b.top - movement_.top;
    span = movement_.GetHeight() - b.GetHeight();
  } else {
    offset = b.left - movement_.left;
    span = movement_.GetWidth() - b.GetWidth();
  }
}

void VSliderThumb::ShowValue(int32_t value, int32_t maximum) {
  int32_t offset = 0, span = 0;
  GetTravel(offset, span);
  const int64_t m = maximum != 0 ? maximum : span;
  if (m == 0) return;  // no room and no range: nothing to show
  const int64_t target = static_cast<int64_t>(span) * value / m;
  const int64_t next = static_cast<int64_t>(span) * (static_cast<int64_t>(value) + 1) / m;
  if (offset >= target && offset < next) return;
  if (IsPressed() && GetCapturedObject() == this) return;  // being dragged
  const int32_t move = static_cast<int32_t>(target - offset);
  if (IsVerticalTravel()) {
    SetBounds(0, move, true, false);
  } else {
    SetBounds(move, 0, true, false);
  }
}

// ---------------------------------------------------------------------------
// VSlider

VSlider::VSlider(int32_t id, int32_t minimum, int32_t maximum, int32_t left, int32_t top, int32_t layer,
                 int32_t width, int32_t height, VSliderThumb* thumb, VGraphicObject* track, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      minimum_(minimum),
      maximum_(maximum),
      value_(minimum) {
  SetTrack(track);
  SetThumb(thumb);
}

VSlider::~VSlider() = default;  // the children (thumb and track) go with the control

namespace {
void AttachChild(VControl* parent, VGraphicObject* child) {
  if (auto* control = dynamic_cast<VControl*>(child)) {
    AttachControl(parent, control);
  } else if (child != nullptr) {
    child->AddChild(static_cast<VGraphicObject*>(parent));
  }
}
}  // namespace

void VSlider::SetThumb(VSliderThumb* thumb) {
  if (thumb == thumb_) return;
  delete thumb_;
  thumb_ = thumb;
  AttachChild(this, thumb);
}

void VSlider::SetTrack(VGraphicObject* track) {
  if (track == track_) return;
  delete track_;
  track_ = track;
  AttachChild(this, track);
}

bool VSlider::SetValue(int32_t value, bool force) {
  value = std::clamp(value, minimum_, std::max(minimum_, maximum_));
  if (thumb_ != nullptr && thumb_->IsVisible() != (maximum_ > minimum_)) thumb_->SetVisible(maximum_ > minimum_, true);
  if (value == value_ && !force) return false;
  const bool changed = value != value_;
  value_ = value;
  if (thumb_ != nullptr) {
    // Ranges wider than 32 bits are shown at half resolution.
    int64_t shown = static_cast<int64_t>(value) - minimum_;
    int64_t range = static_cast<int64_t>(maximum_) - minimum_;
    while (range > INT32_MAX) {
      shown /= 2;
      range /= 2;
    }
    thumb_->ShowValue(static_cast<int32_t>(shown), static_cast<int32_t>(range));
  }
  if (changed) SendControlEvent(*this, kEventSliderChanged);
  return true;
}

bool VSlider::IsFromTrack(uint32_t sender) const {
  auto* track = dynamic_cast<VControl*>(track_);
  return track != nullptr && MessagePointerAs<VEventHandler>(sender) == track->GetEventHandler();
}

bool VSlider::IsFromThumb(uint32_t sender) const {
  return thumb_ != nullptr && MessagePointerAs<VEventHandler>(sender) == thumb_->GetEventHandler();
}

bool VSlider::IsFromSelf(uint32_t sender) { return MessagePointerAs<VEventHandler>(sender) == GetEventHandler(); }

bool VSlider::ValueUnderTrackPress(int32_t& value) {
  auto* track = dynamic_cast<VPictureControl*>(track_);
  if (track == nullptr) return false;
  const bool vertical = track->GetHeight() >= track->GetWidth();
  const int32_t trackLength = vertical ? track->GetHeight() : track->GetWidth();
  int32_t thumbLength = thumbLength_;
  if (thumbLength == 0 && thumb_ != nullptr) thumbLength = vertical ? thumb_->GetHeight() : thumb_->GetWidth();
  const int64_t room = static_cast<int64_t>(trackLength) - thumbLength;
  if (room <= 0) return false;  // a track no longer than its thumb has no values to point at
  const VPoint& press = track->GetPressPoint();
  const int64_t coordinate = vertical ? press.y : press.x;
  const int64_t v = (coordinate - thumbLength / 2) * (static_cast<int64_t>(maximum_) - minimum_) / room + minimum_;
  value = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  return true;
}

bool VSlider::HandleEvent(uint32_t code, uint32_t, uint32_t value2) {
  if ((code == kEventButtonPressed || code == kEventButtonRepeat) && IsFromTrack(value2)) {
    int32_t value = 0;
    if (ValueUnderTrackPress(value)) SetValue(value, false);
    return true;
  }
  if (code == kEventThumbDragged && IsFromThumb(value2)) {
    int32_t offset = 0, span = 0;
    thumb_->GetTravel(offset, span);
    const int64_t value =
        span != 0 ? minimum_ + (static_cast<int64_t>(maximum_) - minimum_) * offset / span : minimum_;
    if (value != value_) {
      value_ = static_cast<int32_t>(value);
      SendControlEvent(*this, kEventSliderChanged);
    }
    return true;
  }
  return false;
}
