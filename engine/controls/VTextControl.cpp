#include "engine/controls/VTextControl.h"

#include <algorithm>
#include <cstring>

#include "engine/controls/PointerState.h"
#include "engine/controls/VScrollBar.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VClipRegion.h"
#include "engine/graphics/VFont.h"

namespace {
constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kModifierDragBits = 8 | 16;
}  // namespace

VTextControl::VTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                           VString* text, VFont* font, int32_t alignment, bool frame, int32_t wrapWidth,
                           VGraphicObject* parent)
    : VTextControl(NoText{}, kKind, id, left, top, layer, width, height, font, alignment, frame, wrapWidth, parent) {
  SetText(text, false);
}

VTextControl::VTextControl(NoText, int32_t kind, int32_t id, int32_t left, int32_t top, int32_t layer,
                           int32_t width, int32_t height, VFont* font, int32_t alignment, bool frame,
                           int32_t wrapWidth, VGraphicObject* parent)
    : VControl(kind, id, left, top, layer, width, height, parent),
      wrapWidth_(width == 0 ? std::max(wrapWidth, 0) : 0),
      text_(std::make_unique<VString>()),
      background_(VGraphicObject::GetBackgroundColor()),
      textColor_(0, 0, 0),
      alignment_(alignment == kAlignRight || alignment == kAlignCenter ? alignment : kAlignLeft),
      layoutWidth_(width),
      frame_(frame),
      anchorLeft_(left) {
  defaultFont_ = font != nullptr ? font : FindOrCreateFont("Times", 12, 0, nullptr, true);
  currentFont_ = defaultFont_;
}

VTextControl::~VTextControl() {
  root_.reset();
  text_.reset();
}

// ---------------------------------------------------------------------------
// Text and fonts

void VTextControl::SetFont(VFont* font, int32_t kind) {
  if (kind != 0 || font == nullptr) return;
  defaultFont_ = font;
  layoutDirty_ = true;
}

VFont* VTextControl::GetFont(int32_t kind) { return kind == 0 ? defaultFont_ : nullptr; }

void VTextControl::StoreText(VString* text) {
  if (text != nullptr && text == text_.get()) return;  // the control's own string stays
  text_.reset(text != nullptr ? text : new VString());
  if (!text_->HasBuffer()) text_->Clear();
}

void VTextControl::SetText(VString* text, bool redraw) {
  StoreText(text);
  // A new text is laid out in one piece; pages come only from a layout
  // asked for in pages.
  Layout(false, nullptr);
  scrollY_ = std::clamp(scrollY_, 0, GetMax(0));
  scrollX_ = std::clamp(scrollX_, 0, GetMax(1));
  ComputeFirstVisible();
  RedrawAndUpdateBars(redraw);
}

void VTextControl::SetTextChars(const char* text, bool redraw) { SetText(new VString(text), redraw); }

void VTextControl::RedrawAndUpdateBars(bool redraw) {
  if (!redraw) return;
  if (IsShown() && GetWindow() != nullptr) Redraw();
  for (int32_t axis = 0; axis < 2; ++axis) {
    if (VScrollBar* bar = GetScrollBar(axis)) bar->Update();
  }
}

void VTextControl::Redraw() {
  if (!IsShown() || GetWindow() == nullptr) return;
  VRect global;
  GetGlobalBounds(global);
  Draw(nullptr, &global, false, true);
}

void VTextControl::SetTextColor(const VRGBColor& color) {
  colorCount_ = 0;
  textColor_ = color;
  Layout(paged_, nullptr);
}

void VTextControl::SetWrapWidth(int32_t width) {
  wrapWidth_ = std::max(width, 0);
  layoutDirty_ = true;
}

void VTextControl::SetLayoutWidth(int32_t width) {
  layoutWidth_ = std::max(width, 0);
  layoutDirty_ = true;
}

void VTextControl::SetCurrentPage(int32_t page) {
  currentPage_ = std::clamp(page, 0, std::max(pageCount_ - 1, 0));
  ComputeFirstVisible();
}

void VTextControl::UpdateLayout() {
  if (layoutDirty_) Layout(false, nullptr);
}

int32_t VTextControl::GetTabAdvance(int32_t x) {
  const int32_t width = std::max(tabWidth_, 1);
  int32_t column = x % width;
  if (column < 0) column += width;
  return width - column;
}

uint16_t VTextControl::GetSegmentCursor(const VTextSegment*) { return 0; }

bool VTextControl::EscapeChar(uint8_t character, VString& out) {
  out.Clear();
  out.AppendChar(static_cast<char>(character));
  return false;
}

const char* VTextControl::DecodeEntity(const char*, int32_t, int32_t& length) {
  length = 0;
  return "";
}

int32_t VTextControl::FindMarkupInRun(const char*, int32_t, uint16_t) { return -1; }

bool VTextControl::HandleMarkup(VTextBox&, int32_t position, int32_t& newPosition, int32_t& drawCount, uint16_t&) {
  newPosition = position;
  drawCount = 0;
  return false;
}

// ---------------------------------------------------------------------------
// Style stacks

void VTextControl::PushFont(VFont* font) {
  if (font == nullptr) return;
  if (fontCount_ < kStackDepth) fontStack_[fontCount_++] = currentFont_;
  currentFont_ = font;
}

void VTextControl::PushFontStyle(int32_t styleBits) {
  VFont* current = currentFont_ != nullptr ? currentFont_ : defaultFont_;
  if (current == nullptr) return;
  // A font that cannot be made keeps the current one (pushed all the same,
  // so that the closing tag pops evenly).
  VFont* font = FindOrCreateFont(current->GetName().GetChars(), current->GetSize(), current->GetStyle() | styleBits,
                                 layoutPort_, current->IsSystemFont());
  PushFont(font != nullptr ? font : current);
}

void VTextControl::PushFontSize(int32_t delta) {
  VFont* current = currentFont_ != nullptr ? currentFont_ : defaultFont_;
  if (current == nullptr) return;
  const int32_t size = std::clamp(current->GetSize() + delta, 1, 1000);
  VFont* font =
      FindOrCreateFont(current->GetName().GetChars(), size, current->GetStyle(), layoutPort_, current->IsSystemFont());
  PushFont(font != nullptr ? font : current);
}

void VTextControl::PopFont() {
  if (fontCount_ > 0) currentFont_ = fontStack_[--fontCount_];
}

void VTextControl::PushColor(const VRGBColor& color) {
  if (colorCount_ < kStackDepth) colorStack_[colorCount_++] = textColor_;
  textColor_ = color;
}

void VTextControl::PopColor() {
  if (colorCount_ > 0) textColor_ = colorStack_[--colorCount_];
}

void VTextControl::RaisePageCount(int32_t page) { pageCount_ = std::max(pageCount_, page + 1); }

int32_t VTextControl::MeasureChars(const char* text, int32_t count) const {
  if (currentFont_ == nullptr || text == nullptr) return 0;
  const uint8_t* widths = currentFont_->GetCharWidths(layoutPort_);
  int32_t width = 0;
  for (int32_t i = 0; i < count && text[i] != 0; ++i) width += widths[static_cast<uint8_t>(text[i])];
  return width;
}

void VTextControl::ApplyAutoWidth(int32_t widest) {
  // Placed from where the control was built, so that laying out again
  // never moves it further.
  VRect bounds = GetBounds();
  int32_t left = anchorLeft_;
  if (alignment_ == kAlignCenter) left = anchorLeft_ + (layoutWidth_ - widest - 1) / 2;
  const int32_t gap = frame_ ? 2 : 0;
  bounds.left = left;
  bounds.right = left + widest + 1 + gap;
  StoreBounds(bounds);
}

// ---------------------------------------------------------------------------
// Measuring a run

int32_t VTextControl::MeasureRun(DrawPort* port, int32_t& position, int32_t maxWidth, int32_t& width,
                                 uint16_t state, int32_t& markupPosition, bool breakAnywhere, int32_t& consumed,
                                 bool& lineBreak) {
  width = 0;
  consumed = 0;
  markupPosition = -1;
  lineBreak = false;
  maxWidth = std::max(maxWidth, 0);
  const char* text = GetChars();
  const int32_t end = GetLength();
  const int32_t start = position;
  if (start < 0 || start >= end) return 0;
  const bool printing = port != nullptr && port->IsPrinting();
  const uint8_t* widths = currentFont_ != nullptr ? currentFont_->GetCharWidths(layoutPort_) : nullptr;

  const char* run = text + start;
  const int32_t room = std::min(end - start, kMaxRun);
  int32_t n = 0;
  int32_t w = 0;
  // Width of the first k characters of the run.
  auto prefixWidth = [&](int32_t k) -> int32_t {
    if (printing) return port->GetTextWidth(run, k, currentFont_);
    int32_t sum = 0;
    for (int32_t i = 0; i < k; ++i) sum += widths != nullptr ? widths[static_cast<uint8_t>(run[i])] : 0;
    return sum;
  };

  const uint8_t first = static_cast<uint8_t>(run[0]);
  if (first == 13 || first == 10) {
    lineBreak = true;
    n = 1;
    const uint8_t other = first == 13 ? 10 : 13;
    if (room > 1 && static_cast<uint8_t>(run[1]) == other) n = 2;
    position = start + n;
    consumed = n;
    return 0;
  }
  while (n < room) {
    const uint8_t c = static_cast<uint8_t>(run[n]);
    if (c == 0 || c == '\t' || c == 13 || c == 10) break;
    ++n;
    w = printing ? prefixWidth(n) : w + (widths != nullptr ? widths[c] : 0);
    if (w > maxWidth) break;
    if (stopAfterMarkupStart_ && n >= 2 && run[n - 2] == '<') break;
  }

  const int32_t markup = n > 0 ? FindMarkupInRun(run, n, state) : -1;
  if (markup == 0) {
    markupPosition = 0;
    return 0;
  }
  if (markup > 0) {
    n = markup;
    w = prefixWidth(n);
  }

  if (w > maxWidth) {
    lineBreak = true;
    while (n > 0 && w > maxWidth) {
      --n;
      w = printing ? prefixWidth(n) : w - (widths != nullptr ? widths[static_cast<uint8_t>(run[n])] : 0);
    }
    int32_t cut = n;
    while (cut > 0 && !IsBreakChar(static_cast<uint8_t>(run[cut - 1]))) --cut;
    if (cut > 0) {
      n = cut;
      w = prefixWidth(n);
    } else if (!breakAnywhere) {
      n = 0;
      w = 0;
    } else if (n == 0) {
      // Not even one character fits on an empty line: take it anyway so
      // that the text moves on.
      n = 1;
      w = prefixWidth(1);
    }
  }

  consumed = n;
  width = w;
  if (n == 0 && !lineBreak) {
    // Nothing was read (a tab or a stop character): step over it.
    position = start;
    return 0;
  }
  position = start + n;
  int32_t draw = n;
  while (draw > 0 && static_cast<uint8_t>(run[draw - 1]) <= 32) --draw;
  return draw;
}

// ---------------------------------------------------------------------------
// Layout

void VTextControl::Layout(bool paged, DrawPort* port) {
  if (layingOut_) return;
  layingOut_ = true;
  std::unique_ptr<PixelMap> scratchMap;
  std::unique_ptr<DrawPort> scratchPort;
  if (port == nullptr) {
    // Measuring needs a device context only; one pixel will do.
    scratchMap = std::make_unique<PixelMap>(VRect(0, 0, 1, 1), 16, nullptr, nullptr, nullptr,
                                            PixelMap::kStorageMemory, kFormat565LE, 0);
    scratchPort = std::make_unique<DrawPort>(scratchMap.get());
    port = scratchPort.get();
  }
  layoutPort_ = port;
  paged_ = paged;
  currentFont_ = defaultFont_;
  fontCount_ = 0;
  while (colorCount_ > 0) PopColor();
  pageCount_ = 0;
  nesting_ = 0;
  tableDepth_ = 0;
  if (!root_ || root_->GetWidth() != layoutWidth_) root_ = std::make_unique<VTextBox>(this, nullptr, 0, 2, 2, 0);
  root_->alignment = alignment_;
  root_->Layout(0, 0);
  if (pageCount_ < 1) pageCount_ = 1;
  currentPage_ = std::clamp(currentPage_, 0, pageCount_ - 1);
  layoutDirty_ = false;
  layoutPort_ = nullptr;
  scratchPort.reset();
  scratchMap.reset();
  layingOut_ = false;
  ComputeFirstVisible();
}

void VTextControl::ClearLayout() {
  if (root_) root_->Clear();
  firstVisible_ = -1;
}

void VTextControl::ComputeFirstVisible() {
  firstVisible_ = -1;
  if (!root_) return;
  const int64_t top = int64_t{scrollY_} + int64_t{currentPage_} * GetPageHeight();
  for (int32_t i = 0; i < root_->GetCount(); ++i) {
    if (root_->GetSegment(i)->y >= top) {
      firstVisible_ = i;
      return;
    }
  }
  firstVisible_ = root_->GetCount();
}

// ---------------------------------------------------------------------------
// Scrolling

int32_t VTextControl::GetMax(int32_t axis) {
  if (axis == 0) return std::max(textHeight_ + topMargin_ - GetHeight(), 0);
  return std::max(layoutWidth_ - GetWidth(), 0);
}

int32_t VTextControl::GetPosition(int32_t axis) { return axis == 0 ? scrollY_ : scrollX_; }

int32_t VTextControl::GetPageSize(int32_t axis) { return axis == 0 ? GetHeight() : GetWidth(); }

void VTextControl::ScrollBy(int32_t delta, int32_t axis) {
  ScrollTo(static_cast<int32_t>(std::clamp<int64_t>(int64_t{GetPosition(axis)} + delta, INT32_MIN, INT32_MAX)),
           axis);
}

void VTextControl::ScrollTo(int32_t position, int32_t axis) {
  if (axis != 0 && axis != 1) return;
  position = std::clamp(position, GetMin(axis), std::max(GetMin(axis), GetMax(axis)));
  int32_t& current = axis == 0 ? scrollY_ : scrollX_;
  if (position == current) return;
  current = position;
  if (VScrollBar* bar = GetScrollBar(axis)) bar->Update();
  ComputeFirstVisible();
  // The text moved under a pointer that stands still: the cursor is the one
  // of the piece now under it, and a press whose piece came back under it
  // is over its piece again (before the redraw, which shows that).
  VPoint pointer;
  VRect global;
  GetGlobalBounds(global);
  if (IsShown() && GetPointerInWindow(*this, pointer) && global.ContainsPoint(pointer)) {
    UpdateCursor(VMouseEvent(pointer, GetLastMouseButtons(), VEvent()));
    const VTextSegment* piece = tracking_ ? HitTest(pointer) : nullptr;
    if (piece != nullptr && piece->pressed != 0) overPressed_ = true;
  }
  Redraw();
}

// ---------------------------------------------------------------------------
// Drawing

void VTextControl::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  VRect area;
  if (!GetDrawArea(rect, area)) return;
  if (layoutDirty_) {
    Layout(false, nullptr);
  } else {
    ComputeFirstVisible();
  }
  // A background the text gave itself (mark-up "body") covers the control's.
  const VRGBColor& fill = root_ && !root_->noBackground ? root_->background : background_;
  if (!IsTransparent()) port->FillRect(area, &fill, nullptr, 1, 0, 0);
  if (frame_) {
    VRect global;
    GetGlobalBounds(global);
    FrameRect(port, global, textColor_);
  }
  if (!root_ || firstVisible_ < 0) return;
  VClipRegion clip(port, area);
  drawClip_ = &area;
  root_->DrawRange(port, firstVisible_, 32767);
  drawClip_ = nullptr;
}

void VTextControl::FrameRect(DrawPort* port, const VRect& r, const VRGBColor& color) {
  if (r.IsEmpty()) return;
  const int32_t right = r.right - 1, bottom = r.bottom - 1;
  port->DrawLine(VPoint(r.left, r.top), VPoint(right + 1, r.top), &color, 1);
  port->DrawLine(VPoint(r.left, bottom), VPoint(right + 1, bottom), &color, 1);
  port->DrawLine(VPoint(r.left, r.top), VPoint(r.left, bottom + 1), &color, 1);
  port->DrawLine(VPoint(right, r.top), VPoint(right, bottom + 1), &color, 1);
}

void VTextControl::DrawPieceText(DrawPort* port, const VTextSegment& segment, const char* text, int32_t length,
                                 int32_t x, int32_t y, const VRGBColor& color) {
  if (text == nullptr || length <= 0) return;
  const bool pictureFont = segment.font != nullptr && !segment.font->IsSystemFont();
  port->DrawText(text, length, x, y, segment.font, &color, true, pictureFont ? drawClip_ : nullptr);
}

void VTextControl::DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY) {
  if (segment.page != currentPage_ || segment.width <= 0) return;
  if ((segment.kind & (kSegmentEnd | kSegmentLinkStart | kSegmentAnchor)) != 0) return;
  VPoint origin;
  GetGlobalOrigin(origin, true);
  const int32_t x = origin.x + boxX + segment.x - scrollX_;
  const int32_t y = origin.y + boxY + segment.y - scrollY_ - currentPage_ * GetPageHeight() - segment.lineDescent;
  const char* text = GetChars() + segment.textOffset;
  int32_t length = segment.length;
  if ((segment.kind & kSegmentEntity) != 0) {
    int32_t referenceLength = 0;
    text = DecodeEntity(text, GetLength() - static_cast<int32_t>(segment.textOffset), referenceLength);
    length = text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
  }
  DrawPieceText(port, segment, text, length, x, y, segment.color);
}

// ---------------------------------------------------------------------------
// Mouse

VPoint VTextControl::ToTextPoint(const VPoint& windowPoint) const {
  VPoint origin;
  GetGlobalOrigin(origin, true);
  return VPoint(windowPoint.x - origin.x + scrollX_,
                windowPoint.y - origin.y + scrollY_ + currentPage_ * GetPageHeight());
}

VTextSegment* VTextControl::HitTest(const VPoint& windowPoint) {
  if (!root_ || root_->GetCount() == 0) return nullptr;
  const VPoint p = ToTextPoint(windowPoint);
  return root_->HitTest(p.x, p.y, false, false, nullptr, nullptr, nullptr);
}

void VTextControl::SegmentMouse(const VPoint& point, const VMouseEvent& event) {
  if (!root_) return;
  const VPoint p = ToTextPoint(point);
  if (event.buttons != 0) {
    int32_t index = 0;
    VTextSegment* s = root_->HitTest(p.x, p.y, false, false, &index, nullptr, nullptr);
    if (s != nullptr) {
      s->pressed = 1;
      pressedActive_ = true;
      SegmentClicked(index, event);
    }
  } else {
    root_->ClearPressed();
    pressedActive_ = false;
    SegmentClicked(-1, event);
  }
}

void VTextControl::SegmentClicked(int32_t index, const VMouseEvent& event) {
  if (event.buttons != 0) {
    pressedFirst_ = pressedLast_ = index;
  } else {
    pressedFirst_ = pressedLast_ = -1;
  }
}

bool VTextControl::MouseDown(const VMouseEvent& event) {
  if ((event.modifiers & kModifierDragBits) != 0 && VGraphicObject::MouseDown(event)) return true;
  if (GetLength() == 0 && (!root_ || root_->GetCount() == 0)) return true;
  pressedFirst_ = pressedLast_ = -1;
  tracking_ = overPressed_ = false;
  pressedActive_ = false;
  if (root_) root_->ClearPressed();
  ControlLife::Watch watch = life_.MakeWatch();
  SegmentMouse(event.GetPoint(), event);
  if (!watch.Alive()) return true;
  if (pressedActive_ && GetWindow() != nullptr) {
    tracking_ = true;
    overPressed_ = true;
    Redraw();
    TakeMouseCapture();
  }
  return true;
}

bool VTextControl::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  if (!root_) return true;
  if (event.buttons != 0) {
    if (pressedActive_ && tracking_) {
      VTextSegment* s = HitTest(event.GetPoint());
      const bool over = s != nullptr && s->pressed != 0;
      if (over != overPressed_) {
        overPressed_ = over;
        Redraw();
      }
    }
    return true;
  }
  const bool was = hoverActive_;
  const VPoint p = ToTextPoint(event.GetPoint());
  root_->HitTest(p.x, p.y, false, true, nullptr, nullptr, nullptr);
  if (was || hoverActive_) Redraw();
  return true;
}

bool VTextControl::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  if (GetCapturedObject() == this) SetCapturedObject(nullptr);
  if (!pressedActive_ || !root_) return true;
  VTextSegment* s = HitTest(event.GetPoint());
  const bool onPressed = s != nullptr && s->pressed != 0;
  tracking_ = false;
  overPressed_ = false;
  ControlLife::Watch watch = life_.MakeWatch();
  if (onPressed) {
    SegmentMouse(event.GetPoint(), event);
    if (!watch.Alive()) return true;
  }
  if (root_) root_->ClearPressed();
  pressedActive_ = false;
  Redraw();
  return true;
}

bool VTextControl::UpdateCursor(const VMouseEvent& event) {
  if ((event.modifiers & kModifierDragBits) != 0 && IsDraggable()) {
    SetCursorById(kCursorDraggable);
    return true;
  }
  if (VTextSegment* s = HitTest(event.GetPoint())) {
    SetCursorById(GetSegmentCursor(s));
    return true;
  }
  return VGraphicObject::UpdateCursor(event);
}
