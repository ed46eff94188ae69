// The window of the launchers' dialog kit: a top-level window (a dialog with
// its own caption and frame, a caption-less pop-up, a tooltip) shown through
// the platform's window layer, or a control inside one. Every window is drawn
// in software into its top-level window's pixels; messages reach it as
// virtual handlers (mouse, keys, timers, paint) or through WindowProc.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "launchers/common/DrawContext.h"
#include "launchers/common/KitMessages.h"
#include "platform/FontRasterizer.h"
#include "platform/PixelBuffer.h"
#include "platform/WindowMessage.h"

namespace platform {
class Window;
}

namespace kit {

// Names a window of the kit; 0 names none.
using Handle = uint32_t;

// The colours a control asks for before it paints (the colour message):
// text, background, and whether the background stays unpainted.
struct CtlColors {
  platform::Color text = colors::kText;
  platform::Color back = colors::kFace;
  bool transparent = false;
};

// How a top-level window looks and behaves.
struct TopLevelOptions {
  std::string title;       // code page 1252
  platform::Rect bounds;   // the whole window on the screen
  bool caption = false;    // a dialog frame with a caption bar
  bool border = false;     // a one-pixel black border (tooltips)
  bool popup = false;      // a tooltip-like helper: out of the task bar, never activated
  bool topmost = false;
  bool visible = true;
  bool disabled = false;   // takes no input
  class CWindow* owner = nullptr;
};

class CWindow {
 public:
  CWindow();
  virtual ~CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  // Makes the top-level window (false when the window layer refuses).
  bool CreateTopLevel(const TopLevelOptions& options);
  // Makes a control: `rect` in the parent's client coordinates.
  bool CreateChild(CWindow* parent, int32_t id, const platform::Rect& rect, uint32_t style, const std::string& text);
  // Takes over the place of an existing control (its id, rectangle, style,
  // text and font), which is destroyed: false when the parent has no such
  // control or this window exists already.
  bool SubclassDlgItem(int32_t id, CWindow* parent);
  // Destroys the window and its controls; controls the window owns are
  // deleted, the others (members of their programs) stay as objects.
  void DestroyWindow();
  bool IsCreated() const { return handle_ != 0; }

  Handle GetHandle() const { return handle_; }
  static CWindow* FromHandle(Handle handle);
  int32_t GetId() const { return id_; }
  CWindow* GetParent() const { return parent_; }
  CWindow* GetOwner() const { return owner_; }
  CWindow* GetTopLevel();
  bool IsTopLevel() const { return parent_ == nullptr && handle_ != 0; }
  platform::Window* Native() const { return native_.get(); }

  uint32_t GetStyle() const { return style_; }
  void ModifyStyle(uint32_t remove, uint32_t add);
  const std::string& GetText() const { return text_; }
  virtual void SetText(const std::string& text);

  // The rectangle in the parent's client coordinates (controls) or on the
  // screen (top-level windows, frame included).
  platform::Rect GetRect() const { return rect_; }
  void MoveWindow(const platform::Rect& rect);
  platform::Rect GetClientRect() const;
  platform::Point ClientToScreen(platform::Point p) const;
  platform::Point ScreenToClient(platform::Point p) const;
  // The client area's top-left corner within the top-level window's pixels.
  platform::Point ClientOriginInTopLevel() const;

  bool IsVisible() const { return visible_; }
  void Show(bool visible);
  bool IsEnabled() const { return enabled_; }
  void Enable(bool enabled);
  // Visible with every parent visible.
  bool IsShownOnScreen() const;

  // Drawing: the top-level window is repainted whole on the next pass of
  // the message loop, or at once by UpdateWindow.
  void Invalidate();
  void UpdateWindow();
  // The pixels of a top-level window (0x00RRGGBB, top-down), drawn on demand.
  const std::vector<uint32_t>& GetPixels();
  int32_t GetPixelWidth() const { return rect_.right - rect_.left; }
  int32_t GetPixelHeight() const { return rect_.bottom - rect_.top; }

  const std::vector<CWindow*>& Children() const { return children_; }
  CWindow* GetDlgItem(int32_t id) const;
  // Puts a control made for this window into its ownership.
  CWindow* Adopt(std::unique_ptr<CWindow> child);

  std::shared_ptr<platform::Font> GetFont() const;
  void SetFont(std::shared_ptr<platform::Font> font, bool redraw);

  intptr_t SendMessage(uint32_t code, uintptr_t wParam, intptr_t lParam) { return WindowProc(code, wParam, lParam); }
  bool PostMessage(uint32_t code, uintptr_t wParam, intptr_t lParam);
  static bool PostMessage(Handle window, uint32_t code, uintptr_t wParam, intptr_t lParam);

  // Timers: the message loop calls OnTimer(id) every interval (at least
  // 10 ms) until KillTimer; setting an id again restarts it.
  void SetTimer(int32_t id, uint32_t milliseconds);
  void KillTimer(int32_t id);

  void SetFocus();
  static CWindow* GetFocus();
  bool HasFocus() const { return GetFocus() == this; }
  // The mouse capture: every mouse message goes to this window.
  void SetCapture();
  static void ReleaseCapture();
  static CWindow* GetCapture();

  // The colours this control paints with: its own reflected answer first,
  // else its parent's.
  CtlColors ResolveColors();

  // The cursor (a system cursor id) shown over the window.
  void SetCursorId(uint16_t systemCursor) { cursor_ = systemCursor; }

  // Message handling; WindowProc turns commands, closing and timers into
  // the handlers below and answers the rest with 0.
  virtual intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam);
  virtual void OnPaint(DrawContext& dc);
  // Fills the client area; true when done.
  virtual bool OnEraseBackground(DrawContext& dc);
  virtual void OnMouseMove(platform::Point p, uint32_t flags);
  virtual void OnLButtonDown(platform::Point p, uint32_t flags);
  virtual void OnLButtonUp(platform::Point p, uint32_t flags);
  virtual void OnLButtonDblClk(platform::Point p, uint32_t flags);
  virtual void OnMouseWheel(int32_t delta);
  // Sets the cursor; true when handled.
  virtual bool OnSetCursor();
  virtual void OnTimer(int32_t id);
  virtual bool OnKeyDown(uint32_t key);
  virtual bool OnChar(uint8_t character);
  virtual void OnSetFocus() {}
  virtual void OnKillFocus() {}
  virtual bool OnCommand(int32_t id, uint16_t notification, Handle control);
  virtual void OnClose() {}
  virtual void OnDestroy() {}
  // The reflected colour message: a control's own colours; true when set.
  virtual bool CtlColor(CtlColors& colors) {
    (void)colors;
    return false;
  }
  // The parent's colour message for a control.
  virtual void OnCtlColor(CWindow& control, CtlColors& colors) {
    (void)control;
    (void)colors;
  }
  // A window that lets the mouse through to what lies below (group boxes,
  // plain statics).
  virtual bool IsMouseTransparent() const { return false; }
  // Takes the focus by Tab, click or mnemonic.
  virtual bool CanTakeFocus() const { return false; }
  // Keys the control handles itself instead of the dialog's navigation.
  virtual bool WantsArrows() const { return false; }
  // A dialog's keyboard handling before the focused control sees a key;
  // true when handled.
  virtual bool PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) {
    (void)message;
    (void)key;
    (void)keyFlags;
    return false;
  }

  // Paints this window and its controls into the context (client coordinates).
  void PaintTree(DrawContext& dc);
  // The deepest visible, enabled, non-transparent window at a client point
  // (this window when no control covers it); null outside.
  CWindow* ChildAt(platform::Point p);

  // The window layer's messages for this top-level window.
  intptr_t HandleNativeMessage(const platform::Message& m);

 protected:
  // The whole window's drawing (frame, caption and client).
  void Render();
  void DrawNonClient(DrawContext& dc);

  Handle handle_ = 0;
  int32_t id_ = 0;
  uint32_t style_ = 0;
  std::string text_;
  platform::Rect rect_{};
  bool visible_ = true;
  bool enabled_ = true;
  bool caption_ = false;
  bool border_ = false;
  bool popup_ = false;
  uint16_t cursor_ = 32512;
  CWindow* parent_ = nullptr;
  CWindow* owner_ = nullptr;
  std::vector<CWindow*> children_;
  std::vector<std::unique_ptr<CWindow>> owned_;
  std::shared_ptr<platform::Font> font_;
  std::unique_ptr<platform::Window> native_;
  std::vector<uint32_t> pixels_;
  bool dirty_ = true;
  // The last press, to tell double clicks.
  uint32_t lastDownTime_ = 0;
  platform::Point lastDownPoint_{};
  Handle lastDownWindow_ = 0;
  Handle focusChild_ = 0;  // top-level windows: the control with the focus
  friend class CWindowInternals;
};

// The window under a screen point: the front top-level window that is shown,
// enabled and contains it, and in it the deepest control there; null for none.
CWindow* WindowFromPoint(platform::Point screen);
// Where the pointer is on the screen.
platform::Point GetCursorPos();
// The screen's size.
platform::Point GetScreenSize();

// Windows in front of others, among the kit's shown top-level windows:
// front first.
std::vector<CWindow*> TopLevelWindowsFrontFirst();

}  // namespace kit
