#include "title/modules/storyline/CardOrder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "title/modules/storyline/EventCard.h"
#include "title/modules/storyline/StorylineDates.h"

namespace {

int32_t ClampToInt(double value) {
  constexpr double kLow = std::numeric_limits<int32_t>::min() / 2;
  constexpr double kHigh = std::numeric_limits<int32_t>::max() / 2;
  return static_cast<int32_t>(std::trunc(std::clamp(value, kLow, kHigh)));
}

}  // namespace

void CardOrder::Insert(EventCard* card) {
  if (card == nullptr) return;
  const VTime date = card->GetDate();
  // Cards come in the order of their series, which is already by date to
  // the millisecond: a card goes after every card of its hour, so cards of
  // one hour keep the series' order (the order next and previous step in).
  auto at = std::find_if(cards_.begin(), cards_.end(),
                         [&date](const EventCard* other) { return DateIsBefore(date, other->GetDate()); });
  cards_.insert(at, card);
}

void CardOrder::Space(int32_t span, double length) {
  if (cards_.empty()) return;
  const int32_t first = DateToDayNumber(cards_.front()->GetDate());
  int32_t previous = 0;
  cards_.front()->SetOffset(0);
  for (size_t i = 1; i < cards_.size(); ++i) {
    const int32_t hours = DateToDayNumber(cards_[i]->GetDate());
    int32_t offset = span > 0 ? ClampToInt((static_cast<double>(hours) - first) / span * length) : 0;
    offset = std::max(offset, previous + kMinGap);
    cards_[i]->SetOffset(offset);
    previous = offset;
  }
}

int32_t CardOrder::PixelsToFirst(int32_t hours, int32_t span, double length) const {
  if (cards_.empty() || span <= 0) return 0;
  const int32_t first = DateToDayNumber(cards_.front()->GetDate());
  return ClampToInt((static_cast<double>(first) - hours) / span * length);
}

EventCard* CardOrder::FindCard(int32_t id) const {
  for (EventCard* card : cards_) {
    if (card->GetId() == id) return card;
  }
  return nullptr;
}

void CardOrder::PlaceCard(EventCard& card, bool shown, const VPoint& topLeft) {
  if (!shown) {
    if (card.IsVisible()) card.SetVisible(false, false);
    return;
  }
  const VRect& bounds = card.GetBounds();
  const int64_t dx = static_cast<int64_t>(topLeft.x) - bounds.left;
  const int64_t dy = static_cast<int64_t>(topLeft.y) - bounds.top;
  if (dx != 0 || dy != 0) {
    card.SetBounds(static_cast<int32_t>(std::clamp<int64_t>(dx, INT32_MIN, INT32_MAX)),
                   static_cast<int32_t>(std::clamp<int64_t>(dy, INT32_MIN, INT32_MAX)), false, false);
  }
  if (!card.IsVisible()) card.SetVisible(true, false);
}
