// The inner loops of the engine's own JPEG decoder, each in a scalar form and
// SIMD forms (SSE2, AVX2) chosen at run time: the inverse DCT, the conversion
// of Y, Cb, Cr rows to red, green and blue, and the interleaving of those
// into 24-bit pixels, and the packing of 24-bit pixels into 16- and 32-bit
// screen layouts. Every form gives the same bytes as the scalar one.
#pragma once

#include <cstdint>

enum JpegSimdLevel : int32_t {
  kJpegSimdScalar = 0,
  kJpegSimdSse2 = 1,
  kJpegSimdAvx2 = 2,
};

// The level in use: the best the processor offers, unless set.
int32_t GetJpegSimdLevel();
// Sets the level (clamped to what the processor offers; tests and
// benchmarks compare the forms); returns the previous one.
int32_t SetJpegSimdLevel(int32_t level);

// The 8 x 8 inverse DCT of Loeffler, Ligtenberg and Moschytz in single
// precision: a pass over the rows of the coefficients (each multiplied by its
// quantisation value in 32-bit integers first), then one over the columns
// scaled by 1/8, with `bias` added to every sample. The coefficients and the
// quantisation values are stored a column after another: those of row r and
// column k at index 8 k + r (the vector form then takes the rows without a
// transposition). Sample row r goes to samples + r x stride.
void JpegInverseDct(const int16_t* coefficients, const int32_t* quantisation, float* samples, int32_t stride,
                    float bias);

// R = Y + 1.403 Cr, G = Y - 0.344 Cb - 0.714 Cr, B = Y + 1.773 Cb for `width`
// samples (Y limited to 0..255, chroma to -128..127, centred on 0), each
// truncated and clamped to 0..255. The chroma rows hold a sample per pixel,
// or with `half` a sample per two pixels (pixel x takes sample x / 2). Only
// half rows are averaged: with `cbBefore` and `crBefore` (the half rows of
// the row above), the chroma of pixel x > 0 is 0.5 (cb[x / 2] +
// cbBefore[(x - 1) / 2]), likewise for Cr.
struct JpegChromaRow {
  const float* cb;
  const float* cr;
  const float* cbBefore;  // null: no averaging
  const float* crBefore;
  bool half;
};
void JpegYCbCrToRGB(const float* y, const JpegChromaRow& chroma, uint8_t* red, uint8_t* green, uint8_t* blue,
                    int32_t width);
// The same conversion written as 3-byte pixels: blue, green, red, or red,
// green, blue when `rgbOrder`.
void JpegYCbCrToPixels24(const float* y, const JpegChromaRow& chroma, uint8_t* out, int32_t width, bool rgbOrder);

// Interleaves three planes into 3-byte pixels: first, second, third.
void JpegInterleave24(const uint8_t* first, const uint8_t* second, const uint8_t* third, uint8_t* out,
                      int32_t width);

// 5-6-5 (or 5-5-5) words of an ordered dither: pixel x takes
// clamp((red + d) >> 3), clamp((green + d/2) >> 2) (5-5-5: (green + d) >> 3),
// clamp((blue + d) >> 3) with d = dither[x] (-8..7, d/2 by arithmetic
// shift), written little-endian, or big-endian when asked.
void JpegDitherRow16(const uint8_t* red, const uint8_t* green, const uint8_t* blue, const int16_t* dither,
                     uint8_t* out, int32_t width, bool sixBitGreen, bool bigEndian);

// 3-byte pixels (red, green, blue) as 5-6-5 words (5-5-5 without
// `sixBitGreen`): each channel's top bits, no rounding; written
// little-endian, or big-endian when asked.
void JpegPackRow16(const uint8_t* rgb, uint8_t* out, int32_t width, bool sixBitGreen, bool bigEndian);

// 3-byte pixels (red, green, blue) as 4-byte ones: byte k of an output pixel
// is channel order[k] (0 red, 1 green, 2 blue), or 0 where order[k] is -1.
void JpegSpreadRow32(const uint8_t* rgb, uint8_t* out, int32_t width, const int8_t order[4]);
