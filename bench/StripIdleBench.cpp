// One idle pass of the title's window with the control strip switching modes
// (1000 ms switches one after another, 40 ms of the fake clock a pass) over a
// 426 x 320 cross-fade of two pictures, drawn into a 640 x 480 16-bit map:
// the task step, the tick down the window's tree and the redraw of the fade
// and of the strip. Against it, one plain redraw of the same areas without
// animation. Target: well under 5 ms a pass.
//
// The strip's pictures and texts come from the sample disc (OSTREVAN_DISC,
// default build/release/content/disc; make it with content/make-disc.sh).
// With --screenshots DIR the program writes the strip in modes 1, 2 and 3 as
// DIR/strip-mode<N>.ppm, and 200 ms into a switch from 1 to 2 as
// DIR/strip-1to2-200ms.ppm, and runs no benchmark.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/MedianRatioReporter.h"
#include "bench/SampleDiscWindow.h"
#include "engine/app/VWindow.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/PictureFontTable.h"

namespace {

constexpr int32_t kWidth = benchsupport::SampleDiscWindow::kWidth;
constexpr int32_t kHeight = benchsupport::SampleDiscWindow::kHeight;
const VRect kFadeArea(107, 40, 107 + 426, 40 + 320);
const VRect kStripArea(0, 390, kWidth, kHeight);

// A picture of the fade: bands of colour, different for each of the two.
VPicture* FadePicture(uint32_t seed) {
  auto* map = new PixelMap(VRect(0, 0, 426, 320), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                           kFormat565LE, 0);
  for (int32_t y = 0; y < 320; ++y) {
    for (int32_t x = 0; x < 426; ++x) {
      map->SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(x * seed), static_cast<uint8_t>(y + seed),
                                            static_cast<uint8_t>((x + y) * 3)));
    }
  }
  return new VPicture(map);
}

// The window, the strip and the two fade pictures on a fake clock.
class Scene {
 public:
  Scene() : disc_("the strip goes without its media") {
    LoadPictureFonts();
    VWindow* window = disc_.GetWindow();
    VPicture* under = FadePicture(3);
    VPicture* over = FadePicture(7);
    new VPictureControl(VControl::kAllocateId, under, kFadeArea.left, kFadeArea.top, 10, 0, 0, window);
    fade_ = new VPictureControl(VControl::kAllocateId, over, kFadeArea.left, kFadeArea.top, 11, 0, 0, window);
    under->Release();
    over->Release();
    // The pictures load at the depth of the window's map, as the program's
    // do at the display's.
    const ScopedLoadPixelFormat depth(16);
    strip_ = new MainInterfaceScreen(MainInterfaceScreen::kId, 0, 0, 400, 100, kWidth, 80, window);
    strip_->SetLinkText(VString("Zum Ort"));
    strip_->SetCaption(VString("Die Halle"), true, false);
    strip_->SetStatusCode(7);
    window->Redraw(nullptr);
  }
  ~Scene() {
    disc_.Bench().Close();
    FreePictureFonts();
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // One idle pass 40 ms after the last.
  void Pass(bool animate) {
    disc_.Bench().Advance(40);
    if (animate) {
      if (!strip_->IsSwitching()) strip_->SetLayoutMode(strip_->GetMode() == 1 ? 2 : 1, 1000);
      level_ = (level_ + 3) % 64;
      PixelMapAttributes attributes;
      if (fade_->GetPixelAttributes(attributes)) {
        attributes.SetLevel(level_);
        fade_->SetPixelAttributes(attributes, false);
      }
    }
    disc_.Bench().Idle();
    disc_.GetWindow()->Redraw(&kFadeArea);
    disc_.GetWindow()->Redraw(&kStripArea);
  }

  void ShowMode(int32_t mode) {
    strip_->SetLayoutMode(mode, 0);
    disc_.GetWindow()->Redraw(nullptr);
  }

  // Starts a 1000 ms switch and runs its first passes (40 ms each).
  void SwitchPart(int32_t mode, int passes) {
    strip_->SetLayoutMode(mode, 1000);
    for (int i = 0; i < passes; ++i) Pass(false);
    disc_.GetWindow()->Redraw(nullptr);
  }

  bool WritePpm(const std::string& path) {
    PixelMap* map = disc_.GetMap();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || map == nullptr) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        VRGBColor c;
        map->GetPixel(VPoint(x, y), c);
        const unsigned char rgb[3] = {c.red, c.green, c.blue};
        std::fwrite(rgb, 1, 3, f);
      }
    }
    return std::fclose(f) == 0;
  }

 private:
  benchsupport::SampleDiscWindow disc_;
  VPictureControl* fade_ = nullptr;
  MainInterfaceScreen* strip_ = nullptr;
  int32_t level_ = 0;
};

void BM_RedrawOnly(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.Pass(false);
    benchmark::ClobberMemory();
  }
}

void BM_IdlePassAnimating(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.Pass(true);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_RedrawOnly)->Apply(benchsupport::MillisecondRepetitions);
BENCHMARK(BM_IdlePassAnimating)->Apply(benchsupport::MillisecondRepetitions);

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshots") == 0) {
      Scene scene;
      for (int32_t mode : {1, 2, 3}) {
        scene.ShowMode(mode);
        const std::string path = std::string(argv[i + 1]) + "/strip-mode" + std::to_string(mode) + ".ppm";
        if (!scene.WritePpm(path)) return 1;
        std::printf("%s\n", path.c_str());
      }
      // 200 ms into a switch from mode 1 to mode 2.
      scene.ShowMode(1);
      scene.SwitchPart(2, 5);
      const std::string path = std::string(argv[i + 1]) + "/strip-1to2-200ms.ppm";
      if (!scene.WritePpm(path)) return 1;
      std::printf("%s\n", path.c_str());
      return 0;
    }
  }
  return benchsupport::RunWithMedianRatios(
      argc, argv, "Ratio of medians, one idle pass (640 x 480 x 16 bits):", [](const benchsupport::MedianRatioReporter& r) {
        r.PrintRatio("idle pass with the strip switching and a cross-fade vs redraw only", "BM_IdlePassAnimating",
                     "BM_RedrawOnly", "target: a pass under 5 ms");
      });
}
