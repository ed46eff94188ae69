#include "title/shell/ViewerPanel.h"

#include "engine/controls/VPictureControl.h"
#include "engine/graphics/VPicture.h"

ViewerPanel::ViewerPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                         VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent) {
  VGraphicObject* previous = SetCurrentParent(this);
  new VPictureControl(kFrameId, static_cast<uint16_t>(0), 0, 0, 0, 0, 0, CurrentParentMarker());
  SetCurrentParent(previous);
}

ViewerPanel::~ViewerPanel() {
  if (VGraphicObject* frame = FindObject(kFrameId)) frame->SetVisible(false, false);
}

void ViewerPanel::SetFramePicture(uint16_t mediaId) {
  auto* frame = dynamic_cast<VPictureControl*>(FindObject(kFrameId));
  if (frame == nullptr) return;
  auto* picture = new VPicture(mediaId);
  frame->SetPicture(picture, true);
  picture->Release();
}

void ViewerPanel::SetShown(bool shown) {
  shown_ = shown;
  SetVisible(shown, true);
}
