#include "engine/graphics/InverseTable.h"

#include <algorithm>

namespace {

struct SquareTable {
  int32_t values[511];
  SquareTable() {
    for (int32_t d = -255; d <= 255; ++d) values[d + 255] = d * d;
  }
  int32_t operator()(int32_t d) const { return values[d + 255]; }
};

const SquareTable& Squares() {
  static const SquareTable table;
  return table;
}

}  // namespace

void BuildInverseTable(const VRGBColor* colors, uint8_t* out) {
  // blueSquare[i][b5]: (blue_i - b5 * 8)^2, so a row update is a straight add.
  alignas(32) int32_t blueSquare[256][32];
  for (int32_t i = 0; i < 256; ++i) {
    for (int32_t b5 = 0; b5 < 32; ++b5) {
      const int32_t d = colors[i].blue - b5 * 8;
      blueSquare[i][b5] = d * d;
    }
  }
  alignas(32) int32_t best[32];
  alignas(32) int32_t bestIndex[32];
  int32_t order[256];
  int32_t redSquare[256];
  for (int32_t r5 = 0; r5 < 32; ++r5) {
    const int32_t r = r5 * 8;
    // Entries by increasing red distance: once the red distance alone passes
    // every cell's best distance, no later entry can win anywhere.
    for (int32_t i = 0; i < 256; ++i) {
      order[i] = i;
      const int32_t dr = colors[i].red - r;
      redSquare[i] = dr * dr;
    }
    std::stable_sort(order, order + 256, [&](int32_t a, int32_t b) { return redSquare[a] < redSquare[b]; });
    for (int32_t g6 = 0; g6 < 64; ++g6) {
      const int32_t g = g6 * 4;
      std::fill_n(best, 32, 10000000);
      std::fill_n(bestIndex, 32, 0);
      int32_t worst = 10000000;  // the largest best distance of the row
      for (int32_t k = 0; k < 256; ++k) {
        const int32_t i = order[k];
        if (redSquare[i] > worst) break;
        const int32_t dg = colors[i].green - g;
        const int32_t partial = redSquare[i] + dg * dg;
        // Every cell's distance from this entry is at least `partial`; a cell
        // changes hands only for a smaller distance or an equal one with a
        // lower index, so the entry cannot win anywhere.
        if (partial > worst) continue;
        const int32_t* bs = blueSquare[i];
        for (int32_t b = 0; b < 32; ++b) {
          const int32_t d = partial + bs[b];
          const bool better = d < best[b] || (d == best[b] && i < bestIndex[b]);
          best[b] = better ? d : best[b];
          bestIndex[b] = better ? i : bestIndex[b];
        }
        int32_t w = best[0];
        for (int32_t b = 1; b < 32; ++b) w = std::max(w, best[b]);
        worst = w;
      }
      uint8_t* row = out + ((r5 << 11) | (g6 << 5));
      for (int32_t b = 0; b < 32; ++b) row[b] = static_cast<uint8_t>(bestIndex[b]);
    }
  }
}

void BuildInverseTableBruteForce(const VRGBColor* colors, uint8_t* out) {
  const SquareTable& sq = Squares();
  for (int32_t key = 0; key < 65536; ++key) {
    const int32_t r = (key >> 11) * 8;
    const int32_t g = ((key >> 5) & 63) * 4;
    const int32_t b = (key & 31) * 8;
    int32_t best = 0;
    int32_t bestDistance = 10000000;
    for (int32_t i = 0; i < 256; ++i) {
      const int32_t d = sq(colors[i].red - r) + sq(colors[i].green - g) + sq(colors[i].blue - b);
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    out[key] = static_cast<uint8_t>(best);
  }
}
