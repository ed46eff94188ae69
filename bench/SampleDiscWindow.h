// Shared by the benchmarks of the title's screens on the sample disc: the
// engine's services, the lookup tables, the museum's archive router with the
// disc's interface and German language archives open, and a 640 x 480 window
// with a 16-bit off-screen map and a black panel behind everything, on a fake
// clock that moves only between passes.
//
// The disc is read from OSTREVAN_DISC, default build/release/content/disc
// (make it with content/make-disc.sh).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/LookupTables.h"
#include "engine/services/EngineServices.h"
#include "tests/support/FakeClockWindow.h"
#include "title/shell/MuseumArchives.h"

namespace benchsupport {

class SampleDiscWindow {
 public:
  static constexpr int32_t kWidth = 640;
  static constexpr int32_t kHeight = 480;

  // `without` ends the message printed when the disc is missing: what the
  // scene goes without then ("the ring goes without its pictures").
  explicit SampleDiscWindow(const char* without) {
    static const bool installed = [] {
      InstallEngineServices();
      return true;
    }();
    (void)installed;
    SetupLookupTables();
    SetMediaArchiveRouter(&GetMuseumArchives());
    const std::string disc = Folder();
    open_ = GetMuseumArchives().Open(ArchiveSlot::kGui, disc + "/Media/QV_GUI.msf") &&
            GetMuseumArchives().Open(ArchiveSlot::kLanguage, disc + "/CD/Media/QV_DE.msf");
    if (!open_) ReportMissingDisc(without);
    bench_.emplace(kWidth, kHeight);
    new VPictureControl(VControl::kAllocateId, VRGBColor(0, 0, 0), 0, 0, 0, kWidth, kHeight, GetWindow());
  }
  ~SampleDiscWindow() {
    bench_.reset();
    DeleteMuseumArchives();
    ShutdownLookupTables();
  }
  SampleDiscWindow(const SampleDiscWindow&) = delete;
  SampleDiscWindow& operator=(const SampleDiscWindow&) = delete;

  // The folder of the sample disc.
  static std::string Folder() {
    const char* disc = std::getenv("OSTREVAN_DISC");
    return disc != nullptr && *disc != '\0' ? disc : "build/release/content/disc";
  }
  // Says that the disc is not there and what the scene goes without.
  static void ReportMissingDisc(const char* without) {
    std::fprintf(stderr, "No sample disc at %s (set OSTREVAN_DISC): %s.\n", Folder().c_str(), without);
  }

  // Whether both archives opened.
  bool IsOpen() const { return open_; }
  testsupport::FakeClockWindow& Bench() { return *bench_; }
  VWindow* GetWindow() const { return bench_->GetWindow(); }
  PixelMap* GetMap() const { return bench_->GetMap(); }

 private:
  bool open_ = false;
  std::optional<testsupport::FakeClockWindow> bench_;
};

}  // namespace benchsupport
