// The engine's own baseline JPEG decoder against `djpeg -dct float -nosmooth`
// on files made at test time by `cjpeg`: sampling, grey, restart intervals,
// large segments, odd sizes; every output depth and layout; refusal of what
// it cannot decode; truncated and corrupt data.
//
// Bounds held: 4:4:4 and grey files within 3 of djpeg on every value (mean
// below 0.7). 4:2:0 files, whose chroma the decoder blends diagonally where
// djpeg -nosmooth replicates it: luminance within 1.2 on average, and on
// pictures of slowly changing colour at least 38 dB PSNR (mean below 2).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "JpegTestSupport.h"
#include "engine/core/VFile.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegKernels.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/image/VJPEGImageReader.h"

namespace {

using imgtest::RGBImage;

class JpegDecoderTest : public imgtest::ImageFixture {
 protected:
  JpegDecoderTest() : ImageFixture({"cjpeg", "djpeg"}) {}
  void SetUp() override {
    ImageFixture::SetUp();
    SetupLookupTables();
  }
  void TearDown() override {
    ShutdownLookupTables();
    ImageFixture::TearDown();
  }

  // cjpeg with the options on a synthetic picture; the file's path.
  std::string Encode(const std::string& name, int32_t width, int32_t height, const std::string& options,
                     bool busy = true) {
    const std::string ppm = Path(name + ".ppm");
    WriteBytes(ppm, jpegtest::MakePpm(width, height, busy));
    const std::string jpg = Path(name + ".jpg");
    EXPECT_EQ(imgtest::RunCommand("cjpeg " + options + " -outfile '" + jpg + "' '" + ppm + "'"), 0) << options;
    return jpg;
  }
  static RGBImage Reference(const std::string& jpg) {
    return jpegtest::ReadPnm(imgtest::Capture("djpeg -dct float -nosmooth -pnm '" + jpg + "'"));
  }

  // Decodes the file into a new map of the depth and format; null when the
  // header or the image read fails (`result` gets ReadImage's result).
  static std::unique_ptr<PixelMap> Decode(const std::string& path, int32_t depth, int32_t format = 1,
                                          int16_t kind = PixelMap::kStorageMemory, VColorTable* table = nullptr,
                                          int32_t* result = nullptr, bool* truncated = nullptr,
                                          std::string* reason = nullptr) {
    VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
    if (!file.Open(1)) return nullptr;
    VJPEGImageReader reader(&file);
    if (reader.ReadHeader() != 0) {
      if (result) *result = -2;
      if (reason) *reason = reader.GetFailureReason();
      return nullptr;
    }
    VRect bounds;
    reader.GetFrameBounds(bounds, 0);
    auto map = std::make_unique<PixelMap>(bounds, depth, table, nullptr, nullptr, kind, format);
    if (!map->HasStorage()) return nullptr;
    map->ClearPixels();
    const int32_t r = reader.ReadImage(*map, kReadPixels, 0, 0);
    if (result) *result = r;
    if (truncated) *truncated = reader.WasTruncated();
    if (r != 0) return nullptr;
    return map;
  }
};

struct FileCase {
  const char* name;
  int32_t width, height;
  std::string options;
  bool subsampled;   // 4:2:0: chroma upsampled differently from djpeg
  bool busy = true;  // hard colour edges and noise, else smooth colour
};

TEST_F(JpegDecoderTest, MatchesDjpegWithinTheBounds) {
  const FileCase cases[] = {
      {"444", 64, 48, "-sample 1x1 -quality 90", false},
      {"444 odd size", 61, 37, "-sample 1x1 -quality 75", false},
      {"444 one pixel", 1, 1, "-sample 1x1", false},
      {"420", 64, 48, "-sample 2x2 -quality 90", true},
      {"420 smooth", 64, 48, "-sample 2x2 -quality 90", true, false},
      {"420 odd size", 77, 45, "-sample 2x2", true},
      {"420 odd size smooth", 77, 45, "-sample 2x2", true, false},
      {"420 narrow", 3, 70, "-sample 2x2", true},
      {"grey", 50, 33, "-grayscale -quality 85", false},
      {"grey 2x2 factors", 41, 29, "-grayscale -sample 2x2", false},
      {"restart every row 420", 70, 50, "-sample 2x2 -restart 1", true},
      {"restart every row 420 smooth", 70, 50, "-sample 2x2 -restart 1", true, false},
      {"restart every block 444", 35, 27, "-sample 1x1 -restart 1B", false},
      {"restart every 3 blocks grey", 45, 20, "-grayscale -restart 3B", false},
      {"optimised tables", 66, 40, "-sample 2x2 -optimize", true},
      {"quality 100", 40, 24, "-sample 1x1 -quality 100", false},
      {"quality 5 baseline", 40, 24, "-sample 2x2 -quality 5 -baseline", true},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string jpg = Encode("f", c.width, c.height, c.options, c.busy);
    const RGBImage want = Reference(jpg);
    ASSERT_EQ(want.width, c.width);
    auto map = Decode(jpg, 24);
    ASSERT_TRUE(map);
    const jpegtest::Difference d = jpegtest::Compare(imgtest::Pixels(*map), want);
    if (c.subsampled) {
      EXPECT_LT(d.lumaMean, 1.2);
      if (!c.busy) {
        EXPECT_GE(d.psnr, 38.0);
        EXPECT_LT(d.mean, 2.0);
      }
    } else {
      EXPECT_LE(d.maximum, 3);
      EXPECT_LT(d.mean, 0.7);
    }
  }
}

// Segments of every size before the frame: up to 1024 bytes of payload they
// are read whole, longer ones are skipped in pieces.
TEST_F(JpegDecoderTest, LongSegmentsBeforeTheFrameAreSkipped) {
  const std::string jpg = Encode("s", 40, 30, "-sample 1x1");
  const std::string good = ReadBytes(jpg);
  const RGBImage want = Reference(jpg);
  for (const int32_t payload : {0, 1, 1024, 1025, 2000, 16384, 40000}) {
    SCOPED_TRACE(payload);
    std::string comment = "\xFF\xFE";
    comment += static_cast<char>((payload + 2) >> 8);
    comment += static_cast<char>((payload + 2) & 0xFF);
    comment += std::string(static_cast<size_t>(payload), 'c');
    WriteBytes(Path("k.jpg"), good.substr(0, 2) + comment + good.substr(2));
    auto map = Decode(Path("k.jpg"), 24);
    ASSERT_TRUE(map);
    EXPECT_LE(jpegtest::Compare(imgtest::Pixels(*map), want).maximum, 3);
  }
}

TEST_F(JpegDecoderTest, RegisteredForTheJpegType) {
  const ImageReaderFactory previous = SetJPEGImageReaderFactory(nullptr);
  const std::string jpg = Encode("r", 20, 10, "-sample 2x2");
  VFile file(VFileSpec(jpg.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  EXPECT_EQ(CreateImageReaderForFile(&file, MakeTypeCode("JPEG")), nullptr);
  RegisterJPEGImageReader();
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, MakeTypeCode("JPEG")));
  ASSERT_NE(dynamic_cast<VJPEGImageReader*>(reader.get()), nullptr);
  std::unique_ptr<PixelMap> map(ReadImageWithReader(*reader, kReadPixels, 0, 0));
  ASSERT_TRUE(map);
  EXPECT_EQ(map->GetWidth(), 20);
  EXPECT_EQ(map->GetHeight(), 10);
  EXPECT_LT(jpegtest::Compare(imgtest::Pixels(*map), Reference(jpg)).lumaMean, 1.0);
  SetJPEGImageReaderFactory(previous);
}

// The expected 15/16-bit word of an RGB pixel under the decoder's dither.
uint32_t Dithered(const uint8_t* rgb, int32_t y, int32_t n, bool sixBitGreen) {
  static const int32_t kD[16] = {-8, 0, -6, 2, 4, -4, 6, -2, -5, 3, -7, 1, 7, -1, 5, -3};
  const int32_t d = kD[(y % 4) * 4 + (n % 4)];
  auto c = [](int32_t v, int32_t max) { return v < 0 ? 0 : (v > max ? max : v); };
  const int32_t r = c((rgb[0] + d) >> 3, 31), b = c((rgb[2] + d) >> 3, 31);
  if (sixBitGreen) return static_cast<uint32_t>((r << 11) | (c((rgb[1] + (d >> 1)) >> 2, 63) << 5) | b);
  return static_cast<uint32_t>((r << 10) | (c((rgb[1] + d) >> 3, 31) << 5) | b);
}

TEST_F(JpegDecoderTest, EveryDepthAndLayoutAgreesWithTheTrueColourResult) {
  for (const char* sampling : {"-sample 1x1", "-sample 2x2"}) {
    SCOPED_TRACE(sampling);
    const bool twoByTwo = std::string(sampling) == "-sample 2x2";
    const int32_t width = 45, height = 22;  // a partial last MCU column and row
    const std::string jpg = Encode("d", width, height, sampling);
    auto truth = Decode(jpg, 24, kFormatRGB24);
    ASSERT_TRUE(truth);
    const RGBImage rgb = imgtest::Pixels(*truth);
    auto at = [&](int32_t x, int32_t y) { return &rgb.rgb[(static_cast<size_t>(y) * width + x) * 3]; };

    // True colour: the same colours in every layout, top-down or bottom-up.
    struct Layout {
      int32_t depth, format;
      int16_t kind;
    };
    for (const Layout& l : {Layout{24, kFormatBGR24, PixelMap::kStorageMemory}, Layout{24, 1, PixelMap::kStorageDib},
                            Layout{32, kFormatBGRX32, PixelMap::kStorageMemory},
                            Layout{32, kFormatRGBX32, PixelMap::kStorageMemory},
                            Layout{32, kFormatXRGB32, PixelMap::kStorageMemory},
                            Layout{32, kFormatXBGR32, PixelMap::kStorageMemory}, Layout{32, 1, PixelMap::kStorageDib}}) {
      auto map = Decode(jpg, l.depth, l.format, l.kind);
      ASSERT_TRUE(map) << l.depth << " " << l.format;
      EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*map), rgb)) << l.depth << " " << l.format << " kind " << l.kind;
    }

    // 15 and 16 bits: the ordered dither of the true-colour values, exactly.
    for (const int32_t format : {int32_t{kFormat565LE}, int32_t{kFormat565}, int32_t{kFormat555LE}, int32_t{kFormat555}}) {
      const bool sixBitGreen = (format & 0xFF) == 4;
      auto map = Decode(jpg, sixBitGreen ? 16 : 15, format);
      ASSERT_TRUE(map) << format;
      PixelMapLock lock(map.get());
      int32_t wrong = 0;
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = map->GetPixelAddress(VPoint(0, y));
        for (int32_t x = 0; x < width; ++x) {
          const int32_t n = twoByTwo ? x % 8 : std::min(8, width - (x / 8) * 8) - x % 8;
          const uint32_t want = Dithered(at(x, y), y, n, sixBitGreen);
          const uint32_t got = (map->GetPixelFormat() & 0x8000) ? (row[2 * x] | (row[2 * x + 1] << 8))
                                                 : ((row[2 * x] << 8) | row[2 * x + 1]);
          if (got != want && wrong++ == 0) ADD_FAILURE() << "format " << format << " at " << x << "," << y;
        }
      }
      EXPECT_EQ(wrong, 0) << format;
    }

    // 8 bits: error diffusion onto a palette keeps the colours close on average.
    auto* cube = new VColorTable(StandardPalette{4});
    auto map8 = Decode(jpg, 8, 1, PixelMap::kStorageMemory, cube);
    ASSERT_TRUE(map8);
    const jpegtest::Difference d8 = jpegtest::Compare(imgtest::Pixels(*map8), rgb);
    EXPECT_LT(d8.mean, 20.0);
    cube->Release();

    // Grey 8-bit maps take the luminance.
    auto grey = Decode(jpg, 8, kFormatGrey8);
    ASSERT_TRUE(grey);
    PixelMapLock lock(grey.get());
    EXPECT_EQ(grey->GetPixelAddress(VPoint(0, 0))[0] > 0, true);
  }
}

// The SIMD forms of the inner loops (inverse DCT, colour conversion, pixel
// interleaving) give the same bytes as the scalar ones, at every depth, on
// widths that leave tails after the vector steps.
TEST_F(JpegDecoderTest, EverySimdLevelGivesTheSameBytes) {
  struct Layout {
    int32_t depth, format;
  };
  for (const char* sampling : {"-sample 2x2", "-sample 1x1", "-grayscale"}) {
    for (const int32_t width : {61, 128}) {
      SCOPED_TRACE(std::string(sampling) + " width " + std::to_string(width));
      const std::string jpg = Encode("simd", width, 35, std::string(sampling) + " -quality 92");
      for (const Layout l : {Layout{24, kFormatBGR24}, Layout{24, kFormatRGB24}, Layout{16, kFormat565LE},
                             Layout{32, kFormatXRGB32}}) {
        const int32_t previous = SetJpegSimdLevel(kJpegSimdScalar);
        auto scalar = Decode(jpg, l.depth, l.format);
        ASSERT_TRUE(scalar);
        for (const int32_t level : {int32_t{kJpegSimdSse2}, int32_t{kJpegSimdAvx2}}) {
          SetJpegSimdLevel(level);
          auto simd = Decode(jpg, l.depth, l.format);
          ASSERT_TRUE(simd);
          PixelMapLock a(scalar.get()), b(simd.get());
          int32_t wrong = 0;
          const int32_t bytes = l.depth == 24 ? 3 * width : (l.depth == 16 ? 2 * width : 4 * width);
          for (int32_t y = 0; y < 35; ++y) {
            wrong += std::memcmp(scalar->GetPixelAddress(VPoint(0, y)), simd->GetPixelAddress(VPoint(0, y)),
                                 static_cast<size_t>(bytes)) != 0;
          }
          EXPECT_EQ(wrong, 0) << "level " << GetJpegSimdLevel() << " depth " << l.depth << " format " << l.format;
        }
        SetJpegSimdLevel(previous);
      }
    }
  }
}

TEST_F(JpegDecoderTest, EightBitsWithoutAColourTableFails) {
  const std::string jpg = Encode("g", 16, 16, "-sample 1x1");
  VColorTable* current = GetCurrentColorTable();
  SetCurrentColorTable(nullptr);
  int32_t result = 0;
  EXPECT_FALSE(Decode(jpg, 8, 1, PixelMap::kStorageMemory, nullptr, &result));
  EXPECT_EQ(result, -1);
  SetCurrentColorTable(current);
  if (current) current->Release();
}

// Each row: how the file is made (cjpeg options, or ImageMagick's for a
// CMYK file) and the reason the header gives for refusing it.
TEST_F(JpegDecoderTest, UnsupportedFilesAreRefusedByTheHeaderWithAReason) {
  const struct {
    const char* name;
    const char* options;
    const char* reason;
    bool imageMagick = false;
  } cases[] = {
      {"progressive", "-progressive", "progressive JPEG"},
      {"progressive grey", "-grayscale -progressive", "progressive JPEG"},
      {"4:2:2", "-sample 2x1", "unsupported subsampling"},
      {"4:4:0", "-sample 1x2", "unsupported subsampling"},
      {"4:1:1", "-sample 4x1", "unsupported subsampling"},
      {"arithmetic coding", "-arithmetic", "arithmetic-coded JPEG"},
      {"16-bit quantisation tables", "-quality 5", "extended JPEG"},
      {"chroma subsampled against luminance", "-sample 1x1,2x2,1x1", "unsupported subsampling"},
      {"CMYK", "-colorspace CMYK -quality 90", "CMYK JPEG", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string jpg;
    if (c.imageMagick) {
      WriteBytes(Path("u.ppm"), jpegtest::MakePpm(32, 32));
      jpg = Make("u.jpg", "'" + Path("u.ppm") + "' " + c.options);
    } else {
      jpg = Encode("u", 32, 32, c.options);
    }
    int32_t result = 0;
    std::string reason;
    EXPECT_FALSE(Decode(jpg, 24, 1, PixelMap::kStorageMemory, nullptr, &result, nullptr, &reason));
    EXPECT_EQ(result, -2);
    EXPECT_EQ(reason, c.reason);
  }
}

// Three components that hold R, G, B instead of Y, Cb, Cr: cjpeg -rgb marks
// them with an Adobe marker (transform 0) and names them 'R', 'G', 'B';
// either sign alone is enough, as libjpeg reads them. djpeg is the oracle.
TEST_F(JpegDecoderTest, RgbCodedFilesKeepTheirColours) {
  const std::string marked = ReadBytes(Encode("rgb", 45, 30, "-rgb -sample 1x1 -quality 92"));
  const size_t adobe = marked.find("Adobe");
  ASSERT_NE(adobe, std::string::npos);
  ASSERT_EQ(marked[adobe + 11], 0);  // transform 0
  // Without the Adobe marker: only the component names tell.
  const size_t app14 = adobe - 4;
  const size_t app14Length = (static_cast<uint8_t>(marked[app14 + 2]) << 8 | static_cast<uint8_t>(marked[app14 + 3])) + 2;
  const std::string named = marked.substr(0, app14) + marked.substr(app14 + app14Length);
  // With the Adobe marker and components named 1, 2, 3: the transform tells.
  std::string numbered = marked;
  const size_t sof = numbered.find(std::string("\xFF\xC0", 2)), sos = numbered.find(std::string("\xFF\xDA", 2));
  for (int32_t c = 0; c < 3; ++c) {
    numbered[sof + 10 + 3 * c] = static_cast<char>(c + 1);
    numbered[sos + 5 + 2 * c] = static_cast<char>(c + 1);
  }
  for (const auto& [name, bytes] : {std::pair<const char*, const std::string*>{"cjpeg -rgb", &marked},
                                    {"named R G B", &named}, {"Adobe transform 0", &numbered}}) {
    SCOPED_TRACE(name);
    WriteBytes(Path("rgb.jpg"), *bytes);
    const RGBImage want = Reference(Path("rgb.jpg"));
    ASSERT_EQ(want.width, 45);
    auto map = Decode(Path("rgb.jpg"), 24);
    ASSERT_TRUE(map);
    const jpegtest::Difference d = jpegtest::Compare(imgtest::Pixels(*map), want);
    EXPECT_LE(d.maximum, 3);
    EXPECT_LT(d.mean, 0.7);
    // The luminance outputs take the same colours: grey maps the luminance.
    auto grey = Decode(Path("rgb.jpg"), 8, kFormatGrey8);
    ASSERT_TRUE(grey);
    PixelMapLock lock(grey.get());
    const uint8_t* c = &want.rgb[(10 * 45 + 20) * 3];
    EXPECT_NEAR(grey->GetPixelAddress(VPoint(20, 10))[0], 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2], 3.0);
  }
}

// R, G, B files whose G and B are sampled at half of R's width and height
// (cjpeg -rgb -sample 2x2,1x1,1x1): G and B are widened as libjpeg widens
// them, so djpeg's default (smooth) output is the oracle: at 24 and 32 bits,
// for sizes that end inside an MCU, and into a map shorter than the picture.
TEST_F(JpegDecoderTest, RgbFilesWithHalfSizeGreenAndBlueMatchDjpeg) {
  const struct {
    const char* name;
    int32_t width, height;
    bool busy;
  } cases[] = {
      {"smooth", 64, 48, false}, {"busy", 64, 48, true},   {"odd size", 77, 45, false},
      {"narrow", 3, 70, false},  {"one pixel", 1, 1, false}, {"one row", 90, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string jpg = Encode("rgb2", c.width, c.height, "-rgb -sample 2x2,1x1,1x1 -quality 90", c.busy);
    const RGBImage want = jpegtest::ReadPnm(imgtest::Capture("djpeg -dct float -pnm '" + jpg + "'"));
    ASSERT_EQ(want.width, c.width);
    auto map = Decode(jpg, 24);
    ASSERT_TRUE(map);
    const jpegtest::Difference d = jpegtest::Compare(imgtest::Pixels(*map), want);
    EXPECT_LE(d.maximum, 3);
    EXPECT_LT(d.mean, 0.7);
    auto wide = Decode(jpg, 32);
    ASSERT_TRUE(wide);
    EXPECT_LE(jpegtest::Compare(imgtest::Pixels(*wide), want).maximum, 3);
  }
  // A map shorter than the picture ends on a row whose G and B row below
  // comes with the next MCU row.
  const std::string jpg = Encode("rgb2", 40, 40, "-rgb -sample 2x2,1x1,1x1 -quality 90", false);
  const RGBImage want = jpegtest::ReadPnm(imgtest::Capture("djpeg -dct float -pnm '" + jpg + "'"));
  VFile file(VFileSpec(jpg.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VJPEGImageReader reader(&file);
  ASSERT_EQ(reader.ReadHeader(), 0);
  PixelMap map(VRect(0, 0, 40, 16), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormatRGB24);
  ASSERT_TRUE(map.HasStorage());
  map.ClearPixels();
  ASSERT_EQ(reader.ReadImage(map, kReadPixels, 0, 0), 0);
  RGBImage top = want;
  top.height = 16;
  top.rgb.resize(40 * 16 * 3);
  EXPECT_LE(jpegtest::Compare(imgtest::Pixels(map), top).maximum, 3);
}

// Application segments of any size (EXIF with a thumbnail, XMP) are skipped
// whole: neither the thumbnail nor marker bytes inside them are taken for the
// picture.
TEST_F(JpegDecoderTest, LargeApplicationSegmentsAreSkippedWhole) {
  const std::string mainJpg = Encode("main", 40, 30, "-sample 2x2 -quality 90");
  WriteBytes(Path("thumb.ppm"), jpegtest::MakePpm(16, 8, false, 7));
  ASSERT_EQ(imgtest::RunCommand("cjpeg -sample 1x1 -outfile '" + Path("thumb.jpg") + "' '" + Path("thumb.ppm") + "'"), 0);
  const struct {
    const char* name;
    std::string script;
  } cases[] = {
      {"EXIF, 1 KB", jpegtest::ExifWithThumbnailScript(mainJpg, Path("thumb.jpg"), 200)},
      {"EXIF, 17 KB", jpegtest::ExifWithThumbnailScript(mainJpg, Path("thumb.jpg"), 17000)},
      {"EXIF, 60 KB", jpegtest::ExifWithThumbnailScript(mainJpg, Path("thumb.jpg"), 60000)},
      {"XMP, 30 KB", jpegtest::XmpScript(mainJpg, 30000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string jpg = MakePython("exif.jpg", c.script);
    const RGBImage want = Reference(jpg);
    ASSERT_EQ(want.width, 40);
    std::string reason;
    auto map = Decode(jpg, 24, 1, PixelMap::kStorageMemory, nullptr, nullptr, nullptr, &reason);
    ASSERT_TRUE(map) << reason;
    EXPECT_EQ(map->GetWidth(), 40);
    EXPECT_EQ(map->GetHeight(), 30);
    EXPECT_LT(jpegtest::Compare(imgtest::Pixels(*map), want).lumaMean, 1.2);
  }
}

// Edits a valid file: each row changes bytes of the header and says whether
// the header must then be refused.
TEST_F(JpegDecoderTest, MalformedHeadersAreRefused) {
  const std::string good = ReadBytes(Encode("m", 24, 16, "-sample 2x2"));
  auto find = [&](uint8_t marker) { return good.find(std::string("\xFF") + static_cast<char>(marker)); };
  const size_t sof = find(0xC0), dht = find(0xC4), dqt = find(0xDB), sos = find(0xDA);
  ASSERT_NE(sof, std::string::npos);
  ASSERT_NE(sos, std::string::npos);
  struct Edit {
    const char* name;
    size_t at;
    uint8_t value;
  };
  const Edit edits[] = {
      {"component id above 3", sof + 10, 7},
      {"duplicate component id", sof + 13, 1},
      {"quantisation table 5", sof + 12, 5},
      {"zero width", sof + 8, 0},
      {"12-bit precision", sof + 4, 12},
      {"four components", sof + 9, 4},
      {"Huffman table number 2", dht + 4, 0x02},
      {"Huffman class 2", dht + 4, 0x20},
      {"over-full code lengths", dht + 5, 3},
      {"quantisation table number 4", dqt + 4, 0x04},
      {"scan selector mismatch", sos + 5, 9},
      {"scan table number 2", sos + 6, 0x22},
      {"scan of one component", sos + 4, 1},
      {"progressive spectral selection", sos + 5 + 6, 1},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.name);
    std::string bad = good;
    ASSERT_LT(e.at, bad.size());
    bad[e.at] = static_cast<char>(e.value);
    if (e.at == dht + 5) bad[dht + 6] = static_cast<char>(0);
    const std::string path = Path("bad.jpg");
    WriteBytes(path, bad);
    int32_t result = 0;
    EXPECT_FALSE(Decode(path, 24, 1, PixelMap::kStorageMemory, nullptr, &result));
    EXPECT_EQ(result, -2);
  }
  WriteBytes(Path("good.jpg"), good);
  EXPECT_TRUE(Decode(Path("good.jpg"), 24));
}

TEST_F(JpegDecoderTest, TruncatedDataDecodeWhatArrivedAndKeepTheRest) {
  const std::string jpg = Encode("t", 64, 64, "-sample 2x2 -quality 90");
  const std::string whole = ReadBytes(jpg);
  const RGBImage want = Reference(jpg);
  for (const size_t keep : {whole.size() - 2, whole.size() / 2, size_t{700}}) {
    SCOPED_TRACE(keep);
    const std::string path = Path("cut.jpg");
    WriteBytes(path, whole.substr(0, keep));
    int32_t result = 1;
    bool truncated = false;
    auto map = Decode(path, 24, kFormatRGB24, PixelMap::kStorageMemory, nullptr, &result, &truncated);
    ASSERT_TRUE(map);
    EXPECT_EQ(truncated, keep != whole.size() - 2);
    // What arrived is decoded (the first MCU row of the half file); the last
    // row stays black (cleared) when the data end early.
    const RGBImage got = imgtest::Pixels(*map);
    if (keep >= whole.size() / 2) {
      RGBImage top = got, wantTop = want;
      top.height = wantTop.height = 16;
      top.rgb.resize(64 * 16 * 3);
      wantTop.rgb.resize(64 * 16 * 3);
      EXPECT_LT(jpegtest::Compare(top, wantTop).lumaMean, 1.0);
    }
    if (keep <= whole.size() / 2) {
      EXPECT_EQ(got.rgb.back(), 0);
    }
  }
}

TEST_F(JpegDecoderTest, CorruptEntropyDataNeverRunsAway) {
  const std::string jpg = Encode("c", 48, 48, "-sample 2x2 -restart 1");
  const std::string good = ReadBytes(jpg);
  const size_t data = good.find(std::string("\xFF\xDA", 2)) + 14;
  uint32_t state = 5;
  for (int round = 0; round < 40; ++round) {
    std::string bad = good;
    for (int i = 0; i < 6; ++i) {
      state = state * 1664525u + 1013904223u;
      const size_t at = data + (state >> 8) % (bad.size() - data - 2);
      bad[at] = static_cast<char>(state >> 24);
    }
    WriteBytes(Path("x.jpg"), bad);
    int32_t result = 1;
    auto map = Decode(Path("x.jpg"), 24, 1, PixelMap::kStorageMemory, nullptr, &result);
    EXPECT_TRUE(result == 0 || result == -2) << result;
  }
}

TEST_F(JpegDecoderTest, ReadImageWithoutHeaderFails) {
  const std::string jpg = Encode("n", 8, 8, "");
  VFile file(VFileSpec(jpg.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  VJPEGImageReader reader(&file);
  PixelMap map(VRect(0, 0, 8, 8), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  EXPECT_EQ(reader.ReadImage(map, kReadPixels, 0, 0), -1);
  // Non-JPEG bytes and empty files.
  for (const std::string& bytes : {std::string(), std::string("\xFF\xD8\xFF\xD9", 4), std::string(100, '\xFF'),
                                   std::string("GIF89a")}) {
    WriteBytes(Path("e.jpg"), bytes);
    int32_t result = 0;
    EXPECT_FALSE(Decode(Path("e.jpg"), 24, 1, PixelMap::kStorageMemory, nullptr, &result));
    EXPECT_EQ(result, -2);
  }
}

}  // namespace
