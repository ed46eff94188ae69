// What a photo hotspot frame needs of the photo item it shows: the photo's
// own text, the caption of each hotspot region and the hotspot table. The
// content modules' photo items implement it.
#pragma once

#include <cstdint>

class HotspotTable;
class VString;

class HotspotPhoto {
 public:
  virtual ~HotspotPhoto() = default;
  // The photo's text (its caption without a hotspot).
  virtual void GetText(VString& out) const = 0;
  // The caption of the hotspot with the region value; empty when it has none.
  virtual void GetRegionCaption(int32_t region, VString& out) const = 0;
  // The photo's hotspots, owned by the item; null when it has none.
  virtual const HotspotTable* GetHotspots() const = 0;
};
