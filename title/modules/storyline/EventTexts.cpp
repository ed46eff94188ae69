#include "title/modules/storyline/EventTexts.h"

#include <cstring>
#include <new>

#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VString.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellPictures.h"

namespace {

const VRGBColor kTextColour(223, 214, 207);

// The pixel width of a text in the font (0 without a font or text).
int32_t WidthOf(VFont* font, const VString* text) {
  if (font == nullptr || text == nullptr || text->GetLength() <= 0) return 0;
  return font->GetTextWidth(text->GetChars(), text->GetLength());
}

VTextControl* MakeText(const VPoint& at, int32_t width, int32_t height, int32_t layer, int32_t alignment,
                       VGraphicObject* parent) {
  auto* text = new (std::nothrow) VTextControl(VControl::kAllocateId, at.x, at.y, layer, width, height, nullptr,
                                               GetPictureFont(EventTexts::kFont), alignment, 1, false, 32767, parent);
  if (text == nullptr) return nullptr;
  text->SetTransparent(true);
  text->SetTextColor(kTextColour);
  // The texts only show: the pointer's moves go on to the cards and arrows.
  text->SetEnabled(false);
  return text;
}

}  // namespace

void EventTexts::SetTextIfChanged(VTextControl* control, const VString& text, bool redraw) {
  if (control == nullptr) return;
  const VString* shown = control->GetText();
  const int32_t length = text.GetLength();
  if (shown != nullptr && shown->GetLength() == length &&
      (length == 0 || std::memcmp(shown->GetChars(), text.GetChars(), static_cast<size_t>(length)) == 0)) {
    return;
  }
  auto* copy = new (std::nothrow) VString(text);
  if (copy != nullptr) control->SetText(copy, redraw);
}

int32_t EventTexts::PlaceDate(VTextControl* year, VTextControl* day, VTextControl* month, int32_t yearLeft,
                              VFont* font, bool redraw) {
  if (year == nullptr || day == nullptr || month == nullptr) return 0;
  if (font == nullptr) return month->GetLeft(false);
  const int32_t space = font->GetTextWidth(" ", 1);
  const int32_t dayLeft = yearLeft + WidthOf(font, year->GetText()) + space;
  const int32_t monthLeft = dayLeft + WidthOf(font, day->GetText()) + space;
  year->MoveTo(VPoint(yearLeft, year->GetTop(false)), false, redraw, false);
  day->MoveTo(VPoint(dayLeft, day->GetTop(false)), false, redraw, false);
  month->MoveTo(VPoint(monthLeft, month->GetTop(false)), false, redraw, false);
  return monthLeft;
}

EventTexts::EventTexts(const Placement& placement, int32_t firstLayer, VGraphicObject* parent) : placement_(placement) {
  title_ = MakeText(placement.title, 135, 32, firstLayer, 1, parent);
  year_ = MakeText(placement.year, 30, 16, firstLayer + 1, 1, parent);
  month_ = MakeText(placement.month, 80, 16, firstLayer + 2, 1, parent);
  // Left-aligned, so that PlaceDate puts the day's text where it wants it.
  day_ = MakeText(placement.day, 17, 16, firstLayer + 3, 1, parent);
  // The mark takes its picture's size; without the picture it is an empty
  // control that shows nothing, and the texts still work.
  VPicture* picture = LoadShellPicture(kVisitedMark);
  const int32_t width = picture != nullptr ? picture->GetWidth() : 0;
  const int32_t height = picture != nullptr ? picture->GetHeight() : 0;
  mark_ = new (std::nothrow) VPictureControl(VControl::kAllocateId, picture, placement.markBaseX, placement.markTop,
                                             firstLayer + 4, width, height, parent);
  if (picture != nullptr) picture->Release();
  if (mark_ != nullptr) mark_->SetVisible(false, false);
}

bool EventTexts::Complete() const {
  return title_ != nullptr && year_ != nullptr && day_ != nullptr && month_ != nullptr && mark_ != nullptr;
}

void EventTexts::Show(const EventRecord* event, bool redraw) {
  if (event == nullptr || !Complete()) return;
  const VTime date = event->GetDate();
  SetTextIfChanged(title_, event->GetText(), redraw);
  SetTextIfChanged(year_, FormatYear(date), redraw);
  const VString month = FormatMonthName(date);
  SetTextIfChanged(month_, month, redraw);
  SetTextIfChanged(day_, FormatDay(date), redraw);
  VFont* font = GetPictureFont(kFont);
  const int32_t monthLeft = PlaceDate(year_, day_, month_, placement_.year.x, font, redraw);
  const int32_t monthWidth = WidthOf(font, &month);
  // The mark follows the month name; the control keeps its top. It is
  // taken away from its old place first, so that a redraw shows it moved.
  VRect bounds = mark_->GetBounds();
  const int32_t x = placement_.markBaseX + (monthLeft - placement_.month.x) + monthWidth;
  const bool visited = event->GetEventKey().IsItemVisited();
  if (bounds.left != x) {
    mark_->SetVisible(false, redraw);
    bounds.Offset(x - bounds.left, 0);
    mark_->StoreBounds(bounds);
  }
  mark_->SetVisible(visited, redraw);
}

void EventTexts::SetVisible(bool visible) {
  if (!Complete()) return;
  for (VTextControl* text : {title_, year_, day_, month_}) text->SetVisible(visible, true);
}
