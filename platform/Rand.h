// The 15-bit pseudo-random generator of the original C runtime
// (x = x * 214013 + 2531011, result bits 16..30), kept where results depend on it.
#pragma once

#include <cstdint>

namespace platform {

constexpr int kRandMax = 0x7FFF;

// Seeds the generator of the calling thread (the runtime kept one per thread).
void SeedRand(uint32_t seed);
// Next value in 0..kRandMax.
int Rand();

}  // namespace platform
