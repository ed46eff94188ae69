#include "engine/script/ScriptServices.h"

#include <utility>

namespace {
ScriptServices& Installed() {
  static ScriptServices services;
  return services;
}
}  // namespace

void InstallScriptServices(ScriptServices services) { Installed() = std::move(services); }

const ScriptServices& GetScriptServices() { return Installed(); }

VisitHistory* SetVisitHistory(VisitHistory* history) { return std::exchange(Installed().visitHistory, history); }

CategoryTables* SetCategoryTables(CategoryTables* tables) { return std::exchange(Installed().categoryTables, tables); }

EventRecordFactory SetEventRecordFactory(EventRecordFactory factory) {
  return std::exchange(Installed().eventRecords, std::move(factory));
}
