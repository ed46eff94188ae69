#include <gtest/gtest.h>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/OpacityRatioTable.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VYCbCrColorTable.h"
#include "GraphicsTestSupport.h"

namespace {

using gfxtest::ScopedLookupTables;

TEST(PackColor, LayoutsByCode) {
  const VRGBColor c(1, 2, 3);
  struct Case { int32_t code; uint32_t value; };
  const Case cases[] = {
      {7, 3u * 65536 + 2 * 256 + 1}, {8, 1u * 65536 + 2 * 256 + 3}, {9, 3u * 16777216 + 2 * 65536 + 1 * 256},
      {10, 1u * 16777216 + 2 * 65536 + 3 * 256}, {16, 0}, {6, 0}, {0, 0},
  };
  for (const Case& k : cases) EXPECT_EQ(PackColor(c, k.code), k.value) << "code " << k.code;
  EXPECT_EQ(kGreyColor, VRGBColor(127, 127, 127));
  EXPECT_EQ(kMagentaColor, VRGBColor(255, 0, 255));
}

TEST(LookupTables, ClipTableValuesAndSharing) {
  ScopedLookupTables scope;
  VClipTable* a = GetClipTable(0, 0, 256, -1024, 1024);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ((*a)[-5], 0);
  EXPECT_EQ((*a)[300], 255);
  EXPECT_EQ((*a)[100], 100);
  EXPECT_EQ((*a)[-1024], 0);
  EXPECT_EQ((*a)[1023], 255);
  VClipTable* b = GetClipTable(0, 0, 256, -1024, 1024);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->GetReferenceCount(), 3);  // the manager and two callers
  b->Release();
  a->Release();
  EXPECT_EQ(GetLookupTableManager()->GetCount(), 1);

  VClipTable* signedClip = GetClipTable(0, -32, 32, -512, 512);
  ASSERT_NE(signedClip, nullptr);
  EXPECT_EQ((*signedClip)[-100], -32);
  EXPECT_EQ((*signedClip)[100], 31);
  EXPECT_EQ((*signedClip)[7], 7);
  EXPECT_NE(static_cast<VLookupTable*>(signedClip), static_cast<VLookupTable*>(a));
  signedClip->Release();
}

TEST(LookupTables, WiderRequestRebuildsHeldTableAndKeepsOldBuffer) {
  ScopedLookupTables scope;
  VClipTable* narrow = GetClipTable(0, 0, 256, -16, 300);
  ASSERT_NE(narrow, nullptr);
  const int32_t* oldEntries = narrow->Get();
  VClipTable* wide = GetClipTable(0, 0, 256, -1024, 1024);
  EXPECT_EQ(wide, narrow);
  EXPECT_EQ(wide->GetFirst(), -1024);
  EXPECT_EQ(wide->GetEnd(), 1024);
  EXPECT_EQ((*wide)[-1000], 0);
  EXPECT_EQ((*wide)[1000], 255);
  // A holder that kept the old entry pointer still reads valid entries.
  EXPECT_EQ(oldEntries[-16], 0);
  EXPECT_EQ(oldEntries[299], 255);
  EXPECT_EQ(oldEntries[42], 42);
  wide->Release();
  narrow->Release();
}

TEST(LookupTables, MultiplyTablesRoundHalfAwayFromZero) {
  ScopedLookupTables scope;
  VMultiplyTable* half = GetMultiplyTable(0.5, 0, 0, 4);
  ASSERT_NE(half, nullptr);
  EXPECT_EQ((*half)[0], 0);
  EXPECT_EQ((*half)[1], 1);
  EXPECT_EQ((*half)[2], 1);
  EXPECT_EQ((*half)[3], 2);
  VMultiplyTable* negative = GetMultiplyTable(0.5, 0, -3, 1);
  EXPECT_EQ(negative, half);  // equal numbers share one table, widened
  EXPECT_EQ((*half)[-1], -1);
  EXPECT_EQ((*half)[-3], -2);
  // Unsigned tables with the same numbers are kept apart.
  VUnsignedMultiplyTable* u = GetUnsignedMultiplyTable(0.5, 0, 0, 4);
  ASSERT_NE(u, nullptr);
  EXPECT_NE(static_cast<VLookupTable*>(u), static_cast<VLookupTable*>(half));
  u->Release();
  negative->Release();
  half->Release();
  // The manager keeps its own reference until it is deleted.
  EXPECT_EQ(GetLookupTableManager()->GetCount(), 2);
  EXPECT_EQ(half->GetReferenceCount(), 1);
}

TEST(LookupTables, WorkWithoutManagerAndAfterShutdown) {
  ASSERT_EQ(GetLookupTableManager(), nullptr);
  VClipTable* unshared = GetClipTable(0, 0, 256, -1024, 1024);
  ASSERT_NE(unshared, nullptr);
  EXPECT_EQ((*unshared)[500], 255);
  EXPECT_EQ(unshared->GetReferenceCount(), 1);
  unshared->Release();  // deleted, no manager involved

  SetupLookupTables();
  VClipTable* held = GetClipTable(0, 0, 32, -32, 64);
  ShutdownLookupTables();  // the holder's table survives the manager
  EXPECT_EQ(held->GetReferenceCount(), 1);
  EXPECT_EQ((*held)[40], 31);
  held->Release();
  EXPECT_EQ(GetClipTable(0, 0, 10, 5, 5), nullptr);  // empty range
}

TEST(OpacityRatioTable, WeightsAndSharing) {
  OpacityRatioTable* t = AcquireOpacityRatioTable();
  ASSERT_NE(t->GetEntries(), nullptr);
  EXPECT_EQ(t->GetRow(10)[0], 16128);
  EXPECT_EQ(t->GetRow(10)[10], 16128);
  EXPECT_EQ(t->GetRow(10)[20], 8064);
  EXPECT_EQ(t->GetRow(1)[63], 256);
  EXPECT_EQ(t->GetRow(2)[3], 10752);
  OpacityRatioTable* again = AcquireOpacityRatioTable();
  EXPECT_EQ(again, t);
  EXPECT_EQ(t->GetReferenceCount(), 2);
  again->Release();
  t->Release();
}

TEST(VYCbCrColorTable, MatrixFiveWhiteAndBlack) {
  ScopedLookupTables scope;
  VRGBColor colors[256];
  colors[1] = kWhiteColor;
  ColorTableData data;
  data.colors = colors;
  data.colorCount = 256;
  auto* t = new VYCbCrColorTable(5, &data);
  int32_t r, g, b;
  // luma[235] = 76309 * 219 = 16711671, just below 255 << 16: the truncating
  // shift of the working rule gives 254; one step brighter saturates.
  ASSERT_TRUE(t->ToRGB(235, 128, 128, r, g, b));
  EXPECT_EQ(r, 254);
  EXPECT_EQ(g, 254);
  EXPECT_EQ(b, 254);
  ASSERT_TRUE(t->ToRGB(236, 128, 128, r, g, b));
  EXPECT_EQ(r + g + b, 3 * 255);
  ASSERT_TRUE(t->ToRGB(16, 128, 128, r, g, b));
  EXPECT_EQ(r + g + b, 0);
  const uint8_t* pal = t->GetYCbCrPalette();
  EXPECT_EQ(pal[0], 16);
  EXPECT_EQ(pal[1], 128);
  EXPECT_EQ(pal[2], 128);
  EXPECT_EQ(pal[3], 234);
  EXPECT_EQ(pal[4], 128);
  EXPECT_EQ(pal[5], 128);
  EXPECT_EQ(t->GetCrToRed(), 104597);
  EXPECT_EQ(VYCbCrColorTable::GetLumaScale(), 76309);
  EXPECT_EQ(t->Build8BitTable(), nullptr);  // no nearest-index table
  t->Release();
}

TEST(VYCbCrColorTable, OutputTablesAgreeWithWorkingRule) {
  ScopedLookupTables scope;
  gfxtest::Palette pal = gfxtest::Palette::Cube();
  auto* t = new VYCbCrColorTable(1, &pal.data);
  const uint16_t* t16 = t->Build16BitTable();
  const uint16_t* t15 = t->Build15BitTable();
  const uint8_t* t8 = t->Build8BitTable();
  ASSERT_NE(t16, nullptr);
  ASSERT_NE(t15, nullptr);
  ASSERT_NE(t8, nullptr);
  const int samples[][3] = {{16, 128, 128}, {235, 128, 128}, {81, 90, 240}, {145, 54, 34}, {41, 240, 110}};
  for (const auto& s : samples) {
    const int y = s[0], cb = s[1], cr = s[2];
    const int index = ((cb >> 3) << 11) | ((cr >> 3) << 6) | (y >> 2);
    int32_t r, g, b;
    ASSERT_TRUE(t->ToRGB((y & ~3) + 2, (cb & ~7) + 4, (cr & ~7) + 4, r, g, b));
    EXPECT_EQ(t16[index], ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
    auto to5 = [](int c) { return (c * 31 + 127) / 255; };
    EXPECT_EQ(t15[index], (to5(r) << 10) | (to5(g) << 5) | to5(b));
    EXPECT_EQ(t8[index], pal.nearest[((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)]);
  }
  t->Release();
}

}  // namespace

// A counted colour table is held while the YCbCr table uses its palette (and
// its nearest-index table for 8-bit output); null takes the current colour table.
TEST(VYCbCrColorTable, HoldsACountedColourTableOrTheCurrentOne) {
  ScopedLookupTables scope;
  auto* colours = new VColorTable(StandardPalette{4});
  const int32_t before = colours->GetReferenceCount();
  auto* t = new VYCbCrColorTable(5, colours);
  EXPECT_EQ(colours->GetReferenceCount(), before + 1);
  EXPECT_EQ(t->GetColorTable(), colours);
  EXPECT_NE(t->Build8BitTable(), nullptr);
  t->Release();
  EXPECT_EQ(colours->GetReferenceCount(), before);

  SetCurrentColorTable(colours);
  auto* fallback = new VYCbCrColorTable(5, static_cast<VColorTable*>(nullptr));
  EXPECT_EQ(fallback->GetColorTable(), colours);
  SetCurrentColorTable(nullptr);
  // Still held after it stopped being current.
  EXPECT_EQ(colours->GetReferenceCount(), before + 1);
  const uint8_t* palette = fallback->GetYCbCrPalette();
  VRGBColor first = colours->GetEntries()[0];
  int32_t r, g, b;
  ASSERT_TRUE(fallback->ToRGB(palette[0], palette[1], palette[2], r, g, b));
  EXPECT_NEAR(r, first.red, 3);
  EXPECT_NEAR(g, first.green, 3);
  EXPECT_NEAR(b, first.blue, 3);
  fallback->Release();
  EXPECT_EQ(colours->GetReferenceCount(), before);

  auto* none = new VYCbCrColorTable(5, static_cast<VColorTable*>(nullptr));
  EXPECT_EQ(none->GetColorTable(), nullptr);
  EXPECT_EQ(none->Build8BitTable(), nullptr);
  none->Release();
  colours->Release();
}
