// Pictures of the launchers decoded by the kit against the reference
// decoders (djpeg for JPEG, ImageMagick for BMP and GIF), from plain files
// and from a launcher archive, and files the readers refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "launchers/common/DibImage.h"
#include "launchers/common/KitPicture.h"
#include "launchers/common/Rar20TestEncoder.h"
#include "platform/MessageBox.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

struct Rgb {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bytes;
};

// A binary PPM as the oracles write it.
Rgb ParsePpm(const std::string& data) {
  Rgb out;
  int maxval = 0;
  int consumed = 0;
  if (std::sscanf(data.c_str(), "P6 %d %d %d%n", &out.width, &out.height, &maxval, &consumed) != 3 || maxval != 255) {
    return Rgb{};
  }
  const size_t start = static_cast<size_t>(consumed) + 1;
  out.bytes.assign(data.begin() + static_cast<ptrdiff_t>(start), data.end());
  return out;
}

Rgb FromImage(const kit::KitImage& image) {
  Rgb out;
  out.width = image.width;
  out.height = image.height;
  for (uint32_t p : image.pixels) {
    out.bytes.push_back(static_cast<uint8_t>(p >> 16));
    out.bytes.push_back(static_cast<uint8_t>(p >> 8));
    out.bytes.push_back(static_cast<uint8_t>(p));
  }
  return out;
}

::testing::AssertionResult Same(const Rgb& got, const Rgb& want) {
  if (got.width != want.width || got.height != want.height || got.bytes.size() != want.bytes.size()) {
    return ::testing::AssertionFailure() << got.width << "x" << got.height << " vs " << want.width << "x"
                                         << want.height;
  }
  for (size_t i = 0; i < got.bytes.size(); ++i) {
    if (got.bytes[i] != want.bytes[i]) {
      return ::testing::AssertionFailure() << "byte " << i << ": " << int(got.bytes[i]) << " vs " << int(want.bytes[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

class KitPictureTest : public testsupport::TempDirTest {
 protected:
  KitPictureTest() : TempDirTest("ostrevan-kitpic-") {}
  void SetUp() override {
    TempDirTest::SetUp();
    boxes_ = 0;
    previous_ = platform::SetMessageBoxCapture([this](const std::string&, const std::string&, platform::MessageBoxIcon) {
      ++boxes_;
      return platform::kMessageBoxOk;
    });
  }
  void TearDown() override {
    platform::SetMessageBoxCapture(previous_);
    EXPECT_EQ(boxes_, 0) << "decoding a picture showed a message box";
  }
  std::string Convert(const std::string& args, const std::string& name) {
    const std::string out = Path(name);
    EXPECT_EQ(std::system(("convert " + args + " '" + out + "' 2>/dev/null").c_str()), 0) << args;
    return out;
  }
  int boxes_ = 0;
  platform::MessageBoxCapture previous_;
};

TEST_F(KitPictureTest, JpegEqualsDjpeg) {
  REQUIRE_TOOL(convert, "convert");
  REQUIRE_TOOL(djpeg, "djpeg");
  REQUIRE_TOOL(cjpeg, "cjpeg");
  struct Case {
    const char* name;
    const char* cjpegArgs;
  };
  const Case cases[] = {
      {"420", "-quality 85"},
      {"444", "-quality 92 -sample 1x1"},
      {"grey", "-grayscale"},
      {"progressive", "-progressive"},
      {"odd-size", "-quality 75"},
  };
  const std::string source = Convert("-size 97x61 plasma:fractal -seed 7", "source.ppm");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string jpeg = Path(std::string(c.name) + ".jpg");
    ASSERT_EQ(std::system((cjpeg + " " + c.cjpegArgs + " -outfile '" + jpeg + "' '" + source + "'").c_str()), 0);
    kit::KitImage image;
    std::string reason;
    ASSERT_TRUE(kit::LoadPictureFile(jpeg, image, &reason)) << reason;
    // djpeg's own output (PGM for grey files) widened to RGB.
    const Rgb oracle =
        ParsePpm(testsupport::Capture(djpeg + " -pnm '" + jpeg + "' | convert pnm:- -depth 8 ppm:- 2>/dev/null"));
    ASSERT_GT(oracle.width, 0);
    EXPECT_TRUE(Same(FromImage(image), oracle));
  }
}

TEST_F(KitPictureTest, BmpAndGifEqualImageMagick) {
  REQUIRE_TOOL(convert, "convert");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"rgb24.bmp", "-size 185x42 plasma:fractal -seed 3 -type truecolor BMP3:"},
      {"palette8.bmp", "-size 185x70 plasma:fractal -seed 4 -colors 200 -type palette BMP3:"},
      {"rle8.bmp", "-size 66x61 gradient:red-blue -colors 16 -type palette -compress rle BMP3:"},
      {"grey4.bmp", "-size 33x17 gradient: -colors 16 -type palette BMP3:"},
      {"mono.bmp", "-size 31x9 pattern:checkerboard -monochrome BMP3:"},
      {"cover.gif", "-size 180x246 plasma:fractal -seed 5 -colors 128 GIF:"},
      {"small.gif", "-size 13x13 xc:red -fill blue -draw 'point 3,4' GIF:"},
  };
  for (const auto& [name, args] : cases) {
    SCOPED_TRACE(name);
    const std::string file = Path(name);
    const size_t colon = args.rfind(' ');
    ASSERT_EQ(std::system(("convert " + args.substr(0, colon) + " " + args.substr(colon + 1) + "'" + file + "' 2>/dev/null").c_str()), 0);
    kit::KitImage image;
    std::string reason;
    ASSERT_TRUE(kit::LoadPictureFile(file, image, &reason)) << reason;
    const Rgb oracle = ParsePpm(testsupport::Capture("convert '" + file + "[0]' -depth 8 ppm:- 2>/dev/null"));
    EXPECT_TRUE(Same(FromImage(image), oracle));
  }
}

TEST_F(KitPictureTest, PictureFromALauncherArchive) {
  REQUIRE_TOOL(convert, "convert");
  const std::string jpeg = Convert("-size 64x48 plasma:fractal -seed 9 -quality 90", "setup.jpg");
  const std::string bytes = testsupport::ReadBytes(jpeg);
  rartest::EncodeMember member;
  member.name = "setup.jpg";
  member.data.assign(bytes.begin(), bytes.end());
  const std::vector<uint8_t> archive = rartest::BuildRarArchive({member}, false);
  std::filesystem::create_directories(Path("disc"));
  testsupport::WriteBytes(Path("disc/Setup.kvt"), std::string(archive.begin(), archive.end()));
  // The launchers name their files in the disc's drive: D: is the folder here.
  const char* old = std::getenv("OSTREVAN_DRIVE_D");
  const std::string previous = old != nullptr ? old : "";
  setenv("OSTREVAN_DRIVE_D", Path("disc").c_str(), 1);
  kit::KitImage fromArchive;
  kit::KitImage fromFile;
  const bool loaded = kit::LoadPictureFile("D:\\Setup\\setup.jpg", fromArchive);
  kit::CDibImage dib;
  const bool dibLoaded = dib.LoadPictureFile("D:\\Setup\\setup.jpg");
  if (old != nullptr) {
    setenv("OSTREVAN_DRIVE_D", previous.c_str(), 1);
  } else {
    unsetenv("OSTREVAN_DRIVE_D");
  }
  ASSERT_TRUE(loaded);
  ASSERT_TRUE(dibLoaded);
  ASSERT_TRUE(kit::LoadPictureFile(jpeg, fromFile));
  EXPECT_EQ(fromArchive.width, 64);
  EXPECT_TRUE(fromArchive.pixels == fromFile.pixels);
  EXPECT_EQ(dib.GetWidth(), 64);
  EXPECT_EQ(dib.GetHeight(), 48);
  EXPECT_EQ(dib.GetPixel(5, 7), fromFile.At(5, 7));
}

TEST_F(KitPictureTest, RefusedPicturesLeaveTheImageEmpty) {
  REQUIRE_TOOL(convert, "convert");
  const std::string good = testsupport::ReadBytes(Convert("-size 40x30 plasma:fractal -seed 2", "good.jpg"));
  const std::string gif = testsupport::ReadBytes(Convert("-size 20x20 xc:green", "good.gif"));
  const std::string png = testsupport::ReadBytes(Convert("-size 20x20 xc:green", "good.png"));
  std::string hugeBmp = testsupport::ReadBytes(Convert("-size 4x4 xc:white -type truecolor", "huge.bmp"));
  // Width and height of 65535 x 65535 pixels in a 100-byte file.
  hugeBmp[18] = hugeBmp[19] = static_cast<char>(0xFF);
  hugeBmp[22] = hugeBmp[23] = static_cast<char>(0xFF);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"unknown format (PNG)", png},
      {"JPEG marker then noise", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x13')},
      {"JPEG cut in its header", good.substr(0, 40)},
      {"GIF cut in its blocks", gif.substr(0, 20)},
      {"BMP header only", std::string("BM") + std::string(12, '\0')},
      {"BMP of an impossible size", hugeBmp},
      {"GIF signature alone", "GIF89a"},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    kit::KitImage image;
    image.width = 7;  // anything there before is dropped
    std::string reason;
    EXPECT_FALSE(kit::DecodePicture(std::vector<uint8_t>(bytes.begin(), bytes.end()), image, &reason));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.width, 0);
    EXPECT_FALSE(reason.empty());
  }
  kit::KitImage image;
  EXPECT_FALSE(kit::LoadPictureFile(Path("missing.jpg"), image));
  EXPECT_FALSE(kit::LoadPictureFile("", image));
  std::filesystem::create_directories(Path("folder.jpg"));
  EXPECT_FALSE(kit::LoadPictureFile(Path("folder.jpg"), image));
}

}  // namespace
