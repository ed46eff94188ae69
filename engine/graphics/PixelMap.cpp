#include "engine/graphics/PixelMap.h"

#include <algorithm>
#include <utility>

#include "engine/core/Memory.h"
#include "engine/graphics/OpacityRatioTable.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"

namespace {

int16_t gDefaultStorageKind = PixelMap::kStorageMemory;
int32_t gDefaultDepth = 0;
int32_t gDefaultPixelFormat = kFormatNone;
int32_t gBackBufferCount = 2;

bool IsSupportedDepth(int32_t depth) {
  return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

// The format a plain-memory map takes for a requested code.
uint16_t AcceptedMemoryFormat(int32_t depth, int32_t format) {
  switch (depth) {
    case 8:
      if (format == kFormatIndexed8 || format == kFormatGrey8) return static_cast<uint16_t>(format);
      break;
    case 15:
      if (format == kFormat555 || format == kFormat555LE) return static_cast<uint16_t>(format);
      break;
    case 24:
      if (format == kFormatRGB24 || format == kFormatBGR24) return static_cast<uint16_t>(format);
      break;
    case 32:
      if (Is32BitFormat(format)) return static_cast<uint16_t>(format);
      break;
    default:
      break;
  }
  return GetDefaultPixelFormat(depth);
}

}  // namespace

uint16_t GetDefaultPixelFormat(int32_t depth) {
  switch (depth) {
    case 8: return kFormatIndexed8;
    case 15: return kFormat555LE;
    case 16: return kFormat565LE;
    case 24: return kFormatBGR24;
    case 32: return kFormatBGRX32;
    default: return kFormatNone;
  }
}

// ---------------------------------------------------------------------------
// Construction

PixelMap::PixelMap(int16_t kind) : storageKind_(kind) {}

PixelMap::PixelMap(const VRect& bounds, int32_t depth, VColorTable* colorTable, platform::SurfaceRef* primarySurface,
                   uint8_t* surfaceBorrowed, int16_t kind, int32_t pixelFormat, int32_t rowBytes)
    : storageKind_(kind) {
  Create(bounds, depth, colorTable, primarySurface, surfaceBorrowed, pixelFormat, rowBytes);
}

PixelMap::PixelMap(const VRect& bounds, const VRGBColor& color, int16_t kind)
    : storageKind_(kind), solid_(1), solidColor_(color), bounds_(bounds), depth_(8) {
  bounds_.MoveToOrigin();
  rowBytes_ = bounds_.GetWidth();
}

PixelMap::~PixelMap() { ReleaseStorage(); }

// ---------------------------------------------------------------------------
// Storage

bool PixelMap::Create(const VRect& bounds, int32_t depth, VColorTable* colorTable, platform::SurfaceRef* primarySurface,
                      uint8_t* surfaceBorrowed, int32_t pixelFormat, int32_t rowBytes) {
  ReleaseStorage();
  opacityRatio_ = AcquireOpacityRatioTable();

  PixelMapDisplay* display = GetPixelMapDisplay();
  if (depth == -2) depth = gDefaultDepth;
  if (pixelFormat == kFormatUseDefault) pixelFormat = gDefaultPixelFormat;
  if (depth == 0) {
    PixelMap* screen = display->GetScreenPixelMap();
    if (screen && screen != this && screen->GetDepth() != 0) {
      depth = screen->GetDepth();
      pixelFormat = screen->GetPixelFormat();
    } else {
      depth = 24;
    }
  }
  depth_ = depth;
  pixelFormat_ = kFormatNone;
  bool result = true;

  bounds_ = bounds;
  bounds_.MoveToOrigin();
  VColorTable* table = colorTable;
  if (table) {
    table->AddReference();
  } else {
    table = GetCurrentColorTable();
  }
  if (table) {
    if (colorTable_) colorTable_->Release();
    colorTable_ = table;
  }

  if (storageKind_ == kStorageDefault) storageKind_ = gDefaultStorageKind;
  if (!IsSupportedDepth(depth_)) return false;  // no layout exists for other depths
  const int32_t width = bounds_.GetWidth();
  const int32_t height = bounds_.GetHeight();

  switch (storageKind_) {
    case kStorageDib: {
      memoryDC_ = platform::CreateMemoryDC();
      if (!memoryDC_) return false;
      platform::DibHeader header;
      header.width = width;
      header.height = height;
      header.bitCount = depth_ == 15 ? 16 : depth_;
      const int64_t stride = ((int64_t{width} * header.bitCount + 31) >> 3) & ~int64_t{3};
      const int64_t imageSize = stride * height;
      header.imageSize = imageSize <= 0x7FFFFFFF ? static_cast<int32_t>(imageSize) : 0;
      header.colorsUsed = depth_ == 8 ? 256 : 0;
      if (depth_ == 8 && colorTable_ && colorTable_->GetColorCount() != 0) {
        const VRGBColor* entries = colorTable_->GetEntries();
        for (int32_t i = 0; i < 256; ++i) header.colors[i] = {entries[i].blue, entries[i].green, entries[i].red, 0};
      }
      // A DIB needs at least one row (its row length is the image size over
      // the height) and an image that fits its 32-bit size field.
      if (width >= 1 && height >= 1 && header.imageSize > 0) {
        rowBytes_ = static_cast<int32_t>(stride);
        bitmap_ = platform::CreateDibSection(memoryDC_, header, &pixelBase_);
      }
      if (depth_ == 16) depth_ = 15;  // a BI_RGB 16-bit DIB holds 5-5-5 pixels
      if (bitmap_) {
        previousBitmap_ = memoryDC_->SelectBitmap(bitmap_);
        if (colorTable_ && colorTable_->GetPalette()) {
          previousPalette_ = memoryDC_->SelectPalette(colorTable_->GetPalette());
          memoryDC_->RealizePalette();
        }
        dibFlag_ = 1;
      }
      pixelFormat_ = GetDefaultPixelFormat(depth_);
      break;
    }
    case kStorageSurface: {
      if (surfaceBorrowed) *surfaceBorrowed = 1;
      display->EnterExclusiveMode();
      int32_t count = gBackBufferCount + 1;
      if (!display->CreateFlipChain(bounds_, count)) return false;
      if (primarySurface) *primarySurface = display->GetPrimarySurface();
      surface_ = display->GetBackBuffer();
      if (!surface_) return false;
      const platform::SurfaceDescription& desc = surface_->GetDescription();
      if (desc.rgb) {
        depth_ = desc.bitCount;
        if (depth_ == 16 && desc.redMask == 0x7C00) depth_ = 15;
      }
      pixelFormat_ = GetDefaultPixelFormat(depth_);
      videoMemory_ = desc.videoMemory ? 1 : 0;
      pixelBase_ = nullptr;
      rowBytes_ = desc.pitch;
      break;
    }
    case kStorageMemory: {
      const int64_t minimum = int64_t{BytesPerPixel(depth_)} * width;
      int64_t row = rowBytes;
      if (row == 0) row = (minimum + 3) & ~int64_t{3};
      // Rows shorter than the pixels they must hold would let every pixel
      // loop run past the block.
      if (row < minimum || row < 1 || height < 1 || row * height > 0x7FFFFFFF) {
        result = false;
      } else {
        rowBytes_ = static_cast<int32_t>(row);
        pixelBase_ = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(row * height)));
        result = pixelBase_ != nullptr;
      }
      dibFlag_ = 0;
      pixelFormat_ = AcceptedMemoryFormat(depth_, pixelFormat);
      break;
    }
    default:
      break;
  }
  return result;
}

void PixelMap::ReleaseStorage() {
  while (lockCount_ > 0) Unlock();
  auto releaseDC = [this] {
    if (memoryDC_) {
      if (previousBitmap_) memoryDC_->SelectBitmap(previousBitmap_);
      if (previousPalette_) memoryDC_->SelectPalette(previousPalette_);
      memoryDC_->SelectBitmap(nullptr);
      memoryDC_->SelectPalette(nullptr);
      platform::DeleteMemoryDC(memoryDC_);
      memoryDC_ = nullptr;
    }
    if (bitmap_) {
      platform::DeleteDibSection(bitmap_);
      bitmap_ = nullptr;
    }
    previousBitmap_ = nullptr;
    previousPalette_ = nullptr;
  };
  switch (storageKind_) {
    case kStorageDib:
      releaseDC();
      pixelBase_ = nullptr;
      pixelOffset_ = 0;
      break;
    case kStorageSurface:
      if (surface_) {
        if (surface_->IsLocked()) surface_->Unlock();
        surface_.reset();
      }
      pixelBase_ = nullptr;
      pixelOffset_ = 0;
      break;
    case kStorageMemory:
      FreeMemory(pixelBase_);
      pixelBase_ = nullptr;
      pixelOffset_ = 0;
      releaseDC();
      break;
    default:
      break;
  }
  attributes_.SetAlphaChannel(nullptr);
  if (colorTable_) {
    colorTable_->Release();
    colorTable_ = nullptr;
  }
  lockCount_ = 0;
  if (opacityRatio_) {
    opacityRatio_->Release();
    opacityRatio_ = nullptr;
  }
}

platform::SurfaceRef PixelMap::ExchangeSurface(platform::SurfaceRef surface) {
  surface_.swap(surface);
  return surface;
}

// ---------------------------------------------------------------------------
// Locking and addressing

bool PixelMap::Lock() {
  ++lockCount_;
  if (lockCount_ == 1 && (storageKind_ == kStorageDib || storageKind_ == kStorageSurface)) {
    PixelMapDisplay* display = GetPixelMapDisplay();
    if (!display->IsActive()) {
      --lockCount_;
      return false;
    }
    if (surface_) {
      display->RestoreSurface(display->GetPrimarySurface().get());
      if (surface_->IsLost()) surface_->Restore();
      int32_t pitch = 0;
      uint8_t* memory = surface_->Lock(&pitch);
      if (memory) {
        pixelBase_ = memory;
        rowBytes_ = pitch;
        dibFlag_ = 0;
      }
    }
  }
  return pixelBase_ != nullptr;
}

void PixelMap::Unlock() {
  --lockCount_;
  if (lockCount_ == 0 && (storageKind_ == kStorageDib || storageKind_ == kStorageSurface)) {
    if (GetPixelMapDisplay()->IsActive() && surface_) {
      surface_->Unlock();
      pixelBase_ = nullptr;
    }
  }
  if (lockCount_ < 0) lockCount_ = 0;
}

void PixelMap::SetPixelOffset(int32_t bytes) {
  if (storageKind_ == kStorageMemory) pixelOffset_ = bytes;
}

uint8_t* PixelMap::GetPixelAddress(const VPoint& point) const {
  uint8_t* start = GetPixels();
  if (!start || !bounds_.ContainsPoint(point)) return nullptr;
  int64_t stride = rowBytes_;
  if (dibFlag_) {
    start += int64_t{GetHeight() - 1} * rowBytes_;
    stride = -stride;
  }
  return start + int64_t{point.x} * BytesPerPixel(depth_) + int64_t{point.y} * stride;
}

PixelBuffer PixelMap::GetBuffer() const {
  PixelBuffer b;
  b.pixels = GetPixels();
  b.rowBytes = rowBytes_;
  b.width = GetWidth();
  b.height = GetHeight();
  b.depth = depth_;
  b.bottomUp = dibFlag_ != 0;
  b.pixelFormat = pixelFormat_;
  b.colorTable = colorTable_;
  return b;
}

// ---------------------------------------------------------------------------
// Colour table and attributes

void PixelMap::SetSolidColor(const VRGBColor& color) {
  if (color != solidColor_) solidColorIndex_ = -1;
  solidColor_ = color;
}

VColorTable* PixelMap::GetColorTable() const {
  if (colorTable_) colorTable_->AddReference();
  return colorTable_;
}

void PixelMap::ClearAttributes() { attributes_.Clear(); }

// ---------------------------------------------------------------------------
// Program-wide defaults

int16_t PixelMap::SetDefaultStorageKind(int16_t kind) { return std::exchange(gDefaultStorageKind, kind); }
int16_t PixelMap::GetDefaultStorageKind() { return gDefaultStorageKind; }
int32_t PixelMap::SetDefaultPixelDepth(int32_t depth) { return std::exchange(gDefaultDepth, depth); }
int32_t PixelMap::GetDefaultPixelDepth() { return gDefaultDepth; }
int32_t PixelMap::SetDefaultPixelFormat(int32_t format) { return std::exchange(gDefaultPixelFormat, format); }
int32_t PixelMap::SetBackBufferCount(int32_t count) { return std::exchange(gBackBufferCount, count); }
