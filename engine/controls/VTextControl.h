// The engine's control for styled, wrapped, scrollable text, optionally
// split into pages of the control's height. The text is laid out into
// segments by VTextBox; this class measures runs of text, draws segments,
// scrolls (as a VScroller) and tracks presses on segments. Subclasses add
// links (VHyperTextControl) and mark-up (VHTMLTextControl).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/TextColorTarget.h"
#include "engine/controls/VScroller.h"
#include "engine/controls/VTextBox.h"
#include "engine/core/VString.h"

class DrawPort;
class PixelMap;
class VFont;
class VMouseEvent;

// Bits of the mark-up state the line loop keeps for each box.
enum MarkupStateBits : uint16_t {
  kMarkupInLink = 2,
  kMarkupEntity = 4,
  kMarkupLineBreak = 8,
  kMarkupHeading = 16,
  kMarkupHidden = 32,
};

class VTextControl : public VControl, public VScroller, public TextColorTarget {
 public:
  static constexpr int32_t kKind = 29763;
  static constexpr int32_t kStackDepth = 10;
  // The longest run of characters one segment takes (its length fields are
  // 16 bits wide).
  static constexpr int32_t kMaxRun = 32767;

  // text: taken over (null: an empty text). font: not owned (null: "Times"
  // 12). wrapWidth is kept only when width is 0 (an auto-width control that
  // takes the width of its widest line).
  VTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VString* text,
               VFont* font, int32_t alignment, bool frame, int32_t wrapWidth, VGraphicObject* parent);
  // The form the title's screens call: one more value before the frame
  // flag, which has no effect.
  VTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height, VString* text,
               VFont* font, int32_t alignment, int32_t unused, bool frame, int32_t wrapWidth, VGraphicObject* parent)
      : VTextControl(id, left, top, layer, width, height, text, font, alignment, frame, wrapWidth, parent) {
    (void)unused;
  }
  ~VTextControl() override;

  // --- Overridable operations ----------------------------------------------
  // kind 0: the default font (layout dirty).
  virtual void SetFont(VFont* font, int32_t kind);
  virtual VFont* GetFont(int32_t kind);
  // The held text (owned by the control, valid until the next SetText).
  virtual VString* GetText() { return text_.get(); }
  // Takes over the text (null: empty; the control's own string is kept) and
  // lays it out at once; with redraw the control is drawn when shown.
  virtual void SetText(VString* text, bool redraw);
  virtual void ClearText() { SetText(static_cast<VString*>(nullptr), true); }
  virtual bool IsBreakChar(uint8_t character) { return character == ' ' || character == '-'; }
  // Distance from column x to the next tab stop.
  virtual int32_t GetTabAdvance(int32_t x);
  virtual uint16_t GetSegmentCursor(const VTextSegment* segment);
  // Draws one piece; boxX and boxY are the box's position within the text.
  virtual void DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY);
  // A press (event buttons set) or release at a window point over the text.
  virtual void SegmentMouse(const VPoint& point, const VMouseEvent& event);
  virtual void SegmentClicked(int32_t index, const VMouseEvent& event);
  // Measures a run from `position` (moved past what is consumed) within
  // maxWidth. markupPosition: 0 when mark-up stands at the start, else -1.
  // Returns the characters to draw.
  virtual int32_t MeasureRun(DrawPort* port, int32_t& position, int32_t maxWidth, int32_t& width, uint16_t state,
                             int32_t& markupPosition, bool breakAnywhere, int32_t& consumed, bool& lineBreak);
  // Offset of the first mark-up in the run, -1 when none.
  virtual int32_t FindMarkupInRun(const char* text, int32_t length, uint16_t state);
  // Reads the mark-up at `position` into the box; true when it closed the box.
  virtual bool HandleMarkup(VTextBox& box, int32_t position, int32_t& newPosition, int32_t& drawCount,
                            uint16_t& state);
  // The mark-up standing for one plain character; true when escaped.
  virtual bool EscapeChar(uint8_t character, VString& out);
  // The replacement of the entity reference at text (at most `available`
  // characters); length receives the reference's length. Null: none.
  virtual const char* DecodeEntity(const char* text, int32_t available, int32_t& length);
  // Lays out the whole text (paged: in pages of the control's height) with
  // the port (null: a scratch port for measuring). Pages last until the
  // next new text or dirty layout, which are laid out in one piece.
  virtual void Layout(bool paged, DrawPort* port);
  virtual void ClearLayout();

  // --- VControl / VScroller ------------------------------------------------
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  void ScrollBy(int32_t delta, int32_t axis) override;
  int32_t GetMax(int32_t axis) override;
  int32_t GetPosition(int32_t axis) override;
  int32_t GetPageSize(int32_t axis) override;
  void ScrollTo(int32_t position, int32_t axis);

  // --- Operations for the title ------------------------------------------
  // A copy of the characters as the new text.
  void SetTextChars(const char* text, bool redraw);
  VString* GetTextString() { return text_.get(); }
  // The base text colour; the text is laid out again.
  void SetTextColor(const VRGBColor& color) override;
  const VRGBColor& GetTextColor() const { return textColor_; }
  // The colour behind the text: laid out again, and drawn at once when the
  // control is on screen (else at its next draw).
  void SetBackgroundColor(const VRGBColor& color) {
    background_ = color;
    layoutDirty_ = true;
    Redraw();
  }
  // The line width of an auto-width control; laid out at the next draw.
  void SetWrapWidth(int32_t width);
  int32_t GetWrapWidth() const { return wrapWidth_; }
  // The width the lines of a control with a width break at (its width at
  // construction until set); laid out at the next draw.
  void SetLayoutWidth(int32_t width);
  // The line width: the layout width (or the wrap width).
  int32_t GetLineWidth() const { return wrapWidth_ != 0 ? wrapWidth_ : layoutWidth_; }
  // The segment under a window point (scrolling and page included), null
  // without a layout or nothing there.
  VTextSegment* HitTest(const VPoint& windowPoint);
  void SetLineSpacing(int32_t spacing) { lineSpacing_ = spacing; layoutDirty_ = true; }
  void SetTopMargin(int32_t margin) { topMargin_ = margin; layoutDirty_ = true; }
  void SetTabWidth(int32_t width) { tabWidth_ = width > 0 ? width : 1; layoutDirty_ = true; }
  void SetAlignment(int32_t alignment) { alignment_ = alignment; layoutDirty_ = true; }
  void SetCurrentPage(int32_t page);
  void MarkLayoutDirty() { layoutDirty_ = true; }
  bool IsLayoutDirty() const { return layoutDirty_; }
  // Lays out again now (in one piece, as drawing would) when the layout is
  // dirty.
  void UpdateLayout();
  void Redraw();

  // --- State the layout engine and the parser read and change -------------
  const char* GetChars() const { return text_->GetChars() != nullptr ? text_->GetChars() : ""; }
  int32_t GetLength() const { return text_->GetLength(); }
  VTextBox* GetRootBox() const { return root_.get(); }
  DrawPort* GetLayoutPort() const { return layoutPort_; }
  VFont* GetCurrentFont() const { return currentFont_; }
  VFont* GetDefaultFont() const { return defaultFont_; }
  // Font stack: the pushes keep at most 10 entries (the font changes anyway).
  void PushFont(VFont* font);
  void PushFontStyle(int32_t styleBits);
  void PushFontSize(int32_t delta);
  void PopFont();
  int32_t GetFontStackCount() const { return fontCount_; }
  const VRGBColor& GetCurrentColor() const { return textColor_; }
  void PushColor(const VRGBColor& color);
  void PopColor();
  int32_t GetColorStackCount() const { return colorCount_; }
  int32_t GetAlignment() const { return alignment_; }
  bool HasFrame() const { return frame_; }
  bool IsPaged() const { return paged_; }
  int32_t GetTopMargin() const { return topMargin_; }
  int32_t GetLineSpacing() const { return lineSpacing_; }
  int32_t GetPageHeight() const { return GetHeight(); }
  int32_t GetLayoutWidth() const { return layoutWidth_; }
  int32_t GetTextHeight() const { return textHeight_; }
  void SetTextHeight(int32_t height) { textHeight_ = height; }
  int32_t GetScrollX() const { return scrollX_; }
  int32_t GetScrollY() const { return scrollY_; }
  int32_t GetCurrentPage() const { return currentPage_; }
  int32_t GetPageCount() const { return pageCount_; }
  void RaisePageCount(int32_t page);
  int32_t GetFirstVisible() const { return firstVisible_; }
  // The width of the characters in the current font's width table.
  int32_t MeasureChars(const char* text, int32_t count) const;
  // Auto-width: the control takes the widest line's width.
  void ApplyAutoWidth(int32_t widest);
  // How deep boxes are nested now (every box's layout counts itself);
  // boxes beyond the limit are not opened.
  int32_t& NestingDepth() { return nesting_; }
  static constexpr int32_t kMaxNesting = 48;
  // How many tables are open now. A table lays its cells out again at their
  // column widths, so each level of tables doubles the work: tables beyond
  // the limit are not opened (their content stays in the enclosing box).
  int32_t& TableDepth() { return tableDepth_; }
  static constexpr int32_t kMaxTableNesting = 6;
  // While laying out: the clip rectangle for picture-font pieces.
  const VRect* GetDrawClip() const { return drawClip_; }
  void SetHoverActive(bool on) { hoverActive_ = on; }
  void SetPressedActive(bool on) { pressedActive_ = on; }
  bool IsHoverActive() const { return hoverActive_; }
  bool IsPressedActive() const { return pressedActive_; }
  bool IsTracking() const { return tracking_; }
  bool IsOverPressed() const { return overPressed_; }

 protected:
  // For subclasses: the control without a text; the subclass sets it.
  struct NoText {};
  VTextControl(NoText, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
               int32_t height, VFont* font, int32_t alignment, bool frame, int32_t wrapWidth, VGraphicObject* parent);
  // Stores the text without mark-up work (the base SetText).
  void StoreText(VString* text);
  void ComputeFirstVisible();
  // Draws `text` of a piece at its place.
  void DrawPieceText(DrawPort* port, const VTextSegment& segment, const char* text, int32_t length, int32_t x,
                     int32_t y, const VRGBColor& color);
  // A one-pixel frame just inside the rectangle, drawn as four lines (so
  // that it shows on every kind of map).
  static void FrameRect(DrawPort* port, const VRect& rect, const VRGBColor& color);
  // The window point made relative to the laid-out text.
  VPoint ToTextPoint(const VPoint& windowPoint) const;
  bool stopAfterMarkupStart_ = false;
  ControlLife life_;

 private:
  void RedrawAndUpdateBars(bool redraw);

  int32_t wrapWidth_ = 0;
  std::unique_ptr<VString> text_;
  VFont* currentFont_ = nullptr;
  VFont* fontStack_[kStackDepth] = {};
  int32_t fontCount_ = 0;
  VRGBColor colorStack_[kStackDepth];
  int32_t colorCount_ = 0;
  const VRect* drawClip_ = nullptr;
  VFont* defaultFont_ = nullptr;
  VRGBColor background_;
  VRGBColor textColor_;
  int32_t lineSpacing_ = 4;
  int32_t alignment_ = kAlignLeft;
  int32_t layoutWidth_ = 0;
  int32_t textHeight_ = 0;
  int32_t scrollX_ = 0;
  int32_t scrollY_ = 0;
  int32_t topMargin_ = 0;
  bool frame_ = false;
  bool layoutDirty_ = true;
  std::unique_ptr<VTextBox> root_;
  int32_t tabWidth_ = 16;
  int32_t firstVisible_ = -1;
  int32_t pressedFirst_ = -1;
  int32_t pressedLast_ = -1;
  bool hoverActive_ = false;
  bool pressedActive_ = false;
  DrawPort* layoutPort_ = nullptr;
  bool paged_ = false;
  int32_t currentPage_ = 0;
  int32_t pageCount_ = 0;
  bool tracking_ = false;
  bool overPressed_ = false;
  int32_t nesting_ = 0;
  int32_t tableDepth_ = 0;
  // Where an auto-width control was placed at construction.
  int32_t anchorLeft_ = 0;
  bool layingOut_ = false;

  friend class VHyperTextControl;
  friend class VHTMLTextControl;
  int32_t& PressedFirst() { return pressedFirst_; }
  int32_t& PressedLast() { return pressedLast_; }
  void SetTrackingFlags(bool tracking, bool over) {
    tracking_ = tracking;
    overPressed_ = over;
  }
};
