// One of the three horizontal timeline bands of the storyline screen: the
// events of one timeline ("TL001" to "TL003" by band index) as event cards
// along a scale by their dates, slid as the screen's date changes (one span
// of hours over 345 pixels, the date itself at the band's date position),
// the event nearest the date kept as the current event with its storyline's
// picture, title and date shown, and a scroll arrow at each end. The three
// bands differ only in their geometry and in the hanging cards of band 1.
//
// Owner messages: 145 (band index) when the pointer enters the band while
// it is active; its cards' 146, 151 and 152 and its arrows' 149 and 150
// travel on to the screen. It takes its cards' 148 itself.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VTime.h"
#include "title/modules/storyline/CardOrder.h"
#include "title/modules/storyline/EventScaleParts.h"
#include "title/modules/storyline/EventTexts.h"
#include "title/modules/storyline/TimelineRecord.h"

class BandEventCard;
class EventRecord;
class ScrollArrow;
class StorylineCatalog;
class VPictureControl;

class TimelineBand : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr int32_t kBandCount = 3;
  static constexpr uint32_t kOwnerHovered = 145;
  static constexpr int32_t kCurrentEventSound = 36;
  static constexpr int32_t kCardSound = 37;
  // One span of time covers this many pixels.
  static constexpr double kScaleLength = 345.0;

  // The fixed geometry of one band (coordinates relative to the band).
  struct Geometry {
    int32_t pictureId;  // the storyline picture's control id
    VPoint picture;
    int32_t forwardArrowId;
    VPoint forwardArrow;
    int32_t backwardArrowId;
    VPoint backwardArrow;
    int32_t firstCardId;
    VPoint scale;
    uint16_t leftEndPicture;
    VPoint leftEnd;
    int32_t leftEndWidth;
    uint16_t rightEndPicture;
    VPoint rightEnd;
    int32_t rightEndWidth;
    int32_t datePosition;  // x where the current date sits
    int32_t cardTop;       // below the band's top edge
    VPoint initialCard;
    int32_t leftLimit;  // cards are shown while within these x
    int32_t rightLimit;
    EventTexts::Placement texts;
  };
  static const Geometry& GetGeometry(int32_t bandIndex);

  // bandIndex 0..2 chooses the timeline and the geometry (others are taken
  // as 0); spanDate's hour count is the visible span. storylines (not owned,
  // may be null) gives the cards their icons and the band its pictures.
  TimelineBand(int32_t id, int32_t bandIndex, const VTime& spanDate, const StorylineCatalog* storylines, int32_t left,
               int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  ~TimelineBand() override;

  // The screen's date changed: the cards slide, and the event nearest the
  // date becomes the current one; its picture and texts are shown when it
  // changed and showIfChanged is set, and always with force.
  void SetDate(const VTime& date, bool showIfChanged, bool force);
  // Hover reports and both arrows work only while the band is active.
  void SetActive(bool active);
  void SetTextsVisible(bool visible) { texts_.SetVisible(visible); }

  // Null when the timeline could not be read.
  TimelineRecord* GetTimelineRecord() const { return record_.get(); }
  VTime GetFirstDate() const { return firstDate_; }
  VTime GetLastDate() const { return lastDate_; }
  int32_t GetSpan() const { return span_; }
  int32_t GetBandIndex() const { return bandIndex_; }
  EventRecord* GetCurrentEvent() const { return currentEvent_; }
  bool IsActive() const { return active_; }
  const CardOrder& GetCardOrder() const { return cards_; }
  // The band's card with the id, or null.
  BandEventCard* FindCard(int32_t id) const;
  ScrollArrow* GetArrow(bool forward) const { return scale_.GetArrow(forward ? 0 : 1); }
  VPictureControl* GetStorylinePicture() const { return picture_; }
  const EventTexts& GetTexts() const { return texts_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;
  bool MouseMove(const VMouseEvent& event) override;

 private:
  void BuildCards();
  void LayOutCards();
  bool UpdateCurrentEvent();
  void ShowEventPicture(const EventRecord* event, bool redraw);
  void ShowEvent(const EventRecord* event);

  const Geometry& geometry_;
  const StorylineCatalog* storylines_;
  std::unique_ptr<TimelineRecord> record_;
  CardOrder cards_;
  int32_t span_ = 0;
  EventRecord* currentEvent_ = nullptr;
  BandEventCard* shownPictureCard_ = nullptr;
  VTime currentDate_;
  VTime firstDate_;
  VTime lastDate_;
  int32_t bandIndex_;
  int32_t layer_;
  bool hovering_ = false;
  bool active_ = false;
  VRect area_;
  // The forward and the backward arrow, the scale and its ends.
  EventScaleParts scale_;
  // A child, owned by the control tree.
  VPictureControl* picture_ = nullptr;
  EventTexts texts_;
  ControlLife life_;
};
