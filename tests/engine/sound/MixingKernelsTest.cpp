// The block loops of mixing (format conversion with rate stepping, volume and
// pan, saturating addition) give exactly the bytes of the plain one-pass
// loops they replace, written out here as the reference, over a table of
// formats, rate steps, starting fractions, volumes, pans and block lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/Memory.h"
#include "engine/sound/AudioFormat.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/SampleKernels.h"
#include "engine/sound/VolumeTables.h"

namespace {

// --- The reference loops: one pass per step of the conversion -------------------

int32_t ReferenceConvert(const void* source, const VAudioEncodingFormat& sourceFormat, int32_t sourceFrames,
                         void* destination, const VAudioEncodingFormat& destinationFormat, int32_t destinationFrames,
                         int32_t step, int32_t* fraction) {
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
  if (sourceFormat.SameEncoding(destinationFormat) && sourceFrames == destinationFrames) {
    std::memcpy(destination, source, static_cast<size_t>(inBytes));
    return static_cast<int32_t>(inBytes);
  }
  const int64_t samples = sourceFormat.SamplesForFrames(sourceFrames);
  std::vector<uint8_t> work(static_cast<size_t>(samples * 4));
  std::memcpy(work.data(), source, static_cast<size_t>(inBytes));
  VAudioEncodingFormat current = sourceFormat;
  if (current.bits == 16 && current.byteOrder != destinationFormat.byteOrder) {
    SwapBytes16(work.data(), static_cast<int32_t>(samples));
    current.byteOrder = destinationFormat.byteOrder;
  }
  if (current.bits != destinationFormat.bits) {
    if (current.bits == 8) {
      for (int64_t i = samples - 1; i >= 0; --i) {
        const uint8_t b = work[static_cast<size_t>(i)];
        work[static_cast<size_t>(2 * i)] = b;
        work[static_cast<size_t>(2 * i + 1)] = b;
      }
    } else {
      const int high = current.byteOrder == 1 ? 1 : 0;
      for (int64_t i = 0; i < samples; ++i) work[static_cast<size_t>(i)] = work[static_cast<size_t>(2 * i + high)];
    }
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
      for (int64_t i = samples - 1; i >= 0; --i) {
        for (int b = 0; b < sampleBytes; ++b) {
          const uint8_t v = work[static_cast<size_t>(i * sampleBytes + b)];
          work[static_cast<size_t>(2 * i * sampleBytes + b)] = v;
          work[static_cast<size_t>((2 * i + 1) * sampleBytes + b)] = v;
        }
      }
    } else {
      for (int64_t i = 0; i < sourceFrames; ++i)
        std::memmove(&work[static_cast<size_t>(i * sampleBytes)], &work[static_cast<size_t>(2 * i * sampleBytes)],
                     static_cast<size_t>(sampleBytes));
    }
    current.stereo = destinationFormat.stereo;
  }
  const int32_t frameBytes = current.FrameBytes();
  auto* out = static_cast<uint8_t*>(destination);
  if (current.rate != destinationFormat.rate || sourceFrames != destinationFrames) {
    int64_t frac = fraction ? *fraction : 0;
    int64_t index = 0;
    for (int32_t j = 0; j < destinationFrames; ++j) {
      const int64_t at = index < sourceFrames ? index : sourceFrames - 1;
      std::memcpy(out + int64_t{j} * frameBytes, work.data() + at * frameBytes, static_cast<size_t>(frameBytes));
      frac += step;
      index += frac >> 10;
      frac &= 1023;
    }
    if (fraction) *fraction = static_cast<int32_t>(frac);
  } else {
    std::memcpy(out, work.data(), static_cast<size_t>(outBytes));
  }
  return static_cast<int32_t>(outBytes);
}

void ReferenceAdd(uint8_t* into, const uint8_t* add, int32_t bytes, const VAudioEncodingFormat& format) {
  if (format.bits == 8) {
    if (format.encoding == kAudioEncodingUnsigned) {
      for (int32_t i = 0; i < bytes; ++i) into[i] = static_cast<uint8_t>(std::clamp(into[i] + add[i] - 128, 0, 255));
    } else if (format.encoding == kAudioEncodingSigned) {
      for (int32_t i = 0; i < bytes; ++i) {
        const int v = static_cast<int8_t>(into[i]) + static_cast<int8_t>(add[i]);
        into[i] = static_cast<uint8_t>(static_cast<int8_t>(std::clamp(v, -128, 127)));
      }
    }
    return;
  }
  if (format.bits != 16) return;
  for (int32_t i = 0; i < bytes / 2; ++i) {
    int16_t a, b;
    std::memcpy(&a, into + 2 * i, 2);
    std::memcpy(&b, add + 2 * i, 2);
    if (format.encoding == kAudioEncodingSigned) {
      const auto v = static_cast<int16_t>(std::clamp(a + b, -32768, 32767));
      std::memcpy(into + 2 * i, &v, 2);
    } else if (format.encoding == kAudioEncodingUnsigned) {
      const int ua = static_cast<uint16_t>(a), ub = static_cast<uint16_t>(b);
      const auto v = static_cast<uint16_t>(std::clamp((ua - 32768) + (ub - 32768), -32768, 32767) + 32768);
      std::memcpy(into + 2 * i, &v, 2);
    }
  }
}

// 16-bit volume and pan, sample by sample in either byte order.
void ReferenceScale16(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, int32_t volume,
                      int32_t pan) {
  const bool stereo = format.stereo != 0;
  if (volume == 100 && (!stereo || pan == 0)) return;
  if (volume == 0) {
    FillSilence(buffer, format, frames);
    return;
  }
  int32_t left = volume, right = volume;
  if (stereo) {
    if (pan < 0) right = (pan + 100) * volume / 100;
    if (pan > 0) left = (100 - pan) * volume / 100;
  }
  const int32_t samples = static_cast<int32_t>(format.SamplesForFrames(frames));
  const int32_t leftFactor = (stereo ? left : volume) * 256 / 100;
  const int32_t rightFactor = (stereo ? right : volume) * 256 / 100;
  const bool little = format.byteOrder == 1;
  for (int32_t i = 0; i < samples; ++i) {
    uint8_t* p = buffer + 2 * i;
    const uint16_t raw = little ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
    const int32_t factor = (stereo && (i & 1)) ? rightFactor : leftFactor;
    const int32_t value = format.encoding == kAudioEncodingUnsigned
                              ? (((static_cast<int32_t>(raw) - 32768) * factor) >> 8) + 32768
                              : (static_cast<int16_t>(raw) * factor) >> 8;
    const auto out = static_cast<uint16_t>(value);
    p[little ? 0 : 1] = static_cast<uint8_t>(out);
    p[little ? 1 : 0] = static_cast<uint8_t>(out >> 8);
  }
}

// --- The table ---------------------------------------------------------------------

std::vector<VAudioEncodingFormat> AllFormats() {
  std::vector<VAudioEncodingFormat> formats;
  for (int rate : {11025, 22050, 44100})
    for (int bits : {8, 16})
      for (bool stereo : {false, true})
        for (int32_t encoding : {kAudioEncodingSigned, kAudioEncodingUnsigned})
          for (int32_t order : {1, 0}) {
            if (bits == 8 && order == 0) continue;
            VAudioEncodingFormat f(rate, bits, stereo, encoding);
            f.byteOrder = order;
            formats.push_back(f);
          }
  return formats;
}

std::string Describe(const VAudioEncodingFormat& f) {
  return std::to_string(f.rate) + "/" + std::to_string(f.bits) + (f.stereo ? "/stereo" : "/mono") +
         (f.encoding == kAudioEncodingSigned ? "/signed" : "/unsigned") + (f.byteOrder == 1 ? "/le" : "/be");
}

// Random bytes with the extremes of every sample width mixed in.
std::vector<uint8_t> Noise(size_t bytes, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> v(bytes);
  for (size_t i = 0; i < bytes; ++i) {
    const uint32_t r = random();
    v[i] = (r & 0x700) == 0 ? static_cast<uint8_t>((r & 1) ? 0xFF : (r & 2) ? 0x80 : (r & 4) ? 0x7F : 0x00)
                            : static_cast<uint8_t>(r);
  }
  return v;
}

TEST(MixingKernels, ConversionEqualsOnePassReference) {
  const std::vector<VAudioEncodingFormat> formats = AllFormats();
  // Pitches give steps below, at and above one source frame per output frame.
  const int32_t pitches[] = {110, 300, 440, 441, 523, 880, 1500};
  const int32_t starts[] = {0, 1, 511, 512, 1023};
  int compared = 0;
  for (const VAudioEncodingFormat& in : formats) {
    for (const VAudioEncodingFormat& out : formats) {
      if (out.rate != 22050 && in.rate != out.rate) continue;  // every source rate into one output rate
      for (int32_t pitch : pitches) {
        const double ratio = pitch / 440.0 * in.rate / out.rate;
        const int32_t step = static_cast<int32_t>(std::clamp(ratio * 1024.0, 1.0, 1024.0 * 1024.0));
        for (int32_t start : starts) {
          for (int32_t outFrames : {1, 7, 16, 333}) {
            const int32_t inFrames = SourceFramesForStep(outFrames, step, start) + (start & 3);
            const std::vector<uint8_t> source =
                Noise(static_cast<size_t>(in.BytesForFrames(inFrames)), static_cast<uint32_t>(compared));
            std::vector<uint8_t> expected(static_cast<size_t>(out.BytesForFrames(outFrames)) + 8, 0xA5);
            std::vector<uint8_t> actual = expected;
            int32_t expectedFraction = start, actualFraction = start;
            const int32_t e = ReferenceConvert(source.data(), in, inFrames, expected.data(), out, outFrames, step,
                                               &expectedFraction);
            const int32_t a =
                ConvertAudioFormat(source.data(), in, inFrames, actual.data(), out, outFrames, step, &actualFraction);
            ASSERT_EQ(a, e) << Describe(in) << " -> " << Describe(out) << " step " << step;
            ASSERT_EQ(actualFraction, expectedFraction) << Describe(in) << " -> " << Describe(out);
            ASSERT_EQ(actual, expected) << Describe(in) << " -> " << Describe(out) << " step " << step << " from "
                                        << start << ", " << outFrames << " frames";
            ++compared;
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 0);
}

// Long blocks of 8- and 16-bit sources into 16-bit mono at every step up to seven
// source frames per output frame, with the source ending just where the last
// output frame reads, so that blocks of frames near the end and steps that
// reach across several 16-byte spans of the source are all compared.
TEST(MixingKernels, LongSteppedSixteenBitBlocksEqualReference) {
  const VAudioEncodingFormat out(22050, 16, false, kAudioEncodingSigned);
  const std::vector<VAudioEncodingFormat> sources = {
      VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned),
      VAudioEncodingFormat(44100, 16, true, kAudioEncodingSigned),
      VAudioEncodingFormat(11025, 16, false, kAudioEncodingUnsigned),
      VAudioEncodingFormat(22050, 16, true, kAudioEncodingUnsigned),
      VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned),
      VAudioEncodingFormat(22050, 8, false, kAudioEncodingSigned),
  };
  uint32_t seed = 7;
  for (const VAudioEncodingFormat& in : sources) {
    for (int32_t step = 1; step <= 7 * 1024; step += step < 2200 ? 37 : 131) {
      for (int32_t start : {0, 700}) {
        for (int32_t outFrames : {8, 200, 257}) {
          for (int32_t extra : {0, 1, 9}) {
            const int32_t inFrames = SourceFramesForStep(outFrames, step, start) + extra;
            const std::vector<uint8_t> source = Noise(static_cast<size_t>(in.BytesForFrames(inFrames)), ++seed);
            std::vector<uint8_t> expected(static_cast<size_t>(out.BytesForFrames(outFrames)) + 8, 0xA5);
            std::vector<uint8_t> actual = expected;
            int32_t expectedFraction = start, actualFraction = start;
            ReferenceConvert(source.data(), in, inFrames, expected.data(), out, outFrames, step, &expectedFraction);
            ConvertAudioFormat(source.data(), in, inFrames, actual.data(), out, outFrames, step, &actualFraction);
            ASSERT_EQ(actualFraction, expectedFraction);
            ASSERT_EQ(actual, expected) << Describe(in) << " step " << step << " from " << start << ", " << outFrames
                                        << " frames, " << inFrames << " source frames";
          }
        }
      }
    }
  }
}

TEST(MixingKernels, SameRateConversionAndComputedStepEqualReference) {
  const std::vector<VAudioEncodingFormat> formats = AllFormats();
  for (const VAudioEncodingFormat& in : formats) {
    for (const VAudioEncodingFormat& out : formats) {
      if (in.rate != out.rate) continue;
      const std::vector<uint8_t> source = Noise(static_cast<size_t>(in.BytesForFrames(100)), 7);
      std::vector<uint8_t> expected(static_cast<size_t>(out.BytesForFrames(100)));
      std::vector<uint8_t> actual(expected.size());
      const int32_t e = ReferenceConvert(source.data(), in, 100, expected.data(), out, 100, 0, nullptr);
      const int32_t a = ConvertAudioFormat(source.data(), in, 100, actual.data(), out, 100, 0, nullptr);
      ASSERT_EQ(a, e) << Describe(in) << " -> " << Describe(out);
      ASSERT_EQ(actual, expected) << Describe(in) << " -> " << Describe(out);
    }
  }
}

TEST(MixingKernels, ConversionRefusesWhatTheReferenceRefuses) {
  VAudioEncodingFormat adpcm(22050, 16, false, kAudioEncodingMicrosoftADPCM);
  const VAudioEncodingFormat s16(22050, 16, false, kAudioEncodingSigned);
  VAudioEncodingFormat s24(22050, 24, false, kAudioEncodingSigned);
  std::vector<uint8_t> source(64, 1), out(64);
  EXPECT_EQ(ConvertAudioFormat(source.data(), adpcm, 8, out.data(), s16, 8, 512, nullptr), 0);
  EXPECT_EQ(ConvertAudioFormat(source.data(), s24, 8, out.data(), s16, 8, 512, nullptr), 0);
  EXPECT_EQ(ConvertAudioFormat(source.data(), s16, 8, out.data(), s16, 8, -1, nullptr), 0);
  EXPECT_EQ(ConvertAudioFormat(source.data(), s16, 0, out.data(), s16, 8, 1024, nullptr), 0);
}

TEST(MixingKernels, OverlappingSourceAndOutputConvertAsSeparateBuffers) {
  const VAudioEncodingFormat u8(11025, 8, false, kAudioEncodingUnsigned);
  const VAudioEncodingFormat s16(22050, 16, false, kAudioEncodingSigned);
  std::vector<uint8_t> buffer = Noise(400, 3);
  const std::vector<uint8_t> source(buffer.begin(), buffer.begin() + 100);
  std::vector<uint8_t> expected(400);
  ReferenceConvert(source.data(), u8, 100, expected.data(), s16, 200, 512, nullptr);
  // The source sits in the second half of the output's first block.
  std::memcpy(buffer.data() + 50, source.data(), source.size());
  ASSERT_EQ(ConvertAudioFormat(buffer.data() + 50, u8, 100, buffer.data(), s16, 200, 512, nullptr), 400);
  EXPECT_EQ(buffer, expected);
}

TEST(MixingKernels, VolumeAndPanEqualReference) {
  BuildVolumeTables(16);
  for (const VAudioEncodingFormat& f : AllFormats()) {
    if (f.rate != 22050 || f.bits != 16) continue;
    for (int32_t volume : {0, 1, 37, 50, 60, 75, 99, 100})
      for (int32_t pan : {-100, -40, 0, 1, 55, 100})
        for (int32_t frames : {1, 3, 8, 9, 1023}) {
          const std::vector<uint8_t> source = Noise(static_cast<size_t>(f.BytesForFrames(frames)), 11);
          std::vector<uint8_t> expected = source, actual = source;
          ReferenceScale16(expected.data(), f, frames, volume, pan);
          ApplyVolumeAndPan(actual.data(), f, frames, volume, pan);
          ASSERT_EQ(actual, expected) << Describe(f) << " volume " << volume << " pan " << pan << ", " << frames
                                      << " frames";
        }
  }
  FreeVolumeTables();
}

TEST(MixingKernels, SaturatingAdditionEqualsReference) {
  for (int bits : {8, 16})
    for (int32_t encoding : {kAudioEncodingSigned, kAudioEncodingUnsigned, kAudioEncodingNone})
      for (int32_t bytes : {1, 2, 15, 16, 17, 31, 32, 33, 2048, 2050}) {
        const VAudioEncodingFormat f(22050, bits, false, encoding);
        const std::vector<uint8_t> a = Noise(static_cast<size_t>(bytes), 5), b = Noise(static_cast<size_t>(bytes), 6);
        std::vector<uint8_t> expected = a, actual = a;
        ReferenceAdd(expected.data(), b.data(), bytes, f);
        AddSaturating(actual.data(), b.data(), bytes, f);
        ASSERT_EQ(actual, expected) << bits << " bits, encoding " << encoding << ", " << bytes << " bytes";
      }
}

// The mixing loop's single pass equals scaling a copy and adding it, for
// factors on both sides of 128 (where the vector form changes), stereo
// factors, both signednesses and lengths around the vector widths.
TEST(MixingKernels, ScaledAdditionEqualsScaleThenAdd) {
  const std::pair<int32_t, int32_t> factors[] = {{0, 0},     {1, 1},     {100, 100}, {127, 127}, {128, 128},
                                                 {153, 192}, {192, 153}, {255, 0},   {256, 256}, {256, 37}};
  for (const bool isUnsigned : {false, true})
    for (const auto& [left, right] : factors)
      for (int32_t samples : {1, 7, 8, 15, 16, 17, 33, 1024, 1025}) {
        const std::vector<uint8_t> into = Noise(static_cast<size_t>(samples) * 2, 21);
        const std::vector<uint8_t> add = Noise(static_cast<size_t>(samples) * 2, 22);
        std::vector<uint8_t> scaled = add, expected = into, actual = into;
        ScaleSamples16(scaled.data(), samples, left, right, isUnsigned);
        AddSaturating16(expected.data(), scaled.data(), samples, isUnsigned);
        AddScaledSaturating16(actual.data(), add.data(), samples, left, right, isUnsigned);
        ASSERT_EQ(actual, expected) << (isUnsigned ? "unsigned" : "signed") << " factors " << left << "/" << right
                                    << ", " << samples << " samples";
      }
}

// Adding many blocks in one pass over the output equals adding them one by
// one, in order (each sum clipped before the next block): block counts
// around the group of sixteen, factors below and above 128 and apart by
// side, lengths around the vector and tile widths, both signednesses, onto
// the output's contents or onto silence.
TEST(MixingKernels, ManyScaledBlocksEqualBlocksAddedInTurn) {
  const std::pair<int32_t, int32_t> factors[] = {{256, 256}, {153, 153}, {100, 100}, {0, 0},   {128, 127},
                                                 {37, 255},  {191, 191}, {1, 1},     {127, 128}, {64, 200}};
  uint32_t seed = 100;
  for (const bool isUnsigned : {false, true})
    for (const bool fromSilence : {false, true})
      for (int32_t count : {0, 1, 2, 15, 16, 17, 33})
        for (int32_t samples : {1, 15, 16, 17, 127, 128, 129, 1024, 1025, 1040}) {
          // Loud sources, so that sums clip on the way.
          std::vector<std::vector<uint8_t>> sources;
          for (int32_t k = 0; k < count; ++k) sources.push_back(Noise(static_cast<size_t>(samples) * 2, ++seed));
          std::vector<ScaledBlock16> blocks;
          for (int32_t k = 0; k < count; ++k) {
            const auto& [left, right] = factors[static_cast<size_t>(k) % std::size(factors)];
            blocks.push_back({sources[static_cast<size_t>(k)].data(), left, right});
          }
          const std::vector<uint8_t> into = Noise(static_cast<size_t>(samples) * 2, ++seed);
          std::vector<uint8_t> expected = into, actual = into;
          const VAudioEncodingFormat format(22050, 16, false,
                                            isUnsigned ? kAudioEncodingUnsigned : kAudioEncodingSigned);
          if (fromSilence) FillSilence(expected.data(), format, samples);
          for (const ScaledBlock16& block : blocks)
            AddScaledSaturating16(expected.data(), block.samples, samples, block.leftFactor, block.rightFactor,
                                  isUnsigned);
          AddScaledBlocksSaturating16(actual.data(), blocks.data(), count, samples, isUnsigned, fromSilence);
          ASSERT_EQ(actual, expected) << (isUnsigned ? "unsigned" : "signed") << (fromSilence ? " from silence" : "")
                                      << ", " << count << " blocks of " << samples << " samples";
        }
}

}  // namespace
