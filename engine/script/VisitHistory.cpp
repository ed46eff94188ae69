#include "engine/script/VisitHistory.h"

namespace {
VisitHistory* gVisitHistory = nullptr;
}  // namespace

VisitHistory* SetVisitHistory(VisitHistory* history) {
  VisitHistory* previous = gVisitHistory;
  gVisitHistory = history;
  return previous;
}

VisitHistory* GetVisitHistory() { return gVisitHistory; }

bool GetHistoryFlag(ItemRef item) { return gVisitHistory != nullptr && gVisitHistory->GetFlag(item); }

bool SetHistoryFlag(ItemRef item) { return gVisitHistory != nullptr && gVisitHistory->SetFlag(item); }

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
