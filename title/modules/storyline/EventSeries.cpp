#include "title/modules/storyline/EventSeries.h"

#include <bitset>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"
#include "title/modules/storyline/StorylineDates.h"

namespace {

constexpr int32_t kFirstOrderingHour = 1;
constexpr int32_t kLastOrderingHour = 9;

// The first signed decimal number in the text (a '-' right before its
// digits gives the sign), 0 when there is none. Only 1..9 matters to the
// caller, so longer numbers saturate instead of wrapping.
int32_t FirstNumberIn(const VString& text) {
  const int32_t length = text.GetLength();
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t c = text.GetCharAt(i);
    if (c < '0' || c > '9') continue;
    const bool negative = i > 0 && text.GetCharAt(i - 1) == '-';
    int32_t value = 0;
    for (; i < length && text.GetCharAt(i) >= '0' && text.GetCharAt(i) <= '9'; ++i) {
      if (value < 100000000) value = value * 10 + (text.GetCharAt(i) - '0');
    }
    return negative ? -value : value;
  }
  return 0;
}

}  // namespace

EventSeries::EventSeries(const ItemRef& key) : key_(key) {}

void EventSeries::InsertEvent(EventRecord* event) {
  if (event == nullptr || events_.Contains(event)) return;
  VTime date = event->GetDate();
  const int32_t hour = FirstNumberIn(event->GetText());
  if (hour >= kFirstOrderingHour && hour <= kLastOrderingHour) {
    date = VTime(date.GetYear(), date.GetMonth(), date.GetDay(), hour);
  }
  int32_t index = 0;
  VListElement* element = events_.GetFirst();
  while (element != nullptr && EventAt(element)->GetDate().IsBefore(date)) {
    ++index;
    element = element->GetNext();
  }
  // Events of the same date stay in the order they came: the new one goes
  // after them, a millisecond later than the last.
  while (element != nullptr && EventAt(element)->GetDate().Equals(date)) {
    ++index;
    element = element->GetNext();
    date.AddMilliseconds(1);
  }
  event->SetDate(date);
  events_.InsertAt(event, index);
}

EventRecord* EventSeries::GetFirstEvent() const { return EventAt(events_.GetFirst()); }

EventRecord* EventSeries::GetLastEvent() const {
  VListElement* last = events_.GetFirst();
  while (last != nullptr && last->GetNext() != nullptr) last = last->GetNext();
  return EventAt(last);
}

EventRecord* EventSeries::GetEventAfter(const EventRecord* event) const {
  if (event == nullptr || !events_.Contains(event)) return nullptr;
  return EventAt(event->GetNext());
}

EventRecord* EventSeries::GetEventBefore(const EventRecord* event) const {
  if (event == nullptr) return nullptr;
  for (VListElement* e = events_.GetFirst(); e != nullptr; e = e->GetNext()) {
    if (e->GetNext() == event) return EventAt(e);
  }
  return nullptr;
}

EventRecord* EventSeries::FindFirstEventFrom(const VTime& date) const {
  for (VListElement* e = events_.GetFirst(); e != nullptr; e = e->GetNext()) {
    if (!DateIsBefore(EventAt(e)->GetDate(), date)) return EventAt(e);
  }
  return nullptr;
}

EventRecord* EventSeries::FindLastEventBefore(const VTime& date) const {
  EventRecord* before = nullptr;
  for (VListElement* e = events_.GetFirst(); e != nullptr && DateIsBefore(EventAt(e)->GetDate(), date);
       e = e->GetNext()) {
    before = EventAt(e);
  }
  return before;
}

EventRecord* EventSeries::FindNearestEvent(const VTime& date) const {
  EventRecord* before = nullptr;
  VListElement* e = events_.GetFirst();
  while (e != nullptr && !EventAt(e)->GetDate().IsAfter(date)) {
    before = EventAt(e);
    e = e->GetNext();
  }
  EventRecord* after = EventAt(e);
  if (after == nullptr) return before;
  if (before == nullptr) return after;
  // Differences of two 32-bit counts need more than 32 bits.
  const int64_t at = DateToDayNumber(date);
  const int64_t sinceBefore = at - DateToDayNumber(before->GetDate());
  const int64_t untilAfter = static_cast<int64_t>(DateToDayNumber(after->GetDate())) - at;
  return sinceBefore <= untilAfter ? before : after;
}

EventRecord* EventSeries::FindEventByNumber(const ItemRef& item) const {
  for (VListElement* e = events_.GetFirst(); e != nullptr; e = e->GetNext()) {
    if (EventAt(e)->GetKey().GetNumber() == item.GetNumber()) return EventAt(e);
  }
  return nullptr;
}

bool EventSeries::ContainsEvent(const EventRecord* event) const { return event != nullptr && events_.Contains(event); }

uint16_t EventSeries::LoadSeries(int32_t table, int32_t titleOffset, const char* keyword) {
  events_.DeleteAll();
  title_.Clear();
  if (!key_.IsItemRefValid()) return 0;
  const uint16_t base = GetItemBaseMediaId(table, key_.GetNumber());
  if (base == 0) return 0;
  if (base + titleOffset <= 0xFFFF) LoadTextMedia(title_, static_cast<uint16_t>(base + titleOffset), true);
  VString script;
  LoadTextMedia(script, base, false);
  ReadSeriesScript(script, keyword);
  return base;
}

bool EventSeries::ReadSeriesScript(const VString& script, const char* keyword) {
  BeginScript(script);
  if (!OpenBlock(keyword)) return false;
  ReadItemRefField("ID", key_, true);
  // The events are listed first and loaded afterwards: each event reads its
  // own script through the one tokenizer.
  std::vector<ItemRef> listed;
  std::bitset<kMaxEvents> seen;
  if (OpenBlock("EVENTS")) {
    // Anything but INFO or "}" ends the list, and so does the end of the
    // text (where neither can come).
    while (!CloseBlock() && AcceptKeyword("INFO")) {
      ItemRef item;
      if (!ReadItemRefValue(item) || !item.IsItemRefValid()) continue;
      const size_t number = static_cast<size_t>(item.GetNumber());
      if (seen.test(number)) continue;
      seen.set(number);
      listed.push_back(item);
    }
  }
  CloseBlock();
  for (const ItemRef& item : listed) {
    std::unique_ptr<EventRecord> event(new (std::nothrow) EventRecord(item));
    // Only events with a place in time can be shown along the scales.
    if (!event || !event->IsLoaded() || !event->GetDate().IsDateValid()) continue;
    InsertEvent(event.release());
  }
  return true;
}
