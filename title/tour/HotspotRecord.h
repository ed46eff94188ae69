// One hotspot of a bubble: the item it names (ID), its caption text (the TEXT
// medium base + 6 + the ID's number), the rectangle that the pointer hits
// (HITRECT, radians: yaw left to right, pitch top to bottom with 0 at the
// horizon) and the item it leads to (INFO).
#pragma once

#include <cstdint>

#include "engine/core/VFRect.h"
#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"

class HotspotRecord {
 public:
  // The text of the hotspot whose ID has number n is medium base + this + n.
  static constexpr int32_t kTextOffset = 6;

  HotspotRecord() = default;

  // Reads the fields of a HOTSPOT block at the tokenizer's current token:
  // ID, HITRECT, INFO, each optional but in that order. The text comes from
  // the bubble's base id `bubbleBase` (none for base 0, an ID that is not a
  // valid item reference, or an id past 65535). False when the hit rectangle
  // holds a number that is not finite: such a hotspot cannot be placed.
  bool Load(uint16_t bubbleBase);

  const ItemRef& GetId() const { return id_; }
  const VString& GetText() const { return text_; }
  const VFRect& GetHitRect() const { return hitRect_; }
  const ItemRef& GetInfoItem() const { return infoItem_; }

  // The visit flag of the hotspot's ID in the visit history.
  bool IsVisited() const;
  bool MarkVisited() const;

 private:
  ItemRef id_;
  VString text_;
  VFRect hitRect_;
  ItemRef infoItem_;
};
