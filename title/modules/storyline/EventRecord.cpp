#include "title/modules/storyline/EventRecord.h"

#include <new>

#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"

namespace {

constexpr int32_t kTextOffset = 1;

}  // namespace

EventRecord::EventRecord(const ItemRef& key) : key_(key) { Load(); }

bool EventRecord::Load() {
  if (!key_.IsItemRefValid()) return false;
  const uint16_t base = GetItemBaseMediaId(kEventTable, key_.GetNumber());
  if (base == 0) return false;
  if (base + kTextOffset <= 0xFFFF) LoadTextMedia(text_, static_cast<uint16_t>(base + kTextOffset), true);
  VString script;
  LoadTextMedia(script, base, false);
  return ReadScript(script);
}

bool EventRecord::ReadScript(const VString& script) {
  BeginScript(script);
  if (!OpenBlock("EVENT")) return false;
  loaded_ = true;
  // Every field may be left out; one out of order is simply not read.
  ReadItemRefField("ID", key_, true);
  // The reader stores a date part by part; a date cut short must not leave
  // half of it behind.
  VTime date;
  if (ReadDateField("DATE", date, false)) date_ = date;
  ReadItemRefField("INFO", info_, true);
  ReadItemRefField("TIMELINE", timeline_, true);
  ReadItemRefField("STORYLINE", storyline_, true);
  CloseBlock();
  bandCard_ = nullptr;
  panelCard_ = nullptr;
  return true;
}

std::unique_ptr<EventRecordInterface> MakeEventRecord(ItemRef event) {
  return std::unique_ptr<EventRecordInterface>(new (std::nothrow) EventRecord(event));
}
