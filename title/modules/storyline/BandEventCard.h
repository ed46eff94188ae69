// An event card of a timeline band: the icon in a slot 7 wide and 15 high
// at the card's top right above the title (bands 0 and 2, the card ending at
// its point) or at its bottom left below the title (band 1, the card hanging
// above its point). Titles are at most 93 pixels wide.
#pragma once

#include <cstdint>

#include "title/modules/storyline/EventCard.h"

class BandEventCard : public EventCard {
 public:
  // Owner messages: open the event (icon activated), and the pointer resting
  // on the icon (151) or leaving it (152), each with the card's id.
  static constexpr uint32_t kOwnerOpenEvent = 146;
  static constexpr uint32_t kOwnerRestOnCard = 151;
  static constexpr uint32_t kOwnerLeaveCard = 152;
  static constexpr int32_t kSlotWidth = 7;
  static constexpr int32_t kSlotHeight = 15;
  static constexpr int32_t kTitleWidthLimit = 93;

  // bandIndex: the owner band's index, 0 to 2. The owner gives the card the
  // id of its event's position, its initial card position, its layer + 1
  // and a size of 1 x 1.
  BandEventCard(int32_t id, const EventCardContent* content, int32_t bandIndex, int32_t left, int32_t top,
                int32_t layer, int32_t width, int32_t height, VGraphicObject* owner);
  ~BandEventCard() override;

  int32_t GetBandIndex() const { return bandIndex_; }

 protected:
  void ShapeCard(int32_t width, int32_t height, int32_t top, int32_t left, Shape& shape) const override;
  int32_t GetSlotWidth() const override { return kSlotWidth; }
  int32_t GetSlotHeight() const override { return kSlotHeight; }
  int32_t GetTitleWidthLimit() const override { return kTitleWidthLimit; }
  void ReportIconEvent(uint32_t code) override;
  bool KeepsHiddenOnHighlight() const override { return true; }

 private:
  int32_t bandIndex_;
};
