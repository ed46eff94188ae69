// What the tour view needs of the detail-photo pop-up it opens over the
// panorama: a control (a child of the view) that appears and disappears on
// request and reports 95 to its owner once it is hidden.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class TourPopup : public VControl {
 public:
  static constexpr uint32_t kMessageHidden = 95;

  using VControl::VControl;
  virtual void Show() = 0;
  // Hides the pop-up; when it has gone it sends 95 up its event tree.
  virtual void Hide() = 0;
};
