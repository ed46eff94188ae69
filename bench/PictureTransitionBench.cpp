// One step of the picture transitions over a 640 x 480 16-bit map against a
// plain copy of the same map (the C library's memcpy) in the same run: a fade
// step (every pixel scaled through black), a random-dissolve step revealing a
// sixteenth of the pixels, the whole random dissolve at once, and an ordered
// step revealing one cell of the 4 x 4 pattern. The ratios of the medians of
// the repetitions are printed at the end; a fade step should cost at most a
// few copies.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "title/controls/PictureTransitionKernels.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int64_t kPixels = int64_t{kWidth} * kHeight;

struct Maps {
  std::vector<uint16_t> source, destination;
  WordPixelView src, dst;
  Maps() : source(static_cast<size_t>(kPixels)), destination(static_cast<size_t>(kPixels)) {
    uint32_t x = 12345;
    for (uint16_t& p : source) {
      x = x * 1103515245u + 12345u;
      p = static_cast<uint16_t>(x >> 16);
    }
    src = View(source.data());
    dst = View(destination.data());
  }
  static WordPixelView View(uint16_t* pixels) {
    WordPixelView v;
    v.top = reinterpret_cast<uint8_t*>(pixels);
    v.stride = int64_t{kWidth} * 2;
    v.width = kWidth;
    v.height = kHeight;
    v.sixBitGreen = true;
    return v;
  }
};

const VRect kArea(0, 0, kWidth, kHeight);

void BM_CopyReference(benchmark::State& state) {
  Maps m;
  for (auto _ : state) {
    benchsupport::LibraryMemcpy(m.destination.data(), m.source.data(), static_cast<size_t>(kPixels) * 2);
    benchmark::DoNotOptimize(m.destination.data());
    benchmark::ClobberMemory();
  }
}

void BM_FadeStep(benchmark::State& state) {
  Maps m;
  int32_t factor = 0;
  for (auto _ : state) {
    FadePixels(m.dst, m.src, kArea, factor);
    factor = (factor + 7) % 65;
    benchmark::DoNotOptimize(m.destination.data());
    benchmark::ClobberMemory();
  }
}

// Reveals the pixels from `from` to `to` of the dissolve order, starting
// again whenever the whole picture has been revealed.
void Dissolve(benchmark::State& state, int64_t share) {
  Maps m;
  uint32_t generator = 0;
  int64_t revealed = 0;
  for (auto _ : state) {
    if (revealed >= kPixels) {
      state.PauseTiming();
      generator = 0;
      revealed = 0;
      state.ResumeTiming();
    }
    DissolvePixels(m.dst, &m.src, kArea, kArea, generator, revealed, revealed + share);
    benchmark::DoNotOptimize(m.destination.data());
    benchmark::ClobberMemory();
  }
}

void BM_DissolveStep(benchmark::State& state) { Dissolve(state, kPixels / 16); }
void BM_DissolveWhole(benchmark::State& state) { Dissolve(state, kPixels); }

void BM_OrderedStep(benchmark::State& state) {
  Maps m;
  int32_t cell = 0;
  for (auto _ : state) {
    RevealPatternCell(m.dst, &m.src, kArea, 4, cell % 4, cell / 4 % 4);
    ++cell;
    benchmark::DoNotOptimize(m.destination.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_CopyReference)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_FadeStep)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_DissolveStep)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_DissolveWhole)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_OrderedStep)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)
    ->DisplayAggregatesOnly(true);

int main(int argc, char** argv) {
  const std::string heading = "Ratios of medians (" + std::to_string(benchsupport::kRepetitions) +
                              " repetitions each), 640 x 480 x 16 bits:";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& r) {
    r.PrintRatio("fade step vs copy", "BM_FadeStep", "BM_CopyReference", "target: a few copies");
    r.PrintRatio("dissolve step (1/16 of the pixels) vs copy", "BM_DissolveStep", "BM_CopyReference");
    r.PrintRatio("whole random dissolve vs copy", "BM_DissolveWhole", "BM_CopyReference");
    r.PrintRatio("ordered step (one cell of 16) vs copy", "BM_OrderedStep", "BM_CopyReference");
  });
}
