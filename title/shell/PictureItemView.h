// The view a picture item of a channel sequence shows its picture in: a
// picture control, child of the control that shows the sequence, that tells
// its item when it is deleted. A tree of controls is deleted from its leaves
// up, so the views go before the player they belong to; the item then no
// longer holds a view that is gone.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"

class PictureItem;

class PictureItemView : public VPictureControl {
 public:
  PictureItemView(PictureItem& item, int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer,
                  int32_t width, int32_t height, VGraphicObject* parent);
  ~PictureItemView() override;
  PictureItemView(const PictureItemView&) = delete;
  PictureItemView& operator=(const PictureItemView&) = delete;

 private:
  PictureItem& item_;
};
