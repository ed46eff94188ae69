// Colour tables: palettes of up to 256 RGB colours with their derived lookup
// tables (nearest index by 5-6-5 colour, 64-level shade table), the standard
// palettes, and the program-wide current colour table.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/core/VFileSpec.h"
#include "engine/core/VGeometry.h"
#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/VMedia.h"
#include "platform/Palette.h"

class VFile;
class PixelMap;

// Selects a standard palette in the VColorTable constructor: 0 and 1 the
// system table, 2 the cube-and-ramps table, 3 the grey-and-colour table, 4 the
// 216-colour cube, anything else a grey ramp.
struct StandardPalette {
  int32_t code = 0;
};

// A palette medium. The entries array always holds 256 colours (unused ones
// black). The derived tables are built on first use, owned by the table and
// stay at the same address until the table is destroyed, so routines may keep
// pointers to them while they hold a reference to the table.
class VColorTable : public VMedia {
 public:
  // An empty table (count 0, all black, not loaded).
  VColorTable();
  // A standard palette, realised and loaded.
  explicit VColorTable(StandardPalette palette);
  // The "RCX " medium of that id from the current archive; stays empty and
  // not loaded when the archive has no such medium.
  explicit VColorTable(uint16_t mediaId);
  // The file read as "RCX " whatever its extension.
  explicit VColorTable(VFileSpec spec);
  // `count` colours (clamped to 0..256) from RGB triples each followed by
  // `stride` skipped bytes; the rest black. Realised and loaded.
  VColorTable(const uint8_t* rgb, int32_t count, int32_t stride);
  ~VColorTable() override;

  // Reads the table with the reader for `type` (only "RCX "): 0 on success,
  // -1 without a reader, else the reader's result. Realises on success.
  int32_t Read(VFile& file, uint32_t type);
  // Writes the table (entries and the derived tables present) as `type`.
  int32_t Write(VFile& file, uint32_t type);

  int32_t GetColorCount() const { return colorCount_; }
  // False for an index outside 0..255.
  bool GetColor(VRGBColor& out, int32_t index) const;
  // Copies up to `count` entries from `first` as RGB triples; copies nothing
  // into a null buffer or when first lies outside the colours in use.
  // Returns the number of entries copied.
  int32_t GetColors(uint8_t* rgb, int32_t first, int32_t count) const;
  // For 1..256: sets the count and returns the entries for the caller to
  // fill; otherwise null and nothing changes.
  VRGBColor* SetColorCount(int32_t count);
  const VRGBColor* GetEntries() const { return colors_; }

  // Exact: the first of the 256 entries equal to the colour, else -1.
  // Approximate: the nearest-index table when there is one, else the entry of
  // least squared distance (lowest index on ties).
  int32_t FindNearestIndex(const VRGBColor& color, bool approximate) const;
  // The second-best entry: the nearest entry by squared distance other than
  // the approximate nearest index (lowest index on ties), -1 without colours.
  int32_t FindNearestIndexRunnerUp(const VRGBColor& color) const;

  int32_t GetBlackSlot() const { return arranged_ ? blackSlot_ : -1; }
  int32_t GetWhiteSlot() const { return arranged_ ? whiteSlot_ : -1; }
  bool IsArranged() const { return arranged_ != 0; }
  bool IsGreyRamp() const { return greyRamp_ != 0; }
  // True for the same table, or when this table holds the other's colours at
  // the same indexes (and at least as many colours).
  bool BeginsWith(const VColorTable& other) const;

  // Builds the 65536-byte nearest-index table unless it exists, memory is
  // short or the table is a grey ramp.
  void BuildInverseTable();
  // The nearest-index table, or null.
  const uint8_t* GetInverseTable() const { return nearestIndex_; }
  // Allocates an uninitialised nearest-index table for a reader to fill
  // (kept when present); null when memory is short.
  uint8_t* AllocateInverseTable();
  // The shade table (64 levels x 256 5-6-5 values), built on the first call;
  // null when it cannot be allocated.
  const uint16_t* GetShadeTable16();
  const uint16_t* PeekShadeTable16() const { return shade_; }
  // Allocates an uninitialised shade table for a reader to fill; null when short.
  uint16_t* AllocateShadeTable();
  // Frees a derived table (a reader drops one it could not fill completely).
  void DiscardInverseTable();
  void DiscardShadeTable();

  // The palette and derived tables as plain data for the pixel routines,
  // valid while this table lives; with `buildInverse` the nearest-index table
  // is built first.
  ColorTableData GetColorTableData(bool buildInverse = false);

  // The palette object made by Realize (null before), and the second palette
  // of the first colour-count entries made on demand. Both owned by the table.
  const platform::Palette* GetPalette() const { return palette_; }
  const platform::Palette* GetPaletteHandle();

  // Gives every window's off-screen pixel map this table (through the
  // installed window pixel maps) and clears the palette-changed flag.
  void ApplyToWindows();

  // Moves black to entry 0 and white to 255 (when asked for and needed),
  // makes the palette object, and sets the count to 256. Returns 0.
  int32_t Realize();

  const VFileSpec& GetFileSpec() const { return fileSpec_; }

 private:
  void ComputeGreyRamp();
  void FillStandardPalette(int32_t code);

  int32_t colorCount_ = 0;
  VRGBColor colors_[kColorEntryCount];
  uint8_t* nearestIndex_ = nullptr;
  uint16_t* shade_ = nullptr;
  uint8_t greyRamp_ = 0;
  uint8_t arranged_ = 0;
  int32_t blackSlot_ = -1;
  int32_t whiteSlot_ = -1;
  VFileSpec fileSpec_;
  platform::Palette* palette_ = nullptr;
  platform::Palette* paletteHandle_ = nullptr;
};

// The current colour table with one more reference (the caller releases it), or null.
VColorTable* GetCurrentColorTable();
// Makes the table (or none) current, holding one reference; sets the
// palette-changed flag when the table differs from the previous one and clears it otherwise.
void SetCurrentColorTable(VColorTable* table);
bool IsPaletteChanged();

// Whether Realize moves black to entry 0 and white to entry 255 (initially true).
void SetArrangeBlackAndWhite(bool arrange);
bool GetArrangeBlackAndWhite();

// System palette handling. There is no system palette here: the calls record
// the system palette use and system colours on the platform stand-in.
void SetSystemPaletteMode(bool staticColors, bool secondFlag, bool changeSystemColors);
void RestoreSystemPaletteMode();

// ApplyToWindows reaches the windows through the installed window pixel maps
// (engine/graphics/GraphicsServices.h).
