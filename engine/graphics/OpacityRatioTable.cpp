#include "engine/graphics/OpacityRatioTable.h"

#include "engine/core/Memory.h"

namespace {
OpacityRatioTable* gTable = nullptr;
}

OpacityRatioTable::OpacityRatioTable() {
  entries_ = static_cast<uint16_t*>(AllocateMemory(64 * 64 * 2));
  if (!entries_) return;
  for (int32_t a = 0; a < 64; ++a) {
    for (int32_t b = 0; b < 64; ++b) {
      entries_[a * 64 + b] =
          b <= a ? uint16_t{16128} : static_cast<uint16_t>(63.0 * 256.0 * a / b + 0.5);
    }
  }
}

OpacityRatioTable::~OpacityRatioTable() {
  if (gTable == this) gTable = nullptr;
  FreeMemory(entries_);
}

OpacityRatioTable* AcquireOpacityRatioTable() {
  if (gTable) {
    gTable->AddReference();
  } else {
    gTable = new OpacityRatioTable();
  }
  return gTable;
}
