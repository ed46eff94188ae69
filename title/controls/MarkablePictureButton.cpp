#include "title/controls/MarkablePictureButton.h"

#include "engine/app/MessagePointer.h"
#include "engine/graphics/VPicture.h"

MarkablePictureButton::MarkablePictureButton(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over,
                                             uint16_t markedId, uint16_t disabled, const VPoint& topLeft,
                                             int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureButton(id, normal, pressed, over, disabled, topLeft, layer, width, height, parent),
      markedId_(markedId),
      savedLayer_(layer) {}

MarkablePictureButton::MarkablePictureButton(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over,
                                             VPicture* marked, VPicture* disabled, const VPoint& topLeft,
                                             int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureButton(id, normal, pressed, over, disabled, topLeft, layer, width, height, parent),
      marked_(marked),
      savedLayer_(layer) {
  if (marked_ != nullptr) marked_->AddReference();
}

MarkablePictureButton::~MarkablePictureButton() {
  if (marked_ != nullptr) marked_->Release();
}

void MarkablePictureButton::ShowPicture(VPicture* picture) {
  if (picture == nullptr) return;
  VPictureControl::SetPicture(picture, false);
  RedrawNow();
}

void MarkablePictureButton::Highlight() {
  VPicture* picture = nullptr;
  int32_t frame = 0;
  GetStatePicture(2, picture, frame);
  ShowPicture(picture);
  if (picture != nullptr) picture->Release();
  savedLayer_ = GetLayer();
  BringToFront(true);
}

void MarkablePictureButton::Restore() {
  UpdatePicture(true);
  SetLayer(savedLayer_, true);
}

void MarkablePictureButton::MarkRelated() {
  savedLayer_ = GetLayer();
  if (marked_ == nullptr && markedId_ != 0) {
    auto* loaded = new VPicture(markedId_);
    if (loaded->GetPixelMap() != nullptr) {
      marked_ = loaded;
    } else {
      loaded->Release();
    }
  }
  ShowPicture(marked_);
  BringToFront(true);
}

bool MarkablePictureButton::MouseMove(const VMouseEvent& event) {
  if (!IsDraggable()) return VPictureButton::MouseMove(event);
  if (VGraphicObject::MouseMove(event)) return true;
  const bool inside = ContainsPoint(event.GetPoint());
  if (inside == inside_) return false;
  inside_ = inside;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!inside) {
    FeedInput(kInputLeft);
    if (watch.Alive()) SetLayer(savedLayer_, true);
    return false;
  }
  if (SendControlEvent(*this, kOwnerEnterQuery, 0)) {
    if (!watch.Alive()) return true;
    inside_ = false;  // the owner refused the entry
    savedLayer_ = GetLayer();
    return false;
  }
  if (!watch.Alive()) return true;
  FeedInput(kInputEntered);
  if (!watch.Alive()) return true;
  savedLayer_ = GetLayer();
  BringToFront(true);
  return false;
}

bool MarkablePictureButton::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const bool taken = VPictureButton::HandleEvent(code, value1, value2);
  if (code == kEventButtonClicked && IsDraggable() && MessagePointerAs<VEventHandler>(value2) == GetEventHandler()) {
    SetLayer(savedLayer_, true);
  }
  return taken;
}
