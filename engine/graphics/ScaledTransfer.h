// Drawing a rectangle of pixels at another size in two passes: the rows are
// resampled into an intermediate map (target width, source height), then its
// columns into the target. Each pass picks a resampling row routine from the
// scale ratio of its direction, the depth and the pixel format, through the
// program-wide shrink, enlarge and doubling modes.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/ResamplingKernels.h"

class PixelMap;

// The program-wide mode settings (resampling modes 1, 2, 3, 9, 10; see
// ResamplingKernels.h). Shrink applies to ratios target / source of 1 or less,
// doubling to a ratio of exactly 2, enlarge to every other ratio above 1.
// Plain globals of the drawing thread; code that changes one for a while
// restores it afterwards.
extern int32_t ShrinkScaleMode;    // initially 2
extern int32_t EnlargeScaleMode;   // initially 3
extern int32_t DoublingScaleMode;  // initially 10

// Stores the doubling mode when it is 1, 3, 9 or 10 and ignores any other
// value; returns the previous doubling mode in either case.
int32_t SetDoublingScaleMode(int32_t mode);

// The row routine for resampling `sourceLength` pixels into `targetLength`
// along rows (horizontal) or columns (vertical), at depth 8, 15, 16, 24 or 32
// with that pixel format, by the mode the ratio selects. Null when that mode
// does not suit the ratio (2 only shrinks, 3 only enlarges), for any other
// mode or depth, and for empty lengths. An 8-bit palette map (format 2) in
// mode 10 gets the mode-9 routine: its in-between pixels cannot be averaged
// as indexes.
ScaleRowRoutine SelectHorizontalScaleRoutine(int32_t sourceLength, int32_t targetLength, int32_t depth,
                                             uint16_t pixelFormat);
ScaleRowRoutine SelectVerticalScaleRoutine(int32_t sourceLength, int32_t targetLength, int32_t depth,
                                           uint16_t pixelFormat);

// Clips a pair of rectangles for one pass against the source bounds (top-left
// at the origin) and the target bounds, carrying each cut across through
// `ratio` (target / source) along the pass and one to one across it.
// Cuts along the pass are rounded by adding 0.5 and truncating toward zero.
void ClipScaledRects(VRect& source, VRect& target, const VRect& sourceBounds, const VRect& targetBounds,
                     bool vertical, float ratio);

// A locked raster as a pass sees it. Nothing is owned.
struct ScaleRaster {
  uint8_t* rowZero = nullptr;  // the first pixel of picture row 0
  int32_t rowStep = 0;         // signed byte distance from one picture row to the next
  VRect bounds;                // (0, 0, width, height)
  int32_t depth = 0;           // 8, 15, 16, 24 or 32
  uint16_t pixelFormat = kFormatNone;
  const ColorTableData* colorTable = nullptr;  // the palette of an 8-bit raster, or null
};

// One pass over plain rasters: selects the routine (an 8-bit palette source
// without colours or nearest-index table is resampled by point sampling
// whatever the settings), clips, and runs the routine over the clipped rectangles. False
// when depth or format differ, a rectangle is empty or no routine suits; true
// with nothing drawn when clipping leaves nothing. Lines across the pass are
// limited to those both rectangles hold.
bool ScaleRasterHorizontally(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect,
                             VRect targetRect);
bool ScaleRasterVertically(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect,
                           VRect targetRect);

// The two passes on pixel maps. Horizontally: the rows of `sourceRect` are
// resampled to the width of `targetRect` (the target normally an intermediate
// map of target width and source height); vertically the columns, to the
// target height. False when the maps' pixel formats differ, 8-bit maps do not
// hold the same colour table, a rectangle is empty, no routine suits the
// ratio, or a map cannot be locked; true when drawn or when clipping leaves
// nothing to draw. The maps are locked only for the drawing.
bool ScaleImageHorizontally(PixelMap& source, PixelMap& target, const VRect& sourceRect, const VRect& targetRect);
bool ScaleImageVertically(PixelMap& source, PixelMap& target, const VRect& sourceRect, const VRect& targetRect);
