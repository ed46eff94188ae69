// One picture as three 8-bit planes (Y, Cb, Cr) sized in whole macroblocks,
// and its conversion into 15-, 16-, 24- and 32-bit pixel buffers through a
// YCbCr colour table.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/graphics/PixelMap.h"

class VYCbCrColorTable;

class VYCbCrPicture {
 public:
  VYCbCrPicture() = default;
  // chromaFormat 1 (4:2:0) or 2 (4:2:2); other formats get no chroma planes.
  // A null colour table makes one for matrix 5.
  VYCbCrPicture(int32_t mbWidth, int32_t mbHeight, int32_t chromaFormat, VYCbCrColorTable* colorTable);
  virtual ~VYCbCrPicture();
  VYCbCrPicture(const VYCbCrPicture&) = delete;
  VYCbCrPicture& operator=(const VYCbCrPicture&) = delete;

  void AllocatePlanes(int32_t mbWidth, int32_t mbHeight, int32_t chromaFormat);
  void SetColorTable(VYCbCrColorTable* colorTable);
  VYCbCrColorTable* GetColorTable() const { return colorTable_; }

  uint8_t* Y() { return y_.data(); }
  uint8_t* Cb() { return cb_.data(); }
  uint8_t* Cr() { return cr_.data(); }
  const uint8_t* Y() const { return y_.data(); }
  const uint8_t* Cb() const { return cb_.data(); }
  const uint8_t* Cr() const { return cr_.data(); }
  int32_t GetLumaWidth() const { return 16 * mbWidth_; }
  int32_t GetLumaHeight() const { return 16 * mbHeight_; }
  int32_t GetChromaWidth() const { return chromaFactor_ ? 8 * mbWidth_ : 0; }
  int32_t GetChromaHeight() const { return chromaFactor_ * 8 * mbHeight_; }
  int32_t GetMacroblockWidth() const { return mbWidth_; }
  int32_t GetMacroblockHeight() const { return mbHeight_; }
  int32_t GetChromaFormat() const { return chromaFormat_; }

  // Converts the picture from its origin into the buffer at (left, top), over
  // width x height pixels cut to the picture and the buffer. Depths 8 (ordered
  // dither through the colour table's palette), 15, 16, 24 and 32; returns
  // false (buffer untouched) for any other depth, a chroma format other than
  // 4:2:0 and 4:2:2 or a missing table.
  virtual bool ConvertToPixels(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width,
                               int32_t height) const;
  // The same for an interlaced frame: only the lines of one field (parity 0
  // top, 1 bottom) are converted, with field-based chroma; the lines between
  // become the mean of their neighbours (a missing first or last line copies
  // its one neighbour, and an area of one line of the other field converts
  // that line itself).
  bool ConvertFieldToPixels(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width,
                            int32_t height, int32_t parity) const;
  // The same into a pixel map (locked for the conversion) at its rectangle.
  bool ConvertToPicture(PixelMap& map, const VRect& rectangle) const;

 private:
  bool Convert(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width, int32_t height,
               int32_t parity) const;

  std::vector<uint8_t> y_, cb_, cr_;
  int32_t mbWidth_ = 0;
  int32_t mbHeight_ = 0;
  int32_t chromaFormat_ = 0;
  int32_t chromaFactor_ = 0;
  VYCbCrColorTable* colorTable_ = nullptr;
};
