// Y, Cb, Cr to pixel conversion: the shared clip and coefficient tables of one
// colour matrix, the palette converted to YCbCr, and three 65536-entry output
// tables (8-bit palette index, 15- and 16-bit pixels) indexed by
// (Cb >> 3) << 11 | (Cr >> 3) << 6 | (Y >> 2). A reference-counted medium.
#pragma once

#include <cstdint>

#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/VMedia.h"

class VColorTable;

class VYCbCrColorTable : public VMedia {
 public:
  // Matrix index 0..7 (the matrix_coefficients code of MPEG video; any other
  // value uses 5). `colors` may be null (no palette: no 8-bit table).
  VYCbCrColorTable(int32_t matrixIndex, const ColorTableData* colors);
  // The same over a counted colour table, held with one reference; null
  // takes the current colour table (none when there is no current one).
  VYCbCrColorTable(int32_t matrixIndex, VColorTable* colorTable);
  VYCbCrColorTable(const VYCbCrColorTable&) = delete;
  VYCbCrColorTable& operator=(const VYCbCrColorTable&) = delete;

  // Holds the table (or, for null, the current colour table) for 8-bit
  // output, releasing the one held before, and converts its palette.
  void SetColorTable(VColorTable* colorTable);
  VColorTable* GetColorTable() const { return heldTable_; }

  // Takes the palette for 8-bit output: copies the 256 entries and converts
  // them to YCbCr, and keeps the nearest-index table pointer, which the
  // caller's colour table keeps valid while it is held here. Null clears it.
  // The 8-bit table built from an earlier palette is freed.
  void SetColorTable(const ColorTableData* colors);

  // Each builds (again) and returns its table, or null when a shared table,
  // the palette's nearest-index table (8 bits) or memory is missing. The
  // tables live as long as this object.
  const uint8_t* Build8BitTable();
  const uint16_t* Build15BitTable();
  const uint16_t* Build16BitTable();
  const uint8_t* Get8BitTable() const { return table8_; }
  const uint16_t* Get15BitTable() const { return table15_; }
  const uint16_t* Get16BitTable() const { return table16_; }

  // 256 entries of Y, Cb, Cr (the palette's colours), valid after SetColorTable.
  const uint8_t* GetYCbCrPalette() const { return palette_; }

  // Working rule: red = clip[(luma[Y] + CrToRed[Cr]) >> 16],
  // green = clip[(luma[Y] - CbToGreen[Cb] - CrToGreen[Cr]) >> 16],
  // blue = clip[(luma[Y] + CbToBlue[Cb]) >> 16].
  const int32_t* GetClip() const { return clip_.Entries(); }
  const int32_t* GetLuma() const { return luma_.Entries(); }
  const int32_t* GetCrToRedTable() const { return crToRed_.Entries(); }
  const int32_t* GetCbToBlueTable() const { return cbToBlue_.Entries(); }
  const int32_t* GetCbToGreenTable() const { return cbToGreen_.Entries(); }
  const int32_t* GetCrToGreenTable() const { return crToGreen_.Entries(); }
  static constexpr int32_t GetLumaScale() { return 76309; }
  int32_t GetCrToRed() const;
  int32_t GetCbToBlue() const;
  int32_t GetCbToGreen() const;
  int32_t GetCrToGreen() const;

  // The red, green and blue of one sample by the working rule; false without tables.
  bool ToRGB(int32_t y, int32_t cb, int32_t cr, int32_t& red, int32_t& green, int32_t& blue) const;

 private:
  ~VYCbCrColorTable() override;
  bool HasTables() const;

  VColorTable* heldTable_ = nullptr;
  int32_t matrixIndex_;
  bool hasColors_ = false;
  VRGBColor colors_[kColorEntryCount];
  const uint8_t* nearestIndex_ = nullptr;
  uint8_t palette_[kColorEntryCount * 3] = {};
  uint8_t* table8_ = nullptr;
  uint16_t* table15_ = nullptr;
  uint16_t* table16_ = nullptr;
  LookupTableRef<VClipTable> clip_;
  LookupTableRef<VMultiplyTable> crToRed_;
  LookupTableRef<VMultiplyTable> cbToBlue_;
  LookupTableRef<VMultiplyTable> cbToGreen_;
  LookupTableRef<VMultiplyTable> crToGreen_;
  LookupTableRef<VMultiplyTable> luma_;
};
