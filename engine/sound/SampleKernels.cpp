#include "engine/sound/SampleKernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

void Store16(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }

// Offsetting an unsigned sample by half its range is flipping its top bit.
constexpr uint16_t kFlip16 = 0x8000;
constexpr uint8_t kFlip8 = 0x80;

}  // namespace

void AddSaturating16(uint8_t* into, const uint8_t* add, int32_t samples, bool isUnsigned) {
  int32_t i = 0;
  const uint16_t flip = isUnsigned ? kFlip16 : 0;
#if defined(__SSE2__)
  const __m128i flipV = _mm_set1_epi16(static_cast<int16_t>(flip));
  for (; i + 8 <= samples; i += 8) {
    const __m128i a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(into + 2 * i)), flipV);
    const __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(add + 2 * i)), flipV);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into + 2 * i), _mm_xor_si128(_mm_adds_epi16(a, b), flipV));
  }
#endif
  for (; i < samples; ++i) {
    const int a = static_cast<int16_t>(static_cast<uint16_t>(Load16(into + 2 * i)) ^ flip);
    const int b = static_cast<int16_t>(static_cast<uint16_t>(Load16(add + 2 * i)) ^ flip);
    const auto sum = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(a + b, -32768, 32767)));
    Store16(into + 2 * i, static_cast<int16_t>(sum ^ flip));
  }
}

void AddSaturating8(uint8_t* into, const uint8_t* add, int32_t samples, bool isUnsigned) {
  int32_t i = 0;
  const uint8_t flip = isUnsigned ? kFlip8 : 0;
#if defined(__SSE2__)
  const __m128i flipV = _mm_set1_epi8(static_cast<char>(flip));
  for (; i + 16 <= samples; i += 16) {
    const __m128i a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(into + i)), flipV);
    const __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(add + i)), flipV);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into + i), _mm_xor_si128(_mm_adds_epi8(a, b), flipV));
  }
#endif
  for (; i < samples; ++i) {
    const int v = static_cast<int8_t>(into[i] ^ flip) + static_cast<int8_t>(add[i] ^ flip);
    into[i] = static_cast<uint8_t>(static_cast<uint8_t>(static_cast<int8_t>(std::clamp(v, -128, 127))) ^ flip);
  }
}

void ScaleSamples16(uint8_t* buffer, int32_t samples, int32_t leftFactor, int32_t rightFactor, bool isUnsigned) {
  int32_t i = 0;
  const uint16_t flip = isUnsigned ? kFlip16 : 0;
#if defined(__SSE2__)
  // The 32-bit product's bits 8..23 are the high byte of its low half and
  // the low byte of its high half.
  const __m128i flipV = _mm_set1_epi16(static_cast<int16_t>(flip));
  const __m128i factors = _mm_set_epi16(
      static_cast<int16_t>(rightFactor), static_cast<int16_t>(leftFactor), static_cast<int16_t>(rightFactor),
      static_cast<int16_t>(leftFactor), static_cast<int16_t>(rightFactor), static_cast<int16_t>(leftFactor),
      static_cast<int16_t>(rightFactor), static_cast<int16_t>(leftFactor));
  for (; i + 8 <= samples; i += 8) {
    const __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer + 2 * i)), flipV);
    const __m128i low = _mm_mullo_epi16(v, factors);
    const __m128i high = _mm_mulhi_epi16(v, factors);
    const __m128i scaled = _mm_or_si128(_mm_srli_epi16(low, 8), _mm_slli_epi16(high, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(buffer + 2 * i), _mm_xor_si128(scaled, flipV));
  }
#endif
  for (; i < samples; ++i) {
    const int32_t factor = (i & 1) ? rightFactor : leftFactor;
    const int32_t v = static_cast<int16_t>(static_cast<uint16_t>(Load16(buffer + 2 * i)) ^ flip);
    Store16(buffer + 2 * i, static_cast<int16_t>(static_cast<uint16_t>((v * factor) >> 8) ^ flip));
  }
}
