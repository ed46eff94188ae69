// Demultiplexing a 50 MB MPEG-1 system stream (the packs of a short stream
// made by ffmpeg at start, repeated into a temporary file) into its video
// and audio streams, their payload kept in memory as the splitter's callers
// keep it, against reading the same file with pread: the same bytes kept in
// one buffer made for each pass (the reference of the target), and read
// through one 256 KB block (the floor: no memory to fill). The summary gives
// the demultiplexer's time as ratios of those.
//
//   bench_SystemStreamBench [--benchmark_* options]
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "engine/mpeg/VBitstream.h"

namespace {

constexpr int64_t kTargetSize = 50ll << 20;
constexpr size_t kChunk = 256 * 1024;

struct Stream {
  std::string path;
  int64_t size = 0;
  uint64_t payload = 0;  // elementary stream bytes, for checking the demultiplexer
};

Stream MakeStream() {
  Stream s;
  char folder[] = "/tmp/ostrevan_sys_bench_XXXXXX";
  if (!mkdtemp(folder)) return s;
  const std::string shortPath = std::string(folder) + "/short.mpg";
  const std::string command =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=352x240:rate=25 -f lavfi -i "
      "sine=sample_rate=44100 -t 4 -c:v mpeg1video -b:v 1500k -c:a mp2 -b:a 224k -packetsize 2324 -f mpeg " +
      shortPath;
  if (std::system(command.c_str()) != 0) return s;
  std::ifstream in(shortPath, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(shortPath.c_str());
  // Drop the end code so that the copies run on.
  if (bytes.size() >= 4 && std::memcmp(bytes.data() + bytes.size() - 4, "\x00\x00\x01\xB9", 4) == 0)
    bytes.resize(bytes.size() - 4);
  if (bytes.empty()) return s;
  s.path = std::string(folder) + "/big.mpg";
  std::ofstream out(s.path, std::ios::binary);
  while (s.size < kTargetSize) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    s.size += static_cast<int64_t>(bytes.size());
  }
  out.write("\x00\x00\x01\xB9", 4);
  s.size += 4;
  return s;
}

const Stream& TheStream() {
  static const Stream s = MakeStream();
  return s;
}

void BM_Pread(benchmark::State& state) {
  const Stream& s = TheStream();
  const int fd = open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    state.SkipWithError("cannot open the stream");
    return;
  }
  std::vector<uint8_t> buf(kChunk);
  for (auto _ : state) {
    int64_t total = 0;
    ssize_t n;
    while ((n = pread(fd, buf.data(), kChunk, total)) > 0) total += n;
    benchmark::DoNotOptimize(total);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * s.size);
  close(fd);
}

// The same bytes kept: read into one buffer of the file's size, made afresh
// for every pass as the demultiplexer's lists are.
void BM_PreadKept(benchmark::State& state) {
  const Stream& s = TheStream();
  const int fd = open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    state.SkipWithError("cannot open the stream");
    return;
  }
  for (auto _ : state) {
    // Not cleared first: pread writes every byte.
    std::unique_ptr<uint8_t[]> kept(new uint8_t[static_cast<size_t>(s.size)]);
    int64_t total = 0;
    ssize_t n;
    while (total < s.size && (n = pread(fd, kept.get() + total, std::min<int64_t>(kChunk, s.size - total), total)) > 0)
      total += n;
    benchmark::DoNotOptimize(total);
    benchmark::DoNotOptimize(kept.get());
  }
  state.SetBytesProcessed(state.iterations() * s.size);
  close(fd);
}

void BM_Demultiplex(benchmark::State& state) {
  const Stream& s = TheStream();
  for (auto _ : state) {
    VFile file(VFileSpec(s.path.c_str()), 0, 0);
    if (!file.Open(1)) {
      state.SkipWithError("cannot open the stream");
      return;
    }
    SystemStreamSplitter splitter(&file);
    if (!splitter.SplitAll()) {
      state.SkipWithError("not demultiplexed");
      return;
    }
    uint64_t total = 0;
    for (const auto& stream : splitter.GetStreams()) total += stream.byteCount;
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * s.size);
}

// What movie frames does: the video stream read as it comes through a bit
// stream's ring (the whole file parsed, the video payload copied into the
// ring, from which a decoder reads it in place: here it is dropped).
void BM_DemultiplexStreamed(benchmark::State& state) {
  const Stream& s = TheStream();
  for (auto _ : state) {
    VFile file(VFileSpec(s.path.c_str()), 0, 0);
    if (!file.Open(1)) {
      state.SkipWithError("cannot open the stream");
      return;
    }
    SystemStreamSplitter splitter(&file, false);
    std::unique_ptr<VBitstream> video = splitter.OpenStream(SystemStreamSplitter::Kind::kVideo, 32768);
    if (!video) {
      state.SkipWithError("no video stream");
      return;
    }
    uint64_t total = 0;
    for (;;) {
      video->Fill(0);
      const uint32_t n = video->TakeBytes(nullptr, video->GetBufferSize());
      if (n == 0 && video->IsSourceEnded()) break;
      total += n;
    }
    if (total != splitter.FindVideo()->byteCount) {
      state.SkipWithError("the video stream was not read whole");
      return;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * s.size);
}

BENCHMARK(BM_Pread)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_PreadKept)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_Demultiplex)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_DemultiplexStreamed)->Apply(benchsupport::MillisecondMedians);

}  // namespace

int main(int argc, char** argv) {
  if (TheStream().path.empty()) {
    std::fprintf(stderr, "cannot make the stream (ffmpeg)\n");
    return 1;
  }
  const std::string heading = "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  const int rc = benchsupport::RunWithMedianRatios(
      argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
        reporter.PrintRatio("demultiplex, payload kept vs pread kept", "BM_Demultiplex", "BM_PreadKept",
                            "target <= 1.5");
        reporter.PrintRatio("demultiplex, payload kept vs pread 256 KB", "BM_Demultiplex", "BM_Pread");
        reporter.PrintRatio("demultiplex, video read as it comes vs pread 256 KB", "BM_DemultiplexStreamed",
                            "BM_Pread");
      });
  const std::string folder = TheStream().path.substr(0, TheStream().path.rfind('/'));
  std::remove(TheStream().path.c_str());
  rmdir(folder.c_str());
  return rc;
}
