#include "platform/RendererChoice.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace platform {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

RendererStart ChooseRendererStart(bool driverHinted, std::optional<bool> serverRendersDirect) {
  if (driverHinted) {
    return RendererStart::kHinted;
  }
  // Without direct rendering every OpenGL there is is drawn in software.
  if (serverRendersDirect.has_value() && !*serverRendersDirect) {
    return RendererStart::kSoftware;
  }
  return RendererStart::kTryAccelerated;
}

bool KeepsAcceleratedRenderer(std::string_view sdlRendererName, std::string_view glRenderer) {
  const std::string name = Lower(sdlRendererName);
  if (name.rfind("opengl", 0) != 0) {
    return true;  // not OpenGL: nothing to find out
  }
  const std::string gl = Lower(glRenderer);
  static constexpr std::string_view kSoftwareRasterizers[] = {"llvmpipe", "softpipe", "software rasterizer",
                                                              "swrast", "swiftshader"};
  return std::none_of(std::begin(kSoftwareRasterizers), std::end(kSoftwareRasterizers),
                      [&gl](std::string_view each) { return gl.find(each) != std::string::npos; });
}

}  // namespace platform
