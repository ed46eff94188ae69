// The one-dimensional kernel of the inverse transform, written once for a
// single line (V = int32_t) and for vectors of lines (lane k of d[0..7] is
// one line of eight values), so the scalar and SIMD transforms share it.
#pragma once

#include <cstdint>

template <typename V>
inline __attribute__((always_inline)) void InverseTransformKernel(V* d) {
  // Kept a macro: a helper taking 32-byte vectors by value would change the
  // calling convention of code built without AVX.
#define OSTREVAN_M(x, c) (((x) * (c) + 128) >> 8)
  const V d0 = d[0], d1 = d[1], d2 = d[2], d3 = d[3], d4 = d[4], d5 = d[5], d6 = d[6], d7 = d[7];
  const V t10 = d0 + d4, t11 = d0 - d4, t13 = d2 + d6;
  const V t12 = OSTREVAN_M(d2 - d6, 362) - t13;
  const V e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
  const V z13 = d5 + d3, z10 = d5 - d3, z11 = d1 + d7, z12 = d1 - d7;
  const V o7 = z11 + z13;
  const V z5 = OSTREVAN_M(z10 + z12, 473);
  const V o6 = OSTREVAN_M(z10, -669) + z5 - o7;
  const V o5 = OSTREVAN_M(z11 - z13, 362) - o6;
  const V o4 = OSTREVAN_M(z12, 277) - z5 + o5;
#undef OSTREVAN_M
  d[0] = e0 + o7;
  d[7] = e0 - o7;
  d[1] = e1 + o6;
  d[6] = e1 - o6;
  d[2] = e2 + o5;
  d[5] = e2 - o5;
  d[4] = e3 + o4;
  d[3] = e3 - o4;
}
