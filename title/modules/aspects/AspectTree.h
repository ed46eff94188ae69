// The aspect tree of the aspects module: the top-level aspects listed by the
// root script (TEXT medium of entry 0 of category table 10) and, below each,
// the aspects their scripts name (AspectRecord).
//
//   ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS002 ... } }
//
// An entry 0 of 0 (or -1) gives an empty tree and reads nothing.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"
#include "title/modules/aspects/AspectRecord.h"

class VString;

class AspectTree {
 public:
  // Empties the tree and loads it through `source` (the language archive by
  // default).
  void Load(const AspectTextSource& source = AspectRecord::LoadText);
  // Reads a root script into the top-level list (records with a null owner
  // list, at most AspectRecord::kMaxChildren), appended to what it holds.
  void ReadRootScript(const VString& text, AspectLoadBudget& budget);

  VLinkedList& GetTopLevel() { return topLevel_; }
  const VLinkedList& GetTopLevel() const { return topLevel_; }
  int32_t GetCount() const { return topLevel_.GetCount(); }
  // The top-level aspect at the index, or null.
  AspectRecord* GetAt(int32_t index) const { return static_cast<AspectRecord*>(topLevel_.GetAt(index)); }

 private:
  VLinkedList topLevel_;
};
