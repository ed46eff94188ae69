// JPEG pictures through libjpeg: rows equal to `djpeg -ppm` at 24 bits and
// exactly packed at 15 and 16 bits in the screen's layout; libjpeg errors at
// every stage (header, start, rows, finish) end cleanly with the message box,
// no picture and the data freed, and the next picture decodes normally.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "JpegTestSupport.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/image/JpegKernels.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "platform/MessageBox.h"

namespace {

using imgtest::RGBImage;

class JpegLibraryTest : public imgtest::ImageFixture {
 protected:
  JpegLibraryTest() : ImageFixture({"cjpeg", "djpeg"}) {}
  void SetUp() override {
    ImageFixture::SetUp();
    previousCapture_ = platform::SetMessageBoxCapture(
        [this](const std::string& title, const std::string& text, platform::MessageBoxIcon icon) {
          boxes_.push_back(title + "|" + text);
          EXPECT_EQ(icon, platform::MessageBoxIcon::kNone);
          return platform::kMessageBoxOk;
        });
    display_ = dynamic_cast<MemoryPixelMapDisplay*>(GetPixelMapDisplay());
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    display_->SetScreenPixelMap(nullptr);
    platform::SetMessageBoxCapture(previousCapture_);
    EXPECT_FALSE(IsJpegDecompressing());
    ImageFixture::TearDown();
  }

  std::string Encode(const std::string& name, int32_t width, int32_t height, const std::string& options) {
    const std::string ppm = Path(name + ".ppm");
    WriteBytes(ppm, jpegtest::MakePpm(width, height));
    const std::string jpg = Path(name + ".jpg");
    EXPECT_EQ(imgtest::RunCommand("cjpeg " + options + " -outfile '" + jpg + "' '" + ppm + "'"), 0) << options;
    return ReadBytes(jpg);
  }
  RGBImage Reference(const std::string& bytes) {
    WriteBytes(Path("ref.jpg"), bytes);
    return jpegtest::ReadPnm(imgtest::Capture("djpeg -pnm '" + Path("ref.jpg") + "'"));
  }
  static VPicture* Decode(const std::string& bytes) {
    return DecodeJpegWithLibrary(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  }
  // Makes the screen's off-screen map of that depth and layout (the decoding
  // maps take its depth and format).
  void SetScreen(int32_t depth, int32_t format) {
    screen_ = std::make_unique<PixelMap>(VRect(0, 0, 4, 4), depth, nullptr, nullptr, nullptr,
                                         PixelMap::kStorageMemory, format);
    ASSERT_TRUE(screen_->HasStorage());
    display_->SetScreenPixelMap(screen_.get());
  }

  MemoryPixelMapDisplay* display_ = nullptr;
  std::unique_ptr<PixelMap> screen_;
  std::vector<std::string> boxes_;
  platform::MessageBoxCapture previousCapture_;
};

struct Released {
  void operator()(VPicture* p) const {
    if (p) p->Release();
  }
};
using PictureRef = std::unique_ptr<VPicture, Released>;

TEST_F(JpegLibraryTest, RowsEqualDjpegAt24Bits) {
  const struct {
    const char* name;
    int32_t width, height;
    const char* options;
  } cases[] = {
      {"420", 64, 48, "-sample 2x2"},      {"444 odd", 61, 37, "-sample 1x1 -quality 95"},
      {"422", 33, 20, "-sample 2x1"},      {"grey", 30, 17, "-grayscale"},
      {"progressive", 50, 40, "-progressive"}, {"restart", 40, 40, "-restart 1"},
      {"one pixel", 1, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = Encode("a", c.width, c.height, c.options);
    PictureRef picture(Decode(bytes));
    ASSERT_TRUE(picture);
    PixelMap* map = picture->GetPixelMap();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->GetDepth(), 24);
    EXPECT_EQ(map->GetPixelFormat(), kFormatBGR24);
    EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*map), Reference(bytes)));
  }
  EXPECT_TRUE(boxes_.empty());
}

// Each layout: the depth and format of the screen map, and the packing the
// rows must have.
TEST_F(JpegLibraryTest, RowsArePackedExactlyInTheScreensLayout) {
  const std::string colour = Encode("c", 23, 9, "-sample 2x2");
  const std::string grey = Encode("g", 23, 9, "-grayscale");
  struct Layout {
    int32_t depth, format;
  };
  for (const Layout l : {Layout{16, kFormat565LE}, Layout{15, kFormat555LE}, Layout{24, kFormatRGB24}, Layout{32, kFormatBGRX32}, Layout{32, kFormatRGBX32},
                         Layout{32, kFormatXRGB32}, Layout{32, kFormatXBGR32}}) {
    for (const std::string* bytes : {&colour, &grey}) {
      SCOPED_TRACE(std::to_string(l.format) + (bytes == &grey ? " grey" : " colour"));
      SetScreen(l.depth, l.format);
      ASSERT_EQ(screen_->GetPixelFormat(), l.format);
      PictureRef picture(Decode(*bytes));
      ASSERT_TRUE(picture);
      PixelMap& map = *picture->GetPixelMap();
      ASSERT_EQ(map.GetDepth(), l.depth);
      ASSERT_EQ(map.GetPixelFormat(), l.format);
      const RGBImage want = Reference(*bytes);
      PixelMapLock lock(&map);
      int32_t wrong = 0;
      for (int32_t y = 0; y < want.height; ++y) {
        const uint8_t* row = map.GetPixelAddress(VPoint(0, y));
        for (int32_t x = 0; x < want.width; ++x) {
          const uint8_t* c = &want.rgb[(static_cast<size_t>(y) * want.width + x) * 3];
          const uint32_t r = c[0], g = c[1], b = c[2];
          std::vector<uint8_t> expect;
          switch (l.format & 0x7FFF) {
            case kFormat555:
            case kFormat565: {
              const uint32_t word = (l.format & 0x7FFF) == kFormat555
                                        ? ((r << 7) & 0x7C00) | ((g << 2) & 0x3E0) | (b >> 3)
                                        : ((r << 8) & 0xF800) | ((g << 3) & 0x7E0) | (b >> 3);
              if (l.format & 0x8000) {
                expect = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
              } else {
                expect = {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
              }
              break;
            }
            case kFormatRGB24: expect = {c[0], c[1], c[2]}; break;
            case kFormatBGRX32: expect = {c[2], c[1], c[0], 0}; break;
            case kFormatRGBX32: expect = {c[0], c[1], c[2], 0}; break;
            case kFormatXRGB32: expect = {0, c[0], c[1], c[2]}; break;
            case kFormatXBGR32: expect = {0, c[2], c[1], c[0]}; break;
          }
          const uint8_t* got = row + x * static_cast<int32_t>(expect.size());
          if (std::vector<uint8_t>(got, got + expect.size()) != expect && wrong++ == 0) {
            ADD_FAILURE() << "first difference at " << x << "," << y;
          }
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// The row writers themselves, for the big-endian word layouts (formats 3 and
// 4) and the grey rows, which take every layout.
TEST_F(JpegLibraryTest, RowWritersPackEveryLayout) {
  const uint8_t rgb[6] = {0xF8, 0x84, 0x18, 1, 2, 3};
  const uint8_t grey[2] = {0x80, 0xFF};
  const struct {
    uint16_t format;
    std::vector<uint8_t> colour, greyRow;
  } cases[] = {
      {kFormat555, {0x7E, 0x03, 0x00, 0x00}, {0x42, 0x10, 0x7F, 0xFF}},
      {kFormat555LE, {0x03, 0x7E, 0x00, 0x00}, {0x10, 0x42, 0xFF, 0x7F}},
      {kFormat565, {0xFC, 0x23, 0x00, 0x00}, {0x84, 0x10, 0xFF, 0xFF}},
      {kFormat565LE, {0x23, 0xFC, 0x00, 0x00}, {0x10, 0x84, 0xFF, 0xFF}},
      {kFormatRGB24, {0xF8, 0x84, 0x18, 1, 2, 3}, {0x80, 0x80, 0x80, 0xFF, 0xFF, 0xFF}},
      {kFormatBGR24, {0x18, 0x84, 0xF8, 3, 2, 1}, {0x80, 0x80, 0x80, 0xFF, 0xFF, 0xFF}},
      {kFormatXBGR32, {0, 0x18, 0x84, 0xF8, 0, 3, 2, 1}, {0, 0x80, 0x80, 0x80, 0, 0xFF, 0xFF, 0xFF}},
      {kFormatGrey8, {0x9A, 2}, {0x80, 0xFF}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out(c.colour.size(), 0xAA);
    ConvertJpegRgbRow(rgb, out.data(), 2, c.format);
    EXPECT_EQ(out, c.colour) << c.format;
    std::vector<uint8_t> greyOut(c.greyRow.size(), 0xAA);
    ConvertJpegGreyRow(grey, greyOut.data(), 2, c.format);
    EXPECT_EQ(greyOut, c.greyRow) << c.format;
  }
  // An unknown layout is not written.
  uint8_t untouched[4] = {9, 9, 9, 9};
  ConvertJpegRgbRow(rgb, untouched, 1, 1);
  EXPECT_EQ(untouched[0], 9);
}

// The 16- and 32-bit layouts go through vector kernels: at every level the
// processor offers they write the bytes of the scalar loop, for widths below,
// at and around the vector steps, and not one byte past the row (nor read
// past it: the row is its own block, which the sanitizer checks).
TEST_F(JpegLibraryTest, RowWritersGiveTheScalarBytesAtEverySimdLevel) {
  const int32_t widths[] = {0, 1, 2, 5, 8, 9, 10, 11, 15, 16, 17, 18, 31, 32, 33, 47, 48, 49, 100, 1023, 2048};
  const uint16_t formats[] = {kFormat555,    kFormat555LE,  kFormat565,    kFormat565LE,
                              kFormatRGBX32, kFormatBGRX32, kFormatXRGB32, kFormatXBGR32};
  std::vector<uint8_t> rgb(3 * 2048);
  uint32_t seed = 12345;
  for (uint8_t& b : rgb) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  constexpr size_t kGuard = 64;
  const auto convert = [&](int32_t level, uint16_t format, int32_t width, size_t bytes) {
    const int32_t previous = SetJpegSimdLevel(level);
    const std::vector<uint8_t> row(rgb.begin(), rgb.begin() + 3 * width);
    std::vector<uint8_t> out(bytes + kGuard, 0xAA);
    ConvertJpegRgbRow(width > 0 ? row.data() : rgb.data(), out.data(), width, format);
    SetJpegSimdLevel(previous);
    return out;
  };
  for (const uint16_t format : formats) {
    const size_t pixelBytes = Is32BitFormat(format) ? 4 : 2;
    for (const int32_t width : widths) {
      SCOPED_TRACE("format " + std::to_string(format) + " width " + std::to_string(width));
      const size_t bytes = pixelBytes * static_cast<size_t>(width);
      const std::vector<uint8_t> scalar = convert(kJpegSimdScalar, format, width, bytes);
      EXPECT_EQ(std::vector<uint8_t>(scalar.begin() + static_cast<ptrdiff_t>(bytes), scalar.end()),
                std::vector<uint8_t>(kGuard, 0xAA));
      for (const int32_t level : {int32_t{kJpegSimdSse2}, int32_t{kJpegSimdAvx2}}) {
        EXPECT_EQ(convert(level, format, width, bytes), scalar) << "level " << level;
      }
    }
  }
}

// CMYK pictures (ImageMagick writes Adobe's inverted YCCK) come out as
// djpeg writes them, byte for byte, on a 24-bit and a 5-6-5 screen; never
// black.
TEST_F(JpegLibraryTest, CmykPicturesComeOutAsDjpegWritesThem) {
  WriteBytes(Path("k.ppm"), jpegtest::MakePpm(37, 21));
  const std::string bytes = ReadBytes(Make("k.jpg", "'" + Path("k.ppm") + "' -colorspace CMYK -quality 92"));
  ASSERT_NE(bytes.find("Adobe"), std::string::npos);
  const RGBImage want = Reference(bytes);
  ASSERT_EQ(want.width, 37);
  PictureRef picture(Decode(bytes));
  ASSERT_TRUE(picture) << GetJpegFailureReason();
  EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), want));
  // The oracle itself is close to ImageMagick's own reading of the file.
  EXPECT_LT(jpegtest::Compare(want, imgtest::Oracle(Path("k.jpg"), "[0]", "-colorspace sRGB")).mean, 2.0);

  SetScreen(16, kFormat565LE);
  PictureRef packed(Decode(bytes));
  ASSERT_TRUE(packed);
  PixelMap& map = *packed->GetPixelMap();
  PixelMapLock lock(&map);
  const uint8_t* c = &want.rgb[(5 * 37 + 9) * 3];
  const uint8_t* p = map.GetPixelAddress(VPoint(9, 5));
  EXPECT_EQ(static_cast<uint32_t>(p[0] | p[1] << 8), ((c[0] << 8) & 0xF800u) | ((c[1] << 3) & 0x7E0u) | (c[2] >> 3));
  EXPECT_TRUE(boxes_.empty());
}

// Each inverted ink times K / 255, rounded.
TEST_F(JpegLibraryTest, CmykRowsTurnIntoRgb) {
  const uint8_t cmyk[16] = {255, 255, 255, 255, 0, 0, 0, 255, 128, 64, 255, 200, 10, 20, 30, 0};
  uint8_t rgb[12] = {};
  ConvertJpegCmykRow(cmyk, rgb, 4);
  const uint8_t want[12] = {255, 255, 255, 0, 0, 0, 100, 50, 200, 0, 0, 0};
  for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(rgb[i], want[i]) << i;
}

// EXIF segments with a thumbnail and XMP packets of any size are libjpeg's
// to skip: the picture itself comes out.
TEST_F(JpegLibraryTest, LargeApplicationSegmentsLeaveThePicture) {
  const std::string main = Path("main.jpg");
  WriteBytes(main, Encode("m", 40, 30, "-sample 2x2"));
  WriteBytes(Path("t.ppm"), jpegtest::MakePpm(16, 8, false, 3));
  ASSERT_EQ(imgtest::RunCommand("cjpeg -outfile '" + Path("t.jpg") + "' '" + Path("t.ppm") + "'"), 0);
  for (const std::string& script :
       {jpegtest::ExifWithThumbnailScript(main, Path("t.jpg"), 30000), jpegtest::XmpScript(main, 30000)}) {
    const std::string bytes = ReadBytes(MakePython("x.jpg", script));
    PictureRef picture(Decode(bytes));
    ASSERT_TRUE(picture);
    EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), Reference(bytes)));
  }
}

TEST_F(JpegLibraryTest, GreyOnA565ScreenGivesEqualRedAndBlue) {
  SetScreen(16, kFormat565LE);
  const std::string bytes = Encode("g", 16, 8, "-grayscale");
  PictureRef picture(Decode(bytes));
  ASSERT_TRUE(picture);
  const RGBImage want = Reference(bytes);
  PixelMap& map = *picture->GetPixelMap();
  PixelMapLock lock(&map);
  for (int32_t x = 0; x < 16; ++x) {
    const uint8_t* p = map.GetPixelAddress(VPoint(x, 3));
    const uint32_t word = p[0] | (p[1] << 8);
    const uint32_t g = want.rgb[(3 * 16 + x) * 3];
    EXPECT_EQ(word >> 11, g >> 3);
    EXPECT_EQ((word >> 5) & 63, g >> 2);
    EXPECT_EQ(word & 31, g >> 3);
  }
}

TEST_F(JpegLibraryTest, EightBitScreensTakeTheNearestPaletteColours) {
  VColorTable* previous = GetCurrentColorTable();
  auto* cube = new VColorTable(StandardPalette{4});
  SetCurrentColorTable(cube);
  SetScreen(8, kFormatIndexed8);
  const std::string bytes = Encode("p", 20, 12, "-sample 1x1");
  PictureRef picture(Decode(bytes));
  ASSERT_TRUE(picture);
  const jpegtest::Difference d = jpegtest::Compare(imgtest::Pixels(*picture->GetPixelMap()), Reference(bytes));
  EXPECT_LE(d.maximum, 32);  // half a step of the 6-level cube, through the 5-6-5 nearest-index key
  SetCurrentColorTable(previous);
  if (previous) previous->Release();
  cube->Release();
}

// Cuts and damage at every stage of the decode. Each row: the bytes, and
// whether libjpeg's error (and its box) comes already from the start.
TEST_F(JpegLibraryTest, ErrorsAtEveryStageEndCleanly) {
  const std::string good = Encode("e", 48, 48, "-sample 2x2 -quality 90");
  const std::string progressive = Encode("q", 48, 48, "-progressive");
  const size_t sos = good.find(std::string("\xFF\xDA", 2));
  ASSERT_NE(sos, std::string::npos);
  std::string badTable = good;
  badTable[good.find(std::string("\xFF\xC4", 2)) + 5] = 3;  // over-full code lengths
  std::string badMarker = good;
  badMarker[good.find(std::string("\xFF\xC0", 2)) + 1] = static_cast<char>(0xC3);  // lossless: unsupported
  struct Case {
    const char* name;
    std::string bytes;
    bool failsAtStart;
    const char* message;
  };
  const Case cases[] = {
      {"empty", "", true, "Empty input file"},
      {"cut in the header", good.substr(0, 100), true, "Empty input file"},
      {"cut before the scan data", good.substr(0, sos + 14), false, "Empty input file"},
      {"cut in the scan data", good.substr(0, good.size() / 2), false, "Empty input file"},
      {"no end-of-image marker", good.substr(0, good.size() - 2), false, "Empty input file"},
      {"cut progressive", progressive.substr(0, progressive.size() * 2 / 3), true, "Empty input file"},
      {"bad Huffman table", badTable, true, "Bogus Huffman table definition"},
      {"unsupported process", badMarker, true, nullptr},
      {"not a JPEG", "GIF89a and more bytes", true, "Not a JPEG file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    ASSERT_TRUE(SetJpegData(reinterpret_cast<const uint8_t*>(c.bytes.data()), static_cast<uint32_t>(c.bytes.size())));
    const bool started = StartJpegDecompress();
    EXPECT_EQ(started, !c.failsAtStart);
    if (started) {
      EXPECT_FALSE(ReadJpegLines(static_cast<int32_t>(GetJpegOutputHeight())) && FinishJpegDecompress());
    }
    // Whatever failed, the later calls find nothing under way.
    EXPECT_FALSE(IsJpegDecompressing());
    EXPECT_FALSE(ReadJpegLines(10));
    EXPECT_FALSE(FinishJpegDecompress());
    EXPECT_EQ(CreateJpegPicture(), nullptr);
    EXPECT_TRUE(FreeJpegData());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].rfind("JPEG Fatal Error|", 0), 0u) << boxes_[0];
    EXPECT_EQ("JPEG Fatal Error|" + GetJpegFailureReason(), boxes_[0]);
    if (c.message) {
      EXPECT_NE(boxes_[0].find(c.message), std::string::npos) << boxes_[0];
    }
  }
  // The state is clean: the next picture decodes.
  PictureRef picture(Decode(good));
  ASSERT_TRUE(picture);
  EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), Reference(good)));
}

TEST_F(JpegLibraryTest, TheStepsInOrderAndTheirRefusals) {
  const std::string bytes = Encode("s", 20, 30, "");
  ASSERT_TRUE(SetJpegData(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size())));
  EXPECT_FALSE(ReadJpegLines(5));  // nothing started
  ASSERT_TRUE(StartJpegDecompress());
  EXPECT_FALSE(StartJpegDecompress());  // a second start before the picture is made
  EXPECT_EQ(GetJpegOutputWidth(), 20u);
  EXPECT_EQ(GetJpegOutputHeight(), 30u);
  EXPECT_FALSE(ReadJpegLines(0));
  EXPECT_TRUE(ReadJpegLines(7));
  EXPECT_EQ(GetJpegRemainingLines(), 23u);
  EXPECT_TRUE(FinishJpegDecompress());  // reads the rest
  PictureRef picture(CreateJpegPicture());
  ASSERT_TRUE(picture);
  EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), Reference(bytes)));
  EXPECT_EQ(CreateJpegPicture(), nullptr);
  EXPECT_TRUE(FreeJpegData());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(JpegLibraryTest, MediaWithoutAnArchiveAreNotLoaded) {
  MediaArchive* previous = SetDefaultMediaArchive(nullptr);
  EXPECT_FALSE(LoadJpegData(1234));
  SetDefaultMediaArchive(previous);
}

TEST_F(JpegLibraryTest, RandomDamageNeverCrashes) {
  const std::string good = Encode("r", 40, 40, "-sample 2x2 -restart 2");
  uint32_t state = 11;
  for (int round = 0; round < 60; ++round) {
    std::string bad = good;
    for (int i = 0; i < 4; ++i) {
      state = state * 1664525u + 1013904223u;
      bad[(state >> 8) % bad.size()] = static_cast<char>(state >> 24);
    }
    PictureRef picture(Decode(bad));
    EXPECT_FALSE(IsJpegDecompressing());
  }
}

}  // namespace
