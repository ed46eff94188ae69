// One idle pass of the carousel screen's ring while it turns under the
// pointer (40 ms of the fake clock a pass, the pointer near the ring's left
// edge): the ring's task step with its layout of the 20 places, and the
// redraw of what it covered and covers now (the backdrop and the 20 scaled
// pictures) into a 640 x 480 16-bit map. Against it, the same work done with
// SDL: the same 20 places projected, the backdrop's part copied and the 20
// pictures drawn far to near with SDL_BlitScaled between RGB565 surfaces.
// Target: a pass under 5 ms, and no slower than SDL.
//
// The ring's pictures come from the sample disc (OSTREVAN_DISC, default
// build/release/content/disc; make it with content/make-disc.sh). With
// --screenshots DIR the program writes the ring after 10 passes, drawn both
// ways, as DIR/carousel-own.ppm and DIR/carousel-sdl.ppm, and runs no
// benchmark.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/MedianRatioReporter.h"
#include "bench/SampleDiscWindow.h"
#include "engine/app/VWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/CategoryTables.h"
#include "platform/Input.h"
#include "title/modules/carousel/CarouselSlotControl.h"
#include "title/modules/carousel/PictureCarousel.h"
#include "title/shell/IndexEntryList.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/MuseumCategoryTables.h"

namespace {

constexpr int32_t kWidth = benchsupport::SampleDiscWindow::kWidth;
constexpr int32_t kHeight = benchsupport::SampleDiscWindow::kHeight;
constexpr uint32_t kPassMs = 40;
// Near the ring's left edge: the ring turns at 0.92 radians a second.
constexpr int32_t kPointerX = 8;
constexpr int32_t kPointerY = 70;

// The window with the carousel over a black panel, on a fake clock, the
// pointer in the ring's left zone.
class Scene {
 public:
  Scene() : disc_("the ring goes without its pictures") {
    // The interface archive is the current one, as in the program; the
    // bubble table names the places' own pictures.
    previousTables_ = SetCategoryTables(&GetMuseumCategoryTables());
    if (disc_.IsOpen() && !LoadCategoryTables()) {
      benchsupport::SampleDiscWindow::ReportMissingDisc("the ring goes without its pictures");
    }
    SetCurrentArchive(GetMuseumArchives().Get(ArchiveSlot::kGui));
    entries_ = std::make_unique<IndexEntryList>(IndexEntryList::kIndexMediaId);
    {
      // The pictures load at the depth of the window's map, as the
      // program's do at the display's.
      const ScopedLoadPixelFormat depth(16);
      carousel_ = new PictureCarousel(14867, 0, 0, 1, entries_.get(), disc_.GetWindow());
    }
    carousel_->SetVisibleCount(PictureCarousel::kRingSize);
    platform::SetCursorScreenPosition(kPointerX, kPointerY);
    disc_.GetWindow()->Redraw(nullptr);
    drawn_ = carousel_->GetDrawnArea();
  }
  ~Scene() {
    disc_.Bench().Close();
    SetCategoryTables(previousTables_);
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // One idle pass: the ring's step (it turns and lays out), then the redraw
  // of what it covered before and covers now, as the window's paint does.
  void Pass() {
    disc_.Bench().Advance(kPassMs);
    disc_.Bench().Idle();
    VRect area = carousel_->GetDrawnArea();
    area.Union(drawn_);
    drawn_ = carousel_->GetDrawnArea();
    disc_.GetWindow()->Redraw(&area);
  }

  PictureCarousel& carousel() { return *carousel_; }
  PixelMap* Map() { return disc_.GetMap(); }

 private:
  benchsupport::SampleDiscWindow disc_;
  CategoryTables* previousTables_ = nullptr;
  std::unique_ptr<IndexEntryList> entries_;
  PictureCarousel* carousel_ = nullptr;
  VRect drawn_;
};

// An RGB565 surface holding a copy of a 16-bit picture's pixels; null when
// the picture has none.
SDL_Surface* SurfaceOf(VPicture* picture) {
  PixelMap* map = picture != nullptr ? picture->GetPixelMap() : nullptr;
  if (map == nullptr || map->GetDepth() != 16) return nullptr;
  const int32_t w = picture->GetWidth();
  const int32_t h = picture->GetHeight();
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565);
  if (surface == nullptr) return nullptr;
  PixelMapLock lock(map);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = map->GetPixelAddress(VPoint(0, y));
    if (row != nullptr) {
      std::memcpy(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch, row, static_cast<size_t>(w) * 2);
    }
  }
  return surface;
}

// The same ring drawn with SDL: the backdrop and the 20 normal pictures the
// carousel loaded, turned by the same angle a pass.
class SdlRing {
 public:
  explicit SdlRing(PictureCarousel& carousel) {
    target_ = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 16, SDL_PIXELFORMAT_RGB565);
    backdrop_ = SurfaceOf(carousel.PeekPicture());
    for (int32_t i = 0; i < PictureCarousel::kRingSize; ++i) {
      pictures_[static_cast<size_t>(i)] = SurfaceOf(carousel.GetSlot(i)->PeekPicture());
    }
  }
  ~SdlRing() {
    for (SDL_Surface* s : pictures_) SDL_FreeSurface(s);
    SDL_FreeSurface(backdrop_);
    SDL_FreeSurface(target_);
  }
  bool Ready() const {
    return target_ != nullptr && backdrop_ != nullptr &&
           std::all_of(pictures_.begin(), pictures_.end(), [](SDL_Surface* s) { return s != nullptr; });
  }

  void Pass() {
    // The left zone turns the ring backwards: past 0 the next item comes
    // to each place.
    angle_ -= kPassMs * 0.001 * (1.0 - kPointerX / 100.0);
    while (angle_ < 0) {
      angle_ += PictureCarousel::kStep;
      offset_ = (offset_ + 1) % PictureCarousel::kRingSize;
    }
    std::array<PictureCarousel::Place, PictureCarousel::kRingSize> places;
    std::array<int32_t, PictureCarousel::kRingSize> order{};
    SDL_Rect area{0, 0, 0, 0};
    for (int32_t i = 0; i < PictureCarousel::kRingSize; ++i) {
      places[static_cast<size_t>(i)] = PictureCarousel::ProjectPlace(i, angle_, -45, 210, 110);
      order[static_cast<size_t>(i)] = i;
      const PictureCarousel::Place& p = places[static_cast<size_t>(i)];
      const SDL_Rect r{p.left, p.top, p.width, p.height};
      if (i == 0) {
        area = r;
      } else {
        SDL_UnionRect(&area, &r, &area);
      }
    }
    // The front place covers all others; the rest far to near.
    places[PictureCarousel::kFrontPlace].depth = 0;
    std::sort(order.begin(), order.end(), [&places](int32_t a, int32_t b) {
      return places[static_cast<size_t>(a)].depth > places[static_cast<size_t>(b)].depth;
    });
    SDL_Rect redraw = area;
    SDL_UnionRect(&redraw, &previous_, &redraw);
    previous_ = area;
    SDL_Rect to = redraw;
    SDL_BlitSurface(backdrop_, &redraw, target_, &to);
    for (int32_t i : order) {
      const PictureCarousel::Place& p = places[static_cast<size_t>(i)];
      SDL_Rect r{p.left, p.top, p.width, p.height};
      SDL_BlitScaled(pictures_[static_cast<size_t>((i + offset_) % PictureCarousel::kRingSize)], nullptr, target_,
                     &r);
    }
  }

  const SDL_Surface* Target() const { return target_; }

 private:
  SDL_Surface* target_ = nullptr;
  SDL_Surface* backdrop_ = nullptr;
  std::array<SDL_Surface*, PictureCarousel::kRingSize> pictures_{};
  double angle_ = 0;
  int32_t offset_ = 0;
  SDL_Rect previous_{0, 0, 0, 0};
};

// Writes 16-bit RGB565 rows as a binary PPM.
bool WritePpm(const std::string& path, const uint8_t* pixels, int32_t pitch) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint8_t* p = pixels + y * pitch + x * 2;
      const auto v = static_cast<uint16_t>(p[0] | (p[1] << 8));
      const unsigned char rgb[3] = {static_cast<unsigned char>((v >> 11) << 3),
                                    static_cast<unsigned char>(((v >> 5) & 63) << 2),
                                    static_cast<unsigned char>((v & 31) << 3)};
      std::fwrite(rgb, 1, 3, f);
    }
  }
  return std::fclose(f) == 0;
}

// The ring after 10 passes, drawn both ways, as DIR/carousel-own.ppm and
// DIR/carousel-sdl.ppm.
int WriteScreenshots(const std::string& folder) {
  Scene scene;
  SdlRing ring(scene.carousel());
  if (!ring.Ready()) return 1;
  for (int i = 0; i < 10; ++i) {
    scene.Pass();
    ring.Pass();
  }
  PixelMap* map = scene.Map();
  bool written = false;
  {
    PixelMapLock lock(map);
    written = WritePpm(folder + "/carousel-own.ppm", map->GetPixelAddress(VPoint(0, 0)), map->GetRowBytes());
  }
  const SDL_Surface* target = ring.Target();
  written = written &&
            WritePpm(folder + "/carousel-sdl.ppm", static_cast<const uint8_t*>(target->pixels), target->pitch);
  if (written) std::printf("%s/carousel-own.ppm\n%s/carousel-sdl.ppm\n", folder.c_str(), folder.c_str());
  return written ? 0 : 1;
}

void BM_CarouselIdlePass(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.Pass();
    benchmark::ClobberMemory();
  }
}

void BM_SdlBlitScaledRing(benchmark::State& state) {
  Scene scene;
  SdlRing ring(scene.carousel());
  if (!ring.Ready()) {
    state.SkipWithError("the ring's pictures did not load (no sample disc?)");
    return;
  }
  for (auto _ : state) {
    ring.Pass();
    benchmark::DoNotOptimize(ring.Target()->pixels);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_SdlBlitScaledRing)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_CarouselIdlePass)->Apply(benchsupport::MillisecondMedians);

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshots") == 0) return WriteScreenshots(argv[i + 1]);
  }
  benchsupport::InitializeInterleaved(argc, argv);
  benchsupport::MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatio of medians, one idle pass of the turning ring (640 x 480 x 16 bits):\n");
  reporter.PrintRatio("ring's step, layout and redraw vs SDL_BlitScaled", "BM_CarouselIdlePass",
                      "BM_SdlBlitScaledRing", "target: at most 1, and a pass under 5 ms");
  benchmark::Shutdown();
  return 0;
}
