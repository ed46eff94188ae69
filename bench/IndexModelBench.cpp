// The index screen's turning house model on the sample disc: its 41 frames
// (320 x 240, loaded as 8-bit pictures) shown one after the other in the
// model's area of a 640 x 480 16-bit window, over the screen's backdrop and
// beside the list of places, as the model steps every 20 ms while it turns.
// One model frame is the frame's copy into the shown 16-bit picture and the
// redraw of the model's area. The same with a playing 320 x 240 film: every
// other model frame (a film runs at 25 frames a second) also decodes the
// next picture of the disc's film VI001 and converts it to 16 bits into the
// window's map. Also timed: loading the 41 frames from the interface archive
// as the model does once each time the screen opens.
//
// Reference in the same run: the same number of plain SDL blits of 8-bit
// 320 x 240 surfaces (with a colour table) onto a 640 x 480 RGB565 surface,
// one blit per model frame (SDL_BlitSurface converting 8 to 16 bits).
//
// Target: a model frame under 5 ms at 16 bits, with the film.
//
// The sample disc is read from $OSTREVAN_DISC, or from the build folder's
// content/disc (built by `ctest -R content.SampleDisc`); the film's video
// stream is copied out of its system stream by ffmpeg at start.
//
//   bench_IndexModelBench [--benchmark_* options]
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/app/VWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VPicture.h"
#include "engine/mpeg/PlaneRecycler.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "engine/services/EngineServices.h"
#include "platform/Clock.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/FakeClockWindow.h"
#include "tests/support/MuseumArchiveStage.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/shell/MuseumArchives.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kModelLeft = 53;
constexpr int32_t kModelTop = 71;
constexpr int32_t kModelWidth = 320;
constexpr int32_t kModelHeight = 240;
constexpr int32_t kModelFrames = 41;
constexpr uint16_t kFrameBase = 10400;
constexpr uint16_t kRegionBase = 10500;
constexpr uint16_t kHighlightBase = 10600;
constexpr uint16_t kBackdrop = 10001;
constexpr int32_t kPlaces = 8;

std::string gDisc;
std::vector<uint8_t> gFilm;

// The window of the index screen: backdrop, list of places and the model.
class ModelScene {
 public:
  ModelScene() : bench_(kWidth, kHeight) {
    VWindow* window = bench_.GetWindow();
    new VPictureControl(VControl::kAllocateId, kBackdrop, 0, 0, 0, 0, 0, window);
    for (int32_t i = 0; i < kPlaces; ++i) titles_[i] = VString(("Place " + std::to_string(i + 1)).c_str());
    auto* list = new AppTaskListControl(14959, nullptr, 0, 0.0, 425, 30, 1, 210, 380, 17, window);
    list->SetItems(titles_, kPlaces);
    list->FitHeightToRows();
    model_ = new AnimatedMaskControl(14966, kFrameBase, kModelFrames, kFrameBase, kRegionBase, kHighlightBase,
                                     kModelLeft, kModelTop, 2, kModelWidth, kModelHeight, window);
    model_->SetFrame(0);
    model_->ShowCurrentFrame();
    window->Redraw(nullptr);
  }
  ModelScene(const ModelScene&) = delete;
  ModelScene& operator=(const ModelScene&) = delete;

  // One step of a turning model: the next frame copied into the shown
  // picture and the model's area redrawn.
  void NextFrame() {
    frame_ = (frame_ + 1) % kModelFrames;
    model_->SetFrame(frame_);
    model_->Redraw(nullptr, nullptr);
  }
  PixelMap* GetMap() const { return bench_.GetMap(); }
  // A sum of the model's pixels in the window's map.
  uint64_t ModelChecksum() const {
    uint64_t sum = 0;
    for (int32_t y = kModelTop; y < kModelTop + kModelHeight; y += 3) {
      for (int32_t x = kModelLeft; x < kModelLeft + kModelWidth; x += 3) {
        VRGBColor c;
        GetMap()->GetPixel(VPoint(x, y), c);
        sum = sum * 31 + c.red + (c.green << 8) + (static_cast<uint32_t>(c.blue) << 16);
      }
    }
    return sum;
  }

 private:
  testsupport::FakeClockWindow bench_;
  AnimatedMaskControl* model_ = nullptr;
  VString titles_[kPlaces];
  int32_t frame_ = 0;
};

// The film's pictures one after the other, converted to 16 bits into the
// model's area of a map; from the start again at the end.
class FilmPlayer {
 public:
  explicit FilmPlayer(PixelMap* map) {
    buffer_.pixels = map->GetPixels() + kModelTop * map->GetRowBytes() + kModelLeft * 2;
    buffer_.width = kModelWidth;
    buffer_.height = kModelHeight;
    buffer_.depth = 16;
    buffer_.rowBytes = map->GetRowBytes();
    buffer_.pixelFormat = static_cast<uint16_t>(kFormat565LE);
    Restart();
  }
  bool Ok() const { return ok_; }
  void NextPicture() {
    auto picture = decoder_ != nullptr ? decoder_->Next() : nullptr;
    if (picture == nullptr) {
      Restart();
      picture = decoder_ != nullptr ? decoder_->Next() : nullptr;
    }
    if (picture == nullptr) {
      ok_ = false;
      return;
    }
    picture->ConvertToPixels(buffer_, 0, 0, kModelWidth, kModelHeight);
  }

 private:
  void Restart() {
    decoder_.reset();
    bitstream_ = std::make_unique<VMemoryBitstream>(gFilm.data(), gFilm.size());
    decoder_ = std::make_unique<VideoStreamDecoder>(*bitstream_);
    ok_ = decoder_->Start();
  }
  PixelBuffer buffer_;
  std::unique_ptr<VMemoryBitstream> bitstream_;
  std::unique_ptr<VideoStreamDecoder> decoder_;
  bool ok_ = false;
};

bool SceneShows(ModelScene& scene, benchmark::State& state) {
  const uint64_t before = scene.ModelChecksum();
  scene.NextFrame();
  if (scene.ModelChecksum() == before) {
    state.SkipWithError("the model's frames do not change the window (frames missing from the disc?)");
    return false;
  }
  return true;
}

void BM_ModelFrame(benchmark::State& state) {
  ModelScene scene;
  if (!SceneShows(scene, state)) return;
  for (auto _ : state) {
    scene.NextFrame();
    benchmark::ClobberMemory();
  }
}

void BM_ModelFrameWithFilm(benchmark::State& state) {
  ModelScene scene;
  if (!SceneShows(scene, state)) return;
  FilmPlayer film(scene.GetMap());
  if (!film.Ok()) {
    state.SkipWithError("the film does not decode");
    return;
  }
  bool filmFrame = false;
  for (auto _ : state) {
    scene.NextFrame();
    if (filmFrame) film.NextPicture();
    filmFrame = !filmFrame;
    benchmark::ClobberMemory();
  }
  PlaneRecycler::Get().Clear();
}

// The model's frames loaded once, as each opening of the screen does.
void BM_LoadModelFrames(benchmark::State& state) {
  AnimatedMaskMedia media(kFrameBase, kRegionBase, kHighlightBase);
  for (auto _ : state) {
    for (int32_t f = 0; f < kModelFrames; ++f) {
      VPicture* picture = media.LoadFrame(f);
      if (picture == nullptr || picture->GetPixelMap() == nullptr) {
        state.SkipWithError("a model frame does not load");
        if (picture != nullptr) picture->Release();
        return;
      }
      picture->Release();
    }
  }
}

// The reference: one plain SDL blit of an 8-bit 320 x 240 frame onto a
// 640 x 480 RGB565 surface per model frame.
void BM_SdlBlit(benchmark::State& state) {
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 16, SDL_PIXELFORMAT_RGB565);
  std::vector<SDL_Surface*> frames;
  SDL_Color colours[256];
  for (int32_t i = 0; i < 256; ++i) {
    colours[i] = SDL_Color{static_cast<Uint8>(i), static_cast<Uint8>(255 - i), static_cast<Uint8>(i * 7), 255};
  }
  for (int32_t f = 0; f < kModelFrames && target != nullptr; ++f) {
    SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, kModelWidth, kModelHeight, 8, SDL_PIXELFORMAT_INDEX8);
    if (frame == nullptr) break;
    SDL_SetPaletteColors(frame->format->palette, colours, 0, 256);
    auto* pixels = static_cast<uint8_t*>(frame->pixels);
    for (int32_t y = 0; y < kModelHeight; ++y) {
      for (int32_t x = 0; x < kModelWidth; ++x) pixels[y * frame->pitch + x] = static_cast<uint8_t>(x * y + f);
    }
    frames.push_back(frame);
  }
  if (target == nullptr || static_cast<int32_t>(frames.size()) != kModelFrames) {
    state.SkipWithError("SDL surfaces could not be made");
  } else {
    size_t f = 0;
    SDL_Rect at{kModelLeft, kModelTop, kModelWidth, kModelHeight};
    for (auto _ : state) {
      SDL_Rect placed = at;
      SDL_BlitSurface(frames[f], nullptr, target, &placed);
      f = (f + 1) % frames.size();
      benchmark::DoNotOptimize(target->pixels);
      benchmark::ClobberMemory();
    }
  }
  for (SDL_Surface* frame : frames) SDL_FreeSurface(frame);
  if (target != nullptr) SDL_FreeSurface(target);
}

// The video stream of the disc's film VI001 (MPG 19701), copied out by ffmpeg.
bool ReadFilm(const std::string& folder) {
  const std::string film = testsupport::SourceDir() + "/content/disc/media/prebuilt/19701.mpg";
  const std::string out = folder + "/film.m1v";
  const std::string command = "ffmpeg -loglevel error -y -i '" + film + "' -map 0:v:0 -c:v copy -f mpeg1video '" +
                              out + "' </dev/null";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(out, std::ios::binary);
  gFilm.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !gFilm.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const char* disc = std::getenv("OSTREVAN_DISC");
  gDisc = disc != nullptr ? disc : testsupport::BuildDir() + "/content/disc";
  char dir[] = "/tmp/ostrevan_indexmodel_XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const std::string folder = dir;
  const bool film = ReadFilm(folder);
  std::filesystem::remove_all(folder);
  if (!film) {
    std::fprintf(stderr, "cannot copy the film's video stream out of the disc's 19701.mpg with ffmpeg\n");
    return 1;
  }
  InstallEngineServices();
  auto stage = std::make_unique<testsupport::MuseumArchiveStage>(ArchiveSlot::kGui, gDisc + "/Media/QV_GUI.msf");
  if (!stage->IsOpen()) {
    std::fprintf(stderr, "no sample disc at %s (build it with ctest -R content.SampleDisc, or set OSTREVAN_DISC)\n",
                 gDisc.c_str());
    return 1;
  }

  for (const auto& [name, function] :
       {std::pair{"BM_ModelFrame", &BM_ModelFrame}, std::pair{"BM_ModelFrameWithFilm", &BM_ModelFrameWithFilm},
        std::pair{"BM_LoadModelFrames", &BM_LoadModelFrames}, std::pair{"BM_SdlBlit", &BM_SdlBlit}}) {
    benchmark::RegisterBenchmark(name, function)->Apply(benchsupport::MillisecondRepetitions);
  }
  const int code = benchsupport::RunWithMedianRatios(
      argc, argv,
      "Index screen's house model, 41 frames of 320 x 240 (8 bits) into a 640 x 480 16-bit window,\n"
      "a frame every 20 ms; reference: one plain SDL_BlitSurface of an 8-bit frame to RGB565 per frame:",
      [](const benchsupport::MedianRatioReporter& reporter) {
        reporter.PrintRatio("model frame vs SDL blit", "BM_ModelFrame", "BM_SdlBlit");
        reporter.PrintRatio("model frame with the film vs SDL blit", "BM_ModelFrameWithFilm", "BM_SdlBlit");
        const double blit = reporter.Median("BM_SdlBlit");
        const double loading = reporter.Median("BM_LoadModelFrames");
        if (blit > 0 && loading > 0) {
          std::printf("%-52s %8.3f  (BM_LoadModelFrames / 41 x BM_SdlBlit)\n", "41 frames loaded vs 41 SDL blits",
                      loading / (kModelFrames * blit));
        }
        for (const auto& [label, name] : {std::pair{"model frame", "BM_ModelFrame"},
                                          std::pair{"model frame with the film (25 fps)", "BM_ModelFrameWithFilm"}}) {
          const double ms = reporter.Median(name);
          if (ms > 0) std::printf("%-52s %8.3f ms  (target: under 5 ms)\n", label, ms);
        }
        if (loading > 0) std::printf("%-52s %8.3f ms  (once per opening)\n", "loading the 41 model frames", loading);
      });
  stage.reset();
  return code;
}
