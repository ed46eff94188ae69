// Building the nearest-index ("inverse") table of a 256-colour palette: the
// colour table's builder against the plain brute-force nearest search over the
// same 65536 entries (the reference), and the pixel kernels' row-sharing
// builder. All three produce identical tables (checked before timing). The
// ratios of the medians of the repetitions are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/InverseTable.h"
#include "engine/graphics/VColorTable.h"

namespace {

std::vector<VRGBColor> Palette(int code) {
  VColorTable* table = new VColorTable(StandardPalette{code});
  std::vector<VRGBColor> colors(table->GetEntries(), table->GetEntries() + 256);
  table->Release();
  return colors;
}

void CheckIdentical(const std::vector<VRGBColor>& colors) {
  std::vector<uint8_t> a(65536), b(65536), c(65536);
  BuildInverseTable(colors.data(), a.data());
  BuildInverseTableBruteForce(colors.data(), b.data());
  BuildNearestIndexData(colors.data(), c.data());
  if (a != b || c != b) {
    std::fprintf(stderr, "inverse tables differ\n");
    std::abort();
  }
}

void BM_BruteForceReference(benchmark::State& state) {
  const std::vector<VRGBColor> colors = Palette(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out(65536);
  for (auto _ : state) {
    BuildInverseTableBruteForce(colors.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_ColorTableBuilder(benchmark::State& state) {
  const std::vector<VRGBColor> colors = Palette(static_cast<int>(state.range(0)));
  CheckIdentical(colors);
  std::vector<uint8_t> out(65536);
  for (auto _ : state) {
    BuildInverseTable(colors.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_RowSharingBuilder(benchmark::State& state) {
  const std::vector<VRGBColor> colors = Palette(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out(65536);
  for (auto _ : state) {
    BuildNearestIndexData(colors.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}

// Palettes 0 (system), 2 (cube and ramps) and 3 (grey and colour).
constexpr int kPalettes[] = {0, 2, 3};

}  // namespace

BENCHMARK(BM_BruteForceReference)->Arg(0)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)
    ->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_ColorTableBuilder)->Arg(0)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)
    ->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);
BENCHMARK(BM_RowSharingBuilder)->Arg(0)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)
    ->Repetitions(benchsupport::kRepetitions)->DisplayAggregatesOnly(true);

int main(int argc, char** argv) {
  const std::string heading = "Ratios of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    for (const int palette : kPalettes) {
      const std::string arg = "/" + std::to_string(palette);
      const std::string label = "palette " + std::to_string(palette);
      reporter.PrintRatio((label + ": colour-table builder vs brute force").c_str(), "BM_ColorTableBuilder" + arg,
                          "BM_BruteForceReference" + arg);
      reporter.PrintRatio((label + ": row-sharing builder vs brute force").c_str(), "BM_RowSharingBuilder" + arg,
                          "BM_BruteForceReference" + arg);
    }
  });
}
