#include "title/modules/carousel/IndexEntryList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ScriptLexer.h"
#include "title/tour/BubbleRecord.h"

namespace {

// Reads the records of the index text one field at a time; every read fails
// at the end of the text, which ends the records.
class IndexReader {
 public:
  explicit IndexReader(const std::string& text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }

  // Skips to the first digit; negative when the last non-blank character
  // before it is '-'. Numbers beyond the 32-bit range stay at its end (they
  // name nothing).
  bool ReadLong(int32_t& out) {
    char lastNonBlank = 0;
    while (pos_ < text_.size() && (text_[pos_] < '0' || text_[pos_] > '9')) {
      if (text_[pos_] != ' ' && text_[pos_] != '\t') lastNonBlank = text_[pos_];
      ++pos_;
    }
    if (pos_ >= text_.size()) return false;
    int64_t value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = std::min<int64_t>(value * 10 + (text_[pos_] - '0'), INT32_MAX);
      ++pos_;
    }
    out = static_cast<int32_t>(lastNonBlank == '-' ? -value : value);
    return true;
  }

  // Five characters that are neither blanks nor TABs.
  bool ReadCode(std::string& out) {
    out.clear();
    while (out.size() < 5) {
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_++];
      if (c != ' ' && c != '\t') out.push_back(c);
    }
    return true;
  }

  // From the next double quote to the closing one; a doubled quote stands
  // for one. False without a closed string.
  bool ReadString(std::string& out) {
    out.clear();
    while (pos_ < text_.size() && text_[pos_] != '"') ++pos_;
    if (pos_ >= text_.size()) return false;
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c != '"') {
        out.push_back(c);
      } else if (pos_ < text_.size() && text_[pos_] == '"') {
        out.push_back('"');
        ++pos_;
      } else {
        return true;
      }
    }
    return false;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

}  // namespace

bool IndexEntryList::Load(uint16_t mediaId) {
  VString text;
  if (!LoadTextMedia(text, mediaId, false)) return false;
  Parse(text.GetChars() != nullptr ? std::string(text.GetChars(), static_cast<size_t>(text.GetLength())) : "");
  return loaded_ = true;
}

void IndexEntryList::Parse(const std::string& text) {
  IndexReader reader(text);
  while (!reader.AtEnd()) {
    IndexEntry entry;
    std::string code;
    if (!reader.ReadLong(entry.position) || !reader.ReadLong(entry.bubbleNumber) ||
        !reader.ReadLong(entry.maskValue) || !reader.ReadLong(entry.frame) || !reader.ReadCode(code) ||
        !reader.ReadString(entry.title)) {
      return;
    }
    if (entry.title.empty()) continue;
    entry.position -= 1;
    entry.item.ParseItemRef(VString("VI000"));
    // Only a valid bubble number names a bubble; others keep the record's title.
    const ItemRef bubble(FindCategoryCode("BU"), entry.bubbleNumber);
    if (bubble.IsItemRefValid()) {
      BubbleRecord record(bubble);
      if (record.GetBaseMediaId() != 0) {
        if (record.GetInfoItem().IsItemRefValid() && record.GetInfoItem().GetCategory() != 0) {
          entry.item = record.GetInfoItem();
        }
        const VString& title = record.GetText();
        if (title.GetLength() > 0 && title.GetChars() != nullptr) {
          entry.title.assign(title.GetChars(), static_cast<size_t>(title.GetLength()));
        }
      }
    }
    entries_.push_back(std::move(entry));
  }
}

const IndexEntry* IndexEntryList::GetAt(int32_t index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &entries_[static_cast<size_t>(index)];
}

namespace {

template <typename Match>
const IndexEntry* FindFirst(const std::vector<IndexEntry>& entries, Match match) {
  for (const IndexEntry& entry : entries) {
    if (match(entry)) return &entry;
  }
  return nullptr;
}

}  // namespace

const IndexEntry* IndexEntryList::FindByPosition(int32_t position) const {
  return FindFirst(entries_, [position](const IndexEntry& e) { return e.position == position; });
}
const IndexEntry* IndexEntryList::FindByMaskValue(int32_t maskValue) const {
  return FindFirst(entries_, [maskValue](const IndexEntry& e) { return e.maskValue == maskValue; });
}
const IndexEntry* IndexEntryList::FindByBubble(int32_t bubbleNumber) const {
  return FindFirst(entries_, [bubbleNumber](const IndexEntry& e) { return e.bubbleNumber == bubbleNumber; });
}
const IndexEntry* IndexEntryList::FindByFrame(int32_t frame) const {
  return FindFirst(entries_, [frame](const IndexEntry& e) { return e.frame == frame; });
}

int32_t IndexEntryList::GetBubbleNumberAt(int32_t position) const {
  const IndexEntry* e = FindByPosition(position);
  return e != nullptr ? e->bubbleNumber : -1;
}
int32_t IndexEntryList::GetFrameAt(int32_t position) const {
  const IndexEntry* e = FindByPosition(position);
  return e != nullptr ? e->frame : -1;
}
int32_t IndexEntryList::GetMaskValueAt(int32_t position) const {
  const IndexEntry* e = FindByPosition(position);
  return e != nullptr ? e->maskValue : -1;
}
ItemRef IndexEntryList::GetItemAt(int32_t position) const {
  const IndexEntry* e = FindByPosition(position);
  return e != nullptr ? e->item : ItemRef();
}
std::string IndexEntryList::GetTitleAt(int32_t position) const {
  const IndexEntry* e = FindByPosition(position);
  return e != nullptr ? e->title : std::string();
}
int32_t IndexEntryList::GetBubbleNumberForMask(int32_t maskValue) const {
  const IndexEntry* e = FindByMaskValue(maskValue);
  return e != nullptr ? e->bubbleNumber : -1;
}
int32_t IndexEntryList::GetPositionForMask(int32_t maskValue) const {
  const IndexEntry* e = FindByMaskValue(maskValue);
  return e != nullptr ? e->position : -1;
}
int32_t IndexEntryList::GetMaskValueForBubble(int32_t bubbleNumber) const {
  const IndexEntry* e = FindByBubble(bubbleNumber);
  return e != nullptr ? e->maskValue : -1;
}
int32_t IndexEntryList::GetFrameForBubble(int32_t bubbleNumber) const {
  const IndexEntry* e = FindByBubble(bubbleNumber);
  return e != nullptr ? e->frame : -1;
}
std::string IndexEntryList::GetTitleForBubble(int32_t bubbleNumber) const {
  const IndexEntry* e = FindByBubble(bubbleNumber);
  return e != nullptr ? e->title : std::string();
}
