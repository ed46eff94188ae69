#include "title/modules/aspects/AspectRecord.h"

#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"

namespace {

// Reads the field only when its keyword stands next; consumes nothing else.
bool ReadAspectId(ItemRef& id) { return ReadItemRefField("ASPECTID", id, false); }

}  // namespace

AspectRecord::AspectRecord(const ItemRef& id, VLinkedList* ownerList) : id_(id), ownerList_(ownerList) {}

AspectRecord::~AspectRecord() = default;

AspectRecord* AspectRecord::GetChild(int32_t index) const {
  if (!children_ || index < 0) return nullptr;
  return static_cast<AspectRecord*>(children_->GetAt(index));
}

uint16_t AspectRecord::GetScriptMediaId(int32_t number) {
  // Entries of 0, -1 ("none") and numbers outside the table give 0.
  return GetItemBaseMediaId(kAspectTable, number);
}

bool AspectRecord::LoadText(uint16_t mediaId, VString& out) { return LoadTextMedia(out, mediaId, false); }

bool AspectRecord::IsAmong(const AspectRecord* record) const {
  for (int32_t steps = 0; record != nullptr && steps <= kMaxDepth; record = record->parent_, ++steps) {
    if (record->id_.GetNumber() == id_.GetNumber()) return true;
  }
  return false;
}

void AspectRecord::ReadAspectIds(VLinkedList& list, VLinkedList* ownerList, AspectLoadBudget& budget) {
  // A full list reads no further: nothing after the block is read, so the
  // rest of a huge list costs nothing.
  for (int32_t kept = list.GetCount(); kept < kMaxChildren && budget.records > 0 && !CloseBlock(); ++kept) {
    ItemRef id;
    if (!ReadAspectId(id)) return;  // any other token or the end: keep what was read
    list.Append(new AspectRecord(id, ownerList));
    --budget.records;
  }
}

void AspectRecord::ReadScript(const VString& text, VLinkedList* ownerList, AspectLoadBudget& budget) {
  children_.reset();
  info_ = ItemRef();
  BeginScript(text);
  if (!OpenBlock("ASPECT")) return;
  ItemRef ignored;
  ReadItemRefField("ID", ignored, true);
  ItemRef info;
  if (ReadItemRefField("INFO", info, false)) {
    info_ = info;
    return;
  }
  if (!OpenBlock("CHILDREN")) return;
  auto children = std::make_unique<VLinkedList>();
  ReadAspectIds(*children, ownerList, budget);
  // The closing "}" of ASPECT ends the script; nothing after it is read.
  if (!children->IsEmpty()) children_ = std::move(children);
}

void AspectRecord::Load(VLinkedList* ownerList, bool recursive, const AspectTextSource& source,
                        AspectLoadBudget& budget, int32_t depth, const AspectRecord* parent) {
  parent_ = parent;
  const uint16_t media = GetScriptMediaId(id_.GetNumber());
  if (media == 0) return;
  VString script;
  VString title;
  if (source) {
    source(media, script);
    // The title's id wraps at 65535 like every 16-bit media id: none then.
    if (media != 0xFFFF) source(static_cast<uint16_t>(media + 1), title);
  }
  ReadScript(script, ownerList, budget);
  // A title keeps at most kMaxTitleLength characters (the bar and the list
  // show one line).
  if (title.GetLength() > kMaxTitleLength) title.Truncate(kMaxTitleLength);
  text_ = title;
  // Too deep, or an aspect that leads back to itself: no children.
  if (depth + 1 >= kMaxDepth || IsAmong(parent)) {
    if (children_) budget.records += children_->GetCount();
    children_.reset();
  }
  if (!recursive || !children_) return;
  for (int32_t i = children_->GetCount() - 1; i >= 0; --i) {
    GetChild(i)->Load(ownerList, true, source, budget, depth + 1, this);
  }
}
