// Scale-mode settings, routine selection and the clipped two-pass transfer.
#include "engine/graphics/ScaledTransfer.h"

#include <cstddef>

#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"

int32_t ShrinkScaleMode = kScaleModeAreaAverage;
int32_t EnlargeScaleMode = kScaleModeLinear;
int32_t DoublingScaleMode = kScaleModeDoublingAverage;

int32_t SetDoublingScaleMode(int32_t mode) {
  const int32_t previous = DoublingScaleMode;
  if (mode == kScaleModePoint || mode == kScaleModeLinear || mode == kScaleModeDoubling ||
      mode == kScaleModeDoublingAverage)
    DoublingScaleMode = mode;
  return previous;
}

namespace {

// Columns of the routine tables: 8-bit palette (format 2), other 8-bit, 15, 16, 24, 32.
enum DepthColumn { kPalette8, kOther8, kDepth15, kDepth16, kDepth24, kDepth32, kColumnCount };

int32_t GetDepthColumn(int32_t depth, uint16_t pixelFormat) {
  switch (depth) {
    case 8: return pixelFormat == kFormatIndexed8 ? kPalette8 : kOther8;
    case 15: return kDepth15;
    case 16: return kDepth16;
    case 24: return kDepth24;
    case 32: return kDepth32;
    default: return -1;
  }
}

// One direction's routines by mode and depth column.
struct ScaleRoutineTable {
  ScaleRowRoutine pointDown[kColumnCount];
  ScaleRowRoutine pointUp[kColumnCount];
  ScaleRowRoutine areaAverage[kColumnCount];
  ScaleRowRoutine linear[kColumnCount];
  ScaleRowRoutine doubling[kColumnCount];
  ScaleRowRoutine doublingAverage[kColumnCount];
};

// Mode 10 of a palette map doubles without means (mode 9): averaging two
// palette indexes gives an unrelated colour.
constexpr ScaleRoutineTable kHorizontalRoutines = {
    {ScaleHorzMode1DownDepth8, ScaleHorzMode1DownDepth8, ScaleHorzMode1DownDepth16, ScaleHorzMode1DownDepth16,
     ScaleHorzMode1DownDepth24, ScaleHorzMode1DownDepth32},
    {ScaleHorzMode1UpDepth8, ScaleHorzMode1UpDepth8, ScaleHorzMode1UpDepth16, ScaleHorzMode1UpDepth16,
     ScaleHorzMode1UpDepth24, ScaleHorzMode1UpDepth32},
    {ScaleHorzMode2Depth8Table, ScaleHorzMode2Depth8, ScaleHorzMode2Depth15, ScaleHorzMode2Depth16,
     ScaleHorzMode2Depth24, ScaleHorzMode2Depth32},
    {ScaleHorzMode3Depth8Table, ScaleHorzMode3Depth8, ScaleHorzMode3Depth15, ScaleHorzMode3Depth16,
     ScaleHorzMode3Depth24, ScaleHorzMode3Depth32},
    {ScaleHorzMode9Depth8, ScaleHorzMode9Depth8, ScaleHorzMode9Depth16, ScaleHorzMode9Depth16,
     ScaleHorzMode9Depth24, ScaleHorzMode9Depth32},
    {ScaleHorzMode9Depth8, ScaleHorzMode10Depth8, ScaleHorzMode10Depth15, ScaleHorzMode10Depth16,
     ScaleHorzMode10Depth24, ScaleHorzMode10Depth32},
};

constexpr ScaleRoutineTable kVerticalRoutines = {
    {ScaleVertMode1DownDepth8, ScaleVertMode1DownDepth8, ScaleVertMode1DownDepth16, ScaleVertMode1DownDepth16,
     ScaleVertMode1DownDepth24, ScaleVertMode1DownDepth32},
    {ScaleVertMode1UpDepth8, ScaleVertMode1UpDepth8, ScaleVertMode1UpDepth16, ScaleVertMode1UpDepth16,
     ScaleVertMode1UpDepth24, ScaleVertMode1UpDepth32},
    {ScaleVertMode2Depth8Table, ScaleVertMode2Depth8, ScaleVertMode2Depth15, ScaleVertMode2Depth16,
     ScaleVertMode2Depth24, ScaleVertMode2Depth32},
    {ScaleVertMode3Depth8Table, ScaleVertMode3Depth8, ScaleVertMode3Depth15, ScaleVertMode3Depth16,
     ScaleVertMode3Depth24, ScaleVertMode3Depth32},
    {ScaleVertMode9Depth8, ScaleVertMode9Depth8, ScaleVertMode9Depth16, ScaleVertMode9Depth16,
     ScaleVertMode9Depth24, ScaleVertMode9Depth32},
    {ScaleVertMode9Depth8, ScaleVertMode10Depth8, ScaleVertMode10Depth15, ScaleVertMode10Depth16,
     ScaleVertMode10Depth24, ScaleVertMode10Depth32},
};

ScaleRowRoutine SelectScaleRoutine(const ScaleRoutineTable& table, int32_t sourceLength, int32_t targetLength,
                                   int32_t depth, uint16_t pixelFormat) {
  if (sourceLength <= 0 || targetLength <= 0) return nullptr;
  const int32_t column = GetDepthColumn(depth, pixelFormat);
  if (column < 0) return nullptr;
  const double ratio = static_cast<double>(targetLength) / static_cast<double>(sourceLength);
  const int32_t mode = ratio == 2.0 ? DoublingScaleMode : ratio > 1.0 ? EnlargeScaleMode : ShrinkScaleMode;
  switch (mode) {
    case kScaleModePoint: return ratio <= 1.0 ? table.pointDown[column] : table.pointUp[column];
    case kScaleModeAreaAverage: return ratio <= 1.0 ? table.areaAverage[column] : nullptr;
    case kScaleModeLinear: return ratio >= 1.0 ? table.linear[column] : nullptr;
    case kScaleModeDoubling: return table.doubling[column];
    case kScaleModeDoublingAverage: return table.doublingAverage[column];
    default: return nullptr;
  }
}

// v + 0.5 truncated toward zero.
int32_t RoundCut(double v) { return static_cast<int32_t>(v + 0.5); }

// The pixel at (x, y) of a raster.
uint8_t* RasterAddress(const ScaleRaster& raster, int32_t x, int32_t y) {
  const int32_t bytes = (raster.depth + 7) / 8;
  return raster.rowZero + static_cast<ptrdiff_t>(y) * raster.rowStep + static_cast<ptrdiff_t>(x) * bytes;
}

// Holds the three mode settings at point sampling for its lifetime.
class ScopedPointSampling {
 public:
  explicit ScopedPointSampling(bool active)
      : active_(active), shrink_(ShrinkScaleMode), enlarge_(EnlargeScaleMode), doubling_(DoublingScaleMode) {
    if (active_) ShrinkScaleMode = EnlargeScaleMode = DoublingScaleMode = kScaleModePoint;
  }
  ~ScopedPointSampling() {
    if (active_) {
      ShrinkScaleMode = shrink_;
      EnlargeScaleMode = enlarge_;
      DoublingScaleMode = doubling_;
    }
  }
  ScopedPointSampling(const ScopedPointSampling&) = delete;
  ScopedPointSampling& operator=(const ScopedPointSampling&) = delete;

 private:
  bool active_;
  int32_t shrink_, enlarge_, doubling_;
};

// What one pass will do once the pixels are addressable.
struct PreparedPass {
  ScaleRowRoutine routine = nullptr;
  VRect source, target;
  int32_t sourceLength = 0, targetLength = 0, lines = 0;
};
enum class PassPlan { kRefused, kNothingToDraw, kDraw };

// Checks the pair, selects the routine and clips; the rasters' pixels are not read.
PassPlan PreparePass(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect, VRect targetRect,
                     bool vertical, PreparedPass& out) {
  if (source.pixelFormat != target.pixelFormat || source.depth != target.depth) return PassPlan::kRefused;
  if (sourceRect.IsEmpty() || targetRect.IsEmpty()) return PassPlan::kRefused;

  const int32_t sourceLength = vertical ? sourceRect.GetHeight() : sourceRect.GetWidth();
  const int32_t targetLength = vertical ? targetRect.GetHeight() : targetRect.GetWidth();
  const float ratio = static_cast<float>(static_cast<double>(targetLength) / static_cast<double>(sourceLength));

  // The palette routines need the colours and the nearest-index table; without
  // them only point sampling, which copies indexes, can draw. Grey maps mix
  // their bytes directly and need no table.
  const bool noPalette = source.depth == 8 && source.pixelFormat == kFormatIndexed8 &&
                         (!source.colorTable || !source.colorTable->colors || !source.colorTable->nearestIndex);
  {
    ScopedPointSampling override(noPalette);
    out.routine = vertical
                      ? SelectVerticalScaleRoutine(sourceLength, targetLength, source.depth, source.pixelFormat)
                      : SelectHorizontalScaleRoutine(sourceLength, targetLength, source.depth, source.pixelFormat);
  }
  if (!out.routine) return PassPlan::kRefused;

  ClipScaledRects(sourceRect, targetRect, source.bounds, target.bounds, vertical, ratio);
  if (sourceRect.IsEmpty() || targetRect.IsEmpty()) return PassPlan::kNothingToDraw;

  // Across the pass the rectangles map one to one; draw only the lines both
  // hold, so that a shorter target is never written past its end.
  out.source = sourceRect;
  out.target = targetRect;
  if (vertical) {
    out.sourceLength = sourceRect.GetHeight();
    out.targetLength = targetRect.GetHeight();
    out.lines = sourceRect.GetWidth() < targetRect.GetWidth() ? sourceRect.GetWidth() : targetRect.GetWidth();
  } else {
    out.sourceLength = sourceRect.GetWidth();
    out.targetLength = targetRect.GetWidth();
    out.lines = sourceRect.GetHeight() < targetRect.GetHeight() ? sourceRect.GetHeight() : targetRect.GetHeight();
  }
  return PassPlan::kDraw;
}

void RunPass(const ScaleRaster& source, const ScaleRaster& target, const PreparedPass& pass) {
  pass.routine(RasterAddress(source, pass.source.left, pass.source.top), source.rowStep, pass.sourceLength,
               RasterAddress(target, pass.target.left, pass.target.top), target.rowStep, pass.targetLength,
               pass.lines, source.pixelFormat, source.colorTable);
}

bool ScaleRaster1D(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect, VRect targetRect,
                   bool vertical) {
  if (!source.rowZero || !target.rowZero) return false;
  PreparedPass pass;
  const PassPlan plan = PreparePass(source, target, sourceRect, targetRect, vertical, pass);
  if (plan == PassPlan::kDraw) RunPass(source, target, pass);
  return plan != PassPlan::kRefused;
}

// The pass on two pixel maps: the maps must share the pixel format and, at
// 8 bits, the colour table object. Both are locked (source first) only when
// something is drawn; a map that cannot be locked or has no pixels refuses.
bool ScaleImage1D(PixelMap& source, PixelMap& target, const VRect& sourceRect, const VRect& targetRect,
                  bool vertical) {
  if (source.GetPixelFormat() != target.GetPixelFormat()) return false;
  VColorTable* table = source.PeekColorTable();
  if (source.GetDepth() == 8 && table != target.PeekColorTable()) return false;

  ColorTableData tableData;
  ScaleRaster s, t;
  s.bounds = source.GetBounds();
  s.depth = source.GetDepth();
  s.pixelFormat = source.GetPixelFormat();
  if (table) {
    tableData = table->GetColorTableData(false);
    s.colorTable = &tableData;
  }
  t.bounds = target.GetBounds();
  t.depth = target.GetDepth();
  t.pixelFormat = target.GetPixelFormat();
  t.colorTable = s.colorTable;

  PreparedPass pass;
  const PassPlan plan = PreparePass(s, t, sourceRect, targetRect, vertical, pass);
  if (plan != PassPlan::kDraw) return plan == PassPlan::kNothingToDraw;

  PixelMapLock sourceLock(&source);
  PixelMapLock targetLock(&target);
  s.rowZero = source.GetPixelAddress(VPoint(0, 0));
  t.rowZero = target.GetPixelAddress(VPoint(0, 0));
  if (!sourceLock.IsLocked() || !targetLock.IsLocked() || !s.rowZero || !t.rowZero) return false;
  s.rowStep = source.IsDibSection() ? -source.GetRowBytes() : source.GetRowBytes();
  t.rowStep = target.IsDibSection() ? -target.GetRowBytes() : target.GetRowBytes();
  RunPass(s, t, pass);
  return true;
}

}  // namespace

ScaleRowRoutine SelectHorizontalScaleRoutine(int32_t sourceLength, int32_t targetLength, int32_t depth,
                                             uint16_t pixelFormat) {
  return SelectScaleRoutine(kHorizontalRoutines, sourceLength, targetLength, depth, pixelFormat);
}

ScaleRowRoutine SelectVerticalScaleRoutine(int32_t sourceLength, int32_t targetLength, int32_t depth,
                                           uint16_t pixelFormat) {
  return SelectScaleRoutine(kVerticalRoutines, sourceLength, targetLength, depth, pixelFormat);
}

void ClipScaledRects(VRect& source, VRect& target, const VRect& sourceBounds, const VRect& targetBounds,
                     bool vertical, float ratio) {
  const double r = ratio;
  const double inverse = 1.0 / ratio;
  // Edges along the pass move through the ratio, edges across it one to one.
  // Written for the horizontal pass; the vertical pass exchanges x and y.
  int32_t& sLeft = vertical ? source.top : source.left;
  int32_t& sRight = vertical ? source.bottom : source.right;
  int32_t& sTop = vertical ? source.left : source.top;
  int32_t& sBottom = vertical ? source.right : source.bottom;
  int32_t& tLeft = vertical ? target.top : target.left;
  int32_t& tRight = vertical ? target.bottom : target.right;
  int32_t& tTop = vertical ? target.left : target.top;
  int32_t& tBottom = vertical ? target.right : target.bottom;
  const int32_t sBoundRight = vertical ? sourceBounds.bottom : sourceBounds.right;
  const int32_t sBoundBottom = vertical ? sourceBounds.right : sourceBounds.bottom;
  const int32_t tBoundLeft = vertical ? targetBounds.top : targetBounds.left;
  const int32_t tBoundTop = vertical ? targetBounds.left : targetBounds.top;
  const int32_t tBoundRight = vertical ? targetBounds.bottom : targetBounds.right;
  const int32_t tBoundBottom = vertical ? targetBounds.right : targetBounds.bottom;

  if (sLeft < 0) {
    tLeft -= RoundCut(sLeft * r);
    sLeft = 0;
  }
  if (sTop < 0) {
    tTop -= sTop;
    sTop = 0;
  }
  if (tLeft < tBoundLeft) {
    sLeft -= RoundCut((tLeft - tBoundLeft) * inverse);
    tLeft = tBoundLeft;
  }
  if (tTop < tBoundTop) {
    sTop += tBoundTop - tTop;
    tTop = tBoundTop;
  }
  if (sRight > sBoundRight) {
    tRight -= RoundCut((sRight - sBoundRight) * r);
    sRight = sBoundRight;
  }
  if (sBottom > sBoundBottom) {
    tBottom += sBoundBottom - sBottom;
    sBottom = sBoundBottom;
  }
  if (tRight > tBoundRight) {
    sRight -= RoundCut((tRight - tBoundRight) * inverse);
    tRight = tBoundRight;
  }
  if (tBottom > tBoundBottom) {
    sBottom += tBoundBottom - tBottom;
    tBottom = tBoundBottom;
  }
}

bool ScaleRasterHorizontally(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect,
                             VRect targetRect) {
  return ScaleRaster1D(source, target, sourceRect, targetRect, false);
}

bool ScaleRasterVertically(const ScaleRaster& source, const ScaleRaster& target, VRect sourceRect,
                           VRect targetRect) {
  return ScaleRaster1D(source, target, sourceRect, targetRect, true);
}

bool ScaleImageHorizontally(PixelMap& source, PixelMap& target, const VRect& sourceRect, const VRect& targetRect) {
  return ScaleImage1D(source, target, sourceRect, targetRect, false);
}

bool ScaleImageVertically(PixelMap& source, PixelMap& target, const VRect& sourceRect, const VRect& targetRect) {
  return ScaleImage1D(source, target, sourceRect, targetRect, true);
}
