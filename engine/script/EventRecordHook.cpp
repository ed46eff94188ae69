#include "engine/script/EventRecordHook.h"

#include <utility>

namespace {
EventRecordFactory& Factory() {
  static EventRecordFactory factory;
  return factory;
}
}  // namespace

EventRecordFactory SetEventRecordFactory(EventRecordFactory factory) {
  EventRecordFactory previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

std::unique_ptr<EventRecordInterface> CreateEventRecord(ItemRef event) {
  const EventRecordFactory& factory = Factory();
  if (!factory) return nullptr;
  return factory(event);
}
