// Fuzz target: HOTSPOTS blocks of photo items read into hotspot tables, and
// the lookups the photo controls make on the result.
#include <cstdint>

#include "engine/core/VString.h"
#include "fuzz/driver/FuzzText.h"
#include "title/controls/HotspotTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);

  HotspotTable table;
  table.LoadFromText(text);
  if (table.GetCount() > HotspotTable::kMaxEntries) __builtin_trap();
  for (VListElement* e = table.GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* entry = static_cast<const HotspotEntry*>(e);
    if (!entry->GetItemRef().IsItemRefValid()) __builtin_trap();
    const ItemRef* found = table.FindItemRef(entry->GetMaskIndex());
    if (entry->GetMaskIndex() >= 1 && found == nullptr) __builtin_trap();
  }
  for (int32_t v = -1; v <= 256; ++v) table.FindItemRef(v);
  return 0;
}
