// An owner's event cards in ascending event date, with their offsets along
// the owner's scale: a card lies at least 12 pixels past the one before it,
// else as far from the first as its date is (one span of hours covering the
// scale's length). Cards of one hour keep the order they were added in.
// The cards are the owner's children; the order only points at them.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VGeometry.h"

class EventCard;

class CardOrder {
 public:
  // The least distance between two cards along the scale.
  static constexpr int32_t kMinGap = 12;

  // Adds the card by its date: after every card not later than it, to the
  // hour. Null does nothing.
  void Insert(EventCard* card);
  void Clear() { cards_.clear(); }
  // Gives every card its offset: 0 for the first, then the date distance in
  // pixels (truncated), at least kMinGap past the card before.
  void Space(int32_t span, double length);
  // How far the first card lies past an hour count along the scale, in
  // pixels (truncated toward zero, kept within 32 bits; negative when the
  // first card is earlier); 0 without cards or span.
  int32_t PixelsToFirst(int32_t hours, int32_t span, double length) const;

  // Shows the card with its top-left at `topLeft` (relative to its owner),
  // or hides it, without drawing; a card already there and so is left
  // alone (layouts run every frame over every card).
  static void PlaceCard(EventCard& card, bool shown, const VPoint& topLeft);

  const std::vector<EventCard*>& GetCards() const { return cards_; }
  bool IsEmpty() const { return cards_.empty(); }
  // The card with the id, or null.
  EventCard* FindCard(int32_t id) const;

 private:
  std::vector<EventCard*> cards_;
};
