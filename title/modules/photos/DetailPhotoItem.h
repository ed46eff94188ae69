// A detail photograph (category DF, category table 4), shown over the tour.
// The caption of hotspot region i (1 to the number of hotspots) is the
// TEXT medium B + 4 + i.
#pragma once

#include <cstdint>

#include "title/modules/photos/PhotoItem.h"

class DetailPhotoItem : public PhotoItem {
 public:
  static constexpr int32_t kTable = 4;

  // Load(item).
  explicit DetailPhotoItem(const ItemRef& item);

  bool Load(const ItemRef& item) override;
  // Empty outside 1 to the number of hotspots.
  void GetHotspotText(VString& out, int32_t maskIndex) const override;
};
