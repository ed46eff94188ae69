#include "title/modules/carousel/CarouselSlotControl.h"

#include "engine/graphics/VPicture.h"

CarouselSlotControl::CarouselSlotControl(VPicture* picture, VGraphicObject* parent)
    : VPictureControl(0, picture, 0, 0, 0, 0, 0, parent) {}

CarouselSlotControl::~CarouselSlotControl() { ReleaseCopies(); }

bool CarouselSlotControl::UpdateCursor(const VMouseEvent& event) {
  SetCursorId(hand_ ? kHandCursor : 0);
  return VPictureControl::UpdateCursor(event);
}

void CarouselSlotControl::ReleaseCopies() {
  for (ScaledCopy& c : copies_) {
    c.copy->Release();
    c.source->Release();
  }
  copies_.clear();
}

VPicture* CarouselSlotControl::CopyAtSize(VPicture* source, int32_t width, int32_t height) {
  for (const ScaledCopy& c : copies_) {
    if (c.source == source && c.width == width && c.height == height) return c.copy;
  }
  VPicture* copy = MakeScaledCopy(source, ClampedFrame(source), width, height);
  if (copy == nullptr) return nullptr;
  if (copies_.size() >= kMaxScaledCopies) ReleaseCopies();
  source->AddReference();
  copies_.push_back(ScaledCopy{source, width, height, copy});
  return copy;
}

void CarouselSlotControl::DrawContent(DrawPort* port, const VRect& rect) {
  VPicture* source = PeekPicture();
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  // A picture of several frames or with transparency or a level (which may
  // change while it is shown), or one shown at its own size or from an
  // offset, is drawn as every picture control draws it.
  if (port == nullptr || source == nullptr || !IsScaled() || source->GetFrameCount() > 1 ||
      source->HasPixelAttributes() ||
      GetPictureOffset() != VPoint(0, 0) || (w == source->GetWidth() && h == source->GetHeight())) {
    VPictureControl::DrawContent(port, rect);
    return;
  }
  VPicture* copy = CopyAtSize(source, w, h);
  if (copy == nullptr) {
    VPictureControl::DrawContent(port, rect);
    return;
  }
  VRect global;
  GetGlobalBounds(global);
  VRect clip;
  if (!global.Intersect(rect, clip)) return;
  copy->SetFrame(0);
  copy->Draw(port, global, &clip);
}
