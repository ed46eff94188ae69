#include "engine/panorama/VBubbleSpaceGraphicObject.h"

#include <cmath>

#include "engine/app/GraphicServices.h"
#include "engine/app/MessagePointer.h"
#include "engine/app/VGraphicObject.h"

VFPoint VBubbleSpaceGraphicObject::dragOffset_;
VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::captured_ = nullptr;
VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::dragObject_ = nullptr;
VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::focused_ = nullptr;

VBubbleSpaceGraphicObject::VBubbleSpaceGraphicObject(uint32_t kind, uint32_t id, const VFRect& bounds, float resolution,
                                                     int32_t order)
    : bounds_(bounds), resolution_(resolution), order_(order), kind_(kind), id_(id) {}

VBubbleSpaceGraphicObject::~VBubbleSpaceGraphicObject() {
  if (captured_ == this) captured_ = nullptr;
  if (dragObject_ == this) dragObject_ = nullptr;
  if (focused_ == this) focused_ = nullptr;
}

VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::ParentObject() const {
  return static_cast<VBubbleSpaceGraphicObject*>(GetParent());
}
VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::NextObject() const {
  return static_cast<VBubbleSpaceGraphicObject*>(GetNextSibling());
}
VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::FirstChildObject() const {
  return static_cast<VBubbleSpaceGraphicObject*>(GetFirstChild());
}

void VBubbleSpaceGraphicObject::InsertAfter(VTLink* anchor) {
  if (anchor == nullptr || anchor == this) return;
  DetachFromTree();
  VTLink* last = anchor;
  for (auto* s = static_cast<VBubbleSpaceGraphicObject*>(anchor->GetNextSibling()); s != nullptr && s->order_ < order_;
       s = s->NextObject()) {
    last = s;
  }
  VTLink::InsertAfter(last);
}

void VBubbleSpaceGraphicObject::AddChild(VTLink* parent) {
  if (parent == nullptr) return;
  DetachFromTree();
  auto* first = static_cast<VBubbleSpaceGraphicObject*>(parent->GetFirstChild());
  if (first != nullptr && first->order_ < order_) {
    InsertAfter(first);
  } else {
    VTLink::AddChild(parent);
  }
}

bool VBubbleSpaceGraphicObject::HandleMessage(uint32_t code, uint32_t value1, uint32_t /*value2*/) {
  if (code == kMessageVisibilityChanged) {
    VisibilityChanged();
    return false;
  }
  if (code == kMessageKeyDown || code == kMessageKeyUp) {
    const VKeyEvent* key = MessagePointerAs<VKeyEvent>(value1);
    if (key == nullptr) return false;
    const bool taken = IsShown() && IsActive() && (code == kMessageKeyDown ? KeyDown(*key) : KeyUp(*key));
    return taken || absorbsMouse_ != 0;
  }
  const BubbleMouseEvent* event = MessagePointerAs<BubbleMouseEvent>(value1);
  if (event == nullptr) return false;
  bool taken = false;
  switch (code) {
    case kMessageMouseDown:
      taken = ContainsPoint(event->x, event->y) && IsShown() && IsActive() && MouseDown(*event);
      break;
    case kMessageMouseUp:
      taken = IsShown() && IsActive() && MouseUp(*event);
      break;
    case kMessageMouseMove:
      taken = IsShown() && IsActive() && MouseMove(*event);
      break;
    case kMessageCursorUpdate:
      taken = ContainsPoint(event->x, event->y) && IsShown() && IsActive() && UpdateCursor(*event);
      break;
    default:
      return false;
  }
  return taken || absorbsMouse_ != 0;
}

void VBubbleSpaceGraphicObject::Draw(PanoramaMap* map, const VFRect* update, bool withSiblings) {
  if (map == nullptr) {
    if (BubbleSpaceHost* host = GetWindow()) host->RedrawHost();
    return;
  }
  if (update == nullptr || !frect::IsValid(*update)) return;
  if (IsShown()) {
    DrawContent(map, *update);
    if (VBubbleSpaceGraphicObject* child = FirstChildObject()) child->Draw(map, update, true);
  }
  if (withSiblings) {
    if (VBubbleSpaceGraphicObject* next = NextObject()) next->Draw(map, update, true);
  }
}

void VBubbleSpaceGraphicObject::DrawContent(PanoramaMap* /*map*/, const VFRect& /*update*/) {}

bool VBubbleSpaceGraphicObject::CaptureMouse(const BubbleMouseEvent& event) {
  if (captured_ != nullptr) return captured_->MouseDown(event);
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageMouseDown, token.GetValue(), 0);
}

void VBubbleSpaceGraphicObject::BeginCapture() {
  captured_ = this;
  if (BubbleSpaceHost* host = GetWindow()) host->HoldMouseCapture();
}

bool VBubbleSpaceGraphicObject::ReleaseMouse(const BubbleMouseEvent& event) {
  if (VGraphicWindow* window = GetView()) window->ReleaseSystemMouse();
  VBubbleSpaceGraphicObject* captured = captured_;
  if (captured == nullptr) return false;
  captured->MouseUp(event);
  captured_ = nullptr;
  return true;
}

bool VBubbleSpaceGraphicObject::RouteMouseMove(const BubbleMouseEvent& event) {
  if (captured_ != nullptr) return captured_->MouseMove(event);
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageMouseMove, token.GetValue(), 0);
}

bool VBubbleSpaceGraphicObject::RouteCursorUpdate(const BubbleMouseEvent& event) {
  if (captured_ != nullptr && captured_->UpdateCursor(event)) return true;
  ScopedMessagePointer token(&event);
  if (DispatchPostOrder(kMessageCursorUpdate, token.GetValue(), 0)) return true;
  SetCursorById(cursorId_);
  return false;
}

bool VBubbleSpaceGraphicObject::RouteKeyDown(const VKeyEvent& event) {
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageKeyDown, token.GetValue(), 0);
}

bool VBubbleSpaceGraphicObject::RouteKeyUp(const VKeyEvent& event) {
  ScopedMessagePointer token(&event);
  return DispatchPostOrder(kMessageKeyUp, token.GetValue(), 0);
}

bool VBubbleSpaceGraphicObject::UpdateCursor(const BubbleMouseEvent& /*event*/) {
  SetCursorById(cursorId_);
  return true;
}

bool VBubbleSpaceGraphicObject::MouseDown(const BubbleMouseEvent& event) {
  const VFPoint at = GetAbsolutePosition();
  dragOffset_ = VFPoint{at.x - event.x, at.y - event.y};
  if (draggable_ != 0 && BeginDrag()) {
    BeginCapture();
    dragObject_ = this;
    return true;
  }
  return false;
}

bool VBubbleSpaceGraphicObject::MouseMove(const BubbleMouseEvent& event) {
  if (dragObject_ != this) return false;
  float x = event.x + dragOffset_.x;
  float y = event.y + dragOffset_.y;
  if (frect::IsValid(dragLimits_)) {
    const float w = bounds_.GetWidth();
    const float h = bounds_.GetHeight();
    if (x < dragLimits_.left) x = dragLimits_.left;
    if (x > dragLimits_.right - w) x = dragLimits_.right - w;
    if (y < dragLimits_.top) y = dragLimits_.top;
    if (y > dragLimits_.bottom - h) y = dragLimits_.bottom - h;
  }
  MoveTo(x, y, true);
  DragOver();
  return true;
}

bool VBubbleSpaceGraphicObject::MouseUp(const BubbleMouseEvent& /*event*/) {
  if (dragObject_ != this) return false;
  EndDrag();
  dragObject_ = nullptr;
  return true;
}

void VBubbleSpaceGraphicObject::MoveTo(float x, float y, bool redraw) {
  const VFPoint at = GetAbsolutePosition();
  MoveBy(x - at.x, y - at.y, redraw);
}

void VBubbleSpaceGraphicObject::MoveBy(float dx, float dy, bool redraw) {
  if (dx == 0.0f && dy == 0.0f) return;
  if (!std::isfinite(dx) || !std::isfinite(dy)) return;
  const VFRect before = GetVisibleSubtreeBounds();
  frect::Offset(bounds_, dx, dy);
  NormalizeBubbleRect(bounds_);
  if (!redraw || !IsShown() || GetWindow() == nullptr) return;
  const VFRect after = GetVisibleSubtreeBounds();
  if (frect::Intersects(before, after)) {
    VFRect both = before;
    frect::Union(both, after);
    RedrawRect(both);
  } else {
    RedrawRect(before);
    RedrawRect(after);
  }
}

void VBubbleSpaceGraphicObject::RedrawRect(const VFRect& rect) {
  if (BubbleSpaceHost* host = GetWindow()) {
    host->InvalidateBubbleRect(&rect);
    host->RedrawHost();
  }
}

namespace {
void TellVisibility(VBubbleSpaceGraphicObject* node) {
  node->VisibilityChanged();
  for (auto* c = node->FirstChildObject(); c != nullptr; c = c->NextObject()) TellVisibility(c);
}
}  // namespace

void VBubbleSpaceGraphicObject::SetVisible(bool visible, bool redraw) {
  const bool wasShown = IsShown();
  visible_ = visible ? 1 : 0;
  if (IsShown() == wasShown) return;
  TellVisibility(this);
  if (redraw) {
    // Hidden: what lay behind is composed again from the bounds it covered.
    visible_ = 1;
    const VFRect area = GetSubtreeBounds();
    visible_ = visible ? 1 : 0;
    RedrawRect(area);
  }
}

bool VBubbleSpaceGraphicObject::SetEnabled(bool enabled) {
  const bool old = enabled_ != 0;
  enabled_ = enabled ? 1 : 0;
  return old;
}

void VBubbleSpaceGraphicObject::SetFocus(bool focus) {
  if (focus) {
    if (focused_ != nullptr && focused_ != this) {
      VBubbleSpaceGraphicObject* previous = focused_;
      previous->SetFocus(false);
    }
    focused_ = this;
  } else if (focused_ == this) {
    focused_ = nullptr;
  }
}

void VBubbleSpaceGraphicObject::Invalidate() {
  if (BubbleSpaceHost* host = GetWindow()) {
    const VFRect area = GetVisibleSubtreeBounds();
    host->InvalidateBubbleRect(&area);
  }
}

bool VBubbleSpaceGraphicObject::IntersectsRect(const VFRect& rect) { return frect::Intersects(GetAbsoluteBounds(), rect); }

bool VBubbleSpaceGraphicObject::BoundsHoldPoint(float x, float y) const {
  VFPoint p{x, y};
  NormalizeBubblePoint(p);
  const VFRect a = GetAbsoluteBounds();
  auto holds = [&](const VFRect& r) {
    return frect::ContainsPoint(r, p.x, p.y) || frect::ContainsPoint(r, p.x + kBubbleTwoPi, p.y);
  };
  if (holds(a)) return true;
  if (a.top < -kBubbleHalfPi) {
    VFRect m(a.left + kBubblePi, -kBubblePi - a.bottom, a.right + kBubblePi, -kBubblePi - a.top);
    NormalizeBubbleRect(m);
    if (holds(m)) return true;
  }
  if (a.bottom > kBubbleHalfPi) {
    VFRect m(a.left + kBubblePi, kBubblePi - a.bottom, a.right + kBubblePi, kBubblePi - a.top);
    NormalizeBubbleRect(m);
    if (holds(m)) return true;
  }
  return false;
}

bool VBubbleSpaceGraphicObject::ContainsPoint(float x, float y) { return BoundsHoldPoint(x, y); }

VGraphicWindow* VBubbleSpaceGraphicObject::GetView() {
  BubbleSpaceHost* host = GetWindow();
  return host ? host->GetDisplayWindow() : nullptr;
}

BubbleSpaceHost* VBubbleSpaceGraphicObject::GetWindow() {
  VBubbleSpaceGraphicObject* parent = ParentObject();
  return parent ? parent->GetWindow() : nullptr;
}

bool VBubbleSpaceGraphicObject::IsShown() const {
  if (visible_ == 0) return false;
  const VBubbleSpaceGraphicObject* parent = ParentObject();
  return parent == nullptr || parent->IsShown();
}

bool VBubbleSpaceGraphicObject::IsActive() const {
  if (visible_ == 0 || enabled_ == 0) return false;
  const VBubbleSpaceGraphicObject* parent = ParentObject();
  return parent == nullptr || parent->IsActive();
}

VFPoint VBubbleSpaceGraphicObject::GetAbsolutePosition(bool withAncestors) const {
  VFPoint p{bounds_.left, bounds_.top};
  if (withAncestors) {
    for (const VBubbleSpaceGraphicObject* a = ParentObject(); a != nullptr; a = a->ParentObject()) {
      p.x += a->bounds_.left;
      p.y += a->bounds_.top;
    }
  }
  NormalizeBubblePoint(p);
  return p;
}

VFRect VBubbleSpaceGraphicObject::GetAbsoluteBounds() const {
  VFRect r = bounds_;
  for (const VBubbleSpaceGraphicObject* a = ParentObject(); a != nullptr; a = a->ParentObject()) {
    frect::Offset(r, a->bounds_.left, a->bounds_.top);
  }
  NormalizeBubbleRect(r);
  return r;
}

VFRect VBubbleSpaceGraphicObject::GetSubtreeBounds() const {
  VFRect r = GetAbsoluteBounds();
  if (boundsExcludeChildren_ == 0) {
    for (const VBubbleSpaceGraphicObject* c = FirstChildObject(); c != nullptr; c = c->NextObject()) {
      frect::Union(r, c->GetSubtreeBounds());
    }
  }
  return r;
}

VFRect VBubbleSpaceGraphicObject::GetVisibleSubtreeBounds() const {
  if (!IsShown()) return VFRect();
  VFRect r = GetAbsoluteBounds();
  if (boundsExcludeChildren_ == 0) {
    for (const VBubbleSpaceGraphicObject* c = FirstChildObject(); c != nullptr; c = c->NextObject()) {
      if (c->IsShown()) frect::Union(r, c->GetVisibleSubtreeBounds());
    }
  }
  return r;
}

VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::FindById(uint32_t id, bool withSiblings) {
  if (id_ == id) return this;
  if (VBubbleSpaceGraphicObject* child = FirstChildObject()) {
    if (VBubbleSpaceGraphicObject* found = child->FindById(id, true)) return found;
  }
  if (withSiblings) {
    for (VBubbleSpaceGraphicObject* s = NextObject(); s != nullptr; s = s->NextObject()) {
      if (VBubbleSpaceGraphicObject* found = s->FindById(id, false)) return found;
    }
  }
  return nullptr;
}

VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::FindObjectIntersecting(const VFRect& rect) {
  if (VBubbleSpaceGraphicObject* next = NextObject()) {
    if (VBubbleSpaceGraphicObject* found = next->FindObjectIntersecting(rect)) return found;
  }
  if (!IsShown()) return nullptr;
  if (VBubbleSpaceGraphicObject* child = FirstChildObject()) {
    if (VBubbleSpaceGraphicObject* found = child->FindObjectIntersecting(rect)) return found;
  }
  return IntersectsRect(rect) ? this : nullptr;
}

VBubbleSpaceGraphicObject* VBubbleSpaceGraphicObject::FindHighestResolution() {
  VBubbleSpaceGraphicObject* best = this;
  auto consider = [&best](VBubbleSpaceGraphicObject* candidate) {
    if (candidate != nullptr && candidate->resolution_ > best->resolution_) best = candidate;
  };
  if (VBubbleSpaceGraphicObject* child = FirstChildObject()) consider(child->FindHighestResolution());
  if (VBubbleSpaceGraphicObject* next = NextObject()) consider(next->FindHighestResolution());
  return best;
}

void VBubbleSpaceGraphicObject::SetResolution(float value, bool redraw) {
  if (value == resolution_) return;
  resolution_ = value;
  if (redraw) {
    if (BubbleSpaceHost* host = GetWindow()) {
      host->InvalidateBubbleRect(nullptr);
      host->RedrawHost();
    }
  }
}
