// The builder's picture conversions (codes 10, 20, 30) through ostrevan-tool:
// sources made by ImageMagick in every format the readers know, cropped as
// ImageMagick's trim box says, merged sequences, alpha channels, colour
// tables, and the aborts. Media are read back through the archive.
#include <filesystem>
#include <sstream>
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/BuilderTestSupport.h"
#include "engine/archive/MediaArchive.h"
#include "engine/image/ImageRegistry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "support/RequireTool.h"
#include "tools/ArchiveCommands.h"

namespace {

class PictureConversionTest : public BuilderFixture {
 protected:
  void SetUp() override {
    BuilderFixture::SetUp();
    testsupport::RequireTool("convert");
    testsupport::RequireTool("identify");
  }
  // Runs ImageMagick's convert in the temporary folder.
  void Magick(const std::string& arguments) {
    ASSERT_EQ(std::system(("cd '" + dir_ + "' && convert " + arguments).c_str()), 0) << arguments;
  }
  // ImageMagick's trim box "WxH+X+Y" as a rectangle.
  VRect TrimBox(const std::string& file) {
    std::string box = Capture("identify -format %@ '" + Path(file) + "[0]'");
    int w = 0, h = 0, x = 0, y = 0;
    EXPECT_EQ(std::sscanf(box.c_str(), "%dx%d+%d+%d", &w, &h, &x, &y), 4) << box;
    return VRect(x, y, x + w, y + h);
  }
  // Builds through the tool's command (which registers the picture conversions).
  Built ToolBuild(const std::string& script) {
    WriteFile("script.txt", script);
    std::ostringstream out, err;
    Built b;
    b.ok = BuildArchive(Path("script.txt"), Path("out.msf"), "", out, err) == 0;
    b.log = ReadBytes(Path("out.log"));
    return b;
  }
  static std::string RectText(const VRect& r) {
    return "( " + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + " )";
  }
};

TEST_F(PictureConversionTest, CropsToImageMagicksTrimBoxInEveryFormat) {
  const std::string draw = "-size 40x30 xc:magenta +antialias -fill '#2050a0' -draw 'rectangle 3,5 30,20' "
                           "-fill '#f0e010' -draw 'rectangle 10,8 33,24'";
  // Indexed sources load their own colour table (flag 8). The stored pixels
  // are compared with ImageMagick's where `magick` is set, else with what the
  // image reader itself gives for the source (the reader has its own tests).
  struct Row {
    const char* file;
    std::string make;
    int flags;
    bool magick;
  } rows[] = {
      {"p.bmp", draw + " -type truecolor BMP3:p.bmp", 0, true},
      {"p8.bmp", draw + " -type palette -compress none BMP3:p8.bmp", 8, false},
      {"p.gif", draw + " p.gif", 8, false},
      {"p.tga", draw + " -alpha off p.tga", 0, false},
      {"p.psd", draw + " -alpha off p.psd", 0, true},
  };
  for (const Row& row : rows) {
    Magick(row.make);
    VRect trim = TrimBox(row.file);
    Built b = ToolBuild(std::string("7 10 \"") + row.file + "\" " + std::to_string(row.flags) + " 0 0 2 255 0 255\r\n");
    ASSERT_TRUE(b.ok) << row.file << "\n" << b.log;
    EXPECT_NE(b.log.find("Warning: the next image will be cropped to " + RectText(trim) + "\r\n 7\t'RIX '\t"),
              std::string::npos)
        << row.file << "\n" << b.log;
    // The stored picture is the trimmed part, pixel for pixel.
    MediaArchive archive;
    ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
    ScopedMediaArchive scope(&archive);
    auto* picture = new VPicture(7);
    PixelMap* map = picture->GetPixelMap();
    ASSERT_NE(map, nullptr) << row.file;
    ASSERT_EQ(map->GetWidth(), trim.GetWidth()) << row.file;
    ASSERT_EQ(map->GetHeight(), trim.GetHeight()) << row.file;
    std::string expected;
    if (row.magick) {
      expected = Capture("convert '" + Path(row.file) + "[0]' -crop " + std::to_string(trim.GetWidth()) + "x" +
                         std::to_string(trim.GetHeight()) + "+" + std::to_string(trim.left) + "+" +
                         std::to_string(trim.top) + " -depth 8 rgb:-");
    } else {
      int32_t previousDepth = SetLoadPixelFormat(-1);
      auto* direct = new VPicture(VFileSpec(Path(row.file).c_str()), kUnknownFileType, 1 | (row.flags & 8 ? 4 : 0), 0, -4);
      SetLoadPixelFormat(previousDepth);
      ASSERT_NE(direct->GetPixelMap(), nullptr) << row.file;
      for (int y = trim.top; y < trim.bottom; ++y) {
        for (int x = trim.left; x < trim.right; ++x) {
          VRGBColor c;
          direct->GetPixelMap()->GetPixel(VPoint(x, y), c);
          expected += static_cast<char>(c.red);
          expected += static_cast<char>(c.green);
          expected += static_cast<char>(c.blue);
        }
      }
      direct->Release();
    }
    ASSERT_EQ(expected.size(), static_cast<size_t>(trim.GetWidth() * trim.GetHeight() * 3));
    int wrong = 0;
    for (int y = 0; y < map->GetHeight(); ++y) {
      for (int x = 0; x < map->GetWidth(); ++x) {
        VRGBColor c;
        ASSERT_TRUE(map->GetPixel(VPoint(x, y), c));
        const char* e = expected.data() + 3 * (y * trim.GetWidth() + x);
        wrong += c.red != static_cast<uint8_t>(e[0]) || c.green != static_cast<uint8_t>(e[1]) ||
                 c.blue != static_cast<uint8_t>(e[2]);
      }
    }
    EXPECT_EQ(wrong, 0) << row.file;
    picture->Release();
  }
}

TEST_F(PictureConversionTest, MergedSequences) {
  for (int i = 1; i <= 3; ++i) {
    // Content (2, 3)-(38, 28) in every frame, with one pixel moving inside it.
    Magick("-size 40x30 xc:magenta +antialias -fill '#306030' -draw 'rectangle 2,3 37,27' -fill white -draw 'point " +
           std::to_string(5 * i) + ",10' -type truecolor BMP3:f00" + std::to_string(i) + ".bmp");
  }
  Built b = ToolBuild("-40 10 \"f001.bmp\" 1 0 0 2 255 0 255\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_NE(b.log.find("Number of media counted: 1\r\n"), std::string::npos);
  EXPECT_NE(b.log.find("Warning: the next image sequence will be cropped to ( 2, 3, 38, 28 )\r\n 40\t'RIX '\t"),
            std::string::npos)
      << b.log;
  EXPECT_NE(b.log.find(" (converted to raw image, merged 3 frames)\r\n"), std::string::npos) << b.log;
  {
    MediaArchive archive;
    ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
    ScopedMediaArchive scope(&archive);
    auto* picture = new VPicture(40);
    ASSERT_NE(picture->GetPixelMap(), nullptr);
    int height = 0;
    for (PixelMap* m = picture->GetPixelMap(); m != nullptr; m = static_cast<PixelMap*>(m->GetNext())) {
      EXPECT_EQ(m->GetWidth(), 36);
      height += m->GetHeight();
    }
    EXPECT_EQ(height, 75);
    EXPECT_EQ(picture->GetFrameCount(), 3);
    picture->Release();
  }

  // With the origin flag each frame keeps its own content and its corner goes
  // to f001.txt beside the script.
  Magick("-size 40x30 xc:magenta +antialias -fill '#306030' -draw 'rectangle 6,8 17,15' -type truecolor BMP3:f002.bmp");
  b = ToolBuild("41 10 \"f001.bmp\" 5 0 0 2 255 0 255\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_NE(b.log.find("Warning: the next image sequence will be cropped to ( 0, 0, 36, 25 )\r\n"
                       "         Top-left coordinates for each frame will be output to \"f001.txt\"\r\n"),
            std::string::npos)
      << b.log;
  EXPECT_EQ(ReadBytes(Path("f001.txt")), " 2, 3 \r\n 6, 8 \r\n 2, 3 \r\n");

  // A frame of another size stops the build.
  Magick("-size 41x30 xc:magenta -type truecolor BMP3:f002.bmp");
  b = ToolBuild("42 10 \"f001.bmp\" 1 0 0 2 255 0 255\r\n");
  EXPECT_FALSE(b.ok);
  EXPECT_NE(b.log.find("Build aborted: Frame  2 has a different size.\r\n"), std::string::npos) << b.log;
}

TEST_F(PictureConversionTest, AlphaChannelsAndColourTables) {
  Magick("-size 8x64 gradient:black-white -rotate 90 -colorspace gray -type palette -compress none BMP3:a.bmp");
  {
    VColorTable* table = new VColorTable();
    uint8_t rgb[3 * 4] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255};
    table->Release();
    table = new VColorTable(rgb, 4, 0);
    VFile file(VFileSpec(Path("c.rcx").c_str()), MakeTypeCode("RCX "), kUnknownFileType);
    ASSERT_EQ(table->Write(file, MakeTypeCode("RCX ")), 0);
    file.Close();
    table->Release();
  }
  VPicture::SetDefaultReaderFlags(7);
  VColorTable* currentBefore = GetCurrentColorTable();
  Built b = ToolBuild("1 30 \"a.bmp\" 0\r\n2 30 \"a.bmp\" 8\r\n3 20 \"c.rcx\" 0\r\n4 20 \"c.rcx\" 1\r\n");
  ASSERT_TRUE(b.ok) << b.log;
  EXPECT_NE(b.log.find("\t'RAX '\t" + Path("a.bmp") + "\t"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find(" (converted to AlphaChannel) \r\n"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find(" (converted and inverted to AlphaChannel) \r\n"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find(" 4\t'RCX '\t" + Path("c.rcx") + "\t"), std::string::npos) << b.log;
  EXPECT_NE(b.log.find(" (created ColorCube and ColorGradient)\r\n"), std::string::npos) << b.log;
  // The program-wide picture settings are back as they were.
  int32_t flags = VPicture::SetDefaultReaderFlags(7);
  EXPECT_EQ(flags, 7);
  EXPECT_TRUE(GetArrangeBlackAndWhite());
  VColorTable* currentAfter = GetCurrentColorTable();
  EXPECT_EQ(currentAfter, currentBefore);
  if (currentAfter != nullptr) currentAfter->Release();
  if (currentBefore != nullptr) currentBefore->Release();

  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec(Path("out.msf").c_str()), false));
  ScopedMediaArchive scope(&archive);
  // The levels are the source's 8-bit pixels >> 2: its palette indices, read
  // straight from the file (rows bottom first, 64 bytes each).
  std::string bmp = ReadBytes(Path("a.bmp"));
  ASSERT_GE(bmp.size(), 54u);
  size_t bits = static_cast<uint8_t>(bmp[10]) | (static_cast<uint8_t>(bmp[11]) << 8);
  ASSERT_EQ(bmp.size(), bits + 512);
  std::string grey;
  for (int y = 7; y >= 0; --y) grey += bmp.substr(bits + static_cast<size_t>(y) * 64, 64);
  auto* plain = new VAlphaChannel(uint16_t{1});
  auto* inverted = new VAlphaChannel(uint16_t{2});
  ASSERT_NE(plain->GetPixelMap(), nullptr);
  ASSERT_NE(inverted->GetPixelMap(), nullptr);
  int wrong = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 64; ++x) {
      int level = static_cast<uint8_t>(grey[static_cast<size_t>(y * 64 + x)]) >> 2;
      wrong += plain->GetPixelMap()->GetPixelAddress(VPoint(x, y))[0] != level;
      wrong += inverted->GetPixelMap()->GetPixelAddress(VPoint(x, y))[0] != (level ^ 63);
    }
  }
  EXPECT_EQ(wrong, 0);
  plain->Release();
  inverted->Release();
  auto* loaded = new VColorTable(uint16_t{3});
  VRGBColor red;
  EXPECT_TRUE(loaded->GetColor(red, 1));
  EXPECT_EQ(red, VRGBColor(255, 0, 0));
  loaded->Release();
}

TEST_F(PictureConversionTest, SourcesThatFailToConvert) {
  WriteFile("bad.bmp", "BM this is not a bitmap");
  WriteFile("bad.rcx", "nothing");
  Magick("-size 8x8 xc:red -type truecolor BMP3:rgb.bmp");
  struct Row {
    std::string script;
    std::string message;
  } rows[] = {
      {"1 10 \"bad.bmp\" 0\r\n", "Build aborted: Couldn't read image file \"" + Path("bad.bmp") + "\""},
      {"1 30 \"bad.bmp\" 0\r\n", "Build aborted: Couldn't read image file \"" + Path("bad.bmp") + "\""},
      {"1 20 \"bad.rcx\" 0\r\n", "Build aborted: Couldn't read colour table file \"" + Path("bad.rcx") + "\""},
      // A 24-bit picture has no 8-bit levels to give an alpha channel.
      {"1 30 \"rgb.bmp\" 0\r\n", "Build aborted: Couldn't write the alpha channel of \"" + Path("rgb.bmp") + "\""},
  };
  for (const Row& row : rows) {
    Built b = ToolBuild(row.script);
    EXPECT_FALSE(b.ok) << row.script;
    EXPECT_NE(b.log.find(row.message + "\r\n"), std::string::npos) << row.script << b.log;
  }
}

}  // namespace
