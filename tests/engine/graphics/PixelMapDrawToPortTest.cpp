// PixelMap::DrawToPort: into a port's pixel map (with the map's key colour,
// at every depth and both storage kinds), onto a window's device context
// (pixel for pixel, no transparency; a solid-colour map by filling), onto a
// port's own device context (the destination in points, scaled to the
// device's resolution), and nothing for a null port or empty rectangles.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GraphicsTestSupport.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "platform/DeviceContext.h"
#include "support/InkMaps.h"

namespace {

using testsupport::ColorOf;
using testsupport::Describe;
using testsupport::MapCase;
using testsupport::Paint;
using testsupport::Render;

const MapCase kMaps[] = {
    {8, kFormatIndexed8, PixelMap::kStorageDib}, {8, kFormatIndexed8, PixelMap::kStorageMemory},
    {15, kFormat555LE, PixelMap::kStorageDib},   {16, kFormat565LE, PixelMap::kStorageMemory},
    {16, kFormat565, PixelMap::kStorageMemory},  {24, kFormatBGR24, PixelMap::kStorageDib},
    {24, kFormatRGB24, PixelMap::kStorageMemory}, {32, kFormatBGRX32, PixelMap::kStorageDib},
    {32, kFormatXRGB32, PixelMap::kStorageMemory},
};

class DrawToPortTest : public ::testing::Test {
 protected:
  std::unique_ptr<PixelMap> MakeMap(const MapCase& c, int32_t w, int32_t h, const char* fill) {
    auto map = testsupport::MakeMap(c, table_, w, h);
    Paint(*map, std::vector<std::string>(static_cast<size_t>(h), std::string(static_cast<size_t>(w), fill[0])));
    return map;
  }

  gfxtest::ScopedLookupTables tables_;
  VMediaRef<VColorTable> tableRef_{new VColorTable(StandardPalette{4})};
  VColorTable* table_ = tableRef_.get();
};

const std::vector<std::string> kPicture = {"RRWW", "RKKW", "GKKC"};

TEST_F(DrawToPortTest, IntoAPortsPixelMapWithTheKeyColour) {
  struct Case {
    const char* name;
    VRect source, destination;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"whole picture, key pixels keep the target", VRect(0, 0, 4, 3), VRect(1, 1, 5, 4),
       {"BBBBBB", "BRRWWB", "BRBBWB", "BGBBCB", "BBBBBB"}},
      {"part of the picture at another place", VRect(2, 1, 4, 3), VRect(0, 3, 2, 5),
       {"BBBBBB", "BBBBBB", "BBBBBB", "BWBBBB", "BCBBBB"}},
      {"source overhanging left and top moves the destination", VRect(-1, -2, 3, 3), VRect(0, 0, 4, 5),
       {"BBBBBB", "BBBBBB", "BRRWBB", "BRBBBB", "BGBBBB"}},
      {"destination cut at the target's edge", VRect(0, 0, 4, 3), VRect(4, 3, 8, 6),
       {"BBBBBB", "BBBBBB", "BBBBBB", "BBBBRR", "BBBBRB"}},
      {"empty source draws nothing", VRect(2, 2, 2, 3), VRect(0, 0, 1, 1),
       {"BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB"}},
  };
  for (const MapCase& m : kMaps) {
    for (const Case& c : cases) {
      auto target = MakeMap(m, 6, 5, "B");
      auto picture = MakeMap(m, 4, 3, "K");
      Paint(*picture, kPicture);
      PixelMapAttributes record;
      record.SetKeyColor(ColorOf('K'));
      picture->SetAttributes(record);
      {
        DrawPort port(target.get());
        picture->DrawToPort(&port, c.source, c.destination);
      }
      EXPECT_EQ(Render(*target), c.expected) << c.name << ", " << Describe(m);
    }
  }
}

TEST_F(DrawToPortTest, NullPortDrawsNothing) {
  auto picture = MakeMap(kMaps[0], 4, 3, "R");
  picture->DrawToPort(nullptr, VRect(0, 0, 4, 3), VRect(0, 0, 4, 3));
  EXPECT_EQ(Render(*picture), (std::vector<std::string>{"RRRR", "RRRR", "RRRR"}));
}

// A window whose device context draws into a pixel map standing for the screen.
class MapWindow : public DrawPortWindow {
 public:
  explicit MapWindow(PixelMap& screen) : screen_(screen), lock_(&screen) {
    dc_ = std::make_unique<platform::RasterDeviceContext>(PixelMapToBuffer(screen));
  }
  platform::DeviceContext* GetPortDC() override {
    ++taken;
    return dc_.get();
  }
  void ReleasePortDC(platform::DeviceContext*) override { ++released; }
  PixelMap* GetOffscreenPixelMap() override { return nullptr; }
  int taken = 0, released = 0;

 private:
  PixelMap& screen_;
  PixelMapLock lock_;
  std::unique_ptr<platform::RasterDeviceContext> dc_;
};

TEST_F(DrawToPortTest, OntoAWindowPixelForPixelWithoutTransparency) {
  // The window copies what the map holds; an 8-bit screen shows the current
  // colour table, which the port selects into the window's context.
  for (const MapCase& m : kMaps) {
    VColorTable* previous = GetCurrentColorTable();
    SetCurrentColorTable(m.depth == 8 ? table_ : nullptr);
    auto screen = MakeMap(m, 6, 5, "B");
    auto picture = MakeMap(m, 4, 3, "K");
    Paint(*picture, kPicture);
    PixelMapAttributes record;
    record.SetKeyColor(ColorOf('K'));
    picture->SetAttributes(record);
    {
      MapWindow window(*screen);
      {
        DrawPort port(&window);
        picture->DrawToPort(&port, VRect(1, 0, 4, 3), VRect(2, 1, 5, 4));
      }
      EXPECT_EQ(window.taken, 1);
      EXPECT_EQ(window.released, 1);
    }
    EXPECT_EQ(Render(*screen), (std::vector<std::string>{"BBBBBB", "BBRWWB", "BBKKWB", "BBKKCB", "BBBBBB"}))
        << Describe(m);
    SetCurrentColorTable(previous);
    if (previous != nullptr) previous->Release();
  }
}

TEST_F(DrawToPortTest, ASolidMapFillsItsPartOfTheWindow) {
  struct Case {
    const char* name;
    VRect source, destination;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"inside", VRect(0, 0, 2, 2), VRect(1, 1, 3, 3), {"BBBBBB", "BMMBBB", "BMMBBB", "BBBBBB", "BBBBBB"}},
      {"cut to the map and the window", VRect(1, 1, 9, 9), VRect(3, 2, 11, 10),
       {"BBBBBB", "BBBBBB", "BBBMMM", "BBBMMM", "BBBBBB"}},
      {"empty destination", VRect(0, 0, 2, 2), VRect(1, 1, 1, 3), {"BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB"}},
  };
  // Both ways in: the map's DrawToPort and the port's DrawPixelMap.
  for (const bool throughPort : {false, true}) {
    for (const Case& c : cases) {
      const MapCase m{24, kFormatBGR24, PixelMap::kStorageMemory};
      auto screen = MakeMap(m, 6, 5, "B");
      PixelMap solid(VRect(0, 0, 4, 3), ColorOf('M'));
      {
        MapWindow window(*screen);
        DrawPort port(&window);
        if (throughPort) {
          port.DrawPixelMap(&solid, c.source, c.destination);
        } else {
          solid.DrawToPort(&port, c.source, c.destination);
        }
      }
      EXPECT_EQ(Render(*screen), c.expected) << c.name << (throughPort ? ", through the port" : "");
    }
  }
}

TEST_F(DrawToPortTest, OntoADeviceContextTheDestinationIsInPoints) {
  // A 96-dpi context: 3 points are 4 device pixels. Each source row is
  // stretched to whole device rows, top row first whatever the storage order.
  const std::vector<std::string> picture3 = {"RRR", "GGG", "BBB"};
  for (const MapCase& m : kMaps) {
    auto target = MakeMap({24, kFormatBGR24, PixelMap::kStorageMemory}, 6, 6, "W");
    auto picture = MakeMap(m, 3, 3, "K");
    Paint(*picture, picture3);
    {
      PixelMapLock lock(target.get());
      platform::RasterDeviceContext dc(PixelMapToBuffer(*target));
      DrawPort port(&dc);
      ASSERT_EQ(port.GetResolutionX(), 96);
      picture->DrawToPort(&port, VRect(0, 0, 3, 3), VRect(0, 0, 3, 3));
      // An empty destination draws nothing.
      picture->DrawToPort(&port, VRect(0, 0, 3, 3), VRect(3, 3, 3, 6));
    }
    const std::vector<std::string> rows = Render(*target);
    ASSERT_EQ(rows.size(), 6u);
    for (int32_t y = 0; y < 4; ++y) {
      EXPECT_EQ(rows[y].substr(0, 4), std::string(4, rows[y][0])) << "row " << y << ", " << Describe(m);
      EXPECT_EQ(rows[y][4], 'W') << "row " << y << ", " << Describe(m);
    }
    EXPECT_EQ(rows[0][0], 'R') << Describe(m);
    EXPECT_EQ(rows[3][0], 'B') << Describe(m);
    EXPECT_EQ(rows[5], "WWWWWW") << Describe(m);
  }
}

}  // namespace
