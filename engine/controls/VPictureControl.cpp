#include "engine/controls/VPictureControl.h"

#include <algorithm>

#include "engine/controls/VTransition.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/ScaledTransfer.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VPicture.h"

namespace {

constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorDragging = 106;

// Whether attribute flags carry a key colour (as an index or as RGB).
bool HasKeyColour(uint32_t flags) {
  return (flags & (PixelMapAttributes::kKeyIndex | PixelMapAttributes::kKeyColor)) != 0;
}

// A picture without pixels (a medium that could not be loaded) counts as none.
VPicture* KeepIfLoaded(VPicture* picture) {
  if (picture == nullptr) return nullptr;
  if (picture->Load() != 0 || picture->GetPixelMap() == nullptr) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

}  // namespace

VPictureControl::VPictureControl(int32_t id, uint16_t mediaId, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), explicitSize_(width > 0 && height > 0) {
  if (mediaId != 0) AdoptLoaded(KeepIfLoaded(new VPicture(mediaId)));
}

VPictureControl::VPictureControl(int32_t id, const VFileSpec& file, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), explicitSize_(width > 0 && height > 0) {
  VFileSpec spec(file);
  if (spec.GetStoredPath().GetLength() > 0) AdoptLoaded(KeepIfLoaded(new VPicture(spec, kUnknownFileType)));
}

VPictureControl::VPictureControl(int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), explicitSize_(width > 0 && height > 0) {
  SetPicture(picture, false);
}

VPictureControl::VPictureControl(int32_t id, const VRGBColor& color, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), explicitSize_(width > 0 && height > 0) {
  AdoptLoaded(new VPicture(VRect(0, 0, std::max(width, 0), std::max(height, 0)), color));
}

VPictureControl::VPictureControl(NoPicture, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kind, id, left, top, layer, width, height, parent), explicitSize_(width > 0 && height > 0) {}

VPictureControl::~VPictureControl() {
  // A transition still running on the control must not touch it again.
  VTransition::ForgetObject(this);
  FreeScaledCopy();
  if (picture_ != nullptr) picture_->Release();
  picture_ = nullptr;
}

void VPictureControl::AdoptLoaded(VPicture* picture) {
  if (picture == nullptr) return;
  SetPicture(picture, false);
  picture->Release();  // the control keeps the only reference
}

void VPictureControl::FreeScaledCopy() {
  if (scaledCopy_ != nullptr) scaledCopy_->Release();
  scaledCopy_ = nullptr;
}

// ---------------------------------------------------------------------------
// Picture

bool VPictureControl::SetPicture(VPicture* picture, bool redraw) {
  if (picture == picture_) return false;
  scaledStale_ = true;
  if (picture_ != nullptr) {
    Invalidate();
    picture_->Release();
    picture_ = nullptr;
  }
  if (picture == nullptr) return true;
  picture_ = picture;
  picture_->AddReference();
  SetTransparent(picture_->HasPixelAttributes());
  if (!explicitSize_) FitToPicture();
  if (scaled_) BuildScaledCopy(GetWidth(), GetHeight());
  Validate();
  if (redraw) RedrawNow();
  return true;
}

void VPictureControl::RedrawNow() {
  if (!IsShown()) return;
  VRect global;
  GetGlobalBounds(global);
  Draw(nullptr, &global, false, true);
}

void VPictureControl::FitToPicture() {
  if (picture_ == nullptr) return;
  VRect b = GetBounds();
  b.right = b.left + picture_->GetWidth();
  b.bottom = b.top + picture_->GetHeight();
  StoreBounds(b);
}

bool VPictureControl::GetPixelAttributes(PixelMapAttributes& out) const {
  if (picture_ == nullptr) return false;
  return picture_->GetPixelAttributes(out);
}

void VPictureControl::SetPixelAttributes(const PixelMapAttributes& record, bool redraw) {
  if (scaled_ && HasKeyColour(record.flags)) return;
  if (scaledCopy_ != nullptr) scaledCopy_->SetPixelAttributes(record);
  if (picture_ != nullptr) picture_->SetPixelAttributes(record);
  if (redraw) RedrawNow();
}

bool VPictureControl::SetScaled(bool on, const VRect* target) {
  const bool old = scaled_;
  if (on && IsTransparent() && picture_ != nullptr) {
    PixelMapAttributes attributes;
    if (picture_->GetPixelAttributes(attributes) && HasKeyColour(attributes.flags)) return old;
  }
  scaled_ = on;
  if (on && target != nullptr) {
    scaledTarget_ = *target;
    BuildScaledCopy(target->GetWidth(), target->GetHeight());
  }
  return old;
}

bool VPictureControl::SetFrame(int32_t frame, bool redraw) {
  if (frame == frame_) return false;
  frame_ = frame;
  // The scaled copy holds one frame: the next drawing scales the new one.
  scaledStale_ = true;
  if (redraw) RedrawNow();
  return true;
}

int32_t VPictureControl::GetFrameCount() const { return picture_ != nullptr ? picture_->GetFrameCount() : 1; }

VPicture* VPictureControl::GetPicture() const {
  if (picture_ != nullptr) picture_->AddReference();
  return picture_;
}

void VPictureControl::GetSourceOffset(VPoint& out) const {
  out = pictureOffset_;
  if (picture_ == nullptr) return;
  const VPoint frameOffset(0, ClampedFrame(picture_) * picture_->GetHeight());
  out.x += frameOffset.x;
  out.y += frameOffset.y;
}

int32_t VPictureControl::ClampedFrame(const VPicture* picture) const {
  if (picture == nullptr) return 0;
  const int32_t last = std::max(picture->GetFrameCount(), 1) - 1;
  return std::clamp(frame_, 0, last);
}

namespace {

// Resamples a rectangle of a map into the whole of a target map of the same
// depth and format, rows first, then columns.
bool ScaleInto(PixelMap& source, const VRect& sourceRect, PixelMap& target) {
  const int32_t width = target.GetWidth();
  const int32_t height = target.GetHeight();
  PixelMap middle(VRect(0, 0, width, sourceRect.GetHeight()), source.GetDepth(), source.PeekColorTable(), nullptr,
                  nullptr, PixelMap::kStorageMemory, source.GetPixelFormat());
  if (!middle.HasStorage()) return false;
  const VRect middleRect(0, 0, width, sourceRect.GetHeight());
  return ScaleImageHorizontally(source, middle, sourceRect, middleRect) &&
         ScaleImageVertically(middle, target, middleRect, VRect(0, 0, width, height));
}

// The part of an alpha channel under the frame rectangle of its picture, at
// the target size; null when it cannot be made.
VAlphaChannel* ScaleAlphaChannel(VAlphaChannel& channel, const VRect& frameRect, int32_t width, int32_t height) {
  PixelMap* map = channel.GetPixelMap();
  if (map == nullptr) return nullptr;
  VRect sourceRect = frameRect;
  sourceRect.Offset(channel.GetOriginX(), channel.GetOriginY());
  VRect covered;
  if (!sourceRect.Intersect(map->GetBounds(), covered) || covered != sourceRect) return nullptr;
  auto* scaled = new VAlphaChannel(VRect(0, 0, width, height));
  PixelMap* target = scaled->GetPixelMap();
  if (target == nullptr || !target->HasStorage() || target->GetPixelFormat() != map->GetPixelFormat() ||
      !ScaleInto(*map, sourceRect, *target)) {
    scaled->Release();
    return nullptr;
  }
  return scaled;
}

}  // namespace

// Scales the current frame of the main picture into a new picture of the
// given size.
void VPictureControl::BuildScaledCopy(int32_t width, int32_t height) {
  FreeScaledCopy();
  scaledStale_ = false;
  if (picture_ == nullptr) return;
  scaledCopy_ = MakeScaledCopy(picture_, ClampedFrame(picture_), width, height);
}

VPicture* VPictureControl::MakeScaledCopy(VPicture* picture, int32_t frame, int32_t width, int32_t height) {
  if (picture == nullptr || width <= 0 || height <= 0) return nullptr;
  PixelMap* source = picture->GetPixelMap();
  if (source == nullptr || source->GetWidth() <= 0 || picture->GetHeight() <= 0) return nullptr;
  const int32_t depth = source->GetDepth();
  const VRect targetBounds(0, 0, width, height);
  auto* target = new PixelMap(targetBounds, depth, source->PeekColorTable(), nullptr, nullptr,
                              PixelMap::kStorageMemory, source->GetPixelFormat());
  if (!target->HasStorage()) {
    delete target;
    return nullptr;
  }
  const int32_t frameTop = frame * picture->GetHeight();
  const VRect sourceRect(0, frameTop, picture->GetWidth(), frameTop + picture->GetHeight());
  if (!ScaleInto(*source, sourceRect, *target)) {
    delete target;
    return nullptr;
  }
  auto* copy = new VPicture(target);
  PixelMapAttributes attributes;
  if (picture->GetPixelAttributes(attributes)) {
    VAlphaChannel* alpha = nullptr;
    if (VAlphaChannel* channel = attributes.PeekAlphaChannel()) {
      alpha = ScaleAlphaChannel(*channel, sourceRect, width, height);
    }
    attributes.SetAlphaChannel(alpha);
    if (alpha != nullptr) alpha->Release();  // the attributes hold it
    // A mask names regions of the original size: the copy goes without.
    attributes.SetMask(nullptr);
    copy->SetPixelAttributes(attributes);
  }
  return copy;
}

// ---------------------------------------------------------------------------
// Drawing and hit testing

void VPictureControl::DrawContent(DrawPort* port, const VRect& rect) {
  if (picture_ == nullptr || port == nullptr) return;
  VRect global;
  GetGlobalBounds(global);
  VPicture* shown = picture_;
  if (scaled_) {
    const int32_t w = GetWidth();
    const int32_t h = GetHeight();
    const bool sameSize = w == picture_->GetWidth() && h == picture_->GetHeight() && pictureOffset_.x == 0 &&
                          pictureOffset_.y == 0;
    if (!sameSize) {
      if (scaledStale_ || scaledCopy_ == nullptr || scaledCopy_->GetBounds() != VRect(0, 0, w, h)) {
        BuildScaledCopy(w, h);
      }
      if (scaledCopy_ != nullptr) shown = scaledCopy_;
    }
  }
  VRect clip;
  if (!global.Intersect(rect, clip)) return;
  VRect placement;
  if (shown == scaledCopy_) {
    placement = global;
    shown->SetFrame(0);
  } else {
    const int32_t left = global.left - pictureOffset_.x;
    const int32_t top = global.top - pictureOffset_.y;
    placement = VRect(left, top, left + shown->GetWidth(), top + shown->GetHeight());
    shown->SetFrame(ClampedFrame(shown));
  }
  shown->Draw(port, placement, &clip);
}

VPicture* VPictureControl::PictureForHitTest() {
  if (picture_ == nullptr) return nullptr;
  if (scaled_ && scaledCopy_ != nullptr && scaledCopy_->GetBounds() == VRect(0, 0, GetWidth(), GetHeight())) {
    scaledCopy_->SetFrame(0);
    return scaledCopy_;
  }
  picture_->SetFrame(ClampedFrame(picture_));
  return picture_;
}

bool VPictureControl::ContainsPoint(const VPoint& point) {
  VPicture* picture = PictureForHitTest();
  if (picture == nullptr) return false;
  VRect global;
  GetGlobalBounds(global);
  if (!global.ContainsPoint(point)) return false;
  if (!pixelHitTest_) return true;
  int32_t x = point.x - global.left;
  int32_t y = point.y - global.top;
  if (picture == picture_) {
    x += pictureOffset_.x;
    y += pictureOffset_.y;
  }
  // Outside the picture nothing is opaque.
  if (x < 0 || y < 0 || x >= picture->GetWidth() || y >= picture->GetHeight()) return false;
  return !picture->IsTransparentAt(x, y);
}

bool VPictureControl::IsTransparent() { return picture_ != nullptr && picture_->HasPixelAttributes(); }

// ---------------------------------------------------------------------------
// Mouse

void VPictureControl::StorePressPoint(const VMouseEvent& event) {
  VPoint origin;
  GetGlobalOrigin(origin, true);
  pressPoint_ = VPoint(event.x - origin.x, event.y - origin.y);
}

bool VPictureControl::MouseDown(const VMouseEvent& event) {
  if (VGraphicObject::MouseDown(event)) return true;
  TakeMouseCapture();
  StorePressPoint(event);
  SendControlEvent(*this, kEventPressed);
  return true;
}

bool VPictureControl::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  if (!ContainsPoint(event.GetPoint())) return false;
  StorePressPoint(event);
  SendControlEvent(*this, kEventReleased);
  return true;
}

bool VPictureControl::UpdateCursor(const VMouseEvent& event) {
  if (!IsDraggable()) return VGraphicObject::UpdateCursor(event);
  SetCursorById(GetTrackingObject() == this ? kCursorDragging : kCursorDraggable);
  return true;
}
