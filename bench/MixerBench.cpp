// Mixing one 1024-frame block of 16 playing channels at the title's output
// format (22050 Hz, 16-bit mono) through the mixer, with streams already in
// that format and with 8-bit 11025 Hz streams that each channel converts,
// and with four formats at pitches of their own (every channel stepping
// through its source), against the floor of mixing: a saturating add of 16
// blocks already converted and scaled, with the processor's own saturating
// add (paddsw, 16 samples at a time with AVX2), as the reference in the same
// run. Volumes, pitch and conversion are on our side only. The floor is
// timed in two forms: block after block (the sums stored and loaded again for
// each block), and at its best, with a stretch of the sums held in registers
// while all 16 blocks are added. Both floors read 32 KB that stay in the
// cache; the mixer reads its 16 two-second sounds as playback moves through
// them, so the floor is also timed reading its blocks that way, and the
// mixer's kernel alone over the cached blocks and over the moving sounds. The
// ratios of the medians are printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <immintrin.h>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SampleKernels.h"

namespace {

constexpr int32_t kFrames = 1024;
constexpr int kChannels = 16;
const VAudioEncodingFormat kOutput(22050, 16, false, kAudioEncodingSigned);

struct ChannelSetup {
  VAudioEncodingFormat format;
  int32_t pitch;
};

void MixChannels(benchmark::State& state, const std::vector<ChannelSetup>& setups) {
  EnsureStandardSoundCodecs();
  VCaptureAudioDevice device(kOutput);
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  std::vector<VAudioChannel*> channels;
  for (int c = 0; c < kChannels; ++c) {
    const ChannelSetup& setup = setups[static_cast<size_t>(c) % setups.size()];
    const int32_t bytes = static_cast<int32_t>(setup.format.BytesForMilliseconds(2000));
    std::vector<uint8_t> samples(static_cast<size_t>(bytes));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>((i + c) * 2654435761u >> 24);
    auto* stream = new VMemoryAudioStream(setup.format, samples.data(), bytes);
    stream->SetLoopCount(-1);
    VAudioChannel* channel = nullptr;
    stream->PlayOnNewChannel(channel, 0, 32767, setup.pitch);
    channel->SetChannelVolume(60 + c);
    channels.push_back(channel);
    stream->Release();
  }
  std::vector<uint8_t> block(kFrames * 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(mixer->FillBuffer(block.data(), kOutput, kFrames, false));
    benchmark::ClobberMemory();
  }
  for (VAudioChannel* c : channels) {
    c->Stop();
    c->Release();
  }
  delete mixer;
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

void BM_Mix16SameFormat(benchmark::State& state) { MixChannels(state, {{kOutput, 440}}); }
void BM_Mix16Converted(benchmark::State& state) {
  MixChannels(state, {{VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned), 440}});
}
// Four kinds in turn, three of them at a pitch off the reference, so that
// every channel steps through its source at a rate of its own.
void BM_Mix16MixedFormatsAndPitches(benchmark::State& state) {
  MixChannels(state, {{kOutput, 440},
                      {VAudioEncodingFormat(11025, 8, false, kAudioEncodingUnsigned), 494},
                      {VAudioEncodingFormat(22050, 8, false, kAudioEncodingUnsigned), 392},
                      {VAudioEncodingFormat(44100, 16, true, kAudioEncodingSigned), 523}});
}

// The reference: 16 blocks already in the output format added with the
// processor's saturating add, the fastest it has.
__attribute__((target("avx2"))) void AddBlocksAvx2(int16_t* out, const int16_t* const* inputs) {
  benchsupport::LibraryMemcpy(out, inputs[0], kFrames * 2);
  for (int c = 1; c < kChannels; ++c) {
    const int16_t* in = inputs[c];
    for (int i = 0; i < kFrames; i += 16) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_adds_epi16(a, b));
    }
  }
}

// The floor at its best: 128 samples of the sums held in registers while all
// 16 blocks are added to them, stored once.
__attribute__((target("avx2"))) void AddBlocksInRegistersAvx2(int16_t* out,
                                                              const std::vector<std::vector<int16_t>>& inputs) {
  constexpr int kVectors = 8;
  for (int i = 0; i < kFrames; i += 16 * kVectors) {
    __m256i sums[kVectors];
    for (int r = 0; r < kVectors; ++r)
      sums[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inputs[0].data() + i + 16 * r));
    for (int c = 1; c < kChannels; ++c) {
      const int16_t* in = inputs[static_cast<size_t>(c)].data() + i;
      for (int r = 0; r < kVectors; ++r)
        sums[r] = _mm256_adds_epi16(sums[r], _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 16 * r)));
    }
    for (int r = 0; r < kVectors; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16 * r), sums[r]);
  }
}

void AddBlocksSse2(int16_t* out, const int16_t* const* inputs) {
  benchsupport::LibraryMemcpy(out, inputs[0], kFrames * 2);
  for (int c = 1; c < kChannels; ++c) {
    const int16_t* in = inputs[c];
    for (int i = 0; i < kFrames; i += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_adds_epi16(a, b));
    }
  }
}

std::vector<std::vector<int16_t>> FloorBlocks() {
  std::vector<std::vector<int16_t>> inputs(kChannels, std::vector<int16_t>(kFrames));
  for (int c = 0; c < kChannels; ++c)
    for (int i = 0; i < kFrames; ++i) inputs[c][i] = static_cast<int16_t>((i * 2654435761u + c) >> 16);
  return inputs;
}

std::vector<const int16_t*> BlockPointers(const std::vector<std::vector<int16_t>>& blocks) {
  std::vector<const int16_t*> pointers;
  for (const std::vector<int16_t>& block : blocks) pointers.push_back(block.data());
  return pointers;
}

void AddBlocks(int16_t* out, const int16_t* const* inputs) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    AddBlocksAvx2(out, inputs);
  } else {
    AddBlocksSse2(out, inputs);
  }
}

void BM_SaturatingAdd16(benchmark::State& state) {
  const std::vector<std::vector<int16_t>> inputs = FloorBlocks();
  const std::vector<const int16_t*> pointers = BlockPointers(inputs);
  std::vector<int16_t> out(kFrames);
  for (auto _ : state) {
    AddBlocks(out.data(), pointers.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

// The same floor reading its blocks where the mixer reads them: from 16
// two-second sounds, each block the next stretch of each as playback moves
// through them (the mixer's memory traffic without any of its work).
constexpr int32_t kSoundFrames = 44100;  // two seconds at 22050 Hz

std::vector<std::vector<int16_t>> MovingSounds() {
  std::vector<std::vector<int16_t>> sounds(kChannels, std::vector<int16_t>(kSoundFrames));
  for (int c = 0; c < kChannels; ++c)
    for (int32_t i = 0; i < kSoundFrames; ++i) sounds[c][i] = static_cast<int16_t>((i * 2654435761u + c) >> 16);
  return sounds;
}

void BM_SaturatingAdd16MovingSounds(benchmark::State& state) {
  const std::vector<std::vector<int16_t>> sounds = MovingSounds();
  std::vector<int16_t> out(kFrames);
  const int16_t* pointers[kChannels];
  int32_t position = 0;
  for (auto _ : state) {
    if (position + kFrames > kSoundFrames) position = 0;
    for (int c = 0; c < kChannels; ++c) pointers[c] = sounds[c].data() + position;
    AddBlocks(out.data(), pointers);
    position += kFrames;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

// The mixer's kernel alone (the volumes applied) over the floor's blocks: what
// the scaling and adding cost without reading the sounds and without the
// channels' work.
void BM_MixKernelAlone(benchmark::State& state) {
  const std::vector<std::vector<int16_t>> inputs = FloorBlocks();
  std::vector<int16_t> out(kFrames);
  ScaledBlock16 blocks[kChannels];
  for (int c = 0; c < kChannels; ++c)
    blocks[c] = {reinterpret_cast<const uint8_t*>(inputs[static_cast<size_t>(c)].data()), 160 + c, 160 + c};
  for (auto _ : state) {
    AddScaledBlocksSaturating16(reinterpret_cast<uint8_t*>(out.data()), blocks, kChannels, kFrames, false, true);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

// The mixer's kernel alone over the same moving sounds: its reading of memory
// without the channels' work.
void BM_MixKernelMovingSounds(benchmark::State& state) {
  const std::vector<std::vector<int16_t>> sounds = MovingSounds();
  std::vector<int16_t> out(kFrames);
  ScaledBlock16 blocks[kChannels];
  int32_t position = 0;
  for (auto _ : state) {
    if (position + kFrames > kSoundFrames) position = 0;
    for (int c = 0; c < kChannels; ++c)
      blocks[c] = {reinterpret_cast<const uint8_t*>(sounds[static_cast<size_t>(c)].data() + position), 160 + c, 160 + c};
    AddScaledBlocksSaturating16(reinterpret_cast<uint8_t*>(out.data()), blocks, kChannels, kFrames, false, true);
    position += kFrames;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

void BM_SaturatingAdd16InRegisters(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx2")) {
    state.SkipWithError("the processor has no AVX2");
    return;
  }
  const std::vector<std::vector<int16_t>> inputs = FloorBlocks();
  std::vector<int16_t> out(kFrames);
  for (auto _ : state) {
    AddBlocksInRegistersAvx2(out.data(), inputs);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

BENCHMARK(BM_SaturatingAdd16)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_SaturatingAdd16InRegisters)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_SaturatingAdd16MovingSounds)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_MixKernelMovingSounds)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_MixKernelAlone)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_Mix16SameFormat)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_Mix16Converted)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_Mix16MixedFormatsAndPitches)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  const std::string heading = "Ratios of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    std::printf("(reference: 16 blocks of 1024 samples added with paddsw, AVX2 where the processor has it;\n"
                " block after block, and with 128 samples of the sums held in registers)\n");
    reporter.PrintRatio("16 channels, streams in the output format, vs paddsw floor", "BM_Mix16SameFormat",
                        "BM_SaturatingAdd16", "target <= 2");
    reporter.PrintRatio("16 channels, streams in the output format, vs floor with sums in registers",
                        "BM_Mix16SameFormat", "BM_SaturatingAdd16InRegisters");
    reporter.PrintRatio("16 channels, streams in the output format, vs floor reading the same moving sounds",
                        "BM_Mix16SameFormat", "BM_SaturatingAdd16MovingSounds");
    reporter.PrintRatio("the mixer's kernel alone (volumes applied) over the floor's blocks, vs paddsw floor",
                        "BM_MixKernelAlone", "BM_SaturatingAdd16");
    reporter.PrintRatio("the mixer's kernel alone over the same moving sounds, vs floor reading them",
                        "BM_MixKernelMovingSounds", "BM_SaturatingAdd16MovingSounds");
    reporter.PrintRatio("16 channels, 8-bit 11025 Hz streams converted, vs paddsw floor", "BM_Mix16Converted",
                        "BM_SaturatingAdd16");
    reporter.PrintRatio("16 channels, four formats at their own pitches, vs paddsw floor",
                        "BM_Mix16MixedFormatsAndPitches", "BM_SaturatingAdd16");
  });
}
