// Resampling row routines: the pixel loops that draw a rectangle of rows (or
// columns) at another length, one family per resampling mode and one member per
// depth and direction. SelectHorizontalScaleRoutine and
// SelectVerticalScaleRoutine (ScaledTransfer.h) pick them at run time.
#pragma once

#include <cstdint>

#include "engine/graphics/ColorEntries.h"

// Resampling modes.
enum ScaleMode : int32_t {
  kScaleModePoint = 1,          // point sampling
  kScaleModeAreaAverage = 2,    // power-of-two box (for shrinking)
  kScaleModeLinear = 3,         // linear interpolation (for enlarging)
  kScaleModeDoubling = 9,       // each pixel written twice
  kScaleModeDoublingAverage = 10,  // doubling with averaged in-between pixels
};

// One row routine. A horizontal member resamples `lineCount` rows of
// `sourceLength` pixels into rows of `targetLength` pixels; a vertical member
// resamples `lineCount` columns of `sourceLength` rows into `targetLength` rows.
// The pointers are the first pixel of each rectangle; row steps are signed byte
// distances between picture rows (negative for maps stored bottom-up). Pixels
// are laid out by `pixelFormat` (15/16-bit pixels are native 16-bit words; the
// 32-bit members write only the three colour bytes of layouts 7..10 and leave
// the fourth byte as it was). `colorTable` is the source palette, read only by
// the 8-bit palette members (layout 2), which need its colours and its
// nearest-index table and draw nothing without them. Nothing is owned or
// allocated; empty lengths or counts draw nothing.
using ScaleRowRoutine = void (*)(const uint8_t* source, int32_t sourceStep, int32_t sourceLength, uint8_t* target,
                                 int32_t targetStep, int32_t targetLength, int32_t lineCount, uint16_t pixelFormat,
                                 const ColorTableData* colorTable);

#define OSTREVAN_SCALE_ROUTINE(name)                                                                          \
  void name(const uint8_t* source, int32_t sourceStep, int32_t sourceLength, uint8_t* target, int32_t targetStep, \
            int32_t targetLength, int32_t lineCount, uint16_t pixelFormat, const ColorTableData* colorTable)

// Mode 1, point sampling, for shrinking or 1:1 (Down) and for enlarging (Up).
// The 16-bit members serve 15 and 16 bits; the 8-bit members copy indexes.
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1DownDepth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1DownDepth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1DownDepth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1DownDepth32);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1UpDepth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1UpDepth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1UpDepth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode1UpDepth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1DownDepth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1DownDepth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1DownDepth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1DownDepth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1UpDepth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1UpDepth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1UpDepth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode1UpDepth32);

// Mode 2, area average over a power-of-two number of samples (for shrinking).
// Depth8Table averages palette colours and writes the nearest index; Depth8
// averages the bytes (grey maps).
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth8Table);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode2Depth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth8Table);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode2Depth32);

// Mode 3, linear interpolation between neighbours (for enlarging); the end
// pixels repeat at both edges.
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth8Table);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode3Depth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth8Table);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode3Depth32);

// Mode 9, pixel doubling: min(L, M / 2) source pixels each written twice; any
// further target pixel repeats the last source pixel used.
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode9Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode9Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode9Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode9Depth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode9Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode9Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode9Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode9Depth32);

// Mode 10, doubling with the in-between pixels (rows) the rounded-up mean of
// their neighbours. The 8-bit members average bytes (not for palette maps).
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode10Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode10Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode10Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode10Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleHorzMode10Depth32);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode10Depth8);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode10Depth15);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode10Depth16);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode10Depth24);
OSTREVAN_SCALE_ROUTINE(ScaleVertMode10Depth32);

#undef OSTREVAN_SCALE_ROUTINE
