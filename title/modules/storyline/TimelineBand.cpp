#include "title/modules/storyline/TimelineBand.h"

#include <new>
#include <string>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VEvent.h"
#include "engine/core/VString.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/SoundManager.h"
#include "title/modules/storyline/BandEventCard.h"
#include "title/modules/storyline/EventCardContent.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/shell/ShellPictures.h"

namespace {

const TimelineBand::Geometry kGeometry[TimelineBand::kBandCount] = {
    {14440,    {402, 30}, 14441,     {332, 22}, 14442,
     {44, 22}, 14457,     {56, 25},  14010,     {0, 22},
     110,      14011,     {332, 22}, 128,       236,
     24,       {44, 24},  0,         442,       {{465, 51}, {465, 32}, {495, 32}, {517, 32}, 522, 29}},
    {14444,    {188, 61}, 14445,      {526, 0}, 14446,
     {238, 0}, 14558,     {240, 100}, 14012,    {176, 0},
     129,      14013,     {526, 0},   114,      355,
     99,       {239, 99}, 176,        655,      {{48, 83}, {48, 63}, {78, 63}, {100, 63}, 105, 60}},
    {14448,    {156, 5}, 14449,    {497, 0}, 14450,
     {208, 0}, 14659,    {210, 3}, 14014,    {146, 0},
     129,      14015,    {497, 0}, 128,      356,
     2,        {209, 2}, 146,      626,      {{17, 26}, {17, 7}, {47, 7}, {69, 7}, 74, 4}},
};

// Band 1 hangs its cards below the scale; the others end them at their
// points above it.
constexpr int32_t kHangingBand = 1;

constexpr uint16_t kArrowPicture = 14060;
constexpr int32_t kArrowWidth = 66;
constexpr int32_t kArrowHeight = 116;
constexpr int32_t kArrowLayer = 107;
constexpr uint16_t kScalePicture = 14100;
constexpr int32_t kPictureSize = 51;

int32_t ValidIndex(int32_t bandIndex) { return bandIndex >= 0 && bandIndex < TimelineBand::kBandCount ? bandIndex : 0; }

// The band's arrows at its ends and its scale between the two end pictures.
EventScaleParts::Layout ScaleLayout(const TimelineBand::Geometry& g) {
  return {.arrowPicture = kArrowPicture,
          .arrowLayer = kArrowLayer,
          .arrowWidth = kArrowWidth,
          .arrowHeight = kArrowHeight,
          .arrows = {{g.forwardArrowId, 172, 176, true, g.forwardArrow},
                     {g.backwardArrowId, 171, 175, false, g.backwardArrow}},
          .pictures = {{kScalePicture, g.scale, 0, 345, 12},
                       {g.leftEndPicture, g.leftEnd, 2, g.leftEndWidth, kArrowHeight},
                       {g.rightEndPicture, g.rightEnd, 2, g.rightEndWidth, kArrowHeight}}};
}

}  // namespace

const TimelineBand::Geometry& TimelineBand::GetGeometry(int32_t bandIndex) { return kGeometry[ValidIndex(bandIndex)]; }

TimelineBand::TimelineBand(int32_t id, int32_t bandIndex, const VTime& spanDate, const StorylineCatalog* storylines,
                           int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                           VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      geometry_(GetGeometry(bandIndex)),
      storylines_(storylines),
      bandIndex_(ValidIndex(bandIndex)),
      layer_(layer),
      texts_(GetGeometry(bandIndex).texts, layer + 4, this) {
  SetTransparent(true);
  SetVisible(false, false);

  ItemRef key;
  key.ParseItemRef(VString(("TL00" + std::to_string(bandIndex_ + 1)).c_str()));
  record_.reset(new (std::nothrow) TimelineRecord(key));
  if (record_ && record_->GetFirstEvent() != nullptr) {
    firstDate_ = record_->GetFirstEvent()->GetDate();
    lastDate_ = record_->GetLastEvent()->GetDate();
  }
  span_ = DateToDayNumber(spanDate);
  GetTotalBounds(area_);

  const Geometry& g = geometry_;
  const EventScaleParts::Layout scale = ScaleLayout(g);
  scale_.MakeArrows(scale, layer, this);
  picture_ = new (std::nothrow) VPictureControl(g.pictureId, VRGBColor(0, 0, 0), g.picture.x, g.picture.y, layer + 3,
                                                kPictureSize, kPictureSize, this);
  EventScaleParts::MakePictures(scale, layer, this);
  SetVisible(false, false);

  BuildCards();
  SoundManager& sounds = GetSoundManager();
  sounds.AcquireSound(kCurrentEventSound);
  sounds.AcquireSound(kCardSound);
}

TimelineBand::~TimelineBand() {
  SoundManager& sounds = GetSoundManager();
  sounds.ReleaseSound(kCurrentEventSound);
  sounds.ReleaseSound(kCardSound);
  // The cards go with the control tree before the record that they point
  // into is deleted here: the events forget them first.
  if (record_) {
    for (EventRecord* e = record_->GetFirstEvent(); e != nullptr; e = record_->GetEventAfter(e))
      e->SetBandCard(nullptr);
  }
}

void TimelineBand::BuildCards() {
  if (!record_) return;
  EventScaleParts::MakeCards(
      *record_, storylines_, true,
      [this](EventRecord* event, int32_t position, const EventCardContent& content) -> EventCard* {
        auto* card =
            new (std::nothrow) BandEventCard(geometry_.firstCardId + position, &content, bandIndex_,
                                             geometry_.initialCard.x, geometry_.initialCard.y, layer_ + 1, 1, 1, this);
        if (card != nullptr) event->SetBandCard(card);
        return card;
      },
      span_, kScaleLength, cards_);
}

void TimelineBand::SetDate(const VTime& date, bool showIfChanged, bool force) {
  currentDate_ = date;
  LayOutCards();
  const ControlLife::Watch watch = life_.MakeWatch();
  const bool changed = UpdateCurrentEvent();
  if (!watch.Alive()) return;
  if ((changed && showIfChanged) || force) {
    ShowEventPicture(currentEvent_, true);
    texts_.Show(currentEvent_, true);
  }
}

void TimelineBand::LayOutCards() {
  const int32_t base =
      geometry_.datePosition + cards_.PixelsToFirst(DateToDayNumber(currentDate_), span_, kScaleLength);
  // Cards are placed in window coordinates; they are kept relative to the
  // band.
  VPoint origin;
  GetGlobalOrigin(origin, true);
  for (EventCard* card : cards_.GetCards()) {
    int32_t x = base - 3 + card->GetOffset();
    int32_t y = area_.top + geometry_.cardTop;
    if (bandIndex_ == kHangingBand) {
      y += 15 - card->GetHeight();
    } else {
      x += 7 - card->GetWidth();
    }
    const bool shown = x >= geometry_.leftLimit && x + card->GetWidth() <= geometry_.rightLimit;
    CardOrder::PlaceCard(*card, shown, VPoint(area_.left + x - origin.x, y - origin.y));
  }
}

bool TimelineBand::UpdateCurrentEvent() {
  if (!record_) return false;
  EventRecord* nearest = record_->FindNearestEvent(currentDate_);
  if (nearest == nullptr || nearest == currentEvent_) return false;
  if (currentEvent_ != nullptr && currentEvent_->GetBandCard() != nullptr) currentEvent_->GetBandCard()->Unhighlight();
  currentEvent_ = nearest;
  if (currentEvent_->GetBandCard() != nullptr) currentEvent_->GetBandCard()->Highlight();
  if (active_) GetSoundManager().TriggerSound(kCurrentEventSound);
  return true;
}

void TimelineBand::ShowEventPicture(const EventRecord* event, bool redraw) {
  if (event == nullptr || event->GetBandCard() == nullptr || event->GetBandCard() == shownPictureCard_) return;
  if (picture_ == nullptr || storylines_ == nullptr) return;
  const StorylineRecord* storyline = storylines_->Find(event->GetStorylineRef());
  if (storyline == nullptr) return;
  VPicture* picture = LoadShellPicture(storyline->GetPictureId());
  if (picture == nullptr) return;
  picture_->SetPicture(picture, redraw);
  picture->Release();
  shownPictureCard_ = event->GetBandCard();
}

void TimelineBand::ShowEvent(const EventRecord* event) {
  ShowEventPicture(event, true);
  texts_.Show(event, true);
}

void TimelineBand::SetActive(bool active) {
  active_ = active;
  scale_.SetArrowsEnabled(active);
}

BandEventCard* TimelineBand::FindCard(int32_t id) const { return static_cast<BandEventCard*>(cards_.FindCard(id)); }

bool TimelineBand::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code != EventCard::kOwnerShowEvent) return VControl::HandleEvent(code, value1, value2);
  if (value1 == 0) {
    ShowEvent(currentEvent_);
    return true;
  }
  GetSoundManager().TriggerSound(kCardSound);
  if (BandEventCard* card = FindCard(static_cast<int32_t>(value1))) ShowEvent(card->GetEvent());
  return true;
}

bool TimelineBand::MouseMove(const VMouseEvent& event) {
  if (active_) {
    const bool inside = area_.ContainsPoint(event.GetPoint());
    if (inside && !hovering_) {
      hovering_ = true;
      const ControlLife::Watch watch = life_.MakeWatch();
      SendUpward(kOwnerHovered, static_cast<uint32_t>(bandIndex_), 0);
      if (!watch.Alive()) return true;
    } else if (!inside) {
      hovering_ = false;
    }
  }
  return VControl::MouseMove(event);
}
