// What the X server behind SDL's windows offers, asked of it directly: the
// extensions direct OpenGL rendering needs and whether a window manager
// runs. Unknown (nullopt) when SDL does not draw through X11.
#pragma once

#include <optional>

struct SDL_Window;

namespace platform::internal {

// Whether the server offers DRI3, DRI2 or NVIDIA's GLX, the ways a graphics
// driver renders OpenGL directly. Without them OpenGL is drawn in software.
std::optional<bool> X11ServerRendersDirect(SDL_Window* window);

// Whether a window manager that follows the EWMH runs on the window's screen
// (the root window names a check window that names itself).
std::optional<bool> X11WindowManagerRunning(SDL_Window* window);

}  // namespace platform::internal
