// Colour tables: standard palettes, Realize's arrangement of black and white,
// searches, derived tables, the current table, and the inverse-table builder
// against the brute-force reference.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/InverseTable.h"
#include "engine/graphics/VColorTable.h"
#include "platform/Rand.h"

namespace {

struct ScopedArrange {
  bool previous;
  explicit ScopedArrange(bool arrange) : previous(GetArrangeBlackAndWhite()) { SetArrangeBlackAndWhite(arrange); }
  ~ScopedArrange() { SetArrangeBlackAndWhite(previous); }
};

VColorTable* MakeTable(const std::vector<VRGBColor>& colors) {
  std::vector<uint8_t> rgb;
  for (const VRGBColor& c : colors) rgb.insert(rgb.end(), {c.red, c.green, c.blue});
  return new VColorTable(rgb.data(), static_cast<int32_t>(colors.size()), 0);
}

VRGBColor Entry(const VColorTable& t, int32_t i) {
  VRGBColor c;
  EXPECT_TRUE(t.GetColor(c, i));
  return c;
}

TEST(ColorTableTest, StandardPaletteEntries) {
  struct Row {
    int32_t code, index;
    VRGBColor color;
  };
  const Row rows[] = {
      {0, 0, {0, 0, 0}},          {0, 9, {166, 202, 240}},   {0, 10, {42, 63, 170}},   {0, 35, {42, 255, 255}},
      {0, 36, {85, 0, 0}},        {0, 179, {212, 255, 255}}, {0, 180, {255, 0, 85}},   {0, 211, {255, 255, 170}},
      {0, 212, {204, 204, 255}},  {0, 217, {204, 255, 255}}, {0, 218, {0, 127, 0}},    {0, 235, {0, 255, 170}},
      {0, 236, {42, 0, 0}},       {0, 245, {42, 63, 85}},    {0, 246, {255, 251, 240}}, {0, 255, {255, 255, 255}},
      {2, 1, {255, 255, 204}},    {2, 214, {0, 0, 51}},      {2, 215, {238, 0, 0}},    {2, 254, {17, 17, 17}},
      {3, 31, {248, 248, 248}},   {3, 32, {0, 0, 255}},      {3, 62, {0, 152, 51}},    {3, 63, {255, 255, 255}},
      {4, 1, {255, 255, 204}},    {4, 214, {0, 0, 51}},      {4, 200, {0, 102, 153}},   {9, 77, {77, 77, 77}},
  };
  for (const Row& row : rows) {
    VColorTable* table = new VColorTable(StandardPalette{row.code});
    EXPECT_EQ(table->GetColorCount(), 256);
    EXPECT_TRUE(table->IsLoaded());
    EXPECT_EQ(Entry(*table, row.index), row.color) << "code " << row.code << " index " << row.index;
    table->Release();
  }
}

TEST(ColorTableTest, StandardPalettesEndBlackAndWhite) {
  // Code 0 already has black at 0 and white at 255; code 2 starts white and
  // ends black and is rearranged; code 4 has 216 colours and grows to 256.
  struct Row {
    int32_t code;
    bool arranged;
  };
  for (const Row& row : {Row{0, false}, Row{2, true}, Row{4, true}, Row{9, false}}) {
    VColorTable* table = new VColorTable(StandardPalette{row.code});
    EXPECT_EQ(table->IsArranged(), row.arranged) << row.code;
    EXPECT_EQ(Entry(*table, 0), kBlackColor);
    EXPECT_EQ(Entry(*table, 255), kWhiteColor);
    EXPECT_EQ(table->GetColorCount(), 256);
    table->Release();
  }
}

TEST(ColorTableTest, RealizeMovesBlackAndWhite) {
  // 200 colours: entry 1 is nearest to white, then (after white took its
  // place) entry 1 holds the black that was at 255 and is the black slot.
  std::vector<VRGBColor> colors(200, VRGBColor(100, 100, 100));
  colors[0] = {10, 20, 30};
  colors[1] = {250, 250, 250};
  colors[2] = {5, 5, 5};
  VColorTable* table = MakeTable(colors);
  EXPECT_TRUE(table->IsArranged());
  EXPECT_EQ(table->GetColorCount(), 256);
  EXPECT_EQ(table->GetWhiteSlot(), 1);
  EXPECT_EQ(table->GetBlackSlot(), 1);
  EXPECT_EQ(Entry(*table, 0), kBlackColor);
  EXPECT_EQ(Entry(*table, 1), VRGBColor(10, 20, 30));
  EXPECT_EQ(Entry(*table, 2), VRGBColor(5, 5, 5));
  EXPECT_EQ(Entry(*table, 255), kWhiteColor);
  table->Release();
}

TEST(ColorTableTest, RealizeKeepsIndexesWhenArrangingIsOff) {
  ScopedArrange off(false);
  std::vector<VRGBColor> colors = {{10, 20, 30}, {250, 250, 250}, {5, 5, 5}};
  VColorTable* table = MakeTable(colors);
  EXPECT_FALSE(table->IsArranged());
  EXPECT_EQ(table->GetBlackSlot(), -1);
  EXPECT_EQ(table->GetWhiteSlot(), -1);
  EXPECT_EQ(table->GetColorCount(), 256);
  EXPECT_EQ(Entry(*table, 0), VRGBColor(10, 20, 30));
  EXPECT_EQ(Entry(*table, 1), VRGBColor(250, 250, 250));
  EXPECT_EQ(Entry(*table, 2), VRGBColor(5, 5, 5));
  EXPECT_EQ(Entry(*table, 3), kBlackColor);  // only the given count is copied
  table->Release();
}

TEST(ColorTableTest, RgbDataWithStrideAndCount) {
  ScopedArrange off(false);
  const uint8_t data[] = {1, 2, 3, 99, 4, 5, 6, 99};
  VColorTable* table = new VColorTable(data, 2, 1);
  EXPECT_EQ(Entry(*table, 0), VRGBColor(1, 2, 3));
  EXPECT_EQ(Entry(*table, 1), VRGBColor(4, 5, 6));
  EXPECT_EQ(Entry(*table, 2), kBlackColor);
  table->Release();
}

TEST(ColorTableTest, SearchesPreferTheLowerIndex) {
  ScopedArrange off(false);
  std::vector<VRGBColor> colors(256, VRGBColor(200, 0, 0));
  colors[7] = {10, 200, 30};
  colors[9] = {10, 200, 30};
  colors[12] = {12, 200, 30};
  VColorTable* table = MakeTable(colors);
  const VRGBColor twice(10, 200, 30);
  EXPECT_EQ(table->FindNearestIndex(twice, false), 7);
  EXPECT_EQ(table->FindNearestIndex(twice, true), 7);
  EXPECT_EQ(table->FindNearestIndex(VRGBColor(1, 2, 3), false), -1);
  // The runner-up is the true second-best entry, never the nearest itself.
  EXPECT_EQ(table->FindNearestIndexRunnerUp(twice), 9);
  EXPECT_EQ(table->FindNearestIndexRunnerUp(VRGBColor(12, 200, 30)), 7);
  table->BuildInverseTable();
  ASSERT_NE(table->GetInverseTable(), nullptr);
  EXPECT_EQ(table->FindNearestIndex(VRGBColor(8, 200, 32), true), 7);
  table->Release();
}

TEST(ColorTableTest, RunnerUpWhenEntryZeroIsNearest) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  EXPECT_EQ(table->FindNearestIndex(kBlackColor, true), 0);
  const int32_t runnerUp = table->FindNearestIndexRunnerUp(kBlackColor);
  EXPECT_GT(runnerUp, 0);
  table->Release();
}

TEST(ColorTableTest, ColorCountAndGetColors) {
  VColorTable* table = new VColorTable();
  EXPECT_EQ(table->SetColorCount(0), nullptr);
  EXPECT_EQ(table->SetColorCount(257), nullptr);
  EXPECT_EQ(table->GetColorCount(), 0);
  VRGBColor* entries = table->SetColorCount(3);
  ASSERT_NE(entries, nullptr);
  entries[0] = {1, 2, 3};
  entries[2] = {7, 8, 9};
  struct Row {
    int32_t first, count, copied;
  };
  for (const Row& row : {Row{0, 3, 3}, Row{2, 5, 1}, Row{3, 1, 0}, Row{256, 1, 0}, Row{-1, 1, 0}, Row{0, 0, 0}}) {
    uint8_t rgb[9] = {};
    EXPECT_EQ(table->GetColors(rgb, row.first, row.count), row.copied) << row.first;
    if (row.first == 2 && row.copied == 1) {
      EXPECT_EQ(rgb[0], 7);
    }
  }
  EXPECT_EQ(table->GetColors(nullptr, 0, 3), 0);
  table->Release();
}

TEST(ColorTableTest, BeginsWith) {
  ScopedArrange off(false);
  VColorTable* a = MakeTable({{1, 1, 1}, {2, 2, 2}});
  VColorTable* b = new VColorTable();
  VRGBColor* e = b->SetColorCount(1);
  e[0] = {1, 1, 1};
  EXPECT_TRUE(a->BeginsWith(*a));
  EXPECT_TRUE(a->BeginsWith(*b));   // a has 256 colours after Realize and starts with b's one
  EXPECT_FALSE(b->BeginsWith(*a));  // fewer colours
  e[0] = {9, 9, 9};
  EXPECT_FALSE(a->BeginsWith(*b));
  a->Release();
  b->Release();
}

TEST(ColorTableTest, CurrentTableReferencesAndChangedFlag) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  SetCurrentColorTable(table);
  EXPECT_EQ(table->GetReferenceCount(), 2);
  EXPECT_TRUE(IsPaletteChanged());
  SetCurrentColorTable(table);  // the same again: kept alive, flag cleared
  EXPECT_EQ(table->GetReferenceCount(), 2);
  EXPECT_FALSE(IsPaletteChanged());
  VColorTable* got = GetCurrentColorTable();
  EXPECT_EQ(got, table);
  EXPECT_EQ(table->GetReferenceCount(), 3);
  got->Release();
  SetCurrentColorTable(nullptr);
  EXPECT_TRUE(IsPaletteChanged());
  EXPECT_EQ(table->GetReferenceCount(), 1);
  EXPECT_EQ(GetCurrentColorTable(), nullptr);
  table->Release();
}

TEST(ColorTableTest, ShadeTableValues) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  const uint16_t* shade = table->GetShadeTable16();
  ASSERT_NE(shade, nullptr);
  EXPECT_EQ(shade, table->GetShadeTable16());  // built once, same address
  EXPECT_EQ(shade[0 * 256 + 255], 0);
  EXPECT_EQ(shade[63 * 256 + 255], 0xFFFF);
  // White at level 32: trunc(255 * 32 / 63 + 0.49) = 130 -> (16, 32, 16).
  EXPECT_EQ(shade[32 * 256 + 255], (16 << 11) | (32 << 5) | 16);
  // Entry 1 (128, 0, 0) at level 63 keeps its colour: 128 >> 3 = 16.
  EXPECT_EQ(shade[63 * 256 + 1], 16 << 11);
  table->Release();
}

TEST(ColorTableTest, RealizeSwapsDerivedTablesWithTheEntries) {
  // A table whose derived tables exist before it is arranged keeps them
  // consistent: white looks up 255, black 0.
  ScopedArrange off(false);
  VColorTable* table = new VColorTable(StandardPalette{2});  // white at 0, black at 255
  table->BuildInverseTable();
  table->GetShadeTable16();
  SetArrangeBlackAndWhite(true);
  table->Realize();
  EXPECT_EQ(table->FindNearestIndex(kWhiteColor, true), 255);
  EXPECT_EQ(table->FindNearestIndex(kBlackColor, true), 0);
  EXPECT_EQ(table->PeekShadeTable16()[63 * 256 + 255], 0xFFFF);
  EXPECT_EQ(table->PeekShadeTable16()[63 * 256 + 0], 0);
  table->Release();
}

// ---- Inverse table -------------------------------------------------------

std::vector<VRGBColor> RandomPalette(uint32_t seed, int32_t levels) {
  platform::SeedRand(seed);
  std::vector<VRGBColor> colors(256);
  for (VRGBColor& c : colors) {
    c = VRGBColor(static_cast<uint8_t>(platform::Rand() % levels * (255 / (levels - 1))),
                  static_cast<uint8_t>(platform::Rand() % levels * (255 / (levels - 1))),
                  static_cast<uint8_t>(platform::Rand() % levels * (255 / (levels - 1))));
  }
  return colors;
}

TEST(InverseTableTest, FastBuilderEqualsBruteForce) {
  std::vector<std::vector<VRGBColor>> palettes;
  for (int32_t code : {0, 2, 3, 4, 9}) {
    VColorTable* t = new VColorTable(StandardPalette{code});
    palettes.emplace_back(t->GetEntries(), t->GetEntries() + 256);
    t->Release();
  }
  palettes.push_back(RandomPalette(1, 256));
  palettes.push_back(RandomPalette(2, 4));  // many duplicates and ties
  palettes.push_back(RandomPalette(3, 2));
  palettes.push_back(std::vector<VRGBColor>(256));  // all black
  std::vector<VRGBColor> halfway(256);
  for (int32_t i = 0; i < 256; ++i) halfway[i] = VRGBColor(static_cast<uint8_t>(i & 1 ? 4 : 0), 2, static_cast<uint8_t>(i & 2 ? 4 : 0));
  palettes.push_back(halfway);  // equal distances everywhere

  std::vector<uint8_t> fast(65536), reference(65536), kernels(65536);
  for (size_t p = 0; p < palettes.size(); ++p) {
    BuildInverseTable(palettes[p].data(), fast.data());
    BuildInverseTableBruteForce(palettes[p].data(), reference.data());
    BuildNearestIndexData(palettes[p].data(), kernels.data());
    EXPECT_EQ(fast, reference) << "palette " << p;
    EXPECT_EQ(kernels, reference) << "palette " << p;
  }
}

TEST(InverseTableTest, ColourTableBuildsItOnceAndNotForGreyRamps) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  table->BuildInverseTable();
  const uint8_t* first = table->GetInverseTable();
  ASSERT_NE(first, nullptr);
  table->BuildInverseTable();
  EXPECT_EQ(table->GetInverseTable(), first);
  std::vector<uint8_t> reference(65536);
  BuildInverseTableBruteForce(table->GetEntries(), reference.data());
  EXPECT_EQ(std::vector<uint8_t>(first, first + 65536), reference);
  table->Release();
}

TEST(ColorTableTest, SystemPaletteModeRecordsState) {
  VColorTable* table = new VColorTable(StandardPalette{0});
  SetCurrentColorTable(table);
  const int32_t before = platform::GetScreenPaletteRealizations();
  SetSystemPaletteMode(false, false, true);
  EXPECT_EQ(platform::GetSystemPaletteUse(), platform::kSystemPaletteNoStatic);
  EXPECT_EQ(platform::GetScreenPaletteRealizations(), before + 1);
  EXPECT_EQ(platform::GetSystemColor(8), 0u);           // COLOR_WINDOWTEXT black
  EXPECT_EQ(platform::GetSystemColor(5), 0x00FFFFFFu);  // COLOR_WINDOW white
  const uint32_t savedHighlight = 0x00800000;
  RestoreSystemPaletteMode();
  EXPECT_EQ(platform::GetSystemPaletteUse(), platform::kSystemPaletteStatic);
  EXPECT_EQ(platform::GetSystemColor(13), savedHighlight);
  SetCurrentColorTable(nullptr);
  table->Release();
}

}  // namespace
