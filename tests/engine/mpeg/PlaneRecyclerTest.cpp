// Reuse of released plane storage: what is handed back and when, the bounds,
// and that pictures made on reused storage start as fresh ones do.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/mpeg/PlaneRecycler.h"
#include "engine/mpeg/VYCbCrPicture.h"

namespace {

class PlaneRecyclerTest : public ::testing::Test {
 protected:
  void SetUp() override { recycler.Clear(); }
  void TearDown() override { recycler.Clear(); }
  PlaneRecycler& recycler = PlaneRecycler::Get();
};

TEST_F(PlaneRecyclerTest, HandsBackKeptStorageOnlyForSimilarSizes) {
  std::vector<uint8_t> plane(1000);
  const uint8_t* storage = plane.data();
  recycler.Give(plane);
  EXPECT_TRUE(plane.empty());
  EXPECT_EQ(recycler.GetKeptCount(), 1u);
  EXPECT_GE(recycler.GetKeptBytes(), 1000u);
  // Larger than kept, or less than half of it: nothing.
  EXPECT_EQ(recycler.Take(1001).capacity(), 0u);
  EXPECT_EQ(recycler.Take(400).capacity(), 0u);
  std::vector<uint8_t> again = recycler.Take(600);
  EXPECT_EQ(again.data(), storage);
  EXPECT_GE(again.capacity(), 1000u);
  EXPECT_EQ(recycler.GetKeptCount(), 0u);
  EXPECT_EQ(recycler.GetKeptBytes(), 0u);
  // Empty storage is not kept.
  std::vector<uint8_t> none;
  recycler.Give(none);
  EXPECT_EQ(recycler.GetKeptCount(), 0u);
}

TEST_F(PlaneRecyclerTest, PrefersTheSmallestFitAndStaysWithinItsBounds) {
  std::vector<uint8_t> big(3000), small(2000);
  const uint8_t* smallStorage = small.data();
  recycler.Give(big);
  recycler.Give(small);
  EXPECT_EQ(recycler.Take(1800).data(), smallStorage);
  recycler.Clear();

  for (size_t i = 0; i < PlaneRecycler::kMaxCount + 5; ++i) {
    std::vector<uint8_t> plane(100);
    recycler.Give(plane);
  }
  EXPECT_EQ(recycler.GetKeptCount(), PlaneRecycler::kMaxCount);
  // Past the byte bound the oldest go first; more than the bound is never kept.
  const size_t third = PlaneRecycler::kMaxBytes / 3 + 1;
  for (int i = 0; i < 4; ++i) {
    std::vector<uint8_t> plane(third);
    recycler.Give(plane);
    EXPECT_LE(recycler.GetKeptBytes(), PlaneRecycler::kMaxBytes);
  }
  EXPECT_EQ(recycler.GetKeptCount(), 2u);
  std::vector<uint8_t> huge(PlaneRecycler::kMaxBytes + 1);
  recycler.Give(huge);
  EXPECT_EQ(recycler.GetKeptCount(), 2u);
}

// Planes on storage a released picture wrote all over start black (luma 0,
// chroma 128), as on fresh storage.
TEST_F(PlaneRecyclerTest, PicturesOnReusedStorageStartAsFreshOnes) {
  for (const int chromaFormat : {1, 2}) {
    recycler.Clear();
    const uint8_t* reused = nullptr;
    {
      VYCbCrPicture first(4, 3, chromaFormat, nullptr);
      const size_t luma = size_t(first.GetLumaWidth()) * first.GetLumaHeight();
      const size_t chroma = size_t(first.GetChromaWidth()) * first.GetChromaHeight();
      std::fill(first.Y(), first.Y() + luma, uint8_t{77});
      std::fill(first.Cb(), first.Cb() + chroma, uint8_t{5});
      std::fill(first.Cr(), first.Cr() + chroma, uint8_t{250});
      reused = first.Y();
    }
    EXPECT_EQ(recycler.GetKeptCount(), 3u);
    VYCbCrPicture second(4, 3, chromaFormat, nullptr);
    EXPECT_EQ(second.Y(), reused);
    const size_t luma = size_t(second.GetLumaWidth()) * second.GetLumaHeight();
    const size_t chroma = size_t(second.GetChromaWidth()) * second.GetChromaHeight();
    EXPECT_TRUE(std::all_of(second.Y(), second.Y() + luma, [](uint8_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(second.Cb(), second.Cb() + chroma, [](uint8_t v) { return v == 128; }));
    EXPECT_TRUE(std::all_of(second.Cr(), second.Cr() + chroma, [](uint8_t v) { return v == 128; }));
  }
}

}  // namespace
