// The sampling loops of the panorama projection: one run of pixels of a
// screen row whose map coordinates step linearly, read from the map at the
// nearest pixel (fast frames) or bilinearly (quality frames), for 15-, 16- and
// 32-bit pixels. Row addresses are byte offsets from the map's first pixel.
#pragma once

#include <cstdint>

// What a run reads: the map and its address arithmetic.
struct PanoramaSampleSource {
  const uint8_t* map = nullptr;  // first pixel of row 0
  int32_t rowBytes = 0;          // width x bytes per pixel
  uint32_t columnMask = 0;       // width - 1 (width a power of two)
  int32_t maxY = 0;              // the largest y (16.16 rows) a sample may read at
};

// A run: `count` pixels into `target`, starting at map position (x, y) and
// stepping by (stepX, stepY) per pixel. x is 16.16 map columns (wrapping), y
// 16.16 map rows from row 0; a row's address is its number times the row
// length from the map's first pixel, whatever the width of a pointer.
struct PanoramaRun {
  uint32_t x;
  int32_t y;
  int32_t stepX;
  int32_t stepY;
  int32_t count;
};

enum PanoramaKernelKind : int32_t {
  kPanoramaFast16 = 0,     // 15 or 16 bits, nearest
  kPanoramaFast32 = 1,     // 32 bits, nearest
  kPanoramaQuality15 = 2,  // 5:5:5, bilinear with 5-bit weights
  kPanoramaQuality16 = 3,  // 5:6:5, bilinear with 5-bit weights
  kPanoramaQuality32 = 4,  // 8 bits per component, bilinear with 8-bit weights
};

// Draws one run. When `clampRows` is set every sample's row is kept inside
// [0, maxY] (for runs whose ends leave the map); else the caller
// guarantees both ends lie inside.
void RunPanoramaKernel(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun& run,
                       uint8_t* target, bool clampRows);

// Draws `count` runs one after the other into `target` (each run's pixels
// follow the previous run's), run i with its rows clamped when clampRows[i]
// is not 0: the pixels of as many RunPanoramaKernel calls, for a whole
// screen row at once.
void RunPanoramaKernels(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun* runs,
                        const uint8_t* clampRows, int32_t count, uint8_t* target);

// Runs held as columns: run n starts at map position (x[n], y[n]), steps by
// (stepX[n], stepY[n]) per pixel and has count[n] pixels.
struct PanoramaRunColumns {
  const uint32_t* x = nullptr;
  const int32_t* y = nullptr;
  const int32_t* stepX = nullptr;
  const int32_t* stepY = nullptr;
  const int32_t* count = nullptr;
};

// Whether RunPanoramaNearestColumns can draw runs of this kind from this
// source at the kernel level in use (nearest samples at AVX-512 only, where
// the caller may build the columns with the same instructions).
bool CanRunPanoramaNearestColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source);

// Draws `count` runs held as columns one after the other into `target`,
// every sample's row clamped to [0, maxY] (which leaves the rows of a run
// inside the map as they are): the pixels RunPanoramaKernels draws for the
// same runs. Only where CanRunPanoramaNearestColumns says so.
void RunPanoramaNearestColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source,
                               const PanoramaRunColumns& runs, int32_t count, uint8_t* target);

// The same for bilinear samples: whether RunPanoramaBilinearColumns can draw
// runs of this kind from this source (at AVX-512 only, where the caller builds
// the columns with the same instructions; the samples themselves are drawn as
// at AVX2), and the runs drawn, as RunPanoramaKernels draws them.
bool CanRunPanoramaBilinearColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source);
void RunPanoramaBilinearColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source,
                                const PanoramaRunColumns& runs, int32_t count, uint8_t* target);

// The kernel level at which the 512-bit instructions are used.
constexpr int32_t kPanoramaLevelAvx512 = 3;

// The vector level the runs use (platform::SimdSupport: scalar, SSE2, AVX2,
// then kPanoramaLevelAvx512);
// every level gives the same pixels. Setting a level above what the processor
// has, or -1, takes the best it has. Returns the previous level.
int32_t SetPanoramaKernelLevel(int32_t level);
int32_t GetPanoramaKernelLevel();

// Single pixels of the same arithmetic (the tests' reference for the loops).
uint16_t SampleBilinear565(const PanoramaSampleSource& source, uint32_t x, int32_t y);
uint16_t SampleBilinear555(const PanoramaSampleSource& source, uint32_t x, int32_t y);
uint32_t SampleBilinear32(const PanoramaSampleSource& source, uint32_t x, int32_t y);
