#include "engine/script/EventRecordHook.h"

#include "engine/core/ServiceCheck.h"
#include "engine/script/ScriptServices.h"

std::unique_ptr<EventRecordInterface> CreateEventRecord(ItemRef event) {
  const EventRecordFactory& factory = GetScriptServices().eventRecords;
  if (!factory) {
    ReportMissingService("event records");
    return nullptr;
  }
  return factory(event);
}
