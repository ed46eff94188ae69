#include "title/modules/storyline/ScrollArrow.h"

#include "engine/controls/VPictureControl.h"
#include "engine/graphics/VPicture.h"
#include "title/shell/ShellPictures.h"

ScrollArrow::ScrollArrow(int32_t id, uint16_t pictureId, int32_t cursorA, int32_t cursorB, bool forward, int32_t left,
                         int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VMouseDetector(id, left, top, layer, width, height, true, parent),
      pictureId_(pictureId),
      cursorA_(cursorA),
      cursorB_(cursorB),
      forward_(forward) {
  SetTransparent(true);
  if (pictureId_ == 0) return;
  // Both pictures are read once; entering and leaving only swap them.
  normalPicture_ = LoadShellPicture(pictureId_);
  litPicture_ = LoadShellPicture(static_cast<uint16_t>(pictureId_ + 1));
  picture_ = new VPictureControl(kAllocateId, normalPicture_, 0, 0, layer + 1, width, height, this);
}

ScrollArrow::~ScrollArrow() {
  if (normalPicture_ != nullptr) normalPicture_->Release();
  if (litPicture_ != nullptr) litPicture_->Release();
}

void ScrollArrow::Enable() { enabled_ = true; }

void ScrollArrow::Disable() {
  enabled_ = false;
  if (IsInside()) Leave();
}

void ScrollArrow::SetCanScroll() {
  canScroll_ = true;
  if (IsInside()) SetCursorById(CurrentCursor());
}

void ScrollArrow::ClearCanScroll() {
  canScroll_ = false;
  if (IsInside()) SetCursorById(CurrentCursor());
}

uint16_t ScrollArrow::CurrentCursor() const { return static_cast<uint16_t>(canScroll_ ? cursorA_ : cursorB_); }

void ScrollArrow::ShowPicture(VPicture* picture) {
  // A picture that could not be read leaves the one shown.
  if (picture_ != nullptr && picture != nullptr) picture_->SetPicture(picture, true);
}

void ScrollArrow::Leave() {
  if (GetCapturedObject() == this) SetCapturedObject(nullptr);
  ShowPicture(normalPicture_);
  SetInside(false);
  SendControlEvent(*this, kOwnerLeft);
}

bool ScrollArrow::MouseMove(const VMouseEvent& event) {
  if (enabled_) {
    VRect area;
    GetGlobalBounds(area);
    const bool inside = area.ContainsPoint(event.GetPoint());
    const ControlLife::Watch watch = life_.MakeWatch();
    if (!inside && IsInside()) {
      Leave();
    } else if (inside && !IsInside()) {
      if (CapturesWhileInside()) {
        TakeMouseCapture();
        ShowPicture(litPicture_);
      }
      SetInside(true);
      SendControlEvent(*this, kOwnerEntered);
    }
    // The receiver of the message may have deleted the arrow.
    if (!watch.Alive()) return true;
  }
  return VGraphicObject::MouseMove(event);
}

bool ScrollArrow::UpdateCursor(const VMouseEvent&) {
  if (!enabled_ || !IsInside()) return false;
  SetCursorById(CurrentCursor());
  return true;
}
