#include "engine/controls/VMaskControl.h"

#include <algorithm>

#include "engine/core/MediaTypes.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VMask.h"
#include "engine/graphics/VPicture.h"

namespace {

VPicture* LoadedOrNull(VPicture* picture) {
  if (picture != nullptr && (picture->Load() != 0 || picture->GetPixelMap() == nullptr)) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

}  // namespace

VMaskControl::VMaskControl(int32_t id, uint16_t pictureId, uint16_t maskPictureId, uint16_t maskId, int32_t left,
                           int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, pictureId, left, top, layer, width, height, parent) {
  if (maskPictureId != 0) {
    if (VPicture* picture = LoadedOrNull(new VPicture(maskPictureId))) {
      SetMaskPicture(picture);
      picture->Release();
    }
  }
  if (maskId != 0) {
    auto* mask = new VMask(maskId);
    SetMask(mask);
    mask->Release();
  }
}

VMaskControl::VMaskControl(int32_t id, const VFileSpec& picture, const VFileSpec& maskPicture, const VFileSpec& mask,
                           int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                           VGraphicObject* parent)
    : VPictureControl(id, picture, left, top, layer, width, height, parent) {
  VFileSpec maskPictureSpec(maskPicture);
  if (maskPictureSpec.GetStoredPath().GetLength() > 0) {
    if (VPicture* loaded = LoadedOrNull(new VPicture(maskPictureSpec, kUnknownFileType))) {
      SetMaskPicture(loaded);
      loaded->Release();
    }
  }
  VFileSpec maskSpec(mask);
  if (maskSpec.GetStoredPath().GetLength() > 0) {
    auto* loaded = new VMask(maskSpec, kUnknownFileType);
    SetMask(loaded);
    loaded->Release();
  }
}

VMaskControl::VMaskControl(int32_t id, VPicture* picture, VPicture* maskPicture, VMask* mask, int32_t left,
                           int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, picture, left, top, layer, width, height, parent) {
  SetMaskPicture(maskPicture);
  SetMask(mask);
}

VMaskControl::~VMaskControl() {
  if (maskPicture_ != nullptr) maskPicture_->Release();
  maskPicture_ = nullptr;
}

VMask* VMaskControl::PeekMask() const {
  if (maskPicture_ == nullptr) return nullptr;
  PixelMap* map = maskPicture_->GetPixelMap();
  return map != nullptr ? map->PeekAttributes().PeekMask() : nullptr;
}

VMask* VMaskControl::GetMask() const {
  VMask* mask = PeekMask();
  if (mask != nullptr) mask->AddReference();
  return mask;
}

void VMaskControl::SetMaskPicture(VPicture* picture) {
  if (picture == maskPicture_) return;
  if (picture != nullptr) picture->AddReference();
  if (maskPicture_ != nullptr) maskPicture_->Release();
  maskPicture_ = picture;
  currentRegion_ = -1;
}

void VMaskControl::SetMask(VMask* mask) {
  if (maskPicture_ == nullptr) return;
  PixelMapAttributes attributes;
  maskPicture_->GetPixelAttributes(attributes);
  attributes.SetMask(nullptr);
  if (mask != nullptr && mask->GetBounds() == maskPicture_->GetBounds()) attributes.SetMask(mask);
  maskPicture_->SetPixelAttributes(attributes);
  currentRegion_ = -1;
}

bool VMaskControl::SetMaskEnabled(bool enabled) {
  const bool old = tracking_;
  tracking_ = enabled;
  return old;
}

int32_t VMaskControl::ValueAt(const VPoint& local) const {
  VMask* mask = PeekMask();
  if (mask == nullptr) return -1;
  // The control may be larger than its mask: only the plane's own pixels
  // name regions.
  if (local.x < 0 || local.y < 0 || local.x >= mask->GetWidth() || local.y >= mask->GetHeight()) return -1;
  return mask->GetValueAt(local);
}

void VMaskControl::RestoreCurrentRegion(VMask& mask) {
  if (currentRegion_ < 0) return;
  const auto value = static_cast<uint8_t>(currentRegion_);
  mask.SetCurrentFlag(value, mask.GetNormalFlag(value));
  currentRegion_ = -1;
}

void VMaskControl::HighlightRegion(VMask& mask, int32_t value) {
  if (value < 0 || value > 255) return;
  const auto v = static_cast<uint8_t>(value);
  mask.SetCurrentFlag(v, mask.GetHoverFlag(v) == 0 ? 1 : 0);
  currentRegion_ = value;
}

int32_t VMaskControl::SelectValue(int32_t value) {
  const int32_t previous = currentRegion_;
  VMask* mask = PeekMask();
  if (mask == nullptr) return previous;
  RestoreCurrentRegion(*mask);
  HighlightRegion(*mask, value);
  if (previous != currentRegion_) RedrawNow();
  return previous;
}

bool VMaskControl::MouseMove(const VMouseEvent& event) {
  VMask* mask = PeekMask();
  if (!tracking_ || mask == nullptr) return false;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!ContainsPoint(event.GetPoint())) {
    if (GetCapturedObject() == this) SetCapturedObject(nullptr);
    if (currentRegion_ >= 0) {
      RestoreCurrentRegion(*mask);
      RedrawNow();
      SendControlEvent(*this, kEventPointerLeft);
    }
    return false;
  }
  VPoint origin;
  GetGlobalOrigin(origin, true);
  const int32_t value = ValueAt(VPoint(event.x - origin.x, event.y - origin.y));
  if (value == currentRegion_) return true;
  if (currentRegion_ >= 0) {
    // The region left is shown without its highlight before anyone hears of
    // it: a receiver that takes the event stops the entering of the next.
    RestoreCurrentRegion(*mask);
    RedrawNow();
    if (SendControlEvent(*this, kEventPointerLeft) || !watch.Alive()) return true;
  }
  // A point of the control outside the mask lies in no region.
  if (value < 0) return true;
  // The receiver of the leave event may have replaced the mask.
  mask = PeekMask();
  if (mask == nullptr) return true;
  HighlightRegion(*mask, value);
  TakeMouseCapture();
  RedrawNow();
  if (!watch.Alive()) return true;
  SendControlEvent(*this, kEventPointerEntered);
  return true;
}

void VMaskControl::DrawContent(DrawPort* port, const VRect& rect) {
  VPictureControl::DrawContent(port, rect);
  if (maskPicture_ == nullptr || port == nullptr) return;
  VRect global;
  GetGlobalBounds(global);
  VRect clip;
  if (!global.Intersect(rect, clip)) return;
  const VPoint& offset = GetPictureOffset();
  const int32_t left = global.left - offset.x;
  const int32_t top = global.top - offset.y;
  const int32_t frame = std::clamp(GetFrame(), 0, std::max(GetFrameCount(), 1) - 1);
  if (VMask* mask = PeekMask()) {
    if (VPicture* own = mask->GetPicture()) own->SetFrame(frame);
  }
  maskPicture_->SetFrame(frame);
  const VRect placement(left, top, left + maskPicture_->GetWidth(), top + maskPicture_->GetHeight());
  maskPicture_->Draw(port, placement, &clip);
}
