// Streaming a 64 MiB medium through MediaArchive::OpenMedia and 4 KiB VFile
// reads, against a plain pread loop over the same bytes in the same run. The
// ratio of the medians of the repetitions (ours / pread) is printed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"

namespace {

constexpr int64_t kMediumSize = 64 << 20;
constexpr int32_t kChunk = 4096;
constexpr uint16_t kId = 1234;

struct BenchArchive {
  std::string path;
  uint32_t dataOffset = 0;

  BenchArchive() {
    char tmpl[] = "/tmp/ostrevan_bench_msf_XXXXXX";
    int fd = mkstemp(tmpl);
    path = tmpl;
    uint8_t header[archive_format::kHeaderSize + archive_format::kEntrySize];
    archive_format::EncodeHeader(1, header);
    MediaEntry entry;
    entry.id = kId;
    entry.type = MakeTypeCode("MPG ");
    entry.offset = sizeof header;
    entry.size = kMediumSize;
    archive_format::EncodeEntry(entry, header + archive_format::kHeaderSize);
    dataOffset = entry.offset;
    if (write(fd, header, sizeof header) != static_cast<ssize_t>(sizeof header)) std::abort();
    std::vector<uint8_t> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31);
    for (int64_t done = 0; done < kMediumSize; done += static_cast<int64_t>(block.size())) {
      if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) std::abort();
    }
    close(fd);
  }
  ~BenchArchive() { unlink(path.c_str()); }
};

BenchArchive& Archive() {
  static BenchArchive archive;
  return archive;
}

void BM_OpenMediaVFileRead(benchmark::State& state) {
  MediaArchive archive;
  if (!archive.OpenArchive(VFileSpec(Archive().path.c_str()), false)) {
    state.SkipWithError("cannot open the archive");
    return;
  }
  ScopedMediaArchive serve(&archive);
  std::vector<uint8_t> buf(kChunk);
  for (auto _ : state) {
    VFile window;
    uint32_t type = MakeTypeCode("MPG ");
    if (!archive.OpenMedia(kId, window, type)) {
      state.SkipWithError("cannot open the medium");
      return;
    }
    int64_t total = 0;
    int32_t n;
    while ((n = window.Read(buf.data(), kChunk)) > 0) total += n;
    benchmark::DoNotOptimize(total);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * kMediumSize);
}

void BM_PlainPread(benchmark::State& state) {
  int fd = open(Archive().path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    state.SkipWithError("cannot open the file");
    return;
  }
  std::vector<uint8_t> buf(kChunk);
  const int64_t start = Archive().dataOffset;
  for (auto _ : state) {
    int64_t total = 0;
    for (int64_t pos = 0; pos < kMediumSize; pos += kChunk) {
      ssize_t n = pread(fd, buf.data(), kChunk, start + pos);
      if (n <= 0) break;
      total += n;
    }
    benchmark::DoNotOptimize(total);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * kMediumSize);
  close(fd);
}

BENCHMARK(BM_PlainPread)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_OpenMediaVFileRead)->Apply(benchsupport::MillisecondMedians);

}  // namespace

int main(int argc, char** argv) {
  Archive();
  const std::string heading = "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    reporter.PrintRatio("OpenMedia + VFile::Read vs pread", "BM_OpenMediaVFileRead", "BM_PlainPread", "target <= 1.10");
  });
}
