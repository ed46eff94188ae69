// An alpha channel: a medium holding an 8-bit plane of opacity levels 0..63
// (plain memory, grey layout) with an origin, combined into other channels
// through a 64 x 64 table; loaded from "RAX " media (the raw alpha data) or
// from any image file whose 8-bit pixels give the levels.
#pragma once

#include <cstdint>

#include "engine/core/VFileSpec.h"
#include "engine/graphics/VMedia.h"

class PixelMap;
class VFile;

class VAlphaChannel : public VGraphicMedia {
 public:
  // A blank channel of the rectangle's size at (0, 0); its levels are not cleared.
  explicit VAlphaChannel(const VRect& bounds);
  // The "RAX " medium of that id from the current archive, loaded at once.
  explicit VAlphaChannel(uint16_t mediaId);
  // The file read as `type` ("????": from the extension), loaded at once.
  VAlphaChannel(const VFileSpec& spec, uint32_t type);
  // The part of the source inside `part` (the whole source when null), at (0, 0).
  VAlphaChannel(VAlphaChannel& source, const VRect* part);
  ~VAlphaChannel() override;

  void Draw(DrawPort*, const VRect&, const VRect*) override {}

  // 0 when the levels are present or were read now; -1 when the medium is
  // missing; else the read's result.
  int32_t Load() override;
  // Drops the levels of a purgeable, reloadable channel.
  void Unload() override;
  // Reads the levels: "RAX " is the alpha data (header and rows); "8BPS"
  // fails; any other type is read as an 8-bit picture whose pixels >> 2 are
  // the levels. 0 on success (or levels present), -1 after an earlier
  // failure or for bad alpha data, 1 when the picture cannot be read.
  int32_t ReadFromFile(VFile& file, uint32_t type);
  // Writes the alpha data with its header at the file's position: 0 or -1.
  int32_t Write(VFile& file);
  // Same size and every level equal; false without levels.
  bool IsEqual(const VAlphaChannel& other) const;
  uint16_t GetMediaId() const { return mediaId_; }

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
  uint16_t mediaId_ = 0;
  VFileSpec sourceFile_;
  uint32_t fileType_ = 0;
  int16_t storedRowWidth_ = 0;
};
