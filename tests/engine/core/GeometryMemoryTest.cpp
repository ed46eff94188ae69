#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/core/Memory.h"
#include "engine/core/VGeometry.h"

namespace {

TEST(VRect, StoresTopLeftBottomRight) {
  VRect r(10, 20, 30, 60);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 60);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.GetWidth(), 20);
  EXPECT_EQ(r.GetHeight(), 40);
  EXPECT_EQ(r.GetArea(), 800);
}

TEST(VRect, AreaAndEmptiness) {
  struct Case { VRect r; int32_t area; bool empty; };
  const Case cases[] = {
      {VRect(10, 0, 5, 10), 0, true},    // right < left
      {VRect(5, 0, 5, 10), 0, true},     // right == left
      {VRect(0, 10, 5, 10), 0, true},    // bottom == top
      {VRect(0, 0, 1, 1), 1, false},
      {VRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), INT_MAX, false},  // saturates, no overflow
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.r.GetArea(), c.area);
    EXPECT_EQ(c.r.IsEmpty(), c.empty);
    EXPECT_EQ(c.r.IsNonEmpty(), !c.empty);
  }
}

TEST(VRect, IntersectAndUnion) {
  VRect out;
  EXPECT_FALSE(VRect(0, 0, 10, 10).Intersect(VRect(10, 0, 20, 10), out));  // touching edges
  EXPECT_TRUE(out.IsEmpty());
  VRect a(0, 0, 10, 10);
  EXPECT_TRUE(a.Intersect(VRect(5, 2, 20, 8), a));  // out aliases an operand
  EXPECT_EQ(a, VRect(5, 2, 10, 8));

  VRect e;
  e.Union(VRect(0, 0, 5, 5));
  EXPECT_EQ(e, VRect(0, 0, 5, 5));
  e.Union(VRect(100, 100, 100, 120));  // empty other changes nothing
  EXPECT_EQ(e, VRect(0, 0, 5, 5));
  e.Union(VRect(-3, 2, 4, 9));
  EXPECT_EQ(e, VRect(-3, 0, 5, 9));
}

TEST(VRect, MovesAndMirrors) {
  VRect r(0, 10, 5, 20);
  r.MirrorVertically(VRect(0, 0, 50, 100));
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.bottom, 90);
  r.MoveTo(7, 3);
  EXPECT_EQ(r, VRect(7, 3, 12, 13));
  r.Offset(VPoint(-7, -3));
  EXPECT_EQ(r, VRect(0, 0, 5, 10));
  r.Offset(1, 1);
  r.MoveToOrigin();
  EXPECT_EQ(r, VRect(0, 0, 5, 10));
  r.SetWidth(3);
  r.SetHeight(4);
  EXPECT_EQ(r, VRect(0, 0, 3, 4));
  EXPECT_TRUE(r.ContainsPointInclusive(VPoint(3, 4)));
  EXPECT_FALSE(r.ContainsPoint(VPoint(3, 4)));
}

TEST(Memory, AllocationEdges) {
  EXPECT_EQ(AllocateMemory(0), nullptr);
  EXPECT_EQ(AllocateMemory(-5), nullptr);
  FreeMemory(nullptr);

  void* holder = AllocateMemory(8);
  std::memcpy(holder, "abcdefgh", 8);
  ASSERT_NE(ReallocateMemory(&holder, 8, 16), nullptr);
  EXPECT_EQ(std::memcmp(holder, "abcdefgh", 8), 0);
  ASSERT_NE(ReallocateMemory(&holder, 16, 4), nullptr);
  EXPECT_EQ(std::memcmp(holder, "abcd", 4), 0);
  EXPECT_EQ(ReallocateMemory(&holder, 4, 0), nullptr);
  EXPECT_EQ(holder, nullptr);
  ASSERT_NE(ReallocateMemory(&holder, 0, 3), nullptr);  // empty holder allocates
  FreeMemory(holder);
}

TEST(Memory, CopyHandlesAlignmentAndOverlap) {
  std::vector<uint8_t> src(32);
  std::iota(src.begin(), src.end(), 1);
  std::vector<uint8_t> dst(32, 0);
  CopyMemoryBlock(src.data() + 1, dst.data(), 7);  // odd source, 7 bytes
  EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + 7, src.begin() + 1));
  EXPECT_EQ(dst[7], 0);

  // Overlapping forward shift inside one buffer keeps the data intact.
  std::vector<uint8_t> buf = src;
  CopyMemoryBlock(buf.data(), buf.data() + 3, 20);
  EXPECT_TRUE(std::equal(buf.begin() + 3, buf.begin() + 23, src.begin()));

  CopyMemoryBlock(src.data(), dst.data(), -1);  // nothing happens
  CopyMemoryBlock(nullptr, dst.data(), 4);
}

TEST(Memory, SwapBytes16AtAnyAlignment) {
  uint8_t buf[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  SwapBytes16(buf + 1, 4);
  const uint8_t expected[9] = {0, 2, 1, 4, 3, 6, 5, 8, 7};
  EXPECT_EQ(std::memcmp(buf, expected, 9), 0);
  SwapBytes16(buf, 0);
  EXPECT_EQ(std::memcmp(buf, expected, 9), 0);
}

TEST(VByteBuffer, GrowsAndNeverShrinks) {
  VByteBuffer b(0);
  EXPECT_EQ(b.GetData(), nullptr);
  ASSERT_TRUE(b.Ensure(100));
  std::memset(b.GetData(), 0x5A, 100);
  ASSERT_TRUE(b.Ensure(10));
  EXPECT_EQ(b.GetCapacity(), 100);
  ASSERT_TRUE(b.Ensure(1000));
  EXPECT_EQ(b.GetCapacity(), 1000);
  EXPECT_EQ(b.GetData()[99], 0x5A);
}

}  // namespace
