// The emulated display: modes, the 5-6-5 back buffer, blits into it, and a
// flip that shows it (read back from the software renderer of SDL's dummy
// video driver).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/Display.h"
#include "platform/LogicalScaling.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

namespace {

using platform::Display;
using platform::DisplayMode;

uint16_t Rgb565(int r, int g, int b) { return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); }

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    Display::Get().ResetForTesting();
  }
  void TearDown() override {
    Display::Get().ResetForTesting();
    window_.reset();
    if (platform::IsWindowSystemRunning()) {
      platform::ResetMessageQueue();
      platform::ShutdownWindowSystem();
    }
  }
  void MakeWindow(int width, int height) {
    ASSERT_TRUE(platform::InitializeWindowSystem()) << SDL_GetError();
    platform::WindowOptions options;
    options.bounds = platform::Rect{0, 0, width, height};
    options.visible = true;
    window_ = platform::Window::Create(options);
    ASSERT_NE(window_, nullptr);
  }
  // The pixel shown at (x, y) of the renderer's output, as 0xRRGGBB.
  uint32_t ShownPixel(int x, int y) {
    SDL_Renderer* renderer = Display::Get().GetRenderer();
    EXPECT_NE(renderer, nullptr);
    if (renderer == nullptr) return 0xDEADBEEF;
    SDL_Rect r{x, y, 1, 1};
    uint32_t pixel = 0;
    EXPECT_EQ(SDL_RenderReadPixels(renderer, &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0) << SDL_GetError();
    return pixel & 0xFFFFFF;
  }

  // The shown pixel brought back to 5-6-5 (SDL widens the channels its own
  // way; what matters is that the 5-6-5 colour comes through).
  uint16_t Shown565(int x, int y) {
    const uint32_t p = ShownPixel(x, y);
    return Rgb565((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  std::unique_ptr<platform::Window> window_;
};

TEST_F(DisplayTest, ModeSwitchesAreEmulatedAndGranted) {
  Display& d = Display::Get();
  d.SetDesktopModeForTesting(DisplayMode{1920, 1080, 32});
  EXPECT_EQ(d.GetCurrentMode(), (DisplayMode{1920, 1080, 32}));
  struct Row {
    int32_t w, h, bpp;
    bool granted;
    DisplayMode after;
  };
  const Row rows[] = {
      {640, 480, 16, true, {640, 480, 16}},
      {640, 480, 15, true, {640, 480, 16}},  // 15 is asked as 16
      {800, 600, 16, true, {800, 600, 16}},
      {640, 480, 24, false, {800, 600, 16}},  // refused: the mode stays
      {640, 480, 8, false, {800, 600, 16}},
      {0, 0, 16, false, {800, 600, 16}},
      {640, 0, 16, false, {800, 600, 16}},
      {5000, 480, 16, false, {800, 600, 16}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(d.SetMode(r.w, r.h, r.bpp), r.granted) << r.w << "x" << r.h << "x" << r.bpp;
    EXPECT_EQ(d.GetCurrentMode(), r.after);
  }
  EXPECT_TRUE(d.IsModeSwitched());
  d.RestoreMode();
  EXPECT_FALSE(d.IsModeSwitched());
  EXPECT_EQ(d.GetCurrentMode(), (DisplayMode{1920, 1080, 32}));

  d.SetModeSwitchRefusedForTesting(true);
  EXPECT_FALSE(d.SetMode(640, 480, 16));
  EXPECT_EQ(d.GetCurrentMode(), (DisplayMode{1920, 1080, 32}));
  // A test can put any mode in force, a 5-5-5 one included.
  d.SetCurrentModeForTesting(DisplayMode{640, 480, 15});
  EXPECT_EQ(d.GetCurrentMode(), (DisplayMode{640, 480, 15}));
  EXPECT_EQ(d.GetPixelsPerInchY(), 96);
}

TEST_F(DisplayTest, TheBackBufferIs565WithPitch1280) {
  Display& d = Display::Get();
  EXPECT_FALSE(d.HasBackBuffer());
  EXPECT_FALSE(d.GetBackBuffer().IsValid());
  ASSERT_TRUE(d.SetMode(640, 480, 16));
  ASSERT_TRUE(d.CreateBackBuffer());
  platform::PixelBuffer b = d.GetBackBuffer();
  EXPECT_EQ(b.width, 640);
  EXPECT_EQ(b.height, 480);
  EXPECT_EQ(b.rowStep, 1280);
  EXPECT_EQ(d.GetBackBufferPitch(), 1280);
  EXPECT_EQ(b.layout, platform::PixelLayout::kRgb565);
  EXPECT_FALSE(d.CanFlip());  // no window yet
  EXPECT_FALSE(d.Flip());
}

TEST_F(DisplayTest, BlitsAreClippedToSourceAndBackBuffer) {
  Display& d = Display::Get();
  ASSERT_TRUE(d.SetMode(8, 4, 16));
  ASSERT_TRUE(d.CreateBackBuffer());
  // A 4 x 2 source of distinct values.
  std::vector<uint16_t> src(8);
  for (int i = 0; i < 8; ++i) src[i] = static_cast<uint16_t>(i + 1);
  platform::PixelBuffer s;
  s.first = reinterpret_cast<uint8_t*>(src.data());
  s.rowStep = 8;
  s.width = 4;
  s.height = 2;
  s.layout = platform::PixelLayout::kRgb565;
  struct Row {
    const char* what;
    platform::Rect rect;
    int32_t x, y;
    std::vector<uint16_t> expected;  // the 8 x 4 back buffer afterwards
  };
  const Row rows[] = {
      {"whole source at the origin", {0, 0, 4, 2}, 0, 0,
       {1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"past the right and bottom edges", {0, 0, 4, 2}, 6, 3,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2}},
      {"negative destination", {0, 0, 4, 2}, -2, -1,
       {7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"source rectangle outside the source", {2, -1, 9, 1}, 0, 0,
       {0, 0, 0, 0, 0, 0, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"empty rectangle", {2, 0, 2, 2}, 0, 0,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    platform::PixelBuffer b = d.GetBackBuffer();
    for (int i = 0; i < 32; ++i) reinterpret_cast<uint16_t*>(b.first)[i] = 0;
    EXPECT_TRUE(d.Blit(s, r.rect, r.x, r.y));
    std::vector<uint16_t> got(reinterpret_cast<uint16_t*>(b.first), reinterpret_cast<uint16_t*>(b.first) + 32);
    EXPECT_EQ(got, r.expected);
  }
  // Another layout converts: a 32-bit blue-green-red pixel.
  uint8_t bgrx[4] = {0x00, 0x00, 0xFF, 0x00};  // red
  platform::PixelBuffer red;
  red.first = bgrx;
  red.rowStep = 4;
  red.width = 1;
  red.height = 1;
  red.layout = platform::PixelLayout::kBgrx32;
  EXPECT_TRUE(d.Blit(red, platform::Rect{0, 0, 1, 1}, 0, 0));
  EXPECT_EQ(reinterpret_cast<uint16_t*>(d.GetBackBuffer().first)[0], 0xF800);
  EXPECT_FALSE(d.Blit(platform::PixelBuffer{}, platform::Rect{0, 0, 1, 1}, 0, 0));
}

void FillQuadrants(platform::PixelBuffer b) {
  // Four quadrants: red, green, blue, white.
  const uint16_t colours[4] = {Rgb565(255, 0, 0), Rgb565(0, 255, 0), Rgb565(0, 0, 255), Rgb565(255, 255, 255)};
  for (int y = 0; y < b.height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(b.first + y * b.rowStep);
    for (int x = 0; x < b.width; ++x) row[x] = colours[(y >= b.height / 2 ? 2 : 0) + (x >= b.width / 2 ? 1 : 0)];
  }
}

TEST_F(DisplayTest, FlipShowsTheBackBufferInAWindow) {
  setenv("OSTREVAN_WINDOWED", "1", 1);
  MakeWindow(640, 480);
  Display& d = Display::Get();
  d.AttachWindow(window_.get());
  ASSERT_TRUE(d.SetMode(640, 480, 16));
  EXPECT_FALSE(window_->IsFullScreen());
  ASSERT_TRUE(d.CreateBackBuffer());
  FillQuadrants(d.GetBackBuffer());
  ASSERT_TRUE(d.CanFlip());
  ASSERT_TRUE(d.Flip()) << SDL_GetError();
  EXPECT_EQ(Shown565(0, 0), Rgb565(0xFF, 0x00, 0x00));
  EXPECT_EQ(Shown565(639, 0), Rgb565(0x00, 0xFF, 0x00));
  EXPECT_EQ(Shown565(0, 479), Rgb565(0x00, 0x00, 0xFF));
  EXPECT_EQ(Shown565(639, 479), Rgb565(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(Shown565(319, 239), Rgb565(0xFF, 0x00, 0x00));
  EXPECT_EQ(Shown565(320, 240), Rgb565(0xFF, 0xFF, 0xFF));

  // The back buffer keeps its contents: a second flip shows the same.
  ASSERT_TRUE(d.Flip());
  EXPECT_EQ(Shown565(639, 0), Rgb565(0x00, 0xFF, 0x00));

  // A wider window: the picture is scaled to its height and centred.
  SDL_SetWindowSize(window_->GetSdlWindow(), 1280, 720);
  ASSERT_TRUE(d.Flip());
  int w = 0;
  int h = 0;
  SDL_GetRendererOutputSize(d.GetRenderer(), &w, &h);
  unsetenv("OSTREVAN_WINDOWED");
  ASSERT_EQ(w, 1280);
  ASSERT_EQ(h, 720);
  EXPECT_EQ(Shown565(100, 360), Rgb565(0x00, 0x00, 0x00));   // bar on the left
  EXPECT_EQ(Shown565(1200, 360), Rgb565(0x00, 0x00, 0x00));  // bar on the right
  EXPECT_EQ(Shown565(200, 100), Rgb565(0xFF, 0x00, 0x00));
  EXPECT_EQ(Shown565(1000, 100), Rgb565(0x00, 0xFF, 0x00));
  EXPECT_EQ(Shown565(200, 600), Rgb565(0x00, 0x00, 0xFF));
  EXPECT_EQ(Shown565(1000, 600), Rgb565(0xFF, 0xFF, 0xFF));
}

TEST_F(DisplayTest, TheModeSwitchShowsThePictureOverTheWholeDesktop) {
  unsetenv("OSTREVAN_WINDOWED");
  MakeWindow(640, 480);
  Display& d = Display::Get();
  d.AttachWindow(window_.get());
  ASSERT_TRUE(d.SetMode(640, 480, 16));
  EXPECT_TRUE(window_->IsFullScreen());
  ASSERT_TRUE(d.CreateBackBuffer());
  FillQuadrants(d.GetBackBuffer());
  ASSERT_TRUE(d.Flip()) << SDL_GetError();
  int w = 0;
  int h = 0;
  SDL_GetRendererOutputSize(d.GetRenderer(), &w, &h);
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  EXPECT_EQ(w, desktop.w);
  EXPECT_EQ(h, desktop.h);
  const platform::LetterboxRect box = platform::ComputeLetterbox(w, h, 640, 480);
  const auto at = [&](int lx, int ly) { return Shown565(box.x + lx * box.width / 640, box.y + ly * box.height / 480); };
  EXPECT_EQ(at(10, 10), Rgb565(0xFF, 0x00, 0x00));
  EXPECT_EQ(at(630, 10), Rgb565(0x00, 0xFF, 0x00));
  EXPECT_EQ(at(10, 470), Rgb565(0x00, 0x00, 0xFF));
  EXPECT_EQ(at(630, 470), Rgb565(0xFF, 0xFF, 0xFF));
  d.RestoreMode();
  EXPECT_FALSE(window_->IsFullScreen());
}

TEST_F(DisplayTest, ActivationAndLossFollowTheWindowEvents) {
  MakeWindow(640, 480);
  Display& d = Display::Get();
  d.AttachWindow(window_.get());
  ASSERT_TRUE(d.SetMode(640, 480, 16));
  ASSERT_TRUE(d.CreateBackBuffer());
  const auto push = [&](SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window_->GetSdlWindow());
    e.window.event = static_cast<Uint8>(id);
    SDL_PushEvent(&e);
  };
  EXPECT_TRUE(d.IsActive());
  push(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_FALSE(d.IsActive());
  push(SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_TRUE(d.IsActive());
  push(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_TRUE(d.IsLost());
  EXPECT_FALSE(d.CanFlip());
  EXPECT_FALSE(d.Flip());  // the frame stays for later
  push(SDL_WINDOWEVENT_RESTORED);
  EXPECT_FALSE(d.IsLost());
  EXPECT_TRUE(d.Flip());
  // The window going away detaches it.
  window_.reset();
  EXPECT_EQ(d.GetAttachedWindow(), nullptr);
  EXPECT_FALSE(d.Flip());
}

}  // namespace
