// Fuzz target: HOTSPOTS blocks of photo items read into hotspot tables, and
// the lookups the photo controls make on the result.
#include <cstdint>
#include <cstring>

#include "engine/core/VString.h"
#include "title/controls/HotspotTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VString text;
  const int32_t length = static_cast<int32_t>(size > (1u << 20) ? (1u << 20) : size);
  char* chars = text.LockBuffer(length);
  if (chars == nullptr) return 0;
  if (length > 0) std::memcpy(chars, data, static_cast<size_t>(length));
  chars[length] = '\0';
  text.UnlockBuffer();

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
