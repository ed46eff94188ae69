// Broken video streams end a slice or a picture cleanly: no write outside
// the planes (the sanitizers watch), no hang, the rest of the stream decodes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VMPVDecoder.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "engine/mpeg/BitWriter.h"

namespace {

using mpegtest::BitWriter;

void SequenceHeader(BitWriter& w, int width, int height) {
  w.StartCode(0xB3);
  w.Put(static_cast<uint32_t>(width), 12);
  w.Put(static_cast<uint32_t>(height), 12);
  w.Put(1, 4);        // square samples
  w.Put(3, 4);        // 25 frames per second
  w.Put(0x3FFFF, 18);  // variable bit rate
  w.Put(1, 1);
  w.Put(20, 10);
  w.Put(0, 1);
  w.Put(0, 1);  // default intra matrix
  w.Put(0, 1);  // default non-intra matrix
}

void PictureHeader(BitWriter& w, int type) {
  w.StartCode(0x00);
  w.Put(0, 10);
  w.Put(static_cast<uint32_t>(type), 3);
  w.Put(0xFFFF, 16);
  if (type == 2) w.Put("0001");  // forward f_code 1
  w.Put(0, 1);
}

// One intra macroblock of flat grey blocks (DC differential 0, end of block).
void FlatIntraMacroblock(BitWriter& w, const char* increment = "1") {
  w.Put(increment);
  w.Put("1");  // intra
  for (int b = 0; b < 4; ++b) w.Put("100"), w.Put("10");
  for (int b = 0; b < 2; ++b) w.Put("00"), w.Put("10");
}

// An I picture of flat macroblocks, one slice per row.
void FlatIntraPicture(BitWriter& w, int mbWidth, int mbHeight) {
  PictureHeader(w, 1);
  for (int row = 0; row < mbHeight; ++row) {
    w.StartCode(static_cast<uint8_t>(row + 1));
    w.Put(8, 5);
    w.Put(0, 1);
    for (int col = 0; col < mbWidth; ++col) FlatIntraMacroblock(w);
  }
}

class MemoryBitstream : public VBitstream {
 public:
  MemoryBitstream(std::vector<uint8_t> data, size_t chunk = 1 << 20)
      : VBitstream(nullptr, 64, true), data_(std::move(data)), chunk_(chunk) {}

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    const size_t n = std::min({static_cast<size_t>(count), chunk_, data_.size() - position_});
    std::copy_n(data_.begin() + static_cast<ptrdiff_t>(position_), n, destination);
    position_ += n;
    return static_cast<int32_t>(n);
  }

 private:
  std::vector<uint8_t> data_;
  size_t chunk_;
  size_t position_ = 0;
};

struct Result {
  std::vector<std::pair<int, int>> sizes;
  std::vector<uint8_t> firstLuma;
  int pictureErrors = 0;
  int sliceErrors = 0;
};

Result Decode(const std::vector<uint8_t>& bytes, size_t chunk = 1 << 20) {
  MemoryBitstream bs(bytes, chunk);
  VideoStreamDecoder decoder(bs);
  Result r;
  if (!decoder.Start()) return r;
  while (auto p = decoder.Next()) {
    r.sizes.emplace_back(p->width, p->height);
    if (r.firstLuma.empty()) r.firstLuma.assign(p->Y(), p->Y() + p->GetLumaWidth() * p->GetLumaHeight());
  }
  r.pictureErrors = decoder.GetPictureErrorCount();
  r.sliceErrors = decoder.GetDecoder().GetSliceErrorCount();
  return r;
}

TEST(BadStreamTest, AHandMadeFlatPictureDecodesToMidGrey) {
  BitWriter w;
  SequenceHeader(w, 32, 16);
  FlatIntraPicture(w, 2, 1);
  w.StartCode(0xB7);
  const Result r = Decode(w.Bytes());
  ASSERT_EQ(r.sizes.size(), 1u);
  EXPECT_EQ(r.sliceErrors, 0);
  for (uint8_t v : r.firstLuma) ASSERT_EQ(v, 128);
}

// Each broken slice is abandoned; the picture and the next one still come.
TEST(BadStreamTest, BrokenSlicesEndCleanly) {
  struct Case {
    const char* name;
    void (*macroblock)(BitWriter&);
  };
  const Case cases[] = {
      {"run past the end of the block",
       [](BitWriter& w) {
         w.Put("1"), w.Put("1"), w.Put("100");
         for (int i = 0; i < 3; ++i) w.Put("000001"), w.Put(30, 6), w.Put(5, 8);  // runs 31 + 31 + 31
         w.Put("10");
       }},
      {"coefficient code that matches nothing",
       [](BitWriter& w) {
         w.Put("1"), w.Put("1"), w.Put("100");
         w.Put(0, 16), w.Put(1, 1);
       }},
      {"address increment that matches nothing",
       [](BitWriter& w) { w.Put("00000000001"); }},
      {"address past the picture", [](BitWriter& w) { FlatIntraMacroblock(w, "0010"); }},  // increment 5 of 2
      {"escapes past the picture",
       [](BitWriter& w) {
         for (int i = 0; i < 200; ++i) w.Put("00000001000");
         w.Put("1");
       }},
      {"macroblock type that matches nothing", [](BitWriter& w) { w.Put("1"), w.Put("00"); }},
      {"DC size that matches nothing", [](BitWriter& w) { w.Put("1"), w.Put("1"), w.Put("1111111111"); }},
  };
  for (const Case& c : cases) {
    BitWriter w;
    SequenceHeader(w, 32, 16);
    PictureHeader(w, 1);
    w.StartCode(0x01);
    w.Put(8, 5);
    w.Put(0, 1);
    c.macroblock(w);
    w.Put(0xFFFFFFFF, 32);
    FlatIntraPicture(w, 2, 1);
    w.StartCode(0xB7);
    const Result r = Decode(w.Bytes());
    EXPECT_EQ(r.sizes.size(), 2u) << c.name;
    EXPECT_EQ(r.sliceErrors, 1) << c.name;
  }
}

TEST(BadStreamTest, ARepeatedSequenceHeaderWithANewSizeMakesNewPictures) {
  BitWriter w;
  SequenceHeader(w, 16, 16);
  FlatIntraPicture(w, 1, 1);
  SequenceHeader(w, 48, 32);
  FlatIntraPicture(w, 3, 2);
  SequenceHeader(w, 16, 16);
  FlatIntraPicture(w, 1, 1);
  w.StartCode(0xB7);
  const Result r = Decode(w.Bytes());
  const std::vector<std::pair<int, int>> expected = {{16, 16}, {48, 32}, {16, 16}};
  EXPECT_EQ(r.sizes, expected);
  EXPECT_EQ(r.sliceErrors, 0);
}

TEST(BadStreamTest, APictureWithoutAFreeBufferIsRefused) {
  BitWriter w;
  SequenceHeader(w, 16, 16);
  for (int i = 0; i < 4; ++i) FlatIntraPicture(w, 1, 1);
  w.StartCode(0xB7);
  MemoryBitstream bs(w.Bytes());
  VMPVDecoder decoder;
  decoder.StartSequence(&bs);
  decoder.AllocatePictures(3);
  std::vector<VMPVDecoder::PicturePtr> held;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(decoder.ReadHeaders());
    decoder.ParsePictureHeader();
    decoder.DecodeOrSkipPicture(true);
    held.push_back(decoder.GetCurrentPicture());
    held.back()->queued = true;
  }
  EXPECT_EQ(decoder.CountBusyPictures(), 3);
  EXPECT_EQ(decoder.FindFreePicture(), nullptr);
  ASSERT_TRUE(decoder.ReadHeaders());
  decoder.ParsePictureHeader();
  EXPECT_THROW(decoder.DecodeOrSkipPicture(true), VMPEGException);
}

TEST(BadStreamTest, PredictedPicturesWithoutReferencesAreSkipped) {
  BitWriter w;
  SequenceHeader(w, 16, 16);
  PictureHeader(w, 2);
  w.StartCode(0x01);
  w.Put(8, 5);
  w.Put(0, 1);
  w.Put("1"), w.Put("001"), w.Put("1"), w.Put("1");  // forward motion only, zero vector
  FlatIntraPicture(w, 1, 1);
  w.StartCode(0xB7);
  const Result r = Decode(w.Bytes());
  EXPECT_EQ(r.sizes.size(), 1u);
  EXPECT_EQ(r.pictureErrors, 1);
}

// Reads of 1, 3 and 7 bytes (never whole words) give the same pictures, and
// every cut of the stream ends without a hang or a stray write.
TEST(BadStreamTest, ShortReadsAndCutStreams) {
  BitWriter w;
  SequenceHeader(w, 48, 32);
  FlatIntraPicture(w, 3, 2);
  FlatIntraPicture(w, 3, 2);
  w.StartCode(0xB7);
  const Result whole = Decode(w.Bytes());
  ASSERT_EQ(whole.sizes.size(), 2u);
  for (size_t chunk : {1u, 3u, 7u}) {
    const Result r = Decode(w.Bytes(), chunk);
    EXPECT_EQ(r.sizes, whole.sizes) << chunk;
    EXPECT_EQ(r.firstLuma, whole.firstLuma) << chunk;
  }
  for (size_t cut = 0; cut < w.Bytes().size(); ++cut) {
    std::vector<uint8_t> part(w.Bytes().begin(), w.Bytes().begin() + static_cast<ptrdiff_t>(cut));
    const Result r = Decode(part, 5);
    EXPECT_LE(r.sizes.size(), 2u);
  }
}

TEST(BadStreamTest, DataWithoutASequenceHeaderDoesNotStart) {
  for (const std::vector<uint8_t>& bytes :
       {std::vector<uint8_t>{}, std::vector<uint8_t>(5000, 0), std::vector<uint8_t>{0, 0, 1, 0xB3, 0, 0}}) {
    MemoryBitstream bs(bytes);
    VideoStreamDecoder decoder(bs);
    EXPECT_FALSE(decoder.Start());
    EXPECT_EQ(decoder.Next(), nullptr);
  }
}

}  // namespace
