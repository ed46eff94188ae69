// The one-dimensional kernel of the inverse transform, written once for a
// single line (V = int32_t) and for vectors of lines (lane k of d[0..7] is
// one line of eight values), so the scalar and SIMD transforms share it.
#pragma once

#include <cstdint>

// The kernel's products by its four constants (c / 256: 362 for sqrt(2),
// 473, -669 and 277), rounded: (x * c + 128) >> 8. A form of the products
// for other lanes (or exact ones, for bounds) is a class template of the same
// shape; results are written through a reference, so that no vector is
// passed by value (which would change the calling convention of code built
// without AVX).
template <int kConstant>
struct InverseTransformRoundedProduct {
  template <typename V>
  static constexpr inline __attribute__((always_inline)) void Apply(V& out, const V& x) {
    out = (x * kConstant + 128) >> 8;
  }
};

template <typename V, template <int> class Product = InverseTransformRoundedProduct>
constexpr inline __attribute__((always_inline)) void InverseTransformKernel(V* d) {
  const V d0 = d[0], d1 = d[1], d2 = d[2], d3 = d[3], d4 = d[4], d5 = d[5], d6 = d[6], d7 = d[7];
  const V t10 = d0 + d4, t11 = d0 - d4, t13 = d2 + d6;
  V p362a, p473, pm669, p362b, p277;
  Product<362>::Apply(p362a, d2 - d6);
  const V t12 = p362a - t13;
  const V e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
  const V z13 = d5 + d3, z10 = d5 - d3, z11 = d1 + d7, z12 = d1 - d7;
  const V o7 = z11 + z13;
  Product<473>::Apply(p473, z10 + z12);
  const V z5 = p473;
  Product<-669>::Apply(pm669, z10);
  const V o6 = pm669 + z5 - o7;
  Product<362>::Apply(p362b, z11 - z13);
  const V o5 = p362b - o6;
  Product<277>::Apply(p277, z12);
  const V o4 = p277 - z5 + o5;
  d[0] = e0 + o7;
  d[7] = e0 - o7;
  d[1] = e1 + o6;
  d[6] = e1 - o6;
  d[2] = e2 + o5;
  d[5] = e2 - o5;
  d[4] = e3 + o4;
  d[3] = e3 - o4;
}
