#include "engine/graphics/PixelMapDisplay.h"

namespace {
PixelMapDisplay* gDisplay = nullptr;

PixelMapDisplay* StandIn() {
  static MemoryPixelMapDisplay display;
  return &display;
}
}  // namespace

bool MemoryPixelMapDisplay::CreateFlipChain(const VRect& bounds, int32_t& count) {
  primary_.reset();
  if (count < 2 || failChains_) return false;
  primary_ = platform::Surface::CreateFlipChain(bounds.GetWidth(), bounds.GetHeight(), count - 1, layout_);
  if (!primary_->IsValid()) {
    primary_.reset();
    return false;
  }
  return true;
}

void MemoryPixelMapDisplay::RestoreSurface(platform::Surface* surface) {
  if (surface && surface->IsLost()) {
    surface->Restore();
    ++restores_;
  }
}

PixelMapDisplay* GetPixelMapDisplay() { return gDisplay ? gDisplay : StandIn(); }

PixelMapDisplay* SetPixelMapDisplay(PixelMapDisplay* display) {
  PixelMapDisplay* previous = GetPixelMapDisplay();
  gDisplay = display;
  return previous;
}
