// Transfer kernels against their references at 640 x 480: the mode-0 16-bit
// copy against memcpy of the same rows, and the 16- and 32-bit alpha-channel
// and level blends against pixman's OVER (an a8 mask, or a solid mask for the
// level). pixman is loaded at run time; without it those references are skipped.
// The vectorised kernels also run limited to SSE2, and the table-driven
// one-pixel forms they replace run as ..._Table for comparison.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/LookupTables.h"
#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/TransferKernels.h"

namespace {

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
  static constexpr uint32_t kR5G6B5 = PixmanFormat(16, 2, 0, 5, 6, 5);
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

struct Frames {
  int bytes;
  int rowBytes;
  std::vector<uint32_t> src, dst;  // 32-bit words so pixman can use them directly
  std::vector<uint8_t> alpha, alpha8;
  explicit Frames(int bytesPerPixel)
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
      alpha[i] = static_cast<uint8_t>((i * 7 + i / kWidth) % 64);  // all of 0..63, mixed
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

// Runs the routine the dispatcher selects, with the vector routines limited to
// `simd` (see SetTransferSimdLevel), or `routine` when one is given.
void RunKernel(benchmark::State& state, int depth, uint16_t format, uint32_t flags, uint8_t level,
               int32_t simd = kTransferSimdAvx2, TransferRowRoutine routine = nullptr) {
  Tables tables;
  Frames f(depth == 32 ? 4 : 2);
  TransferRowArgs a = f.Args(depth, format, flags, level);
  if (!routine) routine = SelectTransferRowRoutine(a.attributes, depth, format, false);
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

void RunPixman(benchmark::State& state, int depth, bool solidMask) {
  const Pixman& p = GetPixman();
  if (!p.Ok()) {
    state.SkipWithError("libpixman-1.so.0 not available");
    return;
  }
  Frames f(depth == 32 ? 4 : 2);
  const uint32_t format = depth == 32 ? Pixman::kX8R8G8B8 : Pixman::kR5G6B5;
  Pixman::Image* src = p.createBits(format, kWidth, kHeight, f.src.data(), f.rowBytes);
  Pixman::Image* dst = p.createBits(format, kWidth, kHeight, f.dst.data(), f.rowBytes);
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

void BM_Copy16_Mode0(benchmark::State& state) { RunKernel(state, 16, 0x8004, 0, 63); }
void BM_Copy16_Memcpy(benchmark::State& state) {
  Frames f(2);
  auto* s = reinterpret_cast<const uint8_t*>(f.src.data());
  auto* d = reinterpret_cast<uint8_t*>(f.dst.data());
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) std::memcpy(d + y * f.rowBytes, s + y * f.rowBytes, kWidth * 2);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
void BM_Alpha16_Mode8(benchmark::State& state) { RunKernel(state, 16, 0x8004, kTransferAlpha, 63); }
void BM_Alpha16_PixmanOver(benchmark::State& state) { RunPixman(state, 16, false); }
void BM_Alpha32_Mode8(benchmark::State& state) { RunKernel(state, 32, 8, kTransferAlpha, 63); }
void BM_Alpha32_PixmanOver(benchmark::State& state) { RunPixman(state, 32, false); }
void BM_Level16_Mode4(benchmark::State& state) { RunKernel(state, 16, 0x8004, kTransferLevel, 32); }
void BM_Level16_PixmanOverSolidMask(benchmark::State& state) { RunPixman(state, 16, true); }
void BM_Level32_Mode4(benchmark::State& state) { RunKernel(state, 32, 8, kTransferLevel, 32); }
void BM_Level32_PixmanOverSolidMask(benchmark::State& state) { RunPixman(state, 32, true); }

void BM_Alpha32_Mode8_Sse2(benchmark::State& state) { RunKernel(state, 32, 8, kTransferAlpha, 63, kTransferSimdSse2); }
void BM_Level16_Mode4_Sse2(benchmark::State& state) { RunKernel(state, 16, 0x8004, kTransferLevel, 32, kTransferSimdSse2); }
void BM_Level32_Mode4_Sse2(benchmark::State& state) { RunKernel(state, 32, 8, kTransferLevel, 32, kTransferSimdSse2); }
void BM_Alpha32_Mode8_Scalar(benchmark::State& state) { RunKernel(state, 32, 8, kTransferAlpha, 63, kTransferSimdScalar); }
void BM_Level16_Mode4_Scalar(benchmark::State& state) {
  RunKernel(state, 16, 0x8004, kTransferLevel, 32, kTransferSimdScalar);
}
void BM_Level32_Mode4_Scalar(benchmark::State& state) { RunKernel(state, 32, 8, kTransferLevel, 32, kTransferSimdScalar); }
void BM_Alpha32_Mode8_Table(benchmark::State& state) {
  RunKernel(state, 32, 8, kTransferAlpha, 63, kTransferSimdScalar, TransferMode8Depth32Reference);
}
void BM_Level16_Mode4_Table(benchmark::State& state) {
  RunKernel(state, 16, 0x8004, kTransferLevel, 32, kTransferSimdScalar, TransferMode4Depth16Reference);
}
void BM_Level32_Mode4_Table(benchmark::State& state) {
  RunKernel(state, 32, 8, kTransferLevel, 32, kTransferSimdScalar, TransferMode4Depth32Reference);
}

BENCHMARK(BM_Copy16_Mode0);
BENCHMARK(BM_Copy16_Memcpy);
BENCHMARK(BM_Alpha16_Mode8);
BENCHMARK(BM_Alpha16_PixmanOver);
BENCHMARK(BM_Alpha32_Mode8);
BENCHMARK(BM_Alpha32_PixmanOver);
BENCHMARK(BM_Level16_Mode4);
BENCHMARK(BM_Level16_PixmanOverSolidMask);
BENCHMARK(BM_Level32_Mode4);
BENCHMARK(BM_Level32_PixmanOverSolidMask);
BENCHMARK(BM_Alpha32_Mode8_Sse2);
BENCHMARK(BM_Level16_Mode4_Sse2);
BENCHMARK(BM_Level32_Mode4_Sse2);
BENCHMARK(BM_Alpha32_Mode8_Scalar);
BENCHMARK(BM_Level16_Mode4_Scalar);
BENCHMARK(BM_Level32_Mode4_Scalar);
BENCHMARK(BM_Alpha32_Mode8_Table);
BENCHMARK(BM_Level16_Mode4_Table);
BENCHMARK(BM_Level32_Mode4_Table);

}  // namespace

BENCHMARK_MAIN();
