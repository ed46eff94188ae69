#include "engine/graphics/VMedia.h"

void VMedia::Release() {
  if (--referenceCount_ > 0) return;
  Unload();
  delete this;
}

void VMedia::Purge() {
  if (purgeable_ && reloadable_) Unload();
}
