#include "platform/Surface.h"

namespace platform {

SurfaceRef Surface::Create(int32_t width, int32_t height, const SurfaceDescription& layout) {
  SurfaceRef surface(new Surface());
  surface->description_ = layout;
  surface->description_.width = width;
  surface->description_.height = height;
  const int64_t bytes = (int64_t{layout.bitCount} + 7) / 8;
  const int64_t pitch = (bytes * (width > 0 ? width : 0) + 3) & ~int64_t{3};
  const int64_t size = pitch * (height > 0 ? height : 0);
  if (size > 0 && size <= 0x7FFFFFFF) {
    surface->description_.pitch = static_cast<int32_t>(pitch);
    surface->memory_.assign(static_cast<size_t>(size), 0);
  }
  return surface;
}

SurfaceRef Surface::CreateFlipChain(int32_t width, int32_t height, int32_t backBuffers, const SurfaceDescription& layout) {
  SurfaceRef primary = Create(width, height, layout);
  for (int32_t i = 0; i < backBuffers; ++i) primary->attached_.push_back(Create(width, height, layout));
  return primary;
}

uint8_t* Surface::Lock(int32_t* pitch) {
  if (lost_ || locked_ || memory_.empty()) return nullptr;
  locked_ = true;
  if (pitch) *pitch = description_.pitch;
  return memory_.data();
}

void Surface::Unlock() { locked_ = false; }

bool Surface::Flip() {
  const SurfaceRef back = GetAttachedBackBuffer();
  if (!back || lost_ || back->memory_.size() != memory_.size()) return false;
  memory_.swap(back->memory_);
  return true;
}

}  // namespace platform
