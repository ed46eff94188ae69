#include "title/controls/AppTaskListControl.h"

#include <algorithm>
#include <cmath>

#include "engine/app/MessagePointer.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VFont.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "title/controls/AppListControl.h"

namespace {

constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorHand = 107;
constexpr uint16_t kCursorArrow = 220;
constexpr int32_t kFreshId = 12288;
constexpr int32_t kRowInset = 10;

int32_t Lerp(int32_t from, int32_t to, double f) {
  const double v = from + (static_cast<double>(to) - from) * f;
  const int32_t low = std::min(from, to);
  const int32_t high = std::max(from, to);
  return std::clamp(static_cast<int32_t>(std::lround(v)), low, high);
}

VRGBColor Half(const VRGBColor& c) {
  return VRGBColor(static_cast<uint8_t>(c.red / 2), static_cast<uint8_t>(c.green / 2), static_cast<uint8_t>(c.blue / 2));
}

}  // namespace

AppTaskListControl::AppTaskListControl(int32_t id, const VString* items, int32_t count, double offsetFactor,
                                       int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                                       int32_t itemHeight, VGraphicObject* parent)
    : VListControl2_0_11(id, left, top, layer, width, height, true, itemHeight, 0, 0, 0, 0, parent),
      offsetFactor_(std::isfinite(offsetFactor) ? offsetFactor : 0.0),
      itemHeight_(itemHeight) {
  SetTransparent(true);
  // The companion draws the items again inside the bar; it is never shown
  // on its own.
  companion_ = new AppListControl(kFreshId, 0, 0, layer, width, height, itemHeight, nullptr, this);
  companion_->SetVisible(false, false);
  SetItems(items, count);
  SoundManager& sounds = GetSoundManager();
  sounds.AcquireSound(kSoundHover);
  sounds.AcquireSound(kSoundRowPassed);
  sounds.AcquireSound(kSoundClick);
}

AppTaskListControl::~AppTaskListControl() {
  SoundManager& sounds = GetSoundManager();
  sounds.ReleaseSound(kSoundHover);
  sounds.ReleaseSound(kSoundRowPassed);
  sounds.ReleaseSound(kSoundClick);
}

uint32_t AppTaskListControl::Now() { return platform::TickCount(); }

void AppTaskListControl::SetItems(const VString* items, int32_t count, int32_t visible, int32_t first) {
  items_ = items;
  count_ = items != nullptr ? std::max(count, 0) : 0;
  visible_ = std::max(visible, 0);
  first_ = std::clamp(first, 0, std::max(count_ - 1, 0));
  SetTopItem(first_);
  animating_ = false;
  resting_ = false;
  hovered_ = -1;
  lastRow_ = -1;
  current_.Clear();
  headings_.assign(static_cast<size_t>(count_), 0);
  marks_.assign(static_cast<size_t>(count_), 0);
  if (companion_ != nullptr) companion_->SetItems(items_, count_, visible_, first_);
}

void AppTaskListControl::SetColor(const VRGBColor& color) {
  textColor_ = color;
  if (companion_ != nullptr) companion_->SetColor(color);
}

void AppTaskListControl::SetItemFont(VFont* font) {
  itemFont_ = font;
  if (companion_ != nullptr) companion_->SetFont(font);
}

void AppTaskListControl::SetHeading(int32_t index, bool heading) {
  if (index >= 0 && index < count_) headings_[static_cast<size_t>(index)] = heading ? 1 : 0;
}

void AppTaskListControl::ClearHeadings() { std::fill(headings_.begin(), headings_.end(), 0); }

bool AppTaskListControl::IsHeading(int32_t index) const {
  return index >= 0 && index < count_ && headings_[static_cast<size_t>(index)] != 0;
}

void AppTaskListControl::SetMarked(int32_t index, bool marked) {
  if (index >= 0 && index < count_) marks_[static_cast<size_t>(index)] = marked ? 1 : 0;
}

void AppTaskListControl::ClearMarks() { std::fill(marks_.begin(), marks_.end(), 0); }

bool AppTaskListControl::IsMarked(int32_t index) const {
  return index >= 0 && index < count_ && marks_[static_cast<size_t>(index)] != 0;
}

void AppTaskListControl::FitHeightToRows() {
  const int64_t height = static_cast<int64_t>(visible_) * itemHeight_;
  SetHeight(static_cast<int32_t>(std::clamp<int64_t>(height, 0, INT32_MAX / 2)));
}

void AppTaskListControl::GetRowRect(int32_t index, VRect& out) {
  const int64_t top = static_cast<int64_t>(index - GetTopItem()) * itemHeight_;
  const int32_t y = static_cast<int32_t>(std::clamp<int64_t>(top, INT32_MIN / 4, INT32_MAX / 4));
  out = VRect(0, y, std::max(GetWidth() - kRowInset, 0), y + itemHeight_);
}

void AppTaskListControl::GetItemHighlightRect(int32_t index, VRect& out) { GetRowRect(index, out); }

int32_t AppTaskListControl::GetCompanionOffset() {
  const double centre = (current_.top + current_.bottom) / 2.0 - GetHeight() / 2.0;
  const double offset = -centre * offsetFactor_;
  return static_cast<int32_t>(std::clamp(offset, -1e6, 1e6));
}

// ---------------------------------------------------------------------------
// Hovering and the glide

void AppTaskListControl::HoverItem(int32_t index, bool notify, bool immediate) {
  if (index < 0 || index >= first_ + visible_ || index >= count_) index = -1;
  notify_ = notify;
  if (!selectionEnabled_) return;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (index != hovered_) {
    if (hovered_ == -1) {
      GetSoundManager().TriggerSound(kSoundHover);
      if (animating_) {
        animating_ = false;
        RedrawList();
      }
      hovered_ = index;
      GetRowRect(index, start_);
      target_ = start_;
      GetItemHighlightRect(index, current_);
      lastRow_ = itemHeight_ > 0 ? (current_.top + current_.bottom) / 2 / itemHeight_ : -1;
      startTick_ = lastTick_ = Now();
      duration_ = kGlideMs;
      animating_ = true;
      resting_ = false;
    } else if (index == -1) {
      if (!immediate) GetSoundManager().TriggerSound(kSoundHover);
      GetRowRect(hovered_, start_);
      target_.Clear();
      hovered_ = -1;
      // The glide out takes its full time from now.
      startTick_ = lastTick_ = Now();
      duration_ = kGlideMs;
      animating_ = true;
      resting_ = false;
      if (notify) {
        SendControlEvent(*this, kMessageHovered, static_cast<uint32_t>(-1));
        if (!watch.Alive()) return;
      }
    } else {
      hovered_ = index;
      start_ = current_;
      GetItemHighlightRect(index, target_);
      duration_ = 0;
      animating_ = true;
      resting_ = false;
    }
  }
  if (immediate) {
    animating_ = false;
    const VRect previous = current_;
    if (hovered_ >= 0) {
      GetItemHighlightRect(hovered_, current_);
    } else {
      current_.Clear();
    }
    resting_ = hovered_ >= 0;
    RedrawArea(previous, current_);
  }
}

bool AppTaskListControl::Step(uint32_t tick) {
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!VListControl2_0_11::Step(tick) || !watch.Alive()) return false;
  if (animating_) StepHighlight();
  return watch.Alive();
}

void AppTaskListControl::StepHighlight() {
  const uint32_t now = GetTaskTickCount();
  if (now == lastTick_) return;
  lastTick_ = now;
  double f = 1.0;
  if (duration_ != 0) {
    const int32_t elapsed = std::max(static_cast<int32_t>(now - startTick_), 0);
    f = std::min(static_cast<double>(elapsed) / duration_, 1.0);
  }
  const VRect previous = current_;
  if (f < 0.9999999) {
    current_.top = Lerp(start_.top, target_.top, f);
    current_.bottom = current_.top + Lerp(start_.GetHeight(), target_.GetHeight(), f);
    current_.left = start_.left;
    current_.right = current_.left + Lerp(start_.GetWidth(), target_.GetWidth(), f);
  } else {
    current_ = target_;
  }
  if (itemHeight_ > 0) {
    const int32_t row = (current_.top + current_.bottom) / 2 / itemHeight_;
    if (row != lastRow_) {
      GetSoundManager().TriggerSound(kSoundRowPassed);
      lastRow_ = row;
    }
  }
  const ControlLife::Watch watch = life_.MakeWatch();
  if (current_ == target_) {
    animating_ = false;
    resting_ = hovered_ >= 0;
    if (notify_) {
      SendControlEvent(*this, kMessageHovered, static_cast<uint32_t>(hovered_));
      if (!watch.Alive()) return;
    }
  }
  RedrawArea(previous, current_);
}

void AppTaskListControl::RedrawArea(const VRect& localA, const VRect& localB) {
  if (!IsShown()) return;
  VRect area = localA;
  area.Union(localB);
  if (area.IsEmpty()) return;
  // The frame is drawn around the bar.
  area.left -= 1;
  area.top -= 1;
  area.right += 1;
  area.bottom += 1;
  VRect bounds;
  GetGlobalBounds(bounds);
  area.Offset(bounds.left, bounds.top);
  VRect shown;
  if (!area.Intersect(bounds, shown)) return;
  Draw(nullptr, &shown, false, true);
}

// ---------------------------------------------------------------------------
// Mouse

bool AppTaskListControl::MouseMove(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  const bool base = VListControl2_0_11::MouseMove(event);
  if (!watch.Alive()) return true;
  if (dimUnselected_ || count_ <= 0) return base;
  VRect bounds;
  GetGlobalBounds(bounds);
  if (!bounds.ContainsPoint(event.GetPoint())) {
    if (hovering_) {
      hovering_ = false;
      if (GetCapturedObject() == this && !IsButtonHeld()) SetCapturedObject(nullptr);
      HoverItem(-1, true, false);
    }
    return base;
  }
  hovering_ = true;
  // The list wants to see the pointer leave.
  if (GetCapturedObject() == nullptr) TakeMouseCapture();
  const int32_t index = itemHeight_ > 0 ? GetTopItem() + (event.y - bounds.top) / itemHeight_ : -1;
  HoverItem(index, true, false);
  return true;
}

bool AppTaskListControl::UpdateCursor(const VMouseEvent& event) {
  if (event.IsShiftDown() && IsDraggable()) {
    SetCursorById(kCursorDraggable);
  } else {
    SetCursorById(selectionEnabled_ ? kCursorHand : kCursorArrow);
  }
  return true;
}

bool AppTaskListControl::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kEventItemSelected && MessagePointerAs<VEventHandler>(value2) == static_cast<VEventHandler*>(this)) {
    Click();
    return true;
  }
  return VListControl2_0_11::HandleEvent(code, value1, value2);
}

void AppTaskListControl::Click() {
  GetSoundManager().TriggerSound(kSoundClick);
  const int32_t selected = GetSelectionStart();
  if (option_) {
    animating_ = false;
    dimUnselected_ = !dimUnselected_;
    if (dimUnselected_ && selected >= 0) {
      hovered_ = selected;
      GetItemHighlightRect(selected, current_);
      resting_ = true;
    }
    RedrawList();
  }
  SendControlEvent(*this, kMessageItemClicked, static_cast<uint32_t>(selected));
}

// ---------------------------------------------------------------------------
// Drawing

void AppTaskListControl::DrawItem(DrawPort* port, int32_t index, const VRect& rect, bool) {
  if (port == nullptr || items_ == nullptr) return;
  if (index < 0 || index >= count_ || index >= first_ + visible_) return;
  const bool heading = headings_[static_cast<size_t>(index)] != 0;
  const bool marked = marks_[static_cast<size_t>(index)] != 0 && markFont_ != nullptr;
  VFont* font = heading ? headingFont_ : (marked ? markFont_ : itemFont_);
  const VString& item = items_[index];
  if (font == nullptr || item.GetLength() <= 0 || item.GetChars() == nullptr) return;
  const VRGBColor color = dimUnselected_ && index != hovered_ ? Half(textColor_) : textColor_;
  const int32_t ascent = port->GetFontAscent(font);
  const int32_t height = ascent + port->GetFontDescent(font);
  const int32_t x = rect.left + (heading ? 0 : kRowInset);
  const int32_t y = rect.top + (itemHeight_ - height) / 2 + ascent + 1;
  port->DrawText(item.GetChars(), item.GetLength(), x, y, font, &color, true, &rect);
}

void AppTaskListControl::DrawContent(DrawPort* port, const VRect& rect) {
  if (drawing_) return;
  drawing_ = true;
  VListControl2_0_11::DrawContent(port, rect);
  if (port == nullptr || (!animating_ && hovered_ < 0) || current_.IsEmpty()) {
    drawing_ = false;
    return;
  }
  VRect bounds;
  GetGlobalBounds(bounds);
  VRect bar = current_;
  bar.Offset(bounds.left, bounds.top);
  VRect shown;
  if (bar.Intersect(rect, shown) && shown.Intersect(bounds, shown)) {
    port->FillRect(shown, &highlightColor_, nullptr, 1, 0, 0);
    if (companion_ != nullptr) companion_->DrawRowsAt(port, 0, GetCompanionOffset(), shown);
    if (resting_) {
      // A one-pixel frame in the text colour: left, top, right, bottom edges.
      const VRect edges[4] = {VRect(bar.left, bar.top, bar.left + 1, bar.bottom),
                              VRect(bar.left, bar.top, bar.right, bar.top + 1),
                              VRect(bar.right - 1, bar.top, bar.right, bar.bottom),
                              VRect(bar.left, bar.bottom - 1, bar.right, bar.bottom)};
      for (const VRect& edge : edges) {
        VRect part;
        if (edge.Intersect(shown, part)) port->FillRect(part, &textColor_, nullptr, 1, 0, 0);
      }
    }
  }
  drawing_ = false;
}
