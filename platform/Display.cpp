#include "platform/Display.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/LogicalScaling.h"
#include "platform/RendererChoice.h"
#include "platform/Window.h"
#include "platform/X11Server.h"

namespace platform {

Display& Display::Get() {
  static Display display;
  return display;
}

DisplayMode Display::GetDesktopMode() const {
  if (hasDesktopOverride_) {
    return desktopOverride_;
  }
  DisplayMode mode{640, 480, 32};
  if (IsWindowSystemRunning()) {
    SDL_DisplayMode m{};
    if (SDL_GetDesktopDisplayMode(0, &m) == 0 && m.w > 0 && m.h > 0) {
      mode.width = m.w;
      mode.height = m.h;
    }
  }
  return mode;
}

DisplayMode Display::GetCurrentMode() const { return hasCurrent_ ? current_ : GetDesktopMode(); }

bool Display::SetMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (refuseSwitch_) {
    return false;
  }
  if (bitsPerPixel == 15) {
    bitsPerPixel = 16;
  }
  if (bitsPerPixel != 16 || width < 1 || height < 1 || width > 4096 || height > 4096) {
    return false;
  }
  current_ = DisplayMode{width, height, 16};
  hasCurrent_ = true;
  switched_ = true;
  if (window_ != nullptr) {
    // The renderer is made now, while the window is usually not shown yet:
    // an OpenGL renderer remakes the window, which costs a hidden one
    // little, and the first flip no longer waits for it. A failure here is
    // tried again by the flip. Full screen follows, on the window as remade.
    PrepareRenderer();
    window_->SetFullScreen(true);
  }
  return true;
}

void Display::RestoreMode() {
  if (!switched_) {
    return;
  }
  switched_ = false;
  hasCurrent_ = false;
  if (window_ != nullptr) {
    window_->SetFullScreen(false);
  }
}

void Display::SetDesktopModeForTesting(const DisplayMode& mode) {
  desktopOverride_ = mode;
  hasDesktopOverride_ = true;
}

void Display::SetCurrentModeForTesting(const DisplayMode& mode) {
  current_ = mode;
  hasCurrent_ = true;
}

void Display::ResetForTesting() {
  AttachWindow(nullptr);
  ReleaseBackBuffer();
  hasDesktopOverride_ = false;
  hasCurrent_ = false;
  switched_ = false;
  refuseSwitch_ = false;
  active_ = true;
  lost_ = false;
}

int Display::EventWatchFor(void* userData, void* event) {
  auto* display = static_cast<Display*>(userData);
  const auto* e = static_cast<const SDL_Event*>(event);
  if (e->type != SDL_WINDOWEVENT || e->window.windowID != display->watchedSdlId_.load()) {
    return 1;
  }
  switch (e->window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: display->active_ = true; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: display->active_ = false; break;
    case SDL_WINDOWEVENT_MINIMIZED: display->lost_ = true; break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN: display->lost_ = false; break;
    default: break;
  }
  return 1;
}

namespace {

int EventWatchTrampoline(void* userData, SDL_Event* event) { return Display::EventWatchFor(userData, event); }

// The GL_RENDERER string of the OpenGL context current on this thread (the
// one an OpenGL renderer just made), or empty.
std::string CurrentGlRenderer() {
  using GetString = const unsigned char* (*)(unsigned int);
  constexpr unsigned int kGlRenderer = 0x1F01;
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (getString == nullptr || SDL_GL_GetCurrentContext() == nullptr) {
    return {};
  }
  const unsigned char* text = getString(kGlRenderer);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// SDL's renderer for the window, or its software renderer where OpenGL would
// itself be drawn in software (see RendererChoice.h).
SDL_Renderer* CreatePresentingRenderer(SDL_Window* sdlWindow) {
  const char* hinted = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  const RendererStart start =
      ChooseRendererStart(hinted != nullptr && *hinted != '\0', internal::X11ServerRendersDirect(sdlWindow));
  SDL_Renderer* renderer = nullptr;
  if (start != RendererStart::kSoftware) {
    renderer = SDL_CreateRenderer(sdlWindow, -1, 0);
  }
  if (renderer != nullptr && start == RendererStart::kTryAccelerated) {
    SDL_RendererInfo info{};
    const std::string name = SDL_GetRendererInfo(renderer, &info) == 0 && info.name != nullptr ? info.name : "";
    const std::string gl = name.rfind("opengl", 0) == 0 ? CurrentGlRenderer() : std::string();
    if (!KeepsAcceleratedRenderer(name, gl)) {
      SDL_DestroyRenderer(renderer);
      renderer = nullptr;
    }
  }
  if (renderer == nullptr) {
    renderer = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_SOFTWARE);
  }
  return renderer;
}

}  // namespace

void Display::AttachWindow(Window* window) {
  if (window == window_) {
    return;
  }
  DropRenderer();
  if (watching_) {
    SDL_DelEventWatch(&EventWatchTrampoline, this);
    watching_ = false;
  }
  window_ = window;
  watchedSdlId_ = 0;
  lost_ = false;
  if (window_ != nullptr && window_->IsNative()) {
    watchedSdlId_ = SDL_GetWindowID(window_->GetSdlWindow());
    SDL_AddEventWatch(&EventWatchTrampoline, this);
    watching_ = true;
  }
}

void Display::DropRenderer() {
  if (texture_ != nullptr) {
    SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
    texture_ = nullptr;
  }
  if (renderer_ != nullptr && ownsRenderer_) {
    SDL_DestroyRenderer(renderer_);
  }
  renderer_ = nullptr;
  ownsRenderer_ = false;
  textureWidth_ = 0;
  textureHeight_ = 0;
}

bool Display::CreateBackBuffer() {
  const DisplayMode mode = GetCurrentMode();
  if (mode.width < 1 || mode.height < 1 || mode.width > 4096 || mode.height > 4096) {
    return false;
  }
  if (backWidth_ != mode.width || backHeight_ != mode.height || backBuffer_.empty()) {
    backWidth_ = mode.width;
    backHeight_ = mode.height;
    backBuffer_.assign(static_cast<size_t>(backWidth_) * static_cast<size_t>(backHeight_), 0);
  }
  return true;
}

void Display::ReleaseBackBuffer() {
  backBuffer_.clear();
  backBuffer_.shrink_to_fit();
  backWidth_ = 0;
  backHeight_ = 0;
}

PixelBuffer Display::GetBackBuffer() {
  PixelBuffer b;
  if (backBuffer_.empty()) {
    return b;
  }
  b.first = reinterpret_cast<uint8_t*>(backBuffer_.data());
  b.rowStep = static_cast<ptrdiff_t>(backWidth_) * 2;
  b.width = backWidth_;
  b.height = backHeight_;
  b.layout = PixelLayout::kRgb565;
  b.bigEndianWords = false;
  return b;
}

bool Display::Blit(const PixelBuffer& source, const Rect& sourceRect, int32_t x, int32_t y) {
  if (backBuffer_.empty() || !source.IsValid()) {
    return false;
  }
  Rect src = IntersectRects(sourceRect, Rect{0, 0, source.width, source.height});
  if (src.IsEmpty()) {
    return true;
  }
  // Move the destination with the clipped source, then clip to the buffer.
  int64_t dx = static_cast<int64_t>(x) + (src.left - sourceRect.left);
  int64_t dy = static_cast<int64_t>(y) + (src.top - sourceRect.top);
  if (dx < 0) {
    src.left += static_cast<int32_t>(-dx);
    dx = 0;
  }
  if (dy < 0) {
    src.top += static_cast<int32_t>(-dy);
    dy = 0;
  }
  const int64_t width = std::min<int64_t>(src.right - src.left, backWidth_ - dx);
  const int64_t height = std::min<int64_t>(src.bottom - src.top, backHeight_ - dy);
  if (width <= 0 || height <= 0) {
    return true;
  }
  PixelBuffer dest = GetBackBuffer();
  const bool sameLayout = source.layout == PixelLayout::kRgb565 && !source.bigEndianWords;
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* s = source.PixelAddress(src.left, src.top + static_cast<int32_t>(row));
    uint8_t* d = dest.PixelAddress(static_cast<int32_t>(dx), static_cast<int32_t>(dy + row));
    if (sameLayout) {
      std::memmove(d, s, static_cast<size_t>(width) * 2);
      continue;
    }
    const int step = LayoutBytesPerPixel(source.layout);
    for (int64_t col = 0; col < width; ++col) {
      const uint32_t value = LoadPixel(s + col * step, source.layout, source.bigEndianWords);
      const Color c = UnpackPixel(value, source.layout, nullptr);
      StorePixel(d + col * 2, PackPixel(c, PixelLayout::kRgb565, nullptr), PixelLayout::kRgb565, false);
    }
  }
  return true;
}

bool Display::PrepareRenderer() {
  if (renderer_ != nullptr) {
    return true;
  }
  if (window_ == nullptr || !window_->IsNative()) {
    return false;
  }
  SDL_Window* sdlWindow = window_->GetSdlWindow();
  renderer_ = SDL_GetRenderer(sdlWindow);
  ownsRenderer_ = false;
  if (renderer_ == nullptr) {
    renderer_ = CreatePresentingRenderer(sdlWindow);
    ownsRenderer_ = renderer_ != nullptr;
  }
  return renderer_ != nullptr;
}

bool Display::CanFlip() const {
  return !backBuffer_.empty() && window_ != nullptr && window_->IsNative() && !lost_ && !window_->IsMinimized();
}

bool Display::Flip() {
  if (!CanFlip()) {
    return false;
  }
  if (!PrepareRenderer()) {
    return false;
  }
  if (texture_ == nullptr || textureWidth_ != backWidth_ || textureHeight_ != backHeight_) {
    if (texture_ != nullptr) {
      SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, backWidth_,
                                 backHeight_);
    if (texture_ == nullptr) {
      return false;
    }
    textureWidth_ = backWidth_;
    textureHeight_ = backHeight_;
  }
  auto* texture = static_cast<SDL_Texture*>(texture_);
  if (SDL_UpdateTexture(texture, nullptr, backBuffer_.data(), GetBackBufferPitch()) != 0) {
    return false;
  }
  int outW = 0;
  int outH = 0;
  if (SDL_GetRendererOutputSize(renderer_, &outW, &outH) != 0) {
    return false;
  }
  const LetterboxRect box = ComputeLetterbox(outW, outH, backWidth_, backHeight_);
  const SDL_Rect dst{box.x, box.y, box.width, box.height};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture, nullptr, &dst);
  SDL_RenderPresent(renderer_);
  return true;
}

}  // namespace platform
