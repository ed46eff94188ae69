#include "launchers/common/Edit.h"

#include <algorithm>

#include "platform/Input.h"
#include "platform/VirtualKeyMap.h"

namespace kit {

using platform::Point;
using platform::Rect;

namespace {
constexpr int32_t kBar = 16;
constexpr int32_t kRepeatTimer = 1;

bool In(const Rect& r, Point p) { return p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom; }

void Arrow(DrawContext& dc, const Rect& r, bool up, platform::Color ink) {
  const int32_t cx = (r.left + r.right) / 2;
  const int32_t cy = (r.top + r.bottom) / 2;
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t y = up ? cy - 2 + i : cy + 1 - i;
    dc.HorizontalLine(cx - i, cx + i + 1, y, ink);
  }
}
}  // namespace

void CEdit::SetText(const std::string& text) {
  CWindow::SetText(text);
  layoutWidth_ = -1;
  top_ = 0;
}

int32_t CEdit::LineHeight() {
  std::shared_ptr<platform::Font> font = GetFont();
  if (!font) return 1;
  return std::max(1, font->GetMetrics().ascent + font->GetMetrics().descent);
}

Rect CEdit::TextArea() const {
  Rect r = GetClientRect();
  if (GetStyle() & kStyleBorder) r = Rect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  if (GetStyle() & kStyleVScroll) r.right -= kBar;
  r.left += 1;
  r.right -= 1;
  return r;
}

Rect CEdit::ScrollBar() const {
  Rect r = GetClientRect();
  if (GetStyle() & kStyleBorder) r = Rect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  if (!(GetStyle() & kStyleVScroll)) return Rect{};
  return Rect{r.right - kBar, r.top, r.right, r.bottom};
}

Rect CEdit::UpArrow() const {
  const Rect b = ScrollBar();
  return Rect{b.left, b.top, b.right, b.top + std::min(kBar, (b.bottom - b.top) / 2)};
}

Rect CEdit::DownArrow() const {
  const Rect b = ScrollBar();
  return Rect{b.left, b.bottom - std::min(kBar, (b.bottom - b.top) / 2), b.right, b.bottom};
}

void CEdit::Layout() {
  std::shared_ptr<platform::Font> font = GetFont();
  const Rect area = TextArea();
  const int32_t width = std::max(1, area.right - area.left);
  if (width == layoutWidth_ && font == layoutFont_) return;
  layoutWidth_ = width;
  layoutFont_ = font;
  lines_ = font ? WrapText(GetText(), *font, width) : std::vector<TextLine>{};
  top_ = std::clamp(top_, 0, MaxTop());
}

int32_t CEdit::GetLineCount() {
  Layout();
  return static_cast<int32_t>(lines_.size());
}

int32_t CEdit::VisibleLineCount() {
  const Rect area = TextArea();
  return std::max(1, (area.bottom - area.top) / LineHeight());
}

int32_t CEdit::MaxTop() { return std::max(0, static_cast<int32_t>(lines_.size()) - VisibleLineCount()); }

void CEdit::ScrollTo(int32_t line) {
  Layout();
  const int32_t clamped = std::clamp(line, 0, MaxTop());
  if (clamped == top_) return;
  top_ = clamped;
  Invalidate();
}

std::string CEdit::GetLine(int32_t line) {
  Layout();
  if (line < 0 || line >= static_cast<int32_t>(lines_.size())) return std::string();
  return GetText().substr(lines_[static_cast<size_t>(line)].start, lines_[static_cast<size_t>(line)].length);
}

Rect CEdit::Thumb() {
  Layout();
  const Rect up = UpArrow();
  const Rect down = DownArrow();
  const int32_t track = down.top - up.bottom;
  const int32_t total = static_cast<int32_t>(lines_.size());
  const int32_t visible = VisibleLineCount();
  if (total <= visible || track < 8) return Rect{};
  const int32_t size = std::max(8, static_cast<int32_t>(static_cast<int64_t>(track) * visible / total));
  const int32_t range = track - size;
  const int32_t maxTop = MaxTop();
  const int32_t offset = maxTop > 0 ? static_cast<int32_t>(static_cast<int64_t>(range) * top_ / maxTop) : 0;
  return Rect{up.left, up.bottom + offset, up.right, up.bottom + offset + size};
}

void CEdit::OnPaint(DrawContext& dc) {
  Layout();
  const Rect r = GetClientRect();
  const CtlColors c = ResolveColors();
  dc.Fill(r, c.back);
  if (GetStyle() & kStyleBorder) dc.DrawEdge(r, Edge::kSunken);
  std::shared_ptr<platform::Font> font = GetFont();
  const Rect area = TextArea();
  if (font) {
    DrawContext text = dc.Sub(Rect{area.left, area.top, area.right, area.bottom});
    const int32_t lineHeight = LineHeight();
    const int32_t visible = VisibleLineCount() + 1;
    for (int32_t i = 0; i < visible; ++i) {
      const int32_t line = top_ + i;
      if (line >= static_cast<int32_t>(lines_.size())) break;
      const TextLine& l = lines_[static_cast<size_t>(line)];
      Rect t{0, i * lineHeight, area.right - area.left, (i + 1) * lineHeight};
      text.DrawTextIn(t, GetText().substr(l.start, l.length), *font, IsEnabled() ? c.text : colors::kGrayText,
                      kTextSingleLine | kTextNoPrefix);
    }
  }
  if (!(GetStyle() & kStyleVScroll)) return;
  const Rect bar = ScrollBar();
  // The track: the classic checker of face and highlight (pressed part dark).
  for (int32_t y = bar.top; y < bar.bottom; ++y) {
    for (int32_t x = bar.left; x < bar.right; ++x) {
      dc.Pixel(x, y, ((x + y) & 1) != 0 ? colors::kFace : colors::kHighlight);
    }
  }
  const bool scrollable = static_cast<int32_t>(lines_.size()) > VisibleLineCount();
  const platform::Color ink = scrollable ? colors::kText : colors::kShadow;
  for (const bool up : {true, false}) {
    const Rect a = up ? UpArrow() : DownArrow();
    const bool held = hold_ == (up ? Hold::kUp : Hold::kDown);
    dc.Fill(a, colors::kFace);
    dc.DrawEdge(a, held ? Edge::kPressed : Edge::kRaised);
    Rect shifted = a;
    if (held) shifted = Rect{a.left + 1, a.top + 1, a.right + 1, a.bottom + 1};
    Arrow(dc, shifted, up, ink);
  }
  const Rect thumb = Thumb();
  if (!thumb.IsEmpty()) {
    dc.Fill(thumb, colors::kFace);
    dc.DrawEdge(thumb, Edge::kRaised);
  }
}

void CEdit::ScrollStep() {
  switch (hold_) {
    case Hold::kUp: ScrollBy(-1); break;
    case Hold::kDown: ScrollBy(1); break;
    case Hold::kPageUp: ScrollBy(-VisibleLineCount()); break;
    case Hold::kPageDown: ScrollBy(VisibleLineCount()); break;
    default: break;
  }
}

void CEdit::OnLButtonDown(Point p, uint32_t) {
  if (!(GetStyle() & kStyleVScroll) || !In(ScrollBar(), p)) return;
  const Rect thumb = Thumb();
  if (In(UpArrow(), p)) {
    hold_ = Hold::kUp;
  } else if (In(DownArrow(), p)) {
    hold_ = Hold::kDown;
  } else if (!thumb.IsEmpty() && In(thumb, p)) {
    hold_ = Hold::kThumb;
    thumbGrab_ = p.y - thumb.top;
  } else if (!thumb.IsEmpty()) {
    hold_ = p.y < thumb.top ? Hold::kPageUp : Hold::kPageDown;
  } else {
    return;
  }
  SetCapture();
  ScrollStep();
  if (hold_ != Hold::kThumb) SetTimer(kRepeatTimer, 350);
  Invalidate();
}

void CEdit::OnMouseMove(Point p, uint32_t) {
  if (hold_ != Hold::kThumb) return;
  const Rect up = UpArrow();
  const Rect down = DownArrow();
  const Rect thumb = Thumb();
  const int32_t range = (down.top - up.bottom) - (thumb.bottom - thumb.top);
  if (range <= 0) return;
  const int32_t offset = std::clamp(p.y - thumbGrab_ - up.bottom, 0, range);
  ScrollTo(static_cast<int32_t>((static_cast<int64_t>(offset) * MaxTop() + range / 2) / range));
}

void CEdit::OnLButtonUp(Point, uint32_t) {
  if (hold_ == Hold::kNone) return;
  hold_ = Hold::kNone;
  KillTimer(kRepeatTimer);
  if (GetCapture() == this) ReleaseCapture();
  Invalidate();
}

void CEdit::OnTimer(int32_t id) {
  if (id != kRepeatTimer) return;
  if (hold_ == Hold::kNone || hold_ == Hold::kThumb) {
    KillTimer(kRepeatTimer);
    return;
  }
  // Page clicks stop once the thumb reaches the pointer.
  ScrollStep();
  SetTimer(kRepeatTimer, 50);
}

void CEdit::OnMouseWheel(int32_t delta) { ScrollBy(-delta / 40); }

bool CEdit::OnKeyDown(uint32_t key) {
  switch (key) {
    case platform::kKeyUp: ScrollBy(-1); return true;
    case platform::kKeyDown: ScrollBy(1); return true;
    case platform::kKeyPageUp: ScrollBy(-VisibleLineCount()); return true;
    case platform::kKeyPageDown: ScrollBy(VisibleLineCount()); return true;
    case platform::kKeyHome: ScrollTo(0); return true;
    case platform::kKeyEnd: ScrollTo(GetLineCount()); return true;
    default: return false;
  }
}

}  // namespace kit
