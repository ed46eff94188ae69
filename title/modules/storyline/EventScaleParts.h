// What the storyline panel and a timeline band build alike on themselves: a
// scroll arrow at each end, the scale picture between its two end pictures,
// and the row of event cards of a series of events, spaced along the scale.
// The arrows, pictures and cards are the owner's children (owned by the
// control tree); this keeps the two arrows.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/core/VGeometry.h"

class CardOrder;
class EventCard;
class EventRecord;
class EventSeries;
class ScrollArrow;
class StorylineCatalog;
class VGraphicObject;
struct EventCardContent;

class EventScaleParts {
 public:
  // One arrow: its id, its two cursors (see ScrollArrow), whether it moves to
  // later dates, and its top-left.
  struct Arrow {
    int32_t id;
    int32_t cursorA;
    int32_t cursorB;
    bool forward;
    VPoint at;
  };
  // One picture of the shell's media: its id, top-left, layer above the
  // owner's and size.
  struct Picture {
    uint16_t id;
    VPoint at;
    int32_t layer;
    int32_t width;
    int32_t height;
  };
  // The arrows share their picture, layer above the owner's and size; the
  // pictures are the scale and its two ends.
  struct Layout {
    uint16_t arrowPicture;
    int32_t arrowLayer;
    int32_t arrowWidth;
    int32_t arrowHeight;
    Arrow arrows[2];
    Picture pictures[3];
  };
  // Makes the card of an event (its place among the series' events and
  // what it shows) and ties it to the event; null when it could not.
  using MakeCard = std::function<EventCard*(EventRecord* event, int32_t position, const EventCardContent& content)>;

  // The layout's two arrows on `owner`, above its layer `layer`.
  void MakeArrows(const Layout& layout, int32_t layer, VGraphicObject* owner);
  // The layout's scale and end pictures on `owner`.
  static void MakePictures(const Layout& layout, int32_t layer, VGraphicObject* owner);
  // One card per event of the series, in its order: each shows the event's
  // title and date and the icon of its storyline in `storylines` (may be
  // null) for a band card or a panel card, is made by `make`, hidden and put
  // in `cards`; then the cards are spaced (one span of hours over `length`
  // pixels).
  static void MakeCards(const EventSeries& series, const StorylineCatalog* storylines, bool forBand,
                        const MakeCard& make, int32_t span, double length, CardOrder& cards);

  // Arrow 0 or 1 of the layout; null when it could not be made.
  ScrollArrow* GetArrow(int32_t index) const { return arrows_[index]; }
  // Both arrows work, or neither.
  void SetArrowsEnabled(bool enabled);

 private:
  ScrollArrow* arrows_[2] = {nullptr, nullptr};
};
