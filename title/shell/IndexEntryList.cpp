#include "title/shell/IndexEntryList.h"

#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "title/shell/IndexEntry.h"
#include "title/tour/BubbleRecord.h"

namespace {

constexpr int32_t kCodeLength = 5;

// The next five characters that are neither a blank nor a TAB; false when
// the data ends first.
bool ReadItemCode(VTextFile& file) {
  int32_t collected = 0;
  char c = 0;
  while (collected < kCodeLength) {
    if (file.Read(&c, 1) != 1) return false;
    if (c != ' ' && c != '\t') ++collected;
  }
  return true;
}

// The quoted title; false when no quote opens or the data ends before the
// closing quote.
bool ReadTitle(VTextFile& file, VString& title) {
  file.ReadString(title);
  const int64_t after = file.GetPosition();
  if (after <= 0) return false;
  file.Seek(-1, false);
  char last = 0;
  const bool closed = file.Read(&last, 1) == 1 && last == '"';
  file.Seek(after, true);
  return closed;
}

// The bubble's text (empty when it has none) and item (VI000 where the
// bubble names none).
void ReadBubble(int32_t bubbleNumber, VString& text, ItemRef& item) {
  ItemRef bubble(kBubbleCategory, bubbleNumber);
  BubbleRecord record(bubble);
  text = record.GetText();
  item = record.GetInfoItem();
  if (!item.IsItemRefValid() || record.GetBaseMediaId() == 0) item.ParseItemRef(VString(IndexEntryList::kNoItemCode));
}

}  // namespace

IndexEntryList::IndexEntryList(uint16_t mediaId) { Load(mediaId); }

bool IndexEntryList::Load(uint16_t mediaId) {
  loaded_ = false;
  VTextFile file(nullptr);
  int64_t size = 0;
  if (!OpenTextMedium(mediaId, file, size)) return false;
  ReadRecords(file, size);
  file.Close();
  loaded_ = true;
  return true;
}

void IndexEntryList::ReadRecords(VTextFile& file, int64_t size) {
  // A bubble's title and item are read once however many records name it.
  struct BubbleRead {
    bool read = false;
    VString text;
    ItemRef item;
  };
  std::vector<BubbleRead> bubbles(static_cast<size_t>(ItemRef::kMaxNumber) + 1);
  // The new entries are chained here and linked to the list at the end in
  // one step: appending one by one walks the whole list each time.
  VListElement* first = nullptr;
  VListElement* last = nullptr;
  while (file.GetPosition() >= 0 && file.GetPosition() < size) {
    int32_t position = 0, bubbleNumber = 0, maskValue = 0, frame = 0;
    if (file.ReadLong(position) == 0 || file.ReadLong(bubbleNumber) == 0 || file.ReadLong(maskValue) == 0 ||
        file.ReadLong(frame) == 0) {
      break;
    }
    if (!ReadItemCode(file)) break;
    VString quoted;
    if (!ReadTitle(file, quoted)) break;
    if (quoted.GetLength() == 0) continue;
    // A bubble number names a place only within 0..999 (the item numbers).
    if (bubbleNumber < 0 || bubbleNumber > ItemRef::kMaxNumber) continue;
    BubbleRead& bubble = bubbles[static_cast<size_t>(bubbleNumber)];
    if (!bubble.read) {
      ReadBubble(bubbleNumber, bubble.text, bubble.item);
      bubble.read = true;
    }
    const ItemRef item = bubble.item;
    const VString title = bubble.text.GetLength() != 0 ? bubble.text : quoted;
    auto* entry = new IndexEntry;
    // Positions are written from 1; the subtraction wraps rather than overflow.
    entry->Set(static_cast<int32_t>(static_cast<uint32_t>(position) - 1u), bubbleNumber, frame, maskValue, item,
               &title);
    if (last != nullptr) {
      last->SetNext(entry);
    } else {
      first = entry;
    }
    last = entry;
  }
  InsertAt(first, GetCount());
}

namespace {

template <typename Match>
IndexEntry* FindFirst(const VLinkedList& list, Match match) {
  for (VListElement* element = list.GetFirst(); element != nullptr; element = element->GetNext()) {
    auto* entry = static_cast<IndexEntry*>(element);
    if (match(*entry)) return entry;
  }
  return nullptr;
}

}  // namespace

IndexEntry* IndexEntryList::FindByPosition(int32_t position) const {
  return FindFirst(*this, [position](const IndexEntry& e) { return e.GetPosition() == position; });
}

IndexEntry* IndexEntryList::FindByMaskValue(int32_t maskValue) const {
  return FindFirst(*this, [maskValue](const IndexEntry& e) { return e.GetMaskValue() == maskValue; });
}

IndexEntry* IndexEntryList::FindByBubble(int32_t bubbleNumber) const {
  return FindFirst(*this, [bubbleNumber](const IndexEntry& e) { return e.GetBubbleNumber() == bubbleNumber; });
}

IndexEntry* IndexEntryList::FindByFrame(int32_t frame) const {
  return FindFirst(*this, [frame](const IndexEntry& e) { return e.GetFrame() == frame; });
}

int32_t IndexEntryList::GetFrameAt(int32_t position) const {
  const IndexEntry* entry = FindByPosition(position);
  return entry != nullptr ? entry->GetFrame() : -1;
}

int32_t IndexEntryList::GetMaskValueAt(int32_t position) const {
  const IndexEntry* entry = FindByPosition(position);
  return entry != nullptr ? entry->GetMaskValue() : -1;
}

int32_t IndexEntryList::GetBubbleNumberAt(int32_t position) const {
  const IndexEntry* entry = FindByPosition(position);
  return entry != nullptr ? entry->GetBubbleNumber() : -1;
}

ItemRef IndexEntryList::GetItemAt(int32_t position) const {
  const IndexEntry* entry = FindByPosition(position);
  return entry != nullptr ? entry->GetItem() : ItemRef();
}

const VString* IndexEntryList::GetTitleAt(int32_t position) const {
  const IndexEntry* entry = FindByPosition(position);
  return entry != nullptr ? entry->GetTitle() : nullptr;
}

int32_t IndexEntryList::GetBubbleNumberForMask(int32_t maskValue) const {
  const IndexEntry* entry = FindByMaskValue(maskValue);
  return entry != nullptr ? entry->GetBubbleNumber() : -1;
}

int32_t IndexEntryList::GetPositionForMask(int32_t maskValue) const {
  const IndexEntry* entry = FindByMaskValue(maskValue);
  return entry != nullptr ? entry->GetPosition() : -1;
}

int32_t IndexEntryList::GetMaskValueForBubble(int32_t bubbleNumber) const {
  const IndexEntry* entry = FindByBubble(bubbleNumber);
  return entry != nullptr ? entry->GetMaskValue() : -1;
}

int32_t IndexEntryList::GetFrameForBubble(int32_t bubbleNumber) const {
  const IndexEntry* entry = FindByBubble(bubbleNumber);
  return entry != nullptr ? entry->GetFrame() : -1;
}

const VString* IndexEntryList::GetTitleForBubble(int32_t bubbleNumber) const {
  const IndexEntry* entry = FindByBubble(bubbleNumber);
  return entry != nullptr ? entry->GetTitle() : nullptr;
}
