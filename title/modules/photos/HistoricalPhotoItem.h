// A historical photograph (category HP, category table 5). Besides the media
// of every photo item it has a caption picture (B + 5). A hotspot's caption
// is the title of the bubble it leads to, or the text of the person's record
// in the relations table (TEXT 12102, record number - 1), or "????" when
// neither gives one.
//
// Ownership: the item owns its relations table.
#pragma once

#include <cstdint>
#include <memory>

#include "title/modules/photos/PhotoItem.h"

class LinkedRecordTable;

class HistoricalPhotoItem : public PhotoItem {
 public:
  static constexpr int32_t kTable = 5;
  static constexpr uint16_t kRelationsTextId = 12102;
  static constexpr uint16_t kCaptionPictureOffset = 5;

  // Load(item), then the relations table.
  explicit HistoricalPhotoItem(const ItemRef& item);
  ~HistoricalPhotoItem() override;

  bool Load(const ItemRef& item) override;
  void GetHotspotText(VString& out, int32_t maskIndex) const override;
  // B + 5; 0 when the item has no media.
  uint16_t GetCaptionPictureId() const { return Offset(kCaptionPictureOffset); }

 private:
  std::unique_ptr<LinkedRecordTable> relations_;
};
