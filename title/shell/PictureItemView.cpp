#include "title/shell/PictureItemView.h"

#include "title/shell/PictureItem.h"

PictureItemView::PictureItemView(PictureItem& item, int32_t id, VPicture* picture, int32_t left, int32_t top,
                                 int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, picture, left, top, layer, width, height, parent), item_(item) {}

PictureItemView::~PictureItemView() { item_.ForgetView(this); }
