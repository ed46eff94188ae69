#include "engine/sound/AudioFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "engine/core/Memory.h"
#include "platform/Processor.h"

VAudioEncodingFormat::VAudioEncodingFormat(const VAudioFormat& format) : VAudioFormat(format) {
  encoding = bits == 8 ? kAudioEncodingUnsigned : bits == 16 ? kAudioEncodingSigned : kAudioEncodingNone;
}

int32_t FillSilence(void* buffer, const VAudioEncodingFormat& format, int32_t frames) {
  if (!buffer || frames <= 0) return 0;
  const int64_t bytes = format.BytesForFrames(frames);
  if (bytes > INT32_MAX) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  if (format.bits == 8) {
    std::memset(out, format.encoding == kAudioEncodingUnsigned ? 0x80 : 0, static_cast<size_t>(bytes));
  } else if (format.bits == 16) {
    if (format.encoding == kAudioEncodingUnsigned) {
      const uint8_t first = format.byteOrder == 1 ? 0x00 : 0x80;
      const uint8_t second = format.byteOrder == 1 ? 0x80 : 0x00;
      for (int64_t i = 0; i + 1 < bytes; i += 2) {
        out[i] = first;
        out[i + 1] = second;
      }
    } else {
      std::memset(out, 0, static_cast<size_t>(bytes));
    }
  } else {
    return 0;
  }
  return static_cast<int32_t>(bytes);
}

int32_t ConvertSampleWidth(const void* source, const VAudioEncodingFormat& sourceFormat, int32_t samples,
                           void* destination, const VAudioEncodingFormat& destinationFormat) {
  if (!source || !destination || samples < 0) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(destination);
  if (sourceFormat.bits == 8 && destinationFormat.bits == 16) {
    for (int32_t i = samples - 1; i >= 0; --i) {  // backwards: the buffers may be one
      const uint8_t b = in[i];
      out[2 * i] = b;
      out[2 * i + 1] = b;
    }
    return samples * 2;
  }
  if (sourceFormat.bits == 16 && destinationFormat.bits == 8) {
    const int high = sourceFormat.byteOrder == 1 ? 1 : 0;
    for (int32_t i = 0; i < samples; ++i) out[i] = in[2 * i + high];
    return samples;
  }
  return 0;
}

namespace {

// What a conversion does to each sample, whatever the rate: the source frame
// chosen for an output frame is converted on its own.
struct SampleMap {
  uint16_t flip16;       // 0x8000 between signed and unsigned, else 0
  bool swapSource;       // 16-bit source samples not in the processor's byte order
  bool swapDestination;  // 16-bit output samples not in the processor's byte order
  bool destinationLittle;
  const uint16_t* table = nullptr;  // 8-bit sources: each byte's output sample as stored
};

uint16_t Swap16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }

// The 8-bit table for a flip of the top bit, an output width and byte
// order: made once for all eight, since every block of every 8-bit sound
// needs one.
const uint16_t* ByteTable(bool flip, bool wide, bool little) {
  struct Tables {
    uint16_t table[8][256];
    Tables() {
      constexpr bool kLittleHost = std::endian::native == std::endian::little;
      for (int kind = 0; kind < 8; ++kind) {
        const auto flip8 = static_cast<uint16_t>((kind & 1) ? 0x80 : 0);
        const bool isWide = (kind & 2) != 0, isLittle = (kind & 4) != 0;
        for (uint16_t b = 0; b < 256; ++b) {
          // 8 to 16 bits repeats the byte (b, b) before the top bit flips.
          const auto hi = static_cast<uint16_t>(b ^ flip8);
          // As stored: the first byte in the low half on this processor.
          const uint16_t first = isWide && isLittle ? b : hi;
          const uint16_t second = isWide ? (isLittle ? hi : b) : 0;
          const auto value = static_cast<uint16_t>(first | (second << 8));
          table[kind][b] = kLittleHost ? value : Swap16(value);
        }
      }
    }
  };
  static const Tables tables;
  return tables.table[(flip ? 1 : 0) | (wide ? 2 : 0) | (little ? 4 : 0)];
}

// Output frames [first, frames): frame 0 reads source frame 0, frame j after
// it source frame (start + j * step) / 1024, never past `last`. One loop per
// pair of widths and channel counts.
template <int kSourceBytes, bool kSourceStereo, int kDestinationBytes, bool kDestinationStereo, bool kSwaps>
void StepFrames(const uint8_t* source, uint8_t* out, int32_t first, int32_t frames, int64_t start, int32_t step,
                int64_t last, const SampleMap& map) {
  constexpr int kSourceFrame = kSourceBytes * (kSourceStereo ? 2 : 1);
  constexpr int kOutSamples = kDestinationStereo ? 2 : 1;
  // Held in locals: the output's stores could otherwise alias the map and
  // make every frame read it again.
  const uint16_t flip16 = map.flip16;
  const bool swapSource = kSwaps && map.swapSource;
  const bool swapDestination = kSwaps && map.swapDestination;
  const uint16_t* table = map.table;
  auto convert = [&](int64_t index, int32_t j) {
    const uint8_t* frame = source + index * kSourceFrame;
    uint8_t* to = out + int64_t{j} * kOutSamples * kDestinationBytes;
    for (int k = 0; k < kOutSamples; ++k) {
      // Stereo to mono keeps the left sample; mono to stereo repeats it.
      const uint8_t* sample = frame + (kSourceStereo && kDestinationStereo ? k * kSourceBytes : 0);
      uint16_t stored;
      if constexpr (kSourceBytes == 1) {
        stored = table[sample[0]];
      } else {
        uint16_t raw;
        std::memcpy(&raw, sample, 2);
        const uint16_t value = static_cast<uint16_t>((swapSource ? Swap16(raw) : raw) ^ flip16);
        if constexpr (kDestinationBytes == 1) {
          stored = static_cast<uint16_t>(value >> 8);
        } else {
          stored = swapDestination ? Swap16(value) : value;
        }
      }
      if constexpr (kDestinationBytes == 1) {
        to[k] = static_cast<uint8_t>(stored);
      } else {
        std::memcpy(to + 2 * k, &stored, 2);
      }
    }
  };
  int32_t j = first;
  if (j == 0 && frames > 0) convert(0, j++);
  // Frames before `safeEnd` read within the source without a bound check.
  const int64_t limit = last * 1024 + 1023;
  const int64_t safe = limit >= start ? (limit - start) / step + 1 : 0;
  const auto safeEnd = static_cast<int32_t>(std::clamp<int64_t>(safe, j, frames));
  int64_t total = start + int64_t{j} * step;
  for (; j < safeEnd && total < 0; ++j, total += step) convert(0, j);
  for (; j < safeEnd; ++j, total += step) convert(total >> 10, j);
  for (; j < frames; ++j) convert(last, j);
}

#if defined(__SSE2__)
const bool kHasSsse3 = platform::HasSsse3();

// Eight output frames at a time: their source frames lie within a few
// 16-byte windows from the first one's, and each window's bytes are shuffled
// into place (bytes outside a window shuffle in as zero). A frame of one byte
// is an 8-bit mono sample, repeated into both bytes of the output sample.
template <int kFrameBytes, int kWindows>
__attribute__((target("ssse3"))) int32_t GatherStep16Ssse3(const uint8_t* source, int64_t sourceFrames,
                                                           uint8_t* out, int32_t frames, int64_t start,
                                                           int32_t step, uint16_t flip16) {
  const __m128i steps = _mm_setr_epi16(0, static_cast<int16_t>(step), static_cast<int16_t>(2 * step),
                                       static_cast<int16_t>(3 * step), static_cast<int16_t>(4 * step),
                                       static_cast<int16_t>(5 * step), static_cast<int16_t>(6 * step),
                                       static_cast<int16_t>(7 * step));
  const __m128i highByte = _mm_set1_epi16(0x0100);
  const __m128i bias = _mm_set1_epi8(0x70);
  const __m128i sixteen = _mm_set1_epi8(16);
  const __m128i flip = _mm_set1_epi16(static_cast<int16_t>(flip16));
  const int64_t endByte = sourceFrames * kFrameBytes - int64_t{kWindows} * 16;
  int64_t total = start;
  int32_t j = 0;
  for (; j + 8 <= frames; j += 8, total += int64_t{8} * step) {
    const int64_t base = (total >> 10) * kFrameBytes;
    if (base > endByte) break;
    const __m128i positions = _mm_add_epi16(_mm_set1_epi16(static_cast<int16_t>(total & 1023)), steps);
    __m128i offsets = _mm_srli_epi16(positions, 10);
    if constexpr (kFrameBytes > 1) offsets = _mm_slli_epi16(offsets, kFrameBytes == 4 ? 2 : 1);
    __m128i mask = _mm_or_si128(offsets, _mm_slli_epi16(offsets, 8));
    if constexpr (kFrameBytes > 1) mask = _mm_add_epi16(mask, highByte);
    const uint8_t* from = source + base;
    __m128i result;
    if constexpr (kWindows == 1) {
      result = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), mask);
    } else {
      result = _mm_setzero_si128();
      for (int w = 0; w < kWindows; ++w, from += 16, mask = _mm_sub_epi8(mask, sixteen)) {
        // Offsets within this window become 0x70..0x7F, the rest saturate
        // into the top bit (those below it are already negative bytes).
        const __m128i select = _mm_adds_epu8(mask, bias);
        result = _mm_or_si128(result,
                              _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), select));
      }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm_xor_si128(result, flip));
  }
  return j;
}

template <int kFrameBytes>
int32_t GatherStep16Windows(const uint8_t* source, int64_t sourceFrames, uint8_t* out, int32_t frames,
                            int64_t start, int32_t step, uint16_t flip16) {
  // The bytes eight output frames can reach, from the first one's frame.
  const int64_t span = ((int64_t{7} * step + 1023) >> 10) * kFrameBytes + (kFrameBytes > 1 ? 2 : 1);
  switch ((span + 15) / 16) {
    case 1: return GatherStep16Ssse3<kFrameBytes, 1>(source, sourceFrames, out, frames, start, step, flip16);
    case 2: return GatherStep16Ssse3<kFrameBytes, 2>(source, sourceFrames, out, frames, start, step, flip16);
    case 3: return GatherStep16Ssse3<kFrameBytes, 3>(source, sourceFrames, out, frames, start, step, flip16);
    case 4: return GatherStep16Ssse3<kFrameBytes, 4>(source, sourceFrames, out, frames, start, step, flip16);
    case 5: return GatherStep16Ssse3<kFrameBytes, 5>(source, sourceFrames, out, frames, start, step, flip16);
    case 6: return GatherStep16Ssse3<kFrameBytes, 6>(source, sourceFrames, out, frames, start, step, flip16);
    default: return 0;
  }
}
#endif

// 16-bit samples in the processor's order (`sourceFrameBytes` 2 mono, 4
// stereo, whose left sample is taken) or 8-bit mono samples (1, the byte
// repeated) stepped into 16-bit little-endian mono output, with the top bit
// flipped by `flip16`, from output frame 0 as far as a block of eight stays
// within the source; returns the frames written. The start must be under one
// source frame, so that frame 0 reads source frame 0 like the rest.
int32_t GatherStep16(const uint8_t* source, int64_t sourceFrames, int sourceFrameBytes, uint8_t* out,
                     int32_t frames, int64_t start, int32_t step, uint16_t flip16) {
#if defined(__SSE2__)
  if (!kHasSsse3 || start < 0 || start >= 1024 || step <= 0) return 0;
  switch (sourceFrameBytes) {
    case 1: return GatherStep16Windows<1>(source, sourceFrames, out, frames, start, step, flip16);
    case 2: return GatherStep16Windows<2>(source, sourceFrames, out, frames, start, step, flip16);
    case 4: return GatherStep16Windows<4>(source, sourceFrames, out, frames, start, step, flip16);
    default: return 0;
  }
#else
  (void)source;
  (void)sourceFrames;
  (void)sourceFrameBytes;
  (void)out;
  (void)frames;
  (void)start;
  (void)step;
  (void)flip16;
  return 0;
#endif
}

void ConvertFramesFor(const VAudioEncodingFormat& in, const VAudioEncodingFormat& out, const uint8_t* source,
                      uint8_t* destination, int32_t first, int32_t frames, int64_t start, int32_t step, int64_t last,
                      const SampleMap& map) {
  // Byte swapping has loops of its own so that the usual ones carry no test for it.
  const bool swaps = in.bits == 16 && (map.swapSource || (out.bits == 16 && map.swapDestination));
  if (!swaps && first == 0 && in.bits == 16 && out.bits == 16 && !out.stereo)
    first = GatherStep16(source, last + 1, in.stereo ? 4 : 2, destination, frames, start, step, map.flip16);
  const int key = (swaps ? 16 : 0) | (in.bits == 16 ? 8 : 0) | (in.stereo ? 4 : 0) | (out.bits == 16 ? 2 : 0) |
                  (out.stereo ? 1 : 0);
#define OSTREVAN_STEP(K, SB, SS, DB, DS, SW) \
  case K: StepFrames<SB, SS, DB, DS, SW>(source, destination, first, frames, start, step, last, map); break;
  switch (key) {
    OSTREVAN_STEP(0, 1, false, 1, false, false)
    OSTREVAN_STEP(1, 1, false, 1, true, false)
    OSTREVAN_STEP(2, 1, false, 2, false, false)
    OSTREVAN_STEP(3, 1, false, 2, true, false)
    OSTREVAN_STEP(4, 1, true, 1, false, false)
    OSTREVAN_STEP(5, 1, true, 1, true, false)
    OSTREVAN_STEP(6, 1, true, 2, false, false)
    OSTREVAN_STEP(7, 1, true, 2, true, false)
    OSTREVAN_STEP(8, 2, false, 1, false, false)
    OSTREVAN_STEP(9, 2, false, 1, true, false)
    OSTREVAN_STEP(10, 2, false, 2, false, false)
    OSTREVAN_STEP(11, 2, false, 2, true, false)
    OSTREVAN_STEP(12, 2, true, 1, false, false)
    OSTREVAN_STEP(13, 2, true, 1, true, false)
    OSTREVAN_STEP(14, 2, true, 2, false, false)
    OSTREVAN_STEP(15, 2, true, 2, true, false)
    OSTREVAN_STEP(24, 2, false, 1, false, true)
    OSTREVAN_STEP(25, 2, false, 1, true, true)
    OSTREVAN_STEP(26, 2, false, 2, false, true)
    OSTREVAN_STEP(27, 2, false, 2, true, true)
    OSTREVAN_STEP(28, 2, true, 1, false, true)
    OSTREVAN_STEP(29, 2, true, 1, true, true)
    OSTREVAN_STEP(30, 2, true, 2, false, true)
    default: StepFrames<2, true, 2, true, true>(source, destination, first, frames, start, step, last, map); break;
  }
#undef OSTREVAN_STEP
}

// 8-bit mono samples to 16-bit mono where output frame j is source frame
// (j + shift) / 2 (two output frames per source frame) or j (shift -1, one
// per source frame), as far as whole vectors stay within the source; returns
// the output frames written from frame 0.
int32_t Widen8Mono(const uint8_t* source, int32_t sourceFrames, uint8_t* out, int32_t frames, int shift,
                   const SampleMap& map) {
#if defined(__SSE2__)
  const __m128i flip = _mm_set1_epi8(static_cast<char>(map.flip16 >> 8));
  // Stored bytes of each sample: low b, high b ^ flip, in the output's order.
  auto widen = [&](__m128i bytes, bool upper) {
    const __m128i flipped = _mm_xor_si128(bytes, flip);
    if (map.destinationLittle)
      return upper ? _mm_unpackhi_epi8(bytes, flipped) : _mm_unpacklo_epi8(bytes, flipped);
    return upper ? _mm_unpackhi_epi8(flipped, bytes) : _mm_unpacklo_epi8(flipped, bytes);
  };
  if (shift < 0) {
    const int32_t n = std::min(frames, sourceFrames);
    int32_t j = 0;
    for (; j + 16 <= n; j += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + j));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), widen(bytes, false));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j + 16), widen(bytes, true));
    }
    return j;
  }
  // With shift 1 frame 0 is source frame 0 and the pairs start at frame 1.
  int32_t j = 0;
  if (shift == 1) {
    if (frames < 1) return 0;
    std::memcpy(out, &map.table[source[0]], 2);
    j = 1;
  }
  int32_t k = shift;  // the source frame of output frame j
  for (; j + 16 <= frames && k + 8 <= sourceFrames; j += 16, k += 8) {
    const __m128i samples =
        widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + k)), false);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm_unpacklo_epi16(samples, samples));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j + 16), _mm_unpackhi_epi16(samples, samples));
  }
  return j;
#else
  (void)source;
  (void)sourceFrames;
  (void)out;
  (void)frames;
  (void)shift;
  (void)map;
  return 0;
#endif
}

}  // namespace

int32_t ConvertAudioFormat(const void* source, const VAudioEncodingFormat& sourceFormat, int32_t sourceFrames,
                           void* destination, const VAudioEncodingFormat& destinationFormat,
                           int32_t destinationFrames, int32_t step, int32_t* fraction) {
  if (!source || !destination || source == destination) return 0;
  if (sourceFrames <= 0 || destinationFrames <= 0) return 0;
  if (sourceFormat.rate <= 0 || destinationFormat.rate <= 0) return 0;
  if ((sourceFormat.bits != 8 && sourceFormat.bits != 16) ||
      (destinationFormat.bits != 8 && destinationFormat.bits != 16))
    return 0;
  if (step == 0) {
    if (sourceFrames != destinationFrames) return 0;
    step = static_cast<int32_t>(static_cast<double>(sourceFormat.rate) / destinationFormat.rate * 1024.0);
    if (step <= 0) return 0;
  }
  if (step < 0) return 0;
  const int64_t outBytes = destinationFormat.BytesForFrames(destinationFrames);
  const int64_t inBytes = sourceFormat.BytesForFrames(sourceFrames);
  if (outBytes > INT32_MAX || inBytes > INT32_MAX) return 0;
  if (sourceFormat.SameEncoding(destinationFormat) && sourceFrames == destinationFrames) {
    std::memcpy(destination, source, static_cast<size_t>(inBytes));
    return static_cast<int32_t>(inBytes);
  }
  // Signedness changes only between signed and unsigned.
  const bool flip = sourceFormat.encoding != destinationFormat.encoding;
  if (flip && (sourceFormat.encoding ^ destinationFormat.encoding) != 1) return 0;

  constexpr bool kLittleHost = std::endian::native == std::endian::little;
  SampleMap map;
  map.flip16 = flip ? 0x8000 : 0;
  map.swapSource = (sourceFormat.byteOrder == 1) != kLittleHost;
  map.swapDestination = (destinationFormat.byteOrder == 1) != kLittleHost;
  map.destinationLittle = destinationFormat.byteOrder == 1;
  if (sourceFormat.bits == 8) map.table = ByteTable(flip, destinationFormat.bits == 16, map.destinationLittle);

  // The source is read while the output is written: an overlapping pair
  // goes through a copy.
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(destination);
  if (in < out + outBytes && out < in + inBytes) {
    thread_local std::vector<uint8_t> copy;
    copy.assign(in, in + inBytes);
    in = copy.data();
  }
  const int64_t last = sourceFrames - 1;
  const bool widen8Mono = sourceFormat.bits == 8 && !sourceFormat.stereo && destinationFormat.bits == 16 &&
                          !destinationFormat.stereo;
  if (sourceFormat.rate != destinationFormat.rate || sourceFrames != destinationFrames) {
    // Output frame j reads source frame (fraction + j * step) / 1024, the
    // first one frame 0, never past the last.
    const int64_t start = fraction ? *fraction : 0;
    int32_t first = 0;
    if (widen8Mono && start >= 0 && start < 1024) {
      // One or two output frames per source frame (the same rate, or twice
      // it), the usual steps of 8-bit sounds: frame j is source frame j, or
      // (j + 1) / 2 from a fraction of a half or more, else j / 2.
      if (step == 1024) first = Widen8Mono(in, sourceFrames, out, destinationFrames, -1, map);
      if (step == 512) first = Widen8Mono(in, sourceFrames, out, destinationFrames, start >= 512 ? 1 : 0, map);
    }
    // Steps up to two source frames per output frame read the 8-bit
    // samples where they lie.
    if (widen8Mono && first == 0 && map.destinationLittle && step <= 2048)
      first = GatherStep16(in, sourceFrames, 1, out, destinationFrames, start, step, map.flip16);
    if (widen8Mono && first == 0 && start >= 0) {
      // Other steps widen the source frames they reach first (a whole
      // vector at a time), then step through 16-bit samples.
      const int64_t reach = std::min<int64_t>(last, (start + int64_t{destinationFrames} * step) >> 10) + 1;
      thread_local std::vector<uint8_t> wide;
      wide.resize(static_cast<size_t>(reach * 2));
      const auto reachFrames = static_cast<int32_t>(reach);
      const int32_t done = Widen8Mono(in, reachFrames, wide.data(), reachFrames, -1, map);
      StepFrames<1, false, 2, false, false>(in, wide.data(), done, reachFrames, 0, 1024, last, map);
      SampleMap plain = map;
      plain.flip16 = 0;
      const int32_t gathered = GatherStep16(wide.data(), reach, 2, out, destinationFrames, start, step, 0);
      StepFrames<2, false, 2, false, false>(wide.data(), out, gathered, destinationFrames, start, step, reach - 1,
                                            plain);
      first = destinationFrames;
    }
    ConvertFramesFor(sourceFormat, destinationFormat, in, out, first, destinationFrames, start, step, last, map);
    if (fraction) *fraction = static_cast<int32_t>((start + int64_t{destinationFrames} * step) & 1023);
  } else {
    const int32_t first = widen8Mono ? Widen8Mono(in, sourceFrames, out, destinationFrames, -1, map) : 0;
    ConvertFramesFor(sourceFormat, destinationFormat, in, out, first, destinationFrames, 0, 1024, last, map);
  }
  return static_cast<int32_t>(outBytes);
}
