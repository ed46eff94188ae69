// The operations of PixelMap on its pixels: transfers, fills, copies, raw
// reads, single pixels, opacity, layout conversion, colour tables, attribute
// records and drawing onto ports.
#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelAccess.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VMask.h"
#include "platform/DeviceContext.h"

namespace {

// ---- Pixel words and colours ----------------------------------------------

uint16_t ReadWord(const uint8_t* p, uint16_t format) {
  return HasLittleEndianWords(format) ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void WriteWord(uint8_t* p, uint16_t format, uint16_t value) {
  if (HasLittleEndianWords(format)) {
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>(value >> 8);
  } else {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value & 0xFF);
  }
}

// Decodes the pixel at p; false for a layout without colours or an indexed
// pixel without a table.
bool DecodePixel(const uint8_t* p, int32_t depth, uint16_t format, const VColorTable* table, VRGBColor& out) {
  switch (depth) {
    case 8:
      if (format == kFormatGrey8) {
        out = VRGBColor(p[0], p[0], p[0]);
        return true;
      }
      if (format == kFormatIndexed8 && table) return table->GetColor(out, p[0]);
      return false;
    case 15:
      out = DecodeColor555(ReadWord(p, format));
      return true;
    case 16:
      out = DecodeColor565(ReadWord(p, format));
      return true;
    case 24:
      if (format == kFormatRGB24) {
        out = VRGBColor(p[0], p[1], p[2]);
        return true;
      }
      if (format == kFormatBGR24) {
        out = VRGBColor(p[2], p[1], p[0]);
        return true;
      }
      return false;
    case 32: {
      if (!Is32BitFormat(format)) return false;
      const PixelShifts32 s = GetPixelShifts32(format);
      const uint32_t v = pixelaccess::Load32(p);
      out = VRGBColor(static_cast<uint8_t>(v >> s.red), static_cast<uint8_t>(v >> s.green),
                      static_cast<uint8_t>(v >> s.blue));
      return true;
    }
    default:
      return false;
  }
}

// The signed row step and the address of (x, y) of a buffer.
uint8_t* BufferAddress(const PixelBuffer& b, int32_t x, int32_t y, int32_t& step) {
  step = b.bottomUp ? -b.rowBytes : b.rowBytes;
  const int64_t row = b.bottomUp ? int64_t{b.height} - y - 1 : y;
  return b.pixels + row * b.rowBytes + int64_t{x} * BytesPerPixel(b.depth);
}

// Shrinks a pair of transfer rectangles so that the source one lies inside
// `cover` (in source coordinates); false when nothing remains.
bool ClipToCover(VRect& s, VRect& d, const VRect& cover) {
  VRect inside;
  if (!s.Intersect(cover, inside)) return false;
  d.left += inside.left - s.left;
  d.top += inside.top - s.top;
  d.right = d.left + inside.GetWidth();
  d.bottom = d.top + inside.GetHeight();
  s = inside;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Clipping

void ClipTransferRects(VRect& source, VRect& destination, const VRect& sourceBounds, const VRect& destinationBounds) {
  if (source.left < 0) {
    destination.left -= source.left;
    source.left = 0;
  }
  if (source.top < 0) {
    destination.top -= source.top;
    source.top = 0;
  }
  if (destination.left < 0) {
    source.left -= destination.left;
    destination.left = 0;
  }
  if (destination.top < 0) {
    source.top -= destination.top;
    destination.top = 0;
  }
  source.right = std::min(source.right, sourceBounds.right);
  source.bottom = std::min(source.bottom, sourceBounds.bottom);
  destination.right = std::min(destination.right, destinationBounds.right);
  destination.bottom = std::min(destination.bottom, destinationBounds.bottom);
  const int32_t width = std::min(source.GetWidth(), destination.GetWidth());
  const int32_t height = std::min(source.GetHeight(), destination.GetHeight());
  source.right = source.left + width;
  source.bottom = source.top + height;
  destination.right = destination.left + width;
  destination.bottom = destination.top + height;
}

// ---------------------------------------------------------------------------
// Transfers

void PixelMap::CopyTo(PixelMap& destination, const VRect& sourceRect, const VRect& destinationRect) {
  if (sourceRect.IsEmpty() || destinationRect.IsEmpty() || destination.IsSolidColor()) return;
  if (depth_ == 8 && destination.depth_ == 8 && colorTable_ && destination.colorTable_ &&
      colorTable_ != destination.colorTable_ && !destination.colorTable_->BeginsWith(*colorTable_)) {
    SetColorTable(destination.colorTable_, true);
  }
  std::unique_ptr<PixelMapLock> sourceLock;
  if (!solid_) {
    sourceLock = std::make_unique<PixelMapLock>(this);
    if (!sourceLock->IsLocked()) return;
  }
  PixelMapLock destinationLock(&destination);
  if (!destinationLock.IsLocked()) return;
  TransferPixels(destination.GetBuffer(), destinationRect, sourceRect, attributes_, nullptr,
                 destination.attributes_.PeekAlphaChannel(), solid_ != 0, solidColor_, colorTable_);
}

void PixelMap::TransferPixels(const PixelBuffer& destination, const VRect& destinationRect, const VRect& sourceRect,
                              const PixelMapAttributes& attributes, const PixelBuffer* source,
                              VAlphaChannel* targetAlpha, bool solidSource, const VRGBColor& solidColor,
                              VColorTable* colorTable) {
  const PixelBuffer src = source ? *source : GetBuffer();
  if (!destination.pixels || destination.rowBytes < 1) return;
  TransferAttributes mode = attributes.ToTransferAttributes();

  VColorTable* table = colorTable ? colorTable : destination.colorTable;
  VMediaRef<VColorTable> current;
  if (!table) {
    current.Reset(GetCurrentColorTable());
    table = current.get();
  }

  VRect sourceBounds(0, 0, src.width, src.height);
  if (solidSource) {
    sourceBounds = bounds_;
    if (colorTable) {
      int32_t index = (solid_ && !source && solidColorIndex_ >= 0) ? solidColorIndex_
                                                                     : colorTable->FindNearestIndex(solidColor, true);
      if (solid_ && !source) solidColorIndex_ = index;
      if ((mode.flags & kTransferKeyIndex) && index >= 0 && mode.keyIndex == index) return;
    }
    if ((mode.flags & kTransferKeyColor) && mode.keyColor == solidColor) return;
    mode.flags &= ~uint32_t{kTransferKeyIndex | kTransferKeyColor};
  } else {
    if (!src.pixels || src.rowBytes < 1 || src.depth != destination.depth ||
        src.pixelFormat != destination.pixelFormat)
      return;
  }

  VRect s = sourceRect;
  VRect d = destinationRect;
  ClipTransferRects(s, d, sourceBounds, VRect(0, 0, destination.width, destination.height));
  if (s.GetWidth() <= 0 || s.GetHeight() <= 0) return;

  // The alpha plane must cover the source rectangle: the transfer keeps to
  // the part it covers.
  VAlphaChannel* alpha = (mode.flags & kTransferAlpha) ? attributes.PeekAlphaChannel() : nullptr;
  PixelMap* alphaMap = alpha ? alpha->GetPixelMap() : nullptr;
  if (mode.flags & kTransferAlpha) {
    if (!alphaMap || !alphaMap->GetPixels()) return;
    VRect cover = alphaMap->GetBounds();
    cover.Offset(-alpha->GetOriginX(), -alpha->GetOriginY());
    if (!ClipToCover(s, d, cover)) return;
  }
  PixelMap* targetMap = nullptr;
  if (targetAlpha && (mode.flags & (kTransferLevel | kTransferAlpha))) {
    targetMap = targetAlpha->GetPixelMap();
    if (!targetMap || !targetMap->GetPixels()) return;
    VRect cover = targetMap->GetBounds();
    cover.Offset(-targetAlpha->GetOriginX(), -targetAlpha->GetOriginY());
    // In destination coordinates: clip d, then carry the change to s.
    if (!ClipToCover(d, s, cover)) return;
  }
  PixelMap* maskMap = nullptr;
  if (mode.flags & kTransferMask) {
    VMask* mask = attributes.PeekMask();
    maskMap = mask ? mask->GetPixelMap() : nullptr;
    VRect inside;
    if (!maskMap || !maskMap->GetPixels() || !mode.maskFlags || !s.Intersect(maskMap->GetBounds(), inside) ||
        inside != s) {
      maskMap = nullptr;  // a mask that does not cover the rectangle is dropped
      mode.flags &= ~uint32_t{kTransferMask};
      mode.maskFlags = nullptr;
    }
  }

  TransferRowRoutine routine = SelectTransferRowRoutine(mode, destination.depth, destination.pixelFormat, solidSource);
  if (!routine) return;

  TransferRowArgs args;
  if (!solidSource) args.source = BufferAddress(src, s.left, s.top, args.sourceRowBytes);
  args.destination = BufferAddress(destination, d.left, d.top, args.destinationRowBytes);
  if (alphaMap) {
    args.alpha = alphaMap->GetPixelAddress(VPoint(s.left + alpha->GetOriginX(), s.top + alpha->GetOriginY()));
    args.alphaRowBytes = alphaMap->IsDibSection() ? -alphaMap->GetRowBytes() : alphaMap->GetRowBytes();
  }
  if (targetMap) {
    if (alphaMap) {
      VRect from = s;
      from.Offset(alpha->GetOriginX(), alpha->GetOriginY());
      VRect to = d;
      to.Offset(targetAlpha->GetOriginX(), targetAlpha->GetOriginY());
      alpha->Combine(*targetAlpha, from, to, attributes.GetLevel());
    }
    args.targetAlpha =
        targetMap->GetPixelAddress(VPoint(d.left + targetAlpha->GetOriginX(), d.top + targetAlpha->GetOriginY()));
    args.targetAlphaRowBytes = targetMap->IsDibSection() ? -targetMap->GetRowBytes() : targetMap->GetRowBytes();
  }
  if (maskMap) {
    args.mask = maskMap->GetPixelAddress(VPoint(s.left, s.top));
    args.maskRowBytes = maskMap->IsDibSection() ? -maskMap->GetRowBytes() : maskMap->GetRowBytes();
  }
  args.width = s.GetWidth();
  args.height = s.GetHeight();
  args.bytesPerPixel = BytesPerPixel(destination.depth);
  args.depth = destination.depth;
  args.pixelFormat = destination.pixelFormat;
  args.attributes = mode;
  args.solidColor = &solidColor;
  ColorTableData data;
  if (table) {
    if (destination.depth == 8) table->GetShadeTable16();
    data = table->GetColorTableData(destination.depth == 8);
    args.colorTable = &data;
  }
  routine(args);
}

void PixelMap::FillRect(const VRect* rect, const VRGBColor* color, uint8_t* pixels, int32_t rowBytes, int32_t height,
                        int32_t depth, int32_t pixelFormat, bool bottomUp, VColorTable* colorTable) {
  VRect r = rect ? *rect : bounds_;
  const VRGBColor fill = color ? *color : solidColor_;
  std::unique_ptr<PixelMapLock> lock;
  if (!pixels) {
    lock = std::make_unique<PixelMapLock>(this);
    pixels = GetPixels();
    rowBytes = rowBytes_;
    height = GetHeight();
    depth = depth_;
    pixelFormat = pixelFormat_;
    bottomUp = dibFlag_ != 0;
    // Filling the map itself: its own palette gives the index.
    if (!colorTable) colorTable = colorTable_;
  }
  if (!pixels || rowBytes < 1 || depth < 1) return;
  const int32_t bytes = BytesPerPixel(depth);
  VRect area;
  if (!r.Intersect(VRect(0, 0, rowBytes / bytes, height), area)) return;

  TransferAttributes none;
  TransferRowRoutine routine = SelectTransferRowRoutine(none, depth, static_cast<uint16_t>(pixelFormat), true);
  if (!routine) return;
  PixelBuffer buffer;
  buffer.pixels = pixels;
  buffer.rowBytes = rowBytes;
  buffer.height = height;
  buffer.depth = depth;
  buffer.bottomUp = bottomUp;
  TransferRowArgs args;
  args.destination = BufferAddress(buffer, area.left, area.top, args.destinationRowBytes);
  args.width = area.GetWidth();
  args.height = area.GetHeight();
  args.bytesPerPixel = bytes;
  args.depth = depth;
  args.pixelFormat = static_cast<uint16_t>(pixelFormat);
  args.solidColor = &fill;
  VMediaRef<VColorTable> current;
  if (!colorTable) {
    current.Reset(GetCurrentColorTable());
    colorTable = current.get();
  }
  ColorTableData data;
  if (colorTable) {
    data = colorTable->GetColorTableData(false);
    args.colorTable = &data;
  }
  routine(args);
}

void PixelMap::Clear() { FillRect(nullptr, &kBlackColor); }

void PixelMap::ClearPixels() {
  PixelMapLock lock(this);
  if (GetPixels() && GetByteSize() > 0) std::memset(GetPixels(), 0, static_cast<size_t>(GetByteSize()));
}

bool PixelMap::CanLock() {
  const bool locked = Lock();
  Unlock();
  return locked;
}

// ---------------------------------------------------------------------------
// Copies

PixelMap::PixelMap(PixelMap& source, const VRect* part)
    : storageKind_(source.storageKind_),
      pixelFormat_(source.pixelFormat_),
      solid_(source.solid_),
      solidColor_(source.solidColor_),
      solidColorIndex_(source.solidColorIndex_) {
  VRect area = source.bounds_;
  if (part) area.Intersect(*part, area);
  if (area.IsEmpty()) area = VRect();
  VRect local = area;
  local.MoveToOrigin();
  if (Create(local, source.depth_, source.colorTable_, nullptr, nullptr, source.pixelFormat_, 0)) {
    PixelMapAttributes saved(source.attributes_);
    source.attributes_.Clear();
    source.CopyTo(*this, area, bounds_);
    source.attributes_.Assign(saved);
  }
  attributes_.Assign(source.attributes_);
  if (VAlphaChannel* channel = source.attributes_.PeekAlphaChannel()) {
    auto* copy = new VAlphaChannel(*channel, part);
    attributes_.SetAlphaChannel(copy);
    copy->Release();
  }
}

// ---------------------------------------------------------------------------
// Raw rows

int32_t PixelMap::ReadPixels(VFile& file, int32_t width, int32_t height, int32_t rowBytes, int32_t depth,
                             int32_t pixelFormat, bool bottomUp) {
  if (width < 1 || height < 1 || rowBytes < 1) return 0;
  const int64_t total = int64_t{height} * rowBytes;
  if (total > 0x7FFFFFFF) return 0;

  if (rowBytes == rowBytes_ && depth == depth_ && height == GetHeight()) {
    PixelMapLock lock(this);
    if (!GetPixels()) return 0;
    if (file.Read(GetPixels(), static_cast<int32_t>(total)) != total) return 0;
    if (bottomUp != (dibFlag_ != 0)) FlipVertically();
    ConvertPixelFormat(pixelFormat, kFormatNone);  // into the map's own format
    return static_cast<int32_t>(total);
  }

  VRect unfilled(0, 0, width, height);
  int32_t remaining = height;
  int32_t band = remaining;
  while (remaining > 0) {
    auto bandMap = std::make_unique<PixelMap>(kStorageMemory);
    bandMap->Create(VRect(0, 0, width, band), depth, colorTable_, nullptr, nullptr, pixelFormat, rowBytes);
    if (!bandMap->GetPixels()) {
      band /= 2;
      if (band == 0) return 0;
      continue;
    }
    const int32_t bytes = band * rowBytes;
    if (file.Read(bandMap->GetPixels(), bytes) != bytes) return 0;
    if (bandMap->GetPixelFormat() != pixelFormat) bandMap->ConvertPixelFormat(pixelFormat, bandMap->GetPixelFormat());
    bandMap->SetDibSection(bottomUp);
    VRect target = unfilled;
    if (bottomUp) {
      target.top = unfilled.bottom - band;
      unfilled.bottom -= band;
    } else {
      target.bottom = unfilled.top + band;
      unfilled.top += band;
    }
    CopyPicturePixels(*bandMap, *this, nullptr, &target);
    remaining -= band;
    band = std::min(band, remaining);
  }
  return static_cast<int32_t>(total);
}

// ---------------------------------------------------------------------------
// Single pixels and opacity

bool PixelMap::GetPixel(const VPoint& point, VRGBColor& out) const {
  const uint8_t* p = GetPixelAddress(point);
  return p && DecodePixel(p, depth_, pixelFormat_, colorTable_, out);
}

bool PixelMap::SetPixel(const VPoint& point, const VRGBColor& color) {
  uint8_t* p = GetPixelAddress(point);
  if (!p) return false;
  switch (depth_) {
    case 8:
      if (pixelFormat_ == kFormatGrey8) {
        p[0] = color.red;
        return true;
      }
      if (pixelFormat_ == kFormatIndexed8 && colorTable_) {
        const int32_t index = colorTable_->FindNearestIndex(color, true);
        if (index < 0) return false;
        p[0] = static_cast<uint8_t>(index);
        return true;
      }
      return false;
    case 15:
      WriteWord(p, pixelFormat_, PackColor555(color));
      return true;
    case 16:
      WriteWord(p, pixelFormat_, PackColor565(color));
      return true;
    case 24:
      if (pixelFormat_ == kFormatRGB24) {
        p[0] = color.red;
        p[1] = color.green;
        p[2] = color.blue;
        return true;
      }
      if (pixelFormat_ == kFormatBGR24) {
        p[0] = color.blue;
        p[1] = color.green;
        p[2] = color.red;
        return true;
      }
      return false;
    case 32:
      if (!Is32BitFormat(pixelFormat_)) return false;
      pixelaccess::Store32(p, PackColor(color, pixelFormat_));
      return true;
    default:
      return false;
  }
}

int32_t PixelMap::GetOpacityAt(int32_t x, int32_t y) const {
  if (!bounds_.ContainsPoint(VPoint(x, y))) return 0;
  const uint32_t flags = attributes_.flags;
  if (flags & (kTransferKeyIndex | kTransferKeyColor)) {
    const uint8_t* p = GetPixelAddress(VPoint(x, y));
    if (p) {
      if ((flags & kTransferKeyIndex) && depth_ == 8 && p[0] == attributes_.keyIndex) return 0;
      if (flags & kTransferKeyColor) {
        VMediaRef<VColorTable> current;
        const VColorTable* table = colorTable_;
        if (!table) {
          current.Reset(GetCurrentColorTable());
          table = current.get();
        }
        VRGBColor pixel;
        VRGBColor key = attributes_.keyColor;
        if (depth_ == 15) key = DecodeColor555(PackColor555(key));
        if (depth_ == 16) key = DecodeColor565(PackColor565(key));
        if (DecodePixel(p, depth_, pixelFormat_, table, pixel) && pixel == key) return 0;
      }
    }
  }
  if ((flags & kTransferLevel) && attributes_.level == 0) return 1;
  int32_t value = 63;
  if (VAlphaChannel* channel = attributes_.PeekAlphaChannel(); channel && (flags & kTransferAlpha))
    value = channel->GetValueAt(x, y);
  if (flags & kTransferLevel) value = attributes_.level * value / 63;
  return value;
}

bool PixelMap::FindContentBounds(VRect& out) {
  VRect keyRect = bounds_;
  VRect alphaRect = bounds_;
  const uint32_t flags = attributes_.flags;
  if (flags & (kTransferKeyIndex | kTransferKeyColor)) {
    PixelMapLock lock(this);
    if (lock.IsLocked()) {
      const PixelMapAttributes saved(attributes_);
      if (depth_ == 8 && (flags & kTransferKeyColor) && !(flags & kTransferKeyIndex) && colorTable_) {
        const int32_t index = colorTable_->FindNearestIndex(attributes_.keyColor, true);
        if (index >= 0) {
          attributes_.flags = (attributes_.flags & ~uint32_t{kTransferKeyColor}) | kTransferKeyIndex;
          attributes_.keyIndex = static_cast<uint8_t>(index);
        }
      }
      auto rowClear = [&](int32_t y) {
        for (int32_t x = keyRect.left; x < keyRect.right; ++x)
          if (!IsTransparentAt(x, y)) return false;
        return true;
      };
      auto columnClear = [&](int32_t x) {
        for (int32_t y = keyRect.top; y < keyRect.bottom; ++y)
          if (!IsTransparentAt(x, y)) return false;
        return true;
      };
      while (keyRect.top < keyRect.bottom && rowClear(keyRect.top)) ++keyRect.top;
      while (keyRect.bottom > keyRect.top && rowClear(keyRect.bottom - 1)) --keyRect.bottom;
      while (keyRect.left < keyRect.right && columnClear(keyRect.left)) ++keyRect.left;
      while (keyRect.right > keyRect.left && columnClear(keyRect.right - 1)) --keyRect.right;
      attributes_.Assign(saved);
    }
  }
  if (flags & kTransferAlpha) {
    if (VAlphaChannel* channel = attributes_.PeekAlphaChannel()) channel->FindContentBounds(alphaRect);
  }
  if (!keyRect.Intersect(alphaRect, out)) out = VRect(keyRect.left, keyRect.top, keyRect.left, keyRect.top);
  if ((flags & kTransferLevel) && attributes_.level == 0) out = VRect();
  return out != bounds_;
}

// ---------------------------------------------------------------------------
// Layouts

void PixelMap::ConvertPixelFormat(int32_t from, int32_t to, uint8_t* pixels, int32_t rowBytes, int32_t rows,
                                  int32_t depth) {
  std::unique_ptr<PixelMapLock> lock;
  const bool own = pixels == nullptr;
  if (own) {
    lock = std::make_unique<PixelMapLock>(this);
    pixels = GetPixels();
    rowBytes = rowBytes_;
    rows = GetHeight();
    depth = depth_;
    if (to == kFormatNone) to = pixelFormat_;
  }
  if (from == to || to == kFormatNone || !pixels || rowBytes <= 0 || rows <= 0) return;
  bool changed = false;
  switch (depth) {
    case 15:
    case 16: {
      if (!IsWordFormat(from) || !IsWordFormat(to)) break;
      if (HasLittleEndianWords(from) != HasLittleEndianWords(to)) {
        for (int32_t y = 0; y < rows; ++y) SwapBytes16(pixels + int64_t{y} * rowBytes, rowBytes / 2);
      }
      changed = true;
      break;
    }
    case 24: {
      if ((from != kFormatRGB24 && from != kFormatBGR24) || (to != kFormatRGB24 && to != kFormatBGR24)) break;
      for (int32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels + int64_t{y} * rowBytes;
        for (int32_t i = 0; i < rowBytes / 3; ++i) std::swap(p[3 * i], p[3 * i + 2]);
      }
      changed = true;
      break;
    }
    case 32: {
      if (!Is32BitFormat(from) || !Is32BitFormat(to)) break;
      const bool reverse = AreReversed32(from, to);
      const PixelShifts32 f = GetPixelShifts32(from);
      const PixelShifts32 t = GetPixelShifts32(to);
      for (int32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels + int64_t{y} * rowBytes;
        for (int32_t i = 0; i < rowBytes / 4; ++i) {
          if (reverse) {
            std::swap(p[4 * i], p[4 * i + 3]);
            std::swap(p[4 * i + 1], p[4 * i + 2]);
          } else {
            const uint32_t v = pixelaccess::Load32(p + 4 * i);
            const uint32_t r = (v >> f.red) & 0xFF, g = (v >> f.green) & 0xFF, b = (v >> f.blue) & 0xFF;
            pixelaccess::Store32(p + 4 * i, (r << t.red) | (g << t.green) | (b << t.blue));
          }
        }
      }
      changed = true;
      break;
    }
    default:
      break;
  }
  if (own && changed) pixelFormat_ = static_cast<uint16_t>(to);
}

void PixelMap::FlipVertically() {
  PixelMapLock lock(this);
  uint8_t* pixels = GetPixels();
  if (!pixels) return;
  const int32_t height = GetHeight();
  for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(pixels + int64_t{top} * rowBytes_, pixels + int64_t{top} * rowBytes_ + rowBytes_,
                     pixels + int64_t{bottom} * rowBytes_);
  }
}

void PixelMap::SetTopBit16(int32_t flag) {
  if ((depth_ != 15 && depth_ != 16) || (flag != 0 && flag != 1)) return;
  PixelMapLock lock(this);
  if (!GetPixels()) return;
  for (int32_t y = 0; y < GetHeight(); ++y) {
    uint8_t* p = GetPixelAddress(VPoint(0, y));
    for (int32_t x = 0; x < GetWidth(); ++x, p += 2) {
      const uint16_t w = ReadWord(p, pixelFormat_);
      WriteWord(p, pixelFormat_, flag ? static_cast<uint16_t>(w | 0x8000) : static_cast<uint16_t>(w & 0x7FFF));
    }
  }
}

void PixelMap::MoveMarkedIndicesToEnds() {
  if (depth_ != 8 || !colorTable_) return;
  PixelMapLock lock(this);
  if (!GetPixels()) return;
  const int32_t white = colorTable_->GetWhiteSlot();
  const int32_t black = colorTable_->GetBlackSlot();
  for (int32_t y = 0; y < GetHeight(); ++y) {
    uint8_t* p = GetPixelAddress(VPoint(0, y));
    for (int32_t x = 0; x < GetWidth(); ++x) {
      if (white >= 0) {
        if (p[x] == white) {
          p[x] = 255;
        } else if (p[x] == 255) {
          p[x] = static_cast<uint8_t>(white);
        }
      }
      if (black >= 0) {
        if (p[x] == black) {
          p[x] = 0;
        } else if (p[x] == 0) {
          p[x] = static_cast<uint8_t>(black);
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Colour table and attributes

void PixelMap::SetColorTable(VColorTable* table, bool remap) {
  if (table && table == colorTable_) return;
  VMediaRef<VColorTable> current(GetCurrentColorTable());
  if (!table) {
    table = current.get();
  } else if (current && current->BeginsWith(*table)) {
    table = current.get();
  }
  if (!table || table == colorTable_ || table->GetColorCount() == 0) return;
  if (storageKind_ == kStorageDib && memoryDC_) return;  // the palette lives in the DIB

  if (depth_ == 8 && remap && HasStorage() && colorTable_) {
    PixelMap copy(*this, nullptr);
    table->AddReference();
    colorTable_->Release();
    colorTable_ = table;
    if (copy.GetPixels()) CopyPicturePixels(copy, *this);
    return;
  }
  table->AddReference();
  if (colorTable_) colorTable_->Release();
  colorTable_ = table;
}

void PixelMap::SetAttributes(const PixelMapAttributes& record) {
  attributes_.Assign(record);
  if ((attributes_.flags & kTransferKeyIndex) && depth_ > 8) {
    VMediaRef<VColorTable> current;
    VColorTable* table = colorTable_;
    if (!table) {
      current.Reset(GetCurrentColorTable());
      table = current.get();
    }
    if (table) {
      table->GetColor(attributes_.keyColor, attributes_.keyIndex);
      attributes_.flags = (attributes_.flags & ~uint32_t{kTransferKeyIndex}) | kTransferKeyColor;
    }
  }
  if ((attributes_.flags & kTransferKeyColor) && !(attributes_.flags & kTransferKeyIndex) && depth_ == 8 &&
      colorTable_) {
    const int32_t index = colorTable_->FindNearestIndex(attributes_.keyColor, true);
    if (index >= 0) {
      attributes_.keyIndex = static_cast<uint8_t>(index);
      attributes_.flags = (attributes_.flags & ~uint32_t{kTransferKeyColor}) | kTransferKeyIndex;
    }
  }
  if (VAlphaChannel* channel = attributes_.PeekAlphaChannel()) SetAlphaChannel(channel);
}

void PixelMap::SetAlphaChannel(VAlphaChannel* channel) {
  if (channel && (channel->GetWidth() != GetWidth() || channel->GetHeight() != GetHeight())) {
    const VRect common(0, 0, std::min(channel->GetWidth(), GetWidth()), std::min(channel->GetHeight(), GetHeight()));
    bounds_ = common;
    channel->SetBounds(common);
  }
  if (channel != attributes_.PeekAlphaChannel()) attributes_.SetAlphaChannel(channel);
}

// ---- Drawing onto ports -----------------------------------------------------

void PixelMap::DrawToPort(DrawPort* port, const VRect& sourceRect, const VRect& destinationRect) {
  if (port == nullptr) return;
  if (solid_ && !port->HasPixelMap() && port->GetWindow() != nullptr) {
    // A solid map has no pixels to put on a window: the part of the window it
    // covers is filled with its colour instead.
    platform::DeviceContext* dc = port->GetDC();
    if (dc == nullptr || sourceRect.IsEmpty() || destinationRect.IsEmpty()) return;
    VRect source = sourceRect, destination = destinationRect;
    const VRect window(0, 0, dc->GetDeviceCaps(platform::DeviceCap::kHorzRes),
                       dc->GetDeviceCaps(platform::DeviceCap::kVertRes));
    ClipTransferRects(source, destination, bounds_, window);
    if (!destination.IsEmpty()) port->FillRect(destination, &solidColor_, nullptr, 1, 0, 0);
    return;
  }
  DrawPixelMapToPort(*this, *port, sourceRect, destinationRect);
}
