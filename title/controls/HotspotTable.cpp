#include "title/controls/HotspotTable.h"

#include "engine/script/ScriptLexer.h"

namespace {

// One HOTSPOT { MASKINDEX n INFO code } entry; false when any part is
// missing or of the wrong kind.
bool ReadEntry(int32_t& maskIndex, ItemRef& item) {
  if (!OpenBlock("HOTSPOT")) return false;
  if (!ReadIntField("MASKINDEX", maskIndex, false)) return false;
  if (GetTokenKind() != kTokenWord || !AcceptKeyword("INFO")) return false;
  if (GetTokenKind() != kTokenWord || !ReadItemRefValue(item)) return false;
  if (!item.IsItemRefValid()) return false;
  return CloseBlock();
}

}  // namespace

bool HotspotTable::Load() {
  if (!OpenBlock("HOTSPOTS")) return false;
  int32_t count = GetCount();
  for (;;) {
    const int32_t kind = GetTokenKind();
    if (kind == kTokenCloseBrace || kind == kTokenEnd) break;
    if (count >= kMaxEntries) return false;
    int32_t maskIndex = 0;
    ItemRef item;
    if (!ReadEntry(maskIndex, item)) return false;
    Append(new HotspotEntry(item, maskIndex));
    ++count;
  }
  return CloseBlock();
}

bool HotspotTable::LoadFromText(const VString& text) {
  BeginScript(text);
  return Load();
}

HotspotEntry* HotspotTable::FindEntry(int32_t maskIndex) const {
  if (maskIndex < 1) return nullptr;
  for (VListElement* e = GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* entry = static_cast<HotspotEntry*>(e);
    if (entry->GetMaskIndex() == maskIndex) return entry;
  }
  return nullptr;
}

const ItemRef* HotspotTable::FindItemRef(int32_t maskIndex) const {
  const HotspotEntry* entry = FindEntry(maskIndex);
  return entry != nullptr ? &entry->GetItemRef() : nullptr;
}
