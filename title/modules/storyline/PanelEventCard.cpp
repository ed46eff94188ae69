#include "title/modules/storyline/PanelEventCard.h"

#include <algorithm>

PanelEventCard::PanelEventCard(int32_t id, const EventCardContent* content, int32_t left, int32_t top, int32_t layer,
                               int32_t width, int32_t height, VGraphicObject* owner)
    : EventCard(id, content, left, top, layer, width, height, owner) {
  Build();
}

PanelEventCard::~PanelEventCard() = default;

void PanelEventCard::ShapeCard(int32_t width, int32_t height, int32_t top, int32_t left, Shape& shape) const {
  const int32_t w = width;
  const int32_t h = std::max(height, kSlotHeight);
  // The title, the icon to its right.
  shape.card = VRect(left, top, left + 20 + w, top + 3 + h);
  shape.title = VRect(0, 3, w, h + 3);
  shape.icon = VPoint(w + 5 + GetIconX(), GetIconY());
}

void PanelEventCard::ReportIconEvent(uint32_t code) {
  const auto id = static_cast<uint32_t>(GetId());
  switch (code) {
    case kEventButtonClicked:
      SendToOwner(kOwnerSelectEvent, id);
      break;
    case kEventButtonEntered:
      SendToOwner(kOwnerShowEvent, id);
      break;
    case kEventButtonLeft:
      SendToOwner(kOwnerShowEvent, 0);
      break;
    default:
      break;
  }
}
