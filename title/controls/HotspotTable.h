// The hotspots of a photograph: a list that ties 8-bit region values of the
// photo's mask picture to content items, read from the HOTSPOTS block of the
// photo item's text:
//   HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } ... }
// Keywords are matched without case; an empty block is allowed.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"
#include "engine/script/ItemRef.h"

class VString;

class HotspotEntry : public VListElement {
 public:
  HotspotEntry(const ItemRef& item, int32_t maskIndex) : item_(item), maskIndex_(maskIndex) {}
  const ItemRef& GetItemRef() const { return item_; }
  int32_t GetMaskIndex() const { return maskIndex_; }

 private:
  ItemRef item_;
  int32_t maskIndex_;
};

class HotspotTable : public VLinkedList {
 public:
  // More entries than any photograph's mask can use (256 values); a block
  // with more is refused at this point.
  static constexpr int32_t kMaxEntries = 4096;

  // Reads the block at the script tokenizer's current token and appends its
  // entries in file order. True when the block and every entry were well
  // formed and the block was closed; on a malformed entry reading stops
  // there (the entries before it stay) and the result is false.
  bool Load();
  // The same over a text of its own (BeginScript on it first).
  bool LoadFromText(const VString& text);

  // The first entry with the mask index; null for an index below 1 or when
  // none has it. Owned by the table.
  HotspotEntry* FindEntry(int32_t maskIndex) const;
  const ItemRef* FindItemRef(int32_t maskIndex) const;
};
