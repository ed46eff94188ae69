#include "platform/X11EventTime.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform::internal {

bool X11InputEventTime(const void* sysWmMessage, uint32_t* serverMilliseconds) {
#if defined(SDL_VIDEO_DRIVER_X11)
  const auto* msg = static_cast<const SDL_SysWMmsg*>(sysWmMessage);
  if (msg == nullptr || msg->subsystem != SDL_SYSWM_X11) {
    return false;
  }
  const XEvent& e = msg->msg.x11.event;
  switch (e.type) {
    case KeyPress:
    case KeyRelease:
      *serverMilliseconds = static_cast<uint32_t>(e.xkey.time);
      return true;
    case ButtonPress:
    case ButtonRelease:
      *serverMilliseconds = static_cast<uint32_t>(e.xbutton.time);
      return true;
    case MotionNotify:
      *serverMilliseconds = static_cast<uint32_t>(e.xmotion.time);
      return true;
    default:
      return false;
  }
#else
  (void)sysWmMessage;
  (void)serverMilliseconds;
  return false;
#endif
}

}  // namespace platform::internal
