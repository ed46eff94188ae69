#include "title/modules/storyline/BandEventCard.h"

#include <algorithm>

namespace {
// Band 1 shows its cards below the scale, hanging from their points; the
// other two above it, ending at their points.
constexpr int32_t kHangingBand = 1;
}  // namespace

BandEventCard::BandEventCard(int32_t id, const EventCardContent* content, int32_t bandIndex, int32_t left, int32_t top,
                             int32_t layer, int32_t width, int32_t height, VGraphicObject* owner)
    : EventCard(id, content, left, top, layer, width, height, owner), bandIndex_(bandIndex) {
  Build();
}

BandEventCard::~BandEventCard() = default;

void BandEventCard::ShapeCard(int32_t width, int32_t height, int32_t top, int32_t left, Shape& shape) const {
  const int32_t w = std::max(width, kSlotWidth);
  const int32_t h = height;
  if (bandIndex_ == kHangingBand) {
    // Title first, the icon below it at the left.
    const int32_t cardTop = top - 5 - h;
    const int32_t cardLeft = left - 3;
    shape.card = VRect(cardLeft, cardTop, cardLeft + w, cardTop + 20 + h);
    shape.title = VRect(0, 0, w, h);
    shape.icon = VPoint(GetIconX(), h + 5 + GetIconY());
  } else {
    // The icon at the top right, the title below it.
    const int32_t cardLeft = left - w + 3;
    shape.card = VRect(cardLeft, top, cardLeft + w, top + 20 + h);
    shape.title = VRect(0, 20, w, 20 + h);
    shape.icon = VPoint(w - 7 + GetIconX(), GetIconY());
  }
}

void BandEventCard::ReportIconEvent(uint32_t code) {
  const auto id = static_cast<uint32_t>(GetId());
  switch (code) {
    case kEventButtonClicked:
      SendToOwner(kOwnerOpenEvent, id);
      break;
    case kEventButtonEntered:
      if (SendToOwner(kOwnerShowEvent, id)) SendToOwner(kOwnerRestOnCard, id);
      break;
    case kEventButtonLeft:
      if (SendToOwner(kOwnerShowEvent, 0)) SendToOwner(kOwnerLeaveCard, id);
      break;
    default:
      break;
  }
}
