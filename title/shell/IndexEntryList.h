// The house index: the places the user can reach, read from a TEXT medium
// (10007 in the title) of records
//
//   position bubble mask-value frame CODE "title"
//
// (position counted from 1, the four numbers separated by any blanks or line
// ends, a five-character item code that is not used, a quoted title). Each
// entry takes its title and item from its bubble (BU + number) where the
// bubble has them, else the quoted title and the item VI000. Lookups walk the
// entries in file order and answer with the first match; absent keys give -1,
// the empty item reference or no title.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"
#include "engine/script/ItemRef.h"

class IndexEntry;
class VString;
class VTextFile;

class IndexEntryList : public VLinkedList {
 public:
  static constexpr uint16_t kIndexMediaId = 10007;
  // The item of a place whose bubble names none.
  static constexpr const char* kNoItemCode = "VI000";

  // An empty list, then Load(mediaId).
  explicit IndexEntryList(uint16_t mediaId);

  // Appends one entry per complete record of the medium. False (nothing
  // added) when no archive holds the medium or it does not open.
  bool Load(uint16_t mediaId);
  // Reads records from the file's position up to `size` bytes from its start.
  // Reading stops at the end, at a record cut short (a number, the code or
  // the closing quote missing) or at a number without digits; a record with
  // an empty title or a bubble number outside 0..999 gives no entry.
  void ReadRecords(VTextFile& file, int64_t size);
  bool IsLoaded() const { return loaded_; }

  IndexEntry* FindByPosition(int32_t position) const;
  IndexEntry* FindByMaskValue(int32_t maskValue) const;
  IndexEntry* FindByBubble(int32_t bubbleNumber) const;
  IndexEntry* FindByFrame(int32_t frame) const;

  int32_t GetFrameAt(int32_t position) const;
  int32_t GetMaskValueAt(int32_t position) const;
  int32_t GetBubbleNumberAt(int32_t position) const;
  ItemRef GetItemAt(int32_t position) const;
  const VString* GetTitleAt(int32_t position) const;
  int32_t GetBubbleNumberForMask(int32_t maskValue) const;
  int32_t GetPositionForMask(int32_t maskValue) const;
  int32_t GetMaskValueForBubble(int32_t bubbleNumber) const;
  int32_t GetFrameForBubble(int32_t bubbleNumber) const;
  const VString* GetTitleForBubble(int32_t bubbleNumber) const;

 private:
  bool loaded_ = false;
};
