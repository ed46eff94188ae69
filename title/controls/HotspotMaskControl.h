// A photograph with hotspots: a mask control whose mask flags are set so that
// only regions listed in a hotspot table react to the pointer; the pointing
// hand shows over them, and the item under the pointer can be asked for. A
// right-button press tells the owner (message 135). Moves over the main
// interface controls that lie above the photo go to those controls.
//
// Ownership: the table is borrowed (the photo item owns it) and may be null;
// it must outlive the control or be replaced.
#pragma once

#include <cstdint>

#include "engine/controls/VMaskControl.h"
#include "engine/script/ItemRef.h"

class HotspotTable;

class HotspotMaskControl : public VMaskControl {
 public:
  static constexpr uint32_t kMessageRightButton = 135;

  HotspotMaskControl(int32_t id, const HotspotTable* table, uint16_t pictureId, uint16_t maskPictureId,
                     uint16_t maskId, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                     VGraphicObject* parent);
  // Existing pictures and mask (references added; any may be null).
  HotspotMaskControl(int32_t id, const HotspotTable* table, VPicture* picture, VPicture* maskPicture, VMask* mask,
                     int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                     VGraphicObject* parent);

  // The item of the region under the pointer; null without a table or a
  // region, or when the region has no entry. Owned by the table.
  const ItemRef* GetCurrentItemRef() const;
  const HotspotTable* GetTable() const { return table_; }

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

 private:
  void SetUpMaskFlags();

  const HotspotTable* table_;
};
