#include "platform/WindowPixels.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstring>

#include "platform/Input.h"
#include "platform/Window.h"

namespace platform {

bool PresentWindowPixels(Window& window, const PixelBuffer& pixels) {
  SDL_Window* sdl = window.GetSdlWindow();
  if (sdl == nullptr || !pixels.IsValid()) return false;
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  if (surface == nullptr) return false;
  if (SDL_LockSurface(surface) != 0) return false;
  const int32_t width = std::min(pixels.width, surface->w);
  const int32_t height = std::min(pixels.height, surface->h);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch;
    for (int32_t x = 0; x < width; ++x) {
      const Color c = UnpackPixel(LoadPixel(pixels.PixelAddress(x, y), pixels.layout, pixels.bigEndianWords),
                                  pixels.layout, nullptr);
      const Uint32 value = SDL_MapRGB(surface->format, c.red, c.green, c.blue);
      uint8_t* at = row + static_cast<ptrdiff_t>(x) * surface->format->BytesPerPixel;
      switch (surface->format->BytesPerPixel) {
        case 4:
          std::memcpy(at, &value, 4);
          break;
        case 3:
          std::memcpy(at, &value, 3);
          break;
        case 2: {
          const auto v16 = static_cast<uint16_t>(value);
          std::memcpy(at, &v16, 2);
          break;
        }
        default:
          *at = static_cast<uint8_t>(value);
          break;
      }
    }
  }
  SDL_UnlockSurface(surface);
  return SDL_UpdateWindowSurface(sdl) == 0;
}

Point GetScreenSize() {
  if (IsWindowSystemRunning()) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(0, &r) == 0 && r.w > 0 && r.h > 0) return Point{r.w, r.h};
  }
  return Point{640, 480};
}

Point QueryCursorScreenPosition() {
#if defined(SDL_VIDEO_DRIVER_X11)
  // SDL's global mouse state is a cache that pointer moves made by other
  // clients do not always refresh: the X server is asked itself.
  if (IsWindowSystemRunning()) {
    Window* any = Window::GetPrimary();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (any != nullptr && any->GetSdlWindow() != nullptr && SDL_GetWindowWMInfo(any->GetSdlWindow(), &info) &&
        info.subsystem == SDL_SYSWM_X11 && info.info.x11.display != nullptr) {
      ::Display* display = info.info.x11.display;
      ::Window root = 0;
      ::Window child = 0;
      int rootX = 0;
      int rootY = 0;
      int winX = 0;
      int winY = 0;
      unsigned int mask = 0;
      if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX, &winY, &mask)) {
        return Point{rootX, rootY};
      }
    }
  }
#endif
  const ScreenPoint p = GetCursorScreenPosition();
  return Point{p.x, p.y};
}

}  // namespace platform
