// Graphic objects and controls drawing through real drawing ports onto real
// pixel maps: a test window keeps an off-screen map and a map standing for
// its screen, at 8 (with a colour table), 15, 16, 24 and 32 bits, as DIB
// sections and as plain memory. The scene is checked pixel by pixel against
// tables: layer order, clipping to what must repaint, invalidation of an
// area, an object's own redraw, hiding and showing, a picture drawn by a
// control, and erasing to the background colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/GraphicServices.h"
#include "engine/app/VControl.h"
#include "engine/app/VEngineDrawingBackend.h"
#include "engine/app/VGraphicObject.h"
#include "engine/app/VPanelOwner.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "support/InkMaps.h"

namespace {

using Rows = std::vector<std::string>;
using Log = std::vector<std::string>;

using testsupport::ColorOf;
using testsupport::Describe;
using testsupport::MakeMap;
using testsupport::Render;
using DepthCase = testsupport::MapCase;

std::string RectText(const VRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// Windowed operation draws into DIB sections, full-screen operation into
// plain memory; both at every depth.
const DepthCase kDepths[] = {
    {8, kFormatIndexed8, PixelMap::kStorageDib}, {8, kFormatIndexed8, PixelMap::kStorageMemory},
    {15, kFormat555LE, PixelMap::kStorageDib},   {15, kFormat555LE, PixelMap::kStorageMemory},
    {16, kFormat565LE, PixelMap::kStorageDib},   {16, kFormat565LE, PixelMap::kStorageMemory},
    {24, kFormatBGR24, PixelMap::kStorageDib},   {24, kFormatRGB24, PixelMap::kStorageMemory},
    {32, kFormatBGRX32, PixelMap::kStorageDib},  {32, kFormatXRGB32, PixelMap::kStorageMemory},
};

// Fills whatever it is asked to repaint with its colour and logs the rectangle.
class SolidBox : public VGraphicObject {
 public:
  SolidBox(Log* log, std::string name, char ink, int32_t left, int32_t top, int32_t layer, int32_t width,
           int32_t height)
      : VGraphicObject(0, 0, left, top, layer, width, height), color(ink), log_(log), name_(std::move(name)) {}
  void DrawContent(DrawPort* port, const VRect& rect) override {
    log_->push_back(name_ + " " + RectText(rect));
    const VRGBColor c = ColorOf(color);
    port->FillRect(rect, &c, nullptr, 1, 0, 0);
  }
  char color;

 private:
  Log* log_;
  std::string name_;
};

// A control showing a picture: the part of the picture under the rectangle
// it must repaint, through the picture's own transparency.
class PictureControl : public VControl {
 public:
  PictureControl(Log* log, std::unique_ptr<PixelMap> picture, int32_t left, int32_t top, int32_t layer,
                 VGraphicObject* parent)
      : VControl(kApplicationKind, 0, left, top, layer, picture->GetWidth(), picture->GetHeight(), parent),
        picture_(std::move(picture)), log_(log) {}
  void DrawContent(DrawPort* port, const VRect& rect) override {
    log_->push_back("picture " + RectText(rect));
    VPoint origin;
    GetGlobalOrigin(origin, true);
    const VRect source(rect.left - origin.x, rect.top - origin.y, rect.right - origin.x, rect.bottom - origin.y);
    picture_->DrawToPort(port, source, rect);
  }

 private:
  std::unique_ptr<PixelMap> picture_;
  Log* log_;
};

// A window with an off-screen map and a map standing for what the screen
// shows. Its root object (itself) paints the background; ports are real
// DrawPorts on the maps. Invalidated rectangles wait for Paint, which draws
// each one into the off-screen map and copies it to the screen, as the
// engine window does when it paints.
class MapWindow : public VPanelOwner, public VGraphicWindow {
 public:
  MapWindow(const DepthCase& c, VColorTable* table, Log* log, int32_t width, int32_t height)
      : VPanelOwner(kWindowKind, 1), offscreen(MakeMap(c, table, width, height)),
        screen(MakeMap(c, table, width, height)), log_(log) {
    StoreBounds(VRect(0, 0, width, height));
    offscreen->Clear();
    screen->Clear();
  }

  VGraphicWindow* GetWindow() override { return this; }
  VGraphicObject* GetRootObject() override { return this; }
  void CaptureSystemMouse() override {}
  void ReleaseSystemMouse() override {}
  void InvalidateWindowRect(const VRect& rect) override { invalid.push_back(rect); }
  void ValidateWindowRect(const VRect&) override {}
  DrawPort* MakeOffscreenPort(VRect& area) override {
    area = offscreen->GetBounds();
    ++portsMade;
    return new DrawPort(offscreen.get());
  }
  DrawPort* MakeWindowPort(VRect& area) override {
    area = GetBounds();
    ++portsMade;
    return new DrawPort(screen.get());
  }
  void FinishPort(DrawPort* port, const VRect* copyToWindow) override {
    if (copyToWindow != nullptr) {
      copies.push_back(RectText(*copyToWindow));
      if (PixelMap* map = port->GetPixelMap()) map->CopyTo(*screen, *copyToWindow, *copyToWindow);
    }
    delete port;
  }

  void DrawContent(DrawPort* port, const VRect& rect) override {
    log_->push_back("root " + RectText(rect));
    const VRGBColor c = ColorOf(color);
    port->FillRect(rect, &c, nullptr, 1, 0, 0);
  }

  void Paint() {
    std::vector<VRect> rects;
    rects.swap(invalid);
    for (const VRect& rect : rects) {
      {
        DrawPort port(offscreen.get());
        VGraphicObject::Draw(&port, &rect, false, true);
      }
      offscreen->CopyTo(*screen, rect, rect);
    }
  }

  char color = 'B';
  std::unique_ptr<PixelMap> offscreen;
  std::unique_ptr<PixelMap> screen;
  std::vector<VRect> invalid;
  std::vector<std::string> copies;
  int portsMade = 0;

 private:
  Log* log_;
};

// The engine's own backend, installed for the test's duration as the
// application installs it.
class PortFillBackend : public VEngineDrawingBackend {
 public:
  PortFillBackend() : previous_(SetDrawingBackend(this)) {}
  ~PortFillBackend() override { SetDrawingBackend(previous_); }

 private:
  VDrawingBackend* previous_;
};

// The scene, 16 x 10 on a blue root:
//   C yellow (0,0 3x3) layer 1, added after A: behind A among equal layers;
//   A red (1,1 6x4) layer 1;
//   B green (4,3 6x4) layer 2, clipping its child D magenta (B-relative 4,2
//     5x3, i.e. 8,5 .. 13,8, cut to B);
//   E a picture control (11,1 4x4) layer 3 whose black pixels are its key
//     colour, so the background shows through;
//   F white (12,6 3x3) layer 5, hidden, with a visible white child G.
const Rows kPicture = {"RRWW", "RKKW", "GKKC", "GGCC"};
const Rows kScene = {
    "YYYBBBBBBBBBBBBB",  //
    "YRRRRRRBBBBRRWWB",  //
    "YRRRRRRBBBBRBBWB",  //
    "BRRRGGGGGGBGBBCB",  //
    "BRRRGGGGGGBGGCCB",  //
    "BBBBGGGGMMBBBBBB",  //
    "BBBBGGGGMMBBBBBB",  //
    "BBBBBBBBBBBBBBBB",  //
    "BBBBBBBBBBBBBBBB",  //
    "BBBBBBBBBBBBBBBB",  //
};

class ObjectDrawingTest : public ::testing::TestWithParam<DepthCase> {
 protected:
  void SetUp() override {
    VGraphicObject::ResetProgramState();
    VControl::ResetControlIdPool();
    SetupLookupTables();
    const DepthCase& depth = GetParam();
    window = std::make_unique<MapWindow>(depth, table_.get(), &log, 16, 10);
    a = Add(new SolidBox(&log, "A", 'R', 1, 1, 1, 6, 4), window.get());
    c = Add(new SolidBox(&log, "C", 'Y', 0, 0, 1, 3, 3), window.get());
    b = Add(new SolidBox(&log, "B", 'G', 4, 3, 2, 6, 4), window.get());
    b->SetClipsChildren(true);
    d = Add(new SolidBox(&log, "D", 'M', 4, 2, 0, 5, 3), b);
    auto picture = MakeMap(depth, table_.get(), 4, 4);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_TRUE(picture->SetPixel(VPoint(x, y), ColorOf(kPicture[y][x])));
    PixelMapAttributes record;
    record.SetKeyColor(ColorOf('K'));
    picture->SetAttributes(record);
    e = new PictureControl(&log, std::move(picture), 11, 1, 3, window.get());
    f = Add(new SolidBox(&log, "F", 'W', 12, 6, 5, 3, 3), window.get());
    g = Add(new SolidBox(&log, "G", 'W', 0, 0, 0, 2, 2), f);
    f->SetVisible(false, false);
  }
  void TearDown() override {
    window.reset();  // deletes the objects
    ShutdownLookupTables();
  }

  template <class T>
  static T* Add(T* object, VGraphicObject* parent) {
    object->AddChild(parent);
    return object;
  }

  // Paints the whole scene and forgets what that logged.
  void PaintAll() {
    window->Invalidate(nullptr);
    window->Paint();
    log.clear();
    window->copies.clear();
  }

  std::string Where() const { return Describe(GetParam()); }

  VMediaRef<VColorTable> table_{new VColorTable(StandardPalette{4})};
  Log log;
  std::unique_ptr<MapWindow> window;
  SolidBox *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, *f = nullptr, *g = nullptr;
  PictureControl* e = nullptr;
};

TEST_P(ObjectDrawingTest, ObjectsPaintInLayerOrderClippedToTheirParents) {
  window->Invalidate(nullptr);
  ASSERT_EQ(window->invalid.size(), 1u);
  EXPECT_EQ(RectText(window->invalid[0]), "(0,0,16,10)");
  window->Paint();
  EXPECT_EQ(Render(*window->offscreen), kScene) << Where();
  EXPECT_EQ(Render(*window->screen), kScene) << Where();
  // Each object is asked for its bounds cut to the area (D to its parent),
  // back to front; the hidden F and its child are not asked.
  EXPECT_EQ(log, (Log{"root (0,0,16,10)", "C (0,0,3,3)", "A (1,1,7,5)", "B (4,3,10,7)", "D (8,5,10,7)",
                      "picture (11,1,15,5)"}))
      << Where();
}

TEST_P(ObjectDrawingTest, PaintingAreaByAreaTouchesOnlyThatArea) {
  // Tiles that cut through every object, the picture included: after each
  // one, the tiles painted so far show the scene and the rest is untouched.
  std::vector<VRect> painted;
  for (int32_t top = 0; top < 10; top += 3) {
    for (int32_t left = 0; left < 16; left += 5) {
      const VRect tile(left, top, left + 5, top + 3);
      window->Invalidate(&tile);
      window->Paint();
      painted.push_back(tile);
      Rows expected(10, std::string(16, 'K'));
      for (const VRect& p : painted)
        for (int32_t y = p.top; y < std::min(p.bottom, 10); ++y)
          for (int32_t x = p.left; x < std::min(p.right, 16); ++x) expected[y][x] = kScene[y][x];
      ASSERT_EQ(Render(*window->offscreen), expected) << "after " << RectText(tile) << ", " << Where();
      ASSERT_EQ(Render(*window->screen), expected) << "after " << RectText(tile) << ", " << Where();
    }
  }
}

TEST_P(ObjectDrawingTest, InvalidatingAnAreaRedrawsExactlyThatArea) {
  PaintAll();
  window->color = 'W';
  a->color = 'C';
  b->color = 'Y';

  struct Step {
    VGraphicObject* object;
    VRect rect;
    const char* invalidated;  // what the window is asked to repaint
    Log drawn;
    Rows expected;
  };
  const std::vector<Step> steps = {
      {a, VRect(3, 2, 8, 6), "(3,2,7,5)", {"root (3,2,7,5)", "A (3,2,7,5)", "B (4,3,7,5)"},
       {"YYYBBBBBBBBBBBBB", "YRRRRRRBBBBRRWWB", "YRRCCCCBBBBRBBWB", "BRRCYYYGGGBGBBCB", "BRRCYYYGGGBGGCCB",
        "BBBBGGGGMMBBBBBB", "BBBBGGGGMMBBBBBB", "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB"}},
      {window.get(), VRect(6, 5, 9, 9), "(6,5,9,9)", {"root (6,5,9,9)", "B (6,5,9,7)", "D (8,5,9,7)"},
       {"YYYBBBBBBBBBBBBB", "YRRRRRRBBBBRRWWB", "YRRCCCCBBBBRBBWB", "BRRCYYYGGGBGBBCB", "BRRCYYYGGGBGGCCB",
        "BBBBGGYYMMBBBBBB", "BBBBGGYYMMBBBBBB", "BBBBBBWWWBBBBBBB", "BBBBBBWWWBBBBBBB", "BBBBBBBBBBBBBBBB"}},
      // A hidden object invalidates nothing.
      {f, VRect(0, 0, 16, 10), nullptr, {},
       {"YYYBBBBBBBBBBBBB", "YRRRRRRBBBBRRWWB", "YRRCCCCBBBBRBBWB", "BRRCYYYGGGBGBBCB", "BRRCYYYGGGBGGCCB",
        "BBBBGGYYMMBBBBBB", "BBBBGGYYMMBBBBBB", "BBBBBBWWWBBBBBBB", "BBBBBBWWWBBBBBBB", "BBBBBBBBBBBBBBBB"}},
  };
  for (const Step& step : steps) {
    log.clear();
    step.object->Invalidate(&step.rect);
    if (step.invalidated == nullptr) {
      EXPECT_TRUE(window->invalid.empty()) << Where();
    } else {
      ASSERT_EQ(window->invalid.size(), 1u) << Where();
      EXPECT_EQ(RectText(window->invalid[0]), step.invalidated) << Where();
    }
    window->Paint();
    EXPECT_EQ(log, step.drawn) << RectText(step.rect) << ", " << Where();
    EXPECT_EQ(Render(*window->offscreen), step.expected) << RectText(step.rect) << ", " << Where();
    EXPECT_EQ(Render(*window->screen), step.expected) << RectText(step.rect) << ", " << Where();
  }
}

TEST_P(ObjectDrawingTest, AnObjectRedrawingItselfCopiesOnlyItsExtentToTheScreen) {
  PaintAll();
  b->color = 'W';
  b->Redraw(nullptr, nullptr);
  // One temporary port on the off-screen map; B, its child and the objects
  // in front of it draw; only B's extent reaches the screen.
  EXPECT_EQ(window->portsMade, 1) << Where();
  EXPECT_EQ(log, (Log{"B (4,3,10,7)", "D (8,5,10,7)", "picture (11,1,15,5)"})) << Where();
  EXPECT_EQ(window->copies, (std::vector<std::string>{"(4,3,10,7)"})) << Where();
  Rows expected = kScene;
  for (int32_t y = 3; y < 7; ++y)
    for (int32_t x = 4; x < 10; ++x) expected[y][x] = (x >= 8 && y >= 5) ? 'M' : 'W';
  EXPECT_EQ(Render(*window->screen), expected) << Where();
  EXPECT_EQ(Render(*window->offscreen), expected) << Where();
}

TEST_P(ObjectDrawingTest, HiddenObjectsDoNotDraw) {
  PaintAll();
  // Hiding B redraws its former area from the root: A and the background
  // show; neither B nor its child is drawn.
  b->Hide(true);
  EXPECT_EQ(log, (Log{"root (4,3,10,7)", "A (4,3,7,5)"})) << Where();
  EXPECT_EQ(window->copies, (std::vector<std::string>{"(4,3,10,7)"})) << Where();
  const Rows hidden = {
      "YYYBBBBBBBBBBBBB", "YRRRRRRBBBBRRWWB", "YRRRRRRBBBBRBBWB", "BRRRRRRBBBBGBBCB", "BRRRRRRBBBBGGCCB",
      "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB", "BBBBBBBBBBBBBBBB",
  };
  EXPECT_EQ(Render(*window->screen), hidden) << Where();
  EXPECT_EQ(Render(*window->offscreen), hidden) << Where();

  // A redraw asked of a visible child of a hidden object draws nothing.
  log.clear();
  window->copies.clear();
  const int ports = window->portsMade;
  g->Redraw(nullptr, nullptr);
  EXPECT_TRUE(log.empty()) << Where();
  EXPECT_EQ(window->portsMade, ports) << Where();
  // A hidden object's redraw draws nothing of it or its child, but the
  // objects following it still redraw themselves.
  b->Redraw(nullptr, nullptr);
  EXPECT_EQ(log, (Log{"picture (11,1,15,5)"})) << Where();
  EXPECT_EQ(window->copies, (std::vector<std::string>{"(11,1,15,5)"})) << Where();
  EXPECT_EQ(Render(*window->screen), hidden) << Where();
  log.clear();
  window->copies.clear();

  // Showing it again redraws only it and what is in front of it.
  b->SetVisible(true, true);
  EXPECT_EQ(log, (Log{"B (4,3,10,7)", "D (8,5,10,7)"})) << Where();
  EXPECT_EQ(window->copies, (std::vector<std::string>{"(4,3,10,7)"})) << Where();
  EXPECT_EQ(Render(*window->screen), kScene) << Where();
}

TEST_P(ObjectDrawingTest, EraseBackgroundFillsTheVisibleExtent) {
  PaintAll();
  PortFillBackend backend;
  VGraphicObject::SetBackgroundColor(ColorOf('M'));
  // Through a given port (on the off-screen map)...
  {
    DrawPort port(window->offscreen.get());
    a->EraseBackground(&port);
  }
  // ... and, without one, through a port on the window (the screen).
  c->EraseBackground(nullptr);
  Rows offscreen = kScene, screen = kScene;
  for (int32_t y = 1; y < 5; ++y)
    for (int32_t x = 1; x < 7; ++x) offscreen[y][x] = 'M';
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) screen[y][x] = 'M';
  EXPECT_EQ(Render(*window->offscreen), offscreen) << Where();
  EXPECT_EQ(Render(*window->screen), screen) << Where();
  // A hidden object erases nothing.
  f->EraseBackground(nullptr);
  EXPECT_EQ(Render(*window->screen), screen) << Where();
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, ObjectDrawingTest, ::testing::ValuesIn(kDepths),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                           return "Depth" + std::to_string(info.param.depth) +
                                  (info.param.kind == PixelMap::kStorageDib ? "Dib" : "Memory");
                         });

}  // namespace
