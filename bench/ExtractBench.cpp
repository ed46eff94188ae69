// Extracting an archive of many small media and a few large ones into an
// empty folder with MediaArchive::ExtractAllMedia, against the same files
// written with plain open/pread/write in the same run. Three sizes show that
// the time grows linearly with the count; the medians and ratios (ours /
// plain) are printed at the end. On a busy machine add
// --benchmark_enable_random_interleaving=true.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/archive/MediaArchive.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLargeCount = 3;
constexpr uint32_t kLargeSize = 16u << 20;
constexpr int kLargestCount = 20000;

// An archive of `small` media of 100..1100 bytes and kLargeCount of 16 MiB
// in a scratch folder, with an output folder beside it.
struct BenchArchive {
  std::string root;
  std::string path;
  std::vector<MediaEntry> entries;

  explicit BenchArchive(int small) {
    // OSTREVAN_BENCH_DIR picks the file system (e.g. /dev/shm to leave the
    // disk out); /tmp by default.
    const char* base = std::getenv("OSTREVAN_BENCH_DIR");
    std::string tmpl = std::string(base != nullptr && base[0] != 0 ? base : "/tmp") + "/ostrevan_bench_extract_XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    root = tmpl;
    path = root + "/many.msf";
    const int count = small + kLargeCount;
    uint32_t offset = archive_format::kHeaderSize + archive_format::kEntrySize * static_cast<uint32_t>(count);
    for (int i = 0; i < count; ++i) {
      MediaEntry e;
      e.id = static_cast<uint16_t>(i);
      e.type = MakeTypeCode(i < small ? "TEXT" : "MPG ");
      const std::string name = "m" + std::to_string(i);
      std::memcpy(e.name, name.data(), std::min(name.size(), sizeof e.name));
      e.offset = offset;
      e.size = i < small ? 100 + static_cast<uint32_t>(i * 37 % 1000) : kLargeSize;
      offset += e.size;
      entries.push_back(e);
    }
    std::vector<uint8_t> table(static_cast<size_t>(archive_format::kHeaderSize + archive_format::kEntrySize * count));
    archive_format::EncodeHeader(static_cast<int16_t>(count), table.data());
    for (int i = 0; i < count; ++i) {
      archive_format::EncodeEntry(entries[i], table.data() + archive_format::kHeaderSize + archive_format::kEntrySize * i);
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, table.data(), table.size()) != static_cast<ssize_t>(table.size())) std::abort();
    std::vector<uint8_t> block(kLargeSize);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31 + i / 4096);
    for (const MediaEntry& e : entries) {
      if (write(fd, block.data(), e.size) != static_cast<ssize_t>(e.size)) std::abort();
    }
    close(fd);
  }
  ~BenchArchive() { fs::remove_all(root); }

  // An empty output folder (the previous iteration's files removed).
  std::string FreshOutput() const {
    std::string out = root + "/out";
    fs::remove_all(out);
    fs::create_directory(out);
    return out;
  }
};

BenchArchive& Archive(int small) {
  static std::map<int, std::unique_ptr<BenchArchive>> archives;
  auto& slot = archives[small];
  if (!slot) slot = std::make_unique<BenchArchive>(small);
  return *slot;
}

void BM_ExtractAllMedia(benchmark::State& state) {
  BenchArchive& bench = Archive(static_cast<int>(state.range(0)));
  MediaArchive archive;
  if (!archive.OpenArchive(VFileSpec(bench.path.c_str()), false)) {
    state.SkipWithError("cannot open the archive");
    return;
  }
  const int32_t count = static_cast<int32_t>(bench.entries.size());
  for (auto _ : state) {
    state.PauseTiming();
    VFileSpec folder(bench.FreshOutput().c_str());
    state.ResumeTiming();
    if (archive.ExtractAllMedia(folder) != count) {
      state.SkipWithError("extraction stopped early");
      return;
    }
  }
  state.counters["media"] = count;
}

// The same files, bytes and names with nothing but open, pread, write, close.
void BM_PlainWrite(benchmark::State& state) {
  BenchArchive& bench = Archive(static_cast<int>(state.range(0)));
  int in = open(bench.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    state.SkipWithError("cannot open the archive");
    return;
  }
  std::vector<uint8_t> buffer(1 << 20);
  std::map<int, int> uses;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string out = bench.FreshOutput();
    uses.clear();
    state.ResumeTiming();
    for (const MediaEntry& e : bench.entries) {
      const int digits = e.id % 10000;
      const int use = ++uses[digits];
      char name[48];
      if (use == 1) {
        std::snprintf(name, sizeof name, "/Media%04d.mf", digits);
      } else {
        std::snprintf(name, sizeof name, "/Media%04d_%d.mf", digits, use);
      }
      const std::string target = out + name;
      int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      MediaEntry stored = e;
      stored.offset = archive_format::kEntrySize;
      uint8_t header[archive_format::kEntrySize];
      archive_format::EncodeEntry(stored, header);
      bool ok = fd >= 0 && write(fd, header, sizeof header) == static_cast<ssize_t>(sizeof header);
      for (uint32_t done = 0; ok && done < e.size;) {
        const size_t n = std::min<size_t>(e.size - done, buffer.size());
        ok = pread(in, buffer.data(), n, e.offset + done) == static_cast<ssize_t>(n) &&
             write(fd, buffer.data(), n) == static_cast<ssize_t>(n);
        done += static_cast<uint32_t>(n);
      }
      if (fd >= 0) close(fd);
      if (!ok) {
        state.SkipWithError("plain write failed");
        close(in);
        return;
      }
    }
  }
  state.counters["media"] = static_cast<double>(bench.entries.size());
  close(in);
}

BENCHMARK(BM_PlainWrite)->Arg(5000)->Arg(10000)->Arg(kLargestCount)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_ExtractAllMedia)->Arg(5000)->Arg(10000)->Arg(kLargestCount)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// Prints as usual and keeps each benchmark's median time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        times_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (!benchsupport::InitializeInterleaved(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int n : {5000, 10000, kLargestCount}) {
    auto ours = reporter.times_.find("BM_ExtractAllMedia/" + std::to_string(n));
    auto ref = reporter.times_.find("BM_PlainWrite/" + std::to_string(n));
    if (ours == reporter.times_.end() || ref == reporter.times_.end() || ref->second <= 0) continue;
    std::printf("%d small + %d large media: ExtractAllMedia %.0f ms, plain open/write %.0f ms, ratio %.2f\n", n,
                kLargeCount, ours->second, ref->second, ours->second / ref->second);
  }
  benchmark::Shutdown();
  return 0;
}
