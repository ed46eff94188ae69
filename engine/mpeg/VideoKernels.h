// The pixel kernels of the MPEG video decoder: the inverse transform of a
// coefficient block, storing a transformed block into a plane, forming a
// motion-compensated prediction, and converting lines of YCbCr to 16 or 32 bits.
// Each has a one-value-at-a-time reference form and SSE2/AVX2 (and, for the
// conversion, AVX-512) forms chosen at run time that give identical results.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/mpeg/InverseTransform.h"

class VYCbCrColorTable;

// Instruction sets of the kernels, best last.
enum VideoSimdLevel : int32_t {
  kVideoSimdScalar = 0,
  kVideoSimdSse2 = 1,
  kVideoSimdAvx2 = 2,
  // AVX-512 F and BW: the colour conversion's widest form; the other kernels
  // use their AVX2 forms at this level.
  kVideoSimdAvx512 = 3,
};
// The level in use: the best the processor has unless lowered.
int32_t GetVideoSimdLevel();
// Uses at most `level` (capped to what the processor supports); returns the
// level now in use. For tests and measurements; not meant to change while a
// decoder runs on another thread.
int32_t SetVideoSimdLevel(int32_t level);

// The inverse transform (see InverseTransform.h) at the level in use.
void InverseTransformBlock(VCoefficientBlock& block);

// Writes a transformed block into 8 x 8 pixels at `dst`: intra blocks as
// value + 128, others added to the pixels there; both clamped to 0..255.
void StoreBlockPixels(const int32_t* coefficients, uint8_t* dst, ptrdiff_t stride, bool intra);
void StoreBlockPixelsReference(const int32_t* coefficients, uint8_t* dst, ptrdiff_t stride, bool intra);

// The inverse transform and the store in one step (the block's values are
// then undefined): the same pixels as InverseTransformBlock and StoreBlockPixels.
void InverseTransformAndStore(VCoefficientBlock& block, uint8_t* dst, ptrdiff_t stride, bool intra);
// The same at the level in use, for a decoder to choose once rather than at every block.
using VTransformAndStore = void (*)(VCoefficientBlock& block, uint8_t* dst, ptrdiff_t stride, bool intra);
VTransformAndStore GetTransformAndStore();

// The same for a block of one value everywhere (a transformed lone DC term).
void StoreFlatBlockPixels(int32_t value, uint8_t* dst, ptrdiff_t stride, bool intra);
void StoreFlatBlockPixelsReference(int32_t value, uint8_t* dst, ptrdiff_t stride, bool intra);

// Predicts w x h pixels (w a multiple of 8, or any for the reference form)
// from `src`, which holds w + hx columns and h + hy rows `srcStride` apart: the
// source at half-sample offsets hx, hy (0 or 1, rounded averages of
// neighbours, horizontal first), written to `dst` or, with `average`,
// averaged (rounding up) with what is there.
void PredictBlock(const uint8_t* src, ptrdiff_t srcStride, int32_t hx, int32_t hy, int32_t w, int32_t h,
                  uint8_t* dst, ptrdiff_t dstStride, bool average);
void PredictBlockReference(const uint8_t* src, ptrdiff_t srcStride, int32_t hx, int32_t hy, int32_t w, int32_t h,
                           uint8_t* dst, ptrdiff_t dstStride, bool average);

// The prediction kernels of one level, by [hx][hy][average], for a decoder to
// choose once rather than at every block. `area` is PredictBlock (w a
// multiple of 8, h at least 1); `pair` the same over two planes read and
// written at the same offsets and strides (Cb and Cr).
struct VPredictionKernels {
  using Area = void (*)(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int32_t w,
                        int32_t h);
  using Pair = void (*)(const uint8_t* src0, const uint8_t* src1, ptrdiff_t srcStride, uint8_t* dst0, uint8_t* dst1,
                        ptrdiff_t dstStride, int32_t w, int32_t h);
  Area area[2][2][2];
  Pair pair[2][2][2];
};
// The kernels at the level in use.
const VPredictionKernels& GetPredictionKernels();

// One line of pixels at 15 or 16 bits through a 5-5-6 colour table (index
// cb >> 3 << 11 | cr >> 3 << 6 | y >> 2): each chroma sample (one per two
// pixels), offset by dither[column & 3] and clamped to 0..255, selects the
// block its luma samples index. Words are stored little- or big-endian.
void ConvertLineTo16Bits(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                         int32_t width, const int32_t dither[4], const uint16_t* table, bool little);
void ConvertLineTo16BitsReference(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const int32_t dither[4], const uint16_t* table, bool little);

// The colour formula the 15- and 16-bit tables of a YCbCr colour table are
// filled from, for converting without the table. A table cell (Y >> 2,
// Cb >> 3, Cr >> 3) is the colour of its sample point (4 * (Y >> 2) + 2,
// 8 * (Cb >> 3) + 4, 8 * (Cr >> 3) + 4): with l = luma * (Y - 16) and
// c = C - 128, red = (l + crToRed * cr) >> 16, green = (l - cbToGreen * cb -
// crToGreen * cr) >> 16, blue = (l + cbToBlue * cb) >> 16, each clamped to
// 0..255; then 5-6-5 from the top bits, or 5-5-5 rounded to 31 / 255 steps.
struct VPixel16Formula {
  int32_t luma = 0;
  int32_t crToRed = 0, cbToBlue = 0, cbToGreen = 0, crToGreen = 0;
  int32_t depth = 16;  // 15 or 16
};
VPixel16Formula Pixel16FormulaOf(const VYCbCrColorTable& colorTable, int32_t depth);
// The pixel at one table index (cb >> 3 << 11 | cr >> 3 << 6 | y >> 2).
uint16_t Pixel16ByFormula(const VPixel16Formula& formula, int32_t index);
// True when the level in use has a vector form of the conversion by formula,
// which then beats the table; otherwise the table is the faster way.
bool HasVectorFormulaConversion();
// The same line as ConvertLineTo16Bits through the table the formula fills.
void ConvertLineTo16BitsByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const int32_t dither[4], const VPixel16Formula& formula,
                                  bool little);
// Pairs of lines sharing their chroma line and dither (the lines of 4:2:0
// pictures): pair p is the pixel and luma lines 2 p and 2 p + 1 (each
// `stride` bytes from the one before; negative for bottom-up pixels), chroma
// line p and dither[p & 3]. The same pixels as line by line.
void ConvertLinePairsTo16BitsByFormula(uint8_t* out, ptrdiff_t outStride, const uint8_t* y, ptrdiff_t yStride,
                                       const uint8_t* cb, const uint8_t* cr, ptrdiff_t chromaStride, int32_t width,
                                       int32_t pairs, const int32_t dither[4][4], const VPixel16Formula& formula,
                                       bool little);

// One line at 32 bits by the full formula (every sample value, no dither):
// with l = luma * (Y - 16) and c = C - 128, the components as above, each
// clamped to 0..255, which are the values of the colour table's component
// tables (the formula's depth is not used). Byte offsets[0] of each pixel gets
// red, offsets[1] green, offsets[2] blue and offsets[3] zero.
void ConvertLineTo32BitsByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const VPixel16Formula& formula, const int32_t offsets[4]);
