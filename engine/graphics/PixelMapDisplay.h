// What pixel maps need of the display: whether the application is active,
// the flip chain whose back buffer a surface map (storage kind 2) draws into,
// restoring lost surfaces, and the screen's off-screen map for depth 0. The
// display layer installs its own; until then a memory stand-in serves.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "platform/Surface.h"

class PixelMap;

class PixelMapDisplay {
 public:
  virtual ~PixelMapDisplay() = default;
  // False while the application is in the background: surface and DIB maps
  // then refuse their first Lock.
  virtual bool IsActive() = 0;
  virtual void EnterExclusiveMode() {}
  // Builds (again) the flip chain of `count` surfaces for a map of that size;
  // `count` becomes the number made. False on failure. The display keeps the
  // primary surface and back buffer; a caller keeping one shares it.
  virtual bool CreateFlipChain(const VRect& bounds, int32_t& count) = 0;
  virtual platform::SurfaceRef GetPrimarySurface() = 0;
  virtual platform::SurfaceRef GetBackBuffer() = 0;
  // Restores the primary surface when its memory was lost.
  virtual void RestoreSurface(platform::Surface* surface) = 0;
  // The main window's current off-screen map (its depth and format are the
  // screen's), or null.
  virtual PixelMap* GetScreenPixelMap() { return nullptr; }
};

// The memory stand-in: surfaces in CPU memory, 5-6-5 unless told otherwise.
class MemoryPixelMapDisplay : public PixelMapDisplay {
 public:
  bool IsActive() override { return active_; }
  bool CreateFlipChain(const VRect& bounds, int32_t& count) override;
  platform::SurfaceRef GetPrimarySurface() override { return primary_; }
  platform::SurfaceRef GetBackBuffer() override { return primary_ ? primary_->GetAttachedBackBuffer() : nullptr; }
  void RestoreSurface(platform::Surface* surface) override;
  PixelMap* GetScreenPixelMap() override { return screenMap_; }

  void SetActive(bool active) { active_ = active; }
  void SetSurfaceLayout(const platform::SurfaceDescription& layout) { layout_ = layout; }
  void SetScreenPixelMap(PixelMap* map) { screenMap_ = map; }
  void SetFailFlipChains(bool fail) { failChains_ = fail; }
  int32_t GetRestoreCount() const { return restores_; }

 private:
  platform::SurfaceRef primary_;
  platform::SurfaceDescription layout_;
  PixelMap* screenMap_ = nullptr;
  bool active_ = true;
  bool failChains_ = false;
  int32_t restores_ = 0;
};

// The installed display (never null: the memory stand-in by default).
PixelMapDisplay* GetPixelMapDisplay();
// Installs a display (not owned; null reinstalls the stand-in); returns the previous one.
PixelMapDisplay* SetPixelMapDisplay(PixelMapDisplay* display);
