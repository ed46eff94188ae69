#include "platform/PointerWarp.h"

namespace platform {
namespace {
PointerWarpBackend* gBackend = nullptr;
}  // namespace

PointerWarpBackend* SetPointerWarpBackend(PointerWarpBackend* backend) {
  PointerWarpBackend* previous = gBackend;
  gBackend = backend;
  return previous;
}

bool WarpPointer(int32_t screenX, int32_t screenY) {
  return gBackend != nullptr && gBackend->WarpPointer(screenX, screenY);
}

void SetPointerGrab(bool grab) {
  if (gBackend != nullptr) gBackend->SetPointerGrab(grab);
}

}  // namespace platform
