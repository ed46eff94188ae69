// The integer inverse transform of MPEG video blocks: coefficients prescaled
// by the Arai-Agui-Nakajima factors (13 fraction bits), transformed in 8-bit
// fixed point, choosing a shortcut by where the coefficients lie.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The 64 scale factors (14 fraction bits) of the transform.
extern const int32_t kTransformScale[64];

struct VCoefficientBlock {
  int32_t c[64];         // raster order
  uint8_t rowFlags[8];   // rows holding a coefficient (index 0 always set)
  uint8_t columnFlags[8];
  int32_t count;         // coded coefficients

  // Inline: called before every coded block, where a call costs as much as
  // the stores (and a string store, which memset may become, costs more).
  void Clear() {
    ClearCoefficients();
    std::memset(rowFlags, 0, sizeof(rowFlags));
    std::memset(columnFlags, 0, sizeof(columnFlags));
    rowFlags[0] = 1;
    columnFlags[0] = 1;
    count = 0;
  }
  // The coefficients alone, for a decoder that sets the flags and the count
  // itself once the block is read.
  void ClearCoefficients() {
#if defined(__SSE2__)
    // Written out: a loop would be turned back into the string store.
    const __m128i zero = _mm_setzero_si128();
    [&]<size_t... k>(std::index_sequence<k...>) {
      (_mm_storeu_si128(reinterpret_cast<__m128i*>(c + 4 * k), zero), ...);
    }(std::make_index_sequence<16>{});
#else
    std::memset(c, 0, sizeof(c));
#endif
  }
};

// Every result of a block holding only the DC term `dc`.
inline int32_t InverseTransformFlatValue(int32_t dc) { return (((dc + 2048) >> 12) + 8) >> 4; }

// Transforms the block in place; the results are pixel values (intra, before
// the +128) or residuals.
void InverseTransform(VCoefficientBlock& block);
