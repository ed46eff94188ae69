// PixelMap: the engine's raster of one depth (8, 15, 16, 24, 32 bits) and one
// pixel format, stored as a DIB section with its memory DC, a display surface,
// or plain memory, addressable between Lock and Unlock; with the operations
// that copy, blend, fill, read and convert its pixels.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "platform/MemoryDC.h"
#include "platform/Surface.h"

class OpacityRatioTable;
class VAlphaChannel;
class VColorTable;
class VFile;
class VMask;
class DrawPort;

// The default format of a depth: 8 -> 2, 15 -> 0x8003, 16 -> 0x8004, 24 -> 6, 32 -> 8; else 0.
uint16_t GetDefaultPixelFormat(int32_t depth);
// Bytes per pixel of a depth ((depth + 7) >> 3).
constexpr int32_t BytesPerPixel(int32_t depth) { return (depth + 7) >> 3; }

// A pixel buffer as the transfer operations see it. Nothing is owned.
struct PixelBuffer {
  uint8_t* pixels = nullptr;  // first byte of the stored rows
  int32_t rowBytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  bool bottomUp = false;      // stored row 0 is the bottom row of the picture
  uint16_t pixelFormat = kFormatNone;
  VColorTable* colorTable = nullptr;  // the buffer's palette (8-bit), or null
};

// Clips a transfer: negative source, then destination, left and top edges
// move both rectangles; right and bottom are cut to each bounds; both get the
// smaller width and height.
void ClipTransferRects(VRect& source, VRect& destination, const VRect& sourceBounds, const VRect& destinationBounds);

class PixelMap : public VListElement {
 public:
  enum StorageKind : int16_t {
    kStorageDefault = 0,  // the program-wide default kind applies at creation
    kStorageDib = 1,      // a DIB section selected into a memory DC
    kStorageSurface = 2,  // the back buffer of the display's flip chain
    kStorageMemory = 3,   // plain memory
  };

  // An empty map of the kind (no storage until Create).
  explicit PixelMap(int16_t kind = kStorageDefault);
  // Constructs and creates; the result of Create shows in HasStorage.
  PixelMap(const VRect& bounds, int32_t depth, VColorTable* colorTable, platform::SurfaceRef* primarySurface = nullptr,
           uint8_t* surfaceBorrowed = nullptr, int16_t kind = kStorageDefault, int32_t pixelFormat = kFormatUseDefault,
           int32_t rowBytes = 0);
  // A solid-colour map without storage: depth 8, row bytes = width.
  PixelMap(const VRect& bounds, const VRGBColor& color, int16_t kind = kStorageDefault);
  // A copy of the source, or of the part of it inside `part`.
  PixelMap(PixelMap& source, const VRect* part);
  ~PixelMap() override;
  PixelMap(const PixelMap&) = delete;
  PixelMap& operator=(const PixelMap&) = delete;

  // Makes the storage (releasing any earlier one). Depth -2 is the default
  // depth, 0 the screen's; format 1 the default format. A null table means
  // the current colour table. For kind 2 the display's primary surface goes
  // to *primarySurface and *surfaceBorrowed becomes 1 (either may be null).
  bool Create(const VRect& bounds, int32_t depth, VColorTable* colorTable, platform::SurfaceRef* primarySurface,
              uint8_t* surfaceBorrowed, int32_t pixelFormat, int32_t rowBytes);
  // Frees what Create made, unlocking first.
  void ReleaseStorage();

  // Lock counting: only the first Lock of a DIB or surface map does work
  // (refused while the display is inactive). True when pixels are addressable.
  bool Lock();
  void Unlock();
  int32_t GetLockCount() const { return lockCount_; }

  // The first pixel (base + offset), or null without storage or while a
  // surface is unlocked.
  uint8_t* GetPixels() const { return pixelBase_ ? pixelBase_ + pixelOffset_ : nullptr; }
  // Kind 3 only.
  void SetPixelOffset(int32_t bytes);
  // The pixel at (x, y) from the picture's top-left, or null outside or without pixels.
  uint8_t* GetPixelAddress(const VPoint& point) const;
  // The buffer description of the map (pixels as GetPixels).
  PixelBuffer GetBuffer() const;

  int32_t GetRowBytes() const { return rowBytes_; }
  int32_t GetDepth() const { return depth_; }
  const VRect& GetBounds() const { return bounds_; }
  int32_t GetWidth() const { return bounds_.GetWidth(); }
  int32_t GetHeight() const { return bounds_.GetHeight(); }
  uint16_t GetPixelFormat() const { return pixelFormat_; }
  int16_t GetStorageKind() const { return storageKind_; }
  bool IsDibSection() const { return dibFlag_ != 0; }
  void SetDibSection(bool flag) { dibFlag_ = flag ? 1 : 0; }
  bool IsSolidColor() const { return solid_ != 0; }
  const VRGBColor& GetSolidColor() const { return solidColor_; }
  // Sets the colour of a solid map (the cached index is reset when it changes).
  void SetSolidColor(const VRGBColor& color);
  int32_t GetSolidColorIndex() const { return solidColorIndex_; }
  bool HasStorage() const { return memoryDC_ || surface_ || pixelBase_; }
  bool IsDirectDrawSurface() const { return storageKind_ == kStorageSurface; }
  bool IsInVideoMemory() const { return videoMemory_ != 0; }
  int64_t GetByteSize() const { return int64_t{GetHeight()} * rowBytes_; }
  bool IsVisible() const { return visible_ != 0; }
  void SetVisible(bool visible) { visible_ = visible ? 1 : 0; }
  const VPoint& GetOrigin() const { return origin_; }
  void SetOrigin(const VPoint& origin) { origin_ = origin; }
  platform::MemoryDC* GetMemoryDC() const { return memoryDC_; }
  platform::Surface* GetSurface() const { return surface_.get(); }
  // The display exchanges its surface with the map's (the map then releases
  // the one it holds with its storage). Returns the previous surface.
  platform::SurfaceRef ExchangeSurface(platform::SurfaceRef surface);
  OpacityRatioTable* GetOpacityRatioTable() const { return opacityRatio_; }

  // The colour table with one more reference (the caller releases it), or null.
  VColorTable* GetColorTable() const;
  // Without a new reference; valid while the map holds it.
  VColorTable* PeekColorTable() const { return colorTable_; }
  // Replaces the table (null: the current one); with `remap` an 8-bit map's
  // pixels are converted to the new table's nearest colours.
  void SetColorTable(VColorTable* table, bool remap);

  void GetAttributes(PixelMapAttributes& out) const { out.Assign(attributes_); }
  const PixelMapAttributes& PeekAttributes() const { return attributes_; }
  // Copies the record, turning a key index into RGB above 8 bits and an RGB
  // key into an index at 8 bits; an alpha channel of another size cuts both
  // the map's and the channel's bounds to the smaller size.
  void SetAttributes(const PixelMapAttributes& record);
  void ClearAttributes();
  VAlphaChannel* GetAlphaChannel() const { return attributes_.GetAlphaChannel(); }
  void SetAlphaChannel(VAlphaChannel* channel);
  VMask* GetMask() const { return attributes_.GetMask(); }
  void SetMask(VMask* mask) { attributes_.SetMask(mask); }
  int32_t GetLevel() const { return attributes_.GetLevel(); }
  void SetLevel(int32_t level) { attributes_.SetLevel(level); }

  // ---- Operations on the pixels ---------------------------------------

  // Transfers a rectangle of this map into the destination with this map's
  // transparency. An 8-bit source whose table the 8-bit destination's does
  // not begin with is first converted to the destination's table (a lasting change).
  void CopyTo(PixelMap& destination, const VRect& sourceRect, const VRect& destinationRect);
  // The general transfer: `source` null describes this map; the target alpha
  // channel (or null) receives the merged coverage; `colorTable` null means
  // the destination's table, else the current one.
  void TransferPixels(const PixelBuffer& destination, const VRect& destinationRect, const VRect& sourceRect,
                      const PixelMapAttributes& attributes, const PixelBuffer* source, VAlphaChannel* targetAlpha,
                      bool solidSource, const VRGBColor& solidColor, VColorTable* colorTable);
  // Fills a rectangle (null: the bounds) with the colour (null: the solid
  // colour) in the given buffer, or in this map when `pixels` is null.
  void FillRect(const VRect* rect, const VRGBColor* color, uint8_t* pixels = nullptr, int32_t rowBytes = 0,
                int32_t height = 0, int32_t depth = 0, int32_t pixelFormat = kFormatNone, bool bottomUp = false,
                VColorTable* colorTable = nullptr);
  void Clear();
  void ClearPixels();
  bool CanLock();

  // Fills the map from raw rows: height x rowBytes on success, 0 on failure.
  int32_t ReadPixels(VFile& file, int32_t width, int32_t height, int32_t rowBytes, int32_t depth,
                     int32_t pixelFormat, bool bottomUp);

  bool GetPixel(const VPoint& point, VRGBColor& out) const;
  bool SetPixel(const VPoint& point, const VRGBColor& color);
  // 0 (transparent) .. 63 (opaque).
  int32_t GetOpacityAt(int32_t x, int32_t y) const;
  bool IsTransparentAt(int32_t x, int32_t y) const { return GetOpacityAt(x, y) == 0; }
  // The smallest rectangle outside which everything is transparent; true when it differs from the bounds.
  bool FindContentBounds(VRect& out);

  // Reorders pixels between layouts of one depth (see the .cpp); `to` kFormatNone is
  // the map's format; null pixels describe the map.
  void ConvertPixelFormat(int32_t from, int32_t to, uint8_t* pixels = nullptr, int32_t rowBytes = 0,
                          int32_t rows = 0, int32_t depth = 0);
  void FlipVertically();
  void SetTopBit16(int32_t flag);
  void MoveMarkedIndicesToEnds();

  // Draws a rectangle of the map through the port: into the port's pixel map
  // (CopyTo, with this map's transparency), onto the port's window, or
  // stretched onto its device context with the destination in points
  // (printing). Nothing for a null port.
  void DrawToPort(DrawPort* port, const VRect& sourceRect, const VRect& destinationRect);

  // ---- Program-wide creation defaults ---------------------------------
  static int16_t SetDefaultStorageKind(int16_t kind);
  static int16_t GetDefaultStorageKind();
  static int32_t SetDefaultPixelDepth(int32_t depth);
  static int32_t GetDefaultPixelDepth();
  static int32_t SetDefaultPixelFormat(int32_t format);
  static int32_t SetBackBufferCount(int32_t count);

 private:
  friend class PixelMapTestAccess;
  void ResetFields();

  int16_t storageKind_ = kStorageDefault;
  uint16_t pixelFormat_ = 0;
  platform::MemoryDC* memoryDC_ = nullptr;
  platform::SurfaceRef surface_;
  uint8_t solid_ = 0;
  uint8_t videoMemory_ = 0;
  uint8_t* pixelBase_ = nullptr;
  int32_t pixelOffset_ = 0;
  VColorTable* colorTable_ = nullptr;
  VRGBColor solidColor_;
  int32_t solidColorIndex_ = -1;
  VRect bounds_;
  int32_t depth_ = 0;
  uint8_t visible_ = 1;
  VPoint origin_;
  PixelMapAttributes attributes_;
  int32_t rowBytes_ = 0;
  uint8_t dibFlag_ = 0;
  int32_t lockCount_ = 0;
  OpacityRatioTable* opacityRatio_ = nullptr;
  platform::DibSection* bitmap_ = nullptr;
  platform::DibSection* previousBitmap_ = nullptr;
  const platform::Palette* previousPalette_ = nullptr;
};

// Locks a map for a scope (when it holds one) and unlocks it at the end.
class PixelMapLock {
 public:
  explicit PixelMapLock(PixelMap* map) : map_(map), locked_(map ? map->Lock() : false) {}
  ~PixelMapLock() {
    if (map_) map_->Unlock();
  }
  PixelMapLock(const PixelMapLock&) = delete;
  PixelMapLock& operator=(const PixelMapLock&) = delete;
  bool IsLocked() const { return locked_; }

 private:
  PixelMap* map_;
  bool locked_;
};
