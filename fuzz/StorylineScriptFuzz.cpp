// Fuzz target: the storyline module's three readers (STORYLINE, TIMELINE and
// EVENT scripts) over arbitrary text, and the order of a series built from
// the events of the input: the text is cut at each '#' and every piece is
// read as an EVENT and inserted. The series must stay in date order, hold
// every event once, and answer its lookups from its own events; hour counts
// of calendar dates must come back as the same dates.
#include <cstdint>
#include <vector>

#include "engine/core/VString.h"
#include "engine/core/VTime.h"
#include "engine/script/ItemRef.h"
#include "fuzz/driver/FuzzText.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/EventSeries.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/StorylineRecord.h"
#include "title/modules/storyline/TimelineRecord.h"

namespace {

constexpr int32_t kMaxPieces = 64;

void CheckDate(const VTime& date) {
  int32_t hours = 0;
  if (!ComputeDayNumber(date, hours)) return;
  const VTime back = DayNumberToDate(hours);
  if (back.GetHour() < 0 || back.GetHour() > 23) __builtin_trap();
  if (date.IsDateValid() && date.GetHour() == 0 &&
      (back.GetYear() != date.GetYear() || back.GetMonth() != date.GetMonth() || back.GetDay() != date.GetDay())) {
    __builtin_trap();
  }
  FormatYear(date);
  FormatDay(date);
}

// The pieces of the text between '#' characters, at most kMaxPieces.
std::vector<VString> Pieces(const VString& text) {
  std::vector<VString> pieces;
  int32_t start = 0;
  for (int32_t i = 0; i <= text.GetLength() && static_cast<int32_t>(pieces.size()) < kMaxPieces; ++i) {
    if (i < text.GetLength() && text.GetCharAt(i) != '#') continue;
    VString piece;
    text.Mid(piece, start, i - start);
    pieces.push_back(piece);
    start = i + 1;
  }
  return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);

  // Without category tables no listed event can load: the readers only have
  // to end.
  StorylineRecord storyline{ItemRef()};
  storyline.ReadScript(text);
  if (storyline.GetEventCount() > EventSeries::kMaxEvents) __builtin_trap();
  TimelineRecord timeline{ItemRef()};
  timeline.ReadScript(text);
  if (timeline.GetEventCount() > EventSeries::kMaxEvents) __builtin_trap();

  EventSeries series{ItemRef()};
  int32_t inserted = 0;
  for (const VString& piece : Pieces(text)) {
    auto* event = new EventRecord(ItemRef());
    event->ReadScript(piece);
    CheckDate(event->GetDate());
    series.InsertEvent(event);
    ++inserted;
  }
  if (series.GetEventCount() != inserted) __builtin_trap();
  const EventRecord* previous = nullptr;
  for (EventRecord* e = series.GetFirstEvent(); e != nullptr; e = series.GetEventAfter(e)) {
    if (previous != nullptr && e->GetDate().IsBefore(previous->GetDate())) __builtin_trap();
    if (series.GetEventBefore(e) != previous) __builtin_trap();
    if (!series.ContainsEvent(series.FindNearestEvent(e->GetDate()))) __builtin_trap();
    if (series.FindEventByNumber(e->GetKey()) == nullptr) __builtin_trap();
    const EventRecord* from = series.FindFirstEventFrom(e->GetDate());
    if (from == nullptr || !series.ContainsEvent(from)) __builtin_trap();
    const EventRecord* before = series.FindLastEventBefore(e->GetDate());
    if (before != nullptr && !DateIsBefore(before->GetDate(), e->GetDate())) __builtin_trap();
    previous = e;
  }
  if (previous != series.GetLastEvent()) __builtin_trap();
  return 0;
}
