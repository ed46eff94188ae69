#include "title/modules/aspects/AspectTitleBar.h"

#include <algorithm>

#include "engine/controls/VPictureButton.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VString.h"
#include "engine/graphics/DrawPort.h"

namespace {

constexpr int32_t kTitleBarKind = 257;
constexpr int32_t kTextLayer = 1;
constexpr int32_t kButtonLayer = 5;
const VRGBColor kTextColour(250, 250, 250);
const VRGBColor kFrameColour(107, 173, 205);

}  // namespace

AspectTitleBar::AspectTitleBar(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               VFont* font, VGraphicObject* parent)
    : VControl(kTitleBarKind, id, left, top, layer, width, height, parent) {
  SetTransparent(true);
  const int32_t textWidth = std::max(width - kExtraWidth, 0);
  text_ = new VTextControl(kAllocateId, kTextInset, 0, kTextLayer, textWidth, height, nullptr, font, 0, 0, false, 0,
                           this);
  text_->SetTextColor(kTextColour);
  text_->SetTransparent(true);
  // The title only shows: a text control takes every move of the pointer,
  // which would starve the list the bar moves beside.
  text_->SetEnabled(false);
  back_ = new VPictureButton(kBackButtonId, kBackPictures[0], kBackPictures[1], kBackPictures[2], 0, VPoint(0, 0),
                             kButtonLayer, 0, 0, this);
  back_->SetVisible(false, false);
  PlaceChildren(false);
}

void AspectTitleBar::PlaceChildren(bool redraw) {
  const VRect& bar = GetBounds();
  text_->MoveTo(VPoint(kTextInset, 0), false, redraw, false);
  const int32_t x = std::max(bar.GetWidth() - back_->GetWidth(), 0);
  const int32_t y = std::max((bar.GetHeight() - back_->GetHeight()) / 2, 0);
  back_->MoveTo(VPoint(x, y), false, redraw, false);
}

void AspectTitleBar::SetTitle(const VString& text) {
  text_->SetText(new VString(text), true);
  if (IsShown()) Invalidate();
}

void AspectTitleBar::FitToText(int32_t width) {
  width = std::max(width, 0);
  const bool shown = IsShown();
  if (shown) Invalidate();
  VRect bar = GetBounds();
  bar.SetWidth(width + kExtraWidth);
  StoreBounds(bar);
  VRect text = text_->GetBounds();
  text.SetWidth(width);
  text_->StoreBounds(text);
  text_->MarkLayoutDirty();
  PlaceChildren(false);
  if (shown) Invalidate();
}

void AspectTitleBar::ShowBackButton(bool show) {
  if (show == backShown_) return;
  backShown_ = show;
  back_->SetVisible(show, false);
  if (IsShown()) Invalidate();
}

VPoint AspectTitleBar::GetBackButtonOrigin() const {
  if (!backShown_) return VPoint(-1, -1);
  VPoint origin;
  back_->GetGlobalOrigin(origin, true);
  return origin;
}

void AspectTitleBar::MoveTo(const VPoint& point, bool global, bool redraw, bool force) {
  VControl::MoveTo(point, global, redraw, force);
  PlaceChildren(false);
}

TextColorTarget* AspectTitleBar::GetHeldTextColorTarget() { return text_; }

void AspectTitleBar::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr || !backShown_) return;
  VRect area;
  GetGlobalBounds(area);
  // The four edges, each drawn where it meets the area being redrawn.
  const VRect edges[4] = {
      VRect(area.left, area.top, area.right, area.top + 1),
      VRect(area.left, area.bottom - 1, area.right, area.bottom),
      VRect(area.left, area.top, area.left + 1, area.bottom),
      VRect(area.right - 1, area.top, area.right, area.bottom),
  };
  for (const VRect& edge : edges) {
    VRect part;
    if (edge.Intersect(rect, part)) port->FillRect(part, &kFrameColour, nullptr, 1, 0, kDrawModeNone);
  }
}
