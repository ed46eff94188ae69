#include "engine/sound/SampleKernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OSTREVAN_SAMPLES_AVX2 1
#endif

#include "platform/Processor.h"

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

// (v * factor) >> 8 for a factor of 0..256 as one high multiply: by
// factor << 8 when that fits a signed 16-bit lane; else the lane holds
// factor * 256 - 65536 and v is added back to the high half of the product.
struct HighFactor {
  int16_t multiplier;
  int16_t addBack;  // 0 or -1 (all bits): whether v is added back
};
HighFactor HighFactorOf(int32_t factor) {
  return {static_cast<int16_t>(static_cast<uint16_t>(factor << 8)), static_cast<int16_t>(factor >= 128 ? -1 : 0)};
}

#ifdef OSTREVAN_SAMPLES_AVX2
// The mixing loop, 16 samples at a time; returns how many it did. Signed
// samples need no offset, so they skip the flips.
template <bool Unsigned>
__attribute__((target("avx2"))) int32_t AddScaledAvx2(uint8_t* into, const uint8_t* add, int32_t samples,
                                                      HighFactor left, HighFactor right) {
  const __m256i flipV = _mm256_set1_epi16(static_cast<int16_t>(kFlip16));
  const __m256i multiplier = _mm256_set1_epi32(static_cast<int32_t>((uint32_t{static_cast<uint16_t>(right.multiplier)} << 16) |
                                                                    static_cast<uint16_t>(left.multiplier)));
  const __m256i addBack = _mm256_set1_epi32(static_cast<int32_t>((uint32_t{static_cast<uint16_t>(right.addBack)} << 16) |
                                                                 static_cast<uint16_t>(left.addBack)));
  int32_t i = 0;
  for (; i + 16 <= samples; i += 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add + 2 * i));
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(into + 2 * i));
    if (Unsigned) {
      v = _mm256_xor_si256(v, flipV);
      a = _mm256_xor_si256(a, flipV);
    }
    const __m256i scaled = _mm256_add_epi16(_mm256_mulhi_epi16(v, multiplier), _mm256_and_si256(v, addBack));
    __m256i sum = _mm256_adds_epi16(a, scaled);
    if (Unsigned) sum = _mm256_xor_si256(sum, flipV);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(into + 2 * i), sum);
  }
  return i;
}

// The blocks in groups of up to kGroup, each group in one pass over `into`:
// a tile of `into` is held in registers while every block of the group is
// added to it in order. Returns how many samples it did (the same count for
// every group); the rest is left to the caller.
constexpr int32_t kGroup = 16;

// How a block's factors are applied: the high multiply alone (both factors
// under 128), plus the sample (both 128 or more), or by lane (mixed).
enum class AddBack { kNone, kAll, kByLane };

struct GroupBlock {
  const uint8_t* samples;
  __m256i multiplier;
  __m256i addBack;
  AddBack kind;
};

template <bool Unsigned, AddBack Kind, int kVectors>
__attribute__((target("avx2"), always_inline)) inline void AddScaledToSums(__m256i* sums, const uint8_t* from,
                                                                          __m256i multiplier, __m256i addBack) {
  const __m256i flipV = _mm256_set1_epi16(static_cast<int16_t>(kFlip16));
  for (int r = 0; r < kVectors; ++r) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 32 * r));
    // Loaded once into a register: the compiler would otherwise read the
    // samples again for each use.
    asm("" : "+x"(v));
    if (Unsigned) v = _mm256_xor_si256(v, flipV);
    __m256i scaled = _mm256_mulhi_epi16(v, multiplier);
    if (Kind == AddBack::kAll) scaled = _mm256_add_epi16(scaled, v);
    if (Kind == AddBack::kByLane) scaled = _mm256_add_epi16(scaled, _mm256_and_si256(v, addBack));
    sums[r] = _mm256_adds_epi16(sums[r], scaled);
  }
}

// How far ahead of the tile being added each block's samples are asked for:
// two tiles. A group reads its blocks from up to 16 places at once, more than
// the processor's own prefetching follows well, and blocks that playback
// moves through come from the outer caches; asking ahead keeps that wait off
// the adding. Past a block's end this asks for what follows it, which a
// playing sound reads next; asking for an address never faults.
constexpr uintptr_t kPrefetchAhead = 512;

template <bool Unsigned, int kVectors>
__attribute__((target("avx2"), always_inline)) inline void AddScaledTileAvx2(uint8_t* into, const GroupBlock* blocks,
                                                                            int32_t n, int64_t offset, bool silent) {
  const __m256i flipV = _mm256_set1_epi16(static_cast<int16_t>(kFlip16));
  __m256i sums[kVectors];
  for (int r = 0; r < kVectors; ++r) {
    sums[r] = _mm256_setzero_si256();
    if (!silent) {
      sums[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(into + offset + 32 * r));
      if (Unsigned) sums[r] = _mm256_xor_si256(sums[r], flipV);
    }
  }
  for (int32_t k = 0; k < n; ++k) {
    const GroupBlock& block = blocks[k];
    const uint8_t* from = block.samples + offset;
    if constexpr (kVectors * 32 >= 256) {
      // As an address, not a pointer: it may lie past the block's memory.
      const uintptr_t ahead = reinterpret_cast<uintptr_t>(from) + kPrefetchAhead;
      for (int line = 0; line < kVectors * 32; line += 64)
        _mm_prefetch(reinterpret_cast<const char*>(ahead + line), _MM_HINT_T0);
    }
    switch (block.kind) {
      case AddBack::kNone:
        AddScaledToSums<Unsigned, AddBack::kNone, kVectors>(sums, from, block.multiplier, block.addBack);
        break;
      case AddBack::kAll:
        AddScaledToSums<Unsigned, AddBack::kAll, kVectors>(sums, from, block.multiplier, block.addBack);
        break;
      case AddBack::kByLane:
        AddScaledToSums<Unsigned, AddBack::kByLane, kVectors>(sums, from, block.multiplier, block.addBack);
        break;
    }
  }
  for (int r = 0; r < kVectors; ++r) {
    if (Unsigned) sums[r] = _mm256_xor_si256(sums[r], flipV);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(into + offset + 32 * r), sums[r]);
  }
}

template <bool Unsigned>
__attribute__((target("avx2"))) int32_t AddScaledBlocksAvx2(uint8_t* into, const ScaledBlock16* blocks, int32_t count,
                                                            int32_t samples, bool fromSilence) {
  constexpr int kTileVectors = 8;  // 128 samples
  const int32_t tiles = samples / (16 * kTileVectors) * (16 * kTileVectors);
  const int32_t whole = samples / 16 * 16;
  for (int32_t group = 0; group < count; group += kGroup) {
    const int32_t n = std::min(kGroup, count - group);
    GroupBlock groupBlocks[kGroup];
    for (int32_t k = 0; k < n; ++k) {
      const ScaledBlock16& block = blocks[group + k];
      const HighFactor left = HighFactorOf(block.leftFactor), right = HighFactorOf(block.rightFactor);
      GroupBlock& g = groupBlocks[k];
      g.samples = block.samples;
      g.multiplier = _mm256_set1_epi32(static_cast<int32_t>(
          (uint32_t{static_cast<uint16_t>(right.multiplier)} << 16) | static_cast<uint16_t>(left.multiplier)));
      g.addBack = _mm256_set1_epi32(static_cast<int32_t>((uint32_t{static_cast<uint16_t>(right.addBack)} << 16) |
                                                         static_cast<uint16_t>(left.addBack)));
      g.kind = left.addBack != right.addBack ? AddBack::kByLane : left.addBack ? AddBack::kAll : AddBack::kNone;
    }
    // Only the first group starts from silence; later ones add to its sums.
    const bool silent = fromSilence && group == 0;
    int32_t i = 0;
    for (; i < tiles; i += 16 * kTileVectors)
      AddScaledTileAvx2<Unsigned, kTileVectors>(into, groupBlocks, n, int64_t{i} * 2, silent);
    for (; i < whole; i += 16) AddScaledTileAvx2<Unsigned, 1>(into, groupBlocks, n, int64_t{i} * 2, silent);
  }
  return whole;
}

bool HaveAvx2() {
  static const bool have = platform::BestSimdSupport() >= platform::kSimdAvx2;
  return have;
}
#endif

}  // namespace

void AddScaledSaturating16(uint8_t* into, const uint8_t* add, int32_t samples, int32_t leftFactor, int32_t rightFactor,
                           bool isUnsigned) {
  int32_t i = 0;
  const uint16_t flip = isUnsigned ? kFlip16 : 0;
  const HighFactor left = HighFactorOf(leftFactor), right = HighFactorOf(rightFactor);
#ifdef OSTREVAN_SAMPLES_AVX2
  if (HaveAvx2()) {
    i = isUnsigned ? AddScaledAvx2<true>(into, add, samples, left, right)
                   : AddScaledAvx2<false>(into, add, samples, left, right);
  }
#endif
#if defined(__SSE2__)
  const __m128i flipV = _mm_set1_epi16(static_cast<int16_t>(flip));
  const __m128i multiplier = _mm_set1_epi32(static_cast<int32_t>((uint32_t{static_cast<uint16_t>(right.multiplier)} << 16) |
                                                                 static_cast<uint16_t>(left.multiplier)));
  const __m128i addBack = _mm_set1_epi32(static_cast<int32_t>((uint32_t{static_cast<uint16_t>(right.addBack)} << 16) |
                                                              static_cast<uint16_t>(left.addBack)));
  for (; i + 8 <= samples; i += 8) {
    const __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(add + 2 * i)), flipV);
    const __m128i scaled = _mm_add_epi16(_mm_mulhi_epi16(v, multiplier), _mm_and_si128(v, addBack));
    const __m128i a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(into + 2 * i)), flipV);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into + 2 * i), _mm_xor_si128(_mm_adds_epi16(a, scaled), flipV));
  }
#endif
  for (; i < samples; ++i) {
    const int32_t factor = (i & 1) ? rightFactor : leftFactor;
    const int a = static_cast<int16_t>(static_cast<uint16_t>(Load16(into + 2 * i)) ^ flip);
    const int32_t v = static_cast<int16_t>(static_cast<uint16_t>(Load16(add + 2 * i)) ^ flip);
    const int b = static_cast<int16_t>((v * factor) >> 8);
    const auto sum = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(a + b, -32768, 32767)));
    Store16(into + 2 * i, static_cast<int16_t>(sum ^ flip));
  }
}

void AddScaledBlocksSaturating16(uint8_t* into, const ScaledBlock16* blocks, int32_t count, int32_t samples,
                                 bool isUnsigned, bool fromSilence) {
  if (samples <= 0) return;
  int32_t done = 0;
#ifdef OSTREVAN_SAMPLES_AVX2
  if (HaveAvx2() && count > 0) {
    done = isUnsigned ? AddScaledBlocksAvx2<true>(into, blocks, count, samples, fromSilence)
                      : AddScaledBlocksAvx2<false>(into, blocks, count, samples, fromSilence);
  }
#endif
  // The rest block by block (an even start keeps left and right in place).
  uint8_t* rest = into + int64_t{done} * 2;
  const int32_t left = samples - done;
  if (left <= 0) return;
  if (fromSilence) {
    const uint16_t silence = isUnsigned ? kFlip16 : 0;
    for (int32_t i = 0; i < left; ++i) Store16(rest + 2 * i, static_cast<int16_t>(silence));
  }
  for (int32_t k = 0; k < count; ++k)
    AddScaledSaturating16(rest, blocks[k].samples + int64_t{done} * 2, left, blocks[k].leftFactor,
                          blocks[k].rightFactor, isUnsigned);
}

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
