#include "engine/graphics/VAlphaChannel.h"

#include <algorithm>

#include "engine/core/Memory.h"
#include "engine/graphics/PixelMap.h"

VAlphaChannel::VAlphaChannel(const VRect& bounds) {
  bounds_ = bounds;
  bounds_.MoveToOrigin();
  pixelMap_ = new PixelMap(PixelMap::kStorageMemory);
  pixelMap_->Create(bounds_, 8, nullptr, nullptr, nullptr, 11, 0);
  loaded_ = 1;
}

VAlphaChannel::VAlphaChannel(VAlphaChannel& source, const VRect* part) {
  VRect area = source.GetBounds();
  if (part) area.Intersect(*part, area);
  if (area.IsEmpty()) area = VRect();
  VRect local = area;
  local.MoveToOrigin();
  bounds_ = local;
  pixelMap_ = new PixelMap(PixelMap::kStorageMemory);
  if (pixelMap_->Create(bounds_, 8, nullptr, nullptr, nullptr, 11, 0)) {
    pixelMap_->ClearPixels();
    source.Combine(*this, area, local, 63);
  }
  loaded_ = 1;
}

VAlphaChannel::~VAlphaChannel() {
  delete pixelMap_;
  FreeMemory(combineTable_);
}

int32_t VAlphaChannel::GetValueAt(int32_t x, int32_t y) const {
  if (!pixelMap_) return 0;
  const uint8_t* p = pixelMap_->GetPixelAddress(VPoint(x + originX_, y + originY_));
  return p ? *p : 0;
}

void VAlphaChannel::Combine(VAlphaChannel& target, const VRect& sourceRect, const VRect& targetRect, int32_t mode) {
  PixelMap* sourceMap = pixelMap_;
  PixelMap* targetMap = target.pixelMap_;
  if (!sourceMap || !targetMap) return;
  VRect s = sourceRect;
  VRect t = targetRect;
  ClipTransferRects(s, t, sourceMap->GetBounds(), targetMap->GetBounds());
  const int32_t width = s.GetWidth();
  const int32_t height = s.GetHeight();
  if (width <= 0 || height <= 0) return;

  mode = std::clamp(mode, 0, 63);
  if (!combineTable_ || combineMode_ != mode) {
    if (!combineTable_) combineTable_ = static_cast<uint8_t*>(AllocateMemory(64 * 64));
    if (!combineTable_) return;
    const float m = static_cast<float>(mode) * (1.0f / 63.0f);
    for (int32_t tl = 0; tl < 64; ++tl) {
      for (int32_t sl = 0; sl < 64; ++sl) {
        const double v = 63.0 - (63.0 - sl * static_cast<double>(m)) * (63 - tl) / 63.0 + 0.5;
        combineTable_[tl * 64 + sl] = static_cast<uint8_t>(std::clamp(static_cast<int32_t>(v), 0, 63));
      }
    }
    combineMode_ = mode;
  }
  PixelMapLock sourceLock(sourceMap);
  PixelMapLock targetLock(targetMap);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* sp = sourceMap->GetPixelAddress(VPoint(s.left, s.top + y));
    uint8_t* tp = targetMap->GetPixelAddress(VPoint(t.left, t.top + y));
    if (!sp || !tp) return;
    for (int32_t x = 0; x < width; ++x) tp[x] = combineTable_[((tp[x] & 63) << 6) | (sp[x] & 63)];
  }
}

bool VAlphaChannel::FindContentBounds(VRect& out) const {
  out = bounds_;
  if (!pixelMap_ || !pixelMap_->GetPixels()) return false;
  auto at = [this](int32_t x, int32_t y) { return *pixelMap_->GetPixelAddress(VPoint(x, y)); };
  auto columnEmpty = [&](int32_t x) {
    for (int32_t y = out.top; y < out.bottom; ++y)
      if (at(x, y)) return false;
    return true;
  };
  auto rowEmpty = [&](int32_t y) {
    for (int32_t x = out.left; x < out.right; ++x)
      if (at(x, y)) return false;
    return true;
  };
  while (out.left < out.right && columnEmpty(out.left)) ++out.left;
  while (out.right > out.left && columnEmpty(out.right - 1)) --out.right;
  while (out.top < out.bottom && rowEmpty(out.top)) ++out.top;
  while (out.bottom > out.top && rowEmpty(out.bottom - 1)) --out.bottom;
  return out != bounds_;
}
