#include "platform/X11Errors.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>

namespace platform::internal {
namespace {

std::atomic<uint32_t> gErrorCount{0};

#if defined(SDL_VIDEO_DRIVER_X11)
int LogX11Error(::Display* display, XErrorEvent* error) {
  const uint32_t count = gErrorCount.fetch_add(1) + 1;
  // The first few are worth a line; a storm of them is not worth a flood.
  if (count <= 8) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error ignored: %s (request %u, resource 0x%lx)\n", text,
                 static_cast<unsigned>(error->request_code), static_cast<unsigned long>(error->resourceid));
  }
  return 0;
}
#endif

}  // namespace

void InstallX11ErrorHandler() {
#if defined(SDL_VIDEO_DRIVER_X11)
  XSetErrorHandler(&LogX11Error);
#endif
}

uint32_t GetX11ErrorCount() { return gErrorCount.load(); }

}  // namespace platform::internal
