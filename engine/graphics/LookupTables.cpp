#include "engine/graphics/LookupTables.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/Memory.h"

namespace {
VLookupTableManager* gManager = nullptr;

int32_t RoundHalfAwayFromZero(double x) {
  const double r = x >= 0.0 ? x + 0.5 : x - 0.5;
  // Entries are 32-bit: saturate instead of converting an out-of-range value.
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}
}  // namespace

VLookupTable::~VLookupTable() {
  FreeMemory(buffer_);
  for (int32_t* old : retired_) FreeMemory(old);
}

void VLookupTable::LastReleased() {
  if (shared_ && gManager) gManager->Unlist(this);
}

int32_t* VLookupTable::Allocate(int32_t first, int32_t end) {
  if (end <= first) return nullptr;
  const int64_t count = static_cast<int64_t>(end) - first;
  if (count > (std::numeric_limits<int32_t>::max() / 4)) return nullptr;
  auto* block = static_cast<int32_t*>(AllocateMemory(static_cast<int32_t>(count * 4)));
  if (!block) return nullptr;
  if (buffer_) retired_.push_back(buffer_);
  buffer_ = block;
  first_ = first;
  end_ = end;
  biased_ = block - first;
  return biased_;
}

bool VClipTable::Build(int32_t first, int32_t end) {
  int32_t* t = Allocate(first, end);
  if (!t) return false;
  for (int32_t i = first; i < end; ++i) {
    if (i < low_) {
      t[i] = offset_ + low_;
    } else if (i < high_) {
      t[i] = offset_ + i;
    } else {
      t[i] = offset_ + high_ - 1;
    }
  }
  return true;
}

bool VClipTable::Equals(const VLookupTable& other) const {
  if (other.GetKind() != GetKind()) return false;
  const auto& o = static_cast<const VClipTable&>(other);
  return o.low_ == low_ && o.high_ == high_ && o.offset_ == offset_;
}

bool VMultiplyTable::Build(int32_t first, int32_t end) {
  int32_t* t = Allocate(first, end);
  if (!t) return false;
  double x = first * factor_ + offset_;
  for (int32_t i = first; i < end; ++i) {
    t[i] = RoundHalfAwayFromZero(x);
    x += factor_;
  }
  return true;
}

bool VMultiplyTable::Equals(const VLookupTable& other) const {
  if (other.GetKind() != GetKind()) return false;
  const auto& o = static_cast<const VMultiplyTable&>(other);
  return o.factor_ == factor_ && o.offset_ == offset_;
}

VLookupTableManager::~VLookupTableManager() {
  // Drop the manager's reference of every table; those still held by someone
  // leave the list and stay alive until their holders release them.
  std::vector<VLookupTable*> tables;
  tables.swap(tables_);
  for (VLookupTable* t : tables) {
    t->shared_ = false;
    t->Release();
  }
  if (gManager == this) gManager = nullptr;
}

VLookupTable* VLookupTableManager::ShareTable(VLookupTable* table) {
  if (!table) return nullptr;
  for (VLookupTable* held : tables_) {
    if (!held->Equals(*table)) continue;
    if (table->first_ < held->first_ || table->end_ > held->end_) {
      if (!held->Build(std::min(held->first_, table->first_), std::max(held->end_, table->end_))) {
        table->Release();
        return nullptr;
      }
    }
    table->Release();
    held->AddReference();
    return held;
  }
  if (!table->Build(table->first_, table->end_)) {
    table->Release();
    return nullptr;
  }
  table->AddReference();
  table->shared_ = true;
  tables_.push_back(table);
  return table;
}

void VLookupTableManager::Remove(VLookupTable* table) {
  Unlist(table);
  delete table;
}

void VLookupTableManager::Unlist(VLookupTable* table) {
  auto it = std::find(tables_.begin(), tables_.end(), table);
  if (it != tables_.end()) tables_.erase(it);
}

VLookupTableManager* GetLookupTableManager() { return gManager; }

void SetupLookupTables() {
  if (!gManager) gManager = new VLookupTableManager();
}

void ShutdownLookupTables() {
  VLookupTableManager* m = gManager;
  gManager = nullptr;
  delete m;
}

namespace {
// The requested range travels in the unbuilt table until the manager builds it.
template <class T>
T* ShareOrBuild(T* table, int32_t first, int32_t end) {
  if (end <= first) {
    delete table;
    return nullptr;
  }
  table->SetRequestedRange(first, end);
  if (gManager) return static_cast<T*>(gManager->ShareTable(table));
  if (!table->Build(first, end)) {
    delete table;
    return nullptr;
  }
  return table;
}
}  // namespace

VClipTable* GetClipTable(int32_t offset, int32_t low, int32_t high, int32_t first, int32_t end) {
  return ShareOrBuild(new VClipTable(offset, low, high), first, end);
}

VMultiplyTable* GetMultiplyTable(double factor, double offset, int32_t first, int32_t end) {
  return ShareOrBuild(new VMultiplyTable(factor, offset), first, end);
}

VUnsignedMultiplyTable* GetUnsignedMultiplyTable(double factor, double offset, int32_t first, int32_t end) {
  return ShareOrBuild(new VUnsignedMultiplyTable(factor, offset), first, end);
}
