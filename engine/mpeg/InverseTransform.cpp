// Arai-Agui-Nakajima inverse transform in 8-bit fixed point.
#include "engine/mpeg/InverseTransform.h"

#include <cstring>

#include "engine/mpeg/InverseTransformKernel.h"

const int32_t kTransformScale[64] = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,  22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270,
    21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906,  19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315,
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,  12873, 17855, 16819, 15137, 12873, 10114, 6967,  3552,
    8867,  12299, 11585, 10426, 8867,  6967,  4799,  2446,  4520,  6270,  5906,  5315,  4520,  3552,  2446,  1247};

namespace {

// The kernel over d[0], d[step], ... d[7*step], in place.
inline void Kernel(int32_t* d, int step) {
  int32_t line[8];
  for (int i = 0; i < 8; ++i) line[i] = d[i * step];
  InverseTransformKernel(line);
  for (int i = 0; i < 8; ++i) d[i * step] = line[i];
}

inline int32_t RoundIn(int32_t x) { return (x + 2048) >> 12; }
inline int32_t RoundOut(int32_t x) { return (x + 8) >> 4; }

}  // namespace

void InverseTransform(VCoefficientBlock& b) {
  int32_t* c = b.c;
  int rows = 0, columns = 0;
  for (int i = 0; i < 8; ++i) {
    rows += b.rowFlags[i] ? 1 : 0;
    columns += b.columnFlags[i] ? 1 : 0;
  }
  if (rows == 1 && columns == 1) {
    // Only the DC term: a flat block. (A lone coefficient elsewhere takes the
    // one-row or one-column path below.)
    const int32_t v = InverseTransformFlatValue(c[0]);
    for (int i = 0; i < 64; ++i) c[i] = v;
    return;
  }
  if (columns == 1) {
    // Everything in column 0: transform it, spread each result along its row.
    int32_t d[8];
    for (int i = 0; i < 8; ++i) d[i] = RoundIn(c[8 * i]);
    Kernel(d, 1);
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) c[8 * i + j] = RoundOut(d[i]);
    return;
  }
  if (rows == 1) {
    int32_t d[8];
    for (int j = 0; j < 8; ++j) d[j] = RoundIn(c[j]);
    Kernel(d, 1);
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) c[8 * i + j] = RoundOut(d[j]);
    return;
  }
  for (int i = 0; i < 64; ++i) c[i] = RoundIn(c[i]);
  if (columns >= rows) {
    // First pass along rows (each row holding coefficients), then columns.
    for (int i = 0; i < 8; ++i) {
      int32_t* r = c + 8 * i;
      if (!b.rowFlags[i]) continue;  // an empty row stays zero
      if (!(r[1] | r[2] | r[3] | r[4] | r[5] | r[6] | r[7])) {
        for (int j = 1; j < 8; ++j) r[j] = r[0];
        continue;
      }
      Kernel(r, 1);
    }
    for (int j = 0; j < 8; ++j) Kernel(c + j, 8);
  } else {
    for (int j = 0; j < 8; ++j) {
      int32_t* col = c + j;
      if (!b.columnFlags[j]) continue;
      if (!(col[8] | col[16] | col[24] | col[32] | col[40] | col[48] | col[56])) {
        for (int i = 1; i < 8; ++i) col[8 * i] = col[0];
        continue;
      }
      Kernel(col, 8);
    }
    for (int i = 0; i < 8; ++i) Kernel(c + 8 * i, 1);
  }
  for (int i = 0; i < 64; ++i) c[i] = RoundOut(c[i]);
}
