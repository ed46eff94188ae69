#include "title/shell/HoverLinkControl.h"

#include "engine/core/VEvent.h"

bool HoverLinkControl::MouseMove(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  const bool inside = ContainsPoint(event.GetPoint());
  if (!inside) {
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
  const bool taken = VHTMLTextControl::MouseMove(event);
  // Only a move over the link itself is taken: elsewhere (outside, or over
  // the control's empty area, which may cover other controls of the strip)
  // it is left to the controls under it.
  return inside && taken && IsHoverActive();
}
