// Transfer kernels at 640 x 480, each against a reference measured in the same
// run, compared by the median of repetitions:
// - the mode-0 16-bit copy against the C library's memcpy of the same rows;
// - the 32-bit alpha-channel and level blends against pixman's OVER of the same
//   32-bit frames (x8r8g8b8 source with an a8 mask, or a solid mask for the
//   level), which pixman runs through its SIMD fast paths;
// - the 15/16-bit alpha-channel and level blends against our own 32-bit blends
//   over the same pixel count and against a memcpy of the 16-bit frame (the
//   memory traffic of one frame). pixman has no fast path for a 5-6-5 source
//   with an a8 mask, so it is no fair reference at 16 bits and is not measured.
// pixman is loaded at run time; without it those references are skipped.
// pixman runs these with SSE2 code, so the 32-bit blends are also compared with
// ours limited to SSE2, beside ours at its best (AVX2 where the processor has it).
// The vectorised kernels also run limited to SSE2 and to scalar code, and the
// one-pixel forms they replace run as ..._Table. Two alpha planes: every value
// mixed (no short cuts) and a soft-edged disc (mostly clear or opaque runs).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/TransferKernels.h"

namespace {

using benchsupport::kRepetitions;
using benchsupport::MedianRatioReporter;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

constexpr uint32_t PixmanFormat(uint32_t bpp, uint32_t type, uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (bpp << 24) | (type << 16) | (a << 12) | (r << 8) | (g << 4) | b;
}

// The few pixman entry points the references need, declared from its public API.
struct Pixman {
  struct Color {
    uint16_t red, green, blue, alpha;
  };
  using Image = void;
  using CreateBits = Image* (*)(uint32_t format, int width, int height, uint32_t* bits, int stride);
  using CreateSolid = Image* (*)(const Color* color);
  using Composite = void (*)(int op, Image* src, Image* mask, Image* dst, int32_t sx, int32_t sy, int32_t mx,
                             int32_t my, int32_t dx, int32_t dy, int32_t w, int32_t h);
  using Unref = int (*)(Image*);
  static constexpr uint32_t kX8R8G8B8 = PixmanFormat(32, 2, 0, 8, 8, 8);
  static constexpr uint32_t kA8 = PixmanFormat(8, 1, 8, 0, 0, 0);
  static constexpr int kOpOver = 3;

  CreateBits createBits = nullptr;
  CreateSolid createSolid = nullptr;
  Composite composite = nullptr;
  Unref unref = nullptr;
  Pixman() {
    void* lib = dlopen("libpixman-1.so.0", RTLD_NOW);
    if (!lib) return;
    createBits = reinterpret_cast<CreateBits>(dlsym(lib, "pixman_image_create_bits"));
    createSolid = reinterpret_cast<CreateSolid>(dlsym(lib, "pixman_image_create_solid_fill"));
    composite = reinterpret_cast<Composite>(dlsym(lib, "pixman_image_composite32"));
    unref = reinterpret_cast<Unref>(dlsym(lib, "pixman_image_unref"));
  }
  bool Ok() const { return createBits && createSolid && composite && unref; }
};

const Pixman& GetPixman() {
  static Pixman p;
  return p;
}

// The alpha planes: every value 0..63 mixed from pixel to pixel, or a disc
// with a soft edge (opaque inside, clear outside, a 24-pixel ramp between).
enum class AlphaPlane { kMixed, kDisc };

struct Frames {
  int bytes;
  int rowBytes;
  std::vector<uint32_t> src, dst;  // 32-bit words so pixman can use them directly
  std::vector<uint8_t> alpha, alpha8;
  Frames(int bytesPerPixel, AlphaPlane plane)
      : bytes(bytesPerPixel),
        rowBytes(kWidth * bytesPerPixel),
        src(static_cast<size_t>(rowBytes) * kHeight / 4),
        dst(src.size()),
        alpha(static_cast<size_t>(kWidth) * kHeight),
        alpha8(alpha.size()) {
    uint32_t x = 12345;
    for (auto& v : src) v = (x = x * 1103515245u + 12345u);
    for (auto& v : dst) v = (x = x * 1103515245u + 12345u);
    for (size_t i = 0; i < alpha.size(); ++i) {
      if (plane == AlphaPlane::kMixed) {
        alpha[i] = static_cast<uint8_t>((i * 7 + i / kWidth) % 64);
      } else {
        const double dx = static_cast<double>(i % kWidth) - kWidth / 2.0;
        const double dy = static_cast<double>(i / kWidth) - kHeight / 2.0;
        const double edge = (200.0 - std::sqrt(dx * dx + dy * dy)) * 63.0 / 24.0;
        alpha[i] = static_cast<uint8_t>(edge <= 0 ? 0 : edge >= 63 ? 63 : edge);
      }
      alpha8[i] = static_cast<uint8_t>(alpha[i] * 255 / 63);
    }
  }
  TransferRowArgs Args(int depth, uint16_t format, uint32_t flags, uint8_t level) {
    TransferRowArgs a;
    a.source = reinterpret_cast<const uint8_t*>(src.data());
    a.sourceRowBytes = rowBytes;
    a.destination = reinterpret_cast<uint8_t*>(dst.data());
    a.destinationRowBytes = rowBytes;
    a.alpha = alpha.data();
    a.alphaRowBytes = kWidth;
    a.width = kWidth;
    a.height = kHeight;
    a.bytesPerPixel = bytes;
    a.depth = depth;
    a.pixelFormat = format;
    a.attributes.flags = flags;
    a.attributes.level = level;
    return a;
  }
};

struct Tables {
  Tables() { SetupLookupTables(); }
  ~Tables() { ShutdownLookupTables(); }
};

constexpr uint16_t FormatOf(int depth) {
  return depth == 32 ? kFormatBGRX32 : depth == 15 ? kFormat555LE : kFormat565LE;
}

// Runs the routine the dispatcher selects, with the vector routines limited to
// `simd` (see SetTransferSimdLevel), or `routine` when one is given.
void RunKernel(benchmark::State& state, int depth, uint32_t flags, uint8_t level, AlphaPlane plane = AlphaPlane::kMixed,
               int32_t simd = kTransferSimdAvx2, TransferRowRoutine routine = nullptr) {
  Tables tables;
  Frames f(depth == 32 ? 4 : 2, plane);
  TransferRowArgs a = f.Args(depth, FormatOf(depth), flags, level);
  if (!routine) routine = SelectTransferRowRoutine(a.attributes, depth, FormatOf(depth), false);
  if (!routine) {
    state.SkipWithError("no routine");
    return;
  }
  const int32_t saved = GetTransferSimdLevel();
  if (SetTransferSimdLevel(simd) != simd) {
    SetTransferSimdLevel(saved);
    state.SkipWithError("instruction set not available");
    return;
  }
  for (auto _ : state) {
    routine(a);
    benchmark::ClobberMemory();
  }
  SetTransferSimdLevel(saved);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// pixman's OVER of two x8r8g8b8 frames through an a8 mask (the alpha plane
// scaled to 0..255) or a solid mask of opacity 32/63.
void RunPixman32(benchmark::State& state, bool solidMask, AlphaPlane plane = AlphaPlane::kMixed) {
  const Pixman& p = GetPixman();
  if (!p.Ok()) {
    state.SkipWithError("libpixman-1.so.0 not available");
    return;
  }
  Frames f(4, plane);
  Pixman::Image* src = p.createBits(Pixman::kX8R8G8B8, kWidth, kHeight, f.src.data(), f.rowBytes);
  Pixman::Image* dst = p.createBits(Pixman::kX8R8G8B8, kWidth, kHeight, f.dst.data(), f.rowBytes);
  Pixman::Image* mask;
  if (solidMask) {
    const Pixman::Color c{0, 0, 0, static_cast<uint16_t>(32 * 65535 / 63)};
    mask = p.createSolid(&c);
  } else {
    mask = p.createBits(Pixman::kA8, kWidth, kHeight, reinterpret_cast<uint32_t*>(f.alpha8.data()), kWidth);
  }
  for (auto _ : state) {
    p.composite(Pixman::kOpOver, src, mask, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  p.unref(mask);
  p.unref(dst);
  p.unref(src);
}

// The C library's memcpy of a whole frame of `bytes` bytes per pixel, row by
// row as the copy kernel walks it.
void RunMemcpy(benchmark::State& state, int bytes) {
  Frames f(bytes, AlphaPlane::kMixed);
  auto* s = reinterpret_cast<const uint8_t*>(f.src.data());
  auto* d = reinterpret_cast<uint8_t*>(f.dst.data());
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) {
      benchsupport::LibraryMemcpy(d + y * f.rowBytes, s + y * f.rowBytes, static_cast<size_t>(kWidth) * bytes);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

constexpr AlphaPlane kMixed = AlphaPlane::kMixed;
constexpr AlphaPlane kDisc = AlphaPlane::kDisc;

void BM_Copy16_Mode0(benchmark::State& state) { RunKernel(state, 16, 0, 63); }
void BM_Copy16_Memcpy(benchmark::State& state) { RunMemcpy(state, 2); }
void BM_Copy32_Memcpy(benchmark::State& state) { RunMemcpy(state, 4); }

void BM_Alpha15_Mode8(benchmark::State& state) { RunKernel(state, 15, kTransferAlpha, 63); }
void BM_Alpha16_Mode8(benchmark::State& state) { RunKernel(state, 16, kTransferAlpha, 63); }
void BM_Alpha32_Mode8(benchmark::State& state) { RunKernel(state, 32, kTransferAlpha, 63); }
void BM_Alpha32_PixmanOver(benchmark::State& state) { RunPixman32(state, false); }
void BM_Alpha16_Mode8_Disc(benchmark::State& state) { RunKernel(state, 16, kTransferAlpha, 63, kDisc); }
void BM_Alpha32_Mode8_Disc(benchmark::State& state) { RunKernel(state, 32, kTransferAlpha, 63, kDisc); }
void BM_Alpha32_PixmanOver_Disc(benchmark::State& state) { RunPixman32(state, false, kDisc); }

void BM_Level16_Mode4(benchmark::State& state) { RunKernel(state, 16, kTransferLevel, 32); }
void BM_Level32_Mode4(benchmark::State& state) { RunKernel(state, 32, kTransferLevel, 32); }
void BM_Level32_PixmanOverSolidMask(benchmark::State& state) { RunPixman32(state, true); }

void BM_Alpha16_Mode8_Sse2(benchmark::State& state) {
  RunKernel(state, 16, kTransferAlpha, 63, kMixed, kTransferSimdSse2);
}
void BM_Alpha32_Mode8_Sse2(benchmark::State& state) {
  RunKernel(state, 32, kTransferAlpha, 63, kMixed, kTransferSimdSse2);
}
void BM_Alpha32_Mode8_Disc_Sse2(benchmark::State& state) {
  RunKernel(state, 32, kTransferAlpha, 63, kDisc, kTransferSimdSse2);
}
void BM_Level16_Mode4_Sse2(benchmark::State& state) {
  RunKernel(state, 16, kTransferLevel, 32, kMixed, kTransferSimdSse2);
}
void BM_Level32_Mode4_Sse2(benchmark::State& state) {
  RunKernel(state, 32, kTransferLevel, 32, kMixed, kTransferSimdSse2);
}
void BM_Alpha16_Mode8_Scalar(benchmark::State& state) {
  RunKernel(state, 16, kTransferAlpha, 63, kMixed, kTransferSimdScalar);
}
void BM_Alpha32_Mode8_Scalar(benchmark::State& state) {
  RunKernel(state, 32, kTransferAlpha, 63, kMixed, kTransferSimdScalar);
}
void BM_Level16_Mode4_Scalar(benchmark::State& state) {
  RunKernel(state, 16, kTransferLevel, 32, kMixed, kTransferSimdScalar);
}
void BM_Level32_Mode4_Scalar(benchmark::State& state) {
  RunKernel(state, 32, kTransferLevel, 32, kMixed, kTransferSimdScalar);
}
void BM_Alpha16_Mode8_Table(benchmark::State& state) {
  RunKernel(state, 16, kTransferAlpha, 63, kMixed, kTransferSimdScalar, TransferMode8Depth16Reference);
}
void BM_Alpha32_Mode8_Table(benchmark::State& state) {
  RunKernel(state, 32, kTransferAlpha, 63, kMixed, kTransferSimdScalar, TransferMode8Depth32Reference);
}
void BM_Level16_Mode4_Table(benchmark::State& state) {
  RunKernel(state, 16, kTransferLevel, 32, kMixed, kTransferSimdScalar, TransferMode4Depth16Reference);
}
void BM_Level32_Mode4_Table(benchmark::State& state) {
  RunKernel(state, 32, kTransferLevel, 32, kMixed, kTransferSimdScalar, TransferMode4Depth32Reference);
}

#define OSTREVAN_BENCH(name) \
  BENCHMARK(name)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->DisplayAggregatesOnly(true)

OSTREVAN_BENCH(BM_Copy16_Mode0);
OSTREVAN_BENCH(BM_Copy16_Memcpy);
OSTREVAN_BENCH(BM_Copy32_Memcpy);
OSTREVAN_BENCH(BM_Alpha15_Mode8);
OSTREVAN_BENCH(BM_Alpha16_Mode8);
OSTREVAN_BENCH(BM_Alpha32_Mode8);
OSTREVAN_BENCH(BM_Alpha32_PixmanOver);
OSTREVAN_BENCH(BM_Alpha16_Mode8_Disc);
OSTREVAN_BENCH(BM_Alpha32_Mode8_Disc);
OSTREVAN_BENCH(BM_Alpha32_PixmanOver_Disc);
OSTREVAN_BENCH(BM_Level16_Mode4);
OSTREVAN_BENCH(BM_Level32_Mode4);
OSTREVAN_BENCH(BM_Level32_PixmanOverSolidMask);
OSTREVAN_BENCH(BM_Alpha16_Mode8_Sse2);
OSTREVAN_BENCH(BM_Alpha32_Mode8_Sse2);
OSTREVAN_BENCH(BM_Alpha32_Mode8_Disc_Sse2);
OSTREVAN_BENCH(BM_Level16_Mode4_Sse2);
OSTREVAN_BENCH(BM_Level32_Mode4_Sse2);
OSTREVAN_BENCH(BM_Alpha16_Mode8_Scalar);
OSTREVAN_BENCH(BM_Alpha32_Mode8_Scalar);
OSTREVAN_BENCH(BM_Level16_Mode4_Scalar);
OSTREVAN_BENCH(BM_Level32_Mode4_Scalar);
OSTREVAN_BENCH(BM_Alpha16_Mode8_Table);
OSTREVAN_BENCH(BM_Alpha32_Mode8_Table);
OSTREVAN_BENCH(BM_Level16_Mode4_Table);
OSTREVAN_BENCH(BM_Level32_Mode4_Table);

#undef OSTREVAN_BENCH

}  // namespace

int main(int argc, char** argv) {
  const std::string heading = "Ratios of medians (" + std::to_string(kRepetitions) + " repetitions each, 640 x 480 frames):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    reporter.PrintRatio("16-bit copy (mode 0) vs memcpy", "BM_Copy16_Mode0", "BM_Copy16_Memcpy");
    reporter.PrintRatio("16-bit alpha (5-6-5) vs 32-bit alpha", "BM_Alpha16_Mode8", "BM_Alpha32_Mode8", "target <= 1.5");
    reporter.PrintRatio("15-bit alpha (5-5-5) vs 32-bit alpha", "BM_Alpha15_Mode8", "BM_Alpha32_Mode8", "target <= 1.5");
    reporter.PrintRatio("16-bit alpha vs memcpy of the 16-bit frame", "BM_Alpha16_Mode8", "BM_Copy16_Memcpy");
    reporter.PrintRatio("16-bit alpha, disc plane, vs 32-bit alpha, disc", "BM_Alpha16_Mode8_Disc",
                        "BM_Alpha32_Mode8_Disc");
    reporter.PrintRatio("16-bit alpha vs its one-pixel form", "BM_Alpha16_Mode8", "BM_Alpha16_Mode8_Table");
    reporter.PrintRatio("16-bit alpha vs 16-bit level", "BM_Alpha16_Mode8", "BM_Level16_Mode4");
    reporter.PrintRatio("16-bit level vs memcpy of the 16-bit frame", "BM_Level16_Mode4", "BM_Copy16_Memcpy");
    std::printf("(pixman runs OVER with its SSE2 code: ours at SSE2 is the like-for-like figure, ours at its\n"
                " best, AVX2, beside it)\n");
    reporter.PrintRatio("32-bit alpha, SSE2, vs pixman OVER x888 + a8 (SSE2)", "BM_Alpha32_Mode8_Sse2",
                        "BM_Alpha32_PixmanOver");
    reporter.PrintRatio("32-bit alpha, best, vs pixman OVER x888 + a8 (SSE2)", "BM_Alpha32_Mode8",
                        "BM_Alpha32_PixmanOver");
    reporter.PrintRatio("32-bit alpha, disc, SSE2, vs pixman, disc (SSE2)", "BM_Alpha32_Mode8_Disc_Sse2",
                        "BM_Alpha32_PixmanOver_Disc");
    reporter.PrintRatio("32-bit alpha, disc, best, vs pixman, disc (SSE2)", "BM_Alpha32_Mode8_Disc",
                        "BM_Alpha32_PixmanOver_Disc");
    reporter.PrintRatio("32-bit level, SSE2, vs pixman OVER x888 + solid (SSE2)", "BM_Level32_Mode4_Sse2",
                        "BM_Level32_PixmanOverSolidMask");
    reporter.PrintRatio("32-bit level, best, vs pixman OVER x888 + solid (SSE2)", "BM_Level32_Mode4",
                        "BM_Level32_PixmanOverSolidMask");
    reporter.PrintRatio("32-bit alpha vs memcpy of the 32-bit frame", "BM_Alpha32_Mode8", "BM_Copy32_Memcpy");
    std::printf("(pixman has no fast path for 5-6-5 pixels with an a8 mask; the 16-bit blends are compared with\n"
                " our 32-bit blends and with memory bandwidth instead.)\n");
  });
}
