// The engine window: one window of the window layer joined to the engine's
// display tree. It is a panel owner (graphic, event and data part) whose
// children are the panels and controls; it turns window messages into the
// engine's input events for its tree, paints the tree through off-screen
// pixel maps that it copies to the screen, and belongs to the program-wide
// list of engine windows. The back window, the application window and the
// main window derive from it.
//
// Ownership: the window owns its off-screen maps, its panels (the panel
// owner deletes what is linked under it) and its platform window. Pointers
// handed out (maps, platform window) stay valid while the window lives and
// the maps are not re-created. User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/app/GraphicServices.h"
#include "engine/app/VPanelOwner.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/graphics/DrawPort.h"
#include "platform/WindowMessage.h"

class PixelMap;

namespace platform {
class Window;
}

// Takes over the copy of an off-screen map to the screen in the transfer
// modes 2, 4, 16, 32 and 64 (a transition presenter). Nothing in the engine
// sets one.
class VTransferPresenter {
 public:
  virtual ~VTransferPresenter() = default;
  virtual void PresentMap(PixelMap* map, const VRect& source, const VRect& destination, int32_t flags) = 0;
};

class VWindow : public VListElement, public VPanelOwner, public VGraphicWindow, public DrawPortWindow {
 public:
  static constexpr int32_t kMaxOffscreenMaps = 3;
  // Transfer modes: 0 copies through the window's device context, 1 into
  // the display's flip pixel map.
  static constexpr int32_t kTransferGdi = 0;
  static constexpr int32_t kTransferDirectDraw = 1;

  // With create, the window is made at once (Create with clamping); it joins
  // the window list either way.
  VWindow(int32_t id, uint16_t windowId, const VRect& rect, bool create, uint32_t style, bool topmost,
          bool followsMinimise);
  ~VWindow() override;

  // Makes the platform window. clamp moves the rectangle inside the screen.
  // A native window is the one the screen shows (SDL); a window that is not
  // native only takes messages. Without a window system the window is made
  // non-native. False when no window could be made.
  bool Create(uint16_t windowId, const VRect& rect, bool clamp, uint32_t style, const VString* title,
              bool native = true);

  // ---- Added operations (overridable) --------------------------------
  // With onlyIfNeeded nothing happens (false); else the window comes to the
  // front and is activated (true).
  virtual bool BringToFront(bool onlyIfNeeded);
  // Deletes the window unless keepObject; the deletion waits for the next
  // idle pass (FlushPendingDeletions), since it is asked from inside the
  // window's own message handling.
  virtual void DestroySelf();
  // Redraws the tree (the rectangle, or the whole window) into its maps and
  // copies it out.
  virtual void Redraw(const VRect* rect);
  // The message map; answers the message's result. Unhandled messages go
  // to DefaultProc.
  virtual intptr_t WindowProc(const platform::Message& message);
  intptr_t DefaultProc(const platform::Message& message);
  // Sends a mouse event through the display tree as the message of that
  // kind (kMsgLButtonDown, kMsgRButtonDown: focus and capture;
  // kMsgMouseMove: the move and the cursor update; kMsgLButtonUp,
  // kMsgRButtonUp: the release). False, doing nothing, for any other kind.
  bool RouteMouseMessage(uint32_t kind, const VMouseEvent& event);
  // A command: engine message 36 with (low byte + (high byte << 16)) down the
  // event tree; true.
  virtual bool OnCommand(uintptr_t wParam, intptr_t lParam);

  // ---- Graphic part ----------------------------------------------------
  void Draw(DrawPort* port, const VRect* update, bool drawSiblings, bool clipToAncestors) override;
  VGraphicWindow* GetWindow() override { return this; }
  void SetVisible(bool show, bool redraw) override;
  bool SetEnabled(bool enabled) override;

  // ---- Off-screen maps ---------------------------------------------------
  // depth 0: the display's; rect null: the window's bounds; count up to 3.
  void CreateOffscreenMaps(int32_t depth, const VRect* rect, int32_t count);
  // Takes over the map (null empties the slot); the old one is deleted.
  void SetOffscreenMap(PixelMap* map, int32_t index);
  // Null while drawing is suspended; in transfer mode 1 an empty slot gives
  // the display's flip pixel map.
  PixelMap* GetOffscreenPixelMap() override;
  PixelMap* GetDrawPixelMap();
  void NextOffscreenPixelMap();
  int32_t GetOffscreenMapCount() const { return mapCount_; }
  int32_t GetCurrentMapIndex() const { return currentMap_; }
  PixelMap* GetOffscreenMapAt(int32_t index) const;
  // Calls `visit` with every off-screen map of every engine window (the
  // window pixel maps of the graphics services).
  static void VisitOffscreenMaps(const std::function<void(PixelMap*)>& visit);
  void SuspendDrawing() { ++drawSuspendCount_; }
  void ResumeDrawing() {
    if (drawSuspendCount_ > 0) --drawSuspendCount_;
  }
  // Puts a rectangle of a map on the screen as the transfer mode says.
  void CopyToWindow(PixelMap& map, const VRect& source, const VRect& destination);
  int32_t GetTransferMode() const { return transferMode_; }
  void SetTransferMode(int32_t mode) { transferMode_ = mode; }
  void SetTransferObject(VTransferPresenter* presenter) { transferObject_ = presenter; }

  // ---- Window state -------------------------------------------------------
  void InvalidateWindow(const VRect* rect);
  void ValidateWindow(const VRect* rect);
  // Bounds become (0, 0, width, height); with resizeMaps the maps are made
  // again at that size; the platform window moves to the rectangle.
  void SetWindowBounds(const VRect& rect, bool resizeMaps);
  // Keeps the window in front of the windows that are not topmost (or not);
  // a change reaches the platform window at once, and a window made later
  // is created with it.
  void SetTopmost(bool topmost);
  bool IsTopmost() const { return topmost_; }
  // Whether this window is the front shown window of the desktop.
  bool IsTopWindow() const;
  bool FollowsMinimise() const { return followsMinimise_; }
  void SetKeepObject(bool keep) { keepObject_ = keep; }
  void GetWindowRect(VRect& out) const;
  void GetTitle(VString& out) const;
  void SetTitle(const VString& title);
  platform::Window* GetPlatformWindow() const { return window_.get(); }
  platform::WindowHandle GetHandle() const { return windowHandle_; }

  // ---- The window list ------------------------------------------------------
  static VWindow* GetFirstWindow();
  static VWindow* FindWindowById(int32_t graphicId);
  // By the handle copied at creation or by the platform window's own; null
  // for 0.
  static VWindow* FindWindowByHandle(platform::WindowHandle handle);
  // The first window of the list that is the desktop's front shown window
  // (IsTopWindow), or null.
  static VWindow* FindTopWindow();
  // Shows (restores) or hides (minimises) every window that follows the
  // application's minimising.
  static void ShowAll(bool show);
  // Closes and deletes every panel (first child) of the window.
  void CloseAllPanels();
  // Deletes the windows whose DestroySelf ran.
  static void FlushPendingDeletions();

  // ---- VGraphicWindow -------------------------------------------------------
  VGraphicObject* GetRootObject() override { return this; }
  void CaptureSystemMouse() override;
  void ReleaseSystemMouse() override;
  void InvalidateWindowRect(const VRect& rect) override;
  void ValidateWindowRect(const VRect& rect) override;
  DrawPort* MakeOffscreenPort(VRect& area) override;
  DrawPort* MakeWindowPort(VRect& area) override;
  void FinishPort(DrawPort* port, const VRect* copyToWindow) override;

  // ---- DrawPortWindow: the window's device context ---------------------------
  // A context over the screen's back buffer at the window's place (the shown
  // window only); releasing it puts the picture on the screen.
  platform::DeviceContext* GetPortDC() override;
  void ReleasePortDC(platform::DeviceContext* dc) override;

 protected:
  // Whether the window's object is being destroyed (set first by the destructor).
  bool IsKeepObject() const { return keepObject_; }
  void SetFocusToWindow();

 private:

  std::unique_ptr<platform::Window> window_;
  platform::WindowHandle windowHandle_ = 0;
  int32_t transferMode_ = kTransferGdi;
  VTransferPresenter* transferObject_ = nullptr;
  int32_t currentMap_ = 0;
  PixelMap* offscreenMaps_[kMaxOffscreenMaps] = {nullptr, nullptr, nullptr};
  int32_t mapCount_ = 0;
  int32_t drawSuspendCount_ = 0;
  bool topmost_ = false;
  bool followsMinimise_ = false;
  bool keepObject_ = false;
  uint32_t style_ = 0;
};
