// Which of SDL's renderers presents the frames. SDL prefers OpenGL; where
// OpenGL itself is drawn by the processor (Mesa's llvmpipe or softpipe, as
// under Xvfb or on a machine without a graphics driver) SDL's own software
// renderer shows the 640 x 480 picture as well, and it starts in a fraction
// of the time: no OpenGL library and shader compiler to load, no context,
// and no remaking of the window for OpenGL. A renderer named by the user
// (SDL_RENDER_DRIVER) is always taken as named.
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// The first step of the choice.
enum class RendererStart {
  kHinted,         // SDL's choice, as the user's SDL_RENDER_DRIVER steers it
  kSoftware,       // the software renderer at once
  kTryAccelerated  // SDL's first choice, kept unless it draws in software
};

// What is known before any renderer is made: whether the user named a
// renderer, and whether the display server offers the direct rendering a
// graphics driver needs (X11: DRI3, DRI2 or NVIDIA's GLX; unknown elsewhere).
RendererStart ChooseRendererStart(bool driverHinted, std::optional<bool> serverRendersDirect);

// Whether the renderer SDL made for kTryAccelerated is kept: false for an
// OpenGL renderer whose GL_RENDERER string names a software rasterizer.
// sdlRendererName is SDL's name of the renderer ("opengl", "opengles2",
// "software" ...); glRenderer is empty when it is not an OpenGL one.
bool KeepsAcceleratedRenderer(std::string_view sdlRendererName, std::string_view glRenderer);

}  // namespace platform
