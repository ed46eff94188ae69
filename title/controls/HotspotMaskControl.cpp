#include "title/controls/HotspotMaskControl.h"

#include "engine/core/VEvent.h"
#include "engine/graphics/VMask.h"
#include "title/controls/HotspotTable.h"
#include "title/controls/MainScreenServices.h"

namespace {
constexpr uint16_t kCursorHand = 107;
constexpr uint16_t kCursorArrow = 220;
}  // namespace

HotspotMaskControl::HotspotMaskControl(int32_t id, const HotspotTable* table, uint16_t pictureId,
                                       uint16_t maskPictureId, uint16_t maskId, int32_t left, int32_t top,
                                       int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VMaskControl(id, pictureId, maskPictureId, maskId, left, top, layer, width, height, parent), table_(table) {
  SetUpMaskFlags();
  SelectValue(-1);
}

HotspotMaskControl::HotspotMaskControl(int32_t id, const HotspotTable* table, VPicture* picture,
                                       VPicture* maskPicture, VMask* mask, int32_t left, int32_t top,
                                       int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VMaskControl(id, picture, maskPicture, mask, left, top, layer, width, height, parent), table_(table) {
  SetUpMaskFlags();
  SelectValue(-1);
}

void HotspotMaskControl::SetUpMaskFlags() {
  VMask* mask = GetMask();
  if (mask == nullptr) return;
  // Every region shows as normal and does not change under the pointer ...
  for (int32_t v = 0; v < 256; ++v) {
    const auto value = static_cast<uint8_t>(v);
    mask->SetCurrentFlag(value, 1);
    mask->SetNormalFlag(value, 1);
    mask->SetHoverFlag(value, 0);
  }
  // ... except the hotspots, which switch while hovered. Entries outside the
  // mask's values can never be found, so they light nothing either.
  if (table_ != nullptr) {
    for (VListElement* e = table_->GetFirst(); e != nullptr; e = e->GetNext()) {
      const int32_t index = static_cast<const HotspotEntry*>(e)->GetMaskIndex();
      if (index < 1 || index > 255) continue;
      mask->SetNormalFlag(static_cast<uint8_t>(index), 1);
      mask->SetHoverFlag(static_cast<uint8_t>(index), 1);
    }
  }
  mask->SetCurrentFlag(255, 1);
  mask->Release();
}

const ItemRef* HotspotMaskControl::GetCurrentItemRef() const {
  if (table_ == nullptr) return nullptr;
  return table_->FindItemRef(GetCurrentRegion());
}

bool HotspotMaskControl::MouseDown(const VMouseEvent& event) {
  if (event.IsRightButtonDown()) {
    SendControlEvent(*this, kMessageRightButton, static_cast<uint32_t>(GetId()));
    return true;
  }
  return VMaskControl::MouseDown(event);
}

bool HotspotMaskControl::MouseMove(const VMouseEvent& event) {
  if (MainScreenServices* services = GetMainScreenServices()) {
    if (VGraphicObject* panel = services->GetCurrentPanel()) {
      for (const int32_t id : MainScreenServices::kPhotoOverlayControlIds) {
        VGraphicObject* control = panel->FindById(id, false);
        if (control == nullptr) continue;
        VRect total;
        control->GetTotalBounds(total);
        if (!total.ContainsPointInclusive(event.GetPoint())) continue;
        SetCapturedObject(control);
        control->MouseMove(event);
        return true;
      }
    }
  }
  VMaskControl::MouseMove(event);
  return false;
}

bool HotspotMaskControl::UpdateCursor(const VMouseEvent&) {
  SetCursorById(GetCurrentItemRef() != nullptr ? kCursorHand : kCursorArrow);
  return true;
}
