// ostrevan-tool image decode: PPM output equal to ImageMagick's decoding of
// the same file, the alpha channel as PGM, depths, and one line on stderr
// with exit 1 for a file it cannot read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "tools/ImageDecodeCommand.h"
#include "tools/ToolCommands.h"

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

TEST_F(ImageDecodeTool, UnreadableFilesAndBadCommandLines) {
  std::ofstream(Path("junk.bmp"), std::ios::binary) << "BMjunk";
  std::ofstream(Path("x.pict"), std::ios::binary) << std::string(600, '\0');
  struct Case {
    std::string args;
    int code;
  };
  const std::vector<Case> cases = {
      {"image decode '" + Path("junk.bmp") + "' '" + Path("o.ppm") + "'", 1},
      {"image decode '" + Path("missing.gif") + "' '" + Path("o.ppm") + "'", 1},
      {"image decode '" + Path("x.pict") + "' '" + Path("o.ppm") + "'", 1},
      {"image decode '" + Path("junk.bmp") + "'", 2},
      {"image decode a b --depth 12", 2},
      {"image frobnicate", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string err;
    EXPECT_EQ(Tool(c.args, err), c.code);
    if (c.code == 1) {
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
  }
}

}  // namespace
