// Dithering of true-colour and YCbCr pixels down to a palette (8 bits) or to
// 15/16-bit pixels: Floyd-Steinberg error diffusion, a 4 x 4 ordered matrix,
// and random noise. The objects hold the shared clip tables, row buffers and
// palette copies a method needs; the per-pixel steps are inline.
#pragma once

#include <cstdint>

#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/VYCbCrColorTable.h"

// The 4 x 4 Bayer matrix minus 8, indexed by ((column & 3) << 2) | (row & 3).
inline constexpr int8_t kOrderedDitherMatrix[16] = {-8, 0, -6, 2, 4, -4, 6, -2, -5, 3, -7, 1, 7, -1, 5, -3};
constexpr int32_t OrderedDitherValue(int32_t column, int32_t row) {
  return kOrderedDitherMatrix[((column & 3) << 2) | (row & 3)];
}

// Seeds the runtime generator with the time in seconds on the program's first
// random dither; later calls do nothing, so the sequence continues.
void SeedRandomDitherOnce();
// Whether the generator was seeded by a random dither.
bool IsRandomDitherSeeded();

// Error diffusion of one colour channel over rows of `width` pixels. Errors are
// kept multiplied by 16 in two rows of width + 2 entries swapped by row
// parity; entries 0 and width + 1 catch the spill at the row ends.
class VErrorDiffusionDitherer {
 public:
  explicit VErrorDiffusionDitherer(int32_t width);
  virtual ~VErrorDiffusionDitherer();
  VErrorDiffusionDitherer(const VErrorDiffusionDitherer&) = delete;
  VErrorDiffusionDitherer& operator=(const VErrorDiffusionDitherer&) = delete;

  bool IsValid() const { return rowA_ && rowB_ && clip32_ && clip64_ && clamp_; }
  // Clears both rows; the current row becomes -1.
  void Reset();
  // Starts row r: even rows accumulate in row A, odd rows in row B.
  void SetRow(int32_t r);
  int32_t GetCurrentRow() const { return currentRow_; }

  // Moves to the next pixel and returns its accumulated error (sum >> 4).
  int32_t Advance() {
    ++current_;
    ++next_;
    return *current_ >> 4;
  }
  // Spreads e (clamped to -32..31) 7/16 right, 3/16 below left, 5/16 below,
  // 1/16 below right; the current entry is consumed.
  void DiffuseError(int32_t e) {
    const int32_t c = cl_[e];
    current_[0] = 0;
    current_[1] += 7 * c;
    next_[-1] += 3 * c;
    next_[0] += 5 * c;
    next_[1] += c;
  }
  // Next pixel: value + error, quantised to 5 bits, error diffused.
  int32_t QuantizeAndDiffuse5(int32_t& value) {
    value += Advance();
    const int32_t q = c32_[value >> 3];
    DiffuseError(value - 8 * q);
    return q;
  }
  // The same to 6 bits (green of 5-6-5 pixels).
  int32_t QuantizeAndDiffuse6(int32_t& value) {
    value += Advance();
    const int32_t q = c64_[value >> 2];
    DiffuseError(value - 4 * q);
    return q;
  }
  // Next pixel: value + error quantised to 5 bits; the caller diffuses later.
  int32_t Quantize5(int32_t& value) {
    value += Advance();
    return c32_[value >> 3];
  }
  const int32_t* GetClip32() const { return c32_; }
  const int32_t* GetClip64() const { return c64_; }

 private:
  int32_t width_;
  int32_t* rowA_ = nullptr;
  int32_t* rowB_ = nullptr;
  int32_t* current_ = nullptr;
  int32_t* next_ = nullptr;
  int32_t rowBytes_;
  int32_t currentRow_ = -1;
  LookupTableRef<VClipTable> clip32_;
  LookupTableRef<VClipTable> clip64_;
  LookupTableRef<VClipTable> clamp_;
  const int32_t* c32_;
  const int32_t* c64_;
  const int32_t* cl_;
};

// Tables of the ordered dither: clip(8), clip(32), clip(64), clip(256), where
// clip(n) clamps -n..2n-1 to 0..n-1.
class VOrderedDitherer {
 public:
  VOrderedDitherer();
  virtual ~VOrderedDitherer() = default;
  VOrderedDitherer(const VOrderedDitherer&) = delete;
  VOrderedDitherer& operator=(const VOrderedDitherer&) = delete;
  bool IsValid() const { return clip8_ && clip32_ && clip64_ && clip256_; }

  // A 5-5-5 or 5-6-5 pixel of (r, g, b) with the matrix value d (-8..7)
  // added; green of 5-6-5 takes d >> 1.
  uint32_t Dither15(int32_t r, int32_t g, int32_t b, int32_t d) const {
    return static_cast<uint32_t>((c32_[(r + d) >> 3] << 10) | (c32_[(g + d) >> 3] << 5) | c32_[(b + d) >> 3]);
  }
  uint32_t Dither16(int32_t r, int32_t g, int32_t b, int32_t d) const {
    return static_cast<uint32_t>((c32_[(r + d) >> 3] << 11) | (c64_[(g + (d >> 1)) >> 2] << 5) | c32_[(b + d) >> 3]);
  }
  // The nearest-index key of (r, g, b) with the palette offset d = 4m added.
  uint32_t PaletteKey(int32_t r, int32_t g, int32_t b, int32_t d) const {
    return static_cast<uint32_t>((c32_[(r + d) >> 3] << 11) | (c64_[(g + d) >> 2] << 5) | c32_[(b + d) >> 3]);
  }

 protected:
  LookupTableRef<VClipTable> clip8_;
  LookupTableRef<VClipTable> clip32_;
  LookupTableRef<VClipTable> clip64_;
  LookupTableRef<VClipTable> clip256_;
  const int32_t* c32_ = nullptr;
  const int32_t* c64_ = nullptr;
};

// Tables of the random dither, clip(8), clip(32), clip(64); the first one made
// seeds the generator (SeedRandomDitherOnce).
class VRandomDitherer {
 public:
  VRandomDitherer();
  virtual ~VRandomDitherer() = default;
  VRandomDitherer(const VRandomDitherer&) = delete;
  VRandomDitherer& operator=(const VRandomDitherer&) = delete;
  bool IsValid() const { return clip8_ && clip32_ && clip64_; }

  // One value drawn per pixel: offset (n & 15) - 8 on all three channels (green of 5-6-5 half of it).
  uint32_t Dither15(int32_t r, int32_t g, int32_t b) const;
  uint32_t Dither16(int32_t r, int32_t g, int32_t b) const;
  // Offset (n & 15) * 4 - 32; the nearest-index key.
  uint32_t PaletteKey(int32_t r, int32_t g, int32_t b) const;

 protected:
  LookupTableRef<VClipTable> clip8_;
  LookupTableRef<VClipTable> clip32_;
  LookupTableRef<VClipTable> clip64_;
  const int32_t* c32_ = nullptr;
  const int32_t* c64_ = nullptr;
};

// Palette state shared by the RGB ditherers: a copy of the 256 colours and the
// nearest-index table of the palette given at construction (not owned: the
// colour table keeps it valid while the ditherer lives).
struct DitherPalette {
  explicit DitherPalette(const ColorTableData* table);
  bool IsValid() const { return hasColors && nearestIndex; }
  bool hasColors = false;
  VRGBColor colors[kColorEntryCount];
  const uint8_t* nearestIndex = nullptr;
};

// Error diffusion to a palette, one channel ditherer per colour component.
class VRGBErrorDiffusionDitherer {
 public:
  VRGBErrorDiffusionDitherer(int32_t width, const ColorTableData* table);
  virtual ~VRGBErrorDiffusionDitherer() = default;
  bool IsValid() const { return palette_.IsValid() && red_.IsValid() && green_.IsValid() && blue_.IsValid(); }
  void SetRow(int32_t r) {
    red_.SetRow(r);
    green_.SetRow(r);
    blue_.SetRow(r);
  }
  int32_t GetCurrentRow() const { return red_.GetCurrentRow(); }
  // The palette index of the next pixel of the row (0..255 colour components).
  uint8_t Dither(int32_t r, int32_t g, int32_t b) {
    r += red_.Advance();
    g += green_.Advance();
    b += blue_.Advance();
    const uint8_t index = palette_.nearestIndex[(red_.GetClip32()[r >> 3] << 11) | (green_.GetClip64()[g >> 2] << 5) |
                                                blue_.GetClip32()[b >> 3]];
    const VRGBColor& c = palette_.colors[index];
    red_.DiffuseError(r - c.red);
    green_.DiffuseError(g - c.green);
    blue_.DiffuseError(b - c.blue);
    return index;
  }

 private:
  DitherPalette palette_;
  VErrorDiffusionDitherer red_;
  VErrorDiffusionDitherer green_;
  VErrorDiffusionDitherer blue_;
};

class VRGBOrderedDitherer : public VOrderedDitherer {
 public:
  explicit VRGBOrderedDitherer(const ColorTableData* table) : palette_(table) {}
  bool IsValid() const { return palette_.IsValid() && VOrderedDitherer::IsValid(); }
  // column: the pixel's column in the rectangle; rowsLeft: rows still to convert, counting this one.
  uint8_t Dither(int32_t r, int32_t g, int32_t b, int32_t column, int32_t rowsLeft) const {
    return palette_.nearestIndex[PaletteKey(r, g, b, 4 * OrderedDitherValue(column, rowsLeft))];
  }

 private:
  DitherPalette palette_;
};

class VRGBRandomDitherer : public VRandomDitherer {
 public:
  explicit VRGBRandomDitherer(const ColorTableData* table) : palette_(table) {}
  bool IsValid() const { return palette_.IsValid() && VRandomDitherer::IsValid(); }
  uint8_t Dither(int32_t r, int32_t g, int32_t b) const { return palette_.nearestIndex[PaletteKey(r, g, b)]; }

 private:
  DitherPalette palette_;
};

// Error diffusion of Y, Cb, Cr samples to a palette through a YCbCr table's
// 8-bit table (a new table of matrix 5 on the given palette when none is passed).
class VYCbCrErrorDiffusionDitherer {
 public:
  VYCbCrErrorDiffusionDitherer(int32_t width, VYCbCrColorTable* table, const ColorTableData* palette = nullptr);
  virtual ~VYCbCrErrorDiffusionDitherer();
  VYCbCrErrorDiffusionDitherer(const VYCbCrErrorDiffusionDitherer&) = delete;
  VYCbCrErrorDiffusionDitherer& operator=(const VYCbCrErrorDiffusionDitherer&) = delete;
  bool IsValid() const { return table8_ && y_.IsValid() && cb_.IsValid() && cr_.IsValid(); }
  VYCbCrColorTable* GetTable() const { return table_; }
  const uint8_t* Get8BitTable() const { return table8_; }
  const uint8_t* GetYCbCrPalette() const { return palette_; }
  VErrorDiffusionDitherer& GetY() { return y_; }
  VErrorDiffusionDitherer& GetCb() { return cb_; }
  VErrorDiffusionDitherer& GetCr() { return cr_; }

 private:
  VYCbCrColorTable* table_;
  const uint8_t* table8_ = nullptr;
  const uint8_t* palette_ = nullptr;
  VErrorDiffusionDitherer y_;
  VErrorDiffusionDitherer cb_;
  VErrorDiffusionDitherer cr_;
};

class VYCbCrOrderedDitherer : public VOrderedDitherer {
 public:
  explicit VYCbCrOrderedDitherer(VYCbCrColorTable* table, const ColorTableData* palette = nullptr);
  ~VYCbCrOrderedDitherer() override;
  bool IsValid() const { return table8_ && VOrderedDitherer::IsValid(); }
  // d = 4m added to Cb and Cr, d >> 1 to Y; the 8-bit table's palette index.
  uint8_t Dither(int32_t y, int32_t cb, int32_t cr, int32_t d) const {
    return table8_[(c32_[(cb + d) >> 3] << 11) | (c32_[(cr + d) >> 3] << 6) | c64_[(y + (d >> 1)) >> 2]];
  }
  VYCbCrColorTable* GetTable() const { return table_; }
  const uint8_t* GetYCbCrPalette() const { return palette_; }

 private:
  VYCbCrColorTable* table_;
  const uint8_t* table8_ = nullptr;
  const uint8_t* palette_ = nullptr;
};
