#include "engine/app/VDisplay.h"

#include "engine/app/VWindow.h"
#include "engine/core/Cursor.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "platform/Cursor.h"
#include "platform/Display.h"
#include "platform/PixelBuffer.h"

namespace {

VPrimarySurface* gPrimary = nullptr;
bool gDirectDrawAvailable = true;

platform::SurfaceDescription Layout565() {
  platform::SurfaceDescription layout;
  layout.bitCount = 16;
  layout.redMask = 0xF800;
  layout.greenMask = 0x07E0;
  layout.blueMask = 0x001F;
  return layout;
}

// What pixel maps reach of the display: the primary surface's flip chain,
// its activity and the screen's depth through the main window's map.
class DisplayBridge : public PixelMapDisplay {
 public:
  bool IsActive() override { return ::GetPrimarySurface()->IsActive(); }
  void EnterExclusiveMode() override { VDisplay::Get().EnterExclusiveMode(); }
  bool CreateFlipChain(const VRect& bounds, int32_t& count) override {
    if (count < 2) count = 2;
    return ::GetPrimarySurface()->CreateFlipChain(bounds.GetWidth(), bounds.GetHeight(), count);
  }
  platform::SurfaceRef GetPrimarySurface() override { return ::GetPrimarySurface()->GetSurface(); }
  platform::SurfaceRef GetBackBuffer() override { return ::GetPrimarySurface()->GetBackBuffer(); }
  void RestoreSurface(platform::Surface* surface) override { ::GetPrimarySurface()->RestoreSurface(surface); }
  PixelMap* GetScreenPixelMap() override {
    VDisplay& display = VDisplay::Get();
    if (display.GetFlipPixelMap() != nullptr) return display.GetFlipPixelMap();
    VWindow* window = display.GetMainWindow();
    return window != nullptr ? window->GetOffscreenPixelMap() : nullptr;
  }
};

DisplayBridge& Bridge() {
  static DisplayBridge bridge;
  return bridge;
}

}  // namespace

// ---------------------------------------------------------------------------
// VPrimarySurface

VPrimarySurface::~VPrimarySurface() { ReleaseFlipChain(); }

platform::SurfaceRef VPrimarySurface::GetBackBuffer() const {
  return active_ && primary_ != nullptr ? primary_->GetAttachedBackBuffer() : nullptr;
}

void VPrimarySurface::RestoreSurface(platform::Surface* surface) {
  if (active_ && surface != nullptr && surface == primary_.get() && primary_->IsLost()) primary_->Restore();
}

bool VPrimarySurface::CreateFlipChain(int32_t width, int32_t height, int32_t count) {
  ReleaseFlipChain();
  if (width < 1 || height < 1 || count < 2) return false;
  primary_ = platform::Surface::CreateFlipChain(width, height, count - 1, Layout565());
  if (!primary_->IsValid()) {
    ReleaseFlipChain();
    return false;
  }
  return true;
}

void VPrimarySurface::ReleaseFlipChain() {
  primary_.reset();
}

VPrimarySurface* GetPrimarySurface() {
  if (gPrimary == nullptr) gPrimary = new VPrimarySurface();
  return gPrimary;
}

void DeletePrimarySurface() {
  delete gPrimary;
  gPrimary = nullptr;
}

// ---------------------------------------------------------------------------
// VDisplay

VDisplay& VDisplay::Get() {
  static VDisplay display;
  return display;
}

void VDisplay::SetDirectDrawAvailableForTesting(bool available) { gDirectDrawAvailable = available; }

void VDisplay::ResetForTesting() {
  delete flipPixelMap_;
  flipPixelMap_ = nullptr;
  flipSurface_.reset();
  if (GetPixelMapDisplay() == &Bridge()) SetPixelMapDisplay(nullptr);
  if (gPrimary != nullptr) gPrimary->ReleaseFlipChain();
  platform::Display::Get().RestoreMode();
  const uint32_t presents = presentCount_;
  *this = VDisplay();
  presentCount_ = presents;
}

void VDisplay::Init() {
  if (initialised_) return;
  initialised_ = true;
  directDraw_ = gDirectDrawAvailable;
  GetDisplayMode(width_, height_, bitsPerPixel_);
  savedWidth_ = width_;
  savedHeight_ = height_;
  savedBitsPerPixel_ = bitsPerPixel_;
  pixelsPerInchY_ = platform::Display::Get().GetPixelsPerInchY();
  if (directDraw_) {
    const platform::Display& display = platform::Display::Get();
    canBltFromSystemMemory_ = display.CanBltFromSystemMemory();
    canBlt_ = display.CanBlt();
    hasOverlay_ = display.HasOverlay();
    emulatedOverlay_ = false;
    SetPixelMapDisplay(&Bridge());
  }
}

bool VDisplay::GetDisplayMode(int32_t& width, int32_t& height, int32_t& bitsPerPixel) {
  Init();
  width = 640;
  height = 480;
  bitsPerPixel = 8;
  if (!directDraw_) return false;
  const platform::DisplayMode mode = platform::Display::Get().GetCurrentMode();
  width = mode.width;
  height = mode.height;
  bitsPerPixel = mode.bitsPerPixel;
  return true;
}

bool VDisplay::QueryDisplayMode(int32_t& width, int32_t& height) {
  int32_t depth = 0;
  return GetDisplayMode(width, height, depth);
}

bool VDisplay::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel, bool remember) {
  Init();
  if (remember) {
    sizeRequested_ = width != 0 || height != 0;
    depthRequested_ = bitsPerPixel != 0;
  }
  if (width == 0 && height == 0 && bitsPerPixel == 0) return false;
  const uint16_t previousCursor = SetMouseCursor(platform::kSystemCursorWait);
  if (bitsPerPixel == 15) bitsPerPixel = 16;
  bool switched = false;
  if (directDraw_ && width != 0 && height != 0 && bitsPerPixel != 0) {
    EnterExclusiveMode();
    switched = platform::Display::Get().SetMode(width, height, bitsPerPixel);
    LeaveExclusiveMode();
  }
  if (switched) {
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    modeRestored_ = false;
  }
  SetMouseCursor(previousCursor);
  return switched;
}

void VDisplay::EnterExclusiveMode() {
  ++exclusiveCount_;
  if (exclusiveCount_ == 1 && mainWindow_ != nullptr && directDraw_) {
    // The exclusive mode belongs to the main window: it shows the frames.
    if (platform::Window* window = mainWindow_->GetPlatformWindow()) platform::Display::Get().AttachWindow(window);
  }
}

void VDisplay::LeaveExclusiveMode() {
  if (exclusiveCount_ > 0) --exclusiveCount_;
}

void VDisplay::EnterFullScreen() {
  if (modeRestored_) return;
  delete flipPixelMap_;
  flipPixelMap_ = nullptr;
  flipSurface_.reset();
  auto* map = new PixelMap(PixelMap::kStorageSurface);
  uint8_t borrowed = 0;
  VRect screen;
  GetScreenRect(screen);
  const bool made = map->Create(screen, bitsPerPixel_, nullptr, &flipSurface_, &borrowed, 1, 0);
  surfaceBorrowed_ = borrowed != 0;
  if (!made || !map->HasStorage() || flipSurface_ == nullptr) {
    delete map;
    flipSurface_.reset();
    fullScreen_ = false;
    return;
  }
  flipPixelMap_ = map;
  fullScreen_ = true;
  buffersSwapped_ = true;
}

bool VDisplay::SetBufferSwap(bool swapped) {
  const bool old = buffersSwapped_;
  if (swapped != old) {
    if (flipPixelMap_ != nullptr) flipSurface_ = flipPixelMap_->ExchangeSurface(flipSurface_);
    buffersSwapped_ = swapped;
  }
  return old;
}

bool VDisplay::SendFrameToScreen() {
  platform::Display& screen = platform::Display::Get();
  // The screen's back buffer follows the mode in force (made on first use).
  if (!screen.CreateBackBuffer() || !screen.CanFlip()) return false;
  GetPrimarySurface()->RestoreSurface(flipSurface_.get());
  PixelMapLock lock(flipPixelMap_);
  if (!lock.IsLocked()) return false;
  platform::PixelBuffer source;
  source.first = flipPixelMap_->GetPixels();
  source.rowStep = flipPixelMap_->GetRowBytes();
  source.width = flipPixelMap_->GetWidth();
  source.height = flipPixelMap_->GetHeight();
  source.layout = flipPixelMap_->GetDepth() == 15 ? platform::PixelLayout::kRgb555 : platform::PixelLayout::kRgb565;
  if (flipPixelMap_->GetDepth() != 15 && flipPixelMap_->GetDepth() != 16) return false;
  if (!screen.Blit(source, platform::Rect{0, 0, source.width, source.height}, 0, 0)) return false;
  return screen.Flip();
}

void VDisplay::Present() {
  if (modeRestored_ || !framePending_) return;
  bool wentOut = false;
  if (flipPixelMap_ == nullptr) {
    framePending_ = false;
  } else if (SendFrameToScreen()) {
    // Blit and flip both end in a copy of the back buffer to the screen here;
    // the back buffer keeps its contents.
    framePending_ = false;
    wentOut = true;
    ++presentCount_;
  }
  if (flipPixelMap_ != nullptr && !surfaceBorrowed_) flipSurface_ = flipPixelMap_->ExchangeSurface(flipSurface_);
  if (wentOut && mainWindow_ != nullptr) mainWindow_->NextOffscreenPixelMap();
}

void VDisplay::ReleaseFullScreen() {
  if (modeRestored_) return;
  SetBufferSwap(true);
  delete flipPixelMap_;
  flipPixelMap_ = nullptr;
  flipSurface_.reset();
  fullScreen_ = false;
  platform::Display::Get().RestoreMode();
  modeRestored_ = true;
}

void VDisplay::SetPrimaryActive(bool active) {
  if (initialised_) GetPrimarySurface()->SetActive(active);
}

uint32_t VDisplay::GetVideoMemory() const { return directDraw_ ? platform::Display::Get().GetVideoMemory() : 0; }

int32_t VDisplay::GetSurfacePitch() const {
  return flipSurface_ != nullptr ? flipSurface_->GetDescription().pitch : 0;
}
