#include "engine/graphics/DisplaySurfaceOption.h"

namespace {
int32_t gDisplaySurfaceOption = 0;
}  // namespace

int32_t SetDisplaySurfaceOption(int32_t value) {
  const int32_t previous = gDisplaySurfaceOption;
  gDisplaySurfaceOption = value;
  return previous;
}

int32_t GetDisplaySurfaceOption() { return gDisplaySurfaceOption; }
