// Resampling kernels and the scaled transfer: the documented row cases, every
// member against its own 8-bit rule and its transpose, 32-bit fourth bytes,
// bottom-up rasters, selection, clipping, and ImageMagick's box and triangle
// filters as the oracle for shrinking and enlarging.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/graphics/ResamplingKernels.h"
#include "engine/graphics/ScaledTransfer.h"
#include "engine/graphics/VColorTable.h"
#include "GraphicsTestSupport.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"

namespace {

using gfxtest::Palette;
using gfxtest::Raster;

int32_t BytesOf(int32_t depth) { return (depth + 7) / 8; }

// Restores the three mode settings at the end of a test.
struct ScopedScaleModes {
  int32_t shrink = ShrinkScaleMode, enlarge = EnlargeScaleMode, doubling = DoublingScaleMode;
  ~ScopedScaleModes() {
    ShrinkScaleMode = shrink;
    EnlargeScaleMode = enlarge;
    DoublingScaleMode = doubling;
  }
};

// Runs a routine over whole rasters: horizontal members resample each row of
// `src` into `dst` (same height), vertical members each column (same width).
void RunRoutine(ScaleRowRoutine routine, bool vertical, Raster& src, Raster& dst, uint16_t format,
                const ColorTableData* table = nullptr) {
  if (vertical)
    routine(src.First(), src.Step(), src.height, dst.First(), dst.Step(), dst.height, src.width, format, table);
  else
    routine(src.First(), src.Step(), src.width, dst.First(), dst.Step(), dst.width, src.height, format, table);
}

// A one-line 8-bit raster along the pass.
Raster Line8(const std::vector<uint8_t>& v, bool vertical) {
  Raster r(vertical ? 1 : static_cast<int32_t>(v.size()), vertical ? static_cast<int32_t>(v.size()) : 1, 1);
  for (size_t i = 0; i < v.size(); ++i)
    r.Set(vertical ? 0 : static_cast<int32_t>(i), vertical ? static_cast<int32_t>(i) : 0, v[i]);
  return r;
}
std::vector<uint8_t> ReadLine8(Raster& r, bool vertical) {
  std::vector<uint8_t> out;
  const int32_t n = vertical ? r.height : r.width;
  for (int32_t i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(r.Get(vertical ? 0 : i, vertical ? i : 0)));
  return out;
}

// ---- the documented row cases ---------------------------------------------

struct RowCase {
  const char* name;
  ScaleRowRoutine routine;
  bool vertical;
  std::vector<uint8_t> source;
  size_t targetLength;
  std::vector<uint8_t> expected;
};

TEST(ResamplingKernels, DocumentedRowCases) {
  const std::vector<RowCase> cases = {
      {"point shrink 4->2 takes 0 and 2", ScaleHorzMode1DownDepth8, false, {10, 20, 30, 40}, 2, {10, 30}},
      {"point shrink 4->2 vertical", ScaleVertMode1DownDepth8, true, {10, 20, 30, 40}, 2, {10, 30}},
      {"point 1:1 copies", ScaleHorzMode1DownDepth8, false, {1, 2, 3}, 3, {1, 2, 3}},
      {"point enlarge 2->4", ScaleHorzMode1UpDepth8, false, {5, 9}, 4, {5, 5, 9, 9}},
      {"point enlarge 2->4 vertical", ScaleVertMode1UpDepth8, true, {5, 9}, 4, {5, 5, 9, 9}},
      // r = 4: eight samples at half-pixel steps, bias 4.
      {"area 8->2", ScaleHorzMode2Depth8, false, {0, 10, 20, 30, 40, 50, 60, 70}, 2, {15, 55}},
      {"area 8->2 vertical", ScaleVertMode2Depth8, true, {0, 10, 20, 30, 40, 50, 60, 70}, 2, {15, 55}},
      {"area 2->1 rounds up half", ScaleHorzMode2Depth8, false, {0, 1}, 1, {1}},
      {"linear 2->4", ScaleHorzMode3Depth8, false, {0, 255}, 4, {0, 63, 191, 255}},
      {"linear 2->4 vertical", ScaleVertMode3Depth8, true, {0, 255}, 4, {0, 63, 191, 255}},
      // The shift is arithmetic: 255 + (-255 * 64 >> 8) = 255 - 64.
      {"linear 2->4 falling", ScaleHorzMode3Depth8, false, {255, 0}, 4, {255, 191, 63, 0}},
      {"linear 1:1 copies", ScaleHorzMode3Depth8, false, {7, 8, 9}, 3, {7, 8, 9}},
      {"doubling", ScaleHorzMode9Depth8, false, {1, 2, 3}, 6, {1, 1, 2, 2, 3, 3}},
      {"doubling vertical", ScaleVertMode9Depth8, true, {1, 2, 3}, 6, {1, 1, 2, 2, 3, 3}},
      {"doubling odd tail repeats last", ScaleHorzMode9Depth8, false, {1, 2, 3}, 7, {1, 1, 2, 2, 3, 3, 3}},
      {"doubling shorter target", ScaleHorzMode9Depth8, false, {1, 2, 3}, 5, {1, 1, 2, 2, 2}},
      {"doubling with means", ScaleHorzMode10Depth8, false, {10, 20, 30}, 6, {10, 10, 10, 15, 20, 25}},
      {"doubling with means vertical", ScaleVertMode10Depth8, true, {10, 20, 30}, 6, {10, 10, 15, 20, 25, 30}},
      {"means round up", ScaleVertMode10Depth8, true, {10, 21}, 4, {10, 10, 16, 21}},
      {"means odd tail", ScaleVertMode10Depth8, true, {10, 20, 30}, 7, {10, 10, 15, 20, 25, 30, 30}},
      {"means horizontal odd tail", ScaleHorzMode10Depth8, false, {10, 20, 30}, 7, {10, 10, 10, 15, 20, 25, 30}},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.name);
    Raster src = Line8(c.source, c.vertical);
    Raster dst = Line8(std::vector<uint8_t>(c.targetLength, 0xEE), c.vertical);
    RunRoutine(c.routine, c.vertical, src, dst, 11);
    EXPECT_EQ(ReadLine8(dst, c.vertical), c.expected);
  }
}

TEST(ResamplingKernels, EmptyLengthsAndCountsDrawNothing) {
  std::vector<uint8_t> src(8, 5), dst(8, 0xEE);
  for (ScaleRowRoutine r : {ScaleHorzMode1DownDepth8, ScaleHorzMode2Depth8, ScaleHorzMode3Depth8,
                            ScaleHorzMode9Depth8, ScaleVertMode10Depth8}) {
    r(src.data(), 8, 0, dst.data(), 8, 8, 1, 11, nullptr);
    r(src.data(), 8, 8, dst.data(), 8, 0, 1, 11, nullptr);
    r(src.data(), 8, 8, dst.data(), 8, 8, 0, 11, nullptr);
    r(src.data(), 8, -3, dst.data(), 8, 8, 1, 11, nullptr);
  }
  EXPECT_EQ(dst, std::vector<uint8_t>(8, 0xEE));
}

// ---- every member, every depth ----------------------------------------------

// One member per (mode, direction, depth): the routine and the layout it is
// run with. `column` picks the 8-bit member's rule for the per-channel check.
struct Member {
  const char* name;
  ScaleRowRoutine routine;
  bool vertical;
  int32_t depth;
  uint16_t format;
  int32_t mode;  // 1 down, 101 up, 2, 3, 9, 10
};

std::vector<Member> AllMembers() {
  std::vector<Member> m;
  auto add = [&](const char* n, ScaleRowRoutine r, bool v, int32_t d, uint16_t f, int32_t mode) {
    m.push_back({n, r, v, d, f, mode});
  };
#define M(r, v, d, f, mode) add(#r, r, v, d, f, mode)
  M(ScaleHorzMode1DownDepth8, false, 8, 11, 1);
  M(ScaleHorzMode1DownDepth16, false, 15, 0x8003, 1);
  M(ScaleHorzMode1DownDepth16, false, 16, 0x8004, 1);
  M(ScaleHorzMode1DownDepth24, false, 24, 6, 1);
  M(ScaleHorzMode1DownDepth32, false, 32, 8, 1);
  M(ScaleVertMode1DownDepth8, true, 8, 11, 1);
  M(ScaleVertMode1DownDepth16, true, 16, 0x8004, 1);
  M(ScaleVertMode1DownDepth24, true, 24, 5, 1);
  M(ScaleVertMode1DownDepth32, true, 32, 9, 1);
  M(ScaleHorzMode1UpDepth8, false, 8, 11, 101);
  M(ScaleHorzMode1UpDepth16, false, 16, 0x8004, 101);
  M(ScaleHorzMode1UpDepth24, false, 24, 6, 101);
  M(ScaleHorzMode1UpDepth32, false, 32, 8, 101);
  M(ScaleVertMode1UpDepth8, true, 8, 11, 101);
  M(ScaleVertMode1UpDepth16, true, 15, 0x8003, 101);
  M(ScaleVertMode1UpDepth24, true, 24, 6, 101);
  M(ScaleVertMode1UpDepth32, true, 32, 10, 101);
  M(ScaleHorzMode2Depth8, false, 8, 11, 2);
  M(ScaleHorzMode2Depth15, false, 15, 0x8003, 2);
  M(ScaleHorzMode2Depth16, false, 16, 0x8004, 2);
  M(ScaleHorzMode2Depth24, false, 24, 6, 2);
  M(ScaleHorzMode2Depth32, false, 32, 8, 2);
  M(ScaleVertMode2Depth8, true, 8, 11, 2);
  M(ScaleVertMode2Depth15, true, 15, 0x8003, 2);
  M(ScaleVertMode2Depth16, true, 16, 0x8004, 2);
  M(ScaleVertMode2Depth24, true, 24, 5, 2);
  M(ScaleVertMode2Depth32, true, 32, 7, 2);
  M(ScaleHorzMode3Depth8, false, 8, 11, 3);
  M(ScaleHorzMode3Depth15, false, 15, 0x8003, 3);
  M(ScaleHorzMode3Depth16, false, 16, 0x8004, 3);
  M(ScaleHorzMode3Depth24, false, 24, 6, 3);
  M(ScaleHorzMode3Depth32, false, 32, 8, 3);
  M(ScaleVertMode3Depth8, true, 8, 11, 3);
  M(ScaleVertMode3Depth15, true, 15, 0x8003, 3);
  M(ScaleVertMode3Depth16, true, 16, 0x8004, 3);
  M(ScaleVertMode3Depth24, true, 24, 5, 3);
  M(ScaleVertMode3Depth32, true, 32, 10, 3);
  M(ScaleHorzMode9Depth8, false, 8, 2, 9);
  M(ScaleHorzMode9Depth16, false, 16, 0x8004, 9);
  M(ScaleHorzMode9Depth24, false, 24, 6, 9);
  M(ScaleHorzMode9Depth32, false, 32, 8, 9);
  M(ScaleVertMode9Depth8, true, 8, 2, 9);
  M(ScaleVertMode9Depth16, true, 15, 0x8003, 9);
  M(ScaleVertMode9Depth24, true, 24, 5, 9);
  M(ScaleVertMode9Depth32, true, 32, 9, 9);
  M(ScaleHorzMode10Depth8, false, 8, 11, 10);
  M(ScaleHorzMode10Depth15, false, 15, 0x8003, 10);
  M(ScaleHorzMode10Depth16, false, 16, 0x8004, 10);
  M(ScaleHorzMode10Depth24, false, 24, 6, 10);
  M(ScaleHorzMode10Depth32, false, 32, 8, 10);
  M(ScaleVertMode10Depth8, true, 8, 11, 10);
  M(ScaleVertMode10Depth15, true, 15, 0x8003, 10);
  M(ScaleVertMode10Depth16, true, 16, 0x8004, 10);
  M(ScaleVertMode10Depth24, true, 24, 5, 10);
  M(ScaleVertMode10Depth32, true, 32, 10, 10);
#undef M
  return m;
}

// Channel layout of a depth/format: for each channel its shift and width.
struct Channel {
  int32_t shift, bits;
};
std::vector<Channel> Channels(int32_t depth, uint16_t format) {
  switch (depth) {
    case 8: return {{0, 8}};
    case 15: return {{10, 5}, {5, 5}, {0, 5}};
    case 16: return {{11, 5}, {5, 6}, {0, 5}};
    case 24: return {{0, 8}, {8, 8}, {16, 8}};
    default:
      return format == 9 || format == 10 ? std::vector<Channel>{{8, 8}, {16, 8}, {24, 8}}
                                         : std::vector<Channel>{{0, 8}, {8, 8}, {16, 8}};
  }
}
uint32_t FourthByteMask(uint16_t format) { return format == 9 || format == 10 ? 0xFFu : 0xFF000000u; }

// Lengths (source, target) that suit a mode.
std::vector<std::array<int32_t, 2>> LengthsFor(int32_t mode) {
  switch (mode) {
    case 1: return {{7, 7}, {9, 4}, {13, 5}, {40, 3}};
    case 101: return {{3, 7}, {5, 12}, {4, 9}};
    case 2: return {{8, 2}, {9, 4}, {13, 5}, {6, 6}, {40, 3}};
    case 3: return {{2, 4}, {5, 12}, {7, 9}, {6, 6}};
    default: return {{3, 6}, {5, 10}, {4, 9}, {5, 7}};
  }
}

// A pattern that varies along and across the pass in every channel.
uint32_t PatternPixel(int32_t x, int32_t y, int32_t salt) {
  uint32_t v = static_cast<uint32_t>(x * 2654435761u) ^ static_cast<uint32_t>((y + 7) * 40503u) ^
               static_cast<uint32_t>(salt * 97u);
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  v ^= v >> 15;
  return v;
}

// The routines on one channel: each channel of a wide pixel must come out as
// the same member run on that channel alone, with the rule for its width.
// 8-bit channels follow the 8-bit members; 5- and 6-bit fields follow their
// own rounding (checked separately below), so this check covers the members
// whose rule does not depend on the field width: modes 1, 9, 10 and the
// horizontal area average.
bool ChannelRuleIsWidthFree(const Member& m) {
  if (m.depth == 8 || m.depth == 24 || m.depth == 32) return true;
  return m.mode == 1 || m.mode == 101 || m.mode == 9 || m.mode == 10 || (m.mode == 2 && !m.vertical);
}

// The 8-bit member of the same family and direction.
ScaleRowRoutine ByteMember(const Member& m) {
  for (const Member& b : AllMembers())
    if (b.depth == 8 && b.mode == m.mode && b.vertical == m.vertical) return b.routine;
  return nullptr;
}

// Runs a one-channel model of the member on plain values (as 8-bit pixels),
// for fields of `bits` bits: 8-bit values go through the 8-bit member;
// narrower fields are spread over 8 bits only for copy and mean rules, which
// are width-free.
TEST(ResamplingKernels, EveryChannelFollowsTheByteRule) {
  for (const Member& m : AllMembers()) {
    if (m.depth == 8 || !ChannelRuleIsWidthFree(m)) continue;
    // The 32-bit horizontal point enlarge starts its position centred; the
    // 8-bit member does not, so compare it against mode 3's walk below.
    if (m.depth == 32 && m.mode == 101 && !m.vertical) continue;
    ScaleRowRoutine byteRoutine = ByteMember(m);
    ASSERT_NE(byteRoutine, nullptr) << m.name;
    for (const auto& len : LengthsFor(m.mode)) {
      SCOPED_TRACE(std::string(m.name) + " " + std::to_string(len[0]) + "->" + std::to_string(len[1]));
      const int32_t lines = 3;
      const int32_t bytes = BytesOf(m.depth);
      const int32_t sw = m.vertical ? lines : len[0], sh = m.vertical ? len[0] : lines;
      const int32_t tw = m.vertical ? lines : len[1], th = m.vertical ? len[1] : lines;
      Raster src(sw, sh, bytes), dst(tw, th, bytes);
      for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x) src.Set(x, y, PatternPixel(x, y, m.depth));
      for (int32_t y = 0; y < th; ++y)
        for (int32_t x = 0; x < tw; ++x) dst.Set(x, y, PatternPixel(x + 100, y, 5));
      Raster before = dst;
      RunRoutine(m.routine, m.vertical, src, dst, m.format);
      for (const Channel& c : Channels(m.depth, m.format)) {
        const uint32_t mask = (1u << c.bits) - 1;
        Raster s8(sw, sh, 1), d8(tw, th, 1);
        for (int32_t y = 0; y < sh; ++y)
          for (int32_t x = 0; x < sw; ++x) s8.Set(x, y, (src.Get(x, y) >> c.shift) & mask);
        RunRoutine(byteRoutine, m.vertical, s8, d8, 11);
        for (int32_t y = 0; y < th; ++y)
          for (int32_t x = 0; x < tw; ++x)
            ASSERT_EQ((dst.Get(x, y) >> c.shift) & mask, d8.Get(x, y)) << "channel at " << c.shift << " (" << x
                                                                      << "," << y << ")";
      }
      if (m.depth == 32) {
        const uint32_t keep = FourthByteMask(m.format);
        for (int32_t y = 0; y < th; ++y)
          for (int32_t x = 0; x < tw; ++x) ASSERT_EQ(dst.Get(x, y) & keep, before.Get(x, y) & keep);
      }
    }
  }
}

// Horizontal and vertical members agree through a transpose, except where
// their rules differ on purpose (mode 10's two walks, the vertical 15/16-bit
// area average's truncated red and green, the centred 32-bit point enlarge).
TEST(ResamplingKernels, VerticalMembersAreTransposedHorizontalMembers) {
  const std::vector<Member> all = AllMembers();
  for (const Member& h : all) {
    if (h.vertical || h.mode == 10) continue;
    if (h.mode == 2 && (h.depth == 15 || h.depth == 16)) continue;
    if (h.mode == 101 && h.depth == 32) continue;
    const Member* v = nullptr;
    for (const Member& c : all)
      if (c.vertical && c.mode == h.mode && c.depth == h.depth) v = &c;
    if (!v) continue;
    for (const auto& len : LengthsFor(h.mode)) {
      SCOPED_TRACE(std::string(h.name) + " " + std::to_string(len[0]) + "->" + std::to_string(len[1]));
      const int32_t lines = 4, bytes = BytesOf(h.depth);
      Raster hs(len[0], lines, bytes), hd(len[1], lines, bytes);
      Raster vs(lines, len[0], bytes, true), vd(lines, len[1], bytes, true);  // bottom-up as well
      for (int32_t y = 0; y < lines; ++y)
        for (int32_t x = 0; x < len[0]; ++x) {
          hs.Set(x, y, PatternPixel(x, y, 1));
          vs.Set(y, x, PatternPixel(x, y, 1));
        }
      RunRoutine(h.routine, false, hs, hd, h.format);
      RunRoutine(v->routine, true, vs, vd, h.format);
      for (int32_t y = 0; y < lines; ++y)
        for (int32_t x = 0; x < len[1]; ++x) ASSERT_EQ(hd.Get(x, y), vd.Get(y, x)) << x << "," << y;
    }
  }
}

// A bottom-up raster (negative row steps) gives the same picture as a top-down one.
TEST(ResamplingKernels, BottomUpRastersMatchTopDown) {
  for (const Member& m : AllMembers()) {
    const auto len = LengthsFor(m.mode)[1];
    SCOPED_TRACE(m.name);
    const int32_t lines = 3, bytes = BytesOf(m.depth);
    const int32_t sw = m.vertical ? lines : len[0], sh = m.vertical ? len[0] : lines;
    const int32_t tw = m.vertical ? lines : len[1], th = m.vertical ? len[1] : lines;
    Raster s1(sw, sh, bytes), d1(tw, th, bytes), s2(sw, sh, bytes, true), d2(tw, th, bytes, true);
    for (int32_t y = 0; y < sh; ++y)
      for (int32_t x = 0; x < sw; ++x) {
        s1.Set(x, y, PatternPixel(x, y, 3));
        s2.Set(x, y, PatternPixel(x, y, 3));
      }
    RunRoutine(m.routine, m.vertical, s1, d1, m.format);
    RunRoutine(m.routine, m.vertical, s2, d2, m.format);
    for (int32_t y = 0; y < th; ++y)
      for (int32_t x = 0; x < tw; ++x) ASSERT_EQ(d1.Get(x, y), d2.Get(x, y)) << x << "," << y;
  }
}

// ---- 15- and 16-bit rounding --------------------------------------------------

struct WordCase {
  const char* name;
  ScaleRowRoutine routine;
  bool vertical;
  uint16_t format;
  std::vector<uint16_t> source;
  size_t targetLength;
  std::vector<uint16_t> expected;
};

TEST(ResamplingKernels, SixteenBitFieldRounding) {
  // 5-5-5 white 0x7FFF and black; 5-6-5 white 0xFFFF.
  const std::vector<WordCase> cases = {
      // Linear: fraction f = 8 and 24 of 32, each field (a(32-f) + bf + 16) >> 5:
      // 31 * 8 -> 8, 31 * 24 -> 23, 63 * 8 -> 16, 63 * 24 -> 47.
      {"linear 15-bit", ScaleHorzMode3Depth15, false, 0x8003, {0x0000, 0x7FFF}, 4,
       {0x0000, 0x2108, 0x5EF7, 0x7FFF}},
      {"linear 16-bit", ScaleHorzMode3Depth16, false, 0x8004, {0x0000, 0xFFFF}, 4,
       {0x0000, 0x4208, 0xBDF7, 0xFFFF}},
      {"linear 16-bit vertical", ScaleVertMode3Depth16, true, 0x8004, {0x0000, 0xFFFF}, 4,
       {0x0000, 0x4208, 0xBDF7, 0xFFFF}},
      // Area: (1 + 2 + bias 1) >> 1 = 2 in every field horizontally; the
      // vertical members truncate red and green: (1 + 2) >> 1 = 1.
      {"area 15-bit rounds", ScaleHorzMode2Depth15, false, 0x8003, {0x0421, 0x0842}, 1, {0x0842}},
      {"area 16-bit rounds", ScaleHorzMode2Depth16, false, 0x8004, {0x0821, 0x1042}, 1, {0x1042}},
      {"area 15-bit vertical truncates red and green", ScaleVertMode2Depth15, true, 0x8003, {0x0421, 0x0842}, 1,
       {0x0422}},
      {"area 16-bit vertical truncates red and green", ScaleVertMode2Depth16, true, 0x8004, {0x0821, 0x1042}, 1,
       {0x0822}},
      // Means round up per field.
      {"means 15-bit", ScaleVertMode10Depth15, true, 0x8003, {0x0000, 0x0421}, 4, {0x0000, 0x0000, 0x0421, 0x0421}},
      {"means 16-bit", ScaleHorzMode10Depth16, false, 0x8004, {0x0000, 0xFFFF}, 4, {0x0000, 0x0000, 0x0000, 0x8410}},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t n = static_cast<int32_t>(c.source.size()), m = static_cast<int32_t>(c.targetLength);
    Raster src(c.vertical ? 1 : n, c.vertical ? n : 1, 2), dst(c.vertical ? 1 : m, c.vertical ? m : 1, 2);
    for (int32_t i = 0; i < n; ++i) src.Set(c.vertical ? 0 : i, c.vertical ? i : 0, c.source[i]);
    RunRoutine(c.routine, c.vertical, src, dst, c.format);
    std::vector<uint16_t> got;
    for (int32_t i = 0; i < m; ++i) got.push_back(static_cast<uint16_t>(dst.Get(c.vertical ? 0 : i, c.vertical ? i : 0)));
    EXPECT_EQ(got, c.expected);
  }
}

// ---- 8-bit palette members -------------------------------------------------

// The palette members mix the entries' colours with the 24-bit rule and write
// the nearest index of the result; without colours or nearest-index table
// they draw nothing.
TEST(ResamplingKernels, PaletteMembersMixColoursAndWriteTheNearestIndex) {
  Palette pal = Palette::Cube();
  struct PaletteCase {
    ScaleRowRoutine palette, rgb;
    bool vertical;
    int32_t from, to;
  };
  const PaletteCase cases[] = {
      {ScaleHorzMode2Depth8Table, ScaleHorzMode2Depth24, false, 12, 5},
      {ScaleVertMode2Depth8Table, ScaleVertMode2Depth24, true, 16, 4},
      {ScaleHorzMode3Depth8Table, ScaleHorzMode3Depth24, false, 5, 13},
      {ScaleVertMode3Depth8Table, ScaleVertMode3Depth24, true, 4, 11},
  };
  for (const PaletteCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + "->" + std::to_string(c.to));
    const int32_t lines = 3;
    const int32_t sw = c.vertical ? lines : c.from, sh = c.vertical ? c.from : lines;
    const int32_t tw = c.vertical ? lines : c.to, th = c.vertical ? c.to : lines;
    Raster idx(sw, sh, 1), rgb(sw, sh, 3), outIdx(tw, th, 1), outRgb(tw, th, 3);
    for (int32_t y = 0; y < sh; ++y)
      for (int32_t x = 0; x < sw; ++x) {
        const uint8_t i = static_cast<uint8_t>(PatternPixel(x, y, 9));
        const VRGBColor col = pal.colors[i];
        idx.Set(x, y, i);
        rgb.Set(x, y, uint32_t{col.red} | uint32_t{col.green} << 8 | uint32_t{col.blue} << 16);
      }
    RunRoutine(c.palette, c.vertical, idx, outIdx, 2, &pal.data);
    RunRoutine(c.rgb, c.vertical, rgb, outRgb, 5);
    for (int32_t y = 0; y < th; ++y)
      for (int32_t x = 0; x < tw; ++x) {
        // A mixed pixel is the nearest index of the mixed colour; a copied
        // one (at the edges, or 1:1) keeps its index and so its exact colour.
        const uint32_t v = outRgb.Get(x, y);
        const VRGBColor got = pal.colors[outIdx.Get(x, y)];
        const bool exact = got.red == (v & 255) && got.green == ((v >> 8) & 255) && got.blue == ((v >> 16) & 255);
        if (!exact) {
          ASSERT_EQ(outIdx.Get(x, y), pal.nearest[NearestIndexKey(v & 255, (v >> 8) & 255, (v >> 16) & 255)])
              << x << "," << y;
        }
      }
    // Without the nearest-index table, or without any table: untouched.
    ColorTableData noNearest = pal.data;
    noNearest.nearestIndex = nullptr;
    Raster untouched(tw, th, 1);
    std::memset(untouched.data.data(), 0xEE, untouched.data.size());
    RunRoutine(c.palette, c.vertical, idx, untouched, 2, &noNearest);
    RunRoutine(c.palette, c.vertical, idx, untouched, 2, nullptr);
    EXPECT_EQ(untouched.data, std::vector<uint8_t>(untouched.data.size(), 0xEE));
  }
}

// The 8-bit point-sampling enlargers copy indexes, so they run without a table.
TEST(ResamplingKernels, PalettePointEnlargeRunsWithoutTable) {
  Raster src = Line8({3, 200}, false), dst = Line8({0, 0, 0, 0}, false);
  RunRoutine(ScaleHorzMode1UpDepth8, false, src, dst, 2, nullptr);
  EXPECT_EQ(ReadLine8(dst, false), (std::vector<uint8_t>{3, 3, 200, 200}));
  Raster vsrc = Line8({3, 200}, true), vdst = Line8({0, 0, 0, 0}, true);
  RunRoutine(ScaleVertMode1UpDepth8, true, vsrc, vdst, 2, nullptr);
  EXPECT_EQ(ReadLine8(vdst, true), (std::vector<uint8_t>{3, 3, 200, 200}));
}

// Long rows keep their positions exact (no 16.16 overflow) and stay inside the row.
TEST(ResamplingKernels, LongRowsStayInside) {
  const int32_t L = 70000;
  std::vector<uint8_t> src(L);
  for (int32_t i = 0; i < L; ++i) src[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> dst(L + 1, 0xEE);
  ScaleHorzMode3Depth8(src.data(), L, L, dst.data(), L, L, 1, 11, nullptr);
  EXPECT_EQ(0, std::memcmp(src.data(), dst.data(), L));
  ScaleHorzMode1DownDepth8(src.data(), L, L, dst.data(), L, L, 1, 11, nullptr);
  EXPECT_EQ(0, std::memcmp(src.data(), dst.data(), L));
  EXPECT_EQ(dst[L], 0xEE);
  std::vector<uint8_t> small(3, 0);
  ScaleHorzMode2Depth8(src.data(), L, L, small.data(), 3, 3, 1, 11, nullptr);  // r > 65535 / 3 stays in the row
  ScaleHorzMode1DownDepth8(src.data(), L, L, small.data(), 3, 3, 1, 11, nullptr);
  EXPECT_EQ(small[0], src[0]);
}


// ---- selection ---------------------------------------------------------------

TEST(ScaledTransfer, SelectionByRatio) {
  ScopedScaleModes keep;
  struct Case {
    const char* name;
    int32_t shrink, enlarge, doubling;
    int32_t from, to, depth;
    uint16_t format;
    ScaleRowRoutine horizontal, vertical;
  };
  const Case cases[] = {
      {"x2 uses the doubling mode", 2, 3, 10, 100, 200, 16, 0x8004, ScaleHorzMode10Depth16, ScaleVertMode10Depth16},
      {"x2.01 uses the enlarge mode", 2, 3, 10, 100, 201, 16, 0x8004, ScaleHorzMode3Depth16, ScaleVertMode3Depth16},
      {"half uses the shrink mode", 2, 3, 10, 100, 50, 16, 0x8004, ScaleHorzMode2Depth16, ScaleVertMode2Depth16},
      {"1:1 uses the shrink mode", 2, 3, 10, 100, 100, 15, 0x8003, ScaleHorzMode2Depth15, ScaleVertMode2Depth15},
      {"area mode cannot enlarge", 2, 2, 10, 100, 150, 24, 6, nullptr, nullptr},
      {"linear mode cannot shrink", 3, 3, 10, 100, 99, 24, 6, nullptr, nullptr},
      {"linear mode at 1:1", 3, 3, 10, 100, 100, 32, 8, ScaleHorzMode3Depth32, ScaleVertMode3Depth32},
      {"point shrink", 1, 1, 1, 100, 30, 32, 8, ScaleHorzMode1DownDepth32, ScaleVertMode1DownDepth32},
      {"point enlarge", 1, 1, 1, 100, 130, 24, 5, ScaleHorzMode1UpDepth24, ScaleVertMode1UpDepth24},
      {"point doubling enlarges", 1, 1, 1, 100, 200, 15, 0x8003, ScaleHorzMode1UpDepth16, ScaleVertMode1UpDepth16},
      {"doubling mode 9", 2, 3, 9, 10, 20, 24, 6, ScaleHorzMode9Depth24, ScaleVertMode9Depth24},
      {"doubling by linear", 2, 3, 3, 10, 20, 8, 11, ScaleHorzMode3Depth8, ScaleVertMode3Depth8},
      {"palette area", 2, 3, 10, 10, 5, 8, 2, ScaleHorzMode2Depth8Table, ScaleVertMode2Depth8Table},
      {"grey area", 2, 3, 10, 10, 5, 8, 11, ScaleHorzMode2Depth8, ScaleVertMode2Depth8},
      {"palette linear", 2, 3, 10, 10, 15, 8, 2, ScaleHorzMode3Depth8Table, ScaleVertMode3Depth8Table},
      // Averaging indexes means nothing: a palette map doubles by mode 9.
      {"palette doubling with means doubles", 2, 3, 10, 10, 20, 8, 2, ScaleHorzMode9Depth8, ScaleVertMode9Depth8},
      {"grey doubling with means", 2, 3, 10, 10, 20, 8, 11, ScaleHorzMode10Depth8, ScaleVertMode10Depth8},
      {"unknown mode", 7, 3, 10, 10, 5, 16, 0x8004, nullptr, nullptr},
      {"unknown depth", 2, 3, 10, 10, 5, 12, 0, nullptr, nullptr},
      {"empty source", 2, 3, 10, 0, 5, 16, 0x8004, nullptr, nullptr},
      {"empty target", 2, 3, 10, 10, 0, 16, 0x8004, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShrinkScaleMode = c.shrink;
    EnlargeScaleMode = c.enlarge;
    DoublingScaleMode = c.doubling;
    EXPECT_EQ(SelectHorizontalScaleRoutine(c.from, c.to, c.depth, c.format), c.horizontal);
    EXPECT_EQ(SelectVerticalScaleRoutine(c.from, c.to, c.depth, c.format), c.vertical);
  }
}

TEST(ScaledTransfer, DefaultsAndDoublingSetter) {
  ScopedScaleModes keep;
  EXPECT_EQ(ShrinkScaleMode, 2);
  EXPECT_EQ(EnlargeScaleMode, 3);
  EXPECT_EQ(DoublingScaleMode, 10);
  // Only 1, 3, 9 and 10 are stored; the previous value comes back either way.
  const std::array<std::array<int32_t, 3>, 7> steps = {{
      {2, 10, 10}, {9, 10, 9}, {1, 9, 1}, {0, 1, 1}, {3, 1, 3}, {11, 3, 3}, {10, 3, 10}}};
  for (const auto& s : steps) {
    EXPECT_EQ(SetDoublingScaleMode(s[0]), s[1]) << s[0];
    EXPECT_EQ(DoublingScaleMode, s[2]) << s[0];
  }
}

// ---- clipping ----------------------------------------------------------------

TEST(ScaledTransfer, Clipping) {
  struct Case {
    const char* name;
    bool vertical;
    float ratio;
    VRect source, target, expectedSource, expectedTarget;
  };
  const VRect sb(0, 0, 100, 80), tb(0, 0, 200, 80);
  const Case cases[] = {
      // -10 x 2 = -20, + 0.5 truncates to -19.
      {"source left", false, 2.0f, VRect(-10, 0, 50, 10), VRect(0, 0, 120, 10), VRect(0, 0, 50, 10),
       VRect(19, 0, 120, 10)},
      {"source top one to one", false, 2.0f, VRect(0, -5, 50, 10), VRect(0, 0, 100, 15), VRect(0, 0, 50, 10),
       VRect(0, 5, 100, 15)},
      {"target left", false, 2.0f, VRect(0, 0, 50, 10), VRect(-9, 0, 91, 10), VRect(4, 0, 50, 10),
       VRect(0, 0, 91, 10)},
      {"target top", false, 2.0f, VRect(0, 0, 50, 10), VRect(0, -3, 100, 7), VRect(0, 3, 50, 10),
       VRect(0, 0, 100, 7)},
      {"source right", false, 2.0f, VRect(60, 0, 110, 10), VRect(0, 0, 100, 10), VRect(60, 0, 100, 10),
       VRect(0, 0, 80, 10)},
      {"source bottom", false, 2.0f, VRect(0, 70, 50, 90), VRect(0, 0, 100, 20), VRect(0, 70, 50, 80),
       VRect(0, 0, 100, 10)},
      {"target right", false, 2.0f, VRect(0, 0, 50, 10), VRect(150, 0, 250, 10), VRect(0, 0, 25, 10),
       VRect(150, 0, 200, 10)},
      {"target bottom", false, 0.5f, VRect(0, 0, 50, 20), VRect(0, 70, 25, 90), VRect(0, 0, 50, 10),
       VRect(0, 70, 25, 80)},
      {"vertical source top through the ratio", true, 2.0f, VRect(0, -10, 10, 50), VRect(0, 0, 10, 80),
       VRect(0, 0, 10, 50), VRect(0, 19, 10, 80)},
      {"vertical source left one to one", true, 2.0f, VRect(-4, 0, 10, 20), VRect(0, 0, 14, 40),
       VRect(0, 0, 10, 20), VRect(4, 0, 14, 40)},
      {"vertical target bottom", true, 2.0f, VRect(0, 0, 10, 50), VRect(0, 30, 10, 230), VRect(0, 0, 10, 35),
       VRect(0, 30, 10, 200)},
      {"wholly outside", false, 1.0f, VRect(0, 0, 10, 10), VRect(300, 0, 310, 10), VRect(0, 0, -100, 10),
       VRect(300, 0, 200, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VRect s = c.source, t = c.target;
    ClipScaledRects(s, t, c.vertical ? VRect(0, 0, 80, 100) : sb, c.vertical ? VRect(0, 0, 80, 200) : tb,
                    c.vertical, c.ratio);
    EXPECT_EQ(s.left, c.expectedSource.left);
    EXPECT_EQ(s.top, c.expectedSource.top);
    EXPECT_EQ(s.right, c.expectedSource.right);
    EXPECT_EQ(s.bottom, c.expectedSource.bottom);
    EXPECT_EQ(t.left, c.expectedTarget.left);
    EXPECT_EQ(t.top, c.expectedTarget.top);
    EXPECT_EQ(t.right, c.expectedTarget.right);
    EXPECT_EQ(t.bottom, c.expectedTarget.bottom);
  }
}

// ---- passes over rasters -----------------------------------------------------

ScaleRaster Describe(Raster& r, int32_t depth, uint16_t format, const ColorTableData* table = nullptr) {
  ScaleRaster s;
  s.rowZero = r.First();
  s.rowStep = r.Step();
  s.bounds = VRect(0, 0, r.width, r.height);
  s.depth = depth;
  s.pixelFormat = format;
  s.colorTable = table;
  return s;
}

TEST(ScaledTransfer, RasterPassResults) {
  ScopedScaleModes keep;
  Raster a(10, 10, 2), b(20, 10, 2), c(20, 10, 3);
  const ScaleRaster sa = Describe(a, 16, 0x8004), sb = Describe(b, 16, 0x8004), sc = Describe(c, 24, 6);
  const ScaleRaster s15 = Describe(b, 15, 0x8003);
  EXPECT_TRUE(ScaleRasterHorizontally(sa, sb, VRect(0, 0, 10, 10), VRect(0, 0, 20, 10)));
  EXPECT_FALSE(ScaleRasterHorizontally(sa, sc, VRect(0, 0, 10, 10), VRect(0, 0, 20, 10))) << "depths differ";
  EXPECT_FALSE(ScaleRasterHorizontally(sa, s15, VRect(0, 0, 10, 10), VRect(0, 0, 20, 10))) << "formats differ";
  EXPECT_FALSE(ScaleRasterHorizontally(sa, sb, VRect(0, 0, 0, 10), VRect(0, 0, 20, 10))) << "empty source";
  EXPECT_FALSE(ScaleRasterVertically(sa, sb, VRect(0, 0, 10, 10), VRect(0, 5, 20, 5))) << "empty target";
  EnlargeScaleMode = 2;
  EXPECT_FALSE(ScaleRasterHorizontally(sa, sb, VRect(0, 0, 10, 10), VRect(0, 0, 15, 10))) << "no routine";
  // Clipped away entirely: true, nothing drawn.
  std::memset(b.data.data(), 0xEE, b.data.size());
  const std::vector<uint8_t> before = b.data;
  EXPECT_TRUE(ScaleRasterHorizontally(sa, sb, VRect(0, 0, 10, 10), VRect(25, 0, 45, 10)));
  EXPECT_EQ(b.data, before);
}

// A target rectangle with fewer lines than the source gets only its own lines.
TEST(ScaledTransfer, ShorterTargetIsNotOverrun) {
  Raster src(8, 40, 1), dst(16, 4, 1);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 8; ++x) src.Set(x, y, static_cast<uint32_t>(y));
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, 8, 11), Describe(dst, 8, 11), VRect(0, 0, 8, 40),
                                      VRect(0, 2, 16, 4)));
  EXPECT_EQ(dst.Get(0, 2), 0u);
  EXPECT_EQ(dst.Get(15, 3), 1u);
  EXPECT_EQ(dst.Get(0, 0), 0u);
  Raster vsrc(40, 8, 1), vdst(4, 16, 1);
  EXPECT_TRUE(ScaleRasterVertically(Describe(vsrc, 8, 11), Describe(vdst, 8, 11), VRect(0, 0, 40, 8),
                                    VRect(1, 0, 4, 16)));
}

// An 8-bit source without nearest-index table is point sampled whatever the
// settings, and the settings come back afterwards.
TEST(ScaledTransfer, PaletteWithoutNearestTableIsPointSampled) {
  ScopedScaleModes keep;
  Palette pal = Palette::Cube();
  ColorTableData noNearest = pal.data;
  noNearest.nearestIndex = nullptr;
  Raster src(4, 1, 1), dst(2, 1, 1);
  for (int32_t x = 0; x < 4; ++x) src.Set(x, 0, static_cast<uint32_t>(10 + x));
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, 8, 2, &noNearest), Describe(dst, 8, 2, &noNearest),
                                      VRect(0, 0, 4, 1), VRect(0, 0, 2, 1)));
  EXPECT_EQ(dst.Get(0, 0), 10u);
  EXPECT_EQ(dst.Get(1, 0), 12u);
  EXPECT_EQ(ShrinkScaleMode, 2);
  EXPECT_EQ(EnlargeScaleMode, 3);
  EXPECT_EQ(DoublingScaleMode, 10);
  // Enlarged too, without any table.
  Raster up(8, 1, 1);
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, 8, 2), Describe(up, 8, 2), VRect(0, 0, 4, 1),
                                      VRect(0, 0, 8, 1)));
  EXPECT_EQ(up.Get(7, 0), 13u);
  // With the full table the area average applies.
  Raster avg(2, 1, 1);
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, 8, 2, &pal.data), Describe(avg, 8, 2, &pal.data),
                                      VRect(0, 0, 4, 1), VRect(0, 0, 2, 1)));
  const VRGBColor a = pal.colors[10], b = pal.colors[11];
  EXPECT_EQ(avg.Get(0, 0), pal.nearest[NearestIndexKey((a.red + b.red + 1) / 2, (a.green + b.green + 1) / 2,
                                                       (a.blue + b.blue + 1) / 2)]);
}

// A palette picture doubled with the default mode 10 is drawn (by doubling).
TEST(ScaledTransfer, PaletteDoublingDraws) {
  Palette pal = Palette::Cube();
  Raster src(3, 1, 1), dst(6, 1, 1);
  for (int32_t x = 0; x < 3; ++x) src.Set(x, 0, static_cast<uint32_t>(x + 1));
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, 8, 2, &pal.data), Describe(dst, 8, 2, &pal.data),
                                      VRect(0, 0, 3, 1), VRect(0, 0, 6, 1)));
  EXPECT_EQ(ReadLine8(dst, false), (std::vector<uint8_t>{1, 1, 2, 2, 3, 3}));
}

// Scaling into a part of a larger map, with clipping on both sides, touches
// nothing outside the clipped target.
TEST(ScaledTransfer, ClippedPassStaysInsideTheTarget) {
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Raster src(30, 30, 4, true), dst(40, 40, 4);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 30; ++x) src.Set(x, y, 0x00102030u + static_cast<uint32_t>(x + y));
    std::memset(dst.data.data(), 0xEE, dst.data.size());
    const VRect sr = vertical ? VRect(5, -6, 15, 24) : VRect(-6, 5, 24, 15);
    const VRect tr = vertical ? VRect(30, -10, 40, 50) : VRect(-10, 30, 50, 40);
    EXPECT_TRUE(vertical ? ScaleRasterVertically(Describe(src, 32, 8), Describe(dst, 32, 8), sr, tr)
                         : ScaleRasterHorizontally(Describe(src, 32, 8), Describe(dst, 32, 8), sr, tr));
    for (int32_t y = 0; y < 40; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        const bool inside = vertical ? x >= 30 : y >= 30;
        if (!inside) ASSERT_EQ(dst.Get(x, y), 0xEEEEEEEEu) << x << "," << y;
        else ASSERT_EQ(dst.Get(x, y) >> 24, 0xEEu) << "fourth byte kept";
      }
  }
}

// ---- ImageMagick as the oracle ---------------------------------------------

struct Rgb {
  int32_t w = 0, h = 0;
  std::vector<uint8_t> p;  // r, g, b
  uint8_t& At(int32_t x, int32_t y, int32_t c) { return p[(static_cast<size_t>(y) * w + x) * 3 + c]; }
};

bool WritePpm(const std::string& file, const Rgb& img) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << img.w << " " << img.h << "\n255\n";
  out.write(reinterpret_cast<const char*>(img.p.data()), static_cast<std::streamsize>(img.p.size()));
  return static_cast<bool>(out);
}

bool ReadPpm(const std::string& file, Rgb& img) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int32_t maxval = 0;
  in >> magic >> img.w >> img.h >> maxval;
  in.get();
  if (!in || magic != "P6" || maxval != 255 || img.w <= 0 || img.h <= 0) return false;
  img.p.resize(static_cast<size_t>(img.w) * img.h * 3);
  in.read(reinterpret_cast<char*>(img.p.data()), static_cast<std::streamsize>(img.p.size()));
  return static_cast<bool>(in);
}

// ImageMagick's resize of the image with a filter, exactly to w x h.
bool MagickResize(const std::string& convert, const Rgb& in, const char* filter, int32_t w, int32_t h, Rgb& out) {
  const testsupport::TempDir dir("scaling-test-");
  if (dir.Path().empty()) return false;
  const std::string src = dir.Path("in.ppm"), dst = dir.Path("out.ppm");
  std::ostringstream cmd;
  cmd << convert << " " << src << " -filter " << filter << " -resize " << w << "x" << h << "! " << dst;
  return WritePpm(src, in) && std::system(cmd.str().c_str()) == 0 && ReadPpm(dst, out) && out.w == w && out.h == h;
}

// A smooth test picture with a little texture.
Rgb TestPicture(int32_t w, int32_t h) {
  Rgb img;
  img.w = w;
  img.h = h;
  img.p.resize(static_cast<size_t>(w) * h * 3);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      img.At(x, y, 0) = static_cast<uint8_t>(128 + 110 * std::sin(x / 6.0 + y / 23.0));
      img.At(x, y, 1) = static_cast<uint8_t>(128 + 110 * std::cos(y / 5.0 - x / 17.0));
      img.At(x, y, 2) = static_cast<uint8_t>((x * 255) / (w - 1) / 2 + (y * 255) / (h - 1) / 2);
    }
  return img;
}

// Pixel packing of the depths under test, and the tolerance unit of each
// channel: 8-bit values, or 5- and 6-bit fields.
struct Layout {
  const char* name;
  int32_t depth;
  uint16_t format;
};
const Layout kLayouts[] = {{"24 RGB", 24, 5}, {"24 BGR", 24, 6}, {"32 BGRX", 32, 8}, {"32 XRGB", 32, 9},
                           {"15", 15, 0x8003}, {"16", 16, 0x8004}, {"8 grey", 8, 11}};

int32_t FieldBits(const Layout& l, int32_t c) {
  if (l.depth == 15) return 5;
  if (l.depth == 16) return c == 1 ? 6 : 5;
  return 8;
}
uint32_t Pack(const Layout& l, uint32_t r, uint32_t g, uint32_t b) {
  switch (l.depth) {
    case 8: return r;
    case 15: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case 16: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case 24: return l.format == 5 ? (r | g << 8 | b << 16) : (b | g << 8 | r << 16);
    default: return l.format == 9 ? (r << 8 | g << 16 | b << 24) : (b | g << 8 | r << 16);
  }
}
// The channel c (0 red, 1 green, 2 blue) of a pixel as a field value.
uint32_t Field(const Layout& l, uint32_t v, int32_t c) {
  switch (l.depth) {
    case 8: return v & 255;
    case 15: return (v >> (10 - 5 * c)) & 31;
    case 16: return c == 0 ? (v >> 11) & 31 : c == 1 ? (v >> 5) & 63 : v & 31;
    case 24: return (v >> (8 * (l.format == 5 ? c : 2 - c))) & 255;
    default: return (v >> (l.format == 9 ? 8 * (c + 1) : 8 * (2 - c))) & 255;
  }
}
// The picture as the layout holds it, and back as 8-bit RGB (fields widened
// exactly, so that ImageMagick sees what our routines see).
Rgb Quantize(const Layout& l, const Rgb& in) {
  Rgb out = in;
  for (int32_t y = 0; y < in.h; ++y)
    for (int32_t x = 0; x < in.w; ++x) {
      Rgb& o = out;
      const uint32_t v = Pack(l, o.At(x, y, 0), o.At(x, y, 1), o.At(x, y, 2));
      // An 8-bit layout carries the red channel (compared with ImageMagick's
      // red: a picture that looks grey would be filtered as linear grey there).
      for (int32_t c = 0; c < (l.depth == 8 ? 1 : 3); ++c) {
        const int32_t bits = FieldBits(l, c);
        const uint32_t f = Field(l, v, c);
        o.At(x, y, c) = static_cast<uint8_t>((f * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
      }
    }
  return out;
}

// Both passes through an intermediate raster, as a picture is drawn scaled.
Raster ScaleTwoPass(const Layout& l, const Rgb& in, int32_t w, int32_t h) {
  const int32_t bytes = BytesOf(l.depth);
  Raster src(in.w, in.h, bytes, true), mid(w, in.h, bytes), dst(w, h, bytes, true);
  for (int32_t y = 0; y < in.h; ++y)
    for (int32_t x = 0; x < in.w; ++x) {
      Rgb& i = const_cast<Rgb&>(in);
      src.Set(x, y, Pack(l, i.At(x, y, 0), i.At(x, y, 1), i.At(x, y, 2)));
    }
  EXPECT_TRUE(ScaleRasterHorizontally(Describe(src, l.depth, l.format), Describe(mid, l.depth, l.format),
                                      VRect(0, 0, in.w, in.h), VRect(0, 0, w, in.h)));
  EXPECT_TRUE(ScaleRasterVertically(Describe(mid, l.depth, l.format), Describe(dst, l.depth, l.format),
                                    VRect(0, 0, w, in.h), VRect(0, 0, w, h)));
  return dst;
}

// The largest difference between our picture and ImageMagick's, in units of
// the layout's own fields (8-bit values, or 5- and 6-bit fields).
int32_t WorstFieldDifference(const Layout& l, Raster& ours, Rgb& magick) {
  int32_t worst = 0;
  for (int32_t y = 0; y < magick.h; ++y)
    for (int32_t x = 0; x < magick.w; ++x)
      for (int32_t c = 0; c < (l.depth == 8 ? 1 : 3); ++c) {
        const int32_t bits = FieldBits(l, c);
        const int32_t top = (1 << bits) - 1;
        // ImageMagick's value in field units, rounded.
        const int32_t theirs = (magick.At(x, y, c) * top + 127) / 255;
        const int32_t mine = static_cast<int32_t>(Field(l, ours.Get(x, y), c));
        worst = std::max(worst, std::abs(theirs - mine));
      }
  return worst;
}

struct OracleCase {
  const char* name;
  const char* filter;
  int32_t fromW, fromH, toW, toH;
  int32_t doublingMode;  // the doubling setting for the run
  int32_t tolerance;     // in field units
};

// Shrinking with the area average is ImageMagick's box filter at power-of-two
// ratios (1 unit of rounding per pass); enlarging with linear interpolation
// is its triangle filter (1 unit from the 8-bit weights, 1 from rounding).
TEST(ScaledTransfer, MatchesImageMagick) {
  REQUIRE_TOOL(convert, "convert");
  ScopedScaleModes keep;
  const OracleCase cases[] = {
      {"box 1/2", "box", 96, 72, 48, 36, 10, 1},
      {"box 1/4", "box", 96, 72, 24, 18, 10, 1},
      {"box 1/2 by 1/4", "box", 96, 72, 48, 18, 10, 1},
      {"triangle x2.5", "triangle", 40, 30, 100, 75, 10, 2},
      {"triangle x1.6", "triangle", 50, 40, 80, 64, 10, 2},
      {"triangle x2 (doubling by linear)", "triangle", 48, 36, 96, 72, 3, 2},
  };
  for (const OracleCase& c : cases) {
    DoublingScaleMode = c.doublingMode;
    const Rgb picture = TestPicture(c.fromW, c.fromH);
    for (const Layout& l : kLayouts) {
      SCOPED_TRACE(std::string(c.name) + " at " + l.name);
      Rgb in = Quantize(l, picture);
      Rgb magick;
      ASSERT_TRUE(MagickResize(convert, in, c.filter, c.toW, c.toH, magick));
      Raster ours = ScaleTwoPass(l, in, c.toW, c.toH);
      EXPECT_LE(WorstFieldDifference(l, ours, magick), c.tolerance);
    }
  }
}


// ---- passes over pixel maps ----------------------------------------------------

// A plain-memory map filled with the pattern; bottom-up addressing when asked.
std::unique_ptr<PixelMap> MakeMap(int32_t w, int32_t h, int32_t depth, int32_t format, VColorTable* table,
                                  bool bottomUp, int32_t salt) {
  auto map = std::make_unique<PixelMap>(VRect(0, 0, w, h), depth, table, nullptr, nullptr,
                                        PixelMap::kStorageMemory, format, 0);
  map->SetDibSection(bottomUp);
  const int32_t bytes = BytesOf(depth);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = salt ? PatternPixel(x, y, salt) : 0xEEEEEEEEu;
      if (uint8_t* p = map->GetPixelAddress(VPoint(x, y))) std::memcpy(p, &v, static_cast<size_t>(bytes));
    }
  return map;
}
uint32_t MapPixel(PixelMap& map, int32_t x, int32_t y) {
  uint32_t v = 0;
  std::memcpy(&v, map.GetPixelAddress(VPoint(x, y)), static_cast<size_t>(BytesOf(map.GetDepth())));
  return v;
}

// Both passes on maps (bottom-up source and target, top-down intermediate)
// give the picture the same passes give on plain rasters.
TEST(ScaleImage, TwoPassesOnMapsMatchRasters) {
  ScopedScaleModes keep;
  struct Case {
    int32_t depth, format, w, h, toW, toH;
  };
  const Case cases[] = {{16, 0x8004, 12, 9, 24, 18}, {24, 6, 16, 12, 7, 5}, {32, 8, 10, 10, 23, 14},
                        {15, 0x8003, 20, 6, 10, 13}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    auto src = MakeMap(c.w, c.h, c.depth, c.format, nullptr, true, 4);
    auto mid = MakeMap(c.toW, c.h, c.depth, c.format, nullptr, false, 0);
    auto dst = MakeMap(c.toW, c.toH, c.depth, c.format, nullptr, true, 0);
    ASSERT_TRUE(src->GetPixels() && mid->GetPixels() && dst->GetPixels());
    EXPECT_TRUE(ScaleImageHorizontally(*src, *mid, VRect(0, 0, c.w, c.h), VRect(0, 0, c.toW, c.h)));
    EXPECT_TRUE(ScaleImageVertically(*mid, *dst, VRect(0, 0, c.toW, c.h), VRect(0, 0, c.toW, c.toH)));
    EXPECT_EQ(src->GetLockCount(), 0);
    EXPECT_EQ(dst->GetLockCount(), 0);

    const int32_t bytes = BytesOf(c.depth);
    Raster rs(c.w, c.h, bytes), rm(c.toW, c.h, bytes), rd(c.toW, c.toH, bytes);
    std::memset(rm.data.data(), 0xEE, rm.data.size());
    std::memset(rd.data.data(), 0xEE, rd.data.size());
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x) rs.Set(x, y, PatternPixel(x, y, 4));
    const uint16_t f = static_cast<uint16_t>(c.format);
    EXPECT_TRUE(ScaleRasterHorizontally(Describe(rs, c.depth, f), Describe(rm, c.depth, f), VRect(0, 0, c.w, c.h),
                                        VRect(0, 0, c.toW, c.h)));
    EXPECT_TRUE(ScaleRasterVertically(Describe(rm, c.depth, f), Describe(rd, c.depth, f),
                                      VRect(0, 0, c.toW, c.h), VRect(0, 0, c.toW, c.toH)));
    for (int32_t y = 0; y < c.toH; ++y)
      for (int32_t x = 0; x < c.toW; ++x) ASSERT_EQ(MapPixel(*dst, x, y), rd.Get(x, y)) << x << "," << y;
  }
}

TEST(ScaleImage, Refusals) {
  ScopedScaleModes keep;
  auto a16 = MakeMap(8, 8, 16, 0x8004, nullptr, false, 1);
  auto b16 = MakeMap(16, 8, 16, 0x8004, nullptr, false, 0);
  auto c24 = MakeMap(16, 8, 24, 6, nullptr, false, 0);
  const VRect all(0, 0, 8, 8), wide(0, 0, 16, 8);
  EXPECT_FALSE(ScaleImageHorizontally(*a16, *c24, all, wide)) << "formats differ";
  EXPECT_FALSE(ScaleImageHorizontally(*a16, *b16, VRect(0, 0, 0, 8), wide)) << "empty source";
  EXPECT_FALSE(ScaleImageVertically(*a16, *b16, all, VRect(0, 8, 16, 8))) << "empty target";
  EnlargeScaleMode = 2;
  EXPECT_FALSE(ScaleImageHorizontally(*a16, *b16, all, VRect(0, 0, 12, 8))) << "area average cannot enlarge";
  // Clipped away: true, and the target keeps its pixels.
  EXPECT_TRUE(ScaleImageHorizontally(*a16, *b16, all, VRect(20, 0, 36, 8)));
  EXPECT_EQ(MapPixel(*b16, 0, 0), 0xEEEEu);
  // A map without storage cannot be drawn into.
  PixelMap empty(PixelMap::kStorageMemory);
  EXPECT_FALSE(ScaleImageHorizontally(*a16, empty, all, wide));
}

// 8-bit maps must share their colour table; without a nearest-index table
// the picture is point sampled, with one it is averaged.
TEST(ScaleImage, PaletteMaps) {
  ScopedScaleModes keep;
  Palette pal = Palette::Cube();
  std::vector<uint8_t> rgb;
  for (const VRGBColor& c : pal.colors) rgb.insert(rgb.end(), {c.red, c.green, c.blue});
  VMediaRef<VColorTable> table(new VColorTable(rgb.data(), 256, 0));
  VMediaRef<VColorTable> other(new VColorTable(rgb.data(), 256, 0));
  auto src = MakeMap(4, 1, 8, 2, table.get(), false, 0);
  for (int32_t x = 0; x < 4; ++x) *src->GetPixelAddress(VPoint(x, 0)) = static_cast<uint8_t>(10 + x);
  auto dst = MakeMap(2, 1, 8, 2, table.get(), false, 0);
  auto foreign = MakeMap(2, 1, 8, 2, other.get(), false, 0);
  const VRect from(0, 0, 4, 1), to(0, 0, 2, 1);
  EXPECT_FALSE(ScaleImageHorizontally(*src, *foreign, from, to)) << "different colour tables";

  if (!table->GetInverseTable()) {
    EXPECT_TRUE(ScaleImageHorizontally(*src, *dst, from, to));
    EXPECT_EQ(MapPixel(*dst, 0, 0), 10u);
    EXPECT_EQ(MapPixel(*dst, 1, 0), 12u);
    EXPECT_EQ(ShrinkScaleMode, 2);
  }
  table->BuildInverseTable();
  ASSERT_NE(table->GetInverseTable(), nullptr);
  EXPECT_TRUE(ScaleImageHorizontally(*src, *dst, from, to));
  const VRGBColor a = pal.colors[10], b = pal.colors[11];
  EXPECT_EQ(MapPixel(*dst, 0, 0), table->GetInverseTable()[NearestIndexKey(
                                      (a.red + b.red + 1) / 2, (a.green + b.green + 1) / 2, (a.blue + b.blue + 1) / 2)]);
}

}  // namespace
