#include "engine/panorama/PanoramaRenderer.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstdlib>
#include <cmath>
#include <numbers>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "engine/panorama/PanoramaTables.h"
#include "platform/Processor.h"

namespace {

constexpr double kPi = std::numbers::pi;
// The width of a full turn as the bubble space holds it (a float).
constexpr float kTwoPiF = 2 * std::numbers::pi_v<float>;
constexpr int32_t kTableEntries = 8192;
// Screen rows above and below a visible pole that are mapped per pixel.
constexpr int32_t kBandHalfHeight = 32;
// Entries before and after a row's nodes (see BuildGrid).
constexpr int32_t kNodePadding = 16;

int32_t BytesPerPixelOf(int32_t depth) { return depth == 32 ? 4 : 2; }

}  // namespace

PanoramaRenderer::PanoramaRenderer() {
  if (AcquirePanoramaTables() != nullptr) {
    haveTables_ = true;
    BuildSineTable(kTableEntries);
    BuildArcsineTable(kTableEntries);
    BuildCosecantTable(kTableEntries);
  }
}

PanoramaRenderer::~PanoramaRenderer() {
  if (haveTables_) ReleasePanoramaTables();
}

bool PanoramaRenderer::IsUsableMap(const PanoramaRaster& map) {
  if (map.pixels == nullptr) return false;
  if (map.depth != 15 && map.depth != 16 && map.depth != 32) return false;
  if (map.width < kMinimumMapWidth || map.width > kMaximumMapWidth || !std::has_single_bit(static_cast<uint32_t>(map.width))) {
    return false;
  }
  if (map.rowBytes != map.width * BytesPerPixelOf(map.depth)) return false;
  return map.height >= 3 && map.height <= kMaximumMapWidth + 1 && int64_t{map.height} * map.rowBytes < (int64_t{1} << 31);
}

float PanoramaRenderer::PoleScreenRow(float pitch, float focal) {
  if (pitch == 0.0f) return FLT_MAX;
  const double p = pitch;
  const double row = std::sin(p) < 0 ? focal * std::tan(-kPi / 2 - p) + 0.5 : focal * std::tan(kPi / 2 - p) + 0.5;
  if (!std::isfinite(row)) return FLT_MAX;
  return static_cast<float>(std::clamp(row, -1e30, 1e30));
}

PanoramaRenderer::Node PanoramaRenderer::ToNode(double latitude, double longitude, const Key& key) const {
  const int32_t composedRows = key.mapRows - 1;
  const double rowsPerRadian = (composedRows - 3) / static_cast<double>(key.verticalRange);
  const int64_t offset = key.quality ? 0 : 32768;
  const int64_t latitudeFixed = static_cast<int64_t>(latitude * rowsPerRadian * 65536.0 + 0.5) + offset;
  const int64_t y = latitudeFixed;
  const int64_t x = static_cast<int64_t>(longitude * key.mapWidth / static_cast<double>(kTwoPiF) * 65536.0 + 0.5);
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

PanoramaRenderer::Node PanoramaRenderer::MapExact(double x, double y, const Key& key, double sinP, double cosP) const {
  const double f = key.focal;
  const double vertical = y * cosP + f * sinP;
  const double forward = f * cosP - y * sinP;
  const double length = std::sqrt(x * x + y * y + f * f);
  const double latitude = std::asin(std::clamp(vertical / length, -1.0, 1.0));
  double longitude = (x == 0.0 && forward == 0.0) ? 0.0 : std::atan2(x, forward);
  // Over the pole the longitudes run from pi/2 to 3pi/2, as the table rows hold them.
  if (longitude < -kPi / 2) longitude += 2 * kPi;
  return ToNode(latitude, longitude, key);
}

PanoramaRenderer::Node PanoramaRenderer::MapFromTables(float x, float y, float inverseLength, const Key& key, float s,
                                                       float c) const {
  const float latitude = FastArcsine((y * c + s) * inverseLength);
  float longitude = FastArcsine((x * inverseLength) * FastSecant(latitude));
  // A ray that passes over the pole looks back: its longitude is mirrored.
  if (key.focal * c - y * std::sin(key.pitch) < 0.0f) longitude = static_cast<float>(kPi) - longitude;
  return ToNode(latitude, longitude, key);
}

void PanoramaRenderer::BuildGrid(const Key& key) {
  ++gridBuilds_;
  const int32_t cx = key.width / 2;
  const int32_t cy = key.height / 2;
  halfColumns_ = std::max({1, (cx + kGrid - 1) / kGrid, (key.width - cx + kGrid - 1) / kGrid});
  gridRows_ = (key.height - 1) / kGrid + 3;
  const size_t columns = static_cast<size_t>(halfColumns_) + 1;
  inverseLength_.assign(columns * static_cast<size_t>(gridRows_), 0.0f);
  grid_.assign(columns * static_cast<size_t>(gridRows_), Node{0, 0});
  const float f = key.focal;
  for (int32_t k = 0; k < gridRows_; ++k) {
    const float y = static_cast<float>(-cy - kGrid + kGrid * k);
    for (size_t m = 0; m < columns; ++m) {
      const float x = static_cast<float>(kGrid * static_cast<int32_t>(m));
      inverseLength_[static_cast<size_t>(k) * columns + m] = 1.0f / std::sqrt(x * x + y * y + f * f);
    }
  }
  const double sinP = std::sin(static_cast<double>(key.pitch));
  const double cosP = std::cos(static_cast<double>(key.pitch));
  const float s = static_cast<float>(f * sinP);
  const float c = static_cast<float>(cosP);
  const float pole = PoleScreenRow(key.pitch, key.focal);
  const bool poleNear = -(key.height / 2.0f + kGrid) <= pole && pole < key.height / 2.0f + kGrid;
  // Grid rows next to the pole are mapped exactly: the tables are coarse there.
  int32_t exactFirst = 1;
  int32_t exactLast = 0;
  if (poleNear) {
    const int32_t k0 = static_cast<int32_t>(std::floor((pole + cy + kGrid) / kGrid));
    exactFirst = k0 - 1;
    exactLast = k0 + 2;
  }
  for (int32_t k = 0; k < gridRows_; ++k) {
    const double y = -cy - kGrid + kGrid * k;
    const bool exact = (k >= exactFirst && k <= exactLast) || !haveTables_;
    for (size_t m = 0; m < columns; ++m) {
      const double x = kGrid * static_cast<double>(m);
      const size_t at = static_cast<size_t>(k) * columns + m;
      grid_[at] = exact ? MapExact(x, y, key, sinP, cosP)
                        : MapFromTables(static_cast<float>(x), static_cast<float>(y), inverseLength_[at], key, s, c);
    }
  }
  band_.clear();
  bandTop_ = bandEnd_ = 0;
  if (poleNear) {
    const int32_t poleRow = cy + static_cast<int32_t>(std::floor(pole));
    bandTop_ = std::clamp(poleRow - kBandHalfHeight, 0, key.height);
    bandEnd_ = std::clamp(poleRow + kBandHalfHeight, 0, key.height);
    band_.resize(static_cast<size_t>(bandEnd_ - bandTop_) * static_cast<size_t>(key.width));
    size_t at = 0;
    for (int32_t r = bandTop_; r < bandEnd_; ++r) {
      for (int32_t col = 0; col < key.width; ++col) band_[at++] = MapExact(col - cx, r - cy, key, sinP, cosP);
    }
  }
  // Padded at both ends for the sixteen-wide stores of the nodes.
  nodeX_.assign(static_cast<size_t>(2 * halfColumns_ + 1 + 2 * kNodePadding), 0);
  nodeY_.assign(static_cast<size_t>(2 * halfColumns_ + 1 + 2 * kNodePadding), 0);
  // The screen columns of the blocks between neighbouring nodes, clipped to
  // the screen: the same for every row. Those left non-empty are adjacent.
  blockSkip_.assign(static_cast<size_t>(2 * halfColumns_), 0);
  blockCount_.assign(static_cast<size_t>(2 * halfColumns_), 0);
  blocksBegin_ = blocksEnd_ = 0;
  rowStart_ = 0;
  bool first = true;
  for (int32_t i = 0; i < 2 * halfColumns_; ++i) {
    const int32_t blockLeft = cx + kGrid * (i - halfColumns_);
    const int32_t begin = std::max(blockLeft, 0);
    const int32_t end = std::min(blockLeft + kGrid, key.width);
    if (end <= begin) continue;
    if (first) {
      blocksBegin_ = i;
      rowStart_ = begin;
      first = false;
    }
    blocksEnd_ = i + 1;
    blockSkip_[static_cast<size_t>(i)] = begin - blockLeft;
    blockCount_[static_cast<size_t>(i)] = end - begin;
  }
  rowRuns_.assign(static_cast<size_t>(blocksEnd_ - blocksBegin_), PanoramaRun{});
  rowClamps_.assign(static_cast<size_t>(blocksEnd_ - blocksBegin_), 0);
  rowColumnStride_ = (blocksEnd_ - blocksBegin_ + 15) & ~15;
  rowColumns_.assign(static_cast<size_t>(rowColumnStride_) * 5, 0);
  key_ = key;
  gridValid_ = true;
}

bool PanoramaRenderer::Render(const PanoramaRaster& map, float verticalRange, const PanoramaRaster& target,
                              const PanoramaCamera& camera) {
  if (!IsUsableMap(map)) return false;
  if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 || target.depth != map.depth) return false;
  if (std::abs(int64_t{target.rowBytes}) < int64_t{target.width} * BytesPerPixelOf(target.depth)) return false;
  if (!std::isfinite(camera.yaw) || !std::isfinite(camera.pitch) || !(camera.focal > 0.0f) ||
      !std::isfinite(camera.focal) || !(verticalRange > 0.0f) || !std::isfinite(verticalRange)) {
    return false;
  }
  Key key;
  key.pitch = camera.pitch;
  key.focal = camera.focal;
  key.verticalRange = verticalRange;
  key.width = target.width;
  key.height = target.height;
  key.mapWidth = map.width;
  key.mapRows = map.height;
  key.log2RowBytes = std::countr_zero(static_cast<uint32_t>(map.rowBytes));
  key.quality = camera.quality;
  if (!gridValid_ || !(key == key_)) BuildGrid(key);

  PanoramaSampleSource source;
  source.map = map.pixels;
  source.rowBytes = map.rowBytes;
  source.columnMask = static_cast<uint32_t>(map.width - 1);
  source.maxY = ((map.height - (camera.quality ? 2 : 1)) << 16) + 0xFFFF;
  PanoramaKernelKind kind;
  if (camera.quality) {
    kind = map.depth == 32 ? kPanoramaQuality32 : (map.depth == 15 ? kPanoramaQuality15 : kPanoramaQuality16);
  } else {
    kind = map.depth == 32 ? kPanoramaFast32 : kPanoramaFast16;
  }
  // The yaw as a column offset; a whole turn is a whole number of map widths,
  // so the mask below makes yaw and yaw + 2pi the same frame.
  const double turns = static_cast<double>(camera.yaw) / static_cast<double>(kTwoPiF);
  const double columns = std::fmod(turns, 1.0) * map.width * 65536.0;
  uint32_t x0 = static_cast<uint32_t>(static_cast<int64_t>(std::trunc(columns + (columns >= 0 ? 0.5 : -0.5))));
  if (!camera.quality) x0 += 32768;
  const int32_t origin = ((map.height - 1) / 2) << 16;
  DrawRows(source, kind, target, x0, origin, 0, target.height);
  DrawBand(source, kind, target, x0, origin);
  return true;
}

#if defined(__x86_64__) || defined(__i386__)
#define OSTREVAN_RUN_COLUMNS_AVX512 1
OSTREVAN_AVX512_CODE_BEGIN

namespace {

// The runs of the blocks between neighbouring nodes as columns, sixteen
// blocks at a time, with the arithmetic of DrawRows' loop over the blocks
// (the same bits). `columns` holds x, y, stepX, stepY and count, `stride`
// entries apart, a multiple of 16 at least `blocks`.
__attribute__((target("avx2,avx512f"))) void BuildRunColumnsAvx512(const uint32_t* nodeX, const int32_t* nodeY,
                                                                     const int32_t* skips, const int32_t* counts,
                                                                     int32_t blocks, uint32_t turn, int32_t* columns,
                                                                     int32_t stride) {
  const __m512i halfTurn = _mm512_set1_epi32(static_cast<int32_t>(turn >> 1));
  const __m512i turnMask = _mm512_set1_epi32(static_cast<int32_t>(turn - 1));
  for (int32_t n = 0; n < blocks; n += 16) {
    const __mmask16 lanes = blocks - n >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << (blocks - n)) - 1u);
    const __m512i x0 = _mm512_maskz_loadu_epi32(lanes, nodeX + n);
    const __m512i x1 = _mm512_maskz_loadu_epi32(lanes, nodeX + n + 1);
    const __m512i y0 = _mm512_maskz_loadu_epi32(lanes, nodeY + n);
    const __m512i y1 = _mm512_maskz_loadu_epi32(lanes, nodeY + n + 1);
    const __m512i skip = _mm512_maskz_loadu_epi32(lanes, skips + n);
    const __m512i dx =
        _mm512_sub_epi32(_mm512_and_si512(_mm512_add_epi32(_mm512_sub_epi32(x1, x0), halfTurn), turnMask), halfTurn);
    const __m512i stepX = _mm512_srai_epi32(dx, 4);
    const __m512i stepY = _mm512_srai_epi32(_mm512_sub_epi32(y1, y0), 4);
    int32_t* at = columns + n;
    _mm512_storeu_si512(at, _mm512_add_epi32(x0, _mm512_mullo_epi32(skip, stepX)));
    _mm512_storeu_si512(at + stride, _mm512_add_epi32(y0, _mm512_mullo_epi32(skip, stepY)));
    _mm512_storeu_si512(at + 2 * stride, stepX);
    _mm512_storeu_si512(at + 3 * stride, stepY);
    _mm512_storeu_si512(at + 4 * stride, _mm512_maskz_loadu_epi32(lanes, counts + n));
  }
}

// A screen row's nodes as DrawRows' loop over the grid columns works them
// out (the same bits), sixteen grid columns at a time: column m of the grid
// rows `upper` and `upper` + `columns` (pairs of x and y), weighted j
// sixteenths of the way down, at nodeX / nodeY[half + m] and, x mirrored, at
// [half - m]. The node arrays have 15 entries to spare at either end.
__attribute__((target("avx2,avx512f"))) void InterpolateNodesAvx512(const int32_t* upper, size_t columns, int32_t half,
                                                                      int32_t j, uint32_t x0, int32_t origin,
                                                                      uint32_t* nodeX, int32_t* nodeY) {
  const __m512i weight = _mm512_set1_epi32(j);
  const __m512i xs = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i ys = _mm512_add_epi32(xs, _mm512_set1_epi32(1));
  const __m512i reverse = _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __m512i left = _mm512_set1_epi32(static_cast<int32_t>(x0));
  const __m512i down = _mm512_set1_epi32(origin);
  const int32_t* lower = upper + 2 * columns;
  for (int32_t m = 0; m <= half; m += 16) {
    const int32_t nodes = std::min(half + 1 - m, 16);
    const auto pairs = [&](const int32_t* row, int32_t first) __attribute__((target("avx2,avx512f"))) {
      const int32_t count = std::clamp(nodes - first, 0, 8);
      const __mmask16 lanes = static_cast<__mmask16>((1u << (2 * count)) - 1u);
      return _mm512_maskz_loadu_epi32(lanes, row + 2 * (m + first));
    };
    const auto blend = [&](int32_t first) __attribute__((target("avx2,avx512f"))) {
      const __m512i a = pairs(upper, first);
      const __m512i b = pairs(lower, first);
      return _mm512_add_epi32(a, _mm512_mullo_epi32(weight, _mm512_srai_epi32(_mm512_sub_epi32(b, a), 4)));
    };
    const __m512i low = blend(0);
    const __m512i high = blend(8);
    const __m512i x = _mm512_permutex2var_epi32(low, xs, high);
    const __m512i y = _mm512_add_epi32(down, _mm512_permutex2var_epi32(low, ys, high));
    const __mmask16 right = static_cast<__mmask16>((1u << nodes) - 1u);
    _mm512_mask_storeu_epi32(nodeX + half + m, right, _mm512_add_epi32(left, x));
    _mm512_mask_storeu_epi32(nodeY + half + m, right, y);
    // Node half - m - t in lane 15 - t.
    const __mmask16 mirrored = static_cast<__mmask16>(right << (16 - nodes));
    _mm512_mask_storeu_epi32(nodeX + half - m - 15, mirrored,
                             _mm512_permutexvar_epi32(reverse, _mm512_sub_epi32(left, x)));
    _mm512_mask_storeu_epi32(nodeY + half - m - 15, mirrored, _mm512_permutexvar_epi32(reverse, y));
  }
}

}  // namespace

OSTREVAN_AVX512_CODE_END
#endif

void PanoramaRenderer::DrawRows(const PanoramaSampleSource& source, PanoramaKernelKind kind, const PanoramaRaster& target,
                                uint32_t x0, int32_t origin, int32_t firstRow, int32_t endRow) {
  const int32_t K = halfColumns_;
  const size_t columns = static_cast<size_t>(K) + 1;
  const uint32_t turn = static_cast<uint32_t>(key_.mapWidth) << 16;
  const uint32_t halfTurn = turn >> 1;
  const int32_t bytes = BytesPerPixelOf(target.depth);
  // Locals, so that the stores into the runs need not reload them.
  uint32_t* const nodeX = nodeX_.data() + kNodePadding;
  int32_t* const nodeY = nodeY_.data() + kNodePadding;
  const int32_t* const skips = blockSkip_.data();
  const int32_t* const counts = blockCount_.data();
  PanoramaRun* const runs = rowRuns_.data();
  uint8_t* const clamps = rowClamps_.data();
  const int32_t begin = blocksBegin_;
  const int32_t blocks = blocksEnd_ - blocksBegin_;
  const auto maxY = static_cast<uint32_t>(source.maxY);
#ifdef OSTREVAN_RUN_COLUMNS_AVX512
  // At AVX-512 the runs are taken as columns, built sixteen at a time.
  const bool nearestColumns = CanRunPanoramaNearestColumns(kind, source);
  const bool asColumns = nearestColumns || CanRunPanoramaBilinearColumns(kind, source);
  int32_t* const columnData = rowColumns_.data();
  const int32_t stride = rowColumnStride_;
  PanoramaRunColumns asRuns;
  asRuns.x = reinterpret_cast<const uint32_t*>(columnData);
  asRuns.y = columnData + stride;
  asRuns.stepX = columnData + 2 * stride;
  asRuns.stepY = columnData + 3 * stride;
  asRuns.count = columnData + 4 * stride;
#endif
  for (int32_t r = firstRow; r < endRow; ++r) {
    if (r >= bandTop_ && r < bandEnd_) continue;  // drawn by the band
    const int32_t k = r / kGrid + 1;
    const int32_t j = r % kGrid;
    const Node* row0 = &grid_[static_cast<size_t>(k) * columns];
    const Node* row1 = row0 + columns;
#ifdef OSTREVAN_RUN_COLUMNS_AVX512
    if (asColumns) {
      static_assert(sizeof(Node) == 2 * sizeof(int32_t));
      InterpolateNodesAvx512(&row0->x, columns, K, j, x0, origin, nodeX, nodeY);
      if (blocks > 0) {
        BuildRunColumnsAvx512(nodeX + begin, nodeY + begin, skips + begin, counts + begin, blocks, turn, columnData,
                              stride);
        uint8_t* out = target.pixels + static_cast<ptrdiff_t>(r) * target.rowBytes;
        uint8_t* const first = out + static_cast<ptrdiff_t>(rowStart_) * bytes;
        if (nearestColumns) {
          RunPanoramaNearestColumns(kind, source, asRuns, blocks, first);
        } else {
          RunPanoramaBilinearColumns(kind, source, asRuns, blocks, first);
        }
      }
      continue;
    }
#endif
    for (int32_t m = 0; m <= K; ++m) {
      const Node& a = row0[m];
      const Node& b = row1[m];
      const int32_t x = a.x + j * ((b.x - a.x) >> 4);
      const int32_t y = a.y + j * ((b.y - a.y) >> 4);
      nodeX[K + m] = x0 + static_cast<uint32_t>(x);
      nodeX[K - m] = x0 - static_cast<uint32_t>(x);
      nodeY[K + m] = origin + y;
      nodeY[K - m] = origin + y;
    }
    for (int32_t n = 0; n < blocks; ++n) {
      const int32_t i = begin + n;
      // The horizontal step the short way round the map (a turn is a power
      // of two of at most 2^30, so the 32-bit difference has the right bits).
      const uint32_t dx = ((nodeX[i + 1] - nodeX[i] + halfTurn) & (turn - 1)) - halfTurn;
      PanoramaRun run;
      run.stepX = static_cast<int32_t>(dx) >> 4;
      run.stepY = (nodeY[i + 1] - nodeY[i]) >> 4;
      const int32_t skip = skips[i];
      run.x = nodeX[i] + static_cast<uint32_t>(skip * run.stepX);
      run.y = nodeY[i] + skip * run.stepY;
      run.count = counts[i];
      // Both ends inside [0, maxY]: maxY < 2^30 and |(count - 1) x stepY| < 2^31, so the
      // last row leaves the range exactly when its 32-bit unsigned sum does.
      const auto firstY = static_cast<uint32_t>(run.y);
      const uint32_t lastY = firstY + static_cast<uint32_t>(run.count - 1) * static_cast<uint32_t>(run.stepY);
      runs[n] = run;
      clamps[n] = firstY <= maxY && lastY <= maxY ? 0 : 1;
    }
    // The blocks cover the row from its first column on, one after the other.
    if (blocks > 0) {
      uint8_t* out = target.pixels + static_cast<ptrdiff_t>(r) * target.rowBytes;
      RunPanoramaKernels(kind, source, runs, clamps, blocks, out + static_cast<ptrdiff_t>(rowStart_) * bytes);
    }
  }
}

void PanoramaRenderer::DrawBand(const PanoramaSampleSource& source, PanoramaKernelKind kind, const PanoramaRaster& target,
                                uint32_t x0, int32_t origin) {
  if (band_.empty()) return;
  const int32_t bytes = BytesPerPixelOf(target.depth);
  const Node* node = band_.data();
  for (int32_t r = bandTop_; r < bandEnd_; ++r) {
    uint8_t* out = target.pixels + static_cast<ptrdiff_t>(r) * target.rowBytes;
    for (int32_t col = 0; col < target.width; ++col, ++node) {
      PanoramaRun run{x0 + static_cast<uint32_t>(node->x), origin + node->y, 0, 0, 1};
      RunPanoramaKernel(kind, source, run, out + static_cast<ptrdiff_t>(col) * bytes, true);
    }
  }
}

bool PanoramaRenderer::MapPositionAt(int32_t column, int32_t row, int64_t& x, int64_t& y) const {
  if (!gridValid_ || column < 0 || row < 0 || column >= key_.width || row >= key_.height) return false;
  if (row >= bandTop_ && row < bandEnd_) {
    const Node& n = band_[static_cast<size_t>(row - bandTop_) * static_cast<size_t>(key_.width) + static_cast<size_t>(column)];
    x = n.x;
    y = n.y;
    return true;
  }
  const size_t columns = static_cast<size_t>(halfColumns_) + 1;
  const int32_t k = row / kGrid + 1;
  const int32_t j = row % kGrid;
  const int32_t cx = key_.width / 2;
  const int32_t offset = column - cx;
  const int32_t m = offset >= 0 ? offset / kGrid : -((-offset + kGrid - 1) / kGrid);
  auto nodeAt = [&](int32_t mm, int64_t& nx, int64_t& ny) {
    const size_t idx = static_cast<size_t>(std::abs(mm));
    const Node& a = grid_[static_cast<size_t>(k) * columns + idx];
    const Node& b = grid_[static_cast<size_t>(k + 1) * columns + idx];
    const int32_t vx = a.x + j * ((b.x - a.x) >> 4);
    nx = mm >= 0 ? vx : -int64_t{vx};
    ny = a.y + j * ((b.y - a.y) >> 4);
  };
  int64_t ax, ay, bx, by;
  nodeAt(m, ax, ay);
  nodeAt(m + 1, bx, by);
  const int32_t within = offset - kGrid * m;
  x = ax + within * ((bx - ax) >> 4);
  y = ay + within * ((by - ay) >> 4);
  return true;
}
