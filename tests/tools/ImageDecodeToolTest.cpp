// ostrevan-tool image decode: PPM output equal to ImageMagick's decoding of
// the same file, the alpha channel as PGM, depths, and one line on stderr
// with exit 1 for a file it cannot read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/LongGifAnimation.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/VJPEGImageReader.h"
#include "tools/ImageDecodeCommand.h"
#include "tools/PixelMapPpm.h"
#include "tools/ToolCommands.h"
#include "support/BuildPaths.h"

namespace {

using testsupport::Capture;
using testsupport::ReadBytes;

// The pixel bytes of a binary PNM (P5/P6) with its size.
struct Pnm {
  std::string magic;
  int width = 0;
  int height = 0;
  std::string pixels;
};

Pnm ParsePnm(const std::string& bytes) {
  Pnm pnm;
  std::istringstream in(bytes);
  int maximum = 0;
  in >> pnm.magic >> pnm.width >> pnm.height >> maximum;
  in.get();
  pnm.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
  return pnm;
}

class ImageDecodeTool : public testsupport::TempDirTest {
 protected:
  ImageDecodeTool() : TempDirTest("ostrevan_tool_img_") {}
  void SetUp() override {
    TempDirTest::SetUp();
    testsupport::RequireTool("convert");
  }
  std::string Make(const std::string& name, const std::string& args) {
    const std::string out = Path(name);
    EXPECT_EQ(std::system(("convert " + args + " '" + out + "'").c_str()), 0) << args;
    return out;
  }
  // Runs the executable; the exit code, with stderr into `err`.
  int Tool(const std::string& args, std::string& err) {
    const std::string errPath = Path("stderr.txt");
    const std::string command = std::string("'") + OSTREVAN_TOOL_BIN + "' " + args + " 2>'" + errPath + "' >/dev/null";
    const int status = std::system(command.c_str());
    err = ReadBytes(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// The command writes a file's first picture: of a long animation, whose
// frames stacked in one map would be over the size limit, frame 0 alone.
TEST_F(ImageDecodeTool, LongAnimationGivesItsFirstFrame) {
  const std::string gif = Path("long.gif");
  ASSERT_NO_FATAL_FAILURE(testsupport::MakeLongGifAnimation(Path(""), gif));
  std::string err;
  ASSERT_EQ(Tool("image decode '" + gif + "' '" + Path("ours.ppm") + "'", err), 0) << err;
  EXPECT_EQ(err, "");
  ASSERT_EQ(std::system(("convert '" + Path("three.gif") + "[0]' '" + Path("want.ppm") + "'").c_str()), 0);
  const Pnm ours = ParsePnm(ReadBytes(Path("ours.ppm"))), want = ParsePnm(ReadBytes(Path("want.ppm")));
  EXPECT_EQ(ours.width, 400);
  EXPECT_EQ(ours.height, 300);
  EXPECT_TRUE(ours.pixels == want.pixels);
}

TEST_F(ImageDecodeTool, OutputEqualsImageMagick) {
  struct Case {
    const char* file;
    const char* args;
    const char* depth;  // "" for the default
    int bits;
  };
  const std::vector<Case> cases = {
      {"a.bmp", "rose: -colors 40 -compress RLE -type Palette", "", 8},
      {"b.gif", "rose: -colors 64 -interlace Line", "", 8},
      {"c.tga", "rose: -compress RLE", "", 8},
      {"d.psd", "rose:", "", 8},
      {"e.bmp", "rose:", "--depth 15", 5},
      {"f.gif", "rose: -colors 32", "--depth 8", 8},
      {"g.tga", "rose:", "--depth -1", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string input = Make(c.file, c.args);
    const std::string output = Path(std::string(c.file) + ".ppm");
    std::string err;
    ASSERT_EQ(Tool("image decode '" + input + "' '" + output + "' " + c.depth, err), 0) << err;
    const Pnm ppm = ParsePnm(ReadBytes(output));
    EXPECT_EQ(ppm.magic, "P6");
    EXPECT_EQ(ppm.width, 70);
    EXPECT_EQ(ppm.height, 46);
    const std::string want = Capture("convert '" + input + "'[0] -auto-orient -depth 8 rgb:-");
    ASSERT_EQ(ppm.pixels.size(), want.size());
    int differing = 0;
    const int shift = 8 - c.bits;
    // At a smaller depth the nearest level may be the next one up.
    for (size_t i = 0; i < want.size(); ++i)
      if (std::abs((static_cast<uint8_t>(ppm.pixels[i]) >> shift) - (static_cast<uint8_t>(want[i]) >> shift)) >
          (shift ? 1 : 0))
        ++differing;
    EXPECT_EQ(differing, 0);
  }
}

// A JPEG file at 24 bits goes from the decoder to the file in bands of rows:
// the bytes are those of the picture read whole into a 24-bit pixel map and
// written from there, for every sampling and colour layout the reader takes,
// restart intervals, a width and height that are no multiple of the MCU, and
// data that end early (the rows not reached are black in both).
TEST_F(ImageDecodeTool, JpegRowsAreThoseOfThePictureReadWhole) {
  REQUIRE_TOOL(cjpeg, "cjpeg");
  const std::string source = Make("source.ppm", "-size 333x277 plasma:fractal -seed 7");
  struct Case {
    const char* name;
    const char* options;
    size_t keep;  // bytes kept of the file, 0 for all
  } cases[] = {{"2x2", "-sample 2x2", 0},          {"1x1", "-sample 1x1", 0},
               {"grey", "-grayscale", 0},          {"rgb", "-rgb", 0},
               {"rgb2x2", "-rgb -sample 2x2,1x1,1x1", 0}, {"restarts", "-sample 2x2 -restart 1", 0},
               {"cut", "-sample 2x2", 6000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = Path(std::string(c.name) + ".jpg");
    ASSERT_EQ(std::system((cjpeg + " -quality 85 " + c.options + " '" + source + "' > '" + input + "'").c_str()), 0);
    if (c.keep) std::filesystem::resize_file(input, c.keep);
    std::string want;
    {
      ScopedLoadPixelFormat depth(24);
      RegisterJPEGImageReader();
      auto* picture = new VPicture(VFileSpec(input.c_str()), kUnknownFileType, kReadPixels | kReadColorTable, 0, -1);
      ASSERT_NE(picture->GetPixelMap(), nullptr);
      ASSERT_EQ(WritePixelMapPPM(Path("want.ppm"), *picture->GetPixelMap()), "");
      picture->Release();
      want = ReadBytes(Path("want.ppm"));
    }
    const std::string output = Path(std::string(c.name) + ".ppm");
    std::string err;
    ASSERT_EQ(Tool("image decode '" + input + "' '" + output + "'", err), 0) << err;
    EXPECT_TRUE(ReadBytes(output) == want);
  }
}

TEST_F(ImageDecodeTool, StackedFramesWriteFrameZero) {
  const std::string input =
      Make("anim.gif", "-dispose None -size 8x5 xc:red \\( -size 3x2 xc:blue -repage +2+1 \\) -loop 0");
  const std::string output = Path("anim.ppm");
  std::string err;
  ASSERT_EQ(Tool("image decode '" + input + "' '" + output + "'", err), 0) << err;
  const Pnm ppm = ParsePnm(ReadBytes(output));
  EXPECT_EQ(ppm.width, 8);
  EXPECT_EQ(ppm.height, 5);
  EXPECT_EQ(ppm.pixels, Capture("convert '" + input + "'[0] -depth 8 rgb:-"));
}

TEST_F(ImageDecodeTool, AlphaChannelAsPGM) {
  const std::string input = Make("alpha.psd", "rose: \\( rose: -alpha set -channel A -fx 'i/w' +channel \\)");
  const std::string output = Path("alpha.ppm");
  const std::string pgm = Path("alpha.pgm");
  std::string err;
  ASSERT_EQ(Tool("image decode '" + input + "' '" + output + "' --alpha '" + pgm + "'", err), 0) << err;
  const Pnm alpha = ParsePnm(ReadBytes(pgm));
  EXPECT_EQ(alpha.magic, "P5");
  ASSERT_EQ(alpha.width, 70);
  ASSERT_EQ(alpha.height, 46);
  const std::string levels = Capture("convert '" + input + "'[1] -alpha extract -depth 8 gray:-");
  ASSERT_EQ(levels.size(), alpha.pixels.size());
  for (size_t i = 0; i < levels.size(); ++i) {
    const int level = static_cast<uint8_t>(levels[i]) >> 2;
    ASSERT_EQ(static_cast<uint8_t>(alpha.pixels[i]), (level * 255 + 31) / 63) << i;
  }
  // A file without an alpha channel writes no PGM.
  const std::string plain = Make("plain.bmp", "rose:");
  const std::string none = Path("none.pgm");
  ASSERT_EQ(Tool("image decode '" + plain + "' '" + Path("plain.ppm") + "' --alpha '" + none + "'", err), 0);
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST_F(ImageDecodeTool, UnreadableFilesSayWhy) {
  std::ofstream(Path("junk.bmp"), std::ios::binary) << "BMjunk";
  std::ofstream(Path("x.pict"), std::ios::binary) << std::string(600, '\0');
  std::ofstream(Path("notes.txt"), std::ios::binary) << "just text";
  // A Targa header of 8000 x 8000 pixels, far over the limit, with no pixels.
  std::string huge(18, '\0');
  huge[2] = 2;
  huge[12] = huge[14] = static_cast<char>(8000 & 0xFF);
  huge[13] = huge[15] = static_cast<char>(8000 >> 8);
  huge[16] = 24;
  std::ofstream(Path("huge.tga"), std::ios::binary) << huge;
  std::filesystem::create_directory(Path("folder.bmp"));
  const std::string rose = Make("rose.bmp", "rose:");
  struct Case {
    std::string input;
    std::string output;
    std::string says;  // what the one line on stderr holds
    bool reasonFollows;  // more text after it: the reader's reason, or the general one
  };
  const std::vector<Case> cases = {
      {Path("missing.gif"), Path("o.ppm"), "missing.gif': no such file\n", false},
      {Path("folder.bmp"), Path("o.ppm"), "folder.bmp': it is a folder\n", false},
      {Path("notes.txt"), Path("o.ppm"), "notes.txt': not a picture", true},
      // Damaged or refused files: whatever the reader says, or the general reason.
      {Path("huge.tga"), Path("o.ppm"), "huge.tga': ", true},
      {Path("junk.bmp"), Path("o.ppm"), "junk.bmp': ", true},
      {Path("x.pict"), Path("o.ppm"), "x.pict': ", true},
      {rose, Path("folder.bmp"), "cannot write '" + Path("folder.bmp") + "': it is a folder\n", false},
      {rose, Path("none/o.ppm"), "cannot write '" + Path("none/o.ppm") + "': ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::string err;
    EXPECT_EQ(Tool("image decode '" + c.input + "' '" + c.output + "'", err), 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    const size_t at = err.find(c.says);
    ASSERT_NE(at, std::string::npos) << err;
    if (c.reasonFollows) {
      EXPECT_GT(err.size(), at + c.says.size() + 1) << "no reason given: " << err;
    }
  }
}

TEST_F(ImageDecodeTool, BadCommandLines) {
  struct Case {
    std::string args;
    int code;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"image decode '" + Path("a.bmp") + "'", 2, "expected FILE and OUT"},
      {"image decode a b --depth 12", 2, "bad depth '12'"},
      {"image decode a b --quality 3", 2, "unknown option '--quality'"},
      {"image decode a b --alpha", 2, "option '--alpha' needs a value"},
      {"image frobnicate", 2, "unknown command 'frobnicate'"},
      {"image decode --help", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string err;
    EXPECT_EQ(Tool(c.args, err), c.code);
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
  }
}

TEST_F(ImageDecodeTool, EveryDepthWritesTheSameColours) {
  // The rows are written from the map's memory at each depth; at 24 and 32
  // bits the colours are exact, at 15 and 16 bits within the field's step.
  const std::string input = Make("d.bmp", "rose: -type truecolor");
  const std::string want = Capture("convert '" + input + "' -depth 8 rgb:-");
  struct Case {
    const char* depth;
    int bits;
  } cases[] = {{"24", 8}, {"32", 8}, {"-1", 8}, {"16", 5}, {"15", 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    const std::string output = Path(std::string("d") + c.depth + ".ppm");
    std::string err;
    ASSERT_EQ(Tool("image decode '" + input + "' '" + output + "' --depth " + c.depth, err), 0) << err;
    const Pnm ppm = ParsePnm(ReadBytes(output));
    ASSERT_EQ(ppm.pixels.size(), want.size());
    int differing = 0;
    for (size_t i = 0; i < want.size(); ++i) {
      const int a = static_cast<uint8_t>(ppm.pixels[i]), b = static_cast<uint8_t>(want[i]);
      differing += std::abs(a - b) > (c.bits == 8 ? 0 : 8);
    }
    EXPECT_EQ(differing, 0);
  }
  // At 8 bits a true-colour file has no colour table to index: refused, saying so.
  std::string err;
  EXPECT_EQ(Tool("image decode '" + input + "' '" + Path("d8.ppm") + "' --depth 8", err), 1);
  EXPECT_NE(err.find("no colour table at 8 bits"), std::string::npos) << err;
}

}  // namespace
