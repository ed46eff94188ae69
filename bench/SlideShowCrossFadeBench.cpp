// A slide show's cross-fade as the item viewer plays it: two 426 x 320 JPEG
// pictures of the sample disc's slide show (decoded for a 16-bit screen), the
// second rising over the first for a second, played by the sequence player
// at 25 frames a second (40 ms of the fake clock a frame) into the offscreen
// 640 x 480 16-bit map of a window. One frame is the task step of the player
// (presenting the sequence: the rising picture's level) and the redraw of
// what changed. References in the same run: a plain copy of the 426 x 320
// area between two 640 x 480 16-bit maps (the C library's memcpy per row),
// and the redraw of the same area with nothing changed.
//
// Also timed: the decoding of the next picture, which the player does one
// second (the sequence's preload lead) before the picture starts, in a frame
// of its own; and the count of pictures the player showed late (not loaded
// ahead), which must stay 0.
//
// Target: a cross-fade frame under 5 ms.
//
//   bench_SlideShowCrossFadeBench [--benchmark_* options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/app/VWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTask.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VPicture.h"
#include "engine/services/EngineServices.h"
#include "platform/Clock.h"
#include "tests/support/BuildPaths.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kShowWidth = 426;
constexpr int32_t kShowHeight = 320;
// Where the main panel's viewer puts the slide show: centred on (290, 204)
// of a viewer 20 pixels down.
constexpr int32_t kShowLeft = 290 - kShowWidth / 2;
constexpr int32_t kShowTop = 20 + 204 - kShowHeight / 2;
constexpr uint32_t kFrameMs = 40;
// The sequence and its two pictures in the language archive's range.
constexpr uint16_t kSequenceId = 19600;
constexpr uint16_t kFirstPictureId = 19605;
constexpr uint16_t kSecondPictureId = 19606;
// The second picture rises from 2000 to 3000 ms over the first.
constexpr int32_t kFadeStart = 2000;
constexpr int32_t kFadeEnd = 3000;

std::string gDir;

std::string PicturePath(uint16_t id) {
  return testsupport::SourceDir() + "/content/disc/media/prebuilt/" + std::to_string(id) + ".jpg";
}

// The archive of the sequence and its pictures, as the sample disc's
// language archive holds them.
bool BuildShowArchive(const std::string& path) {
  const std::string text = gDir + "/show.txt";
  std::ofstream(text, std::ios::binary)
      << "channel { item picture { start 0 sustain 2000 decay 1000 resid " << kFirstPictureId
      << " opacity 1.00 bounds 0 0 0 0 } }\r\n"
      << "channel { item picture { start " << kFadeStart << " rise " << (kFadeEnd - kFadeStart)
      << " sustain 1000 resid " << kSecondPictureId << " opacity 1.00 bounds 0 0 0 0 } }\r\n";
  const std::string script = gDir + "/show.build";
  std::ofstream(script, std::ios::binary) << kSequenceId << " 40 \"" << text << "\"\n"
                                          << kFirstPictureId << " 0 \"" << PicturePath(kFirstPictureId) << "\"\n"
                                          << kSecondPictureId << " 0 \"" << PicturePath(kSecondPictureId) << "\"\n";
  VTextFile scriptFile(VFileSpec(script.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
  VFile archive(VFileSpec(path.c_str()), MakeTypeCode("MSF "), kUnknownFileType);
  const bool built = BuildMediaArchive(scriptFile, archive, nullptr);
  scriptFile.Close();
  archive.Close();
  return built;
}

PixelMap* NewMap16(int32_t width, int32_t height) {
  return new PixelMap(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                      kFormat565LE, 0);
}

// The window with its offscreen map, a backdrop and the slide-show panel
// playing on a fake clock.
class Scene {
 public:
  Scene() : clock_(1000ull * 1000000ull), source_(&clock_) {
    clock_.SetStepPerRead(0);  // time moves only between frames
    VGraphicObject::ResetProgramState();
    VControl::ResetControlIdPool();
    manager_ = std::make_unique<VTaskManager>(0, true, false, nullptr);
    previousManager_ = SetTaskManager(manager_.get());
    window_ = std::make_unique<VWindow>(7, 0, VRect(0, 0, kWidth, kHeight), false, 0, false, false);
    window_->Create(0, VRect(0, 0, kWidth, kHeight), false, 0, nullptr, false);
    window_->SetOffscreenMap(NewMap16(kWidth, kHeight), 0);
    new VPictureControl(VControl::kAllocateId, VRGBColor(20, 20, 30), 0, 0, 0, kWidth, kHeight, window_.get());
    panel_ = new SlideShowPanel(15008, kShowLeft, kShowTop, 2, kShowWidth, kShowHeight, window_.get());
    panel_->LoadSequence(kSequenceId);
    window_->Redraw(nullptr);
    Frame();
    panel_->Play();
  }
  ~Scene() {
    window_.reset();
    SetTaskManager(previousManager_);
    VGraphicObject::ResetProgramState();
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // One frame: the clock 40 ms on, the player's task step and its redraw.
  void Frame() {
    clock_.AdvanceMilliseconds(kFrameMs);
    manager_->Step(platform::TickCount());
  }

  // Back to the start of the fade when the next frame would leave it (with
  // the picture loaded ahead already: the player stands within the lead).
  void KeepInFade(benchmark::State& state) {
    if (GetPlayer()->GetPosition() + static_cast<int32_t>(kFrameMs) < kFadeEnd) return;
    state.PauseTiming();
    GetPlayer()->Seek(kFadeStart);
    Frame();
    GetPlayer()->Resume();
    state.ResumeTiming();
  }

  // The same area redrawn, nothing changed.
  void RedrawShow() {
    const VRect area(kShowLeft, kShowTop, kShowLeft + kShowWidth, kShowTop + kShowHeight);
    window_->Redraw(&area);
  }

  SequencePlayer* GetPlayer() const { return panel_->GetPlayer(); }
  Sequence* GetSequence() const { return panel_->GetSequence(); }

  // A sum of the slide show's pixels in the window's map.
  uint64_t ShowChecksum() const {
    PixelMap* map = window_->GetOffscreenPixelMap();
    uint64_t sum = 0;
    for (int32_t y = kShowTop; y < kShowTop + kShowHeight; y += 7) {
      for (int32_t x = kShowLeft; x < kShowLeft + kShowWidth; x += 5) {
        VRGBColor c;
        map->GetPixel(VPoint(x, y), c);
        sum = sum * 31 + c.red + (c.green << 8) + (static_cast<uint32_t>(c.blue) << 16);
      }
    }
    return sum;
  }

 private:
  platform::FakeClock clock_;
  platform::ScopedClockSource source_;
  std::unique_ptr<VTaskManager> manager_;
  VTaskManager* previousManager_ = nullptr;
  std::unique_ptr<VWindow> window_;
  SlideShowPanel* panel_ = nullptr;
};

// Plays into the fade; false (with the reason) when the show does not play
// there or nothing changes on screen from frame to frame.
bool ReachFade(Scene& scene, benchmark::State& state) {
  while (scene.GetPlayer()->IsPlaying() && scene.GetPlayer()->GetPosition() < kFadeStart + 200) scene.Frame();
  const uint64_t before = scene.ShowChecksum();
  scene.Frame();
  if (!scene.GetPlayer()->IsPlaying() || scene.ShowChecksum() == before) {
    state.SkipWithError("the cross-fade does not play (no sample pictures, or nothing drawn)");
    return false;
  }
  return true;
}

int32_t gLatePictures = -1;

void BM_CrossFadeFrame(benchmark::State& state) {
  Scene scene;
  if (!ReachFade(scene, state)) return;
  for (auto _ : state) {
    scene.KeepInFade(state);
    scene.Frame();
    benchmark::ClobberMemory();
  }
  gLatePictures = scene.GetPlayer()->GetLatePictureCount();
}

void BM_RedrawStill(benchmark::State& state) {
  Scene scene;
  if (!ReachFade(scene, state)) return;
  scene.GetPlayer()->Pause();
  for (auto _ : state) {
    scene.RedrawShow();
    benchmark::ClobberMemory();
  }
}

// The decoding the preload adds to one frame: the second picture read from
// the archive and decoded for the 16-bit screen, then let go.
void BM_PreloadDecode(benchmark::State& state) {
  Scene scene;
  auto* picture = dynamic_cast<PictureItem*>(scene.GetSequence()->GetPicture(1));
  if (picture == nullptr) {
    state.SkipWithError("no second picture");
    return;
  }
  scene.GetPlayer()->Pause();
  for (auto _ : state) {
    picture->LoadMedia();
    if (picture->PeekPicture() == nullptr) {
      state.SkipWithError("the second picture does not decode");
      return;
    }
    picture->UnloadMedia(false);
  }
}

// The reference: the area copied row by row between two 16-bit maps.
void BM_CopyArea(benchmark::State& state) {
  std::vector<uint16_t> source(size_t{kWidth} * kHeight, 0x1234), destination(size_t{kWidth} * kHeight);
  for (auto _ : state) {
    for (int32_t y = kShowTop; y < kShowTop + kShowHeight; ++y) {
      const size_t at = size_t{static_cast<uint32_t>(y)} * kWidth + kShowLeft;
      benchsupport::LibraryMemcpy(destination.data() + at, source.data() + at, size_t{kShowWidth} * 2);
    }
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  char dir[] = "/tmp/ostrevan_slideshow_XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  gDir = dir;
  InstallEngineServices();
  SetupLookupTables();
  const std::string archivePath = gDir + "/QV_DE.msf";
  MediaArchiveRouter* previousRouter = SetMediaArchiveRouter(&GetMuseumArchives());
  if (!BuildShowArchive(archivePath) || !GetMuseumArchives().Open(ArchiveSlot::kLanguage, archivePath)) {
    std::fprintf(stderr, "cannot build the slide show's archive in %s from %s\n", gDir.c_str(),
                 PicturePath(kFirstPictureId).c_str());
    std::filesystem::remove_all(gDir);
    return 1;
  }
  // The screen the pictures decode for: 16 bits.
  MemoryPixelMapDisplay display;
  std::unique_ptr<PixelMap> screen(NewMap16(8, 8));
  display.SetScreenPixelMap(screen.get());
  PixelMapDisplay* previousDisplay = SetPixelMapDisplay(&display);

  for (const auto& [name, function] :
       {std::pair{"BM_CrossFadeFrame", &BM_CrossFadeFrame}, std::pair{"BM_RedrawStill", &BM_RedrawStill},
        std::pair{"BM_PreloadDecode", &BM_PreloadDecode}, std::pair{"BM_CopyArea", &BM_CopyArea}}) {
    benchmark::RegisterBenchmark(name, function)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(benchsupport::kRepetitions)
        ->DisplayAggregatesOnly(true);
  }
  benchsupport::InitializeInterleaved(argc, argv);
  benchsupport::MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nSlide-show cross-fade, 426 x 320 at 16 bits into a 640 x 480 16-bit map, 25 frames a second:\n");
  reporter.PrintRatio("cross-fade frame vs copy of the area", "BM_CrossFadeFrame", "BM_CopyArea");
  reporter.PrintRatio("cross-fade frame vs redraw of the still area", "BM_CrossFadeFrame", "BM_RedrawStill");
  reporter.PrintRatio("preload decode vs copy of the area", "BM_PreloadDecode", "BM_CopyArea");
  const double frame = reporter.Median("BM_CrossFadeFrame");
  const double decode = reporter.Median("BM_PreloadDecode");
  if (frame > 0) {
    std::printf("%-52s %8.3f ms  (target: under 5 ms)\n", "cross-fade frame", frame);
    if (decode > 0) std::printf("%-52s %8.3f ms\n", "frame with the next picture's preload", frame + decode);
  }
  if (gLatePictures >= 0) std::printf("%-52s %8d  (must be 0)\n", "pictures shown late", gLatePictures);

  SetPixelMapDisplay(previousDisplay);
  screen.reset();
  DeleteMuseumArchives();
  SetMediaArchiveRouter(previousRouter);
  ShutdownLookupTables();
  std::filesystem::remove_all(gDir);
  return gLatePictures > 0 ? 1 : 0;
}
