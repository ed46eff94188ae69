// The event record that item references of events (category 4) consult for
// their visit flag. The content modules build the real record; their factory
// is installed with the script services (engine/script/ScriptServices.h) so
// this layer can create one without knowing it.
#pragma once

#include <functional>
#include <memory>

#include "engine/script/ItemRef.h"

// What an item reference needs of an event's record: the reference that holds
// the event's visit flag.
class EventRecordInterface {
 public:
  virtual ~EventRecordInterface() = default;
  // The item whose history flag stands for the event's visit.
  virtual void GetEventKey(ItemRef& key) const = 0;
};

// Creates and loads the record of an event item. Returns null when the record
// cannot be made; the caller owns the result.
using EventRecordFactory = std::function<std::unique_ptr<EventRecordInterface>(ItemRef event)>;

// Replaces the installed factory alone (scopes and tests; an empty one: none)
// and returns the previous one.
EventRecordFactory SetEventRecordFactory(EventRecordFactory factory);

// Creates the record of an event through the installed factory; null when it
// fails, and null with a missing-service report without a factory.
std::unique_ptr<EventRecordInterface> CreateEventRecord(ItemRef event);
