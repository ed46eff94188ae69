#include "engine/controls/VPictureScrollBar.h"

#include "engine/app/MessagePointer.h"
#include "engine/controls/VScroller.h"

VPictureScrollBar::VPictureScrollBar(int32_t id, int32_t minimum, int32_t maximum, int32_t left, int32_t top,
                                     int32_t layer, int32_t width, int32_t height, VSliderThumb* thumb,
                                     VGraphicObject* track, VPictureButton* upButton, VPictureButton* downButton,
                                     VGraphicObject* parent)
    : VSlider(id, minimum, maximum, left, top, layer, width, height, thumb, track, parent),
      upButton_(upButton),
      downButton_(downButton) {
  SetKindCode(kKind);
  if (upButton_ != nullptr) AttachControl(this, upButton_);
  if (downButton_ != nullptr) AttachControl(this, downButton_);
}

VPictureScrollBar::~VPictureScrollBar() = default;

bool VPictureScrollBar::IsFromButton(VPictureButton* button, uint32_t sender) const {
  return button != nullptr && MessagePointerAs<VEventHandler>(sender) == button->GetEventHandler();
}

void VPictureScrollBar::ApplyArrowState(VPictureButton* button, bool atEnd) {
  if (button == nullptr) return;
  const bool shown = !hideAtEnds_ || !atEnd;
  const bool enabled = !disableAtEnds_ || !atEnd;
  if ((!shown || !enabled) && GetCapturedObject() == button) {
    // The button stops being pressed before it goes.
    const VMouseEvent away(VPoint(-1, -1), 0, 0, 0);
    button->MouseUp(away);
    button->MouseMove(away);
    SetCapturedObject(nullptr);
  }
  if (button->IsVisible() != shown) button->SetVisible(shown, true);
  if (button->IsEnabledFlagSet() != enabled) button->SetEnabled(enabled);
}

bool VPictureScrollBar::Update() {
  const bool changed = VScrollBar::Update();
  if (changed && GetScroller() != nullptr) {
    SetRange(VScrollBar::GetMinimum(), VScrollBar::GetMaximum());
    SetValue(GetStoredPosition(), true);
  }
  const int32_t position = GetStoredPosition();
  ApplyArrowState(upButton_, !(position > VScrollBar::GetMinimum()));
  ApplyArrowState(downButton_, !(position < VScrollBar::GetMaximum()));
  return changed;
}

bool VPictureScrollBar::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kEventButtonPressed || code == kEventButtonRepeat) {
    if (IsFromButton(upButton_, value2)) {
      Scroll(-GetLineStep());
      return true;
    }
    if (IsFromButton(downButton_, value2)) {
      Scroll(GetLineStep());
      return true;
    }
    if (IsFromTrack(value2)) {
      int32_t value = 0;
      if (!ValueUnderTrackPress(value)) return true;
      const int32_t side = value < GetValue() ? -1 : (value > GetValue() ? 1 : 0);
      if (code == kEventButtonPressed) pressSide_ = side;
      // Page towards the press until the thumb has passed the pointer.
      if (side != 0 && side == pressSide_ && GetScroller() != nullptr) {
        Scroll(side * GetScroller()->GetPageSize(0));
      }
      return true;
    }
  }
  if (code == kEventSliderChanged && IsFromSelf(value2)) {
    if (GetScroller() != nullptr) Scroll(GetValue() - GetScroller()->GetPosition(0));
    return false;
  }
  return VSlider::HandleEvent(code, value1, value2);
}
