// One aspect of the tree of themes the aspects module shows: its item
// reference, its title, and either the child aspects it leads to or the
// content item (its INFO item) it opens.
//
// Each aspect is described by two TEXT media of the language archive, found
// through category table 10 (entry n is the media id m of aspect number n):
// TEXT m is its script, TEXT m + 1 its title.
//
//   ASPECT { ID AS010 INFO VI001 }                         a leaf
//   ASPECT { ID AS001 CHILDREN { ASPECTID AS010 ... } }    a node
//
// Reading stops at the first token that does not fit and at the end of the
// text, keeping what it read. A list keeps at most kMaxChildren aspects (the
// rows the screen's list shows); reading stops there. Loading the tree stops below kMaxDepth levels, at an aspect that
// is already one of its own ancestors (a cyclic tree), and once the budget of
// records is spent, so a bad disc gives a smaller tree and never a hang.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"

// Reads TEXT medium `mediaId` into `out`; false when it is missing.
using AspectTextSource = std::function<bool(uint16_t mediaId, VString& out)>;

// What a whole load may still make.
struct AspectLoadBudget {
  int32_t records = 0;
};

class AspectRecord : public VListElement {
 public:
  // The table of the aspect scripts' media ids (by its TEXT media id).
  static constexpr int32_t kAspectTable = 10;
  static constexpr int32_t kMaxChildren = 19;
  static constexpr int32_t kMaxDepth = 8;
  static constexpr int32_t kMaxRecords = 2000;
  static constexpr int32_t kMaxTitleLength = 127;

  // Empty children, empty text, info 0/0. `ownerList` is null for a
  // top-level aspect and the top-level list for every lower one.
  AspectRecord(const ItemRef& id, VLinkedList* ownerList);
  ~AspectRecord() override;
  AspectRecord(const AspectRecord&) = delete;
  AspectRecord& operator=(const AspectRecord&) = delete;

  // Reads the record's script and title through its table entry, makes its
  // children and (with `recursive`) loads them, the last first. `depth` is
  // the record's level (0 at the top), `parent` the record above it (null at
  // the top). An aspect below kMaxDepth levels, or one that is its own
  // ancestor, keeps its title and info but no children.
  void Load(VLinkedList* ownerList, bool recursive, const AspectTextSource& source, AspectLoadBudget& budget,
            int32_t depth = 0, const AspectRecord* parent = nullptr);

  // Reads an aspect script: with an INFO field the record becomes a leaf
  // with that item; otherwise the ASPECTID fields of its CHILDREN block
  // become its children (owner list `ownerList`), at most kMaxChildren and
  // at most `budget.records` of them. An empty CHILDREN block leaves a leaf
  // with info 0/0. Replaces what the record held.
  void ReadScript(const VString& text, VLinkedList* ownerList, AspectLoadBudget& budget);

  // The ASPECTID fields of a list block already opened, up to its "}" (or
  // the first other token, or the end), appended to `list` as records with
  // the owner list; stops once the list holds kMaxChildren or the budget is
  // spent.
  static void ReadAspectIds(VLinkedList& list, VLinkedList* ownerList, AspectLoadBudget& budget);

  // The media id of aspect number n's script (table 10); 0 when none.
  static uint16_t GetScriptMediaId(int32_t number);
  // The default source: LoadTextMedia.
  static bool LoadText(uint16_t mediaId, VString& out);

  const ItemRef& GetId() const { return id_; }
  VLinkedList* GetOwnerList() const { return ownerList_; }
  // The children, or null for a leaf.
  VLinkedList* GetChildren() const { return children_.get(); }
  int32_t GetChildCount() const { return children_ ? children_->GetCount() : 0; }
  // The child at the index, or null.
  AspectRecord* GetChild(int32_t index) const;
  bool IsLeaf() const { return children_ == nullptr; }
  bool IsTopLevel() const { return ownerList_ == nullptr; }
  const VString& GetText() const { return text_; }
  const ItemRef& GetInfo() const { return info_; }

 private:
  // Whether an aspect with this record's number is among `record` and its
  // parents.
  bool IsAmong(const AspectRecord* record) const;

  ItemRef id_;
  VLinkedList* ownerList_;
  std::unique_ptr<VLinkedList> children_;
  VString text_;
  ItemRef info_;
  const AspectRecord* parent_ = nullptr;
};
