// One picture of the carousel's ring: a scaled picture control that shows
// the hand cursor (107) while its item is selected and clickable.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"

class CarouselSlotControl : public VPictureControl {
 public:
  static constexpr uint16_t kHandCursor = 107;

  CarouselSlotControl(VPicture* picture, VGraphicObject* parent);

  void SetHandCursor(bool hand) { hand_ = hand; }
  bool HasHandCursor() const { return hand_; }
  bool UpdateCursor(const VMouseEvent& event) override;

 private:
  bool hand_ = false;
};
