// The choice of the renderer that presents the frames: the user's named
// renderer first, the software renderer without direct rendering, and an
// OpenGL renderer given up when OpenGL is itself drawn in software.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "platform/RendererChoice.h"

namespace {

using platform::ChooseRendererStart;
using platform::KeepsAcceleratedRenderer;
using platform::RendererStart;

TEST(RendererChoice, StartFollowsTheHintAndTheServer) {
  struct Row {
    bool hinted;
    std::optional<bool> direct;
    RendererStart start;
  };
  const Row rows[] = {
      {true, false, RendererStart::kHinted},  // SDL_RENDER_DRIVER=opengl under Xvfb: as asked
      {true, true, RendererStart::kHinted},
      {true, std::nullopt, RendererStart::kHinted},
      {false, false, RendererStart::kSoftware},  // Xvfb, ssh -X: OpenGL could only be software
      {false, true, RendererStart::kTryAccelerated},
      {false, std::nullopt, RendererStart::kTryAccelerated},  // Wayland and others: SDL's choice, then checked
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ChooseRendererStart(row.hinted, row.direct), row.start)
        << row.hinted << " " << (row.direct ? (*row.direct ? "direct" : "indirect") : "unknown");
  }
}

TEST(RendererChoice, OpenGlDrawnInSoftwareIsGivenUp) {
  struct Row {
    std::string_view sdlName;
    std::string_view glRenderer;
    bool kept;
  };
  const Row rows[] = {
      {"opengl", "llvmpipe (LLVM 15.0.6, 256 bits)", false},
      {"opengles2", "llvmpipe (LLVM 17.0.6, 128 bits)", false},
      {"opengl", "softpipe", false},
      {"opengl", "Software Rasterizer", false},
      {"opengl", "Mesa DRI swrast", false},
      {"opengles2", "Google SwiftShader", false},
      {"opengl", "LLVMPIPE (LLVM 12)", false},  // case does not matter
      {"opengl", "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", true},
      {"opengl", "NVIDIA GeForce RTX 3060/PCIe/SSE2", true},
      {"opengl", "AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", true},  // LLVM, no pipe
      {"opengl", "", true},  // nothing known: SDL's choice stands
      {"software", "", true},
      {"direct3d11", "", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeepsAcceleratedRenderer(row.sdlName, row.glRenderer), row.kept) << row.sdlName << " " << row.glRenderer;
  }
}

}  // namespace
