#include "platform/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Codepage1252.h"
#include "platform/Cursor.h"
#include "platform/Display.h"
#include "platform/InstanceDirectory.h"
#include "platform/LogicalScaling.h"
#include "platform/MessageQueue.h"
#include "platform/PointerWarp.h"
#include "platform/SdlCursorBackend.h"
#include "platform/SdlPointerWarp.h"
#include "platform/WindowQueue.h"
#include "platform/WindowSystemInternal.h"
#include "platform/X11Errors.h"
#include "platform/X11Server.h"

namespace platform {
namespace {

// Windows in creation order (user-interface thread) and the live handles
// (any thread, under the mutex).
std::vector<Window*> gWindows;
// The stacking order, front first: the topmost windows, then the others.
std::vector<Window*> gStacking;
std::mutex gHandleMutex;
std::unordered_set<WindowHandle> gLiveHandles;
WindowHandle gNextHandle = 1;

bool gVideoRunning = false;
bool gScreenSaverAllowed = false;
WindowHandle gCapture = 0;
WindowHandle gFocus = 0;

SdlCursorBackend* gCursorBackend = nullptr;
CursorBackend* gPreviousCursorBackend = nullptr;
SdlPointerWarp* gPointerWarp = nullptr;
PointerWarpBackend* gPreviousPointerWarp = nullptr;
PeekMessageHook gPreviousPeek = nullptr;
ScreenToClientHook gPreviousScreenToClient = nullptr;

bool PeekHook() {
  Message m;
  return PeekMessage(m, false);
}

void ScreenToClientOfWindow(void* window, ScreenPoint& point) {
  const Rect b = static_cast<Window*>(window)->GetBounds();
  point.x -= b.left;
  point.y -= b.top;
}

Rect Normalised(const Rect& r) {
  Rect n = r;
  if (n.right < n.left) std::swap(n.right, n.left);
  if (n.bottom < n.top) std::swap(n.bottom, n.top);
  return n;
}

// Puts the window in front of its group of the stacking order.
void PlaceInFront(Window* w) {
  gStacking.erase(std::remove(gStacking.begin(), gStacking.end(), w), gStacking.end());
  auto at = gStacking.begin();
  if (!w->IsTopmost()) {
    while (at != gStacking.end() && (*at)->IsTopmost()) ++at;
  }
  gStacking.insert(at, w);
}

// Whether a Wayland compositor could be reached. libwayland connects
// through WAYLAND_SOCKET, an absolute WAYLAND_DISPLAY, or a socket in
// XDG_RUNTIME_DIR (which must be an absolute path); without any of them its
// connection fails and it writes "XDG_RUNTIME_DIR is invalid or not set" to
// standard error on its own.
bool WaylandReachable() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
  };
  const auto absolute = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/';
  };
  return set("WAYLAND_SOCKET") || absolute("WAYLAND_DISPLAY") || absolute("XDG_RUNTIME_DIR");
}

// When the video drivers are SDL's to choose and no Wayland compositor can
// be reached, the drivers SDL would try on its own, in its order, without
// Wayland: its probe could only fail, and the library's line would come
// before the program's own messages. The user's SDL_VIDEODRIVER still wins
// over the hint.
void LeaveOutUnreachableWayland() {
  if (WaylandReachable()) return;
  std::string drivers;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* name = SDL_GetVideoDriver(i);
    if (name == nullptr) continue;
    const std::string driver = name;
    // Wayland, and the drivers SDL uses only when they are named.
    if (driver == "wayland" || driver == "dummy" || driver == "evdev" || driver == "offscreen") continue;
    if (!drivers.empty()) drivers += ',';
    drivers += driver;
  }
  if (!drivers.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

}  // namespace

bool IsWindowedForced() {
  const char* v = std::getenv("OSTREVAN_WINDOWED");
  return v != nullptr && v[0] != '\0' && v[0] != '0';
}

bool InitializeWindowSystem() {
  if (gVideoRunning) {
    return true;
  }
  // Closing the last window is the program's decision (a close message),
  // not SDL's quit event.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, gScreenSaverAllowed ? "1" : "0");
  // A click on a window that has just taken the focus is still a click for
  // it. Without this SDL's X11 driver drops a press read within 10 ms of a
  // focus event: when the program was held up and reads both in one go, a
  // click made long after the focus change is lost.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Windows drawn in software show their pixels through SDL's window surface
  // in the system's own way: a surface made through a renderer would make
  // the window again, losing its place on the screen.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Before SDL opens its display: SDL chains its own handler to the one it
  // finds and puts that back when it closes the display, when errors still
  // pending are read.
  internal::InstallX11ErrorHandler();
  LeaveOutUnreachableWayland();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    return false;
  }
  gVideoRunning = true;
  internal::SetSdlQueueEnabled(true);
  gCursorBackend = new SdlCursorBackend();
  gPreviousCursorBackend = SetCursorBackend(gCursorBackend);
  gPointerWarp = new SdlPointerWarp();
  gPreviousPointerWarp = SetPointerWarpBackend(gPointerWarp);
  gPreviousPeek = SetPeekMessageHook(&PeekHook);
  gPreviousScreenToClient = SetScreenToClientHook(&ScreenToClientOfWindow);
  return true;
}

void ShutdownWindowSystem() {
  if (!gVideoRunning) {
    return;
  }
  SetScreenToClientHook(gPreviousScreenToClient);
  SetPeekMessageHook(gPreviousPeek);
  SetCursorBackend(gPreviousCursorBackend);
  delete gCursorBackend;
  if (gPointerWarp != nullptr) gPointerWarp->SetPointerGrab(false);
  SetPointerWarpBackend(gPreviousPointerWarp);
  delete gPointerWarp;
  gPointerWarp = nullptr;
  gCursorBackend = nullptr;
  internal::SetSdlQueueEnabled(false);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  gVideoRunning = false;
}

bool IsWindowSystemRunning() { return gVideoRunning; }

SdlCursorBackend* GetSdlCursorBackend() { return gCursorBackend; }

std::unique_ptr<Window> Window::Create(const WindowOptions& options) {
  std::unique_ptr<Window> w(new Window());
  w->bounds_ = Normalised(options.bounds);
  w->className_ = options.className;
  w->title_ = options.title;
  w->visible_ = options.visible;
  w->topmost_ = options.topmost;
  if (options.native) {
    if (!gVideoRunning) {
      return nullptr;
    }
    const bool fullScreen = options.fullScreen && !IsWindowedForced();
    Uint32 flags = SDL_WINDOW_RESIZABLE;
    // A full-screen window is made hidden and shown once it covers the screen.
    flags |= options.visible && !fullScreen ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (options.topmost) {
      flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    }
    if (options.borderless) {
      flags = (flags & ~static_cast<Uint32>(SDL_WINDOW_RESIZABLE)) | SDL_WINDOW_BORDERLESS;
    }
    if (options.popup) {
      flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_TOOLTIP;
    }
    const bool placed = options.placeAtBounds && !fullScreen;
    const int x = placed ? w->bounds_.left : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    const int y = placed ? w->bounds_.top : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    const int width = std::max(1, w->GetClientWidth());
    const int height = std::max(1, w->GetClientHeight());
    w->sdlWindow_ = SDL_CreateWindow(Cp1252ToUtf8(options.title).c_str(), x, y, width, height, flags);
    if (w->sdlWindow_ == nullptr) {
      return nullptr;
    }
    w->framed_ = !options.borderless;
    w->placed_ = placed;
    if (fullScreen) {
      w->fullScreen_ = w->ApplyFullScreen();
      if (options.visible) {
        SDL_ShowWindow(w->sdlWindow_);
      }
    }
  }
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    w->handle_ = gNextHandle++;
    gLiveHandles.insert(w->handle_);
  }
  gWindows.push_back(w.get());
  PlaceInFront(w.get());
  InstanceDirectory::PublishWindow(w->handle_, w->className_, w->title_);
  return w;
}

Window::~Window() {
  if (Display::Get().GetAttachedWindow() == this) {
    Display::Get().AttachWindow(nullptr);  // its renderer goes before the SDL window
  }
  InstanceDirectory::WithdrawWindow(handle_);
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    gLiveHandles.erase(handle_);
  }
  gWindows.erase(std::remove(gWindows.begin(), gWindows.end(), this), gWindows.end());
  gStacking.erase(std::remove(gStacking.begin(), gStacking.end(), this), gStacking.end());
  if (gCapture == handle_) {
    ReleaseCapture();
  }
  if (gFocus == handle_) {
    gFocus = 0;
  }
  internal::ForgetWindow(handle_);
  if (sdlWindow_ != nullptr) {
    SDL_DestroyWindow(sdlWindow_);
  }
}

Window* Window::FromHandle(WindowHandle handle) {
  if (handle == 0) {
    return nullptr;
  }
  for (Window* w : gWindows) {
    if (w->handle_ == handle) {
      return w;
    }
  }
  return nullptr;
}

bool Window::IsWindow(WindowHandle handle) {
  std::lock_guard<std::mutex> lock(gHandleMutex);
  return gLiveHandles.count(handle) != 0;
}

Window* Window::FromSdlWindowId(uint32_t sdlId) {
  for (Window* w : gWindows) {
    if (w->sdlWindow_ != nullptr && SDL_GetWindowID(w->sdlWindow_) == sdlId) {
      return w;
    }
  }
  return nullptr;
}

Window* Window::GetPrimary() {
  for (Window* w : gWindows) {
    if (w->sdlWindow_ != nullptr) {
      return w;
    }
  }
  return nullptr;
}

void Window::ForEach(const std::function<void(Window&)>& f) {
  const std::vector<Window*> copy = gWindows;  // f may make or delete windows
  for (Window* w : copy) {
    if (std::find(gWindows.begin(), gWindows.end(), w) != gWindows.end()) {
      f(*w);
    }
  }
}

Window* Window::GetTopWindow() {
  for (Window* w : gStacking) {
    if (w->visible_) {
      return w;
    }
  }
  return nullptr;
}

void Window::SetBounds(const Rect& bounds) {
  const Rect n = Normalised(bounds);
  const bool resized = (n.right - n.left) != GetClientWidth() || (n.bottom - n.top) != GetClientHeight();
  bounds_ = n;
  if (sdlWindow_ != nullptr && resized && !fullScreen_) {
    SDL_SetWindowSize(sdlWindow_, std::max(1, GetClientWidth()), std::max(1, GetClientHeight()));
  }
  Invalidate(nullptr);
}

void Window::MoveTo(int32_t x, int32_t y) {
  const int32_t width = GetClientWidth();
  const int32_t height = GetClientHeight();
  bounds_ = Rect{x, y, x + width, y + height};
  if (sdlWindow_ != nullptr && placed_ && !fullScreen_) SDL_SetWindowPosition(sdlWindow_, x, y);
}

Point Window::MapFromSdlWindow(int32_t x, int32_t y) const {
  if (sdlWindow_ == nullptr) {
    return Point{x, y};
  }
  int w = 0;
  int h = 0;
  SDL_GetWindowSize(sdlWindow_, &w, &h);
  if (warped_ && x == warpPixel_.x && y == warpPixel_.y && w == warpWindowSize_.x && h == warpWindowSize_.y) {
    return warpClient_;  // the warp's own motion lands where it was sent
  }
  const LetterboxRect box = ComputeLetterbox(w, h, GetClientWidth(), GetClientHeight());
  if (box.width == 0) {
    return Point{x, y};
  }
  return Point{MapToLogical(x, box.x, box.width, GetClientWidth()),
               MapToLogical(y, box.y, box.height, GetClientHeight())};
}

bool Window::WarpPointer(const Point& client) {
  if (sdlWindow_ == nullptr) {
    return false;
  }
  int w = 0;
  int h = 0;
  SDL_GetWindowSize(sdlWindow_, &w, &h);
  const LetterboxRect box = ComputeLetterbox(w, h, GetClientWidth(), GetClientHeight());
  Point pixel = client;
  if (box.width != 0) {
    // Inside the picture: SDL would move a position outside the window to its edge.
    pixel = Point{std::clamp(MapFromLogical(client.x, box.x, box.width, GetClientWidth()), box.x, box.x + box.width - 1),
                  std::clamp(MapFromLogical(client.y, box.y, box.height, GetClientHeight()), box.y,
                             box.y + box.height - 1)};
  }
  warped_ = true;
  warpPixel_ = pixel;
  warpWindowSize_ = Point{w, h};
  warpClient_ = client;
  SDL_WarpMouseInWindow(sdlWindow_, pixel.x, pixel.y);
  return true;
}

void Window::Show(bool visible) {
  if (visible && !visible_) {
    PlaceInFront(this);  // a window that appears stands in front
  }
  visible_ = visible;
  if (sdlWindow_ != nullptr) {
    if (visible) {
      SDL_ShowWindow(sdlWindow_);
    } else {
      SDL_HideWindow(sdlWindow_);
    }
  }
  if (visible) {
    Invalidate(nullptr);
  }
}

void Window::Minimize() {
  if (sdlWindow_ != nullptr) {
    SDL_MinimizeWindow(sdlWindow_);
  }
}

void Window::Restore() {
  if (sdlWindow_ != nullptr) {
    SDL_RestoreWindow(sdlWindow_);
  }
}

bool Window::IsMinimized() const {
  return sdlWindow_ != nullptr && (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_MINIMIZED) != 0;
}

void Window::Raise() {
  PlaceInFront(this);
  if (sdlWindow_ != nullptr) {
    if (IsMinimized()) {
      SDL_RestoreWindow(sdlWindow_);
    }
    SDL_RaiseWindow(sdlWindow_);
  }
}

void Window::SetTopmost(bool topmost) {
  if (topmost == topmost_) {
    return;
  }
  topmost_ = topmost;
  PlaceInFront(this);
  if (sdlWindow_ != nullptr) {
    SDL_SetWindowAlwaysOnTop(sdlWindow_, topmost ? SDL_TRUE : SDL_FALSE);
  }
}

void Window::SetFullScreen(bool fullScreen) {
  if (sdlWindow_ == nullptr) {
    return;
  }
  fullScreen = fullScreen && !IsWindowedForced();
  if (fullScreen && coversDisplay_) {
    // Placed over the display again: SDL remakes the window for an OpenGL
    // renderer where it last saw it, which need not be where it is.
    fullScreen_ = ApplyFullScreen();
    Invalidate(nullptr);
    return;
  }
  if (fullScreen == fullScreen_) {
    return;
  }
  if (fullScreen) {
    fullScreen_ = ApplyFullScreen();
  } else if (coversDisplay_) {
    coversDisplay_ = false;
    fullScreen_ = false;
    SDL_SetWindowBordered(sdlWindow_, framed_ ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(sdlWindow_, std::max(1, GetClientWidth()), std::max(1, GetClientHeight()));
    SDL_SetWindowPosition(sdlWindow_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  } else if (SDL_SetWindowFullscreen(sdlWindow_, 0) == 0) {
    fullScreen_ = false;
    SDL_SetWindowSize(sdlWindow_, std::max(1, GetClientWidth()), std::max(1, GetClientHeight()));
  }
  Invalidate(nullptr);
}

bool Window::ApplyFullScreen() {
  // Without a window manager nobody acts on SDL's request for full screen,
  // and SDL waits a while for an answer that never comes each time the
  // window is shown. The window covers the display itself instead, which is
  // all a full-screen window is there.
  const std::optional<bool> managed = internal::X11WindowManagerRunning(sdlWindow_);
  SDL_Rect area{};
  if (managed.has_value() && !*managed &&
      SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(sdlWindow_)), &area) == 0) {
    SDL_SetWindowBordered(sdlWindow_, SDL_FALSE);
    SDL_SetWindowPosition(sdlWindow_, area.x, area.y);
    SDL_SetWindowSize(sdlWindow_, area.w, area.h);
    coversDisplay_ = true;
    return true;
  }
  return SDL_SetWindowFullscreen(sdlWindow_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void Window::SetTitle(const std::string& title) {
  title_ = title;
  if (sdlWindow_ != nullptr) {
    SDL_SetWindowTitle(sdlWindow_, Cp1252ToUtf8(title).c_str());
  }
  InstanceDirectory::PublishWindow(handle_, className_, title_);
}

void Window::Invalidate(const Rect* rect) {
  const Rect client{0, 0, GetClientWidth(), GetClientHeight()};
  Rect r = rect != nullptr ? IntersectRects(Normalised(*rect), client) : client;
  if (r.IsEmpty()) {
    return;
  }
  if (update_.IsEmpty()) {
    update_ = r;
  } else {
    update_.left = std::min(update_.left, r.left);
    update_.top = std::min(update_.top, r.top);
    update_.right = std::max(update_.right, r.right);
    update_.bottom = std::max(update_.bottom, r.bottom);
  }
}

void Window::Validate(const Rect* rect) {
  if (rect == nullptr) {
    update_ = Rect{};
    return;
  }
  const Rect v = Normalised(*rect);
  if (update_.IsEmpty() || v.IsEmpty()) {
    return;
  }
  // The region is one rectangle: it shrinks only where the validated
  // rectangle covers a whole band of it; otherwise it stays (painting a
  // little more than needed, never less).
  const bool coversColumns = v.left <= update_.left && v.right >= update_.right;
  const bool coversRows = v.top <= update_.top && v.bottom >= update_.bottom;
  if (coversColumns && coversRows) {
    update_ = Rect{};
  } else if (coversColumns) {
    if (v.top <= update_.top && v.bottom > update_.top) {
      update_.top = v.bottom;
    } else if (v.bottom >= update_.bottom && v.top < update_.bottom) {
      update_.bottom = v.top;
    }
  } else if (coversRows) {
    if (v.left <= update_.left && v.right > update_.left) {
      update_.left = v.right;
    } else if (v.right >= update_.right && v.left < update_.right) {
      update_.right = v.left;
    }
  }
  if (update_.IsEmpty()) {
    update_ = Rect{};
  }
}

bool Window::GetUpdateRect(Rect& out) const {
  out = update_;
  return !update_.IsEmpty();
}

Rect Window::BeginPaint() {
  const Rect r = update_;
  update_ = Rect{};
  return r;
}

void SetCapture(WindowHandle window) {
  if (Window::FromHandle(window) == nullptr) {
    return;
  }
  gCapture = window;
  if (gVideoRunning) {
    SDL_CaptureMouse(SDL_TRUE);  // refused by some drivers: the capture then holds inside the window
  }
}

void ReleaseCapture() {
  if (gCapture != 0 && gVideoRunning) {
    SDL_CaptureMouse(SDL_FALSE);
  }
  gCapture = 0;
}

WindowHandle GetCapture() { return gCapture; }

void SetFocus(WindowHandle window) {
  gFocus = Window::FromHandle(window) != nullptr ? window : 0;
}

WindowHandle GetFocus() { return gFocus; }

void SetScreenSaverAllowed(bool allowed) {
  gScreenSaverAllowed = allowed;
  if (gVideoRunning) {
    if (allowed) {
      SDL_EnableScreenSaver();
    } else {
      SDL_DisableScreenSaver();
    }
  }
}

bool IsScreenSaverAllowed() { return gScreenSaverAllowed; }

}  // namespace platform
