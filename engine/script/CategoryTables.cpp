#include "engine/script/CategoryTables.h"

#include <cstddef>

#include "engine/core/ServiceCheck.h"
#include "engine/script/ScriptServices.h"

namespace {

constexpr int32_t kFirstCategory = 1;
constexpr int32_t kLastCategory = 12;
constexpr int32_t kItemsPerCategory = 1000;

bool InRange(int32_t category, int32_t itemNumber) {
  return category >= kFirstCategory && category <= kLastCategory && itemNumber >= 0 &&
         itemNumber < kItemsPerCategory;
}

size_t IndexOf(int32_t category, int32_t itemNumber) {
  return static_cast<size_t>(category - kFirstCategory) * kItemsPerCategory + static_cast<size_t>(itemNumber);
}

}  // namespace

CategoryTables* GetCategoryTables() {
  CategoryTables* tables = GetScriptServices().categoryTables;
  if (tables == nullptr) ReportMissingService("category tables");
  return tables;
}

uint16_t GetItemBaseMediaId(int32_t category, int32_t itemNumber) {
  // The item number comes straight from a text: check it before any table is
  // indexed with it.
  CategoryTables* tables = GetCategoryTables();
  if (tables == nullptr || !InRange(category, itemNumber)) return 0;
  uint32_t entry = 0;
  if (!tables->GetCategoryEntry(category, itemNumber, entry)) return 0;
  // Tables mark "none" with 0 or a negative number (-1); taking the low 16
  // bits of a negative entry would turn it into a real id near 65535 (and
  // the media after it into ids 0, 1, ...).
  if (static_cast<int32_t>(entry) <= 0) return 0;
  const uint16_t base = static_cast<uint16_t>(entry & 0xFFFFu);
  return base == 0xFFFFu ? 0 : base;
}

MemoryCategoryTables::MemoryCategoryTables()
    : entries_(static_cast<size_t>(kLastCategory - kFirstCategory + 1) * kItemsPerCategory, 0) {}

bool MemoryCategoryTables::GetCategoryEntry(int32_t category, int32_t itemNumber, uint32_t& entry) const {
  if (!InRange(category, itemNumber)) return false;
  entry = entries_[IndexOf(category, itemNumber)];
  return true;
}

bool MemoryCategoryTables::SetCategoryEntry(int32_t category, int32_t itemNumber, uint32_t entry) {
  if (!InRange(category, itemNumber)) return false;
  entries_[IndexOf(category, itemNumber)] = entry;
  return true;
}
