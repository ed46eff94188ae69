#include "engine/app/VGraphicObject.h"

#include <algorithm>
#include <limits>

#include "engine/app/MessagePointer.h"
#include "engine/core/Cursor.h"

namespace {

VGraphicObject* gCaptured = nullptr;
VGraphicObject* gTracking = nullptr;
VGraphicObject* gFocused = nullptr;
VGraphicObject* gCurrentParent = nullptr;
VPoint gDragOffset;
VRGBColor gBackground;

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

VGraphicObject::VGraphicObject(int32_t kindCode, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                               int32_t height)
    : bounds_(left, top, left + width, top + height), layer_(layer), kindCode_(kindCode), id_(id) {
  graphicNode_ = true;
}

VGraphicObject::~VGraphicObject() {
  if (gCaptured == this) {
    gCaptured = nullptr;
    gTracking = nullptr;
  }
  if (gTracking == this) gTracking = nullptr;
  if (gFocused == this) gFocused = nullptr;
  if (gCurrentParent == this) gCurrentParent = nullptr;
  // From here on the node is no graphic object any more.
  graphicNode_ = false;
}

VGraphicObject* VGraphicObject::AsGraphic(VTLink* node) {
  if (node == nullptr) return nullptr;
  // The tree part of a graphic object (nearly every node of a display tree)
  // needs no run-time type check: the display tree steps through these links
  // many times for every object it draws or moves.
  if (node->IsGraphicNode()) return static_cast<VGraphicObject*>(node);
  return dynamic_cast<VGraphicObject*>(node);
}

VGraphicObject* VGraphicObject::GetParentObject() const { return AsGraphic(GetParent()); }
VGraphicObject* VGraphicObject::GetNextObject() const { return AsGraphic(nextSibling_); }
VGraphicObject* VGraphicObject::GetFirstChildObject() const { return AsGraphic(firstChild_); }

// ---------------------------------------------------------------------------
// Layer order

void VGraphicObject::AddChild(VTLink* parent) {
  DetachFromTree();
  if (parent == nullptr || IsSelfOrDescendant(parent)) return;
  VTLink* first = parent->GetFirstChild();
  VGraphicObject* firstObject = AsGraphic(first);
  if (first == nullptr || firstObject == nullptr || firstObject->layer_ >= layer_) {
    VTLink::AddChild(parent);
    return;
  }
  InsertAfter(first);
}

void VGraphicObject::InsertAfter(VTLink* sibling) {
  DetachFromTree();
  if (sibling == nullptr || IsSelfOrDescendant(sibling)) return;
  VTLink* after = sibling;
  for (VTLink* n = sibling->GetNextSibling(); n != nullptr; n = n->GetNextSibling()) {
    VGraphicObject* object = AsGraphic(n);
    if (object == nullptr || object->layer_ >= layer_) break;
    after = n;
  }
  VTLink::InsertAfter(after);
}

void VGraphicObject::SetLayer(int32_t layer, bool redraw) {
  if (layer == layer_) return;
  layer_ = layer;
  if (VTLink* parent = GetParent()) {
    AddChild(parent);
  } else if (backLink_ == nullptr) {
    // A root: leaves any following siblings of a detached chain.
    InsertAfter(this);
  }
  // A later member of a detached chain (no parent, but a back link) stays in
  // place: there is no parent to order it under.
  if (redraw) Draw(nullptr, nullptr, true, true);
}

void VGraphicObject::BringToFront(bool redraw) {
  VGraphicObject* last = nullptr;
  for (VGraphicObject* n = GetNextObject(); n != nullptr; n = n->GetNextObject()) last = n;
  if (last != nullptr && last->layer_ > layer_) {
    SetLayer(ClampToInt32(static_cast<int64_t>(last->layer_) + 1), redraw);
  }
}

// ---------------------------------------------------------------------------
// Geometry

void VGraphicObject::GetGlobalOrigin(VPoint& out, bool global) const {
  out = VPoint(bounds_.left, bounds_.top);
  if (!global) return;
  for (const VGraphicObject* p = GetParentObject(); p != nullptr; p = p->GetParentObject()) {
    out.x += p->bounds_.left;
    out.y += p->bounds_.top;
  }
}

void VGraphicObject::GetGlobalBounds(VRect& out) const {
  out = bounds_;
  for (const VGraphicObject* p = GetParentObject(); p != nullptr; p = p->GetParentObject()) {
    out.Offset(p->bounds_.left, p->bounds_.top);
  }
}

bool VGraphicObject::GetVisibleRect(VRect& out) const {
  bool found = false;
  VRect clip;
  for (const VGraphicObject* p = GetParentObject(); p != nullptr; p = p->GetParentObject()) {
    if (!p->clipsChildren_) continue;
    VRect ancestor;
    p->GetGlobalBounds(ancestor);
    if (!found) {
      clip = ancestor;
      found = true;
    } else {
      clip.Intersect(ancestor, clip);
    }
    if (clip.IsEmpty()) break;
  }
  if (found) out = clip;
  return found;
}

bool VGraphicObject::GetDrawArea(const VRect& rect, VRect& area) const {
  VRect global;
  GetGlobalBounds(global);
  if (!global.Intersect(rect, area)) return false;
  VRect visible;
  return !GetVisibleRect(visible) || area.Intersect(visible, area);
}

void VGraphicObject::GetVisibleGlobalBounds(VRect& out) const {
  GetGlobalBounds(out);
  VRect clip;
  if (GetVisibleRect(clip)) out.Intersect(clip, out);
}

void VGraphicObject::CollectVisibleExtent(VRect& extent) const {
  for (const VGraphicObject* c = GetFirstChildObject(); c != nullptr; c = c->GetNextObject()) {
    if (c->visible_) {
      VRect child;
      c->GetGlobalBounds(child);
      extent.Union(child);
    }
    if (!c->clipsChildren_) c->CollectVisibleExtent(extent);
  }
}

void VGraphicObject::GetVisibleExtent(VRect& out) const {
  out.Clear();
  if (!visible_ || !ParentShown()) return;
  GetGlobalBounds(out);
  if (!clipsChildren_) CollectVisibleExtent(out);
  VRect clip;
  if (out.IsNonEmpty() && GetVisibleRect(clip)) out.Intersect(clip, out);
}

void VGraphicObject::CollectTotalBounds(VRect& total) const {
  for (const VGraphicObject* c = GetFirstChildObject(); c != nullptr; c = c->GetNextObject()) {
    VRect child;
    c->GetGlobalBounds(child);
    total.Union(child);
    if (!c->clipsChildren_) c->CollectTotalBounds(total);
  }
}

bool VGraphicObject::GetTotalBounds(VRect& out) const {
  GetGlobalBounds(out);
  if (!clipsChildren_) CollectTotalBounds(out);
  return clipsChildren_;
}

int16_t VGraphicObject::GetLeft(bool global) const {
  VPoint origin;
  GetGlobalOrigin(origin, global);
  return static_cast<int16_t>(origin.x);
}

int16_t VGraphicObject::GetTop(bool global) const {
  VPoint origin;
  GetGlobalOrigin(origin, global);
  return static_cast<int16_t>(origin.y);
}

int16_t VGraphicObject::GetRight(bool global) const {
  if (!global) return static_cast<int16_t>(bounds_.right);
  VRect bounds;
  GetGlobalBounds(bounds);
  return static_cast<int16_t>(bounds.right);
}

int32_t GetObjectBottom(const VGraphicObject* object, bool global) {
  if (object == nullptr) return 0;
  if (!global) return object->GetBounds().bottom;
  VRect bounds;
  object->GetGlobalBounds(bounds);
  return bounds.bottom;
}

// ---------------------------------------------------------------------------
// Search

VGraphicObject* VGraphicObject::FindById(int32_t id, bool withSiblings) {
  // The sibling chain is walked as a loop; children recurse.
  for (VGraphicObject* n = this; n != nullptr; n = n->GetNextObject()) {
    if (n->id_ == id) return n;
    if (VGraphicObject* child = n->GetFirstChildObject()) {
      if (VGraphicObject* found = child->FindById(id, true)) return found;
    }
    if (!withSiblings) break;
  }
  return nullptr;
}

VGraphicObject* VGraphicObject::FindFrontmostInRect(const VRect& rect) {
  if (VGraphicObject* next = GetNextObject()) {
    if (VGraphicObject* found = next->FindFrontmostInRect(rect)) return found;
  }
  if (!visible_ || !ParentShown()) return nullptr;
  if (VGraphicObject* child = GetFirstChildObject()) {
    if (VGraphicObject* found = child->FindFrontmostInRect(rect)) return found;
  }
  return IntersectsRect(rect) ? this : nullptr;
}

VGraphicObject* VGraphicObject::FindCoveringAncestor(const VRect& rect) {
  VGraphicObject* result = this;
  for (VGraphicObject* ancestor = GetParentObject(); ancestor != nullptr; ancestor = ancestor->GetParentObject()) {
    for (VGraphicObject* s = ancestor->GetNextObject(); s != nullptr; s = s->GetNextObject()) {
      VRect extent;
      s->GetVisibleExtent(extent);
      VRect overlap;
      if (extent.Intersect(rect, overlap)) {
        result = ancestor;
        break;
      }
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Visibility and enabling

bool VGraphicObject::ParentShown() const {
  const VGraphicObject* parent = GetParentObject();
  return parent == nullptr || parent->IsShown();
}

bool VGraphicObject::IsShown() const {
  for (const VGraphicObject* n = this; n != nullptr; n = n->GetParentObject()) {
    if (!n->visible_) return false;
  }
  return true;
}

bool VGraphicObject::IsEnabled() const {
  if (!IsShown()) return false;
  for (const VGraphicObject* n = this; n != nullptr; n = n->GetParentObject()) {
    if (!n->enabled_) return false;
  }
  return true;
}

bool VGraphicObject::SetEnabled(bool enabled) {
  bool old = enabled_;
  enabled_ = enabled;
  return old;
}

void VGraphicObject::VisibilityChanged() {}

void VGraphicObject::SetVisible(bool show, bool redraw) {
  const bool wasShown = visible_ && ParentShown();
  visible_ = show;
  const bool nowShown = visible_ && ParentShown();
  if (wasShown == nowShown) return;
  DispatchPreOrder(kMessageVisibilityChanged, 0, 0);
  if (!redraw) return;
  VRect total;
  GetTotalBounds(total);
  if (nowShown) {
    Draw(nullptr, &total, true, true);
  } else if (VGraphicWindow* window = GetWindow()) {
    if (VGraphicObject* root = window->GetRootObject()) root->Draw(nullptr, &total, false, true);
  }
}

bool VGraphicObject::IsTransparent() { return transparent_; }

VGraphicWindow* VGraphicObject::GetWindow() {
  VGraphicObject* back = AsGraphic(backLink_);
  return back != nullptr ? back->GetWindow() : nullptr;
}

VGraphicObject* VGraphicObject::GetPanel() {
  VGraphicObject* back = AsGraphic(backLink_);
  return back != nullptr ? back->GetPanel() : nullptr;
}

// ---------------------------------------------------------------------------
// Moving

void VGraphicObject::SetBounds(int32_t dx, int32_t dy, bool redraw, bool force) {
  if (dx == 0 && dy == 0 && !force) return;
  VRect oldExtent;
  GetVisibleExtent(oldExtent);
  bounds_.Offset(dx, dy);
  if (!(redraw || force) || !IsShown()) return;
  VRect newExtent;
  GetVisibleExtent(newExtent);
  VGraphicWindow* window = GetWindow();
  VGraphicObject* root = window != nullptr ? window->GetRootObject() : nullptr;
  VRect overlap;
  if (oldExtent.Intersect(newExtent, overlap) && root != nullptr) {
    VRect both = oldExtent;
    both.Union(newExtent);
    root->Draw(nullptr, &both, false, true);
    return;
  }
  if (root != nullptr) root->Draw(nullptr, &oldExtent, false, true);
  Draw(nullptr, &newExtent, true, true);
}

void VGraphicObject::MoveTo(const VPoint& point, bool global, bool redraw, bool force) {
  VPoint origin;
  GetGlobalOrigin(origin, global);
  SetBounds(ClampToInt32(static_cast<int64_t>(point.x) - origin.x),
            ClampToInt32(static_cast<int64_t>(point.y) - origin.y), redraw, force);
}

// ---------------------------------------------------------------------------
// Drawing

void VGraphicObject::DrawContent(DrawPort*, const VRect&) {}

void VGraphicObject::DrawSelfAndChildren(DrawPort* port, const VRect* update) {
  VRect global;
  GetGlobalBounds(global);
  if (update != nullptr) {
    VRect part;
    if (global.Intersect(*update, part)) DrawContent(port, part);
  } else {
    DrawContent(port, global);
  }
  VGraphicObject* child = GetFirstChildObject();
  if (child == nullptr) return;
  if (!clipsChildren_) {
    child->Draw(port, update, true, false);
    return;
  }
  VRect clip = global;
  if (update != nullptr) global.Intersect(*update, clip);
  if (clip.IsNonEmpty()) child->Draw(port, &clip, true, false);
}

void VGraphicObject::Draw(DrawPort* port, const VRect* update, bool drawSiblings, bool clipToAncestors) {
  VRect area;
  bool hasArea = false;
  if (update != nullptr) {
    if (update->IsEmpty()) return;
    area = *update;
    hasArea = true;
  }
  if (VDrawingBackend* backend = GetDrawingBackend()) backend->ApplyChangedColorTable();

  if (clipToAncestors) {
    VRect clip;
    if (GetVisibleRect(clip)) {
      if (hasArea) {
        area.Intersect(clip, area);
      } else {
        area = clip;
        hasArea = true;
      }
      if (area.IsEmpty()) return;
    }
  }

  VGraphicWindow* window = nullptr;
  DrawPort* temporary = nullptr;
  bool temporaryOnMap = false;
  if (visible_ && ParentShown()) {
    if (port == nullptr) window = GetWindow();
    if (port != nullptr || window == nullptr) {
      DrawSelfAndChildren(port, hasArea ? &area : nullptr);
    } else {
      // A redraw asked by the object itself: find who must repaint the area.
      VRect extent;
      GetVisibleExtent(extent);
      if (hasArea) extent.Intersect(area, extent);
      if (extent.IsEmpty()) return;
      VGraphicObject* root = window->GetRootObject();
      if (transparent_ && root != nullptr && root != this) {
        root->Draw(nullptr, &extent, drawSiblings, false);
        return;
      }
      VGraphicObject* cover = FindCoveringAncestor(extent);
      if (cover != this) {
        cover->Draw(nullptr, &extent, drawSiblings, false);
        return;
      }
      VRect portArea;
      temporary = window->MakeOffscreenPort(portArea);
      temporaryOnMap = temporary != nullptr;
      if (temporary == nullptr) temporary = window->MakeWindowPort(portArea);
      if (temporary == nullptr) return;  // nothing to draw into
      if (!hasArea) {
        area = portArea;
        hasArea = true;
      }
      port = temporary;
      DrawSelfAndChildren(port, &area);
    }
  }

  if (drawSiblings) {
    if (VGraphicObject* next = GetNextObject()) next->Draw(port, hasArea ? &area : nullptr, true, false);
  }

  if (port != nullptr) {
    if (window == nullptr) window = GetWindow();
    RedrawAllTransitions(port, hasArea ? &area : nullptr, window);
  }

  if (temporary != nullptr) {
    if (temporaryOnMap) {
      VRect copy;
      GetVisibleExtent(copy);
      if (hasArea) copy.Intersect(area, copy);
      window->FinishPort(temporary, copy.IsNonEmpty() ? &copy : nullptr);
    } else {
      window->FinishPort(temporary, nullptr);
    }
  }
}

// ---------------------------------------------------------------------------
// Invalidation and background

void VGraphicObject::Invalidate(const VRect* rect) {
  if (!visible_ || !ParentShown()) return;
  VRect extent;
  GetVisibleExtent(extent);
  if (rect != nullptr) extent.Intersect(*rect, extent);
  if (extent.IsEmpty()) return;
  if (VGraphicWindow* window = GetWindow()) window->InvalidateWindowRect(extent);
}

void VGraphicObject::Validate(const VRect* rect) {
  if (!visible_ || !ParentShown()) return;
  VRect extent;
  GetVisibleExtent(extent);
  if (rect != nullptr) extent.Intersect(*rect, extent);
  if (extent.IsEmpty()) return;
  if (VGraphicWindow* window = GetWindow()) window->ValidateWindowRect(extent);
}

void VGraphicObject::EraseBackground(DrawPort* port) {
  if (!visible_ || !ParentShown()) return;
  VRect extent;
  GetVisibleExtent(extent);
  if (extent.IsEmpty()) return;
  VDrawingBackend* backend = GetDrawingBackend();
  if (backend == nullptr) return;
  if (port != nullptr) {
    backend->FillRect(port, extent, gBackground);
    return;
  }
  VGraphicWindow* window = GetWindow();
  if (window == nullptr) return;
  VRect portArea;
  DrawPort* temporary = window->MakeWindowPort(portArea);
  if (temporary == nullptr) return;
  backend->FillRect(temporary, extent, gBackground);
  window->FinishPort(temporary, nullptr);
}

void VGraphicObject::SetFocus(bool focus) {
  if (focus) {
    if (gFocused != nullptr && gFocused != this) gFocused->SetFocus(false);
    gFocused = this;
  } else if (gFocused == this) {
    gFocused = nullptr;
  }
}

// ---------------------------------------------------------------------------
// Hit tests

bool VGraphicObject::IntersectsRect(const VRect& rect) {
  VRect clipped;
  GetVisibleGlobalBounds(clipped);
  VRect overlap;
  return clipped.Intersect(rect, overlap);
}

bool VGraphicObject::ContainsPoint(const VPoint& point) {
  VRect clipped;
  GetVisibleGlobalBounds(clipped);
  return clipped.ContainsPointInclusive(point);
}

// ---------------------------------------------------------------------------
// Messages and input routing

bool VGraphicObject::HandleMessage(uint32_t code, uint32_t value1, uint32_t) {
  if (code == kMessageVisibilityChanged) {
    VisibilityChanged();
    return false;
  }
  if (code < kMessageMouseDown || code > kMessageCursorUpdate || value1 == 0) return false;

  const VMouseEvent* mouse = nullptr;
  const VKeyEvent* key = nullptr;
  if (code == kMessageKeyDown || code == kMessageKeyUp) {
    key = MessagePointerAs<VKeyEvent>(value1);
    if (key == nullptr) return false;
  } else {
    mouse = MessagePointerAs<VMouseEvent>(value1);
    if (mouse == nullptr) return false;
  }

  // An object that is not shown takes nothing, absorbing or not.
  if (!visible_ || !ParentShown()) return false;
  if ((code == kMessageMouseDown || code == kMessageCursorUpdate) && !ContainsPoint(mouse->GetPoint())) {
    return absorbsInput_;
  }
  const VGraphicObject* parent = GetParentObject();
  if (!enabled_ || (parent != nullptr && !parent->IsEnabled())) return absorbsInput_;

  bool taken = false;
  switch (code) {
    case kMessageMouseDown:
      taken = MouseDown(*mouse);
      break;
    case kMessageMouseUp:
      taken = MouseUp(*mouse);
      break;
    case kMessageMouseMove:
      taken = MouseMove(*mouse);
      break;
    case kMessageKeyDown:
      taken = KeyDown(*key);
      break;
    case kMessageKeyUp:
      taken = KeyUp(*key);
      break;
    case kMessageCursorUpdate:
      taken = UpdateCursor(*mouse);
      break;
    default:
      break;
  }
  return taken || absorbsInput_;
}

bool VGraphicObject::CaptureMouse(const VMouseEvent& event) {
  if (gCaptured != nullptr && gCaptured->MouseDown(event)) return true;
  bool taken;
  {
    ScopedMessagePointer token(&event);
    taken = DispatchPostOrder(kMessageMouseDown, token.GetValue(), 0);
  }
  if (gCaptured != nullptr) {
    if (VGraphicWindow* window = gCaptured->GetWindow()) window->CaptureSystemMouse();
  }
  return taken;
}

bool VGraphicObject::ReleaseMouse(const VMouseEvent& event) {
  if (VGraphicWindow* window = GetWindow()) window->ReleaseSystemMouse();
  VGraphicObject* captured = gCaptured;
  if (captured == nullptr) return false;
  bool taken = captured->MouseUp(event);
  // The capture ends here whatever MouseUp did; a drag that an overriding
  // MouseUp did not end ends with it.
  if (gTracking == captured) gTracking = nullptr;
  gCaptured = nullptr;
  return taken;
}

bool VGraphicObject::RouteMouseMove(const VMouseEvent& event) {
  if (gCaptured != nullptr && gCaptured->MouseMove(event) && gCaptured != nullptr) return true;
  if (bounds_.ContainsPointInclusive(event.GetPoint())) {
    ScopedMessagePointer token(&event);
    return DispatchPostOrder(kMessageMouseMove, token.GetValue(), 0);
  }
  ResetShownCursor();
  return true;
}

bool VGraphicObject::RouteKeyDown(const VKeyEvent& event) {
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageKeyDown, token.GetValue(), 0);
}

bool VGraphicObject::RouteKeyUp(const VKeyEvent& event) {
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageKeyUp, token.GetValue(), 0);
}

bool VGraphicObject::RouteCursorUpdate(const VMouseEvent& event) {
  if (gCaptured != nullptr && gCaptured->UpdateCursor(event)) return true;
  bool taken;
  {
    ScopedMessagePointer token(&event);
    taken = DispatchPostOrder(kMessageCursorUpdate, token.GetValue(), 0);
  }
  if (!taken) SetCursorById(cursorId_);
  return taken;
}

bool VGraphicObject::BeginDrag() { return true; }
void VGraphicObject::DragOver() {}
void VGraphicObject::EndDrag() {}

bool VGraphicObject::MouseDown(const VMouseEvent& event) {
  VPoint origin;
  GetGlobalOrigin(origin, true);
  gDragOffset = VPoint(ClampToInt32(static_cast<int64_t>(origin.x) - event.x),
                        ClampToInt32(static_cast<int64_t>(origin.y) - event.y));
  if (draggable_ && BeginDrag()) {
    gCaptured = this;
    gTracking = this;
    return true;
  }
  return false;
}

bool VGraphicObject::MouseMove(const VMouseEvent& event) {
  if (gTracking != this) return false;
  // 64-bit intermediate values: no edge wraps, whatever the limits.
  int64_t left = static_cast<int64_t>(event.x) + gDragOffset.x;
  int64_t top = static_cast<int64_t>(event.y) + gDragOffset.y;
  if (dragLimits_.IsNonEmpty()) {
    left = std::max<int64_t>(left, dragLimits_.left);
    top = std::max<int64_t>(top, dragLimits_.top);
    left = std::min<int64_t>(left, static_cast<int64_t>(dragLimits_.right) - bounds_.GetWidth());
    top = std::min<int64_t>(top, static_cast<int64_t>(dragLimits_.bottom) - bounds_.GetHeight());
  }
  MoveTo(VPoint(ClampToInt32(left), ClampToInt32(top)), true, true, false);
  DragOver();
  return true;
}

bool VGraphicObject::MouseUp(const VMouseEvent&) {
  if (gTracking != this) return false;
  EndDrag();
  gTracking = nullptr;
  return true;
}

bool VGraphicObject::KeyDown(const VKeyEvent&) { return false; }
bool VGraphicObject::KeyUp(const VKeyEvent&) { return false; }

bool VGraphicObject::UpdateCursor(const VMouseEvent&) {
  SetCursorById(cursorId_);
  return true;
}

bool VGraphicObject::IsPressedObject() const { return gTracking == this; }

// ---------------------------------------------------------------------------
// Program-wide state

void VGraphicObject::SetCapturedObject(VGraphicObject* object) { gCaptured = object; }
VGraphicObject* VGraphicObject::GetCapturedObject() { return gCaptured; }
VGraphicObject* VGraphicObject::GetTrackingObject() { return gTracking; }
VGraphicObject* VGraphicObject::GetFocusedObject() { return gFocused; }
VPoint VGraphicObject::GetDragOffset() { return gDragOffset; }
void VGraphicObject::SetBackgroundColor(const VRGBColor& color) { gBackground = color; }
VRGBColor VGraphicObject::GetBackgroundColor() { return gBackground; }

VGraphicObject* VGraphicObject::SetCurrentParent(VGraphicObject* parent) {
  VGraphicObject* previous = gCurrentParent;
  gCurrentParent = parent;
  return previous;
}

VGraphicObject* VGraphicObject::GetCurrentParent() { return gCurrentParent; }

void VGraphicObject::ResetProgramState() {
  gCaptured = nullptr;
  gTracking = nullptr;
  gFocused = nullptr;
  gCurrentParent = nullptr;
  gDragOffset = VPoint();
  gBackground = VRGBColor();
}

uint16_t SetCursorById(uint16_t id) { return SetMouseCursor(id); }
