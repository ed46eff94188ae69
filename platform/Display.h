// The screen as the engine's display code sees it, standing in for DirectDraw:
// display modes (the switch to 640 x 480 x 16 is emulated and granted: the
// window shows the mode's picture scaled to the desktop or to itself), a
// back buffer of plain memory in 5-6-5 format that the engine draws into,
// blits into it, and a flip that uploads it to a streaming texture and
// presents it. The back buffer keeps its contents across flips. Activation
// and loss follow the shown window's focus and minimising. For tests, the
// desktop mode, the refusal of mode switches and the current mode can be set.
// User-interface thread, except where noted.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/PixelBuffer.h"

struct SDL_Renderer;

namespace platform {

class Window;

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;  // 15 for a 5-5-5 mode
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

class Display {
 public:
  // The one display of the program.
  static Display& Get();

  // The desktop's mode: the real desktop size at 32 bits (640 x 480 x 32
  // when there is no video), or the mode set for tests.
  DisplayMode GetDesktopMode() const;
  // The mode in force: the desktop's until a switch is granted.
  DisplayMode GetCurrentMode() const;
  // Switches the emulated mode. Granted for 16 bits (15 is asked as 16) and
  // sizes from 1 x 1 to 4096 x 4096, unless switches are refused for a test.
  bool SetMode(int32_t width, int32_t height, int32_t bitsPerPixel);
  // Gives the desktop's mode back (the window leaves full screen).
  void RestoreMode();
  bool IsModeSwitched() const { return switched_; }

  // Test settings: the desktop mode reported (and in force until a switch),
  // refused switches, and the current mode set directly. ResetForTesting
  // undoes all of it, drops the back buffer and detaches the window.
  void SetDesktopModeForTesting(const DisplayMode& mode);
  void SetModeSwitchRefusedForTesting(bool refused) { refuseSwitch_ = refused; }
  void SetCurrentModeForTesting(const DisplayMode& mode);
  void ResetForTesting();

  // What the display reports of itself.
  int32_t GetPixelsPerInchY() const { return 96; }
  uint32_t GetVideoMemory() const { return 64u * 1024u * 1024u; }
  bool CanBltFromSystemMemory() const { return true; }
  bool CanBlt() const { return true; }
  bool HasOverlay() const { return false; }

  // The window that shows the frames (not owned; null detaches). The display
  // makes its renderer on the window's SDL window when a mode switch is
  // granted or else on the first flip: SDL's choice, or its software renderer
  // where OpenGL would be drawn in software (see RendererChoice.h).
  void AttachWindow(Window* window);
  Window* GetAttachedWindow() const { return window_; }

  // The back buffer: width x height of the current mode, 5-6-5 words, pitch
  // width x 2 (1280 at 640 x 480). Made by CreateBackBuffer (again when the
  // size changes); owned by the display, valid until the next
  // CreateBackBuffer, ReleaseBackBuffer or ResetForTesting.
  bool CreateBackBuffer();
  void ReleaseBackBuffer();
  bool HasBackBuffer() const { return !backBuffer_.empty(); }
  PixelBuffer GetBackBuffer();
  int32_t GetBackBufferPitch() const { return HasBackBuffer() ? backWidth_ * 2 : 0; }

  // Copies a rectangle of a pixel map into the back buffer at (x, y), clipped
  // to both. Any layout converts; 5-6-5 copies rows. False without a back
  // buffer or with an invalid source.
  bool Blit(const PixelBuffer& source, const Rect& sourceRect, int32_t x, int32_t y);

  // True when a flip can go out now: a back buffer, a window that shows, and
  // not lost.
  bool CanFlip() const;
  // Presents the back buffer: uploads it to the texture and shows it scaled
  // into the window. False when it cannot (the frame stays for the caller to
  // try again).
  bool Flip();
  // Makes the renderer for the attached window unless there is one. False
  // without a native window or when SDL makes none.
  bool PrepareRenderer();
  // The renderer that presents (null until made); for tests that read back
  // what was shown.
  SDL_Renderer* GetRenderer() const { return renderer_; }

  // Activation: the program's window has the input. Lost: it is minimised,
  // so nothing is shown. Both follow SDL's window events (any thread may
  // deliver them); tests may set them.
  bool IsActive() const { return active_; }
  bool IsLost() const { return lost_; }
  void SetActive(bool active) { active_ = active; }
  void SetLost(bool lost) { lost_ = lost; }

 private:
  Display() = default;
  void DropRenderer();

  DisplayMode desktopOverride_{};
  bool hasDesktopOverride_ = false;
  DisplayMode current_{};
  bool hasCurrent_ = false;
  bool switched_ = false;
  bool refuseSwitch_ = false;

  Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  void* texture_ = nullptr;  // SDL_Texture
  int32_t textureWidth_ = 0;
  int32_t textureHeight_ = 0;
  bool ownsRenderer_ = false;
  bool watching_ = false;

  std::vector<uint16_t> backBuffer_;
  int32_t backWidth_ = 0;
  int32_t backHeight_ = 0;

  std::atomic<bool> active_{true};
  std::atomic<bool> lost_{false};
  std::atomic<uint32_t> watchedSdlId_{0};


 public:
  // SDL's event watch calls this with the display and the event.
  static int EventWatchFor(void* userData, void* event);
};

}  // namespace platform
