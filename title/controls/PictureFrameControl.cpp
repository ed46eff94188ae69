#include "title/controls/PictureFrameControl.h"

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureControl.h"

PictureFrameControl::PictureFrameControl(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent) {
  VGraphicObject* previous = SetCurrentParent(this);
  VGraphicObject::Hide(false);
  if (pictureId != 0) new VPictureControl(kPictureChildId, pictureId, 0, 0, 0, 0, 0, CurrentParentMarker());
  SetTransparent(true);
  SetCurrentParent(previous);
}

PictureFrameControl::~PictureFrameControl() = default;

void PictureFrameControl::ShowChild(int32_t id, bool visible, bool redraw) {
  if (VGraphicObject* object = FindObject(id)) object->SetVisible(visible, redraw);
}

void PictureFrameControl::Show() {
  SetVisible(true, true);
  SendControlEvent(*this, kOwnerShown);
}

void PictureFrameControl::Hide() {
  SetVisible(false, true);
  SendControlEvent(*this, kOwnerHidden);
}
