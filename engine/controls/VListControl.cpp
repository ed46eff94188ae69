#include "engine/controls/VListControl.h"

#include <algorithm>

#include "engine/controls/VScrollBar.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/DrawPort.h"

namespace {
constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorHand = 107;
constexpr int32_t kMaxAutoScroll = 5;
}  // namespace

VListControl2_0_11::VListControl2_0_11(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                                       int32_t height, bool vertical, int32_t itemSize, int32_t leftMargin,
                                       int32_t topMargin, int32_t rightMargin, int32_t bottomMargin,
                                       VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      VTask(0, true, false, false, GetTaskManager()),
      vertical_(vertical),
      itemSize_(itemSize),
      leftMargin_(leftMargin),
      topMargin_(topMargin),
      rightMargin_(rightMargin),
      bottomMargin_(bottomMargin) {}

VListControl2_0_11::~VListControl2_0_11() = default;

int32_t VListControl2_0_11::GetItemSize(int32_t) { return itemSize_; }

int32_t VListControl2_0_11::GetVisibleCount() {
  const int32_t size = GetItemSize(0);
  return size > 0 ? GetHeight() / size : 0;
}

VRect VListControl2_0_11::GetItemArea() const {
  VRect area;
  GetGlobalBounds(area);
  area.left += leftMargin_;
  area.top += topMargin_;
  area.right -= rightMargin_;
  area.bottom -= bottomMargin_;
  return area;
}

void VListControl2_0_11::RedrawList() {
  if (!IsShown()) return;
  VRect global;
  GetGlobalBounds(global);
  Draw(nullptr, &global, false, true);
}

// ---------------------------------------------------------------------------
// Scrolling

int32_t VListControl2_0_11::GetMax(int32_t) { return std::max(GetItemCount() - GetVisibleCount(), 0); }
int32_t VListControl2_0_11::GetPosition(int32_t) { return topItem_; }
int32_t VListControl2_0_11::GetPageSize(int32_t) { return GetVisibleCount(); }

void VListControl2_0_11::ScrollBy(int32_t delta, int32_t) {
  const int64_t wanted = static_cast<int64_t>(topItem_) + delta;
  const int32_t top = static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, GetMax(0)));
  if (top == topItem_) return;
  SetTopItem(top);
  RedrawList();
}

// ---------------------------------------------------------------------------
// Drawing

void VListControl2_0_11::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  VRect area;
  if (!GetDrawArea(rect, area)) return;
  const bool opaque = !IsTransparent();
  if (opaque) port->FillRect(area, &background_, nullptr, 1, 0, 0);
  VRect items;
  if (!GetItemArea().Intersect(area, items)) return;
  VRect previous;
  port->PushDrawRect(items, previous);
  const VRect itemArea = GetItemArea();
  const int32_t count = GetItemCount();
  int32_t start = vertical_ ? itemArea.top : itemArea.left;
  const int32_t end = vertical_ ? itemArea.bottom : itemArea.right;
  for (int32_t index = topItem_; start < end; ++index) {
    const int32_t size = GetItemSize(index);
    if (size <= 0) break;  // items of no extent: nothing to show
    const VRect itemRect = vertical_ ? VRect(itemArea.left, start, itemArea.right, start + size)
                                     : VRect(start, itemArea.top, start + size, itemArea.bottom);
    const bool selected = selectionStart_ <= index && index <= selectionEnd_;
    VRect shown;
    if (opaque && itemRect.Intersect(items, shown)) {
      port->FillRect(shown, selected ? &selectionColor_ : &background_, nullptr, 1, 0, 0);
    }
    if (index < count) DrawItem(port, index, itemRect, selected);
    start += size;
  }
  port->PopDrawRect(previous);
}

// ---------------------------------------------------------------------------
// Mouse and keys

int32_t VListControl2_0_11::ItemAt(int32_t coordinate) {
  const VRect area = GetItemArea();
  int32_t edge = vertical_ ? area.top : area.left;
  const int32_t last = GetItemCount() - 1;
  for (int32_t index = topItem_; index < last; ++index) {
    const int32_t size = GetItemSize(index);
    if (size <= 0) return index;
    edge += size;
    if (coordinate < edge) return index;
  }
  return std::max(last, 0);
}

bool VListControl2_0_11::MouseDown(const VMouseEvent& event) {
  if (event.IsShiftDown() && VGraphicObject::MouseDown(event)) return true;
  const int32_t count = GetItemCount();
  const int32_t size = GetItemSize(0);
  if (count <= 0 || size <= 0) return false;
  pointer_ = event.GetPoint();
  modifiers_ = event.modifiers;
  const VRect area = GetItemArea();
  const int32_t offset = vertical_ ? event.y - area.top : event.x - area.left;
  int32_t index = (offset >= 0 ? offset / size : -1) + topItem_;
  const bool shift = event.IsShiftDown();
  bool beyond = false;
  if (index >= count || index < 0) {
    if (selectionStart_ < 0) return true;
    if (!shift) {
      selectionStart_ = selectionEnd_ = -1;
      anchor_ = -1;
      beyond = true;
      RedrawList();
    } else {
      index = count - 1;
    }
  }
  TakeMouseCapture();
  const ControlLife::Watch watch = life_.MakeWatch();
  if (beyond) {
    // A press past the last item selects nothing.
    SelectionChanged(selectionStart_, selectionEnd_, modifiers_);
  } else if (selectionStart_ < 0 || !shift) {
    anchor_ = selectionStart_ = selectionEnd_ = index;
    RedrawList();
    SelectionChanged(selectionStart_, selectionEnd_, modifiers_);
  }
  if (watch.Alive()) buttonHeld_ = true;
  return true;
}

bool VListControl2_0_11::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  if (!buttonHeld_) return false;
  pointer_ = event.GetPoint();
  modifiers_ = event.modifiers;
  return true;
}

bool VListControl2_0_11::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  if (GetItemCount() <= 0) return false;
  const ControlLife::Watch watch = life_.MakeWatch();
  SelectionChanged(selectionStart_, selectionEnd_, modifiers_);
  if (!watch.Alive()) return true;
  buttonHeld_ = false;
  VRect visible;
  GetVisibleGlobalBounds(visible);
  if (visible.ContainsPoint(event.GetPoint())) {
    SendControlEvent(*this, GetClickCount() == 2 ? kEventItemDoubleClicked : kEventItemSelected);
  }
  return true;
}

bool VListControl2_0_11::Step(uint32_t) {
  if (!buttonHeld_ || !vertical_) return true;
  const VRect area = GetItemArea();
  if (pointer_.x < area.left || pointer_.x > area.right) return true;
  int32_t speed = 0;
  if (pointer_.y < area.top) speed = std::clamp((pointer_.y - area.top) / 10, -kMaxAutoScroll, -1);
  if (pointer_.y >= area.bottom) speed = std::clamp((pointer_.y - area.bottom) / 10, 1, kMaxAutoScroll);
  if (speed != 0) {
    const bool visible = IsVisible();
    StoreVisibleFlag(false);
    ScrollBy(speed, 0);
    StoreVisibleFlag(visible);
    if (VScrollBar* bar = GetScrollBar(0)) bar->Update();
  }
  const int32_t item = ItemAt(pointer_.y);
  if (!rangeSelection_) anchor_ = item;
  const int32_t start = std::min(anchor_, item);
  const int32_t end = std::max(anchor_, item);
  if (start != selectionStart_ || end != selectionEnd_ || speed != 0) {
    const bool changed = start != selectionStart_ || end != selectionEnd_;
    selectionStart_ = start;
    selectionEnd_ = end;
    const ControlLife::Watch watch = life_.MakeWatch();
    if (changed) SelectionChanged(start, end, modifiers_);
    if (watch.Alive()) RedrawList();
  }
  return true;
}

bool VListControl2_0_11::KeyDown(const VKeyEvent& event) {
  const int32_t last = GetItemCount() - 1;
  const int32_t page = GetPageSize(0);
  switch (event.virtualKey) {
    case kKeyPageUp: {
      selectionStart_ = std::max(selectionStart_ - page, 0);
      selectionEnd_ = selectionStart_;
      const int32_t top = topItem_;
      ScrollBy(-page, 0);
      if (top == topItem_) RedrawList();
      break;
    }
    case kKeyPageDown: {
      selectionStart_ = std::min(selectionStart_ + page, last);
      selectionEnd_ = selectionStart_;
      const int32_t top = topItem_;
      ScrollBy(page, 0);
      if (top == topItem_) RedrawList();
      break;
    }
    case kKeyUp:
      if (selectionStart_ <= 0) return true;
      selectionStart_ = selectionEnd_ = selectionStart_ - 1;
      if (selectionStart_ < topItem_) {
        ScrollBy(-1, 0);
      } else {
        RedrawList();
      }
      break;
    case kKeyDown:
      if (selectionStart_ >= last) return true;
      selectionStart_ = selectionEnd_ = selectionStart_ + 1;
      if (selectionStart_ >= topItem_ + GetVisibleCount()) {
        ScrollBy(1, 0);
      } else {
        RedrawList();
      }
      break;
    default:
      return false;
  }
  SendControlEvent(*this, kEventItemSelected);
  return true;
}

bool VListControl2_0_11::UpdateCursor(const VMouseEvent& event) {
  SetCursorById(event.IsShiftDown() && IsDraggable() ? kCursorDraggable : kCursorHand);
  return true;
}
