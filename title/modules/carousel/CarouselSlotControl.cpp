#include "title/modules/carousel/CarouselSlotControl.h"

CarouselSlotControl::CarouselSlotControl(VPicture* picture, VGraphicObject* parent)
    : VPictureControl(0, picture, 0, 0, 0, 0, 0, parent) {}

bool CarouselSlotControl::UpdateCursor(const VMouseEvent& event) {
  SetCursorId(hand_ ? kHandCursor : 0);
  return VPictureControl::UpdateCursor(event);
}
