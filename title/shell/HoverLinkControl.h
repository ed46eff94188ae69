// The strip's link text: an HTML text control that also tells its parent
// when the pointer comes onto a link (event 100) and when it leaves the
// control (event 101), both with the control's id, so that the strip can
// light up the button the link points at.
#pragma once

#include <cstdint>

#include "engine/controls/VHTMLTextControl.h"

class HoverLinkControl : public VHTMLTextControl {
 public:
  static constexpr uint32_t kEventOntoLink = 100;
  static constexpr uint32_t kEventLeft = 101;

  using VHTMLTextControl::VHTMLTextControl;

  bool MouseMove(const VMouseEvent& event) override;
  bool IsOverLink() const { return overLink_; }

 private:
  bool overLink_ = false;
};
