// An alpha channel: a medium holding an 8-bit plane of opacity levels 0..63
// (plain memory, grey layout) with an origin, combined into other channels
// through a 64 x 64 table. This is the part pixel maps use; loading channels
// from media and files arrives with pictures.
#pragma once

#include <cstdint>

#include "engine/graphics/VMedia.h"

class PixelMap;

class VAlphaChannel : public VGraphicMedia {
 public:
  // A blank channel of the rectangle's size at (0, 0); its levels are not cleared.
  explicit VAlphaChannel(const VRect& bounds);
  // The part of the source inside `part` (the whole source when null), at (0, 0).
  VAlphaChannel(VAlphaChannel& source, const VRect* part);
  ~VAlphaChannel() override;

  void Draw(DrawPort*, const VRect&, const VRect*) override {}

  // The plane (owned by the channel), or null.
  PixelMap* GetPixelMap() const { return pixelMap_; }
  int32_t GetOriginX() const { return originX_; }
  int32_t GetOriginY() const { return originY_; }
  void SetOrigin(int32_t x, int32_t y) {
    originX_ = x;
    originY_ = y;
  }
  // The level at (x + origin x, y + origin y); 0 outside or without a plane.
  int32_t GetValueAt(int32_t x, int32_t y) const;
  // Merges this channel's levels over `sourceRect` into the target's over
  // `targetRect` (both clipped; a negative edge moves both): each target
  // level t becomes table[t][s] for the source level s, where
  // table[t][s] = trunc(63 - (63 - s * mode / 63) * (63 - t) / 63 + 0.5).
  void Combine(VAlphaChannel& target, const VRect& sourceRect, const VRect& targetRect, int32_t mode);
  // Trims all-zero columns (left, right) then rows (top, bottom) from the
  // bounds; true when an edge moved, false otherwise or without a plane.
  bool FindContentBounds(VRect& out) const;

 private:
  PixelMap* pixelMap_ = nullptr;
  int32_t originX_ = 0;
  int32_t originY_ = 0;
  uint8_t* combineTable_ = nullptr;  // 64 x 64, for combineMode_
  int32_t combineMode_ = -1;
};
