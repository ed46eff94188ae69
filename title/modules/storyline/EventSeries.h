// A titled series of events in date order: the common part of storylines and
// timelines. Both read a script of the same shape,
//
//   STORYLINE { ID ST001 EVENTS { INFO EV001 INFO EV002 ... } }
//
// (TIMELINE for a timeline), and load one EventRecord of their own for each
// event listed. The list ends at its "}", and also at any token that is no
// INFO and at the end of the text; the events listed before stay. A series
// keeps the events that can be placed in time: listed by a valid reference
// (category 1..12, number 0..999; the number names the event), found (an
// EVENT script) and dated with a calendar date; an event number listed again
// is kept once.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/core/VTime.h"
#include "engine/script/ItemRef.h"
#include "title/modules/storyline/EventRecord.h"

class EventSeries {
 public:
  // Events a series holds at most: one per event number.
  static constexpr int32_t kMaxEvents = ItemRef::kMaxNumber + 1;

  explicit EventSeries(const ItemRef& key);
  // Deletes every event.
  ~EventSeries() = default;
  EventSeries(const EventSeries&) = delete;
  EventSeries& operator=(const EventSeries&) = delete;

  // Adds an event (the series takes it) in date order. A leading number 1..9
  // in the event's text (the first number in it) becomes its hour, so events
  // of one day follow those numbers; events with equal dates keep the order
  // they came in, each one 1 ms after the one before. Null does nothing; an
  // event already in the series stays where it is.
  void InsertEvent(EventRecord* event);

  // Null when the series is empty.
  EventRecord* GetFirstEvent() const;
  EventRecord* GetLastEvent() const;
  int32_t GetEventCount() const { return events_.GetCount(); }
  // The neighbours of an event of the series in list order (null at the
  // ends and for an event not in the series).
  EventRecord* GetEventAfter(const EventRecord* event) const;
  EventRecord* GetEventBefore(const EventRecord* event) const;
  // The first event whose date is not earlier than `date` to the hour
  // (DateIsBefore); null when none.
  EventRecord* FindFirstEventFrom(const VTime& date) const;
  // The last event whose date is earlier than `date` to the hour; null when
  // none.
  EventRecord* FindLastEventBefore(const VTime& date) const;
  // The event nearest in time (hour counts); halfway between two the earlier
  // one; null for an empty series.
  EventRecord* FindNearestEvent(const VTime& date) const;
  // The first event whose key has the reference's number (any category).
  EventRecord* FindEventByNumber(const ItemRef& item) const;
  // True when that very record is in the series.
  bool ContainsEvent(const EventRecord* event) const;

  const ItemRef& GetKey() const { return key_; }
  VString GetTitle() const { return title_; }

 protected:
  // Empties the series and reads the one of the key's number from category
  // table `table`: its title from TEXT B + `titleOffset`, then its script B
  // with the block `keyword`. Returns B, 0 when the series has no media (a
  // key that is no valid reference, no table entry).
  uint16_t LoadSeries(int32_t table, int32_t titleOffset, const char* keyword);
  // Reads a series script with the block `keyword` (in place) and adds the
  // events it lists. False when the block does not open.
  bool ReadSeriesScript(const VString& script, const char* keyword);

 private:
  EventRecord* EventAt(VListElement* element) const { return static_cast<EventRecord*>(element); }

  ItemRef key_;
  VString title_;
  VLinkedList events_;
};
