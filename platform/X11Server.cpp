#include "platform/X11Server.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform::internal {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
::Display* X11DisplayOf(SDL_Window* window) {
  if (window == nullptr) {
    return nullptr;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return nullptr;
  }
  return info.info.x11.display;
}

// The window that the given window's property names, or 0.
::Window NamedWindow(::Display* display, ::Window of, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  ::Window named = 0;
  if (XGetWindowProperty(display, of, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    if (type == XA_WINDOW && format == 32 && count == 1) {
      named = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
    }
  }
  if (data != nullptr) {
    XFree(data);
  }
  return named;
}
#endif

}  // namespace

std::optional<bool> X11ServerRendersDirect(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  ::Display* display = X11DisplayOf(window);
  if (display == nullptr) {
    return std::nullopt;
  }
  for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (XQueryExtension(display, extension, &opcode, &event, &error)) {
      return true;
    }
  }
  return false;
#else
  (void)window;
  return std::nullopt;
#endif
}

std::optional<bool> X11WindowManagerRunning(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  ::Display* display = X11DisplayOf(window);
  if (display == nullptr) {
    return std::nullopt;
  }
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  // A check window left behind by a manager that is gone answers with an
  // error (logged by the program's handler) and no property: no manager.
  const ::Window named = NamedWindow(display, DefaultRootWindow(display), check);
  return named != 0 && NamedWindow(display, named, check) == named;
#else
  (void)window;
  return std::nullopt;
#endif
}

}  // namespace platform::internal
