#include "engine/panorama/VPictureBubble.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/app/VGraphicObject.h"
#include "engine/controls/ControlEvents.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/panorama/PanoramaMap.h"

VPictureBubble::VPictureBubble(uint32_t id, VPicture* picture, const VFRect& bounds, int32_t order, VBubble* parent)
    : VBubble(kKind, id, bounds, 0.0f, order, parent) {
  boundsGiven_ = (bounds.GetWidth() > 0 && bounds.GetHeight() > 0) ? 1 : 0;
  SetPicture(picture, false);
}

VPictureBubble::VPictureBubble(uint32_t id, const VRGBColor& color, const VFRect& bounds, float resolution,
                               int32_t order, VBubble* parent)
    : VBubble(kKind, id, bounds, resolution, order, parent) {
  boundsGiven_ = (bounds.GetWidth() > 0 && bounds.GetHeight() > 0) ? 1 : 0;
  const double w = std::trunc(static_cast<double>(bounds.GetWidth()) * resolution + 0.5);
  const double h = std::trunc(static_cast<double>(bounds.GetHeight()) * resolution + 0.5);
  if (w >= 1 && h >= 1 && w <= 65536 && h <= 65536) {
    auto* picture = new VPicture(VRect(0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)), color);
    SetPicture(picture, false);
    picture->Release();
  }
}

VPictureBubble::~VPictureBubble() {
  if (picture_ != nullptr) picture_->Release();
  picture_ = nullptr;
}

bool VPictureBubble::SetPicture(VPicture* picture, bool redraw) {
  if (picture == picture_) return false;
  BubbleSpaceHost* host = GetWindow();
  const VFRect before = (redraw && host) ? GetVisibleSubtreeBounds() : VFRect();
  if (picture_ != nullptr) picture_->Release();
  picture_ = picture;
  if (picture_ != nullptr) {
    picture_->AddReference();
    SetTransparent(picture_->HasPixelAttributes());
    const float pw = static_cast<float>(picture_->GetWidth());
    const float ph = static_cast<float>(picture_->GetHeight());
    if (boundsGiven_ == 0 && resolution_ > 0.0f) {
      VFPoint corner{bounds_.left, bounds_.top};
      NormalizeBubblePoint(corner);
      bounds_ = VFRect(corner.x, corner.y, corner.x + pw / resolution_, corner.y + ph / resolution_);
    }
    if (bounds_.GetWidth() != 0.0f && pw > 0.0f) resolution_ = pw / bounds_.GetWidth();
  } else {
    SetTransparent(false);
  }
  if (redraw && host && IsShown()) {
    VFRect area = before;
    frect::Union(area, GetVisibleSubtreeBounds());
    host->InvalidateBubbleRect(&area);
    host->RedrawHost();
  }
  return true;
}

bool VPictureBubble::IsTransparent() { return picture_ != nullptr && picture_->HasPixelAttributes(); }

bool VPictureBubble::ContainsPoint(float x, float y) {
  BubbleSpaceHost* host = GetWindow();
  if (picture_ == nullptr || host == nullptr) return false;
  VFPoint p{x, y};
  NormalizeBubblePoint(p);
  const VFRect a = GetAbsoluteBounds();
  float px = p.x;
  if (!frect::ContainsPointHalfOpen(a, px, p.y)) {
    px += kBubbleTwoPi;
    if (!frect::ContainsPointHalfOpen(a, px, p.y)) return false;
  }
  if (hitTestByTransparency_ != 0) {
    // The offset in map pixels, then in picture pixels.
    int32_t mx = 0;
    int32_t my = 0;
    host->BubbleOffsetToPixel(px - a.left, p.y - a.top, mx, my);
    int32_t wx = 0;
    int32_t wy = 0;
    host->BubbleOffsetToPixel(a.GetWidth(), a.GetHeight(), wx, wy);
    const int32_t ix = wx > 0 ? static_cast<int32_t>(int64_t{mx} * picture_->GetWidth() / wx) : mx;
    const int32_t iy = wy > 0 ? static_cast<int32_t>(int64_t{my} * picture_->GetHeight() / wy) : my;
    if (picture_->HasPixelAttributes() && picture_->IsTransparentAt(ix, iy)) return false;
  }
  return true;
}

void VPictureBubble::StoreClickPoint(const BubbleMouseEvent& event) {
  const VFPoint at = GetAbsolutePosition();
  clickPoint_ = VFPoint{event.x - at.x, event.y - at.y};
}

bool VPictureBubble::MouseDown(const BubbleMouseEvent& event) {
  if (VBubble::MouseDown(event)) return true;
  BeginCapture();
  StoreClickPoint(event);
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  VEventHandler::DispatchUpward(kEventPressed, id_, sender.GetValue());
  return true;
}

bool VPictureBubble::MouseUp(const BubbleMouseEvent& event) {
  if (VBubble::MouseUp(event)) return true;
  if (!ContainsPoint(event.x, event.y)) return false;
  StoreClickPoint(event);
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  VEventHandler::DispatchUpward(kEventReleased, id_, sender.GetValue());
  return true;
}

bool VPictureBubble::UpdateCursor(const BubbleMouseEvent& event) {
  if (draggable_ != 0) {
    SetCursorById(GetDragObject() == this ? 106 : 105);
    return true;
  }
  return VBubble::UpdateCursor(event);
}

void VPictureBubble::DrawContent(PanoramaMap* map, const VFRect& update) {
  BubbleSpaceHost* host = GetWindow();
  if (picture_ == nullptr || map == nullptr || host == nullptr || resolution_ == 0.0f || !map->IsValid()) return;
  VBubbleSpaceGraphicObject* root = host->GetBubbleRoot();
  if (root == nullptr) return;
  VFRect a = GetAbsoluteBounds();
  const VFRect u = frect::IsValid(update) ? update : a;
  const float ratio = root->GetResolution() / resolution_;
  if (!(ratio >= -99.0f && ratio <= 101.0f)) return;
  picture_->SetFrame(std::clamp(frameIndex_, 0, std::max(0, picture_->GetFrameCount() - 1)));
  if (picture_->Load() != 0) return;
  PixelMap* pixels = picture_->GetPixelMap();
  if (pixels == nullptr) return;
  VRect p;
  if (!host->BubbleRectToPixels(a, p)) return;
  const int32_t frameTop = picture_->GetFrameOffset().y;
  const int32_t frameHeight = std::min(picture_->GetHeight(), pixels->GetHeight() - frameTop);
  const float dxs[4] = {0.0f, -kBubbleTwoPi, -kBubbleTwoPi, 0.0f};
  const float dys[4] = {0.0f, 0.0f, -kBubbleTwoPi, -kBubbleTwoPi};
  const int32_t w = map->GetWidth();
  const int32_t h = map->GetComposedRows();
  const int32_t dxp[4] = {0, -w, -w, 0};
  const int32_t dyp[4] = {0, 0, -h, -h};
  bool drew = false;
  for (int pass = 0; pass < 4; ++pass) {
    VFRect moved = a;
    frect::Offset(moved, dxs[pass], dys[pass]);
    VFRect clipAngles;
    if (!frect::Intersection(u, moved, clipAngles)) continue;
    VRect clip;
    host->BubbleRectToPixels(clipAngles, clip);
    VRect placed = p;
    placed.Offset(dxp[pass], dyp[pass]);
    drew |= map->DrawPicture(*pixels, frameTop, frameHeight, placed, clip);
  }
  map->ForgetConvertedPicture();
  if (drew) host->MarkMapChanged();
}
