// The script library's record of services installed from above: the visit
// history, the category tables and the event records of the content
// modules. The program installs the record once at start
// (InstallEngineServices in engine/services, with the title's own pieces
// from the title's start-up); a use of a service that is not installed is
// reported through ReportMissingService (engine/core/ServiceCheck.h) and then
// answers "not visited", media id 0 or no record.
#pragma once

#include "engine/script/CategoryTables.h"
#include "engine/script/EventRecordHook.h"
#include "engine/script/VisitHistory.h"

struct ScriptServices {
  // Visited flags of items (the title's history.log; MemoryVisitHistory in memory). Not owned.
  VisitHistory* visitHistory = nullptr;
  // The per-category tables of item references (MemoryCategoryTables in memory). Not owned.
  CategoryTables* categoryTables = nullptr;
  // Makes the records of event items (the content modules).
  EventRecordFactory eventRecords;
};

// Installs the whole record (empty fields: that service is absent).
void InstallScriptServices(ScriptServices services);
// The record as installed.
const ScriptServices& GetScriptServices();
