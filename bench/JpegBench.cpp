// Decoding a 2048 x 1024 4:2:0 JPEG (a panorama's size, made with cjpeg at
// start) into a 24-bit map with the engine's own decoder, against
// libjpeg-turbo on the same file: once with its SIMD code, and once without
// (JSIMD_FORCENONE=1), measured in a child process because libjpeg-turbo
// reads that variable once, at its first use in a process. The summary at
// the end gives the own decoder's time as a ratio of both.
//
//   bench_JpegBench [--benchmark_* options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/VJPEGImageReader.h"

namespace {

constexpr int32_t kWidth = 2048, kHeight = 1024;

// A panorama-like picture: a sky gradient, a textured ground, blocks of
// buildings with windows, and mild noise everywhere.
std::string MakePanorama() {
  std::string out = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  out.reserve(out.size() + size_t{kWidth} * kHeight * 3);
  uint32_t state = 12345;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const int32_t noise = static_cast<int32_t>((state >> 24) & 7) - 4;
      int32_t r, g, b;
      const int32_t skyline = 420 + static_cast<int32_t>(60 * std::sin(x * 0.01)) + ((x / 97) % 3) * 40;
      if (y < skyline) {
        r = 90 + y / 8;
        g = 140 + y / 6;
        b = 230 - y / 10;
      } else if (y < 700) {
        const bool window = (x % 23 < 9) && (y % 31 < 14);
        r = window ? 240 : 120 + (x / 97) % 5 * 20;
        g = window ? 220 : 100 + (x / 61) % 4 * 15;
        b = window ? 150 : 90 + (x / 131) % 3 * 25;
      } else {
        r = 70 + static_cast<int32_t>(30 * std::sin(x * 0.05 + y * 0.11));
        g = 110 + static_cast<int32_t>(25 * std::sin(x * 0.021 - y * 0.07));
        b = 50;
      }
      auto c = [](int32_t v) { return static_cast<char>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
      out += c(r + noise);
      out += c(g + noise);
      out += c(b + noise);
    }
  }
  return out;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The test file: made once per process (the child reuses the parent's).
std::string& JpegPath() {
  static std::string path;
  return path;
}
bool MakeJpeg() {
  char dir[] = "/tmp/ostrevan_jpegbench_XXXXXX";
  if (!mkdtemp(dir)) return false;
  const std::string ppm = std::string(dir) + "/panorama.ppm";
  std::ofstream(ppm, std::ios::binary) << MakePanorama();
  JpegPath() = std::string(dir) + "/panorama.jpg";
  const std::string command = "cjpeg -sample 2x2 -quality 85 -outfile '" + JpegPath() + "' '" + ppm + "'";
  const bool ok = std::system(command.c_str()) == 0;
  std::remove(ppm.c_str());
  return ok;
}

// One libjpeg-turbo decode of the bytes into RGB rows (its defaults: the
// accurate integer IDCT and smooth upsampling).
void DecodeWithLibjpeg(const std::string& bytes, std::vector<uint8_t>& rgb) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  const size_t stride = size_t{cinfo.output_width} * cinfo.output_components;
  rgb.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    for (int i = 0; i < 4; ++i) rows[i] = rgb.data() + stride * std::min<size_t>(cinfo.output_scanline + i, cinfo.output_height - 1);
    jpeg_read_scanlines(&cinfo, rows, 4);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

double gOwnSeconds = 0, gSimdSeconds = 0, gScalarSeconds = 0;

void OwnDecoder(benchmark::State& state) {
  auto map = std::make_unique<PixelMap>(VRect(0, 0, kWidth, kHeight), 24, nullptr, nullptr, nullptr,
                                        PixelMap::kStorageMemory, kFormatBGR24);
  VFile file(VFileSpec(JpegPath().c_str()), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) {
    state.SkipWithError("cannot open the file");
    return;
  }
  for (auto _ : state) {
    VJPEGImageReader reader(&file);
    if (reader.ReadHeader() != 0 || reader.ReadImage(*map, kReadPixels, 0, 0) != 0) {
      state.SkipWithError("decode failed");
      return;
    }
  }
}

void LibjpegTurboSimd(benchmark::State& state) {
  const std::string bytes = ReadAll(JpegPath());
  std::vector<uint8_t> rgb;
  for (auto _ : state) {
    DecodeWithLibjpeg(bytes, rgb);
    benchmark::DoNotOptimize(rgb.data());
  }
}

// The child process's timing of scalar libjpeg-turbo: seconds per decode
// (best of the runs), or a negative value when the child failed.
double MeasureScalarInChild() {
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  const std::string command =
      "JSIMD_FORCENONE=1 '" + std::string(self, static_cast<size_t>(n)) + "' --scalar-child '" + JpegPath() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  double seconds = -1;
  if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
  pclose(pipe);
  return seconds;
}

void LibjpegTurboScalar(benchmark::State& state) {
  static const double seconds = MeasureScalarInChild();
  if (seconds <= 0) {
    state.SkipWithError("the scalar child process failed");
    return;
  }
  for (auto _ : state) state.SetIterationTime(seconds);
}

// Remembers the mean time of each benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool mean = run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean";
      if (run.error_occurred || run.iterations == 0 || (run.run_type != Run::RT_Iteration && !mean)) continue;
      const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      const std::string name = run.benchmark_name();
      if (name.rfind("OwnDecoder", 0) == 0) gOwnSeconds = seconds;
      if (name.rfind("LibjpegTurboSimd", 0) == 0) gSimdSeconds = seconds;
      if (name.rfind("LibjpegTurboScalar", 0) == 0) gScalarSeconds = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

int ScalarChild(const char* path) {
  JpegPath() = path;
  const std::string bytes = ReadAll(path);
  if (bytes.empty()) return 1;
  std::vector<uint8_t> rgb;
  DecodeWithLibjpeg(bytes, rgb);  // warm-up
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    constexpr int kDecodes = 10;
    for (int i = 0; i < kDecodes; ++i) DecodeWithLibjpeg(bytes, rgb);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kDecodes;
    if (s < best) best = s;
  }
  std::printf("%.9f\n", best);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--scalar-child") == 0) return ScalarChild(argv[2]);
  if (!MakeJpeg()) {
    std::fprintf(stderr, "cannot make the test file with cjpeg\n");
    return 1;
  }
  SetupLookupTables();
  benchmark::RegisterBenchmark("OwnDecoder", OwnDecoder)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LibjpegTurboSimd", LibjpegTurboSimd)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LibjpegTurboScalar", LibjpegTurboScalar)->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (gOwnSeconds > 0 && gScalarSeconds > 0 && gSimdSeconds > 0) {
    std::printf("own decoder / libjpeg-turbo scalar: %.2f   own decoder / libjpeg-turbo SIMD: %.2f\n",
                gOwnSeconds / gScalarSeconds, gOwnSeconds / gSimdSeconds);
  }
  const std::string dir = JpegPath().substr(0, JpegPath().rfind('/'));
  std::remove(JpegPath().c_str());
  rmdir(dir.c_str());
  ShutdownLookupTables();
  return 0;
}
