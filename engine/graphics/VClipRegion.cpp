#include "engine/graphics/VClipRegion.h"

#include "engine/graphics/DrawPort.h"
#include "platform/DeviceContext.h"

VClipRegion::VClipRegion(DrawPort* port, const VRect& rect) : port_(port) {
  if (port_ == nullptr) return;
  VRect r = rect;
  if (port_->IsPrinting()) {
    const int64_t dpiX = port_->GetResolutionX();
    const int64_t dpiY = port_->GetResolutionY();
    r = VRect(static_cast<int32_t>(rect.left * dpiX / 72), static_cast<int32_t>(rect.top * dpiY / 72),
              static_cast<int32_t>(rect.right * dpiX / 72), static_cast<int32_t>(rect.bottom * dpiY / 72));
  }
  platform::DeviceContext* dc = port_->GetDC();
  if (dc == nullptr) return;
  platform::Rect box;
  if (dc->GetClipBox(box)) {
    savedClipBox_ = VRect(box.left, box.top, box.right, box.bottom);
    restore_ = 1;
  }
  const platform::Rect clip{r.left, r.top, r.right, r.bottom};
  dc->SetClipRect(&clip);
}

VClipRegion::~VClipRegion() {
  if (restore_ == 0 || port_ == nullptr || port_->GetDC() == nullptr) return;
  const platform::Rect box{savedClipBox_.left, savedClipBox_.top, savedClipBox_.right, savedClipBox_.bottom};
  port_->GetDC()->SetClipRect(&box);
}
