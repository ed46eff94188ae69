// Picture transitions on a fake clock: the fade against a model of its own
// (per pixel layout), the dissolves by their properties (how many pixels
// are revealed after each step, every pixel revealed once by the end), the
// tiles cut to a picture smaller than the screen they were made for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <functional>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/PictureTransitionKernels.h"
#include "title/controls/PictureTransitions.h"

namespace {

using controltest::Bench;

constexpr int32_t kW = 100;
constexpr int32_t kH = 80;

struct Layout {
  const char* name;
  int32_t depth;
  int32_t format;
};
const Layout kLayouts[] = {
    {"5-6-5", 16, kFormat565LE},
    {"5-5-5", 15, kFormat555LE},
};

// A picture whose raw words are word(x, y), stored in the layout's byte order.
VPicture* RawPicture(const Layout& layout, const std::function<uint16_t(int32_t, int32_t)>& word) {
  auto* map = new PixelMap(VRect(0, 0, kW, kH), layout.depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                           layout.format, 0);
  PixelMapLock lock(map);
  const bool big = !HasLittleEndianWords(map->GetPixelFormat());
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      uint8_t* p = map->GetPixelAddress(VPoint(x, y));
      // 5-5-5 words leave their top bit clear.
      const uint16_t w = layout.depth == 15 ? static_cast<uint16_t>(word(x, y) & 0x7FFF) : word(x, y);
      p[big ? 1 : 0] = static_cast<uint8_t>(w);
      p[big ? 0 : 1] = static_cast<uint8_t>(w >> 8);
    }
  }
  return new VPicture(map);
}

uint16_t RawWord(VPicture* picture, int32_t x, int32_t y) {
  PixelMap* map = picture->GetPixelMap();
  PixelMapLock lock(map);
  const uint8_t* p = map->GetPixelAddress(VPoint(x, y));
  const bool big = !HasLittleEndianWords(map->GetPixelFormat());
  return big ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Arbitrary but fixed pixel words.
uint16_t NoiseA(int32_t x, int32_t y) { return static_cast<uint16_t>((x * 7919 + y * 104729 + 12345) * 2654435761u >> 7); }
uint16_t NoiseB(int32_t x, int32_t y) { return static_cast<uint16_t>((x * 31 + y * 997 + 7) * 40503u ^ 0x5A5Au); }

// The fade's model: every component of the word scaled by f / 64, rounded down.
uint16_t FadeModel(uint16_t word, int32_t factor, bool sixBitGreen) {
  if (sixBitGreen) {
    const uint32_t r = (word >> 11) & 0x1F, g = (word >> 5) & 0x3F, b = word & 0x1F;
    return static_cast<uint16_t>(((r * factor / 64) << 11) | ((g * factor / 64) << 5) | (b * factor / 64));
  }
  const uint32_t r = (word >> 10) & 0x1F, g = (word >> 5) & 0x1F, b = word & 0x1F;
  return static_cast<uint16_t>(((r * factor / 64) << 10) | ((g * factor / 64) << 5) | (b * factor / 64));
}

class PictureTransitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(50000);
  }
  VPictureControl* MakeTarget(VPicture* shown) {
    auto* c = new VPictureControl(40, shown, 10, 10, 0, kW, kH, bench_.recorder);
    shown->Release();
    return c;
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(50000 + ms);
    bench_.Idle();
  }
  // How many pixels of the shown picture hold the new picture's word.
  static int64_t CountEqual(VPicture* shown, VPicture* picture) {
    int64_t n = 0;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) n += RawWord(shown, x, y) == RawWord(picture, x, y);
    }
    return n;
  }
  Bench bench_;
};

TEST_F(PictureTransitionTest, FadeGoesThroughBlackPixelExactInEachLayout) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.name);
    const bool sixBit = layout.depth == 16;
    VPicture* a = RawPicture(layout, NoiseA);
    VPicture* b = RawPicture(layout, NoiseB);
    VPictureControl* target = MakeTarget(a);
    VPicture* shown = target->PeekPicture();
    bench_.clock().SetTickCount(50000);
    new PictureFadeTransition(3, target, b, true, 1000, 1, true);
    // position -> (factor, from the new picture)
    struct Row {
      uint32_t position;
      int32_t factor;
      bool fromNew;
    };
    const Row rows[] = {{1, 64, false}, {100, 52, false}, {333, 22, false}, {500, 0, false},
                        {501, 0, true}, {640, 17, true},  {875, 48, true},  {1000, 64, true}};
    for (const Row& r : rows) {
      SCOPED_TRACE(r.position);
      bool fromNew = false;
      ASSERT_EQ(PictureFadeTransition::FactorAt(static_cast<int32_t>(r.position), 1000, fromNew), r.factor);
      ASSERT_EQ(fromNew, r.fromNew);
      PassAt(r.position);
      int32_t wrong = 0;
      for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
          uint16_t source = r.fromNew ? NoiseB(x, y) : NoiseA(x, y);
          if (!sixBit) source &= 0x7FFF;
          wrong += RawWord(shown, x, y) != FadeModel(source, r.factor, sixBit);
        }
      }
      EXPECT_EQ(wrong, 0);
      if (layout.format == kFormat565LE) {
        // The same words reached the window's map at the control's place.
        EXPECT_EQ(bench_.Raw565(10, 10), FadeModel(r.fromNew ? NoiseB(0, 0) : NoiseA(0, 0), r.factor, true));
        EXPECT_EQ(bench_.Raw565(10 + kW - 1, 10 + kH - 1),
                  FadeModel(r.fromNew ? NoiseB(kW - 1, kH - 1) : NoiseA(kW - 1, kH - 1), r.factor, true));
      }
    }
    EXPECT_EQ(CountEqual(shown, b), kW * kH);
    b->Release();
    delete target;
  }
}

TEST_F(PictureTransitionTest, OrderedDissolveRevealsCellsOfTheDefaultPattern) {
  const Layout& layout = kLayouts[0];
  VPicture* b = RawPicture(layout, [](int32_t, int32_t) { return uint16_t{0xFFFF}; });
  VPictureControl* target = MakeTarget(RawPicture(layout, [](int32_t, int32_t) { return uint16_t{0}; }));
  VPicture* shown = target->PeekPicture();
  auto* t = new PictureTransition(4099, target, b, true, 1600, {}, 1, true);
  EXPECT_EQ(t->GetCellSize(), 4);
  const std::vector<int32_t>& pattern = PictureTransition::DefaultPattern();
  for (int32_t step = 1; step <= 16; ++step) {
    PassAt(static_cast<uint32_t>(step * 100));
    // Revealed: exactly the pixels of the first `step` cells of the table.
    int32_t wrong = 0;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        bool expected = false;
        for (int32_t i = 0; i < step; ++i) {
          expected = expected || (x % 4 == pattern[2 * i] && y % 4 == pattern[2 * i + 1]);
        }
        wrong += (RawWord(shown, x, y) == 0xFFFF) != expected;
      }
    }
    EXPECT_EQ(wrong, 0) << "after step " << step;
    if (step == 8) {
      EXPECT_EQ(CountEqual(shown, b), kW * kH / 2) << "half the cells at half the length";
    }
  }
  EXPECT_EQ(CountEqual(shown, b), kW * kH);
  b->Release();
}

TEST_F(PictureTransitionTest, RandomDissolveRevealsTheCountedPixelsAndEveryPixelByTheEnd) {
  const Layout& layout = kLayouts[0];
  VPicture* b = RawPicture(layout, NoiseB);
  VPictureControl* target = MakeTarget(RawPicture(layout, [](int32_t x, int32_t y) {
    return static_cast<uint16_t>(~NoiseB(x, y));
  }));
  VPicture* shown = target->PeekPicture();
  bool ended = false;
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) { ended = ended || code == 44; };
  auto* t = new PictureTransition(17, target, b, true, 1000, {}, 1, true);
  t->SetRandom(true);
  int64_t previous = 0;
  for (uint32_t ms : {7u, 100u, 250u, 251u, 600u, 999u}) {
    PassAt(ms);
    const int64_t k = static_cast<int64_t>(ms / 1000.0 * kW * kH);
    EXPECT_EQ(t->GetRevealedCount(), k) << ms;
    EXPECT_EQ(CountEqual(shown, b), k) << "each counted pixel is a new one, at " << ms;
    EXPECT_GE(k, previous);
    previous = k;
  }
  PassAt(1000);
  EXPECT_TRUE(ended);
  EXPECT_EQ(CountEqual(shown, b), kW * kH);
  b->Release();
}

// Words stored high byte first are read and written as such, also when
// only one side of the fade stores them so.
TEST(FadeKernel, BigEndianWordsOnEitherSide) {
  constexpr int32_t w = 37, h = 5;
  for (const bool sixBit : {true, false}) {
    for (const bool srcBig : {true, false}) {
      for (const bool dstBig : {true, false}) {
        std::vector<uint8_t> src(w * h * 2), dst(w * h * 2, 0xEE);
        for (int32_t i = 0; i < w * h; ++i) {
          const uint16_t word = static_cast<uint16_t>(NoiseA(i, 3) & (sixBit ? 0xFFFF : 0x7FFF));
          src[static_cast<size_t>(2 * i + (srcBig ? 1 : 0))] = static_cast<uint8_t>(word);
          src[static_cast<size_t>(2 * i + (srcBig ? 0 : 1))] = static_cast<uint8_t>(word >> 8);
        }
        WordPixelView s;
        s.top = src.data();
        s.stride = w * 2;
        s.width = w;
        s.height = h;
        s.sixBitGreen = sixBit;
        s.bigEndian = srcBig;
        WordPixelView d = s;
        d.top = dst.data();
        d.bigEndian = dstBig;
        FadePixels(d, s, VRect(0, 0, w, h), 37);
        for (int32_t i = 0; i < w * h; ++i) {
          const uint16_t word = static_cast<uint16_t>(NoiseA(i, 3) & (sixBit ? 0xFFFF : 0x7FFF));
          const uint8_t* p = &dst[static_cast<size_t>(2 * i)];
          const uint16_t got = dstBig ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
          ASSERT_EQ(got, FadeModel(word, 37, sixBit)) << i << " six-bit " << sixBit << " src big " << srcBig;
        }
      }
    }
  }
}

TEST(DissolveKernel, AreasLargerThanTheGeneratorPeriodAreRevealedCompletely) {
  struct Case {
    int32_t width, height;
  };
  for (const Case c : {Case{640, 480}, Case{1024, 600}, Case{1, 1}, Case{3, 700001}}) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const int64_t n = int64_t{c.width} * c.height;
    std::vector<uint16_t> dst(static_cast<size_t>(n), 0), src(static_cast<size_t>(n), 1);
    WordPixelView d;
    d.top = reinterpret_cast<uint8_t*>(dst.data());
    d.stride = int64_t{c.width} * 2;
    d.width = c.width;
    d.height = c.height;
    WordPixelView s = d;
    s.top = reinterpret_cast<uint8_t*>(src.data());
    uint32_t state = 0;
    int64_t revealed = 0;
    const VRect rect(0, 0, c.width, c.height);
    // In four steps, the last one asking for more than there is.
    for (int64_t target : {n / 3, n / 2, n - 1, n + 1000}) {
      DissolvePixels(d, &s, rect, rect, state, revealed, target);
      EXPECT_EQ(revealed, std::min(target, n));
    }
    int64_t ones = 0;
    for (uint16_t v : dst) ones += v;
    EXPECT_EQ(ones, n);
  }
}

TEST_F(PictureTransitionTest, WithoutPictureBlackIsRevealed) {
  const Layout& layout = kLayouts[0];
  VPictureControl* target = MakeTarget(RawPicture(layout, NoiseA));
  VPicture* shown = target->PeekPicture();
  new PictureTransition(5, target, static_cast<VPicture*>(nullptr), true, 100, {}, 1, true);
  PassAt(100);
  int32_t notBlack = 0;
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) notBlack += RawWord(shown, x, y) != 0;
  }
  EXPECT_EQ(notBlack, 0);
}

TEST_F(PictureTransitionTest, TilesAreCutToAPictureSmallerThanTheScreen) {
  const Layout& layout = kLayouts[0];
  VPicture* b = RawPicture(layout, NoiseB);
  VPictureControl* target = MakeTarget(RawPicture(layout, NoiseA));
  VPicture* shown = target->PeekPicture();
  auto* t = new PictureTileTransition(6, target, b, true, 4000, 1, true);
  // Both tables are permutations of the 400 tiles.
  std::vector<int32_t> placement = t->GetPlacement(), order = t->GetOrder();
  std::sort(placement.begin(), placement.end());
  std::sort(order.begin(), order.end());
  for (int32_t i = 0; i < PictureTileTransition::kTiles; ++i) {
    ASSERT_EQ(placement[static_cast<size_t>(i)], i);
    ASSERT_EQ(order[static_cast<size_t>(i)], i);
  }
  for (uint32_t ms = 10; ms <= 4000; ms += 10) PassAt(ms);
  EXPECT_EQ(CountEqual(shown, b), kW * kH);
  b->Release();
}

TEST_F(PictureTransitionTest, TargetDeletedWhileTheTransitionRunsEndsIt) {
  const Layout& layout = kLayouts[0];
  for (int kind = 0; kind < 3; ++kind) {
    VPicture* b = RawPicture(layout, NoiseB);
    VPictureControl* target = MakeTarget(RawPicture(layout, NoiseA));
    bench_.clock().SetTickCount(50000);
    VTransition* t = nullptr;
    if (kind == 0) t = new PictureTransition(8, target, b, true, 1000, {}, 1, true);
    if (kind == 1) t = new PictureFadeTransition(8, target, b, true, 1000, 1, true);
    if (kind == 2) t = new PictureTileTransition(8, target, b, true, 1000, 1, true);
    b->Release();
    const int32_t live = VTransition::GetLiveCount();
    PassAt(300);
    delete target;
    EXPECT_EQ(t->GetObject(), nullptr);
    PassAt(600);  // dropped by the task manager, never stepped on the deleted control
    EXPECT_EQ(VTransition::GetLiveCount(), live - 1) << "kind " << kind;
  }
}

TEST_F(PictureTransitionTest, UnsuitablePicturesLeaveThePixelsButTheTransitionStillEnds) {
  const Layout& layout = kLayouts[0];
  VPicture* b = RawPicture(layout, NoiseB);
  PixelMapAttributes keyed;
  keyed.SetKeyColor(VRGBColor(255, 0, 255));
  b->SetPixelAttributes(keyed);
  VPictureControl* target = MakeTarget(RawPicture(layout, NoiseA));
  VPicture* shown = target->PeekPicture();
  bool ended = false;
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) { ended = ended || code == 44; };
  new PictureTransition(7, target, b, true, 100, {}, 1, true);
  PassAt(50);
  PassAt(100);
  EXPECT_TRUE(ended);
  EXPECT_EQ(CountEqual(shown, b), 0);
  b->Release();
}

}  // namespace
