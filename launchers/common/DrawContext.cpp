#include "launchers/common/DrawContext.h"

#include <algorithm>
#include <cctype>

namespace kit {

using platform::Color;
using platform::Point;
using platform::Rect;

DrawContext::DrawContext(platform::RasterDeviceContext& dc, Point origin, const Rect& clip)
    : dc_(dc), origin_(origin), clip_(clip) {}

DrawContext DrawContext::Sub(const Rect& local) const {
  const Rect device{local.left + origin_.x, local.top + origin_.y, local.right + origin_.x, local.bottom + origin_.y};
  return DrawContext(dc_, Point{device.left, device.top}, platform::IntersectRects(device, clip_));
}

void DrawContext::SelectClip() { dc_.SetClipRect(&clip_); }

void DrawContext::Fill(const Rect& r, Color c) {
  if (clip_.IsEmpty()) return;
  SelectClip();
  dc_.FillSolidRect(Rect{r.left + origin_.x, r.top + origin_.y, r.right + origin_.x, r.bottom + origin_.y}, c);
}

void DrawContext::HorizontalLine(int32_t x0, int32_t x1, int32_t y, Color c) { Fill(Rect{x0, y, x1, y + 1}, c); }
void DrawContext::VerticalLine(int32_t x, int32_t y0, int32_t y1, Color c) { Fill(Rect{x, y0, x + 1, y1}, c); }
void DrawContext::Pixel(int32_t x, int32_t y, Color c) { Fill(Rect{x, y, x + 1, y + 1}, c); }

void DrawContext::Frame(const Rect& r, Color c) {
  HorizontalLine(r.left, r.right, r.top, c);
  HorizontalLine(r.left, r.right, r.bottom - 1, c);
  VerticalLine(r.left, r.top, r.bottom, c);
  VerticalLine(r.right - 1, r.top, r.bottom, c);
}

namespace {
// A frame whose top and left edges take one colour and bottom and right another.
void Bevel(DrawContext& dc, const Rect& r, Color topLeft, Color bottomRight) {
  dc.HorizontalLine(r.left, r.right - 1, r.top, topLeft);
  dc.VerticalLine(r.left, r.top, r.bottom - 1, topLeft);
  dc.HorizontalLine(r.left, r.right, r.bottom - 1, bottomRight);
  dc.VerticalLine(r.right - 1, r.top, r.bottom, bottomRight);
}
Rect Inset(const Rect& r, int32_t d) { return Rect{r.left + d, r.top + d, r.right - d, r.bottom - d}; }
}  // namespace

void DrawContext::DrawEdge(const Rect& r, Edge edge) {
  switch (edge) {
    case Edge::kRaised:
      Bevel(*this, r, colors::kHighlight, colors::kDarkShadow);
      Bevel(*this, Inset(r, 1), colors::kLight, colors::kShadow);
      break;
    case Edge::kSunken:
      Bevel(*this, r, colors::kShadow, colors::kHighlight);
      Bevel(*this, Inset(r, 1), colors::kDarkShadow, colors::kLight);
      break;
    case Edge::kPressed:
      Frame(r, colors::kDarkShadow);
      Frame(Inset(r, 1), colors::kShadow);
      break;
    case Edge::kThinSunken:
      Bevel(*this, r, colors::kShadow, colors::kHighlight);
      break;
    case Edge::kEtched:
      Frame(Rect{r.left, r.top, r.right - 1, r.bottom - 1}, colors::kShadow);
      Bevel(*this, Rect{r.left + 1, r.top + 1, r.right, r.bottom}, colors::kHighlight, colors::kHighlight);
      HorizontalLine(r.left + 1, r.right - 2, r.bottom - 2, colors::kShadow);
      VerticalLine(r.right - 2, r.top + 1, r.bottom - 1, colors::kShadow);
      break;
  }
}

void DrawContext::FocusRect(const Rect& r) {
  if (r.IsEmpty()) return;
  const auto dot = [&](int32_t x, int32_t y) {
    if (((x + y) & 1) != 0) return;
    const Rect d{x + origin_.x, y + origin_.y, x + origin_.x + 1, y + origin_.y + 1};
    const Rect c = platform::IntersectRects(d, clip_);
    if (!c.IsEmpty()) dc_.InvertRect(c);
  };
  SelectClip();
  for (int32_t x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    dot(x, r.bottom - 1);
  }
  for (int32_t y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    dot(r.right - 1, y);
  }
}

void DrawContext::Pixels(int32_t x, int32_t y, const uint32_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr || width <= 0 || height <= 0 || clip_.IsEmpty()) return;
  platform::PixelBuffer source;
  source.first = reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(pixels));
  source.rowStep = static_cast<ptrdiff_t>(width) * 4;
  source.width = width;
  source.height = height;
  source.layout = platform::PixelLayout::kBgrx32;
  SelectClip();
  dc_.StretchPixels(Rect{x + origin_.x, y + origin_.y, x + origin_.x + width, y + origin_.y + height},
                    Rect{0, 0, width, height}, source, nullptr);
}

std::string StripMnemonic(const std::string& text, int32_t* underlined) {
  std::string out;
  int32_t mark = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && mark < 0) mark = static_cast<int32_t>(out.size());
    }
    out.push_back(text[i]);
  }
  if (underlined != nullptr) *underlined = mark;
  return out;
}

char MnemonicOf(const std::string& text) {
  int32_t at = -1;
  const std::string plain = StripMnemonic(text, &at);
  if (at < 0) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(plain[static_cast<size_t>(at)])));
}

std::vector<TextLine> WrapText(const std::string& text, platform::Font& font, int32_t width) {
  std::vector<TextLine> lines;
  size_t pos = 0;
  const size_t n = text.size();
  while (pos <= n) {
    // One paragraph: up to the next line end.
    size_t end = pos;
    while (end < n && text[end] != '\n' && text[end] != '\r') ++end;
    size_t at = pos;
    if (at == end) lines.push_back(TextLine{at, 0});
    while (at < end) {
      size_t fit = at;
      size_t lastBreak = std::string::npos;
      int32_t w = 0;
      while (fit < end) {
        const int32_t advance = font.GetGlyph(static_cast<uint8_t>(text[fit])).advance;
        if (w + advance > width && fit > at) break;
        w += advance;
        if (text[fit] == ' ') lastBreak = fit;
        ++fit;
      }
      if (fit < end && lastBreak != std::string::npos && lastBreak > at) {
        lines.push_back(TextLine{at, lastBreak - at});
        at = lastBreak + 1;
        while (at < end && text[at] == ' ') ++at;
      } else {
        lines.push_back(TextLine{at, fit - at});
        at = fit;
        if (fit < end && text[fit] == ' ') {
          while (at < end && text[at] == ' ') ++at;
        }
      }
    }
    if (end >= n) break;
    pos = end + ((text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ? 2 : 1);
    if (pos == n) break;  // a final line end opens no further line
  }
  return lines;
}

int32_t DrawContext::DrawTextIn(Rect& r, const std::string& source, platform::Font& font, Color color,
                                uint32_t flags) {
  int32_t underlined = -1;
  const std::string text = (flags & kTextNoPrefix) ? source : StripMnemonic(source, &underlined);
  const platform::FontMetrics& m = font.GetMetrics();
  const int32_t lineHeight = m.ascent + m.descent;
  std::vector<TextLine> lines;
  if (flags & kTextSingleLine) {
    lines.push_back(TextLine{0, text.size()});
  } else if (flags & kTextWordBreak) {
    lines = WrapText(text, font, std::max(1, r.right - r.left));
  } else {
    lines = WrapText(text, font, INT32_MAX / 2);
  }
  const int32_t height = lineHeight * static_cast<int32_t>(lines.size());
  if (flags & kTextCalcRect) {
    int32_t widest = 0;
    for (const TextLine& l : lines) widest = std::max(widest, font.GetTextWidth(text.data() + l.start, l.length));
    if (!(flags & kTextWordBreak) || widest > 0) r.right = r.left + widest;
    r.bottom = r.top + height;
    return height;
  }
  if (clip_.IsEmpty()) return height;
  SelectClip();
  dc_.SelectFont(font.shared_from_this());
  dc_.SetTextColor(color);
  dc_.SetBackgroundMode(platform::BackgroundMode::kTransparent);
  dc_.SetTextAlign(platform::TextAlign::kTop);
  int32_t y = r.top;
  if ((flags & kTextVCenter) && (flags & kTextSingleLine)) y = r.top + (r.bottom - r.top - lineHeight) / 2;
  for (const TextLine& l : lines) {
    const int32_t w = font.GetTextWidth(text.data() + l.start, l.length);
    int32_t x = r.left;
    if (flags & kTextCenter) x = r.left + (r.right - r.left - w) / 2;
    dc_.TextOut(x + origin_.x, y + origin_.y, text.data() + l.start, l.length);
    if (underlined >= 0 && !(flags & kTextHidePrefix) && static_cast<size_t>(underlined) >= l.start &&
        static_cast<size_t>(underlined) < l.start + l.length) {
      const int32_t ux = x + font.GetTextWidth(text.data() + l.start, static_cast<size_t>(underlined) - l.start);
      const int32_t uw = font.GetGlyph(static_cast<uint8_t>(text[static_cast<size_t>(underlined)])).advance;
      HorizontalLine(ux, ux + uw, y + m.ascent + 1, color);
      SelectClip();
    }
    y += lineHeight;
  }
  return height;
}

void DrawContext::DrawDisabledText(Rect r, const std::string& text, platform::Font& font, uint32_t flags) {
  Rect shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
  DrawTextIn(shifted, text, font, colors::kHighlight, flags);
  DrawTextIn(r, text, font, colors::kShadow, flags);
}

}  // namespace kit
