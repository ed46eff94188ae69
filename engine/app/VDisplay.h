// The screen as the engine sees it: the one program-wide VDisplay (display
// mode, saved mode, capabilities, the full-screen flip pixel map and the
// frame-pending flag) and the one VPrimarySurface (the flip chain whose back
// buffer the flip pixel map draws into, switched off while the program is in
// the background). Both sit on platform::Display, which emulates the mode
// switch and presents the back buffer in the SDL window.
// User-interface thread only.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "platform/Surface.h"

class PixelMap;
class VWindow;

// The primary surface and its attached back buffer. Made by the application
// constructor through GetPrimarySurface and deleted by its destructor.
class VPrimarySurface {
 public:
  VPrimarySurface() = default;
  ~VPrimarySurface();
  VPrimarySurface(const VPrimarySurface&) = delete;
  VPrimarySurface& operator=(const VPrimarySurface&) = delete;

  // The surfaces of the chain (kept here too), null while inactive.
  platform::SurfaceRef GetSurface() const { return active_ ? primary_ : nullptr; }
  platform::SurfaceRef GetBackBuffer() const;
  // Restores the primary surface when active, given it, and its memory was lost.
  void RestoreSurface(platform::Surface* surface);
  void SetActive(bool active) { active_ = active; }
  bool IsActive() const { return active_; }

  // Makes (again) a flip chain of `count` surfaces (primary + back buffers)
  // of the size, in 5-6-5; `count` at least 2. False on failure.
  bool CreateFlipChain(int32_t width, int32_t height, int32_t count);
  void ReleaseFlipChain();

 private:
  platform::SurfaceRef primary_;
  bool active_ = true;
};

// Made on the first call (the application constructor makes the first call);
// DeletePrimarySurface ends it (the application destructor).
VPrimarySurface* GetPrimarySurface();
void DeletePrimarySurface();

class VDisplay {
 public:
  // The one display.
  static VDisplay& Get();

  // Once: the mode in force becomes the current and the saved mode, the
  // resolution and capabilities are read, and the display becomes what
  // pixel maps of storage kind 2 draw through.
  void Init();
  // The current mode; 640 x 480 x 8 and false without DirectDraw. A 5-5-5
  // mode reports 15 bits.
  bool GetDisplayMode(int32_t& width, int32_t& height, int32_t& bitsPerPixel);
  void GetScreenRect(VRect& out) const { out = VRect(0, 0, width_, height_); }
  bool QueryDisplayMode(int32_t& width, int32_t& height);
  // Switches the mode; only when all three values are non-zero (15 asks for
  // 16). With remember, notes whether a size and a depth were asked for.
  bool SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel, bool remember);
  void EnterExclusiveMode();
  void LeaveExclusiveMode();
  // Makes the flip pixel map over the back buffer (only while a mode of the
  // program's own is in force).
  void EnterFullScreen();
  bool SetBufferSwap(bool swapped);
  void MarkFramePending() { framePending_ = true; }
  // Shows a pending frame (called by every idle step).
  void Present();
  // Gives the display mode back; afterwards nothing presents.
  void ReleaseFullScreen();
  void SetPrimaryActive(bool active);

  // The main window: the window the exclusive mode belongs to and the one
  // that moves on to its next off-screen map after a present (not owned).
  void SetMainWindow(VWindow* window) { mainWindow_ = window; }
  VWindow* GetMainWindow() const { return mainWindow_; }

  bool HasDirectDraw() const { return directDraw_; }
  uint32_t GetVideoMemory() const;
  int32_t GetSurfacePitch() const;
  int32_t GetPixelsPerInchY() const { return pixelsPerInchY_; }
  bool CanBltFromSystemMemory() const { return canBltFromSystemMemory_; }
  bool CanBlt() const { return canBlt_; }
  bool HasOverlay() const { return hasOverlay_; }
  bool IsFullScreen() const { return fullScreen_; }
  bool IsModeRestored() const { return modeRestored_; }
  bool IsFramePending() const { return framePending_; }
  bool IsInitialised() const { return initialised_; }
  bool IsSizeRequested() const { return sizeRequested_; }
  bool IsDepthRequested() const { return depthRequested_; }
  int32_t GetExclusiveCount() const { return exclusiveCount_; }
  // Owned by the display; valid until the next EnterFullScreen or ReleaseFullScreen.
  PixelMap* GetFlipPixelMap() const { return flipPixelMap_; }
  platform::Surface* GetFlipSurface() const { return flipSurface_.get(); }
  void GetSavedMode(int32_t& width, int32_t& height, int32_t& bitsPerPixel) const {
    width = savedWidth_;
    height = savedHeight_;
    bitsPerPixel = savedBitsPerPixel_;
  }
  // How many frames went out to the screen (for tests and measurements).
  uint32_t GetPresentCount() const { return presentCount_; }

  // Tests: run as if DirectDraw could not be created (before Init), and
  // forget everything (the flip map deleted, the mode given back, Init to run again).
  static void SetDirectDrawAvailableForTesting(bool available);
  void ResetForTesting();

 private:
  VDisplay() = default;
  bool SendFrameToScreen();

  bool initialised_ = false;
  bool framePending_ = false;
  int32_t exclusiveCount_ = 0;
  int32_t bitsPerPixel_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t savedBitsPerPixel_ = 0;
  int32_t savedWidth_ = 0;
  int32_t savedHeight_ = 0;
  bool sizeRequested_ = false;
  bool depthRequested_ = false;
  int32_t pixelsPerInchY_ = 72;
  bool modeRestored_ = true;
  bool buffersSwapped_ = false;
  bool surfaceBorrowed_ = false;
  bool fullScreen_ = false;
  bool canBltFromSystemMemory_ = false;
  bool canBlt_ = false;
  bool hasOverlay_ = false;
  bool emulatedOverlay_ = false;
  bool directDraw_ = false;
  platform::SurfaceRef flipSurface_;
  PixelMap* flipPixelMap_ = nullptr;
  VWindow* mainWindow_ = nullptr;
  uint32_t presentCount_ = 0;
};
