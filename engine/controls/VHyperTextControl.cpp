#include "engine/controls/VHyperTextControl.h"

#include <algorithm>

#include "engine/app/MessagePointer.h"
#include "engine/core/VEvent.h"

namespace {
constexpr uint16_t kCursorLink = 107;
}

VHyperTextControl::VHyperTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                                     int32_t height, VString* text, VFont* font, VFont* linkFont, int32_t alignment,
                                     bool frame, int32_t wrapWidth, VGraphicObject* parent)
    : VHyperTextControl(NoTextTag{}, kKind, id, left, top, layer, width, height, font, linkFont, alignment, frame,
                        wrapWidth, parent) {
  SetText(text, false);
}

VHyperTextControl::VHyperTextControl(NoTextTag, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer,
                                     int32_t width, int32_t height, VFont* font, VFont* linkFont, int32_t alignment,
                                     bool frame, int32_t wrapWidth, VGraphicObject* parent)
    : VTextControl(NoText{}, kind, id, left, top, layer, width, height, font, alignment, frame, wrapWidth, parent),
      linkFont_(linkFont) {}

void VHyperTextControl::SetFont(VFont* font, int32_t kind) {
  if (kind == 2) {
    linkFont_ = font;
    return;
  }
  VTextControl::SetFont(font, kind);
}

VFont* VHyperTextControl::GetFont(int32_t kind) { return kind == 2 ? linkFont_ : VTextControl::GetFont(kind); }

void VHyperTextControl::SetLinkColor(const VRGBColor& color) {
  linkColor_ = color;
  MarkLayoutDirty();
}
void VHyperTextControl::SetSecondLinkColor(const VRGBColor& color) {
  pressedColor_ = color;
  MarkLayoutDirty();
}
void VHyperTextControl::SetThirdLinkColor(const VRGBColor& color) {
  hoverColor_ = color;
  MarkLayoutDirty();
}

uint16_t VHyperTextControl::GetSegmentCursor(const VTextSegment* segment) {
  if (segment != nullptr && (segment->kind & (kSegmentInLink | kSegmentLinkStart)) != 0) return kCursorLink;
  return VTextControl::GetSegmentCursor(segment);
}

const VRGBColor& VHyperTextControl::LinkColorFor(const VTextSegment& segment) const {
  if (IsTracking() && IsOverPressed() && segment.pressed != 0) return pressedColor_;
  if (segment.hover != 0) return hoverColor_;
  return linkColor_;
}

void VHyperTextControl::DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY) {
  if ((segment.kind & (kSegmentLinkStart | kSegmentAnchor)) != 0) return;
  if (!segment.InLink()) {
    VTextControl::DrawSegment(port, segment, boxX, boxY);
    return;
  }
  const VRGBColor saved = segment.color;
  segment.color = LinkColorFor(segment);
  VTextControl::DrawSegment(port, segment, boxX, boxY);
  segment.color = saved;
}

void VHyperTextControl::SegmentMouse(const VPoint& point, const VMouseEvent& event) {
  VTextBox* root = GetRootBox();
  if (root == nullptr) return;
  const VPoint p = ToTextPoint(point);
  int32_t index = 0;
  VTextSegment* s = root->HitTest(p.x, p.y, event.buttons != 0, false, &index, nullptr, nullptr);
  if (s == nullptr) {
    VTextControl::SegmentMouse(point, event);
    return;
  }
  if ((s->kind & kSegmentLinkStart) != 0) {
    if (event.buttons != 0) {
      SetPressedActive(true);
      return;
    }
    // Release on the link: the marks go and the link is reported.
    const bool pressed = s->pressed != 0 && IsPressedActive();
    root->ClearPressed();
    SetPressedActive(false);
    if (pressed) SendLink(*s);
    return;
  }
  if (s->InLink()) {
    if (event.buttons != 0) {
      s->pressed = 1;
      SetPressedActive(true);
    } else {
      root->ClearPressed();
      SetPressedActive(false);
    }
    return;
  }
  VTextControl::SegmentMouse(point, event);
}

void VHyperTextControl::SegmentClicked(int32_t index, const VMouseEvent& event) {
  VTextBox* root = GetRootBox();
  if (root == nullptr) return;
  if (event.buttons != 0) {
    int32_t first = index, last = index;
    while (first > 0 && root->GetSegment(first - 1) != nullptr && root->GetSegment(first - 1)->InLink()) --first;
    while (root->GetSegment(last + 1) != nullptr && root->GetSegment(last + 1)->InLink()) ++last;
    PressedFirst() = first;
    PressedLast() = last;
    return;
  }
  if (!IsPressedActive() || PressedFirst() < 0) return;
  VTextSegment* start = root->GetSegment(PressedFirst() - 1);
  // Without a link start before the range the range's first piece stands
  // for the link.
  if (start == nullptr || (start->kind & kSegmentLinkStart) == 0) start = root->GetSegment(PressedFirst());
  PressedFirst() = PressedLast() = -1;
  if (start != nullptr) SendLink(*start);
}

void VHyperTextControl::SendLink(const VTextSegment& linkStart) {
  const char* chars = GetChars();
  const int32_t length = GetLength();
  const int32_t offset = static_cast<int32_t>(linkStart.textOffset);
  const int32_t count = offset < length ? std::min<int32_t>(linkStart.length, length - offset) : 0;
  VString target(count > 0 ? chars + offset : "", count);
  ScopedMessagePointer token(&target);
  SendControlEvent(*this, kEventLinkActivated, token.GetValue());
}

bool VHyperTextControl::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kEventLinkActivated) {
    const VString* target = MessagePointerAs<VString>(value1);
    if (target != nullptr && target->GetCharAt(0) == '#' && MessagePointerAs<VEventHandler>(value2) == GetEventHandler()) {
      if (VTextBox* root = GetRootBox()) root->FindAnchor(target->GetChars(), target->GetLength(), true);
      return true;
    }
  }
  return VControl::HandleEvent(code, value1, value2);
}
