// The texts a timeline band and the storyline panel show of one event: its
// title, and its date as year, day and month name, set one space apart as a
// date is written ("1942, 1. Juni"), with the visited mark placed just after
// the month name and shown when the event's item has been seen. All four
// texts are set in picture font 7 in a light beige on a transparent ground.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

class EventRecord;
class VFont;
class VGraphicObject;
class VPictureControl;
class VString;
class VTextControl;

class EventTexts {
 public:
  // Where the texts go (relative to the parent): title 135 x 32, year
  // 30 x 16, day 17 x 16, month 80 x 16; the visited mark's top and the x it
  // takes before the month name's width is added. The day and the month
  // follow the year's text (PlaceDate); the mark keeps its distance from
  // the month's place.
  struct Placement {
    VPoint title;
    VPoint year;
    VPoint day;
    VPoint month;
    int32_t markBaseX;
    int32_t markTop;
  };
  // The entry of the application's picture-font table the texts use.
  static constexpr int32_t kFont = 7;
  // The visited mark's picture.
  static constexpr uint16_t kVisitedMark = 240;

  // Builds the texts empty under the parent: the title at `firstLayer`, the
  // year, month, day and mark at the next four layers.
  EventTexts(const Placement& placement, int32_t firstLayer, VGraphicObject* parent);

  // Shows the event's title and date (nothing for null or while a text is
  // missing).
  void Show(const EventRecord* event, bool redraw);
  // Shows or hides the four texts with redraw.
  void SetVisible(bool visible);

  // Gives the control the text (drawn with redraw) unless it shows that
  // text already: texts follow the date, which moves far more often than
  // they change. Nothing for a null control.
  static void SetTextIfChanged(VTextControl* control, const VString& text, bool redraw);
  // Sets a date's three left-aligned texts one space of the font apart:
  // the year's text at `yearLeft`, the day's right after it and the
  // month's right after the day's, whatever their widths (a day of one
  // digit or two), each keeping its top (positions relative to the
  // parent). Returns the month's left; nothing moves without a font or a
  // text control.
  static int32_t PlaceDate(VTextControl* year, VTextControl* day, VTextControl* month, int32_t yearLeft, VFont* font,
                           bool redraw);

  VTextControl* GetTitle() const { return title_; }
  VTextControl* GetYear() const { return year_; }
  VTextControl* GetDay() const { return day_; }
  VTextControl* GetMonth() const { return month_; }
  VPictureControl* GetMark() const { return mark_; }

 private:
  bool Complete() const;

  Placement placement_;
  // Children, owned by the control tree.
  VTextControl* title_ = nullptr;
  VTextControl* year_ = nullptr;
  VTextControl* day_ = nullptr;
  VTextControl* month_ = nullptr;
  VPictureControl* mark_ = nullptr;
};
