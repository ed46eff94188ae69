#include "title/shell/HoverLinkControl.h"

#include "engine/core/VEvent.h"

bool HoverLinkControl::MouseMove(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!ContainsPoint(event.GetPoint())) {
    if (overLink_) {
      overLink_ = false;
      SendControlEvent(*this, kEventLeft);
      if (!watch.Alive()) return false;
    }
  } else if (VTextBox* root = GetRootBox()) {
    const bool was = IsHoverActive();
    const VPoint p = ToTextPoint(event.GetPoint());
    root->HitTest(p.x, p.y, false, true, nullptr, nullptr, nullptr);
    if (!was && IsHoverActive()) {
      overLink_ = true;
      SendControlEvent(*this, kEventOntoLink);
      if (!watch.Alive()) return true;
    }
  }
  return VHTMLTextControl::MouseMove(event);
}
