// Shared by the benchmark programs: a console reporter that keeps the median
// time of each benchmark's repetitions, the ratios of those medians printed
// at the end of a run, and a memcpy the optimiser cannot replace by inline code.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

// Repetitions of every compared benchmark; the summaries use their median.
inline constexpr int kRepetitions = 9;

// The settings of a compared benchmark timed in milliseconds: the
// repetitions, only the aggregates shown. Use as
// BENCHMARK(BM_Name)->Apply(benchsupport::MillisecondRepetitions).
inline void MillisecondRepetitions(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->DisplayAggregatesOnly(true);
}

// The same for one that runs for milliseconds, at least half a second a
// repetition.
inline void MillisecondMedians(benchmark::internal::Benchmark* b) {
  MillisecondRepetitions(b);
  b->MinTime(0.5);
}

// memcpy called through a pointer the compiler cannot see through, so a copy
// of a known size stays the C library's (vectorised) routine instead of an
// inlined `rep movs` or unrolled moves.
using CopyFunction = void* (*)(void*, const void*, size_t);
inline CopyFunction volatile gLibraryMemcpy = &memcpy;
inline void LibraryMemcpy(void* d, const void* s, size_t n) { gLibraryMemcpy(d, s, n); }

// Prints as the console reporter does and remembers, per benchmark (name and
// arguments, as "BM_Name" or "BM_Name/3"), the median real time per iteration
// of its repetitions.
class MedianRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred) continue;
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      medians_[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median of a benchmark, or a negative value when it did not run.
  double Median(const std::string& name) const {
    const auto it = medians_.find(name);
    return it == medians_.end() ? -1.0 : it->second;
  }

  // Prints "label: ours / reference = ratio" from the two medians, with an
  // optional note (a target, or what the reference stands for).
  void PrintRatio(const char* label, const std::string& ours, const std::string& reference,
                  const char* note = nullptr) const {
    const double a = Median(ours), b = Median(reference);
    if (a < 0 || b <= 0) {
      std::printf("%-52s not measured (%s or %s did not run)\n", label, ours.c_str(), reference.c_str());
      return;
    }
    std::printf("%-52s %8.3f  (%s / %s)%s%s\n", label, a / b, ours.c_str(), reference.c_str(), note ? "  " : "",
                note ? note : "");
  }

 private:
  std::map<std::string, double> medians_;
};

// Initialises Google Benchmark with the repetitions of the benchmarks
// interleaved at random, so that a change in the machine's load falls on both
// sides of a ratio (a flag on the command line still overrides it). Returns
// false, after printing them, when arguments are left that it does not know.
inline bool InitializeInterleaved(int argc, char** argv) {
  static std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + (argc > 0 ? 1 : 0), interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

// The main of a benchmark program: runs the benchmarks the command line
// selects, their repetitions interleaved at random, with the median reporter,
// then prints the heading and whatever `printRatios` reports from the
// medians. Every median is of the wall-clock time per iteration, the same
// clock for our side and the reference. Returns the exit code.
inline int RunWithMedianRatios(int argc, char** argv, const char* heading,
                               const std::function<void(const MedianRatioReporter&)>& printRatios) {
  if (!InitializeInterleaved(argc, argv)) return 1;
  MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%s\n", heading);
  printRatios(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace benchsupport
