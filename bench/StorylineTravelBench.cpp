// The storyline screen at its timeline view with three bands and thirty
// event cards (ten a band, in 1700), drawn into a 640 x 480 16-bit map on a
// fake clock, as the screen's tests build it (the interface archive made by
// the program's archive tool in a temporary folder). Two frames are timed:
// - a travel frame: the date set a few hours (10) further, which lays out
//   the three bands and redraws their areas;
// - a date-run frame: one idle pass 40 ms after the last while a date run
//   (AnimateBandDate, between 1 March and 1 August 1700) goes on, the
//   timer's step setting the date and the same redraws.
// Each prints the cards on screen at its end ("cards"); the date run also
// the share of its frames that moved the date ("moved").
// Reference in the same run: the same three band areas drawn plainly with
// SDL between RGB565 surfaces, each area copied from the screen's own pixels
// with SDL_BlitSurface and then every card shown in it blitted over it.
//
// Budget: a frame of either kind under 10 ms.
//
//   bench_StorylineTravelBench [--benchmark_* options]
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/services/EngineServices.h"
#include "title/controls/SignalTimer.h"
#include "title/modules/storyline/StorylineDates.h"
#include "tests/title/modules/storyline/StorylineScreenFixture.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kPassMs = 40;
constexpr double kBudgetMs = 10.0;
// What each band redraws when the date changes (the screen's own areas).
const SDL_Rect kBandAreas[3] = {{43, 21, 397 - 43, 136 - 21}, {238, 137, 592 - 238, 253 - 137},
                                {207, 272, 563 - 207, 389 - 272}};

// The screen's tests' world opened at the timeline view, outside a test:
// the fixture's set-up and tear-down run with the scene.
class Scene : public storylinetest::StorylineScreenFixture {
 public:
  Scene() {
    SetUp();
    if (!HasFatalFailure()) OpenThirtyEventWorld();
    if (!HasFatalFailure()) OpenAtTimelineView();
    ok_ = !HasFatalFailure() && screen != nullptr && screen->GetState() == 3;
    if (ok_) {
      from_ = DateToDayNumber(VTime(1700, 3, 1));
      screen->SetDateDayNumber(from_);
    }
  }
  ~Scene() override { TearDown(); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  bool IsOpen() const { return ok_; }

  // The travel frame `i` of a run of 300 going forwards 10 hours a frame.
  void TravelFrame(int32_t i) { screen->SetDateDayNumber(from_ + 10 * (i % 300)); }

  // Starts a date run from where the date is to the other end of the run
  // (1 March and 1 August 1700 in turn, among the cards all the way).
  void StartDateRun() {
    const int32_t here = DateToDayNumber(screen->GetCurrentDate());
    const int32_t end = DateToDayNumber(VTime(1700, 8, 1));
    const int32_t to = here < (from_ + end) / 2 ? end : from_;
    screen->AnimateBandDate(screen->GetCurrentDate(), DayNumberToDate(to));
    timer_ = screen->GetBandDateTimer();
  }
  bool DateRunGoesOn() const { return timer_ != nullptr && screen->GetBandDateTimer() == timer_ && timer_->IsActive(); }
  void DateRunFrame() { Pass(kPassMs); }

  size_t Shown() const { return CardsShown(); }
  int32_t Hours() const { return DateToDayNumber(screen->GetCurrentDate()); }
  PixelMap* Map() { return bench->map(); }
  // The global areas of the cards shown in band `b`.
  std::vector<SDL_Rect> CardAreas(int32_t b) const {
    std::vector<SDL_Rect> out;
    for (EventCard* card : screen->GetBand(b)->GetCardOrder().GetCards()) {
      if (!card->IsVisible()) continue;
      VRect r;
      card->GetGlobalBounds(r);
      out.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
    return out;
  }

 private:
  void TestBody() override {}

  bool ok_ = false;
  int32_t from_ = 0;
  SignalTimer* timer_ = nullptr;
};

std::unique_ptr<Scene> gScene;

Scene& TheScene() {
  if (!gScene) gScene = std::make_unique<Scene>();
  return *gScene;
}

void BM_TravelFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.IsOpen()) {
    state.SkipWithError("the storyline screen did not open");
    return;
  }
  int32_t i = 0;
  for (auto _ : state) {
    scene.TravelFrame(i++);
    benchmark::ClobberMemory();
  }
  state.counters["cards"] = static_cast<double>(scene.Shown());
}

void BM_DateRunFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.IsOpen()) {
    state.SkipWithError("the storyline screen did not open");
    return;
  }
  scene.StartDateRun();
  int64_t frames = 0, moved = 0;
  for (auto _ : state) {
    if (!scene.DateRunGoesOn()) {
      state.PauseTiming();
      scene.StartDateRun();
      state.ResumeTiming();
    }
    const int32_t before = scene.Hours();
    scene.DateRunFrame();
    moved += scene.Hours() != before ? 1 : 0;
    ++frames;
    benchmark::ClobberMemory();
  }
  state.counters["cards"] = static_cast<double>(scene.Shown());
  // The share of frames that moved the date (all but the last of a run).
  state.counters["moved"] = frames > 0 ? static_cast<double>(moved) / static_cast<double>(frames) : 0.0;
}

// The three band areas drawn with SDL: each copied from the screen's pixels
// as they stand, then the cards shown in it blitted over it, clipped to it.
class PlainBands {
 public:
  explicit PlainBands(Scene& scene) {
    target_ = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 16, SDL_PIXELFORMAT_RGB565);
    backdrop_ = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 16, SDL_PIXELFORMAT_RGB565);
    PixelMap* map = scene.Map();
    if (target_ == nullptr || backdrop_ == nullptr || map == nullptr) return;
    {
      PixelMapLock lock(map);
      for (int32_t y = 0; y < kHeight; ++y) {
        const uint8_t* row = map->GetPixelAddress(VPoint(0, y));
        if (row == nullptr) return;
        std::memcpy(static_cast<uint8_t*>(backdrop_->pixels) + y * backdrop_->pitch, row, kWidth * 2);
      }
    }
    for (int32_t b = 0; b < 3; ++b) {
      cards_[b] = scene.CardAreas(b);
      for (const SDL_Rect& r : cards_[b]) {
        SDL_Surface* card = SDL_CreateRGBSurfaceWithFormat(0, r.w, r.h, 16, SDL_PIXELFORMAT_RGB565);
        if (card == nullptr) return;
        SDL_Rect from = r;
        SDL_BlitSurface(backdrop_, &from, card, nullptr);
        pictures_[b].push_back(card);
      }
    }
    ok_ = true;
  }
  ~PlainBands() {
    for (auto& band : pictures_) {
      for (SDL_Surface* s : band) SDL_FreeSurface(s);
    }
    SDL_FreeSurface(backdrop_);
    SDL_FreeSurface(target_);
  }
  PlainBands(const PlainBands&) = delete;
  PlainBands& operator=(const PlainBands&) = delete;

  bool IsReady() const { return ok_; }
  size_t Cards() const { return cards_[0].size() + cards_[1].size() + cards_[2].size(); }

  void Draw() {
    for (int32_t b = 0; b < 3; ++b) {
      SDL_Rect from = kBandAreas[b];
      SDL_Rect to = kBandAreas[b];
      SDL_SetClipRect(target_, &kBandAreas[b]);
      SDL_BlitSurface(backdrop_, &from, target_, &to);
      for (size_t c = 0; c < cards_[b].size(); ++c) {
        SDL_Rect at = cards_[b][c];
        SDL_BlitSurface(pictures_[b][c], nullptr, target_, &at);
      }
    }
    SDL_SetClipRect(target_, nullptr);
  }

 private:
  bool ok_ = false;
  SDL_Surface* target_ = nullptr;
  SDL_Surface* backdrop_ = nullptr;
  std::vector<SDL_Rect> cards_[3];
  std::vector<SDL_Surface*> pictures_[3];
};

void BM_PlainBandRedraw(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.IsOpen()) {
    state.SkipWithError("the storyline screen did not open");
    return;
  }
  scene.TravelFrame(0);
  PlainBands plain(scene);
  if (!plain.IsReady()) {
    state.SkipWithError("SDL surfaces could not be made");
    return;
  }
  for (auto _ : state) {
    plain.Draw();
    benchmark::ClobberMemory();
  }
  state.counters["cards"] = static_cast<double>(plain.Cards());
}

}  // namespace

BENCHMARK(BM_PlainBandRedraw)->Apply(benchsupport::MillisecondRepetitions);
BENCHMARK(BM_TravelFrame)->Apply(benchsupport::MillisecondRepetitions);
BENCHMARK(BM_DateRunFrame)->Apply(benchsupport::MillisecondRepetitions);

int main(int argc, char** argv) {
  // No display and no sound card: the screen draws into its off-screen map.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  InstallEngineServices();
  // The pictures load at the depth of the window's map, as the program's do
  // at the display's.
  const ScopedLoadPixelFormat depth(16);
  const int code = benchsupport::RunWithMedianRatios(
      argc, argv, "Ratio of medians, one frame (640 x 480 x 16 bits, three bands, 30 events):",
      [](const benchsupport::MedianRatioReporter& r) {
        r.PrintRatio("travel frame vs plain SDL redraw of the band areas", "BM_TravelFrame", "BM_PlainBandRedraw");
        r.PrintRatio("date-run frame vs plain SDL redraw of the band areas", "BM_DateRunFrame", "BM_PlainBandRedraw");
        for (const char* name : {"BM_TravelFrame", "BM_DateRunFrame"}) {
          const double ms = r.Median(name);
          if (ms < 0) continue;
          std::printf("%-52s %8.3f ms  (budget %.0f ms: %s)\n", name, ms, kBudgetMs,
                      ms < kBudgetMs ? "within" : "OVER");
        }
      });
  gScene.reset();
  return code;
}
