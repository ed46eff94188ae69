#include "title/controls/AppListControl.h"

#include <algorithm>

#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VFont.h"

AppListControl::AppListControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               int32_t itemHeight, VFont* font, VGraphicObject* parent)
    : VListControl2_0_11(id, left, top, layer, width, height, true, itemHeight, 0, 0, 0, 0, parent),
      itemHeight_(itemHeight),
      font_(font) {
  SetTransparent(true);
  Stop();  // nothing to step: no selection by dragging in this list
}

void AppListControl::SetItems(const VString* items, int32_t count, int32_t visible, int32_t first) {
  items_ = items;
  count_ = items != nullptr ? std::max(count, 0) : 0;
  visible_ = std::max(visible, 0);
  first_ = std::max(first, 0);
  SetTopItem(first_);
}

void AppListControl::DrawItem(DrawPort* port, int32_t index, const VRect& rect, bool) {
  const int32_t row = index - first_;
  if (port == nullptr || font_ == nullptr || items_ == nullptr) return;
  if (index < 0 || index >= count_ || row < 0 || row >= visible_) return;
  const VString& item = items_[index];
  if (item.GetLength() <= 0 || item.GetChars() == nullptr) return;
  const int32_t ascent = port->GetFontAscent(font_);
  const int32_t height = ascent + port->GetFontDescent(font_);
  const int32_t width = port->GetTextWidth(item.GetChars(), item.GetLength(), font_);
  VRect bounds;
  GetGlobalBounds(bounds);
  const int32_t x = bounds.left + (bounds.GetWidth() - width) / 2;
  const int32_t y = rect.top + 1 + (itemHeight_ - height) / 2 + ascent;
  port->DrawText(item.GetChars(), item.GetLength(), x, y, font_, &color_, true, &rect);
}

void AppListControl::DrawContent(DrawPort* port, const VRect& rect) {
  VRect limited = rect;
  if (clip_.IsNonEmpty() && !rect.Intersect(clip_, limited)) return;
  VListControl2_0_11::DrawContent(port, limited);
}

void AppListControl::DrawRowsAt(DrawPort* port, int32_t dx, int32_t dy, const VRect& clip) {
  if (port == nullptr || font_ == nullptr || items_ == nullptr || itemHeight_ <= 0) return;
  VRect bounds;
  GetGlobalBounds(bounds);
  const int32_t ascent = port->GetFontAscent(font_);
  const int32_t height = ascent + port->GetFontDescent(font_);
  for (int32_t row = 0; row < visible_; ++row) {
    const int32_t index = first_ + row;
    if (index >= count_) break;
    const VString& item = items_[index];
    if (item.GetLength() <= 0 || item.GetChars() == nullptr) continue;
    const VRect rowRect(bounds.left + dx, bounds.top + dy + row * itemHeight_, bounds.right + dx,
                        bounds.top + dy + (row + 1) * itemHeight_);
    VRect shown;
    if (!rowRect.Intersect(clip, shown)) continue;
    const int32_t width = port->GetTextWidth(item.GetChars(), item.GetLength(), font_);
    const int32_t x = rowRect.left + (rowRect.GetWidth() - width) / 2;
    const int32_t y = rowRect.top + 1 + (itemHeight_ - height) / 2 + ascent;
    port->DrawText(item.GetChars(), item.GetLength(), x, y, font_, &color_, true, &shown);
  }
}
