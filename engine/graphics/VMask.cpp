#include "engine/graphics/VMask.h"

#include "engine/graphics/PixelMap.h"

VMask::VMask(PixelMap* plane) : plane_(plane) {
  if (plane_) {
    bounds_ = plane_->GetBounds();
    plane_->Lock();  // the plane stays addressable for the mask's life
  }
  loaded_ = 1;
}

VMask::~VMask() {
  if (plane_) plane_->Unlock();
  delete plane_;
}
