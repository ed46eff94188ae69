#include "engine/controls/VTextBox.h"

#include <algorithm>
#include <cstring>

#include "engine/controls/MarkupParser.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"

namespace {

int32_t FontDescent(VFont* font, DrawPort* port) { return font != nullptr ? font->GetDescent(port) : 0; }

int32_t FontSize(VFont* font, int32_t fallback) { return font != nullptr ? font->GetSize() : fallback; }

int32_t ClampToI32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN / 2, INT32_MAX / 2));
}

}  // namespace

VTextSegmentChunk::VTextSegmentChunk() = default;

VTextSegmentChunk::~VTextSegmentChunk() {
  for (int32_t i = 0; i < count; ++i) {
    VTextSegment& s = segments[i];
    if (s.picture != nullptr) s.picture->Release();
    delete s.box;
  }
}

VTextBox::VTextBox(VTextControl* control, VTextBox* parent, int32_t tag, int16_t rowPad, int16_t columnPad,
                   int16_t page)
    : startPage(page), currentPage(page), rowPadding(rowPad), columnPadding(columnPad), control_(control),
      parent_(parent), tag_(tag) {
  width_ = parent != nullptr ? parent->width_ : control->GetLayoutWidth();
}

VTextBox::~VTextBox() { Clear(); }

int32_t VTextBox::Gap() const { return parent_ == nullptr && control_->HasFrame() ? 2 : 0; }

void VTextBox::Clear() {
  // Chunks delete the boxes of their segments; chains are freed from the
  // front so that long texts do not recurse.
  while (!chunks_.empty()) chunks_.pop_back();
  current_ = nullptr;
  count_ = 0;
  leftFloat_.reset();
  rightFloat_.reset();
  lines_.clear();
}

VTextSegmentChunk* VTextBox::EnsureChunk() {
  if (current_ != nullptr && current_->count < VTextSegmentChunk::kCapacity) return current_;
  auto chunk = std::make_unique<VTextSegmentChunk>();
  current_ = chunk.get();
  chunks_.push_back(std::move(chunk));
  return current_;
}

VTextSegment* VTextBox::AddSegment(uint32_t kind, int32_t textOffset, int32_t length, int32_t consumed, int32_t x,
                                   int32_t y, int32_t width, int32_t height, const VRGBColor& color, VFont* font) {
  VTextSegmentChunk* chunk = EnsureChunk();
  if (chunk == nullptr) return nullptr;
  VTextSegment& s = chunk->segments[chunk->count++];
  s = VTextSegment();
  s.kind = kind;
  s.textOffset = static_cast<uint32_t>(std::max(textOffset, 0));
  s.length = ClampToU16(length);
  s.consumed = ClampToU16(consumed);
  s.x = ClampToI16(x == 0xFFFF ? penX : x);
  s.y = y == -1 ? lineTop : y;
  s.width = ClampToI16(width);
  s.height = ClampToI16(height);
  s.color = color;
  s.font = font;
  s.page = static_cast<uint16_t>(std::max<int32_t>(currentPage, 0));
  ++count_;
  return &s;
}

VTextSegment* VTextBox::GetSegment(int32_t index) const {
  if (index < 0 || index >= count_) return nullptr;
  return &chunks_[static_cast<size_t>(index / VTextSegmentChunk::kCapacity)]
              ->segments[index % VTextSegmentChunk::kCapacity];
}

int32_t VTextBox::GetAbsoluteX() const {
  int32_t x = linkedSegment_ != nullptr ? linkedSegment_->x : xOrigin_;
  if (parent_ != nullptr) x += parent_->GetAbsoluteX();
  return x;
}

int32_t VTextBox::GetAbsoluteY() const {
  int32_t y = linkedSegment_ != nullptr ? linkedSegment_->y - linkedSegment_->height : yOrigin_;
  if (parent_ != nullptr) y += parent_->GetAbsoluteY();
  return y;
}

void VTextBox::SetTop(int32_t y) {
  yOrigin_ = y;
  const int32_t page = control_->GetPageHeight();
  if (control_->IsPaged() && page > 0) {
    startPage = currentPage = ClampToI16(std::max(GetAbsoluteY(), 0) / page);
    control_->RaisePageCount(currentPage);
  }
}

int32_t VTextBox::GetHeight() const {
  int32_t height = lineTop + (parent_ == nullptr && control_->HasFrame() ? 2 : 0);
  for (const VTextBox* area : {leftFloat_.get(), rightFloat_.get()}) {
    if (area == nullptr) continue;
    for (int32_t i = 0; i < area->count_; ++i) height = std::max(height, area->GetSegment(i)->y);
  }
  return height;
}

// ---------------------------------------------------------------------------
// Line loop

int32_t VTextBox::Layout(int32_t start, int32_t limit) {
  struct DepthCount {
    int32_t& depth;
    explicit DepthCount(int32_t& d) : depth(d) { ++depth; }
    ~DepthCount() { --depth; }
  } depthCount(control_->NestingDepth());
  Clear();
  EnsureChunk();
  VTextControl& c = *control_;
  const char* text = c.GetChars();
  const int32_t end = c.GetLength();
  DrawPort* port = c.GetLayoutPort();
  uint16_t state = 0;
  const int32_t gap = Gap();

  if (parent_ == nullptr) {
    penX = gap;
    lineTop = c.IsPaged() ? 0 : c.GetTopMargin() + gap;
  } else if (tag_ == kTagTr) {
    penX = columnPadding / 2;
    lineTop = 0;
  } else if (tag_ == kTagTable) {
    penX = 0;
    lineTop = rowPadding / 2;
  } else {
    penX = 0;
    lineTop = 0;
  }
  currentPage = startPage;
  c.RaisePageCount(currentPage);
  lineHeight = 0;
  lineDescent = FontDescent(c.GetCurrentFont(), port);
  lineStart = 0;
  widestLine = 0;

  const int32_t limitWidth = limit == 0 ? width_ : (limit < 0 ? width_ + limit : limit);
  // Only the whole text of an auto-width control wraps at the wrap width;
  // nested boxes keep their own widths.
  const int32_t lineWidth = parent_ == nullptr && c.GetWrapWidth() != 0 ? c.GetWrapWidth() : limitWidth;

  int32_t pos = std::clamp(start, 0, end);
  bool closed = false;
  while (pos < end && !closed) {
    const int32_t available = lineWidth - penX - gap - FloatWidthAt(false, lineTop);
    int32_t next = pos;
    int32_t width = 0;
    int32_t markup = -1;
    int32_t consumed = 0;
    bool lineBreak = false;
    // Hidden text is read without a width limit: it neither breaks lines
    // nor waits for room.
    const bool hiddenRun = (state & kMarkupHidden) != 0;
    int32_t count = c.MeasureRun(port, next, hiddenRun ? INT32_MAX / 2 : available, width, state, markup,
                                 penX == gap, consumed, lineBreak);
    bool fromMarkup = false;

    if (markup == 0) {
      fromMarkup = true;
      int32_t drawCount = 0;
      next = pos;
      if (c.HandleMarkup(*this, pos, next, drawCount, state)) closed = true;
      if (next <= pos && !closed) next = pos + 1;  // every pass moves on
      consumed = next - pos;
      count = drawCount;
      width = 0;
      lineBreak = (state & kMarkupLineBreak) != 0 || ((state & kMarkupHeading) != 0 && penX != gap);
      state &= static_cast<uint16_t>(~(kMarkupLineBreak | kMarkupHeading));
      if ((state & kMarkupEntity) != 0) {
        int32_t length = 0;
        const char* replacement = c.DecodeEntity(text + pos, end - pos, length);
        width = replacement != nullptr ? c.MeasureChars(replacement, static_cast<int32_t>(std::strlen(replacement)))
                                       : 0;
        if (width > available && penX != gap && (state & kMarkupHidden) == 0) {
          // The entity goes to the next line and is read again there.
          state &= static_cast<uint16_t>(~kMarkupEntity);
          FinishLine(false);
          continue;
        }
      }
    } else if (consumed == 0 && !lineBreak) {
      // Nothing was read: a tab moves the pen to the next tab stop; any
      // other stop character is stepped over.
      next = pos + 1;
      if (text[pos] == '\t' && (state & kMarkupHidden) == 0) {
        const int32_t advance = c.GetTabAdvance(penX - gap);
        if (advance > available && penX != gap) {
          FinishLine(false);
        } else {
          penX = ClampToI32(int64_t{penX} + advance);
          widestLine = std::max(widestLine, penX);
        }
      }
      pos = next;
      continue;
    }

    const bool hidden = (state & kMarkupHidden) != 0;
    if (!hidden) {
      bool add = count > 0;
      if (!add && !fromMarkup && consumed > 0) add = lineBreak || parent_ == nullptr;
      if (add) {
        if (!fromMarkup && count == 0 && consumed == 1 && text[pos] == ' ' && penX == gap) width = 0;
        VFont* font = c.GetCurrentFont();
        const int32_t height = FontSize(font, 0);
        AddSegment(state & (kMarkupInLink | kMarkupEntity), pos, count, consumed, 0xFFFF, -1, width, height,
                   c.GetCurrentColor(), font);
        penX = ClampToI32(int64_t{penX} + width);
        widestLine = std::max(widestLine, penX);
        lineHeight = std::max(lineHeight, height);
      }
    }
    state &= static_cast<uint16_t>(~kMarkupEntity);
    pos = std::max(next, pos);
    if (lineBreak && !hidden) FinishLine(false);
  }

  if (!closed && pos >= end) {
    VFont* font = c.GetCurrentFont();
    const int32_t height = FontSize(font, 5);
    AddSegment(kSegmentEnd, end, 0, 1, 0xFFFF, -1, 0, height, c.GetCurrentColor(), font);
    lineHeight = std::max(lineHeight, height);
    if (penX == gap) ++penX;
  }
  FinishLine(true);

  if (parent_ == nullptr) {
    c.SetTextHeight(GetHeight() - c.GetTopMargin());
    if (c.GetWrapWidth() != 0) {
      // Auto width: lines align against the widest one.
      int32_t widest = 0;
      for (const LineExtent& line : lines_) widest = std::max(widest, line.width);
      for (size_t l = 0; l < lines_.size(); ++l) {
        const int32_t first = lines_[l].first;
        const int32_t last = l + 1 < lines_.size() ? lines_[l + 1].first : count_;
        int32_t offset = 0;
        if (alignment == kAlignRight) offset = widest - lines_[l].width;
        if (alignment == kAlignCenter) offset = (widest - lines_[l].width) / 2;
        if (offset == 0) continue;
        for (int32_t i = first; i < last; ++i) {
          VTextSegment* s = GetSegment(i);
          s->x = ClampToI16(int64_t{s->x} + offset);
        }
      }
      c.ApplyAutoWidth(std::max(widest - gap, 0));
    }
  }
  return pos;
}

void VTextBox::FinishLine(bool last) {
  VTextControl& c = *control_;
  const int32_t height = std::max(lineHeight, 1);
  lineTop = ClampToI32(int64_t{lineTop} + height);
  const int32_t pageHeight = c.GetPageHeight();
  const bool paged = c.IsPaged() && pageHeight > 0;

  if (paged) {
    bool holdsBox = false;
    for (int32_t i = lineStart; i < count_; ++i) holdsBox = holdsBox || GetSegment(i)->IsBox();
    const int32_t top = GetAbsoluteY();
    if (!holdsBox && int64_t{top} + lineTop >= (int64_t{currentPage} + 1) * pageHeight) {
      currentPage = ClampToI16((top + lineTop) / pageHeight);
      c.RaisePageCount(currentPage);
      lineTop = currentPage * pageHeight - top + height;
      for (int32_t i = lineStart; i < count_; ++i) GetSegment(i)->page = static_cast<uint16_t>(currentPage);
    }
  }

  const bool autoWidth = parent_ == nullptr && c.GetWrapWidth() != 0;
  int32_t offset = 0;
  if (autoWidth) {
    if (lineStart < count_) lines_.push_back({lineStart, penX});
  } else if (alignment == kAlignRight) {
    offset = std::max(width_ - penX, 0);
  } else if (alignment == kAlignCenter) {
    offset = std::max((width_ - penX) / 2, 0);
  }
  const int32_t descent = FontDescent(c.GetCurrentFont(), c.GetLayoutPort());
  for (int32_t i = lineStart; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    s->y = (s->kind & kSegmentBullet) != 0 ? s->height - height + lineTop : lineTop;
    s->x = ClampToI16(int64_t{s->x} + offset);
    s->lineDescent = ClampToI16(descent);
    s->lineHeight = ClampToI16(height);
  }

  lineDescent = descent;
  lineStart = count_;
  if (paged) currentPage = ClampToI16(std::max(GetAbsoluteY() + lineTop, 0) / pageHeight);
  if (!last && lineHeight > 0) {
    if (!paged || lineTop != currentPage * pageHeight) lineTop = ClampToI32(int64_t{lineTop} + c.GetLineSpacing());
  }
  for (VTextBox* area : {leftFloat_.get(), rightFloat_.get()}) {
    if (area != nullptr && area->reflowPending != 0) area->PlacePendingFloats(lineTop, !last);
  }
  penX = FloatWidthAt(true, lineTop) + Gap();
  lineHeight = 0;
}

// ---------------------------------------------------------------------------
// Floats

bool VTextBox::AddFloatingPicture(VPicture* picture, bool left, int32_t width, int32_t height, uint32_t kind) {
  std::unique_ptr<VTextBox>& area = left ? leftFloat_ : rightFloat_;
  if (!area) {
    area = std::make_unique<VTextBox>(control_, this, -1, 0, 0, 0);
    area->floatSide = left ? 1 : 0;
    area->width_ = width_;
    area->EnsureChunk();
  }
  const int32_t x = left ? 0 : area->width_ - width;
  VTextSegment* s = area->AddSegment(kind, 0, 0, 0, x, 0, width, height, control_->GetCurrentColor(), nullptr);
  if (s == nullptr) {
    picture->Release();
    return false;
  }
  s->y = -1;
  s->picture = picture;
  area->reflowPending = 1;
  return true;
}

void VTextBox::PlacePendingFloats(int32_t top, bool allowMove) {
  // A float area's parent is the box whose lines flow around it.
  const int32_t pageHeight = control_->GetPageHeight();
  const bool paged = control_->IsPaged() && pageHeight > 0;
  const int32_t boxTop = parent_ != nullptr ? parent_->GetAbsoluteY() : 0;
  int32_t previousBottom = 0;
  reflowPending = 0;
  for (int32_t i = 0; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    if (s->y >= 0) {
      previousBottom = std::max(previousBottom, s->y);
      continue;
    }
    int32_t place = std::max(top, previousBottom);
    int32_t page = parent_ != nullptr ? parent_->currentPage : 0;
    if (paged && (boxTop + place + s->height) > (page + 1) * pageHeight && s->height <= pageHeight) {
      if (!allowMove) {
        reflowPending = 1;
        return;
      }
      page = (boxTop + place) / pageHeight + 1;
      place = page * pageHeight - boxTop;
    }
    s->y = ClampToI32(int64_t{place} + s->height);
    s->page = static_cast<uint16_t>(std::max(page, 0));
    previousBottom = s->y;
  }
}

int32_t VTextBox::FloatWidthAt(bool left, int32_t top) const {
  const VTextBox* area = left ? leftFloat_.get() : rightFloat_.get();
  if (area == nullptr) return 0;
  int32_t width = 0;
  for (int32_t i = 0; i < area->count_; ++i) {
    const VTextSegment* s = area->GetSegment(i);
    if (s->y < 0 || s->y - s->height > top || top >= s->y) continue;
    width = std::max(width, left ? s->x + s->width : area->width_ - s->x);
  }
  return width;
}

// ---------------------------------------------------------------------------
// Tables

void VTextBox::LayoutTable() {
  constexpr int32_t kColumns = 10;
  int32_t minimum[kColumns] = {}, fixed[kColumns] = {}, natural[kColumns] = {};
  int64_t weight[kColumns] = {};
  int32_t widths[kColumns];
  bool has[kColumns] = {};
  int32_t columns = 0;

  for (int32_t r = 0; r < count_; ++r) {
    VTextSegment* row = GetSegment(r);
    if ((row->kind & kSegmentRow) == 0 || row->box == nullptr) continue;
    int32_t n = 0;
    for (int32_t k = 0; k < row->box->count_ && n < kColumns; ++k) {
      VTextSegment* cell = row->box->GetSegment(k);
      if ((cell->kind & kSegmentCell) == 0 || cell->box == nullptr) continue;
      minimum[n] = std::max(minimum[n], cell->box->widestPicture);
      fixed[n] = std::max(fixed[n], cell->box->fixedWidth);
      natural[n] = std::max(natural[n], cell->box->widestLine);
      weight[n] += cell->box->GetHeight();
      ++n;
    }
    columns = std::max(columns, n);
  }

  const int32_t p = columnPadding;
  int64_t avail = width_;
  auto floor1 = [&avail] { avail = std::max<int64_t>(avail, 1); };
  auto unit = [&]() {
    int64_t sum = 1;
    for (int32_t i = 0; i < columns; ++i) {
      if (!has[i] && weight[i] > 0) sum += weight[i];
    }
    return avail * 65536 / sum;
  };
  auto share = [&](int32_t i, int64_t u) { return static_cast<int64_t>(weight[i] * u / 65536); };

  for (int32_t i = 0; i < columns; ++i) {
    if (fixed[i] > 0) {
      widths[i] = fixed[i] - p;
      has[i] = true;
      avail -= widths[i];
    }
    avail -= p;
  }
  floor1();
  int64_t u = unit();
  for (int32_t i = 0; i < columns; ++i) {
    if (minimum[i] > 0 && share(i, u) < minimum[i]) {
      widths[i] = minimum[i];
      has[i] = true;
      avail -= minimum[i];
    }
    avail -= p;  // the padding is taken a second time here
  }
  floor1();
  u = unit();
  for (int32_t i = 0; i < columns; ++i) {
    if (!has[i] && natural[i] > 0 && natural[i] < share(i, u)) {
      widths[i] = natural[i];
      has[i] = true;
      avail -= natural[i];
    }
  }
  floor1();
  u = unit();
  for (int32_t i = 0; i < columns; ++i) {
    if (!has[i]) {
      widths[i] = static_cast<int32_t>(std::min<int64_t>(share(i, u), 32767));
      has[i] = true;
    }
    widths[i] = std::clamp(widths[i], 0, 32767);
  }

  int32_t y = 0;
  int32_t widest = 0;
  for (int32_t r = 0; r < count_; ++r) {
    VTextSegment* rowSegment = GetSegment(r);
    if ((rowSegment->kind & kSegmentRow) == 0 || rowSegment->box == nullptr) continue;
    VTextBox* row = rowSegment->box;
    y += rowPadding / 2;
    rowSegment->x = 0;
    rowSegment->y = y;
    row->SetOrigin(0);
    row->yOrigin_ = y;
    int32_t cx = 0;
    int32_t rowHeight = 0;
    int32_t n = 0;
    for (int32_t k = 0; k < row->count_; ++k) {
      VTextSegment* cellSegment = row->GetSegment(k);
      if ((cellSegment->kind & kSegmentCell) == 0 || cellSegment->box == nullptr) continue;
      if (n >= kColumns) {
        cellSegment->x = ClampToI16(cx);
        cellSegment->y = 0;
        continue;
      }
      VTextBox* cell = cellSegment->box;
      cx += p / 2;
      cellSegment->x = ClampToI16(cx);
      cellSegment->y = 0;
      cell->SetOrigin(cx);
      cell->yOrigin_ = 0;
      cell->width_ = widths[n];
      cellSegment->width = ClampToI16(widths[n]);
      // The cell is read again at its column width; the box stays linked
      // to its segment while it is laid out.
      cell->Layout(static_cast<int32_t>(cellSegment->textOffset), std::max(widths[n], 1));
      cellSegment->height = ClampToI16(cell->GetHeight());
      rowHeight = std::max(rowHeight, int32_t{cellSegment->height});
      cx += p / 2 + widths[n];
      ++n;
    }
    for (int32_t k = 0; k < row->count_; ++k) {
      VTextSegment* cellSegment = row->GetSegment(k);
      if ((cellSegment->kind & kSegmentCell) == 0) continue;
      cellSegment->height = ClampToI16(rowHeight);
      cellSegment->y = rowHeight;
    }
    row->lineTop = rowHeight;
    row->width_ = cx;
    row->widestLine = cx;
    rowSegment->width = ClampToI16(cx);
    rowSegment->height = ClampToI16(rowHeight);
    rowSegment->y = y + rowHeight;
    y += rowHeight + rowPadding / 2;
    widest = std::max(widest, cx);
  }
  lineTop = y;
  widestLine = widest;
}

// ---------------------------------------------------------------------------
// Hit testing

VTextSegment* VTextBox::HitTest(int32_t x, int32_t y, bool markPressed, bool markHover, int32_t* index,
                                int32_t* character, VTextBox** box) {
  int32_t localIndex = 0, localCharacter = 0;
  VTextBox* localBox = this;
  if (index == nullptr) index = &localIndex;
  if (character == nullptr) character = &localCharacter;
  if (box == nullptr) box = &localBox;
  *index = 0;
  *character = 0;
  VTextSegment* hit = HitSearch(x, y, markPressed, markHover, index, character, box);
  if (markHover && (hit == nullptr || (!hit->InLink() && (hit->kind & kSegmentLinkStart) == 0))) {
    control_->GetRootBox()->ClearHover();
    control_->SetHoverActive(false);
  }
  if (*index < 0) {
    *index = 0;
    *character = 0;
  }
  return hit;
}

VTextSegment* VTextBox::HitSearch(int32_t x, int32_t y, bool markPressed, bool markHover, int32_t* index,
                                  int32_t* character, VTextBox** box) {
  const int32_t px = x - GetAbsoluteX();
  const int32_t py = y - GetAbsoluteY();
  *box = this;
  const int32_t spacing = control_->GetLineSpacing();
  auto stepBack = [&](int32_t from) -> VTextSegment* {
    for (int32_t j = from; j >= 0; --j) {
      VTextSegment* s = GetSegment(j);
      if (s->length == 0 && s->consumed == 0) continue;
      if (s->IsBox() && s->box != nullptr) return s->box->HitSearch(x, y, markPressed, markHover, index, character, box);
      *index = j;
      *character = s->consumed - 1;
      return nullptr;
    }
    *index = -1;
    return nullptr;
  };

  int32_t i = 0;
  // Whole chunks above the point are skipped.
  for (size_t k = 0; k < chunks_.size(); ++k) {
    const VTextSegmentChunk& chunk = *chunks_[k];
    if (chunk.count == VTextSegmentChunk::kCapacity && k + 1 < chunks_.size() &&
        chunk.segments[chunk.count - 1].y <= py) {
      i += chunk.count;
      continue;
    }
    break;
  }
  for (; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    int32_t bottom = s->y;
    if (s->font != nullptr) bottom += s->font->GetDescent(nullptr) - s->lineDescent;
    if (bottom - s->height <= py && py < bottom && s->x <= px && px < s->x + s->width) {
      if (s->IsBox() && s->box != nullptr) {
        return s->box->HitSearch(x, y, markPressed, markHover, index, character, box);
      }
      *index = i;
      // The character under the point.
      int32_t c = 0;
      if (s->font != nullptr && (s->kind & (kSegmentEntity | kSegmentPicture)) == 0) {
        const uint8_t* widths = s->font->GetCharWidths(nullptr);
        const char* text = control_->GetChars() + s->textOffset;
        int32_t left = s->x;
        while (c + 1 < s->consumed && left + widths[static_cast<uint8_t>(text[c])] <= px) {
          left += widths[static_cast<uint8_t>(text[c])];
          ++c;
        }
      }
      *character = c;
      VTextSegment* result = s;
      if (markPressed || markHover) MarkLink(i, markPressed, markHover, &result);
      return result;
    }
    if ((s->y >= py && px < s->x) || py < s->y - s->lineHeight - spacing) return stepBack(i - 1);
  }
  return stepBack(count_ - 1);
}

void VTextBox::MarkLink(int32_t index, bool markPressed, bool markHover, VTextSegment** result) {
  VTextSegment* hit = GetSegment(index);
  if (hit == nullptr || !hit->InLink()) return;
  if (markHover && hit->hover == 0) control_->GetRootBox()->ClearHover();
  auto mark = [&](VTextSegment* s) {
    if (markPressed) s->pressed = 1;
    if (markHover) s->hover = 1;
  };
  if (markPressed) control_->SetPressedActive(true);
  if (markHover) control_->SetHoverActive(true);
  mark(hit);
  for (int32_t j = index + 1; j < count_; ++j) {
    VTextSegment* s = GetSegment(j);
    if (!s->InLink() || (s->kind & kSegmentLinkStart) != 0) break;
    mark(s);
  }
  for (int32_t j = index - 1; j >= 0; --j) {
    VTextSegment* s = GetSegment(j);
    if ((s->kind & (kSegmentLinkStart | kSegmentInLink)) == 0) break;
    mark(s);
    if ((s->kind & kSegmentLinkStart) != 0) {
      *result = s;
      break;
    }
  }
}

void VTextBox::ClearHover() {
  for (int32_t i = 0; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    s->hover = 0;
    if (s->IsBox() && s->box != nullptr) s->box->ClearHover();
  }
}

void VTextBox::ClearPressed() {
  for (int32_t i = 0; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    s->pressed = 0;
    if (s->IsBox() && s->box != nullptr) s->box->ClearPressed();
  }
}

bool VTextBox::AnyHover() const {
  for (int32_t i = 0; i < count_; ++i) {
    const VTextSegment* s = GetSegment(i);
    if (s->hover != 0) return true;
    if (s->IsBox() && s->box != nullptr && s->box->AnyHover()) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Anchors and drawing

VTextSegment* VTextBox::FindAnchor(const char* target, int32_t targetLength, bool scroll) {
  if (target == nullptr || targetLength < 1 || target[0] != '#') return nullptr;
  const char* text = control_->GetChars();
  for (int32_t i = 0; i < count_; ++i) {
    VTextSegment* s = GetSegment(i);
    if ((s->kind & kSegmentAnchor) != 0) {
      // Compared up to the end of the shorter: a prefix matches.
      const char* name = text + s->textOffset;
      bool match = true;
      for (int32_t k = 0; k < targetLength - 1 && k < s->length; ++k) {
        if (name[k] != target[k + 1]) {
          match = false;
          break;
        }
      }
      if (match) {
        if (scroll) {
          const int32_t bottom = GetAbsoluteY() + s->y;
          control_->ScrollTo(bottom - std::max<int32_t>(s->height, 40), 0);
        }
        return s;
      }
    }
    if (s->IsBox() && s->box != nullptr) {
      if (VTextSegment* found = s->box->FindAnchor(target, targetLength, scroll)) return found;
    }
  }
  return nullptr;
}

void VTextBox::DrawRange(DrawPort* port, int32_t first, int32_t last) {
  VTextControl& c = *control_;
  for (VTextBox* area : {leftFloat_.get(), rightFloat_.get()}) {
    if (area == nullptr) continue;
    const int32_t ax = area->GetAbsoluteX(), ay = area->GetAbsoluteY();
    for (int32_t i = 0; i < area->count_; ++i) {
      VTextSegment* s = area->GetSegment(i);
      if (s->y >= 0) c.DrawSegment(port, *s, ax, ay);
    }
  }
  const int32_t x = GetAbsoluteX(), y = GetAbsoluteY();
  const int32_t pageHeight = c.GetPageHeight();
  const int64_t top = int64_t{c.GetCurrentPage()} * pageHeight - y + c.GetScrollY();
  const int64_t bottom = top + pageHeight;
  last = std::min(last, count_ - 1);
  for (int32_t i = std::max(first, 0); i <= last; ++i) {
    VTextSegment* s = GetSegment(i);
    if (s->y >= top && s->y - s->height < bottom) {
      c.DrawSegment(port, *s, x, y);
    } else if (s->y - s->height >= bottom) {
      const VTextSegment* following = GetSegment(i + 1);
      if (following == nullptr || following->y != s->y) break;
    }
  }
}
