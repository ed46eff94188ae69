// Display surfaces: the stand-in for DirectDraw surfaces and their flip chain.
// A surface is CPU memory with a pitch and an RGB pixel layout; a flip chain is
// a primary surface with attached back buffers. Presenting them on a screen
// arrives with the window layer.
#pragma once

#include <cstdint>
#include <cstddef>
#include <memory>
#include <vector>

namespace platform {

// What GetSurfaceDesc reports.
struct SurfaceDescription {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  bool rgb = true;             // DDPF_RGB
  int32_t bitCount = 16;
  uint32_t redMask = 0xF800;
  uint32_t greenMask = 0x07E0;
  uint32_t blueMask = 0x001F;
  bool videoMemory = false;    // DDSCAPS_VIDEOMEMORY
};

class Surface;
// Surfaces are shared: the display keeps its flip chain, a pixel map drawing
// into a back buffer keeps that buffer, and whichever lets go last frees it.
using SurfaceRef = std::shared_ptr<Surface>;

class Surface {
 public:
  // A surface of width x height pixels of the description's layout, rows
  // padded to 4 bytes. Never null; IsValid tells whether memory was obtained.
  static SurfaceRef Create(int32_t width, int32_t height, const SurfaceDescription& layout);
  // A primary surface with `backBuffers` attached back buffers of the same
  // size and layout (the primary keeps each).
  static SurfaceRef CreateFlipChain(int32_t width, int32_t height, int32_t backBuffers,
                                  const SurfaceDescription& layout);

  bool IsValid() const { return !memory_.empty(); }
  const SurfaceDescription& GetDescription() const { return description_; }
  // The first attached back buffer, or null.
  SurfaceRef GetAttachedBackBuffer() const { return attached_.empty() ? nullptr : attached_.front(); }

  // Locks the whole surface: its memory and pitch, or null while the surface
  // is lost or already locked.
  uint8_t* Lock(int32_t* pitch);
  void Unlock();
  bool IsLocked() const { return locked_; }

  bool IsLost() const { return lost_; }
  void SetLost(bool lost) { lost_ = lost; }
  // Brings a lost surface back (the contents are kept in this stand-in).
  void Restore() { lost_ = false; }

  // Exchanges the memory of this surface and its first back buffer.
  bool Flip();

 private:
  Surface() = default;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  SurfaceDescription description_;
  std::vector<uint8_t> memory_;
  std::vector<SurfaceRef> attached_;
  bool locked_ = false;
  bool lost_ = false;
};

}  // namespace platform
