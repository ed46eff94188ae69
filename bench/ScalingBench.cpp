// Doubling a 320 x 240 16-bit movie frame to 640 x 480 through the two scaling
// passes (the default doubling mode 10, and plain doubling, mode 9), against
// the C library's memcpy of one 640 x 480 16-bit frame as the reference in the
// same run; the ratios of the medians of the repetitions are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/ScaledTransfer.h"

namespace {

constexpr int32_t kWidth = 320, kHeight = 240;

struct Frames {
  std::vector<uint16_t> source = std::vector<uint16_t>(kWidth * kHeight);
  std::vector<uint16_t> middle = std::vector<uint16_t>(kWidth * 2 * kHeight);
  std::vector<uint16_t> target = std::vector<uint16_t>(kWidth * 2 * kHeight * 2);
  Frames() {
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
  }
  static ScaleRaster Describe(std::vector<uint16_t>& pixels, int32_t w, int32_t h) {
    ScaleRaster r;
    r.rowZero = reinterpret_cast<uint8_t*>(pixels.data());
    r.rowStep = w * 2;
    r.bounds = VRect(0, 0, w, h);
    r.depth = 16;
    r.pixelFormat = kFormat565LE;
    return r;
  }
  bool Double() {
    const ScaleRaster s = Describe(source, kWidth, kHeight);
    const ScaleRaster m = Describe(middle, kWidth * 2, kHeight);
    const ScaleRaster t = Describe(target, kWidth * 2, kHeight * 2);
    return ScaleRasterHorizontally(s, m, VRect(0, 0, kWidth, kHeight), VRect(0, 0, kWidth * 2, kHeight)) &&
           ScaleRasterVertically(m, t, VRect(0, 0, kWidth * 2, kHeight), VRect(0, 0, kWidth * 2, kHeight * 2));
  }
};

void DoubleFrame(benchmark::State& state, int32_t mode) {
  Frames f;
  const int32_t previous = SetDoublingScaleMode(mode);
  for (auto _ : state) {
    if (!f.Double()) state.SkipWithError("no routine");
    benchmark::DoNotOptimize(f.target.data());
    benchmark::ClobberMemory();
  }
  SetDoublingScaleMode(previous);
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * 2 * kHeight * 2 * 2);
}

void BM_DoubleFrame16Mode10(benchmark::State& state) { DoubleFrame(state, 10); }
void BM_DoubleFrame16Mode9(benchmark::State& state) { DoubleFrame(state, 9); }

// The reference: one plain copy of a 640 x 480 16-bit frame.
void BM_MemcpyFrame640x480x16(benchmark::State& state) {
  std::vector<uint16_t> a(640 * 480, 0x1234), b(640 * 480);
  for (auto _ : state) {
    benchsupport::LibraryMemcpy(b.data(), a.data(), a.size() * 2);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{640} * 480 * 2);
}

BENCHMARK(BM_MemcpyFrame640x480x16)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_DoubleFrame16Mode10)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_DoubleFrame16Mode9)->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  const std::string heading = "Ratios of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    reporter.PrintRatio("doubling, mode 10, vs memcpy of the 640 x 480 frame", "BM_DoubleFrame16Mode10",
                        "BM_MemcpyFrame640x480x16");
    reporter.PrintRatio("doubling, mode 9, vs memcpy of the 640 x 480 frame", "BM_DoubleFrame16Mode9",
                        "BM_MemcpyFrame640x480x16");
  });
}
