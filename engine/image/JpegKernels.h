// The inner loops of the engine's own JPEG decoder, each in a scalar form and
// SIMD forms (SSE2, AVX2) chosen at run time: the inverse DCT, the conversion
// of Y, Cb, Cr rows to red, green and blue, and the interleaving of those
// into 24-bit pixels. Every form gives the same bytes as the scalar one.
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
// precision: a pass over the rows of the coefficients (natural order), then
// one over the columns scaled by 1/8, with `bias` added to every sample.
void JpegInverseDct(const int32_t* coefficients, float* samples, float bias);

// R = Y + 1.403 Cr, G = Y - 0.344 Cb - 0.714 Cr, B = Y + 1.773 Cb for `width`
// samples (Y limited to 0..255, chroma to -128..127, centred on 0), each
// truncated and clamped to 0..255.
void JpegYCbCrToRGB(const float* y, const float* cb, const float* cr, uint8_t* red, uint8_t* green, uint8_t* blue,
                    int32_t width);

// Interleaves three planes into 3-byte pixels: first, second, third.
void JpegInterleave24(const uint8_t* first, const uint8_t* second, const uint8_t* third, uint8_t* out,
                      int32_t width);
