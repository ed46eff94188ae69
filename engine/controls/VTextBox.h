// A box of laid-out text: the whole text of a text control, or a table,
// row, cell, list, list item, subscript, superscript or float area opened by
// mark-up. A box runs the line loop over the control's text (word wrap,
// alignment, pages, floats), keeps its segments, lays out tables, hit-tests
// and walks its segments for drawing. Nested boxes are owned by the segment
// that stands for them in the enclosing box.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/VTextSegment.h"
#include "engine/core/VGeometry.h"

class DrawPort;
class VFont;
class VTextControl;

// Alignment of lines.
enum TextAlignment : int32_t {
  kAlignLeft = 1,
  kAlignRight = 4,
  kAlignCenter = 18,
};

class VTextBox {
 public:
  VTextBox(VTextControl* control, VTextBox* parent, int32_t tag, int16_t rowPadding, int16_t columnPadding,
           int16_t page);
  ~VTextBox();
  VTextBox(const VTextBox&) = delete;
  VTextBox& operator=(const VTextBox&) = delete;

  // Lays out the text from `start` until this box's closing tag or the end
  // of the text; returns the offset reached. limit 0: the box width; a
  // negative limit: box width + limit.
  int32_t Layout(int32_t start, int32_t limit);
  void FinishLine(bool last);
  // Column widths and row placement of a table box, after its content was
  // laid out once at the table width.
  void LayoutTable();

  int32_t GetHeight() const;
  int32_t GetWidth() const { return width_; }
  int32_t GetAbsoluteX() const;
  int32_t GetAbsoluteY() const;
  void SetOrigin(int32_t x) { xOrigin_ = ClampToI16(x); }
  void SetTop(int32_t y);
  void SetWidth(int32_t width) { width_ = width; }

  // Appends a segment: x 0xFFFF means the pen x, y -1 the line top; the
  // page is the box's current page. Null when no chunk could be made.
  VTextSegment* AddSegment(uint32_t kind, int32_t textOffset, int32_t length, int32_t consumed, int32_t x, int32_t y,
                           int32_t width, int32_t height, const VRGBColor& color, VFont* font);
  // Null outside 0..count-1.
  VTextSegment* GetSegment(int32_t index) const;
  int32_t GetCount() const { return count_; }

  // Hit test at a point relative to the whole text (see the .cpp). Returns
  // the segment hit (the link-start piece for a link when marking), or null;
  // index and character receive the segment and character index, box the
  // box searched last.
  VTextSegment* HitTest(int32_t x, int32_t y, bool markPressed, bool markHover, int32_t* index, int32_t* character,
                        VTextBox** box);
  // The anchor (kind 64) of the name after "#", in this box or a nested
  // one; scrolls the control to it when asked. Null when none.
  VTextSegment* FindAnchor(const char* target, int32_t targetLength, bool scroll);
  // Draws the float areas, then the segments first..last (32767: to the
  // end) that lie in the visible band, through the control's DrawSegment.
  void DrawRange(DrawPort* port, int32_t first, int32_t last);

  // Deletes every segment and both float areas.
  void Clear();
  void ClearHover();
  void ClearPressed();
  // Whether any segment (nested boxes too) is marked hovered.
  bool AnyHover() const;

  // Fields the parser and the control change directly.
  VTextControl* GetControl() const { return control_; }
  VTextBox* GetParent() const { return parent_; }
  void SetLinkedSegment(VTextSegment* segment) { linkedSegment_ = segment; }
  VTextSegment* GetLinkedSegment() const { return linkedSegment_; }
  int32_t GetTag() const { return tag_; }

  int32_t penX = 0;
  int32_t lineTop = 0;
  int32_t lineDescent = 0;
  int32_t lineStart = 0;
  int32_t lineHeight = 0;
  int32_t alignment = kAlignLeft;
  VRGBColor background;
  bool noBackground = true;
  int32_t fixedWidth = 0;
  int32_t widestPicture = 0;
  int32_t widestLine = 0;
  uint32_t flags = 0;  // bit 0: draw borders
  int16_t startPage = 0;
  int16_t currentPage = 0;
  int16_t rowPadding = 0;
  int16_t columnPadding = 0;
  uint8_t floatSide = 0;  // float areas: 1 left, 0 right
  uint8_t reflowPending = 0;
  int32_t xOrigin() const { return xOrigin_; }
  int32_t yOrigin() const { return yOrigin_; }

  // The inset of the whole text of a framed control (2), else 0.
  int32_t Gap() const;
  // Floats: adds a picture (owned from now on) to the left or right float
  // area; false (picture released) when the area cannot take it.
  bool AddFloatingPicture(VPicture* picture, bool left, int32_t width, int32_t height, uint32_t kind);
  // Width the float area covers at a line top (0 without one).
  int32_t FloatWidthAt(bool left, int32_t top) const;
  VTextBox* GetFloatArea(bool left) const { return left ? leftFloat_.get() : rightFloat_.get(); }

 private:
  friend class VTextControl;
  VTextSegmentChunk* EnsureChunk();
  void PlacePendingFloats(int32_t top, bool allowMove);
  VTextSegment* HitSearch(int32_t x, int32_t y, bool markPressed, bool markHover, int32_t* index,
                          int32_t* character, VTextBox** box);
  void MarkLink(int32_t index, bool markPressed, bool markHover, VTextSegment** result);

  VTextControl* control_;
  VTextBox* parent_;
  VTextSegment* linkedSegment_ = nullptr;
  std::vector<std::unique_ptr<VTextSegmentChunk>> chunks_;
  VTextSegmentChunk* current_ = nullptr;
  int32_t count_ = 0;
  int32_t tag_;
  int16_t xOrigin_ = 0;
  int32_t yOrigin_ = 0;
  int32_t width_ = 0;
  std::unique_ptr<VTextBox> leftFloat_;
  std::unique_ptr<VTextBox> rightFloat_;
  // Auto-width layout: first segment and width of every line.
  struct LineExtent {
    int32_t first;
    int32_t width;
  };
  std::vector<LineExtent> lines_;
};
