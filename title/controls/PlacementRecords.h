// Layout states of a screen's controls: for each control, where it should go
// and which of its values should change (a placement record); lists of them,
// one per layout state; and transitions between two lists with a duration.
// A screen's animation routine moves the listed controls to a list's values
// with the value network.
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"

class VGraphicObject;

class PlacementRecord : public VListElement {
 public:
  enum Flags : int32_t { kFirstPair = 1, kSecondPair = 2, kSingleValue = 4 };

  // first pair = (a, b) with flag 1; second pair = (whole part of c, d),
  // where with flag 2 a c or d of -1.0 stands for the first pair's value;
  // single value = a when the flags are exactly 4. The shown and enabled
  // flags are read from the control (null: neither, id 0).
  PlacementRecord(VGraphicObject* control, int32_t flags, double a, double b, double c, double d);

  int32_t controlId = 0;
  int32_t flags = 0;
  double first[2] = {0, 0};
  int32_t secondWhole = 0;
  double secondValue = 0;
  double single = 0;
  bool shown = false;
  bool enabled = false;
};

// The records of one layout state; itself an element of a screen's list of
// states. Owns its records.
class PlacementList : public VLinkedList, public VListElement {
 public:
  // A record for a control already listed gives that record the parts its
  // flags name (and adds the flags) and is deleted; any other is appended.
  // Takes the record.
  void AddOrMerge(PlacementRecord* record);
  PlacementRecord* Find(int32_t controlId) const;
  PlacementRecord* GetFirstRecord() const { return static_cast<PlacementRecord*>(GetFirst()); }
};

// From one list to another over a duration. The lists are not owned.
class PlacementTransition : public VListElement {
 public:
  PlacementTransition(PlacementList* from, PlacementList* to, int32_t duration)
      : from(from), to(to), duration(duration) {}
  PlacementList* from;
  PlacementList* to;
  int32_t duration;
};

// The transitions of a screen under an id; owns them.
class PlacementTransitionList : public VLinkedList {
 public:
  explicit PlacementTransitionList(int32_t id) : id_(id) {}
  void Add(PlacementTransition* transition) { Append(transition); }
  int32_t GetId() const { return id_; }

 private:
  int32_t id_;
};
