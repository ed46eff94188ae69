// The pointer-warp backend of the window layer: moves the pointer inside the
// native window that holds the screen point, and grabs the pointer in the
// window while asked. Where the system does not let a program move the
// pointer (Wayland), the grab switches to relative mouse motion instead:
// the pointer is hidden and held, moves arrive as steps from the position
// the last warp set, and a warp only sets that position.
#pragma once

#include <cstdint>

#include "platform/PointerWarp.h"

namespace platform {

class SdlPointerWarp : public PointerWarpBackend {
 public:
  bool WarpPointer(int32_t screenX, int32_t screenY) override;
  void SetPointerGrab(bool grab) override;
  // Whether the video driver lets a program move the pointer.
  static bool CanWarp();

 private:
  bool grabbed_ = false;
  bool relative_ = false;
};

}  // namespace platform
