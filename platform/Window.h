// The window layer: windows of the emulated screen, one of them shown as the
// SDL window. A window has a handle that messages address, a procedure that
// receives them, a rectangle in screen coordinates (the screen being the
// emulated display, so a window covering it is scaled into the SDL window),
// an update region that produces paint messages, and a title and class name
// that other processes can find it by (platform/InstanceDirectory.h).
// All of it is for the user-interface thread, except IsWindow.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/PixelBuffer.h"
#include "platform/WindowMessage.h"

struct SDL_Window;

namespace platform {

class Window;

// Receives the messages dispatched to a window; answers the message's result.
using WindowProcedure = std::function<intptr_t(Window& window, const Message& message)>;

struct WindowOptions {
  std::string className;  // code page 1252
  std::string title;      // code page 1252
  Rect bounds{0, 0, 640, 480};
  // Backed by the SDL window; false makes a window that only takes messages
  // (a window behind the one shown, or one in a test).
  bool native = true;
  // Desktop full screen (ignored when OSTREVAN_WINDOWED=1 is set).
  bool fullScreen = false;
  bool visible = false;
  // Kept in front of every window without it (an always-on-top request to
  // the desktop for the SDL window).
  bool topmost = false;
  // Without the desktop's frame and caption (the program draws its own).
  bool borderless = false;
  // A pop-up helper window (a tooltip): kept out of the task bar.
  bool popup = false;
  // Placed on the screen at bounds' top-left corner (else centred), and kept
  // there by MoveTo.
  bool placeAtBounds = false;
};

// Starts SDL video and the window layer's hooks (cursor backend, queue peek,
// screen-to-client). Idempotent; false when SDL video cannot start, in which
// case windows can still be made with native = false.
bool InitializeWindowSystem();
// Stops what InitializeWindowSystem started. Windows must be gone.
void ShutdownWindowSystem();
// True while SDL video runs.
bool IsWindowSystemRunning();
// True when OSTREVAN_WINDOWED=1 asks for a window instead of full screen.
bool IsWindowedForced();

class Window {
 public:
  // Makes a window; null when a native window cannot be made. The caller owns it.
  static std::unique_ptr<Window> Create(const WindowOptions& options);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  WindowHandle GetHandle() const { return handle_; }
  // The window of a handle; null when none (user-interface thread only).
  static Window* FromHandle(WindowHandle handle);
  // True when the handle names a live window (any thread).
  static bool IsWindow(WindowHandle handle);
  // The window shown as the SDL window of the given SDL id, or null.
  static Window* FromSdlWindowId(uint32_t sdlId);
  // The first native window, or null.
  static Window* GetPrimary();
  // Calls f for every window, in creation order.
  static void ForEach(const std::function<void(Window&)>& f);
  // The front window of the screen's stacking order among the shown ones:
  // topmost windows stand before the others, and within each group the
  // window made, shown or raised last stands in front. Null when no window
  // is shown.
  static Window* GetTopWindow();

  void SetProcedure(WindowProcedure procedure) { procedure_ = std::move(procedure); }
  const WindowProcedure& GetProcedure() const { return procedure_; }

  bool IsNative() const { return sdlWindow_ != nullptr; }
  SDL_Window* GetSdlWindow() const { return sdlWindow_; }

  // The window's rectangle in screen coordinates; its client area is (0, 0,
  // width, height). For the native window the client size is the logical size
  // that the SDL window shows scaled.
  Rect GetBounds() const { return bounds_; }
  void SetBounds(const Rect& bounds);
  // Moves the window's top-left corner to the screen point, keeping its size
  // (and moves the SDL window when it was placed at its bounds).
  void MoveTo(int32_t x, int32_t y);
  int32_t GetClientWidth() const { return bounds_.right - bounds_.left; }
  int32_t GetClientHeight() const { return bounds_.bottom - bounds_.top; }

  // Maps a position in SDL window pixels to client coordinates (may fall
  // outside the client area, negative included).
  Point MapFromSdlWindow(int32_t x, int32_t y) const;
  // Puts the pointer on a client point: at the SDL window position that
  // maps back to that point, and the motion the move causes is mapped to
  // exactly that point even where the scaling would round it elsewhere.
  // False for a window that is not native.
  bool WarpPointer(const Point& client);

  void Show(bool visible);
  bool IsVisible() const { return visible_; }
  void Minimize();
  void Restore();
  bool IsMinimized() const;
  // Brings the window to the front (of its group: a window that is not
  // topmost stays behind the topmost ones) and gives it the keyboard.
  void Raise();
  // Makes the window topmost or not; a change puts it in front of its new
  // group and is passed to the SDL window.
  void SetTopmost(bool topmost);
  bool IsTopmost() const { return topmost_; }
  // Full screen covers the whole display with the window (SDL's desktop full
  // screen; where no window manager runs, a frameless window placed over the
  // display, which SDL would otherwise wait for in vain; asked again, it is
  // placed over the display again).
  void SetFullScreen(bool fullScreen);
  bool IsFullScreen() const { return fullScreen_; }

  // A disabled window takes no mouse or key input.
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool IsEnabled() const { return enabled_; }

  const std::string& GetClassName() const { return className_; }
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title);

  // The update region, kept as the rectangle that bounds everything
  // invalidated and not validated since. A null rectangle means the whole
  // client area. While it is not empty the queue hands out a paint message
  // for the window when nothing else is waiting.
  void Invalidate(const Rect* rect);
  void Validate(const Rect* rect);
  bool GetUpdateRect(Rect& out) const;
  bool HasUpdateRegion() const { return !update_.IsEmpty(); }
  // The update rectangle, validated: what a paint handler draws.
  Rect BeginPaint();

 private:
  Window() = default;
  // Makes the SDL window full screen; true when it is.
  bool ApplyFullScreen();

  WindowHandle handle_ = 0;
  WindowProcedure procedure_;
  SDL_Window* sdlWindow_ = nullptr;
  Rect bounds_{};
  Rect update_{};
  std::string className_;
  std::string title_;
  bool visible_ = false;
  bool enabled_ = true;
  bool fullScreen_ = false;
  bool coversDisplay_ = false;  // full screen by covering the display (no window manager)
  bool framed_ = true;
  bool topmost_ = false;
  bool placed_ = false;
  // The last warp: the SDL window position, the window's size then, and the
  // client point its motion stands for.
  bool warped_ = false;
  Point warpPixel_{};
  Point warpWindowSize_{};
  Point warpClient_{};
};

// Mouse capture: while a window holds it, every mouse message goes to it,
// also outside the window (SDL_CaptureMouse where the system allows it).
void SetCapture(WindowHandle window);
void ReleaseCapture();
WindowHandle GetCapture();

// The window that receives key messages (0: the primary window).
void SetFocus(WindowHandle window);
WindowHandle GetFocus();

// Whether the desktop's screen saver may start while the program runs.
void SetScreenSaverAllowed(bool allowed);
bool IsScreenSaverAllowed();

}  // namespace platform
