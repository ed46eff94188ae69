// A photograph with hotspot regions, addressed by an item reference: a
// historical photo (HP) or a detail photo (DF). Its record is the TEXT medium
// of its base id B (the low 16 bits of the item's entry in the photo's
// category table; 0 = none):
//
//   B      TEXT  the record: <KEYWORD> { ID <item code> HOTSPOTS { ... } }
//   B + 1        the photograph
//   B + 2        the picture that carries the hotspot mask
//   B + 3        the mask of hotspot regions (8-bit values name the regions)
//   B + 4  TEXT  the item's text
//
// The HOTSPOTS block follows the ID inside the record. A record without one
// takes it from the start of TEXT B + 4 instead; the text is then not a
// caption and the item has none.
//
// Ownership: the item owns its text and its hotspot table.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/controls/HotspotPhoto.h"
#include "title/controls/HotspotTable.h"

class PhotoItem : public HotspotPhoto {
 public:
  // The item reference copied; no text, no hotspots, no media.
  explicit PhotoItem(const ItemRef& item);
  ~PhotoItem() override;
  PhotoItem(const PhotoItem&) = delete;
  PhotoItem& operator=(const PhotoItem&) = delete;

  // The caption of the hotspot with the mask index; see the derived items.
  virtual void GetHotspotText(VString& out, int32_t maskIndex) const = 0;
  // Reads the item of `item`'s number; false when it has no media.
  virtual bool Load(const ItemRef& item) = 0;

  // HotspotPhoto.
  void GetText(VString& out) const override;
  void GetRegionCaption(int32_t region, VString& out) const override { GetHotspotText(out, region); }
  const HotspotTable* GetHotspots() const override { return &hotspots_; }

  // Reads TEXT B + 4 into the item's text (trimmed), then, when the script
  // tokenizer stands on a HOTSPOTS block, that block into the table. True.
  bool LoadHotspots();

  const ItemRef& GetItemRef() const { return item_; }
  const VString& GetItemText() const { return text_; }
  uint16_t GetMediaBase() const { return base_; }
  // B + 1, B + 2, B + 3 in 16 bits; 0 when the item has no media.
  uint16_t GetPictureId() const { return Offset(1); }
  uint16_t GetMaskPictureId() const { return Offset(2); }
  uint16_t GetMaskId() const { return Offset(3); }
  int32_t GetHotspotCount() const { return hotspots_.GetCount(); }

 protected:
  static constexpr uint16_t kTextOffset = 4;

  // B, then the record: the block `keyword` with its ID (taken only when it
  // names a valid item) and its hotspots. False without media.
  bool LoadRecord(const ItemRef& item, int32_t table, const char* keyword);
  uint16_t Offset(uint16_t offset) const { return base_ == 0 ? 0 : static_cast<uint16_t>(base_ + offset); }

  ItemRef item_;
  VString text_;
  HotspotTable hotspots_;
  uint16_t base_ = 0;
  uint8_t flags_ = 0;
};
