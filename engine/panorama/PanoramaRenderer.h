// The projection of an equirectangular panorama map through a perspective
// camera: the exact mapping evaluated on a 16 x 16 pixel grid (rebuilt only
// when pitch, size, focal length, map layout or quality change), linear
// interpolation between grid points in 16.16 fixed point, the yaw as one
// added offset, and an exactly mapped band of rows around a visible pole.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/panorama/PanoramaKernels.h"

// Pixels as the renderer sees them. For the map, `height` is the number of
// rows stored (the composed rows plus one spare row for the bilinear reads).
struct PanoramaRaster {
  uint8_t* pixels = nullptr;
  int32_t rowBytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;  // 15, 16 or 32
};

// Where the camera looks and how.
struct PanoramaCamera {
  float yaw = 0.0f;        // radians; 0 is the map's left edge
  float pitch = 0.0f;      // radians; grows downwards
  float focal = 0.0f;      // pixels
  bool quality = true;     // bilinear (true) or nearest (fast frames)
};

class PanoramaRenderer {
 public:
  // The widest map the projection addresses (16.16 columns stay inside 32 bits).
  static constexpr int32_t kMaximumMapWidth = 16384;
  static constexpr int32_t kMinimumMapWidth = 64;
  static constexpr int32_t kGrid = 16;

  PanoramaRenderer();
  ~PanoramaRenderer();
  PanoramaRenderer(const PanoramaRenderer&) = delete;
  PanoramaRenderer& operator=(const PanoramaRenderer&) = delete;

  // Whether the map can be projected: depth 15, 16 or 32, width a power of two
  // in [64, 16384], rows exactly width x bytes per pixel, at least 3 rows.
  static bool IsUsableMap(const PanoramaRaster& map);
  // The screen row of the visible pole relative to the centre row (the
  // largest float at pitch 0).
  static float PoleScreenRow(float pitch, float focal);

  // Projects the map (2pi wide, `verticalRange` radians high around the
  // middle of its composed rows = rows - 1) into the target. False, drawing
  // nothing, when the map or the target cannot be used (other depths, depth
  // mismatch, empty, non-finite camera).
  bool Render(const PanoramaRaster& map, float verticalRange, const PanoramaRaster& target,
              const PanoramaCamera& camera);

  // How many times the mapping grid was computed.
  int32_t GetGridBuildCount() const { return gridBuilds_; }
  // Forgets the grid (the next frame computes it again).
  void Invalidate() { gridValid_ = false; }

  // The grid's map position (16.16 column without the yaw, 16.16 row
  // relative to the middle row) of a screen point of
  // the last frame, as the kernels interpolate it. For tests.
  bool MapPositionAt(int32_t column, int32_t row, int64_t& x, int64_t& y) const;

 private:
  struct Node {
    int32_t x;  // 16.16 map columns, right half
    int32_t y;  // 16.16 rows from the middle row
  };
  struct Key {
    float pitch = 0;
    float focal = 0;
    float verticalRange = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t mapWidth = 0;
    int32_t mapRows = 0;
    int32_t log2RowBytes = 0;
    bool quality = false;
    bool operator==(const Key&) const = default;
  };

  void BuildGrid(const Key& key);
  Node MapExact(double x, double y, const Key& key, double sinP, double cosP) const;
  Node MapFromTables(float x, float y, float inverseLength, const Key& key, float s, float c) const;
  Node ToNode(double latitude, double longitude, const Key& key) const;
  void DrawRows(const PanoramaSampleSource& source, PanoramaKernelKind kind, const PanoramaRaster& target,
                uint32_t x0, int32_t origin, int32_t firstRow, int32_t endRow);
  void DrawBand(const PanoramaSampleSource& source, PanoramaKernelKind kind, const PanoramaRaster& target,
                uint32_t x0, int32_t origin);

  Key key_;
  bool gridValid_ = false;
  int32_t gridBuilds_ = 0;
  int32_t halfColumns_ = 0;  // grid points right of the centre column (K)
  int32_t gridRows_ = 0;
  std::vector<float> inverseLength_;
  std::vector<Node> grid_;  // gridRows_ x (halfColumns_ + 1)
  // The exactly mapped band around a visible pole: rows [bandTop_, bandEnd_).
  int32_t bandTop_ = 0;
  int32_t bandEnd_ = 0;
  std::vector<Node> band_;  // per pixel, full width
  std::vector<uint32_t> nodeX_;
  std::vector<int32_t> nodeY_;
  // The screen columns of each block between neighbouring nodes: the first
  // column's distance from the block's left edge and the column count
  // (0 for blocks off the screen). Blocks [blocksBegin_, blocksEnd_) cover
  // the row from rowStart_ on.
  std::vector<int32_t> blockSkip_;
  std::vector<int32_t> blockCount_;
  int32_t blocksBegin_ = 0;
  int32_t blocksEnd_ = 0;
  int32_t rowStart_ = 0;
  // The runs of one screen row, drawn in one call.
  std::vector<PanoramaRun> rowRuns_;
  std::vector<uint8_t> rowClamps_;
  // The same runs as columns (see PanoramaRunColumns), where the kernels take
  // them so: five columns of rowColumnStride_ entries, a multiple of 16.
  std::vector<int32_t> rowColumns_;
  int32_t rowColumnStride_ = 0;
  bool haveTables_ = false;
};
