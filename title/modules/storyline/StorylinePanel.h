// The vertical band at the right of the storyline screen: the events of one
// storyline as event cards along a vertical scale (one year over 309
// pixels, later events higher up), with one selected event whose title and
// date it shows at its top. The user steps the selection through the
// storyline in its order; the panel tells the screen when the selection
// stands at either end (153 at the last event, 154 at the first, each with
// 1 or 0). Scroll arrows lie at its top and bottom.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VTime.h"
#include "engine/script/ItemRef.h"
#include "title/modules/storyline/CardOrder.h"
#include "title/modules/storyline/EventScaleParts.h"
#include "title/modules/storyline/EventTexts.h"
#include "title/modules/storyline/StorylineRecord.h"

class EventRecord;
class PanelEventCard;
class ScrollArrow;
class StorylineCatalog;

class StorylinePanel : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr uint32_t kOwnerAtLast = 153;
  static constexpr uint32_t kOwnerAtFirst = 154;
  static constexpr int32_t kUpperArrowId = 14452;
  static constexpr int32_t kLowerArrowId = 14453;
  static constexpr int32_t kSelectSound = 36;
  static constexpr int32_t kCardSound = 37;
  // One span (a year) covers this many pixels.
  static constexpr double kScaleLength = 309.0;
  // The date's place on the scale (y), where the cards end (x), and the
  // limits within which cards are shown (y, global).
  static constexpr int32_t kDatePosition = 213;
  static constexpr int32_t kCardRight = 622;
  static constexpr int32_t kTopLimit = 18;
  static constexpr int32_t kBottomLimit = 459;

  // Shows the storyline of the event `item` with that event selected.
  // storylines (not owned, may be null) gives the cards their icons.
  StorylinePanel(int32_t id, const ItemRef& item, const StorylineCatalog* storylines, int32_t left, int32_t top,
                 int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  ~StorylinePanel() override;

  // Shows the storyline of that event with the event selected; the same
  // storyline only moves the selection.
  void LoadStorylineAt(const ItemRef& item);
  void SetDate(const VTime& date);
  // Only an event of the loaded storyline: it is highlighted, its texts
  // shown, sound 36 played.
  void SelectEvent(EventRecord* event);
  // The event after or before the selected one in the storyline's order;
  // nothing at the ends. Then ReportEnds.
  void SelectNext();
  void SelectPrevious();
  void ReportEnds();
  void SetActive(bool active);
  void SetTextsVisible(bool visible) { texts_.SetVisible(visible); }

  EventRecord* GetSelectedEvent() const { return selectedEvent_; }
  StorylineRecord* GetStorylineRecord() const { return record_.get(); }
  int32_t GetSpan() const { return span_; }
  VTime GetFirstDate() const { return firstDate_; }
  VTime GetLastDate() const { return lastDate_; }
  const CardOrder& GetCardOrder() const { return cards_; }
  PanelEventCard* FindCard(int32_t id) const;
  const EventTexts& GetTexts() const { return texts_; }
  ScrollArrow* GetArrow(bool upper) const { return scale_.GetArrow(upper ? 0 : 1); }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void ClearStoryline();
  void BuildCards();
  void LayOutCards();
  bool Report(uint32_t code, bool atEnd);

  const StorylineCatalog* storylines_;
  std::unique_ptr<StorylineRecord> record_;
  CardOrder cards_;
  int32_t span_ = 0;
  EventRecord* selectedEvent_ = nullptr;
  PanelEventCard* selectedCard_ = nullptr;
  VTime currentDate_;
  VTime firstDate_;
  VTime lastDate_;
  int32_t layer_;
  // The upper and the lower arrow, the scale and its ends.
  EventScaleParts scale_;
  EventTexts texts_;
  ControlLife life_;
};
