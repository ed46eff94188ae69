#include "title/modules/storyline/StorylinePanel.h"

#include <new>

#include "engine/sound/SoundManager.h"
#include "title/modules/storyline/EventCardContent.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/PanelEventCard.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineDates.h"

namespace {

const EventTexts::Placement kTexts = {{25, 51}, {25, 32}, {55, 32}, {77, 32}, 82, 29};

// The arrows at the top and the bottom, the scale between its two ends.
const EventScaleParts::Layout kScale = {
    .arrowPicture = 14065,
    .arrowLayer = 8,
    .arrowWidth = 116,
    .arrowHeight = 66,
    .arrows = {{StorylinePanel::kUpperArrowId, 174, 177, true, {68, 84}},
               {StorylinePanel::kLowerArrowId, 173, 178, false, {68, 327}}},
    .pictures = {{14105, {169, 84}, 0, 12, 309}, {14016, {68, 18}, 2, 116, 132}, {14017, {68, 327}, 2, 116, 132}}};
// Where cards are made before the first layout.
constexpr int32_t kInitialCardX = 622;
constexpr int32_t kInitialCardY = 84;

// One common year: year 1, month 0, day 0 counted in hours.
int32_t YearSpan() {
  int32_t hours = 0;
  return ComputeDayNumber(VTime(1, 0, 0), hours) ? hours : 8760;
}

}  // namespace

StorylinePanel::StorylinePanel(int32_t id, const ItemRef& item, const StorylineCatalog* storylines, int32_t left,
                               int32_t top, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      storylines_(storylines),
      layer_(layer),
      texts_(kTexts, layer + 3, this) {
  SetVisible(false, false);
  scale_.MakeArrows(kScale, layer, this);
  EventScaleParts::MakePictures(kScale, layer, this);
  SetVisible(false, false);
  LoadStorylineAt(item);
  SoundManager& sounds = GetSoundManager();
  sounds.AcquireSound(kSelectSound);
  sounds.AcquireSound(kCardSound);
}

StorylinePanel::~StorylinePanel() {
  SoundManager& sounds = GetSoundManager();
  sounds.ReleaseSound(kSelectSound);
  sounds.ReleaseSound(kCardSound);
  if (record_) {
    for (EventRecord* e = record_->GetFirstEvent(); e != nullptr; e = record_->GetEventAfter(e))
      e->SetPanelCard(nullptr);
  }
}

void StorylinePanel::LoadStorylineAt(const ItemRef& item) {
  span_ = YearSpan();
  std::unique_ptr<EventRecord> opened(new (std::nothrow) EventRecord(item));
  if (!opened) return;
  const ItemRef storyline = opened->GetStorylineRef();
  if (record_ && storyline.IsItemRefValid() && record_->GetKey().GetNumber() == storyline.GetNumber()) {
    SelectEvent(record_->FindEventByNumber(item));
    return;
  }
  ClearStoryline();
  // An event without a storyline (or one that is not there) leaves the
  // panel empty.
  if (!storyline.IsItemRefValid()) return;
  record_.reset(new (std::nothrow) StorylineRecord(storyline));
  if (!record_ || record_->GetFirstEvent() == nullptr) {
    record_.reset();
    return;
  }
  firstDate_ = record_->GetFirstEvent()->GetDate();
  lastDate_ = record_->GetLastEvent()->GetDate();
  BuildCards();
  SelectEvent(record_->FindEventByNumber(item));
}

void StorylinePanel::ClearStoryline() {
  if (selectedCard_ != nullptr) selectedCard_->Unhighlight();
  selectedEvent_ = nullptr;
  selectedCard_ = nullptr;
  // The cards go first: the events they show go with the record.
  for (EventCard* card : cards_.GetCards()) RemoveChildObject(card, true);
  cards_.Clear();
  record_.reset();
  firstDate_ = VTime();
  lastDate_ = VTime();
}

void StorylinePanel::BuildCards() {
  EventScaleParts::MakeCards(
      *record_, storylines_, false,
      [this](EventRecord* event, int32_t position, const EventCardContent& content) -> EventCard* {
        auto* card = new (std::nothrow) PanelEventCard(PanelEventCard::kFirstId + position, &content, kInitialCardX,
                                                       kInitialCardY, layer_ + 1, 1, 1, this);
        if (card != nullptr) event->SetPanelCard(card);
        return card;
      },
      span_, kScaleLength, cards_);
}

void StorylinePanel::SetDate(const VTime& date) {
  currentDate_ = date;
  LayOutCards();
}

void StorylinePanel::LayOutCards() {
  const int32_t base = kDatePosition - cards_.PixelsToFirst(DateToDayNumber(currentDate_), span_, kScaleLength);
  // The limits and the cards' right end are in window coordinates; cards
  // are kept relative to the panel.
  VPoint origin;
  GetGlobalOrigin(origin, true);
  for (EventCard* card : cards_.GetCards()) {
    // Later events lie higher up.
    const int64_t y = static_cast<int64_t>(base) - card->GetOffset() - 3;
    const bool shown = y >= kTopLimit && y + card->GetHeight() <= kBottomLimit;
    CardOrder::PlaceCard(
        *card, shown, VPoint(kCardRight - card->GetWidth() - origin.x, static_cast<int32_t>(shown ? y : 0) - origin.y));
  }
}

void StorylinePanel::SelectEvent(EventRecord* event) {
  if (event == nullptr || !record_ || !record_->ContainsEvent(event)) return;
  selectedEvent_ = event;
  if (selectedCard_ != nullptr) selectedCard_->Unhighlight();
  selectedCard_ = event->GetPanelCard();
  if (selectedCard_ != nullptr) selectedCard_->Highlight();
  texts_.Show(event, true);
  GetSoundManager().TriggerSound(kSelectSound);
}

void StorylinePanel::SelectNext() {
  if (!record_ || selectedEvent_ == nullptr || selectedEvent_ == record_->GetLastEvent()) return;
  SelectEvent(record_->GetEventAfter(selectedEvent_));
  ReportEnds();
}

void StorylinePanel::SelectPrevious() {
  if (!record_ || selectedEvent_ == nullptr || selectedEvent_ == record_->GetFirstEvent()) return;
  // The event before in the storyline's order: events of one hour lie a
  // millisecond apart, and each of them is reached in turn.
  SelectEvent(record_->GetEventBefore(selectedEvent_));
  ReportEnds();
}

void StorylinePanel::ReportEnds() {
  if (!record_ || selectedEvent_ == nullptr) return;
  const EventRecord* first = record_->GetFirstEvent();
  const EventRecord* last = record_->GetLastEvent();
  if (first == nullptr || last == nullptr) return;
  const bool atFirst = selectedEvent_ == first;
  if (Report(kOwnerAtLast, selectedEvent_ == last)) Report(kOwnerAtFirst, atFirst);
}

bool StorylinePanel::Report(uint32_t code, bool atEnd) {
  const ControlLife::Watch watch = life_.MakeWatch();
  SendUpward(code, atEnd ? 1 : 0, 0);
  return watch.Alive();
}

void StorylinePanel::SetActive(bool active) { scale_.SetArrowsEnabled(active); }

PanelEventCard* StorylinePanel::FindCard(int32_t id) const { return static_cast<PanelEventCard*>(cards_.FindCard(id)); }

bool StorylinePanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code != EventCard::kOwnerShowEvent) return VControl::HandleEvent(code, value1, value2);
  if (value1 == 0) {
    texts_.Show(selectedEvent_, true);
    return true;
  }
  GetSoundManager().TriggerSound(kCardSound);
  if (PanelEventCard* card = FindCard(static_cast<int32_t>(value1))) texts_.Show(card->GetEvent(), true);
  return true;
}
