// The title's plain text list: the caller's item strings drawn centred, one
// per row, in a picture font; transparent over what lies behind it. The
// gliding list draws one inside its highlight bar.
//
// Ownership: the item array belongs to the caller and must outlive the list
// (or be replaced with SetItems); the font is borrowed from the registry.
#pragma once

#include <cstdint>

#include "engine/controls/VListControl.h"
#include "engine/core/VString.h"
#include "engine/core/VGeometry.h"

class VFont;

class AppListControl : public VListControl2_0_11 {
 public:
  AppListControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                 int32_t itemHeight, VFont* font, VGraphicObject* parent);

  void SetItems(const VString* items, int32_t count) { SetItems(items, count, count, 0); }
  void SetItems(const VString* items, int32_t count, int32_t visible, int32_t first);
  void SetFont(VFont* font) { font_ = font; }
  void SetColor(const VRGBColor& color) { color_ = color; }
  // Drawing is limited to the rectangle (window coordinates); empty: no limit.
  void SetClipRect(const VRect& clip) { clip_ = clip; }

  int32_t GetItemCount() override { return count_; }
  void DrawItem(DrawPort* port, int32_t index, const VRect& rect, bool selected) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;

  // Draws the rows into a port at an offset from the list's place, limited to
  // the clip rectangle (both in the port's coordinates).
  void DrawRowsAt(DrawPort* port, int32_t dx, int32_t dy, const VRect& clip);

  const VRGBColor& GetColor() const { return color_; }
  int32_t GetFirst() const { return first_; }
  int32_t GetVisible() const { return visible_; }

 private:
  const VString* items_ = nullptr;
  int32_t count_ = 0;
  int32_t visible_ = 0;
  int32_t first_ = 0;
  int32_t itemHeight_;
  VFont* font_;
  VRGBColor color_{250, 250, 250};
  VRect clip_;
};
