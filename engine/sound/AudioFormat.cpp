#include "engine/sound/AudioFormat.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/core/Memory.h"

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

int32_t SourceFramesForStep(int32_t outputFrames, int32_t step, int32_t fraction) {
  if (outputFrames <= 0 || step <= 0) return 1;
  const int64_t frames = (int64_t{step} * outputFrames + fraction) >> 10;
  return frames < 1 ? 1 : frames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
}

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
  // Working copy, wide enough for the widest intermediate form; kept per
  // thread so that the mixer allocates nothing after its first blocks.
  const int64_t samples = sourceFormat.SamplesForFrames(sourceFrames);
  thread_local std::vector<uint8_t> work;
  if (work.size() < static_cast<size_t>(samples * 2 * 2)) work.resize(static_cast<size_t>(samples * 2 * 2));
  std::memcpy(work.data(), source, static_cast<size_t>(inBytes));
  VAudioEncodingFormat current = sourceFormat;
  if (current.bits == 16 && current.byteOrder != destinationFormat.byteOrder) {
    SwapBytes16(work.data(), static_cast<int32_t>(samples));
    current.byteOrder = destinationFormat.byteOrder;
  }
  if (current.bits != destinationFormat.bits) {
    // Width changes keep the byte order of the copy (the high byte of a
    // little-endian sample is the second).
    if (ConvertSampleWidth(work.data(), current, static_cast<int32_t>(samples), work.data(), destinationFormat) == 0)
      return 0;
    current.bits = destinationFormat.bits;
    current.byteOrder = destinationFormat.byteOrder;
  }
  if (current.encoding != destinationFormat.encoding) {
    if ((current.encoding ^ destinationFormat.encoding) != 1) return 0;
    if (current.bits == 8) {
      for (int64_t i = 0; i < samples; ++i) work[static_cast<size_t>(i)] ^= 0x80;
    } else {
      const int high = current.byteOrder == 1 ? 1 : 0;
      for (int64_t i = 0; i < samples; ++i) work[static_cast<size_t>(2 * i + high)] ^= 0x80;
    }
    current.encoding = destinationFormat.encoding;
  }
  const int32_t sampleBytes = current.BytesPerSample();
  if (current.stereo != destinationFormat.stereo) {
    if (!current.stereo) {
      for (int64_t i = samples - 1; i >= 0; --i) {  // mono to stereo, backwards in place
        for (int b = 0; b < sampleBytes; ++b) {
          const uint8_t v = work[static_cast<size_t>(i * sampleBytes + b)];
          work[static_cast<size_t>(2 * i * sampleBytes + b)] = v;
          work[static_cast<size_t>((2 * i + 1) * sampleBytes + b)] = v;
        }
      }
    } else {
      for (int64_t i = 0; i < sourceFrames; ++i) {  // stereo to mono: the left sample
        std::memmove(&work[static_cast<size_t>(i * sampleBytes)], &work[static_cast<size_t>(2 * i * sampleBytes)],
                     static_cast<size_t>(sampleBytes));
      }
    }
    current.stereo = destinationFormat.stereo;
  }
  const int32_t frameBytes = current.FrameBytes();
  auto* out = static_cast<uint8_t*>(destination);
  if (current.rate != destinationFormat.rate || sourceFrames != destinationFrames) {
    int64_t frac = fraction ? *fraction : 0;
    int64_t index = 0;
    // One loop per frame size, so that each frame moves as one fixed-size copy.
    auto stepThrough = [&](auto frameSize) {
      constexpr size_t kSize = decltype(frameSize)::value;
      const uint8_t* from = work.data();
      for (int32_t j = 0; j < destinationFrames; ++j) {
        const int64_t at = index < sourceFrames ? index : sourceFrames - 1;
        std::memcpy(out + int64_t{j} * static_cast<int64_t>(kSize), from + at * static_cast<int64_t>(kSize), kSize);
        frac += step;
        index += frac >> 10;
        frac &= 1023;
      }
    };
    switch (frameBytes) {
      case 1: stepThrough(std::integral_constant<size_t, 1>{}); break;
      case 2: stepThrough(std::integral_constant<size_t, 2>{}); break;
      default: stepThrough(std::integral_constant<size_t, 4>{}); break;
    }
    if (fraction) *fraction = static_cast<int32_t>(frac);
  } else {
    std::memcpy(out, work.data(), static_cast<size_t>(outBytes));
  }
  return static_cast<int32_t>(outBytes);
}
