// One 640 x 480 frame of a 2048 x 1024 panorama (a synthetic map with detail
// everywhere), quality (bilinear) and fast (nearest) at 16 and 32 bits, with
// the engine's projection on one thread, against ffmpeg's v360 filter
// (equirectangular to flat, the same fields of view, linear and nearest, one
// thread) run through libavfilter on the same pixels. v360 takes planar
// formats only, so it is fed its own: planar GBRP in and out, and the graph is
// checked to hold no conversion, so only the filter is timed. The pitch stays
// put, so neither side recomputes its mapping per frame; the yaw moves.
//
// Both sides run twice: held to AVX2 (ours by its kernel level, ffmpeg by its
// forced CPU flags without AVX-512), and at the best level the machine has;
// each ratio is of the two sides at the same level, and the levels are named.
//
//   bench_PanoramaBench [--benchmark_* options]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/cpu.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include "MedianRatioReporter.h"
#include "engine/panorama/PanoramaRenderer.h"
#include "platform/Processor.h"

namespace {

constexpr int kMapWidth = 2048;
constexpr int kMapRows = 1024;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kFocal = 320.0f;
constexpr float kPitch = 0.3f;
constexpr double kPi = std::numbers::pi;

// The map's RGB at a pixel: gradients with a fine pattern.
void ColorAt(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) {
  r = static_cast<uint8_t>(x * 255 / kMapWidth);
  g = static_cast<uint8_t>(y * 255 / kMapRows);
  b = static_cast<uint8_t>(((x >> 3) ^ (y >> 3)) & 1 ? 220 : 30);
}

struct Map {
  std::vector<uint8_t> bytes;
  PanoramaRaster raster;
};

Map MakeMap(int depth) {
  Map m;
  const int bpp = depth == 32 ? 4 : 2;
  m.bytes.resize(static_cast<size_t>(kMapWidth) * bpp * (kMapRows + 1));
  for (int y = 0; y <= kMapRows; ++y) {
    for (int x = 0; x < kMapWidth; ++x) {
      uint8_t r, g, b;
      ColorAt(x, std::min(y, kMapRows - 1), r, g, b);
      uint8_t* p = &m.bytes[(static_cast<size_t>(y) * kMapWidth + x) * bpp];
      if (depth == 32) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = 0;
      } else {
        const uint16_t v = static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
      }
    }
  }
  m.raster = PanoramaRaster{m.bytes.data(), kMapWidth * bpp, kMapWidth, kMapRows + 1, depth};
  return m;
}

// The kernel level for the whole of a benchmark, restored after it.
class KernelLevel {
 public:
  explicit KernelLevel(int level) : previous_(SetPanoramaKernelLevel(level)) {}
  ~KernelLevel() { SetPanoramaKernelLevel(previous_); }
  KernelLevel(const KernelLevel&) = delete;
  KernelLevel& operator=(const KernelLevel&) = delete;

 private:
  int previous_;
};

void Ours(benchmark::State& state, int depth, bool quality, int level = -1) {
  const KernelLevel atLevel(level);
  const Map map = MakeMap(depth);
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * (depth == 32 ? 4 : 2));
  PanoramaRaster target{frame.data(), kWidth * (depth == 32 ? 4 : 2), kWidth, kHeight, depth};
  PanoramaRenderer renderer;
  float yaw = 0.0f;
  PanoramaCamera camera{yaw, kPitch, kFocal, quality};
  renderer.Render(map.raster, static_cast<float>(kPi), target, camera);  // builds the grid
  const int builds = renderer.GetGridBuildCount();
  for (auto _ : state) {
    yaw += 0.01f;
    camera.yaw = yaw;
    renderer.Render(map.raster, static_cast<float>(kPi), target, camera);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  if (renderer.GetGridBuildCount() != builds) state.SkipWithError("the grid was rebuilt while turning");
}

// At the best level the processor has, and held to AVX2.
void BM_OursQuality16(benchmark::State& s) { Ours(s, 16, true); }
void BM_OursQuality32(benchmark::State& s) { Ours(s, 32, true); }
void BM_OursFast16(benchmark::State& s) { Ours(s, 16, false); }
void BM_OursFast32(benchmark::State& s) { Ours(s, 32, false); }
void BM_OursQuality16Avx2(benchmark::State& s) { Ours(s, 16, true, platform::kSimdAvx2); }
void BM_OursQuality32Avx2(benchmark::State& s) { Ours(s, 32, true, platform::kSimdAvx2); }
void BM_OursFast16Avx2(benchmark::State& s) { Ours(s, 16, false, platform::kSimdAvx2); }
void BM_OursFast32Avx2(benchmark::State& s) { Ours(s, 32, false, platform::kSimdAvx2); }

// ffmpeg's CPU flags without the 512-bit ones: what it uses held to AVX2.
int FfmpegAvx2Flags(int flags) { return flags & ~(AV_CPU_FLAG_AVX512 | AV_CPU_FLAG_AVX512ICL); }

// ffmpeg's CPU flags for the whole of a benchmark (its filters choose their
// assembly when the graph is configured), detected afresh after it.
class FfmpegFlags {
 public:
  explicit FfmpegFlags(bool heldToAvx2) {
    av_force_cpu_flags(-1);
    if (heldToAvx2) av_force_cpu_flags(FfmpegAvx2Flags(av_get_cpu_flags()));
  }
  ~FfmpegFlags() { av_force_cpu_flags(-1); }
  FfmpegFlags(const FfmpegFlags&) = delete;
  FfmpegFlags& operator=(const FfmpegFlags&) = delete;
};

// ffmpeg's v360 on one thread through a filter graph: buffer -> v360 -> sink.
class V360 {
 public:
  explicit V360(const char* interpolation) {
    graph_ = avfilter_graph_alloc();
    if (graph_ == nullptr) return;
    graph_->nb_threads = 1;
    char args[256];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=1/1", kMapWidth,
                  kMapRows, static_cast<int>(AV_PIX_FMT_GBRP));
    const double hfov = 2 * std::atan(kWidth / 2.0 / kFocal) * 180 / kPi;
    const double vfov = 2 * std::atan(kHeight / 2.0 / kFocal) * 180 / kPi;
    char v360[256];
    std::snprintf(v360, sizeof v360, "input=e:output=flat:h_fov=%.6f:v_fov=%.6f:pitch=%.6f:w=%d:h=%d:interp=%s", hfov,
                  vfov, -kPitch * 180 / kPi, kWidth, kHeight, interpolation);
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", args, nullptr, graph_) < 0 ||
        avfilter_graph_create_filter(&filter_, avfilter_get_by_name("v360"), "v360", v360, nullptr, graph_) < 0 ||
        avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph_) < 0) {
      return;
    }
    const AVPixelFormat planar[] = {AV_PIX_FMT_GBRP, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(sink_, "pix_fmts", planar, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0 ||
        avfilter_link(source_, 0, filter_, 0) < 0 || avfilter_link(filter_, 0, sink_, 0) < 0 ||
        avfilter_graph_config(graph_, nullptr) < 0) {
      return;
    }
    // Only buffer, v360 and the sink: no format conversion was inserted.
    if (graph_->nb_filters != 3) return;
    input_ = av_frame_alloc();
    output_ = av_frame_alloc();
    input_->format = AV_PIX_FMT_GBRP;
    input_->width = kMapWidth;
    input_->height = kMapRows;
    if (av_frame_get_buffer(input_, 32) < 0) return;
    for (int y = 0; y < kMapRows; ++y) {
      for (int x = 0; x < kMapWidth; ++x) {
        uint8_t r, g, b;
        ColorAt(x, y, r, g, b);
        input_->data[0][static_cast<ptrdiff_t>(y) * input_->linesize[0] + x] = g;
        input_->data[1][static_cast<ptrdiff_t>(y) * input_->linesize[1] + x] = b;
        input_->data[2][static_cast<ptrdiff_t>(y) * input_->linesize[2] + x] = r;
      }
    }
    ready_ = true;
  }
  ~V360() {
    av_frame_free(&input_);
    av_frame_free(&output_);
    avfilter_graph_free(&graph_);
  }
  bool Ready() const { return ready_; }
  bool Frame(int64_t pts) {
    input_->pts = pts;
    if (av_buffersrc_add_frame_flags(source_, input_, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return false;
    if (av_buffersink_get_frame(sink_, output_) < 0) return false;
    const bool planar = output_->format == AV_PIX_FMT_GBRP;
    av_frame_unref(output_);
    return planar;
  }

 private:
  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* filter_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  AVFrame* input_ = nullptr;
  AVFrame* output_ = nullptr;
  bool ready_ = false;
};

void Reference(benchmark::State& state, const char* interpolation, bool heldToAvx2) {
  const FfmpegFlags flags(heldToAvx2);
  V360 v360(interpolation);
  if (!v360.Ready() || !v360.Frame(0)) {
    state.SkipWithError("the v360 filter graph could not be set up without a format conversion");
    return;
  }
  int64_t pts = 1;
  for (auto _ : state) {
    if (!v360.Frame(pts++)) {
      state.SkipWithError("v360 failed");
      return;
    }
  }
}

void BM_V360Linear(benchmark::State& s) { Reference(s, "linear", false); }
void BM_V360Nearest(benchmark::State& s) { Reference(s, "near", false); }
void BM_V360LinearAvx2(benchmark::State& s) { Reference(s, "linear", true); }
void BM_V360NearestAvx2(benchmark::State& s) { Reference(s, "near", true); }

// The name of one of our kernel levels.
const char* OurLevelName(int level) {
  switch (level) {
    case platform::kSimdNone: return "scalar";
    case platform::kSimdSse2: return "SSE2";
    case platform::kSimdAvx2: return "AVX2";
    case kPanoramaLevelAvx512: return "AVX-512";
    default: return "?";
  }
}

// The widest vector set among ffmpeg's CPU flags.
const char* FfmpegLevelName(int flags) {
  if ((flags & AV_CPU_FLAG_AVX512ICL) != 0) return "AVX-512 (ICL)";
  if ((flags & AV_CPU_FLAG_AVX512) != 0) return "AVX-512";
  if ((flags & AV_CPU_FLAG_AVX2) != 0) return "AVX2";
  if ((flags & AV_CPU_FLAG_SSE2) != 0) return "SSE2";
  return "none";
}

#define COMPARED(fn)                                                                                    \
  BENCHMARK(fn)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions)->ReportAggregatesOnly(true)
COMPARED(BM_OursQuality16);
COMPARED(BM_OursQuality32);
COMPARED(BM_OursFast16);
COMPARED(BM_OursFast32);
COMPARED(BM_OursQuality16Avx2);
COMPARED(BM_OursQuality32Avx2);
COMPARED(BM_OursFast16Avx2);
COMPARED(BM_OursFast32Avx2);
COMPARED(BM_V360Linear);
COMPARED(BM_V360Nearest);
COMPARED(BM_V360LinearAvx2);
COMPARED(BM_V360NearestAvx2);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunWithMedianRatios(
      argc, argv,
      "Panorama frame 640x480 from a 2048x1024 map against ffmpeg's v360 fed planar GBRP in and out (its own "
      "format), time ratios at the same level on both sides (targets: quality at most 0.25, fast at most 0.5):",
      [](const benchsupport::MedianRatioReporter& r) {
        const int ourBest = GetPanoramaKernelLevel();
        av_force_cpu_flags(-1);
        const int ffmpegBest = av_get_cpu_flags();
        struct Level {
          const char* suffix;
          const char* ours;
          const char* ffmpeg;
        };
        const Level levels[] = {
            {"Avx2", OurLevelName(platform::kSimdAvx2), FfmpegLevelName(FfmpegAvx2Flags(ffmpegBest))},
            {"", OurLevelName(ourBest), FfmpegLevelName(ffmpegBest)},
        };
        for (const Level& level : levels) {
          std::printf("%s: ours at %s, ffmpeg's CPU flags up to %s\n", *level.suffix ? "held to AVX2" : "best level",
                      level.ours, level.ffmpeg);
          const std::string s = level.suffix;
          r.PrintRatio("  quality 16-bit / v360 linear (GBRP)", "BM_OursQuality16" + s, "BM_V360Linear" + s,
                       "target <= 0.25");
          r.PrintRatio("  quality 32-bit / v360 linear (GBRP)", "BM_OursQuality32" + s, "BM_V360Linear" + s,
                       "target <= 0.25");
          r.PrintRatio("  fast 16-bit / v360 nearest (GBRP)", "BM_OursFast16" + s, "BM_V360Nearest" + s,
                       "target <= 0.5");
          r.PrintRatio("  fast 32-bit / v360 nearest (GBRP)", "BM_OursFast32" + s, "BM_V360Nearest" + s,
                       "target <= 0.5");
        }
        for (const char* name : {"BM_OursQuality16", "BM_OursQuality32", "BM_OursFast16", "BM_OursFast32",
                                 "BM_OursQuality16Avx2", "BM_OursQuality32Avx2", "BM_OursFast16Avx2",
                                 "BM_OursFast32Avx2", "BM_V360Linear", "BM_V360Nearest", "BM_V360LinearAvx2",
                                 "BM_V360NearestAvx2"}) {
          const bool quality = std::string(name).find("Quality") != std::string::npos;
          std::printf("%-52s %8.3f ms per frame%s\n", name, r.Median(name) / 1000.0,
                      quality ? " (target for quality: under 2 ms)" : "");
        }
      });
}
