#include "engine/graphics/DrawPort.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VClipRegion.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VFont.h"
#include "platform/DeviceContext.h"

namespace {

platform::Color ToDeviceColor(const VRGBColor& c) { return platform::Color{c.red, c.green, c.blue}; }

platform::Rect ToDeviceRect(const VRect& r) { return platform::Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool PixelFormatToLayout(int32_t depth, int32_t pixelFormat, platform::PixelLayout& layout, bool& bigEndianWords) {
  using platform::PixelLayout;
  bigEndianWords = false;
  switch (depth) {
    case 8:
      layout = pixelFormat == kFormatGrey8 ? PixelLayout::kGrey8 : PixelLayout::kIndexed8;
      return true;
    case 15:
    case 16:
      layout = depth == 15 ? PixelLayout::kRgb555 : PixelLayout::kRgb565;
      bigEndianWords = !HasLittleEndianWords(pixelFormat);
      return true;
    case 24:
      layout = pixelFormat == kFormatRGB24 ? PixelLayout::kRgb24 : PixelLayout::kBgr24;
      return true;
    case 32:
      switch (pixelFormat) {
        case kFormatRGBX32: layout = PixelLayout::kRgbx32; break;
        case kFormatXRGB32: layout = PixelLayout::kXrgb32; break;
        case kFormatXBGR32: layout = PixelLayout::kXbgr32; break;
        default: layout = PixelLayout::kBgrx32; break;
      }
      return true;
    default:
      return false;
  }
}

platform::PixelBuffer PixelMapToBuffer(const PixelMap& map) {
  platform::PixelBuffer buffer;
  uint8_t* pixels = map.GetPixels();
  if (pixels == nullptr || map.GetWidth() <= 0 || map.GetHeight() <= 0 || map.GetRowBytes() <= 0) return buffer;
  if (!PixelFormatToLayout(map.GetDepth(), map.GetPixelFormat(), buffer.layout, buffer.bigEndianWords)) {
    return buffer;
  }
  if (int64_t{map.GetWidth()} * platform::LayoutBytesPerPixel(buffer.layout) > map.GetRowBytes()) return buffer;
  const ptrdiff_t rowBytes = map.GetRowBytes();
  buffer.width = map.GetWidth();
  buffer.height = map.GetHeight();
  if (map.IsDibSection()) {
    buffer.first = pixels + (map.GetHeight() - 1) * rowBytes;
    buffer.rowStep = -rowBytes;
  } else {
    buffer.first = pixels;
    buffer.rowStep = rowBytes;
  }
  return buffer;
}

platform::PixelPalette ColorTableToPalette(const VColorTable& table) {
  platform::PixelPalette palette;
  palette.count = std::clamp(table.GetColorCount(), 0, 256);
  const VRGBColor* entries = table.GetEntries();
  for (int32_t i = 0; i < palette.count; ++i) palette.colors[i] = ToDeviceColor(entries[i]);
  return palette;
}

int32_t SmoothTextCoverage(int32_t covered, int32_t shift) {
  int32_t coverage = (covered * 63) >> (2 * shift);
  if (coverage >= 1 && coverage <= 58) coverage += 5;
  return coverage;
}

// ---------------------------------------------------------------------------

DrawPort::DrawPort(platform::DeviceContext* dc) : dc_(dc) { SelectColorTablePalette(); }

DrawPort::DrawPort(DrawPortWindow* window) : window_(window) {
  if (window_ != nullptr) dc_ = window_->GetPortDC();
  SelectColorTablePalette();
}

DrawPort::DrawPort(PixelMap* map) : pixelMap_(map) {
  if (map == nullptr) return;
  mapLock_ = new PixelMapLock(map);
  if (!mapLock_->IsLocked()) return;
  const platform::PixelBuffer buffer = PixelMapToBuffer(*map);
  if (!buffer.IsValid()) return;
  // An indexed map draws with the nearest colours of its own table (the
  // current one when it has none).
  std::optional<platform::PixelPalette> palette;
  if (buffer.layout == platform::PixelLayout::kIndexed8) {
    if (VColorTable* table = map->PeekColorTable()) {
      palette = ColorTableToPalette(*table);
    } else if (VColorTable* current = GetCurrentColorTable()) {
      palette = ColorTableToPalette(*current);
      current->Release();
    }
  }
  ownDC_ = std::make_unique<platform::RasterDeviceContext>(buffer, palette ? &*palette : nullptr);
  dc_ = ownDC_.get();
}

void DrawPort::SelectColorTablePalette() {
  if (dc_ == nullptr) return;
  colorTable_ = GetCurrentColorTable();
  if (colorTable_ == nullptr) return;
  auto* raster = dynamic_cast<platform::RasterDeviceContext*>(dc_);
  if (raster == nullptr || raster->GetBuffer().layout != platform::PixelLayout::kIndexed8) return;
  if (const platform::PixelPalette* previous = raster->GetPalette()) {
    previousPalette_ = std::make_unique<platform::PixelPalette>(*previous);
  }
  const platform::PixelPalette palette = ColorTableToPalette(*colorTable_);
  raster->SetPalette(&palette);
  paletteSelected_ = true;
}

void DrawPort::ReleaseDeviceState() {
  if (dc_ != nullptr && paletteSelected_) {
    if (auto* raster = dynamic_cast<platform::RasterDeviceContext*>(dc_)) raster->SetPalette(previousPalette_.get());
  }
  paletteSelected_ = false;
  if (colorTable_ != nullptr) colorTable_->Release();
  colorTable_ = nullptr;
  if (dc_ != nullptr && fontSaved_) dc_->SelectFont(firstPreviousFont_);
  fontSaved_ = false;
  firstPreviousFont_.reset();
  if (window_ != nullptr && dc_ != nullptr) window_->ReleasePortDC(dc_);
  dc_ = nullptr;
}

DrawPort::~DrawPort() {
  ReleaseDeviceState();
  ownDC_.reset();
  delete mapLock_;
}

PixelMap* DrawPort::GetPixelMap() const {
  if (pixelMap_ != nullptr) return pixelMap_;
  if (window_ != nullptr) return window_->GetOffscreenPixelMap();
  return nullptr;
}

int32_t DrawPort::GetResolutionX() const {
  return dc_ != nullptr ? dc_->GetDeviceCaps(platform::DeviceCap::kLogPixelsX) : 0;
}

int32_t DrawPort::GetResolutionY() const {
  return dc_ != nullptr ? dc_->GetDeviceCaps(platform::DeviceCap::kLogPixelsY) : 0;
}

void DrawPort::FillRect(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                        int16_t fillMode, int16_t frameMode) {
  if (rect.IsEmpty()) return;
  if (pixelMap_ != nullptr && pixelMap_->GetStorageKind() == PixelMap::kStorageMemory) {
    // Plain-memory maps fill themselves: the fill colour, else the map's solid
    // colour, whatever the modes, and no frame.
    pixelMap_->FillRect(&rect, fill);
    return;
  }
  if (fillMode == kDrawModeInvert) {
    if (dc_ != nullptr) dc_->InvertRect(ToDeviceRect(rect));
  } else if (fill != nullptr && fillMode != kDrawModeNone && dc_ != nullptr) {
    dc_->SetBackgroundColor(ToDeviceColor(*fill));
    dc_->FillSolidRect(ToDeviceRect(rect), ToDeviceColor(*fill));
  }
  if (dc_ == nullptr) return;
  if (frame != nullptr && frameMode != kDrawModeNone && frameMode != kDrawModeInvert) {
    const platform::Pen pen{platform::PenStyle::kInsideFrame, std::max(frameWidth, 1), ToDeviceColor(*frame)};
    const platform::Pen previousPen = dc_->SelectPen(pen);
    const platform::Brush previousBrush = dc_->SelectBrush(platform::Brush{true, {}});
    dc_->DrawRectangle(ToDeviceRect(rect));
    dc_->SelectBrush(previousBrush);
    dc_->SelectPen(previousPen);
  }
}

void DrawPort::FillEllipse(const VRect& rect, const VRGBColor* fill, const VRGBColor* frame, int32_t frameWidth,
                           int16_t fillMode, int16_t frameMode) {
  if (dc_ == nullptr || rect.IsEmpty()) return;
  if (fillMode == kDrawModeInvert) {
    dc_->DrawEllipse(ToDeviceRect(rect));
  } else if (fill != nullptr && fillMode != kDrawModeNone) {
    const platform::Brush previous = dc_->SelectBrush(platform::Brush{false, ToDeviceColor(*fill)});
    dc_->DrawEllipse(ToDeviceRect(rect));
    dc_->SelectBrush(previous);
  }
  if (frame != nullptr && frameMode != kDrawModeNone && frameMode != kDrawModeInvert) {
    const platform::Pen pen{platform::PenStyle::kInsideFrame, std::max(frameWidth, 1), ToDeviceColor(*frame)};
    const platform::Pen previousPen = dc_->SelectPen(pen);
    const platform::Brush previousBrush = dc_->SelectBrush(platform::Brush{true, {}});
    dc_->DrawEllipse(ToDeviceRect(rect));
    dc_->SelectBrush(previousBrush);
    dc_->SelectPen(previousPen);
  }
}

void DrawPort::DrawLine(const VPoint& from, const VPoint& to, const VRGBColor* color, int32_t width) {
  if (dc_ == nullptr) return;
  const VRGBColor c = color != nullptr ? *color : VRGBColor(0, 0, 0);
  const platform::Pen previous =
      dc_->SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, std::max(width, 1), ToDeviceColor(c)});
  dc_->MoveTo(platform::Point{from.x, from.y});
  dc_->LineTo(platform::Point{to.x, to.y});
  dc_->SelectPen(previous);
}

void DrawPort::DrawText(const char* text, int32_t length, int32_t x, int32_t y, VFont* font, const VRGBColor* color,
                        bool transparent, const VRect* clip) {
  if (text == nullptr || length <= 0) return;
  const bool pictureFont = font != nullptr ? !font->IsSystemFont() : !IsSystemFontCurrent();
  if (pictureFont) {
    VFont* f = font != nullptr ? font : currentPictureFont_;
    if (f == nullptr) return;
    if (color != nullptr) f->SetColor(*color);
    f->DrawText(this, x, y, text, length, clip);
    return;
  }
  if (dc_ == nullptr) return;
  std::optional<VClipRegion> region;
  if (clip != nullptr) region.emplace(this, *clip);
  VFontSelection fontSelection(this, font);
  VTextColorSelection colorSelection(this, color);
  const platform::BackgroundMode previousMode = dc_->SetBackgroundMode(
      transparent ? platform::BackgroundMode::kTransparent : platform::BackgroundMode::kOpaque);
  const platform::TextAlign previousAlign = dc_->SetTextAlign(platform::TextAlign::kBaseline);
  dc_->TextOut(x, y, text, static_cast<size_t>(length));
  dc_->SetTextAlign(previousAlign);
  dc_->SetBackgroundMode(previousMode);
}

void DrawPort::DrawPixelMap(PixelMap* map, const VRect& source, const VRect& destination) {
  if (map != nullptr) map->DrawToPort(this, source, destination);
}

int32_t DrawPort::GetTextWidth(const char* text, int32_t length, VFont* font) {
  if (text == nullptr || length <= 0) return 0;
  const bool systemFont = font != nullptr ? font->IsSystemFont() : IsSystemFontCurrent();
  if (systemFont) {
    if (dc_ == nullptr) return 0;
    VFontSelection selection(this, font);
    int32_t width = 0, height = 0;
    dc_->GetTextExtent(text, static_cast<size_t>(length), width, height);
    return width;
  }
  VFont* f = font != nullptr ? font : currentPictureFont_;
  return f != nullptr ? f->GetTextWidth(text, length) : 0;
}

void DrawPort::SetFont(VFont* font) {
  if (dc_ == nullptr || font == nullptr) return;
  systemFontCurrent_ = font->IsSystemFont() ? 1 : 0;
  if (!font->IsSystemFont()) {
    currentPictureFont_ = font;
    return;
  }
  currentSystemFont_ = font;
  std::shared_ptr<platform::Font> previous = dc_->SelectFont(font->GetPlatformFont());
  if (!fontSaved_) {
    firstPreviousFont_ = std::move(previous);
    fontSaved_ = true;
  }
}

void DrawPort::DrawString(const char* text, int32_t x, int32_t y, VFont* font, const VRGBColor* color,
                          bool transparent, const VRect* clip) {
  if (text == nullptr || text[0] == 0) return;
  DrawText(text, static_cast<int32_t>(std::min<size_t>(std::strlen(text), INT32_MAX)), x, y, font, color,
           transparent, clip);
}

int32_t DrawPort::GetStringWidth(const char* text, VFont* font) {
  if (text == nullptr || text[0] == 0) return 0;
  return GetTextWidth(text, static_cast<int32_t>(std::min<size_t>(std::strlen(text), INT32_MAX)), font);
}

uint16_t DrawPort::GetFontAscent(VFont* font) {
  if (font != nullptr && !font->IsSystemFont()) return static_cast<uint16_t>(font->GetAscent(this));
  if (dc_ == nullptr) return 0;
  VFontSelection selection(this, font);
  platform::FontMetrics metrics;
  if (!dc_->GetTextMetrics(metrics)) return 0;
  return static_cast<uint16_t>(metrics.ascent - metrics.internalLeading);
}

uint16_t DrawPort::GetFontDescent(VFont* font) {
  if (font != nullptr && !font->IsSystemFont()) return font->GetDescent(this);
  if (dc_ == nullptr) return 0;
  VFontSelection selection(this, font);
  platform::FontMetrics metrics;
  if (!dc_->GetTextMetrics(metrics)) return 0;
  return static_cast<uint16_t>(metrics.descent);
}

uint16_t DrawPort::GetFontInternalLeading(VFont* font) {
  if (font == nullptr || !font->IsSystemFont() || dc_ == nullptr) return 0;
  VFontSelection selection(this, font);
  platform::FontMetrics metrics;
  if (!dc_->GetTextMetrics(metrics)) return 0;
  return static_cast<uint16_t>(std::max(metrics.internalLeading, 0));
}

VAlphaChannel* DrawPort::DrawSmoothText(const char* text, int32_t length, VFont* font, int32_t shift,
                                        int32_t topRows) {
  if (shift < 0 || shift > 3 || dc_ == nullptr || font == nullptr || !font->IsSystemFont()) return nullptr;
  if (topRows < 0 || topRows > 4096) return nullptr;
  const int32_t h = font->GetSize() + topRows;
  const int32_t w = GetTextWidth(text, length, font);
  const int32_t f = 1 << shift;
  if (w <= 0 || h <= 0 || int64_t{w} * f > 32767 || int64_t{h} * f > 32767) return nullptr;
  VFont* large = FindOrCreateFont(font->GetName().GetChars(), f * font->GetSize(), font->GetStyle(), nullptr, true);
  if (large == nullptr) return nullptr;

  // The scratch map: an 8-bit DIB section with the current colour table.
  PixelMap* scratch = new PixelMap(VRect(0, 0, f * w, f * h), 8, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
  if (scratch->GetDepth() != 8) {
    delete scratch;
    return nullptr;
  }
  VAlphaChannel* channel = new VAlphaChannel(VRect(0, 0, w, h));
  PixelMap* plane = channel->GetPixelMap();
  PixelMapLock planeLock(plane);
  if (plane == nullptr || plane->GetPixels() == nullptr || scratch->GetPixels() == nullptr) {
    channel->Release();
    delete scratch;
    return nullptr;
  }
  {
    DrawPort port(scratch);
    const VRGBColor white(255, 255, 255), black(0, 0, 0);
    port.FillRect(VRect(0, 0, f * w, f * h), &white, nullptr, 1, 0, 0);
    const uint8_t* first = scratch->GetPixelAddress(VPoint(0, 0));
    const uint8_t background = first != nullptr ? *first : 0;
    large->Measure(&port);
    port.DrawText(text, length, 0, f * topRows + large->GetSize() - port.GetFontDescent(large), large, &black, true,
                  nullptr);

    uint8_t* out = plane->GetPixels();
    const int32_t outStep = plane->GetRowBytes();
    for (int32_t r = 0; r < h; ++r) {
      for (int32_t c = 0; c < w; ++c) {
        int32_t n = 0;
        for (int32_t dy = 0; dy < f; ++dy) {
          const uint8_t* p = scratch->GetPixelAddress(VPoint(c * f, r * f + dy));
          if (p == nullptr) continue;
          for (int32_t dx = 0; dx < f; ++dx) n += p[dx] != background;
        }
        out[static_cast<ptrdiff_t>(r) * outStep + c] = static_cast<uint8_t>(SmoothTextCoverage(n, shift));
      }
    }
  }
  delete scratch;
  return channel;
}

bool DrawPort::PushDrawRect(const VRect& rect, VRect& previous) {
  previous = drawRect_;
  drawRect_ = rect;
  const bool nested = nesting_ > 0;
  ++nesting_;
  return nested;
}

void DrawPort::PopDrawRect(const VRect& previous) {
  drawRect_ = previous;
  if (nesting_ > 0) --nesting_;
}

// ---------------------------------------------------------------------------

void DrawPixelMapToPort(PixelMap& map, DrawPort& port, const VRect& source, const VRect& destination) {
  if (port.HasPixelMap()) {
    if (PixelMap* target = port.GetPixelMap()) map.CopyTo(*target, source, destination);
    return;
  }
  platform::DeviceContext* dc = port.GetDC();
  if (dc == nullptr || source.IsEmpty() || destination.IsEmpty()) return;
  PixelMapLock lock(&map);
  if (!lock.IsLocked()) return;
  const platform::PixelBuffer buffer = PixelMapToBuffer(map);
  if (!buffer.IsValid()) return;
  std::optional<platform::PixelPalette> palette;
  if (buffer.layout == platform::PixelLayout::kIndexed8) {
    if (VColorTable* table = map.PeekColorTable()) {
      palette = ColorTableToPalette(*table);
    } else if (VColorTable* current = GetCurrentColorTable()) {
      palette = ColorTableToPalette(*current);
      current->Release();
    }
  }
  VRect target = destination;
  if (port.GetWindow() == nullptr) {
    // A device context of its own (a printer): the destination is in points.
    const int64_t dpiX = dc->GetDeviceCaps(platform::DeviceCap::kLogPixelsX);
    const int64_t dpiY = dc->GetDeviceCaps(platform::DeviceCap::kLogPixelsY);
    target = VRect(static_cast<int32_t>(destination.left * dpiX / 72), static_cast<int32_t>(destination.top * dpiY / 72),
                   static_cast<int32_t>(destination.right * dpiX / 72),
                   static_cast<int32_t>(destination.bottom * dpiY / 72));
  }
  const int32_t caps = dc->GetDeviceCaps(platform::DeviceCap::kRasterCaps);
  if ((caps & (platform::kRasterCapStretchDib | platform::kRasterCapBitBlt)) == 0) return;
  dc->StretchPixels(ToDeviceRect(target), ToDeviceRect(source), buffer, palette ? &*palette : nullptr);
}
