// A demonstration of the panorama viewer (not part of the title): a
// 640 x 480 x 16 main window filled by a viewer that shows one picture (its
// width spanning the full turn) as a panorama. Dragging with the left button
// turns the view (the picture follows the pointer); each release logs the
// view as "view YAW PITCH". Keys: "d" dumps the presented frame (PPM);
// Escape or Alt+F4 quit.
//
//   ostrevan-panorama-demo --picture FILE [--log FILE] [--dump FILE.ppm] [--name NAME]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/app/CursorResources.h"
#include "engine/app/MainWindow.h"
#include "engine/app/VApplication.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VExceptionFilter.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/panorama/BubbleViewControl.h"
#include "engine/panorama/VPictureBubble.h"
#include "engine/services/EngineServices.h"
#include "tools/PanoramaCommands.h"
#include "tools/demo/DemoSupport.h"

namespace {

struct Options {
  std::string picture;
  std::string log;
  std::string dump;
  std::string name;
} gOptions;

using demo::Log;

void DumpFrame() { demo::DumpPresentedFrame(gOptions.dump); }

// The viewer with grab-and-drag turning: the point under the pointer stays
// under it (a pixel of drag turns the view by 1 / focal length radians).
class DragViewer : public BubbleViewControl {
 public:
  explicit DragViewer(VGraphicObject* parent)
      : BubbleViewControl(MainWindow::kFirstPanelId, 0, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi), 0, 0,
                          0, 640, 480, parent) {
    SetRenderMode(1);  // every frame in quality
  }

  bool MouseDown(const VMouseEvent& e) override {
    if (!e.IsLeftButtonDown()) return BubbleViewControl::MouseDown(e);
    TakeMouseCapture();
    dragging_ = true;
    start_ = e.GetPoint();
    startYaw_ = GetYaw();
    startPitch_ = GetPitch();
    return true;
  }
  bool MouseMove(const VMouseEvent& e) override {
    if (!dragging_) return BubbleViewControl::MouseMove(e);
    const float f = GetFocalLength();
    SetView(startYaw_ - static_cast<float>(e.x - start_.x) / f, startPitch_ - static_cast<float>(e.y - start_.y) / f);
    Invalidate(nullptr);
    return true;
  }
  bool MouseUp(const VMouseEvent& e) override {
    if (!dragging_) return BubbleViewControl::MouseUp(e);
    MouseMove(e);
    dragging_ = false;
    char line[96];
    std::snprintf(line, sizeof line, "view %.9g %.9g", static_cast<double>(GetYaw()), static_cast<double>(GetPitch()));
    Log(line);
    return true;
  }
  bool KeyDown(const VKeyEvent& e) override {
    if (e.IsAltDown()) return false;
    if (e.character == 'd') DumpFrame();
    if (e.virtualKey == 0x1B) GetApplication()->Quit();
    return true;
  }

 private:
  bool dragging_ = false;
  VPoint start_;
  float startYaw_ = 0.0f;
  float startPitch_ = 0.0f;
};

class DemoApplication : public VApplication {
 public:
  bool StartApplication() override {
    RegisterCursorResources();
    SetupLookupTables();
    if (!SetupDisplay(DisplaySetup{})) {
      std::fputs("ostrevan-panorama-demo: error: cannot set up the display\n", stderr);
      return false;
    }
    std::string reason;
    VPicture* picture = LoadPanoramaPicture(gOptions.picture, reason);
    if (picture == nullptr) {
      std::fprintf(stderr, "ostrevan-panorama-demo: cannot read panorama '%s': %s\n", gOptions.picture.c_str(),
                   reason.c_str());
      return false;
    }
    auto* viewer = new DragViewer(GetMainWindow());
    const float resolution = static_cast<float>(picture->GetWidth()) / kBubbleTwoPi;
    const float half = static_cast<float>(picture->GetHeight()) / resolution * 0.5f;
    new VPictureBubble(VBubble::kAutomaticId, picture,
                       VFRect(0.0f, kBubbleHalfPi - half, kBubbleTwoPi, kBubbleHalfPi + half), 0, viewer->GetRoot());
    picture->Release();
    Log("ready");
    return true;
  }
  void CreateMainWindow(const VRect& screen) override {
    auto* window = new MainWindow(4096, 4096, screen, true, true);
    VString title("Ostrevan Panorama");
    window->SetTitle(title);
  }
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    const std::string value = argv[i + 1];
    if (a == "--picture") {
      gOptions.picture = value;
    } else if (a == "--log") {
      gOptions.log = value;
    } else if (a == "--dump") {
      gOptions.dump = value;
    } else if (a == "--name") {
      gOptions.name = value;
    } else {
      std::fprintf(stderr, "ostrevan-panorama-demo: unknown option '%s'\n", a.c_str());
      return 2;
    }
  }
  if (gOptions.picture.empty() || argc % 2 == 0) {
    std::fputs("usage: ostrevan-panorama-demo --picture FILE [--log FILE] [--dump FILE.ppm] [--name NAME]\n", stderr);
    return 2;
  }
  if (!gOptions.log.empty()) demo::OpenLog(gOptions.log);
  InstallEngineServices();
  VExceptionFilter filter;
  DemoApplication app;
  if (!gOptions.name.empty()) app.SetAppName(gOptions.name.c_str());
  const int code = VApplication::Main(argc, argv);
  Log("exit " + std::to_string(code));
  return code;
}
