#include "platform/SdlPointerWarp.h"

#include <SDL.h>

#include <cstring>

#include "platform/Window.h"

namespace platform {
namespace {

// The shown native window whose screen rectangle holds the point, else the primary one.
Window* WindowAt(int32_t x, int32_t y) {
  Window* found = nullptr;
  Window::ForEach([&](Window& w) {
    if (found != nullptr || !w.IsNative() || !w.IsVisible()) return;
    const Rect b = w.GetBounds();
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) found = &w;
  });
  return found != nullptr ? found : Window::GetPrimary();
}

}  // namespace

bool SdlPointerWarp::CanWarp() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::strcmp(driver, "wayland") != 0;
}

bool SdlPointerWarp::WarpPointer(int32_t screenX, int32_t screenY) {
  Window* w = WindowAt(screenX, screenY);
  if (w == nullptr) return false;
  const Rect b = w->GetBounds();
  return w->WarpPointer(Point{screenX - b.left, screenY - b.top});
}

void SdlPointerWarp::SetPointerGrab(bool grab) {
  if (grab == grabbed_) return;
  grabbed_ = grab;
  Window* w = Window::GetPrimary();
  if (grab && !CanWarp()) {
    relative_ = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
  } else if (!grab && relative_) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    relative_ = false;
  }
  if (w != nullptr && w->GetSdlWindow() != nullptr) {
    SDL_SetWindowGrab(w->GetSdlWindow(), grab ? SDL_TRUE : SDL_FALSE);
  }
}

}  // namespace platform
