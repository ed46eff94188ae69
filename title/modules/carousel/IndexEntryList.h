// The house index: the places the user can reach, read from a TEXT medium
// (the title's is 10007) of records
//   position bubble mask-value frame CODE "title"
// The four numbers may be separated by any characters (everything before a
// number's first digit is skipped; a '-' as the last non-blank character
// before the digits negates it); the code is the next five characters that
// are neither blanks nor TABs and plays no part; the title is the next
// double-quoted string (a doubled quote stands for one). A record with an
// empty title is dropped. Each place's title and item come from its bubble
// where the bubble has them (its info text, its INFO item), else the quoted
// title and "VI000". Lookups walk the entries in file order and take the
// first match.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "title/modules/carousel/IndexEntry.h"

class IndexEntryList {
 public:
  static constexpr uint16_t kIndexMediaId = 10007;

  IndexEntryList() = default;
  // Loads the medium at once.
  explicit IndexEntryList(uint16_t mediaId) { Load(mediaId); }

  // Appends the entries of the medium; false (nothing appended) when the
  // medium cannot be read.
  bool Load(uint16_t mediaId);
  // Appends the entries of the medium's text.
  void Parse(const std::string& text);
  bool IsLoaded() const { return loaded_; }

  int32_t GetCount() const { return static_cast<int32_t>(entries_.size()); }
  // By 0-based list index (not the position field); null outside the list.
  const IndexEntry* GetAt(int32_t index) const;
  const IndexEntry* FindByPosition(int32_t position) const;
  const IndexEntry* FindByMaskValue(int32_t maskValue) const;
  const IndexEntry* FindByBubble(int32_t bubbleNumber) const;
  const IndexEntry* FindByFrame(int32_t frame) const;
  // By position; -1 (or the empty reference, an empty title) when absent.
  int32_t GetBubbleNumberAt(int32_t position) const;
  int32_t GetFrameAt(int32_t position) const;
  int32_t GetMaskValueAt(int32_t position) const;
  ItemRef GetItemAt(int32_t position) const;
  std::string GetTitleAt(int32_t position) const;
  int32_t GetBubbleNumberForMask(int32_t maskValue) const;
  int32_t GetPositionForMask(int32_t maskValue) const;
  int32_t GetMaskValueForBubble(int32_t bubbleNumber) const;
  int32_t GetFrameForBubble(int32_t bubbleNumber) const;
  std::string GetTitleForBubble(int32_t bubbleNumber) const;

 private:
  std::vector<IndexEntry> entries_;
  bool loaded_ = false;
};
