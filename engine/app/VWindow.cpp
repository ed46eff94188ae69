#include "engine/app/VWindow.h"

#include <algorithm>
#include <vector>

#include "engine/app/MessagePointer.h"
#include "engine/app/VDisplay.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "platform/DeviceContext.h"
#include "platform/Display.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

namespace {

constexpr uint32_t kMessageCommand = 36;
// The kind code of a window that does not take the keyboard when activated.
constexpr int32_t kNoFocusKind = 25175;

// The program-wide list of engine windows (never destroyed: windows leave it
// themselves).
VLinkedList& WindowList() {
  static VLinkedList* list = new VLinkedList();
  return *list;
}

std::vector<VWindow*>& PendingDeletions() {
  static std::vector<VWindow*>* pending = new std::vector<VWindow*>();
  return *pending;
}

platform::Rect ToPlatform(const VRect& r) { return platform::Rect{r.left, r.top, r.right, r.bottom}; }
VRect FromPlatform(const platform::Rect& r) { return VRect(r.left, r.top, r.right, r.bottom); }

}  // namespace

void VWindow::VisitOffscreenMaps(const std::function<void(PixelMap*)>& visit) {
  // Every off-screen map of a window, not only the current one: with two
  // alternating maps the other would otherwise show the next frame with the
  // old table.
  for (VListElement* e = WindowList().GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* window = static_cast<VWindow*>(e);
    PixelMap* current = window->GetOffscreenPixelMap();
    bool currentVisited = false;
    for (int32_t i = 0; i < kMaxOffscreenMaps; ++i) {
      if (PixelMap* map = window->GetOffscreenMapAt(i)) {
        visit(map);
        currentVisited = currentVisited || map == current;
      }
    }
    if (current != nullptr && !currentVisited) visit(current);
  }
}

VWindow::VWindow(int32_t id, uint16_t windowId, const VRect& rect, bool create, uint32_t style, bool topmost,
                 bool followsMinimise)
    : VPanelOwner(kWindowKind, id), topmost_(topmost), followsMinimise_(followsMinimise), style_(style) {
  if (create) Create(windowId, rect, true, style, nullptr, true);
  WindowList().Append(this);
}

VWindow::~VWindow() {
  keepObject_ = true;  // the close path cannot delete the object a second time
  WindowList().Remove(this, false);
  auto& pending = PendingDeletions();
  pending.erase(std::remove(pending.begin(), pending.end(), this), pending.end());
  for (int32_t i = 0; i < kMaxOffscreenMaps; ++i) {
    delete offscreenMaps_[i];
    offscreenMaps_[i] = nullptr;
  }
  mapCount_ = 0;
  CloseAllPanels();
  if (VDisplay::Get().GetMainWindow() == this) VDisplay::Get().SetMainWindow(nullptr);
  if (window_ != nullptr && platform::GetCapture() == windowHandle_) platform::ReleaseCapture();
  window_.reset();
}

void VWindow::CloseAllPanels() {
  // Closes the first panel by its id until none is left; a panel that the
  // panel services leave in place is deleted directly.
  while (VGraphicObject* first = GetFirstChildObject()) {
    ClosePanel(first->GetId(), true);
    if (GetFirstChildObject() == first) {
      VTLink::DeleteChildren(first);
      delete first;
    }
  }
}

bool VWindow::Create(uint16_t /*windowId*/, const VRect& rect, bool clamp, uint32_t style, const VString* title,
                     bool native) {
  VRect r = rect;
  if (clamp) {
    VRect screen;
    VDisplay::Get().Init();
    VDisplay::Get().GetScreenRect(screen);
    const int32_t w = r.GetWidth();
    const int32_t h = r.GetHeight();
    if (r.right > screen.right) r = VRect(screen.right - w, r.top, screen.right, r.bottom);
    if (r.bottom > screen.bottom) r = VRect(r.left, screen.bottom - h, r.right, screen.bottom);
    if (r.left < screen.left) r = VRect(screen.left, r.top, screen.left + w, r.bottom);
    if (r.top < screen.top) r = VRect(r.left, screen.top, r.right, screen.top + h);
  }
  if (style != 0) style_ = style;
  platform::WindowOptions options;
  options.className = "VWindow";
  if (title != nullptr && title->GetChars() != nullptr) options.title = title->GetChars();
  options.bounds = ToPlatform(r);
  options.native = native && platform::IsWindowSystemRunning();
  options.visible = false;
  options.topmost = topmost_;
  window_ = platform::Window::Create(options);
  if (window_ == nullptr && options.native) {
    options.native = false;
    window_ = platform::Window::Create(options);
  }
  if (window_ == nullptr) return false;
  windowHandle_ = window_->GetHandle();
  window_->SetProcedure([this](platform::Window&, const platform::Message& m) { return WindowProc(m); });
  StoreVisibleFlag(true);
  StoreBounds(VRect(0, 0, r.GetWidth(), r.GetHeight()));
  if (window_->IsNative() && platform::Display::Get().GetAttachedWindow() == nullptr) {
    platform::Display::Get().AttachWindow(window_.get());
  }
  return true;
}

// ---------------------------------------------------------------------------
// Added operations

bool VWindow::BringToFront(bool onlyIfNeeded) {
  if (onlyIfNeeded) return false;
  if (window_ != nullptr) window_->Raise();
  SetFocusToWindow();
  return true;
}

void VWindow::DestroySelf() {
  if (keepObject_) return;
  auto& pending = PendingDeletions();
  if (std::find(pending.begin(), pending.end(), this) == pending.end()) pending.push_back(this);
}

void VWindow::FlushPendingDeletions() {
  auto& pending = PendingDeletions();
  while (!pending.empty()) {
    VWindow* window = pending.back();
    pending.pop_back();
    delete window;
  }
}

void VWindow::Redraw(const VRect* rect) {
  VRect area;
  if (rect != nullptr) {
    area = *rect;
  } else {
    area = GetBounds();
  }
  Draw(nullptr, &area, false, true);
}

bool VWindow::OnCommand(uintptr_t wParam, intptr_t /*lParam*/) {
  const uint32_t w = static_cast<uint32_t>(wParam);
  const uint32_t argument = (w & 0xFF) + ((w >> 8) << 16);
  VEventHandler::DispatchPostOrder(kMessageCommand, argument, 0);
  return true;
}

void VWindow::SetFocusToWindow() {
  if (windowHandle_ != 0) platform::SetFocus(windowHandle_);
}

// ---------------------------------------------------------------------------
// The message map

intptr_t VWindow::DefaultProc(const platform::Message& message) { return platform::DefaultWindowProcedure(message); }

intptr_t VWindow::WindowProc(const platform::Message& m) {
  using namespace platform;
  const uint32_t keyFlags = KeyFlagsOf(m.lParam);
  const uint32_t packedPoint = static_cast<uint32_t>(m.lParam);
  switch (m.message) {
    case kMsgPaint: {
      const Rect paint = window_ != nullptr ? window_->BeginPaint() : Rect{};
      VRect area = FromPlatform(paint);
      if (area.IsEmpty()) area = GetBounds();
      DrawPort port(static_cast<DrawPortWindow*>(this));
      if (port.GetDC() != nullptr) {
        const Rect clip = ToPlatform(area);
        port.GetDC()->SetClipRect(&clip);
      }
      Draw(&port, &area, false, true);
      if (port.GetDC() != nullptr) port.GetDC()->SetClipRect(nullptr);
      return 0;
    }
    case kMsgLButtonDown:
    case kMsgRButtonDown:
    case kMsgMouseMove:
    case kMsgLButtonUp:
    case kMsgRButtonUp: {
      const VMouseEvent event(static_cast<uint32_t>(m.wParam), packedPoint);
      RouteMouseMessage(m.message, event);
      return 0;
    }
    case kMsgChar: {
      // Automatic repeats of a held key give no character.
      if ((keyFlags & kKeyFlagRepeat) == 0) {
        VKeyEvent event(static_cast<uint8_t>(m.wParam), 0);
        RouteKeyDown(event);
      }
      return 0;
    }
    case kMsgSysKeyDown:
      if ((keyFlags & kKeyFlagAltDown) == 0) SetFocusToWindow();
      [[fallthrough]];
    case kMsgKeyDown: {
      VKeyEvent event(0, static_cast<uint32_t>(m.wParam));
      event.character = 0;  // key-down events carry the virtual key alone
      const bool taken = RouteKeyDown(event);
      if (!taken && (keyFlags & kKeyFlagAltDown) != 0) return DefaultProc(m);
      return 0;
    }
    case kMsgSysKeyUp:
    case kMsgKeyUp: {
      VKeyEvent event(0, static_cast<uint32_t>(m.wParam));
      const bool taken = RouteKeyUp(event);
      if (!taken && (keyFlags & kKeyFlagAltDown) != 0) return DefaultProc(m);
      return 0;
    }
    case kMsgActivate: {
      const intptr_t result = DefaultProc(m);
      if (m.wParam != 0 && GetKindCode() != kNoFocusKind) SetFocusToWindow();
      return result;
    }
    case kMsgClose:
      DestroySelf();
      return 0;
    default:
      return DefaultProc(m);
  }
}

bool VWindow::RouteMouseMessage(uint32_t kind, const VMouseEvent& event) {
  using namespace platform;
  switch (kind) {
    case kMsgLButtonDown:
    case kMsgRButtonDown:
      SetFocusToWindow();
      CaptureMouse(event);
      return true;
    case kMsgMouseMove:
      RouteMouseMove(event);
      RouteCursorUpdate(event);
      return true;
    case kMsgLButtonUp:
    case kMsgRButtonUp:
      ReleaseMouse(event);
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// Graphic part

void VWindow::Draw(DrawPort* port, const VRect* update, bool drawSiblings, bool clipToAncestors) {
  if (!IsShown()) return;
  PixelMap* map = GetOffscreenPixelMap();
  if (map == nullptr) {
    VGraphicObject::Draw(port, update, drawSiblings, clipToAncestors);
    return;
  }
  {
    DrawPort mapPort(map);
    VGraphicObject::Draw(&mapPort, update, drawSiblings, clipToAncestors);
  }
  VRect copy = GetBounds();
  if (update != nullptr) copy.Intersect(*update, copy);
  if (copy.IsNonEmpty()) CopyToWindow(*map, copy, copy);
}

void VWindow::SetVisible(bool show, bool redraw) {
  if (window_ != nullptr) window_->Show(show);
  VGraphicObject::SetVisible(show, redraw);
}

bool VWindow::SetEnabled(bool enabled) {
  if (window_ != nullptr) window_->SetEnabled(enabled);
  if (enabled) SetFocusToWindow();
  return VGraphicObject::SetEnabled(enabled);
}

// ---------------------------------------------------------------------------
// Off-screen maps

void VWindow::CreateOffscreenMaps(int32_t depth, const VRect* rect, int32_t count) {
  VDisplay& display = VDisplay::Get();
  if (depth == 0) {
    int32_t w = 0, h = 0;
    display.GetDisplayMode(w, h, depth);
  }
  const VRect area = rect != nullptr ? *rect : GetBounds();
  count = std::clamp(count, 0, kMaxOffscreenMaps);
  for (int32_t i = 0; i < kMaxOffscreenMaps; ++i) {
    delete offscreenMaps_[i];
    offscreenMaps_[i] = nullptr;
  }
  mapCount_ = 0;
  currentMap_ = 0;
  const int16_t previous = PixelMap::SetDefaultStorageKind(
      display.GetFlipPixelMap() != nullptr ? PixelMap::kStorageMemory : PixelMap::kStorageDib);
  for (int32_t i = 0; i < count; ++i) {
    auto* map = new PixelMap(area, depth, nullptr);
    if (!map->HasStorage()) {
      delete map;
      continue;
    }
    // A new frame starts black rather than with whatever the memory held.
    const VRGBColor black(0, 0, 0);
    map->FillRect(nullptr, &black);
    offscreenMaps_[mapCount_++] = map;
  }
  PixelMap::SetDefaultStorageKind(previous);
}

void VWindow::SetOffscreenMap(PixelMap* map, int32_t index) {
  if (index < 0 || index >= kMaxOffscreenMaps) return;
  if (offscreenMaps_[index] != map) delete offscreenMaps_[index];
  offscreenMaps_[index] = map;
  if (map == nullptr && index == mapCount_ - 1) --mapCount_;
  if (map != nullptr && index >= mapCount_) mapCount_ = index + 1;
}

PixelMap* VWindow::GetOffscreenMapAt(int32_t index) const {
  return index >= 0 && index < kMaxOffscreenMaps ? offscreenMaps_[index] : nullptr;
}

PixelMap* VWindow::GetOffscreenPixelMap() {
  if (drawSuspendCount_ > 0) return nullptr;
  PixelMap* map = currentMap_ >= 0 && currentMap_ < kMaxOffscreenMaps ? offscreenMaps_[currentMap_] : nullptr;
  if (map == nullptr && transferMode_ == kTransferDirectDraw) map = VDisplay::Get().GetFlipPixelMap();
  return map;
}

PixelMap* VWindow::GetDrawPixelMap() {
  if (PixelMap* flip = VDisplay::Get().GetFlipPixelMap()) return flip;
  return currentMap_ >= 0 && currentMap_ < kMaxOffscreenMaps ? offscreenMaps_[currentMap_] : nullptr;
}

void VWindow::NextOffscreenPixelMap() {
  ++currentMap_;
  if (currentMap_ >= mapCount_) currentMap_ = 0;
}

void VWindow::CopyToWindow(PixelMap& map, const VRect& source, const VRect& destination) {
  if (!IsShown() || source.IsEmpty() || destination.IsEmpty()) return;
  int32_t mode = transferMode_;
  if (mode == kTransferDirectDraw) {
    VDisplay& display = VDisplay::Get();
    if (!GetPrimarySurface()->IsActive()) return;
    PixelMap* flip = display.GetFlipPixelMap();
    if (flip == nullptr) {
      mode = kTransferGdi;
    } else {
      if (&map != flip && map.GetSurface() != flip->GetSurface()) map.CopyTo(*flip, source, destination);
      // Whatever reached the back buffer goes out with the next idle step.
      display.MarkFramePending();
      return;
    }
  }
  if (mode == 2 || mode == 4 || mode == 16 || mode == 32 || mode == 64) {
    if (transferObject_ != nullptr) transferObject_->PresentMap(&map, source, destination, 0);
    return;
  }
  if (map.IsSolidColor()) {
    VRect src = source;
    VRect dst = destination;
    ClipTransferRects(src, dst, map.GetBounds(), GetBounds());
    if (dst.IsEmpty()) return;
    DrawPort port(static_cast<DrawPortWindow*>(this));
    const VRGBColor color = map.GetSolidColor();
    port.FillRect(dst, &color, nullptr, 1, 0, 0);
    return;
  }
  PixelMapLock lock(&map);
  if (!lock.IsLocked()) return;
  platform::DeviceContext* dc = GetPortDC();
  if (dc == nullptr) return;
  if (mode == kTransferGdi) {
    const platform::PixelBuffer pixels = PixelMapToBuffer(map);
    if (pixels.IsValid()) {
      const platform::Rect dst{destination.left, destination.top, destination.left + source.GetWidth(),
                               destination.top + source.GetHeight()};
      dc->StretchPixels(dst, platform::Rect{source.left, source.top, source.right, source.bottom}, pixels, nullptr);
    }
  }
  ReleasePortDC(dc);
}

// ---------------------------------------------------------------------------
// Window state

void VWindow::InvalidateWindow(const VRect* rect) {
  if (!IsShown() || window_ == nullptr) return;
  if (rect == nullptr) {
    window_->Invalidate(nullptr);
  } else {
    const platform::Rect r = ToPlatform(*rect);
    window_->Invalidate(&r);
  }
}

void VWindow::ValidateWindow(const VRect* rect) {
  if (!IsShown() || window_ == nullptr) return;
  if (rect == nullptr) {
    window_->Validate(nullptr);
  } else {
    const platform::Rect r = ToPlatform(*rect);
    window_->Validate(&r);
  }
}

void VWindow::SetWindowBounds(const VRect& rect, bool resizeMaps) {
  const VRect local(0, 0, rect.GetWidth(), rect.GetHeight());
  StoreBounds(local);
  if (resizeMaps) {
    for (int32_t i = 0; i < kMaxOffscreenMaps; ++i) {
      PixelMap* map = offscreenMaps_[i];
      if (map == nullptr) continue;
      const int32_t depth = map->GetDepth();
      map->Create(local, depth, nullptr, nullptr, nullptr, 1, 0);
    }
  }
  if (window_ != nullptr) window_->SetBounds(ToPlatform(rect));
}

void VWindow::SetTopmost(bool topmost) {
  if (topmost == topmost_) return;
  topmost_ = topmost;
  if (window_ != nullptr) window_->SetTopmost(topmost);
}

bool VWindow::IsTopWindow() const {
  // Engine windows have no parent window: the desktop's front window decides.
  return window_ != nullptr && platform::Window::GetTopWindow() == window_.get();
}

void VWindow::GetWindowRect(VRect& out) const {
  out = window_ != nullptr ? FromPlatform(window_->GetBounds()) : VRect();
}

void VWindow::GetTitle(VString& out) const {
  if (window_ == nullptr) {
    out.Clear();
    return;
  }
  std::string title = window_->GetTitle();
  if (title.size() > 255) title.resize(255);
  out.Assign(title.c_str());
}

void VWindow::SetTitle(const VString& title) {
  if (window_ != nullptr) window_->SetTitle(title.GetChars() != nullptr ? title.GetChars() : "");
}

// ---------------------------------------------------------------------------
// The window list

VWindow* VWindow::GetFirstWindow() { return static_cast<VWindow*>(WindowList().GetFirst()); }

VWindow* VWindow::FindWindowById(int32_t graphicId) {
  for (VListElement* e = WindowList().GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* window = static_cast<VWindow*>(e);
    if (window->GetId() == graphicId) return window;
  }
  return nullptr;
}

VWindow* VWindow::FindWindowByHandle(platform::WindowHandle handle) {
  if (handle == 0) return nullptr;
  for (VListElement* e = WindowList().GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* window = static_cast<VWindow*>(e);
    // The copy taken at creation, or the handle of the platform window the
    // object holds now.
    if (window->windowHandle_ == handle) return window;
    if (window->window_ != nullptr && window->window_->GetHandle() == handle) return window;
  }
  return nullptr;
}

VWindow* VWindow::FindTopWindow() {
  for (VListElement* e = WindowList().GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* window = static_cast<VWindow*>(e);
    if (window->IsTopWindow()) return window;
  }
  return nullptr;
}

void VWindow::ShowAll(bool show) {
  for (VListElement* e = WindowList().GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* window = static_cast<VWindow*>(e);
    if (!window->followsMinimise_ || window->window_ == nullptr) continue;
    if (show) {
      if (window->IsEnabled()) {
        window->window_->Restore();
      }
      window->window_->Show(true);
    } else {
      window->window_->Show(false);
      if (window->IsEnabled()) window->window_->Minimize();
    }
  }
}

// ---------------------------------------------------------------------------
// VGraphicWindow

void VWindow::CaptureSystemMouse() {
  if (windowHandle_ != 0) platform::SetCapture(windowHandle_);
}

void VWindow::ReleaseSystemMouse() {
  if (platform::GetCapture() == windowHandle_) platform::ReleaseCapture();
}

void VWindow::InvalidateWindowRect(const VRect& rect) { InvalidateWindow(&rect); }
void VWindow::ValidateWindowRect(const VRect& rect) { ValidateWindow(&rect); }

DrawPort* VWindow::MakeOffscreenPort(VRect& area) {
  PixelMap* map = GetOffscreenPixelMap();
  if (map == nullptr) return nullptr;
  area = VRect(0, 0, map->GetWidth(), map->GetHeight());
  return new DrawPort(map);
}

DrawPort* VWindow::MakeWindowPort(VRect& area) {
  area = GetBounds();
  return new DrawPort(static_cast<DrawPortWindow*>(this));
}

void VWindow::FinishPort(DrawPort* port, const VRect* copyToWindow) {
  if (port == nullptr) return;
  PixelMap* map = port->HasPixelMap() ? port->GetPixelMap() : nullptr;
  delete port;
  if (map != nullptr && copyToWindow != nullptr) CopyToWindow(*map, *copyToWindow, *copyToWindow);
}

platform::DeviceContext* VWindow::GetPortDC() {
  platform::Display& screen = platform::Display::Get();
  if (window_ == nullptr || !window_->IsNative() || screen.GetAttachedWindow() != window_.get()) return nullptr;
  if (!screen.CreateBackBuffer()) return nullptr;
  platform::PixelBuffer buffer = screen.GetBackBuffer();
  const platform::Rect place =
      platform::IntersectRects(window_->GetBounds(), platform::Rect{0, 0, buffer.width, buffer.height});
  if (place.IsEmpty()) return nullptr;
  buffer.first = buffer.PixelAddress(place.left, place.top);
  buffer.width = place.right - place.left;
  buffer.height = place.bottom - place.top;
  return new platform::RasterDeviceContext(buffer);
}

void VWindow::ReleasePortDC(platform::DeviceContext* dc) {
  if (dc == nullptr) return;
  delete dc;
  // What was drawn on the window's context is on the screen at once.
  platform::Display::Get().Flip();
}
