// The node of a bubble space: a tree of graphic objects whose bounds are view
// angles in radians, kept sorted by an order key, hit-tested across the seam
// at 2pi and over the poles, with mouse capture and dragging routed through
// the tree, and drawn into the hosting viewer's panorama map.
#pragma once

#include <cstdint>

#include "engine/core/VEvent.h"
#include "engine/core/VFRect.h"
#include "engine/core/VTLink.h"
#include "engine/panorama/BubbleGeometry.h"
#include "engine/panorama/BubbleSpaceHost.h"

class VBubbleSpaceGraphicObject : public VTLink, public VPropertyHolder {
 public:
  VBubbleSpaceGraphicObject(uint32_t kind, uint32_t id, const VFRect& bounds, float resolution, int32_t order);
  ~VBubbleSpaceGraphicObject() override;

  // Ordered linking: siblings stay sorted by ascending order; a new object
  // goes after every sibling of lower order, before the first of equal or higher.
  void InsertAfter(VTLink* anchor) override;
  void AddChild(VTLink* parent) override;
  bool HandleMessage(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Draws into the map (null: asks the host to redraw itself) the part of the
  // subtree inside the update rectangle.
  virtual void Draw(PanoramaMap* map, const VFRect* update, bool withSiblings);
  virtual void DrawContent(PanoramaMap* map, const VFRect& update);

  virtual bool CaptureMouse(const BubbleMouseEvent& event);
  virtual bool ReleaseMouse(const BubbleMouseEvent& event);
  virtual bool RouteMouseMove(const BubbleMouseEvent& event);
  virtual bool RouteCursorUpdate(const BubbleMouseEvent& event);
  // Key messages go down the tree post-order, as in the display tree.
  virtual bool RouteKeyDown(const VKeyEvent& event);
  virtual bool RouteKeyUp(const VKeyEvent& event);
  virtual bool BeginDrag() { return true; }
  virtual void DragOver() {}
  virtual void EndDrag() {}
  virtual void Invalidate();
  virtual void SetFocus(bool focus);
  virtual bool IntersectsRect(const VFRect& rect);
  virtual bool ContainsPoint(float x, float y);
  virtual void MoveBy(float dx, float dy, bool redraw);
  virtual void MoveTo(float x, float y, bool redraw);
  virtual bool IsTransparent() { return transparent_ != 0; }
  // The display window showing the hosting viewer, or null.
  virtual VGraphicWindow* GetView();
  // The hosting viewer, or null.
  virtual BubbleSpaceHost* GetWindow();
  virtual void VisibilityChanged() {}
  virtual void SetVisible(bool visible, bool redraw);
  virtual bool SetEnabled(bool enabled);
  virtual bool MouseDown(const BubbleMouseEvent& event);
  virtual bool MouseUp(const BubbleMouseEvent& event);
  virtual bool MouseMove(const BubbleMouseEvent& event);
  virtual bool UpdateCursor(const BubbleMouseEvent& event);
  virtual bool KeyDown(const VKeyEvent& /*event*/) { return false; }
  virtual bool KeyUp(const VKeyEvent& /*event*/) { return false; }

  bool IsShown() const;
  bool IsActive() const;
  VFPoint GetAbsolutePosition(bool withAncestors = true) const;
  VFRect GetAbsoluteBounds() const;
  VFRect GetSubtreeBounds() const;
  VFRect GetVisibleSubtreeBounds() const;
  VBubbleSpaceGraphicObject* FindById(uint32_t id, bool withSiblings);
  VBubbleSpaceGraphicObject* FindObjectIntersecting(const VFRect& rect);
  VBubbleSpaceGraphicObject* FindHighestResolution();
  void SetResolution(float value, bool redraw);

  VBubbleSpaceGraphicObject* ParentObject() const;
  VBubbleSpaceGraphicObject* NextObject() const;
  VBubbleSpaceGraphicObject* FirstChildObject() const;

  const VFRect& GetBounds() const { return bounds_; }
  void SetBounds(const VFRect& bounds) { bounds_ = bounds; }
  const VFRect& GetDragLimits() const { return dragLimits_; }
  void SetDragLimits(const VFRect& limits) { dragLimits_ = limits; }
  float GetResolution() const { return resolution_; }
  int32_t GetOrder() const { return order_; }
  bool IsVisible() const { return visible_ != 0; }
  bool IsEnabled() const { return enabled_ != 0; }
  bool IsDraggable() const { return draggable_ != 0; }
  void SetDraggable(bool d) { draggable_ = d ? 1 : 0; }
  bool AbsorbsMouse() const { return absorbsMouse_ != 0; }
  void SetAbsorbsMouse(bool a) { absorbsMouse_ = a ? 1 : 0; }
  void SetBoundsExcludeChildren(bool e) { boundsExcludeChildren_ = e ? 1 : 0; }
  uint32_t GetKind() const { return kind_; }
  uint32_t GetId() const { return id_; }
  uint16_t GetCursorId() const { return cursorId_; }
  void SetCursorId(uint16_t id) { cursorId_ = id; }

  // The process-wide values that every bubble space shares.
  static VBubbleSpaceGraphicObject* GetCapturedObject() { return captured_; }
  static void SetCapturedObject(VBubbleSpaceGraphicObject* object) { captured_ = object; }
  static VBubbleSpaceGraphicObject* GetDragObject() { return dragObject_; }
  static VBubbleSpaceGraphicObject* GetFocusedObject() { return focused_; }
  static VFPoint GetDragOffset() { return dragOffset_; }
  // Makes this the captured object, and the hosting viewer the display
  // tree's captured object, so that the window hands the viewer the release
  // (and the moves) and the viewer hands them to this object.
  void BeginCapture();

 protected:
  // Whether the absolute bounds (or their mirror over a pole) hold the normalised point.
  bool BoundsHoldPoint(float x, float y) const;
  void SetTransparent(bool t) { transparent_ = t ? 1 : 0; }
  void RedrawRect(const VFRect& rect);

  VFRect bounds_;
  VFRect dragLimits_;
  float resolution_ = 0.0f;
  int32_t order_ = 0;
  uint8_t visible_ = 1;
  uint8_t enabled_ = 1;
  uint8_t transparent_ = 0;
  uint8_t draggable_ = 0;
  uint8_t absorbsMouse_ = 0;
  uint8_t boundsExcludeChildren_ = 0;
  uint32_t kind_;
  uint32_t id_;
  uint16_t cursorId_ = 0;

 private:
  static VFPoint dragOffset_;
  static VBubbleSpaceGraphicObject* captured_;
  static VBubbleSpaceGraphicObject* dragObject_;
  static VBubbleSpaceGraphicObject* focused_;
};
