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
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/core/VTask.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/services/EngineServices.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/MuseumArchiveStage.h"
#include "tests/title/shell/SlideShowTestSupport.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"

namespace {

using slideshowtest::kFrameMs;
using slideshowtest::kHeight;
using slideshowtest::kShowHeight;
using slideshowtest::kShowLeft;
using slideshowtest::kShowTop;
using slideshowtest::kShowWidth;
using slideshowtest::kWidth;
using Scene = slideshowtest::SlideShowScene;

// The sequence and its two pictures in the language archive's range.
constexpr uint16_t kSequenceId = 19600;
constexpr uint16_t kFirstPictureId = 19605;
constexpr uint16_t kSecondPictureId = 19606;
// The second picture rises from 2000 to 3000 ms over the first.
constexpr int32_t kFadeStart = 2000;
constexpr int32_t kFadeEnd = 3000;

std::string PicturePath(uint16_t id) {
  return testsupport::SourceDir() + "/content/disc/media/prebuilt/" + std::to_string(id) + ".jpg";
}

// The sequence as the sample disc's language archive holds it.
std::string ShowText() {
  return "channel { item picture { start 0 sustain 2000 decay 1000 resid " + std::to_string(kFirstPictureId) +
         " opacity 1.00 bounds 0 0 0 0 } }\r\n"
         "channel { item picture { start " +
         std::to_string(kFadeStart) + " rise " + std::to_string(kFadeEnd - kFadeStart) +
         " sustain 1000 resid " + std::to_string(kSecondPictureId) + " opacity 1.00 bounds 0 0 0 0 } }\r\n";
}

// The main panel's backdrop colour.
const VRGBColor kBackdrop(20, 20, 30);

// Back to the start of the fade when the next frame would leave it (with
// the picture loaded ahead already: the player stands within the lead).
void KeepInFade(Scene& scene, benchmark::State& state) {
  if (scene.GetPlayer()->GetPosition() + static_cast<int32_t>(kFrameMs) < kFadeEnd) return;
  state.PauseTiming();
  scene.GetPlayer()->Seek(kFadeStart);
  scene.Frame();
  scene.GetPlayer()->Resume();
  state.ResumeTiming();
}

// A sum of the slide show's pixels in the window's map.
uint64_t ShowChecksum(const Scene& scene) {
  PixelMap* map = scene.GetMap();
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

// Plays into the fade; false (with the reason) when the show does not play
// there or nothing changes on screen from frame to frame.
bool ReachFade(Scene& scene, benchmark::State& state) {
  while (scene.GetPlayer()->IsPlaying() && scene.GetPlayer()->GetPosition() < kFadeStart + 200) scene.Frame();
  const uint64_t before = ShowChecksum(scene);
  scene.Frame();
  if (!scene.GetPlayer()->IsPlaying() || ShowChecksum(scene) == before) {
    state.SkipWithError("the cross-fade does not play (no sample pictures, or nothing drawn)");
    return false;
  }
  return true;
}

int32_t gLatePictures = -1;

void BM_CrossFadeFrame(benchmark::State& state) {
  Scene scene(kSequenceId, kBackdrop);
  if (!ReachFade(scene, state)) return;
  for (auto _ : state) {
    KeepInFade(scene, state);
    scene.Frame();
    benchmark::ClobberMemory();
  }
  gLatePictures = scene.GetPlayer()->GetLatePictureCount();
}

void BM_RedrawStill(benchmark::State& state) {
  Scene scene(kSequenceId, kBackdrop);
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
  Scene scene(kSequenceId, kBackdrop);
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
  const std::string folder = dir;
  InstallEngineServices();
  const std::string archivePath = folder + "/QV_DE.msf";
  const bool built = slideshowtest::BuildShowArchive(
      folder, archivePath, {{kSequenceId, ShowText()}},
      {{kFirstPictureId, PicturePath(kFirstPictureId)}, {kSecondPictureId, PicturePath(kSecondPictureId)}});
  // The archive open as the language archive, the pictures decoded for a
  // 16-bit screen.
  auto stage = std::make_unique<testsupport::MuseumArchiveStage>(ArchiveSlot::kLanguage, archivePath);
  if (!built || !stage->IsOpen()) {
    std::fprintf(stderr, "cannot build the slide show's archive in %s from %s\n", folder.c_str(),
                 PicturePath(kFirstPictureId).c_str());
    stage.reset();
    std::filesystem::remove_all(folder);
    return 1;
  }

  for (const auto& [name, function] :
       {std::pair{"BM_CrossFadeFrame", &BM_CrossFadeFrame}, std::pair{"BM_RedrawStill", &BM_RedrawStill},
        std::pair{"BM_PreloadDecode", &BM_PreloadDecode}, std::pair{"BM_CopyArea", &BM_CopyArea}}) {
    benchmark::RegisterBenchmark(name, function)->Apply(benchsupport::MillisecondRepetitions);
  }
  const int code = benchsupport::RunWithMedianRatios(
      argc, argv, "Slide-show cross-fade, 426 x 320 at 16 bits into a 640 x 480 16-bit map, 25 frames a second:",
      [](const benchsupport::MedianRatioReporter& reporter) {
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
      });

  stage.reset();
  std::filesystem::remove_all(folder);
  return code != 0 || gLatePictures > 0 ? 1 : 0;
}
