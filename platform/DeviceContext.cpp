#include "platform/DeviceContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace platform {

// ---------------------------------------------------------------------------
// Selection state

Pen DeviceContext::SelectPen(const Pen& pen) { return std::exchange(pen_, pen); }

Brush DeviceContext::SelectBrush(const Brush& brush) { return std::exchange(brush_, brush); }

std::shared_ptr<Font> DeviceContext::SelectFont(std::shared_ptr<Font> font) {
  return std::exchange(font_, std::move(font));
}

Color DeviceContext::SetTextColor(Color color) { return std::exchange(textColor_, color); }

Color DeviceContext::SetBackgroundColor(Color color) { return std::exchange(backgroundColor_, color); }

BackgroundMode DeviceContext::SetBackgroundMode(BackgroundMode mode) { return std::exchange(backgroundMode_, mode); }

TextAlign DeviceContext::SetTextAlign(TextAlign align) { return std::exchange(textAlign_, align); }

Point DeviceContext::MoveTo(Point point) { return std::exchange(position_, point); }

std::shared_ptr<Font> DeviceContext::GetFont() {
  if (font_) return font_;
  if (!defaultFont_) {
    // The stand-in for the device's stock system font.
    FontRequest request;
    request.face = "MS Sans Serif";
    request.pixelHeight = 11;
    defaultFont_ = Font::Create(request);
  }
  return defaultFont_;
}

bool DeviceContext::GetClipBox(Rect& box) const {
  const Rect bounds = DeviceBounds();
  if (bounds.IsEmpty()) {
    box = Rect{};
    return false;
  }
  box = EffectiveClip();
  return true;
}

void DeviceContext::SetClipRect(const Rect* rect) {
  if (rect == nullptr) {
    clip_.reset();
  } else {
    clip_ = *rect;
  }
}

Rect DeviceContext::EffectiveClip() const {
  const Rect bounds = DeviceBounds();
  return clip_ ? IntersectRects(bounds, *clip_) : bounds;
}

void DeviceContext::LineTo(Point point) {
  const Point from = position_;
  position_ = point;
  if (pen_.style == PenStyle::kNull) return;
  DrawLine(from, point);
}

void DeviceContext::TextOut(int32_t x, int32_t y, const char* text, size_t length) {
  if (text == nullptr || length == 0) return;
  std::shared_ptr<Font> font = GetFont();
  if (!font) return;
  const FontMetrics& m = font->GetMetrics();
  const int32_t baseline = textAlign_ == TextAlign::kBaseline ? y : y + m.ascent;
  if (backgroundMode_ == BackgroundMode::kOpaque) {
    const int32_t width = font->GetTextWidth(text, length);
    FillSolidRect(Rect{x, baseline - m.ascent, x + width, baseline + m.descent}, backgroundColor_);
  }
  DrawText(x, baseline, text, length, *font);
}

bool DeviceContext::GetTextExtent(const char* text, size_t length, int32_t& width, int32_t& height) {
  width = height = 0;
  std::shared_ptr<Font> font = GetFont();
  if (!font) return false;
  width = text != nullptr ? font->GetTextWidth(text, length) : 0;
  height = font->GetMetrics().ascent + font->GetMetrics().descent;
  return true;
}

bool DeviceContext::GetTextMetrics(FontMetrics& metrics) {
  std::shared_ptr<Font> font = GetFont();
  if (!font) return false;
  metrics = font->GetMetrics();
  return true;
}

// ---------------------------------------------------------------------------
// Software rasteriser

namespace {

// The columns [x0, x1) of row y whose pixel centres lie inside the ellipse
// with centre (cx, cy) and radii (a, b); false when the row misses it.
bool EllipseSpan(double cx, double cy, double a, double b, int32_t y, int32_t& x0, int32_t& x1) {
  if (a <= 0.0 || b <= 0.0) return false;
  const double dy = (y + 0.5 - cy) / b;
  const double t = 1.0 - dy * dy;
  if (t < 0.0) return false;
  const double half = a * std::sqrt(t);
  x0 = static_cast<int32_t>(std::ceil(cx - half - 0.5 - 1e-9));
  x1 = static_cast<int32_t>(std::floor(cx + half - 0.5 + 1e-9)) + 1;
  return x1 > x0;
}

// Keeps a coordinate within a range that cannot overflow in the span loops.
int32_t Limit(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -(1 << 28), 1 << 28)); }

Rect LimitRect(const Rect& r) { return Rect{Limit(r.left), Limit(r.top), Limit(r.right), Limit(r.bottom)}; }

}  // namespace

RasterDeviceContext::RasterDeviceContext(const PixelBuffer& buffer, const PixelPalette* palette) : buffer_(buffer) {
  SetPalette(palette);
}

void RasterDeviceContext::SetPalette(const PixelPalette* palette) {
  hasPalette_ = palette != nullptr;
  if (palette != nullptr) palette_ = *palette;
}

Rect RasterDeviceContext::DeviceBounds() const {
  if (!buffer_.IsValid()) return Rect{};
  return Rect{0, 0, buffer_.width, buffer_.height};
}

uint32_t RasterDeviceContext::Pack(Color color) const {
  return PackPixel(color, buffer_.layout, hasPalette_ ? &palette_ : nullptr);
}

void RasterDeviceContext::Span(int32_t y, int32_t x0, int32_t x1, uint32_t value, const Rect& clip) {
  if (y < clip.top || y >= clip.bottom) return;
  x0 = std::max(x0, clip.left);
  x1 = std::min(x1, clip.right);
  if (x1 <= x0) return;
  const int bpp = LayoutBytesPerPixel(buffer_.layout);
  uint8_t* p = buffer_.PixelAddress(x0, y);
  for (int32_t x = x0; x < x1; ++x, p += bpp) StorePixel(p, value, buffer_.layout, buffer_.bigEndianWords);
}

void RasterDeviceContext::Plot(int32_t x, int32_t y, uint32_t value, const Rect& clip) {
  if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
  StorePixel(buffer_.PixelAddress(x, y), value, buffer_.layout, buffer_.bigEndianWords);
}

void RasterDeviceContext::FillSolidRect(const Rect& rect, Color color) {
  const Rect area = IntersectRects(LimitRect(rect), EffectiveClip());
  if (area.IsEmpty()) return;
  const uint32_t value = Pack(color);
  for (int32_t y = area.top; y < area.bottom; ++y) Span(y, area.left, area.right, value, area);
}

void RasterDeviceContext::InvertRect(const Rect& rect) {
  const Rect area = IntersectRects(LimitRect(rect), EffectiveClip());
  if (area.IsEmpty()) return;
  const uint32_t mask = PixelColorMask(buffer_.layout);
  const int bpp = LayoutBytesPerPixel(buffer_.layout);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    uint8_t* p = buffer_.PixelAddress(area.left, y);
    for (int32_t x = area.left; x < area.right; ++x, p += bpp) {
      const uint32_t v = LoadPixel(p, buffer_.layout, buffer_.bigEndianWords);
      StorePixel(p, v ^ mask, buffer_.layout, buffer_.bigEndianWords);
    }
  }
}

void RasterDeviceContext::DrawRectangle(const Rect& r) {
  const Rect rect = LimitRect(r);
  if (rect.IsEmpty()) return;
  const Rect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const Pen& pen = GetPen();
  const int32_t w = pen.style == PenStyle::kNull ? 0 : std::max(pen.width, 1);
  const Rect inner{rect.left + w, rect.top + w, rect.right - w, rect.bottom - w};
  if (!GetBrush().null && !inner.IsEmpty()) {
    const uint32_t fill = Pack(GetBrush().color);
    for (int32_t y = inner.top; y < inner.bottom; ++y) Span(y, inner.left, inner.right, fill, clip);
  }
  if (w == 0) return;
  const uint32_t value = Pack(pen.color);
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    if (inner.IsEmpty() || y < inner.top || y >= inner.bottom) {
      Span(y, rect.left, rect.right, value, clip);
    } else {
      Span(y, rect.left, inner.left, value, clip);
      Span(y, inner.right, rect.right, value, clip);
    }
  }
}

void RasterDeviceContext::DrawEllipse(const Rect& r) {
  const Rect rect = LimitRect(r);
  if (rect.IsEmpty()) return;
  const Rect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const Pen& pen = GetPen();
  const int32_t w = pen.style == PenStyle::kNull ? 0 : std::max(pen.width, 1);
  const double cx = (rect.left + rect.right) / 2.0;
  const double cy = (rect.top + rect.bottom) / 2.0;
  const double a = (rect.right - rect.left) / 2.0;
  const double b = (rect.bottom - rect.top) / 2.0;
  const bool fill = !GetBrush().null;
  const uint32_t fillValue = Pack(GetBrush().color);
  const uint32_t penValue = Pack(pen.color);
  const int32_t y0 = std::max(rect.top, clip.top);
  const int32_t y1 = std::min(rect.bottom, clip.bottom);
  for (int32_t y = y0; y < y1; ++y) {
    int32_t ox0, ox1;
    if (!EllipseSpan(cx, cy, a, b, y, ox0, ox1)) continue;
    int32_t ix0 = 0, ix1 = 0;
    const bool hasInner = w > 0 ? EllipseSpan(cx, cy, a - w, b - w, y, ix0, ix1) : (ix0 = ox0, ix1 = ox1, true);
    if (fill && hasInner) Span(y, ix0, ix1, fillValue, clip);
    if (w == 0) continue;
    if (hasInner) {
      Span(y, ox0, ix0, penValue, clip);
      Span(y, ix1, ox1, penValue, clip);
    } else {
      Span(y, ox0, ox1, penValue, clip);
    }
  }
}

void RasterDeviceContext::DrawLine(Point from, Point to) {
  const Rect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const Pen& pen = GetPen();
  const uint32_t value = Pack(pen.color);
  // Lines are stepped pixel by pixel: coordinates are kept within a range
  // that no real drawing leaves.
  auto near = [](int32_t v) { return static_cast<int64_t>(std::clamp(v, -(1 << 22), 1 << 22)); };
  const int64_t x0 = near(from.x), y0 = near(from.y), x1 = near(to.x), y1 = near(to.y);
  if (std::max(x0, x1) < clip.left - pen.width || std::min(x0, x1) >= clip.right + pen.width ||
      std::max(y0, y1) < clip.top - pen.width || std::min(y0, y1) >= clip.bottom + pen.width) {
    return;
  }
  if (pen.width <= 1) {
    // Bresenham, without the end point.
    const int64_t dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    int64_t x = x0, y = y0;
    while (!(x == x1 && y == y1)) {
      Plot(static_cast<int32_t>(x), static_cast<int32_t>(y), value, clip);
      const int64_t e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y += sy;
      }
    }
    return;
  }
  // A wide pen covers every pixel whose centre lies within half the width of
  // the segment between the two pixel centres (round ends).
  const double radius = pen.width / 2.0;
  const double ax = x0 + 0.5, ay = y0 + 0.5, bx = x1 + 0.5, by = y1 + 0.5;
  const double vx = bx - ax, vy = by - ay;
  const double length2 = vx * vx + vy * vy;
  const int32_t left = std::max(clip.left, static_cast<int32_t>(std::floor(std::min(ax, bx) - radius)));
  const int32_t right = std::min(clip.right, static_cast<int32_t>(std::ceil(std::max(ax, bx) + radius)) + 1);
  const int32_t top = std::max(clip.top, static_cast<int32_t>(std::floor(std::min(ay, by) - radius)));
  const int32_t bottom = std::min(clip.bottom, static_cast<int32_t>(std::ceil(std::max(ay, by) + radius)) + 1);
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = left; x < right; ++x) {
      const double px = x + 0.5 - ax, py = y + 0.5 - ay;
      double t = length2 > 0.0 ? (px * vx + py * vy) / length2 : 0.0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = px - t * vx, ey = py - t * vy;
      if (ex * ex + ey * ey <= radius * radius + 1e-9) Plot(x, y, value, clip);
    }
  }
}

void RasterDeviceContext::DrawText(int32_t x, int32_t baseline, const char* text, size_t length, Font& font) {
  const Rect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const uint32_t value = Pack(GetTextColor());
  int64_t pen = x;
  for (size_t i = 0; i < length; ++i) {
    const Glyph& g = font.GetGlyph(static_cast<uint8_t>(text[i]));
    const int64_t gx = pen + g.left;
    const int64_t gy = static_cast<int64_t>(baseline) - g.top;
    for (int32_t r = 0; r < g.height; ++r) {
      const int64_t py = gy + r;
      if (py < clip.top || py >= clip.bottom) continue;
      const uint8_t* cov = g.coverage.data() + static_cast<size_t>(r) * static_cast<size_t>(g.width);
      for (int32_t c = 0; c < g.width; ++c) {
        if (cov[c] == 0) continue;
        const int64_t px = gx + c;
        if (px < clip.left || px >= clip.right) continue;
        Plot(static_cast<int32_t>(px), static_cast<int32_t>(py), value, clip);
      }
    }
    pen += g.advance;
    if (pen > clip.right + 4096) break;
  }
  if (font.GetRequest().underline) {
    const FontMetrics& m = font.GetMetrics();
    const int32_t top = baseline + m.underlinePosition;
    const Rect line{x, top, Limit(pen), top + m.underlineThickness};
    const Rect area = IntersectRects(line, clip);
    for (int32_t y = area.top; y < area.bottom; ++y) Span(y, area.left, area.right, value, area);
  }
}

bool RasterDeviceContext::StretchPixels(const Rect& destination, const Rect& source, const PixelBuffer& pixels,
                                        const PixelPalette* palette) {
  if (!pixels.IsValid() || destination.IsEmpty() || source.IsEmpty()) return false;
  const Rect dest = LimitRect(destination);
  const Rect area = IntersectRects(dest, EffectiveClip());
  if (area.IsEmpty()) return false;
  const int64_t dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const int64_t sw = static_cast<int64_t>(source.right) - source.left;
  const int64_t sh = static_cast<int64_t>(source.bottom) - source.top;
  const bool direct = pixels.layout == buffer_.layout && pixels.bigEndianWords == buffer_.bigEndianWords &&
                      (pixels.layout != PixelLayout::kIndexed8 || palette == nullptr);
  const int bpp = LayoutBytesPerPixel(buffer_.layout);
  const int sbpp = LayoutBytesPerPixel(pixels.layout);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const int64_t sy = source.top + ((y - dest.top) * 2 + 1) * sh / (2 * dh);
    if (sy < 0 || sy >= pixels.height) continue;
    uint8_t* d = buffer_.PixelAddress(area.left, y);
    for (int32_t x = area.left; x < area.right; ++x, d += bpp) {
      const int64_t sx = source.left + ((x - dest.left) * 2 + 1) * sw / (2 * dw);
      if (sx < 0 || sx >= pixels.width) continue;
      const uint8_t* s = pixels.first + static_cast<ptrdiff_t>(sy) * pixels.rowStep + static_cast<ptrdiff_t>(sx) * sbpp;
      uint32_t v = LoadPixel(s, pixels.layout, pixels.bigEndianWords);
      if (!direct) v = Pack(UnpackPixel(v, pixels.layout, palette));
      StorePixel(d, v, buffer_.layout, buffer_.bigEndianWords);
    }
  }
  return true;
}

int32_t RasterDeviceContext::GetDeviceCaps(DeviceCap cap) const {
  switch (cap) {
    case DeviceCap::kLogPixelsX:
    case DeviceCap::kLogPixelsY:
      return kScreenDotsPerInch;
    case DeviceCap::kHorzRes:
      return buffer_.width;
    case DeviceCap::kVertRes:
      return buffer_.height;
    case DeviceCap::kBitsPixel:
      return LayoutDepth(buffer_.layout);
    case DeviceCap::kRasterCaps:
      return kRasterCapBitBlt | kRasterCapStretchDib;
  }
  return 0;
}

}  // namespace platform
