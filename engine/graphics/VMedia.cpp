#include "engine/graphics/VMedia.h"

void VMedia::Purge() {
  if (purgeable_ && reloadable_) Unload();
}
