// The integer inverse transform of MPEG video blocks: coefficients prescaled
// by the Arai-Agui-Nakajima factors (13 fraction bits), transformed in 8-bit
// fixed point, choosing a shortcut by where the coefficients lie.
#pragma once

#include <cstdint>
#include <cstring>

// The 64 scale factors (14 fraction bits) of the transform.
extern const int32_t kTransformScale[64];

struct VCoefficientBlock {
  int32_t c[64];         // raster order
  uint8_t rowFlags[8];   // rows holding a coefficient (index 0 always set)
  uint8_t columnFlags[8];
  int32_t count;         // coded coefficients

  // Inline: called before every coded block, where a call costs as much as the stores.
  void Clear() {
    std::memset(c, 0, sizeof(c));
    std::memset(rowFlags, 0, sizeof(rowFlags));
    std::memset(columnFlags, 0, sizeof(columnFlags));
    rowFlags[0] = 1;
    columnFlags[0] = 1;
    count = 0;
  }
};

// Transforms the block in place; the results are pixel values (intra, before
// the +128) or residuals.
void InverseTransform(VCoefficientBlock& block);
