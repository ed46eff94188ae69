// Pixel maps: storage kinds, formats per depth, lock counting, addressing of
// top-down and bottom-up rows, single pixels in every layout, attributes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/OpacityRatioTable.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "platform/MemoryDC.h"

namespace {

// Installs a memory display for a test.
struct ScopedDisplay {
  MemoryPixelMapDisplay display;
  PixelMapDisplay* previous;
  ScopedDisplay() : previous(SetPixelMapDisplay(&display)) {}
  ~ScopedDisplay() { SetPixelMapDisplay(previous == &display ? nullptr : previous); }
};

TEST(PixelMapTest, MemoryFormatsByDepth) {
  struct Row {
    int32_t depth, requested;
    uint16_t expected;
    int32_t rowBytes;  // for width 5
  };
  const Row rows[] = {
      {8, 11, 11, 8},        {8, 5, 2, 8},          {8, 1, 2, 8},          {15, 3, 3, 12},
      {15, 0x8003, 0x8003, 12}, {15, 5, 0x8003, 12}, {15, 0x8004, 0x8003, 12}, {16, 3, 0x8004, 12},
      {16, 4, 0x8004, 12},   {24, 5, 5, 16},        {24, 7, 6, 16},        {32, 9, 9, 20},
      {32, 6, 8, 20},
  };
  for (const Row& row : rows) {
    PixelMap map(VRect(0, 0, 5, 3), row.depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, row.requested);
    EXPECT_TRUE(map.HasStorage());
    EXPECT_EQ(map.GetPixelFormat(), row.expected) << row.depth << "/" << row.requested;
    EXPECT_EQ(map.GetRowBytes(), row.rowBytes) << row.depth;
    EXPECT_EQ(map.GetDepth(), row.depth);
    EXPECT_FALSE(map.IsDibSection());
  }
}

TEST(PixelMapTest, MemoryCreationRefusals) {
  struct Row {
    VRect bounds;
    int32_t depth, rowBytes;
  };
  const Row rows[] = {
      {VRect(0, 0, 4, 0), 8, 0},      // no rows
      {VRect(0, 0, 4, 4), 12, 0},     // no such depth
      {VRect(0, 0, 4, 4), 24, 8},     // rows shorter than their pixels
      {VRect(0, 0, 65536, 65536), 32, 0},  // more than 2 GB
  };
  for (const Row& row : rows) {
    PixelMap map(PixelMap::kStorageMemory);
    EXPECT_FALSE(map.Create(row.bounds, row.depth, nullptr, nullptr, nullptr, 1, row.rowBytes));
    EXPECT_EQ(map.GetPixels(), nullptr);
  }
}

TEST(PixelMapTest, DibSections) {
  struct Row {
    int32_t width, depth, finalDepth, rowBytes;
    uint16_t format;
  };
  const Row rows[] = {{100, 24, 24, 300, 6}, {101, 24, 24, 304, 6}, {10, 16, 15, 20, 0x8003},
                      {10, 15, 15, 20, 0x8003}, {3, 8, 8, 4, 2}, {3, 32, 32, 12, 8}};
  for (const Row& row : rows) {
    PixelMap map(VRect(5, 5, 5 + row.width, 9), row.depth, nullptr, nullptr, nullptr, PixelMap::kStorageDib, 1);
    EXPECT_EQ(map.GetDepth(), row.finalDepth);
    EXPECT_EQ(map.GetPixelFormat(), row.format);
    EXPECT_EQ(map.GetRowBytes(), row.rowBytes);
    EXPECT_TRUE(map.IsDibSection());
    EXPECT_EQ(map.GetBounds(), VRect(0, 0, row.width, 4));
    ASSERT_NE(map.GetMemoryDC(), nullptr);
    EXPECT_NE(map.GetMemoryDC()->GetBitmap(), nullptr);
    // (0, 0) is the start of the last stored row; (0, 3) the first.
    EXPECT_EQ(map.GetPixelAddress(VPoint(0, 0)), map.GetPixels() + 3 * row.rowBytes);
    EXPECT_EQ(map.GetPixelAddress(VPoint(1, 3)), map.GetPixels() + BytesPerPixel(row.finalDepth));
    EXPECT_EQ(map.GetPixelAddress(VPoint(row.width, 0)), nullptr);
    EXPECT_EQ(map.GetPixelAddress(VPoint(0, -1)), nullptr);
  }
}

TEST(PixelMapTest, DibSectionGetsTheTablesColours) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  PixelMap map(VRect(0, 0, 2, 2), 8, table, nullptr, nullptr, PixelMap::kStorageDib, 1);
  const platform::DibSection* section = map.GetMemoryDC()->GetBitmap();
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->GetColors()[1].red, 128);
  EXPECT_EQ(section->GetColors()[1].blue, 0);
  EXPECT_EQ(map.GetMemoryDC()->GetPalette(), table->GetPalette());
  EXPECT_EQ(table->GetReferenceCount(), 2);
  map.ReleaseStorage();
  EXPECT_EQ(table->GetReferenceCount(), 1);
  table->Release();
}

TEST(PixelMapTest, FailedDibSectionLeavesADcWithoutPixels) {
  platform::FailNextDibSections(1);
  PixelMap map(PixelMap::kStorageDib);
  EXPECT_TRUE(map.Create(VRect(0, 0, 4, 4), 24, nullptr, nullptr, nullptr, 1, 0));
  EXPECT_NE(map.GetMemoryDC(), nullptr);
  EXPECT_EQ(map.GetPixels(), nullptr);
  EXPECT_FALSE(map.Lock());
  map.Unlock();
  platform::FailNextMemoryDCs(1);
  EXPECT_FALSE(map.Create(VRect(0, 0, 4, 4), 24, nullptr, nullptr, nullptr, 1, 0));
  EXPECT_FALSE(map.HasStorage());
}

TEST(PixelMapTest, LockingWhileInactive) {
  ScopedDisplay scope;
  PixelMap dib(VRect(0, 0, 4, 4), 24, nullptr, nullptr, nullptr, PixelMap::kStorageDib, 1);
  PixelMap memory(VRect(0, 0, 4, 4), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  scope.display.SetActive(false);
  EXPECT_FALSE(dib.Lock());
  EXPECT_EQ(dib.GetLockCount(), 0);
  EXPECT_TRUE(memory.Lock());  // plain memory needs no display
  EXPECT_EQ(memory.GetLockCount(), 1);
  memory.Unlock();
  scope.display.SetActive(true);
  EXPECT_TRUE(dib.Lock());
  EXPECT_TRUE(dib.Lock());
  EXPECT_EQ(dib.GetLockCount(), 2);
  dib.Unlock();
  dib.Unlock();
  dib.Unlock();  // never below 0
  EXPECT_EQ(dib.GetLockCount(), 0);
  EXPECT_TRUE(dib.CanLock());
}

TEST(PixelMapTest, SurfaceMaps) {
  ScopedDisplay scope;
  platform::SurfaceRef primary;
  uint8_t borrowed = 0;
  PixelMap map(VRect(0, 0, 6, 4), 24, nullptr, &primary, &borrowed, PixelMap::kStorageSurface, 1);
  EXPECT_EQ(borrowed, 1);
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(primary, scope.display.GetPrimarySurface());
  EXPECT_EQ(map.GetSurface(), scope.display.GetBackBuffer().get());
  EXPECT_TRUE(map.IsDirectDrawSurface());
  EXPECT_EQ(map.GetDepth(), 16);
  EXPECT_EQ(map.GetPixelFormat(), 0x8004);
  EXPECT_EQ(map.GetRowBytes(), 12);
  EXPECT_EQ(map.GetPixels(), nullptr);  // only while locked
  EXPECT_TRUE(map.Lock());
  EXPECT_TRUE(map.Lock());
  EXPECT_TRUE(map.Lock());
  EXPECT_TRUE(map.GetSurface()->IsLocked());
  ASSERT_TRUE(map.SetPixel(VPoint(1, 1), VRGBColor(255, 0, 0)));
  EXPECT_EQ(map.GetPixelAddress(VPoint(1, 1)), map.GetPixels() + 12 + 2);  // surfaces are top-down
  const platform::SurfaceRef surface = scope.display.GetBackBuffer();
  map.ReleaseStorage();
  EXPECT_EQ(map.GetLockCount(), 0);
  EXPECT_FALSE(surface->IsLocked());
}

TEST(PixelMapTest, SurfaceLayoutsAndLostSurfaces) {
  ScopedDisplay scope;
  platform::SurfaceDescription layout;
  layout.redMask = 0x7C00;
  layout.greenMask = 0x03E0;
  scope.display.SetSurfaceLayout(layout);
  PixelMap map(VRect(0, 0, 2, 2), 8, nullptr, nullptr, nullptr, PixelMap::kStorageSurface, 1);
  EXPECT_EQ(map.GetDepth(), 15);
  EXPECT_EQ(map.GetPixelFormat(), 0x8003);
  scope.display.GetPrimarySurface()->SetLost(true);
  map.GetSurface()->SetLost(true);
  EXPECT_TRUE(map.Lock());
  EXPECT_EQ(scope.display.GetRestoreCount(), 1);
  map.Unlock();
  scope.display.SetFailFlipChains(true);
  PixelMap failed(PixelMap::kStorageSurface);
  EXPECT_FALSE(failed.Create(VRect(0, 0, 2, 2), 16, nullptr, nullptr, nullptr, 1, 0));
  EXPECT_FALSE(failed.HasStorage());
}

TEST(PixelMapTest, DefaultsAndScreenDepth) {
  ScopedDisplay scope;
  const int16_t kind = PixelMap::SetDefaultStorageKind(PixelMap::kStorageDib);
  const int32_t depth = PixelMap::SetDefaultPixelDepth(32);
  PixelMap a(VRect(0, 0, 2, 2), -2, nullptr);
  EXPECT_EQ(a.GetStorageKind(), PixelMap::kStorageDib);
  EXPECT_EQ(a.GetDepth(), 32);
  PixelMap::SetDefaultStorageKind(kind);
  PixelMap::SetDefaultPixelDepth(depth);
  PixelMap b(VRect(0, 0, 2, 2), 0, nullptr);
  EXPECT_EQ(b.GetDepth(), 24);  // no screen map
  PixelMap screen(VRect(0, 0, 2, 2), 15, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 3);
  scope.display.SetScreenPixelMap(&screen);
  PixelMap c(VRect(0, 0, 2, 2), 0, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  EXPECT_EQ(c.GetDepth(), 15);
  EXPECT_EQ(c.GetPixelFormat(), 3);
}

TEST(PixelMapTest, MapsShareTheOpacityRatioTable) {
  PixelMap a(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  OpacityRatioTable* table = a.GetOpacityRatioTable();
  ASSERT_NE(table, nullptr);
  const int32_t count = table->GetReferenceCount();
  {
    PixelMap b(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
    EXPECT_EQ(b.GetOpacityRatioTable(), table);
    EXPECT_EQ(table->GetReferenceCount(), count + 1);
  }
  EXPECT_EQ(table->GetReferenceCount(), count);
  ASSERT_NE(table->GetEntries(), nullptr);
  EXPECT_EQ(table->GetRow(10)[20], 8064);  // 16128 * 10 / 20
}

TEST(PixelMapTest, PixelsInEveryLayout) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  struct Row {
    int32_t depth;
    int32_t format;
    VRGBColor set;
    std::vector<uint8_t> bytes;
    VRGBColor get;
  };
  const Row rows[] = {
      {8, 2, {128, 0, 0}, {1}, {128, 0, 0}},
      {8, 11, {200, 10, 10}, {200}, {200, 200, 200}},
      {15, 0x8003, {255, 0, 0}, {0x00, 0x7C}, {255, 0, 0}},
      {15, 3, {255, 0, 0}, {0x7C, 0x00}, {255, 0, 0}},
      {15, 0x8003, {128, 64, 8}, {0x01, 0x41}, {132, 66, 8}},
      {16, 0x8004, {0, 255, 0}, {0xE0, 0x07}, {0, 255, 0}},
      {16, 0x8004, {200, 100, 50}, {0x26, 0xCB}, {206, 101, 49}},
      {24, 5, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
      {24, 6, {1, 2, 3}, {3, 2, 1}, {1, 2, 3}},
      {32, 7, {1, 2, 3}, {1, 2, 3, 0}, {1, 2, 3}},
      {32, 8, {1, 2, 3}, {3, 2, 1, 0}, {1, 2, 3}},
      {32, 9, {1, 2, 3}, {0, 1, 2, 3}, {1, 2, 3}},
      {32, 10, {1, 2, 3}, {0, 3, 2, 1}, {1, 2, 3}},
  };
  for (bool bottomUp : {false, true}) {
    for (const Row& row : rows) {
      PixelMap map(VRect(0, 0, 3, 2), row.depth, table, nullptr, nullptr, PixelMap::kStorageMemory, row.format);
      map.SetDibSection(bottomUp);
      map.ClearPixels();
      ASSERT_TRUE(map.SetPixel(VPoint(2, 0), row.set));
      const uint8_t* stored = map.GetPixels() + (bottomUp ? map.GetRowBytes() : 0) + 2 * BytesPerPixel(row.depth);
      EXPECT_EQ(std::vector<uint8_t>(stored, stored + row.bytes.size()), row.bytes) << row.depth << "/" << row.format;
      VRGBColor got;
      ASSERT_TRUE(map.GetPixel(VPoint(2, 0), got));
      EXPECT_EQ(got, row.get) << row.depth << "/" << row.format;
      EXPECT_FALSE(map.GetPixel(VPoint(3, 0), got));
      EXPECT_FALSE(map.SetPixel(VPoint(0, 2), row.set));
    }
  }
  table->Release();
}

TEST(PixelMapTest, IndexedPixelsNeedATable) {
  SetCurrentColorTable(nullptr);
  PixelMap map(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 2);
  VRGBColor c;
  EXPECT_FALSE(map.GetPixel(VPoint(0, 0), c));
  EXPECT_FALSE(map.SetPixel(VPoint(0, 0), c));
}

TEST(PixelMapTest, AttributeRecord) {
  PixelMapAttributes record;
  record.SetLevel(40);
  EXPECT_EQ(record.flags, PixelMapAttributes::kLevel);
  EXPECT_EQ(record.GetLevel(), 40);
  record.SetLevel(63);
  EXPECT_EQ(record.flags, 0u);
  EXPECT_EQ(record.GetLevel(), 63);
  auto* channel = new VAlphaChannel(VRect(0, 0, 4, 4));
  record.SetAlphaChannel(channel);
  EXPECT_TRUE(record.HasAlphaChannel());
  EXPECT_EQ(channel->GetReferenceCount(), 2);
  {
    PixelMapAttributes copy(record);
    EXPECT_EQ(channel->GetReferenceCount(), 3);
    copy.Clear();
    EXPECT_EQ(channel->GetReferenceCount(), 2);
  }
  record.SetAlphaChannel(nullptr);
  EXPECT_FALSE(record.HasAlphaChannel());
  EXPECT_EQ(channel->GetReferenceCount(), 1);
  channel->Release();
}

TEST(PixelMapTest, SetAttributesConvertsKeysAndCutsAlphaSizes) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  PixelMap deep(VRect(0, 0, 8, 6), 24, table, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  PixelMapAttributes key;
  key.SetKeyIndex(1);
  deep.SetAttributes(key);
  EXPECT_EQ(deep.PeekAttributes().flags, PixelMapAttributes::kKeyColor);
  EXPECT_EQ(deep.PeekAttributes().keyColor, VRGBColor(128, 0, 0));

  PixelMap indexed(VRect(0, 0, 8, 6), 8, table, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  PixelMapAttributes rgb;
  rgb.SetKeyColor(VRGBColor(0, 0, 129));
  indexed.SetAttributes(rgb);
  EXPECT_EQ(indexed.PeekAttributes().flags, PixelMapAttributes::kKeyIndex);
  EXPECT_EQ(indexed.PeekAttributes().keyIndex, 4);

  auto* channel = new VAlphaChannel(VRect(0, 0, 5, 10));
  deep.SetAlphaChannel(channel);
  EXPECT_EQ(deep.GetBounds(), VRect(0, 0, 5, 6));
  EXPECT_EQ(channel->GetBounds(), VRect(0, 0, 5, 6));
  EXPECT_TRUE(deep.PeekAttributes().HasAlphaChannel());
  channel->Release();
  deep.ReleaseStorage();  // drops the channel
  EXPECT_FALSE(deep.PeekAttributes().HasAlphaChannel());
  table->Release();
}

TEST(PixelMapTest, SolidColourMaps) {
  PixelMap solid(VRect(3, 4, 13, 9), VRGBColor(1, 2, 3));
  EXPECT_TRUE(solid.IsSolidColor());
  EXPECT_FALSE(solid.HasStorage());
  EXPECT_EQ(solid.GetBounds(), VRect(0, 0, 10, 5));
  EXPECT_EQ(solid.GetDepth(), 8);
  EXPECT_EQ(solid.GetRowBytes(), 10);
  EXPECT_EQ(solid.GetSolidColorIndex(), -1);
}

}  // namespace
