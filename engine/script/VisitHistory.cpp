#include "engine/script/VisitHistory.h"

#include "engine/core/ServiceCheck.h"
#include "engine/script/ScriptServices.h"

VisitHistory* GetVisitHistory() {
  VisitHistory* history = GetScriptServices().visitHistory;
  if (history == nullptr) ReportMissingService("visit history");
  return history;
}

bool GetHistoryFlag(ItemRef item) {
  VisitHistory* history = GetVisitHistory();
  return history != nullptr && history->GetFlag(item);
}

bool SetHistoryFlag(ItemRef item) {
  VisitHistory* history = GetVisitHistory();
  return history != nullptr && history->SetFlag(item);
}

bool MemoryVisitHistory::IndexOf(const ItemRef& item, size_t& index) {
  if (!item.IsItemRefValid()) return false;
  index = static_cast<size_t>(item.GetCategory() - 1) * 1000 + static_cast<size_t>(item.GetNumber());
  return true;
}

bool MemoryVisitHistory::GetFlag(ItemRef item) {
  size_t index = 0;
  return IndexOf(item, index) && flags_.test(index);
}

bool MemoryVisitHistory::SetFlag(ItemRef item) {
  size_t index = 0;
  if (!IndexOf(item, index)) return false;
  flags_.set(index);
  return true;
}
