// An event card of the storyline panel: the title with the icon to its
// right, in a slot 15 wide and 7 high. Titles are at most 92 pixels wide.
#pragma once

#include <cstdint>

#include "title/modules/storyline/EventCard.h"

class PanelEventCard : public EventCard {
 public:
  // Owner message: select the event (icon activated), with the card's id.
  static constexpr uint32_t kOwnerSelectEvent = 147;
  static constexpr int32_t kSlotWidth = 15;
  static constexpr int32_t kSlotHeight = 7;
  static constexpr int32_t kTitleWidthLimit = 92;
  // The panel's first card id.
  static constexpr int32_t kFirstId = 14760;

  PanelEventCard(int32_t id, const EventCardContent* content, int32_t left, int32_t top, int32_t layer, int32_t width,
                 int32_t height, VGraphicObject* owner);
  ~PanelEventCard() override;

 protected:
  void ShapeCard(int32_t width, int32_t height, int32_t top, int32_t left, Shape& shape) const override;
  int32_t GetSlotWidth() const override { return kSlotWidth; }
  int32_t GetSlotHeight() const override { return kSlotHeight; }
  int32_t GetTitleWidthLimit() const override { return kTitleWidthLimit; }
  void ReportIconEvent(uint32_t code) override;
  // A highlight always hides and shows the card.
  bool KeepsHiddenOnHighlight() const override { return false; }
};
