// The base of everything shown: a node of a display tree with a rectangle
// relative to its parent, a layer that orders siblings, flags for visibility,
// input, dragging and clipping, and the drawing, invalidation, hit testing,
// mouse capture, dragging and input routing of the tree.
//
// Ownership: graphic objects never own their tree neighbours (controls delete
// their children, see VControl). Pointers handed out (GetWindow, FindById,
// the captured/tracking/focused objects...) are not owned by the caller and
// stay valid as long as the object lives; a destroyed object clears every
// program-wide value that names it.
//
// Messages: mouse and key messages carry their event record as a
// MessagePointer token in value1 (see engine/app/MessagePointer.h).
// User-interface thread only.
#pragma once

#include <cstdint>

#include "engine/app/GraphicServices.h"
#include "engine/core/VEvent.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VTLink.h"


class VGraphicObject : public VTLink, public VPropertyHolder {
 public:
  // bounds = (top, left, top + height, left + width); visible and enabled,
  // everything else off.
  VGraphicObject(int32_t kindCode, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height);
  // Clears the captured, tracking, focused object and the current parent
  // when they are this object, then unlinks it (children are not destroyed).
  ~VGraphicObject() override;

  // Layer-ordered linking: siblings stay sorted by ascending layer; an object
  // goes in front of every sibling with a lower layer and behind every
  // sibling with the same or a higher one (among equal layers the newest is
  // furthest back).
  void InsertAfter(VTLink* sibling) override;
  void AddChild(VTLink* parent) override;
  // The plain tree operations, declared here so that classes with several
  // tree parts (controls, panel owners) can name those of the graphic part.
  bool DispatchPreOrder(uint32_t code, uint32_t value1, uint32_t value2) override {
    return VTLink::DispatchPreOrder(code, value1, value2);
  }
  bool DispatchPostOrder(uint32_t code, uint32_t value1, uint32_t value2) override {
    return VTLink::DispatchPostOrder(code, value1, value2);
  }
  bool DispatchUpward(uint32_t code, uint32_t value1, uint32_t value2) override {
    return VTLink::DispatchUpward(code, value1, value2);
  }
  VTLink* Unlink() override { return VTLink::Unlink(); }
  // Maps engine messages 5..11 to the per-event operations below (with the
  // point, visibility and enabled tests); an absorbing object takes every
  // input message that reaches it while it is shown.
  bool HandleMessage(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Paints the object, its children and, when asked, its following siblings
  // (pre-order: later siblings and higher layers in front). port may be null:
  // the object then asks its window for a port (see the .cpp). update is in
  // window coordinates; null means everything.
  virtual void Draw(DrawPort* port, const VRect* update, bool drawSiblings, bool clipToAncestors);
  // Paints the object's own content inside rect (window coordinates: the
  // global bounds cut to the update rectangle). Draws nothing here.
  virtual void DrawContent(DrawPort* port, const VRect& rect);

  // Window entries for mouse input, called on the root object.
  virtual bool CaptureMouse(const VMouseEvent& event);
  virtual bool ReleaseMouse(const VMouseEvent& event);
  virtual bool RouteMouseMove(const VMouseEvent& event);
  // Window entries for keys: DispatchPostOrder(8 or 9) from this object.
  virtual bool RouteKeyDown(const VKeyEvent& event);
  virtual bool RouteKeyUp(const VKeyEvent& event);
  virtual bool RouteCursorUpdate(const VMouseEvent& event);

  // Drag notifications; controls report them to the object under them.
  virtual bool BeginDrag();
  virtual void DragOver();
  virtual void EndDrag();

  // When shown, the window invalidates / validates the visible extent, cut
  // to rect (window coordinates) when one is given.
  virtual void Invalidate(const VRect* rect = nullptr);
  virtual void Validate(const VRect* rect = nullptr);
  // When shown, fills the visible extent with the background colour through
  // the port, or through a temporary port on the window when port is null.
  virtual void EraseBackground(DrawPort* port);
  // true: this becomes the focused object (the previous one is told
  // SetFocus(false) first); false: clears the focus when this holds it.
  virtual void SetFocus(bool focus);

  // Hit tests against the global bounds clipped by the clipping ancestors.
  // Overlap with a rectangle: edges exclusive.
  virtual bool IntersectsRect(const VRect& rect);
  // Point test: the right and bottom edges count as inside.
  virtual bool ContainsPoint(const VPoint& point);

  // Moves all four edges; nothing when dx = dy = 0 and force is false. The
  // old and new areas are redrawn only when redraw or force is set and the
  // object is shown.
  virtual void SetBounds(int32_t dx, int32_t dy, bool redraw, bool force);
  // SetBounds so that the top-left lands on the point (window coordinates
  // when global, parent-relative otherwise).
  virtual void MoveTo(const VPoint& point, bool global, bool redraw, bool force);
  virtual bool IsTransparent();

  // The window / panel of the object: asked of the back-linked node; null at
  // a root that is not a window (or panel). Windows and panels override (a
  // panel answers itself).
  virtual VGraphicWindow* GetWindow();
  virtual VGraphicObject* GetPanel();

  virtual void VisibilityChanged();
  virtual void SetVisible(bool show, bool redraw);
  // Stores the flag without redraw; returns the old value.
  virtual bool SetEnabled(bool enabled);

  // Default mouse behaviour: drag capture, dragging inside the drag limits,
  // end of tracking. Key operations take nothing.
  virtual bool MouseDown(const VMouseEvent& event);
  virtual bool MouseUp(const VMouseEvent& event);
  virtual bool MouseMove(const VMouseEvent& event);
  virtual bool KeyDown(const VKeyEvent& event);
  virtual bool KeyUp(const VKeyEvent& event);
  // Shows the object's cursor id; true.
  virtual bool UpdateCursor(const VMouseEvent& event);

  // Geometry. Global (window) coordinates add the (left, top) of every
  // ancestor, the root included.
  void GetGlobalOrigin(VPoint& out, bool global) const;
  void GetGlobalBounds(VRect& out) const;
  // The intersection of the bounds of every clipping ancestor (window
  // coordinates); false, leaving out untouched, when no ancestor clips.
  bool GetVisibleRect(VRect& out) const;
  // The part of `rect` (window coordinates) this object draws in: its global
  // bounds cut to the rectangle and to GetVisibleRect; false when none is left.
  bool GetDrawArea(const VRect& rect, VRect& area) const;
  void GetVisibleGlobalBounds(VRect& out) const;
  // Empty unless shown; the global bounds united with those of the
  // descendants whose own visible flag is set (not below a clipping one, and
  // none when this object clips), cut to GetVisibleRect.
  void GetVisibleExtent(VRect& out) const;
  // The global bounds united with every descendant's (not below a clipping
  // one, none when this object clips); returns the clips-children flag.
  bool GetTotalBounds(VRect& out) const;

  // This object, else its subtree, else (when asked) its following siblings.
  VGraphicObject* FindById(int32_t id, bool withSiblings);
  VGraphicObject* FindObject(int32_t id) { return FindById(id, false); }
  // The frontmost shown object of this chain and subtree whose clipped
  // bounds meet the rectangle; null when none.
  VGraphicObject* FindFrontmostInRect(const VRect& rect);
  // The highest ancestor with a following sibling whose visible extent
  // meets the rectangle; this object when none.
  VGraphicObject* FindCoveringAncestor(const VRect& rect);

  // The visible flag of this object and of every ancestor.
  bool IsShown() const;
  // Shown, enabled, and the parent enabled (true at a root).
  bool IsEnabled() const;
  bool IsVisible() const { return visible_; }

  // The graphic parent, or null at a root (or under a node that is not a
  // graphic object).
  VGraphicObject* GetParentObject() const;
  VGraphicObject* GetNextObject() const;
  VGraphicObject* GetFirstChildObject() const;

  void SetCursorId(uint16_t id) { cursorId_ = id; }
  uint16_t GetCursorId() const { return cursorId_; }
  void SetLayer(int32_t layer, bool redraw);
  int32_t GetLayer() const { return layer_; }
  void BringToFront(bool redraw);
  void Hide(bool redraw) { SetVisible(false, redraw); }
  // Draw(port, rect, true, true): draws at once.
  void Redraw(DrawPort* port, const VRect* rect) { Draw(port, rect, true, true); }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  int32_t GetId() const { return id_; }
  int32_t GetKindCode() const { return kindCode_; }
  void SetKindCode(int32_t kindCode) { kindCode_ = kindCode; }
  bool IsDraggable() const { return draggable_; }
  void SetDraggable(bool draggable) { draggable_ = draggable; }
  bool AbsorbsInput() const { return absorbsInput_; }
  void SetAbsorbsInput(bool absorbs) { absorbsInput_ = absorbs; }
  bool ClipsChildren() const { return clipsChildren_; }
  void SetClipsChildren(bool clips) { clipsChildren_ = clips; }
  bool IsEnabledFlagSet() const { return enabled_; }
  void Disable() { SetEnabled(false); }
  // Window coordinates a dragged object must stay inside; empty: no limits.
  void SetDragLimits(const VRect& limits) { dragLimits_ = limits; }
  const VRect& GetDragLimits() const { return dragLimits_; }

  void GetBounds(VRect& out) const { out = bounds_; }
  const VRect& GetBounds() const { return bounds_; }
  // Copies the rectangle into the bounds, without redraw or notification.
  void StoreBounds(const VRect& rect) { bounds_ = rect; }
  // 16-bit edges, in window coordinates when global, else parent-relative.
  int16_t GetLeft(bool global) const;
  int16_t GetTop(bool global) const;
  int16_t GetRight(bool global) const;
  int32_t GetWidth() const { return bounds_.GetWidth(); }
  int32_t GetHeight() const { return bounds_.GetHeight(); }
  void SetWidth(int32_t width) { bounds_.SetWidth(width); }
  void SetHeight(int32_t height) { bounds_.SetHeight(height); }

  // Makes this object the captured one (SetCapturedObject(this)).
  void TakeMouseCapture() { SetCapturedObject(this); }
  // Whether this object is the one being pressed and dragged (the tracking
  // object).
  bool IsPressedObject() const;

  // Program-wide state. The captured object receives mouse presses, moves
  // and the release before the tree; the tracking object is the captured
  // object while it is dragged; the focused object holds the keyboard focus.
  static void SetCapturedObject(VGraphicObject* object);
  static VGraphicObject* GetCapturedObject();
  static VGraphicObject* GetTrackingObject();
  static VGraphicObject* GetFocusedObject();
  static VPoint GetDragOffset();
  static void SetBackgroundColor(const VRGBColor& color);
  static VRGBColor GetBackgroundColor();
  // The parent that control constructors given the current-parent marker
  // join; returns the previous one, which the caller restores.
  static VGraphicObject* SetCurrentParent(VGraphicObject* parent);
  static VGraphicObject* GetCurrentParent();
  // Forgets captured, tracking, focused objects, drag offset, background
  // colour and current parent (start-up and tests).
  static void ResetProgramState();

 protected:
  void SetId(int32_t id) { id_ = id; }
  // The visible flag alone: no message, no redraw.
  void StoreVisibleFlag(bool visible) { visible_ = visible; }
  // Step 5 of Draw: own content, then the children.
  void DrawSelfAndChildren(DrawPort* port, const VRect* update);
  // The visible-and-enabled test of the message switch, and whether the
  // parent is shown.
  bool ParentShown() const;
  // A graphic node or null.
  static VGraphicObject* AsGraphic(VTLink* node);

 private:
  void CollectVisibleExtent(VRect& extent) const;
  void CollectTotalBounds(VRect& total) const;

  VRect bounds_;
  VRect dragLimits_;
  int32_t layer_;
  bool visible_ = true;
  bool enabled_ = true;
  bool transparent_ = false;
  bool draggable_ = false;
  bool absorbsInput_ = false;
  bool clipsChildren_ = false;
  int32_t kindCode_;
  int32_t id_;
  uint16_t cursorId_ = 0;
};

// The bottom edge of the object's bounds: window coordinates when global,
// else parent-relative. Null gives 0.
int32_t GetObjectBottom(const VGraphicObject* object, bool global);

// Shows the cursor with that 16-bit id (0 = the default cursor); returns the
// id shown before.
uint16_t SetCursorById(uint16_t id);
