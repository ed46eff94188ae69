#include "engine/script/LinkedRecordTable.h"

#include "engine/archive/ArchiveServices.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"

namespace {

// Category whose table gives the base media id of a record's item.
constexpr int32_t kRecordCategory = 2;

}  // namespace

LinkedRecord::LinkedRecord() = default;
LinkedRecord::~LinkedRecord() = default;

void LinkedRecord::Set(int32_t id, int32_t count, const int32_t* ids, int16_t a, int16_t b, int16_t mediaId,
                       int32_t d, int32_t e, const VString* text) {
  id_ = id;
  int32_t kept = count < 0 ? 0 : (count > kMaxLinkedIds ? kMaxLinkedIds : count);
  if (ids == nullptr) kept = 0;
  linkedCount_ = kept;
  for (int32_t i = 0; i < kMaxLinkedIds; ++i) linkedIds_[i] = i < kept ? ids[i] : -1;
  numberA_ = a;
  numberB_ = b;
  mediaId_ = mediaId;
  numberD_ = d;
  numberE_ = e;
  SetText(text);
}

void LinkedRecord::SetText(const VString* text) {
  text_.reset();
  if (text != nullptr) text_ = std::make_unique<VString>(*text);
}

int32_t LinkedRecord::GetLinkedIds(int32_t* out) const {
  for (int32_t i = 0; i < linkedCount_; ++i) out[i] = linkedIds_[i];
  return linkedCount_;
}

LinkedRecordTable::LinkedRecordTable(uint16_t mediaId) { loaded_ = Load(mediaId); }

bool LinkedRecordTable::Load(uint16_t mediaId) {
  loaded_ = false;
  VTextFile file(nullptr);
  int64_t size = 0;
  if (!OpenTextMedium(mediaId, file, size)) return false;
  ReadRecords(file, static_cast<uint32_t>(size));
  loaded_ = true;
  return true;
}

void LinkedRecordTable::ReadRecords(VTextFile& file, uint32_t size) {
  // The new records are chained here and linked to the table at the end in
  // one step: appending one by one walks the whole table each time.
  VListElement* first = nullptr;
  VListElement* last = nullptr;
  while (file.GetPosition() >= 0 && static_cast<uint32_t>(file.GetPosition()) < size) {
    int32_t number = 0;
    if (file.ReadLong(number) == 0) break;

    // Every one of the K linked ids is read, so the next record starts where it
    // should; only the first two are kept. A read that finds no number means
    // the data ended, which also ends a count that claims more.
    int32_t count = 0;
    file.ReadLong(count);
    int32_t ids[LinkedRecord::kMaxLinkedIds] = {-1, -1};
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
      int32_t id = 0;
      if (file.ReadLong(id) == 0) break;
      if (kept < LinkedRecord::kMaxLinkedIds) ids[kept++] = id;
    }

    int16_t a = 0;
    int16_t b = 0;
    int32_t d = 0;
    int32_t e = 0;
    int16_t mediaId = 0;
    file.ReadShort(a);
    file.ReadShort(b);
    file.ReadLong(d);
    file.ReadLong(e);
    VString text;
    file.ReadString(text);
    file.ReadShort(mediaId);

    auto record = std::make_unique<LinkedRecord>();
    // Ids are stored one below the item number they were written with; the
    // subtraction wraps rather than overflow for the smallest number.
    const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(number) - 1u);
    record->Set(id, kept, ids, a, b, mediaId, d, e, &text);

    // The item number indexes the category table only within 0..999
    // (GetItemBaseMediaId checks it).
    const uint16_t base = GetItemBaseMediaId(kRecordCategory, number);
    if (base != 0) {
      VString mediaText;
      LoadTextMedia(mediaText, static_cast<uint16_t>(base + 1), true);
      record->SetText(&mediaText);
      record->SetMediaId(static_cast<int16_t>(static_cast<uint16_t>(base + 2)));
    }
    LinkedRecord* added = record.release();
    if (last != nullptr) {
      last->SetNext(added);
    } else {
      first = added;
    }
    last = added;
  }
  InsertAt(first, GetCount());
}

LinkedRecord* LinkedRecordTable::FindRecord(int32_t id) const {
  for (VListElement* element = GetFirst(); element != nullptr; element = element->GetNext()) {
    LinkedRecord* record = static_cast<LinkedRecord*>(element);
    if (record->GetId() == id) return record;
  }
  return nullptr;
}

int32_t LinkedRecordTable::GetLinkedIds(int32_t id, int32_t* out) const {
  const LinkedRecord* record = FindRecord(id);
  return record != nullptr ? record->GetLinkedIds(out) : 0;
}

const VString* LinkedRecordTable::GetRecordText(int32_t id) const {
  const LinkedRecord* record = FindRecord(id);
  return record != nullptr ? record->GetText() : nullptr;
}

int32_t LinkedRecordTable::FindRecordsLinkingTo(int32_t id, int32_t* out, int32_t capacity) const {
  int32_t found = 0;
  for (VListElement* element = GetFirst(); element != nullptr; element = element->GetNext()) {
    const LinkedRecord* record = static_cast<const LinkedRecord*>(element);
    int32_t ids[LinkedRecord::kMaxLinkedIds];
    const int32_t count = record->GetLinkedIds(ids);
    for (int32_t i = 0; i < count; ++i) {
      if (ids[i] != id) continue;
      if (found >= capacity) return found;
      out[found++] = record->GetId();
    }
  }
  return found;
}
