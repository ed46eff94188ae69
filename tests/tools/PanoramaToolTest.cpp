// ostrevan-tool panorama render: frame size and depth options, the same
// frame from a picture rolled by half its width at yaw + pi (composition and
// projection end to end), pictures of any width, and the refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "support/RequireTool.h"
#include "support/TempDir.h"
#include "tools/ToolCommands.h"

namespace {

using testsupport::ReadBytes;

struct Ppm {
  int width = 0;
  int height = 0;
  std::string pixels;
};

Ppm ReadPpm(const std::string& path) {
  Ppm ppm;
  const std::string bytes = ReadBytes(path);
  std::istringstream in(bytes);
  std::string magic;
  int maximum = 0;
  in >> magic >> ppm.width >> ppm.height >> maximum;
  if (magic != "P6") return Ppm();
  in.get();
  ppm.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
  return ppm;
}

class PanoramaTool : public testsupport::TempDirTest {
 protected:
  PanoramaTool() : TempDirTest("ostrevan_tool_pano_") {}
  void SetUp() override {
    TempDirTest::SetUp();
    testsupport::RequireTool("convert");
  }
  std::string Make(const std::string& name, const std::string& args) {
    const std::string out = Path(name);
    EXPECT_EQ(std::system(("convert " + args + " -type truecolor 'BMP3:" + out + "'").c_str()), 0) << args;
    return out;
  }
  int Run(const std::vector<std::string>& args, std::string& err) {
    std::ostringstream out;
    std::ostringstream errors;
    std::vector<std::string> all{"panorama"};
    all.insert(all.end(), args.begin(), args.end());
    const int code = RunTool(all, out, errors);
    err = errors.str();
    return code;
  }
  static constexpr const char* kPicture =
      "-size 256x512 gradient:yellow-blue -rotate 90 \\( -size 512x256 tile:pattern:checkerboard \\) "
      "-compose multiply -composite -fill red -draw 'rectangle 0,0 5,255' -fill white -draw 'circle 100,90 100,110'";
};

TEST_F(PanoramaTool, WritesAFrameOfTheRequestedSizeAtEitherDepth) {
  const std::string picture = Make("pano.bmp", kPicture);
  struct Case {
    std::vector<std::string> options;
    int width, height;
  };
  const std::vector<Case> cases = {
      {{}, 640, 480},
      {{"--size", "320x200", "--depth", "32"}, 320, 200},
      {{"--fast", "--yaw", "2.5", "--pitch", "-0.3"}, 640, 480},
      {{"--fast", "--depth", "32", "--size", "100x60"}, 100, 60},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"render", picture, Path("out.ppm")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    std::string err;
    ASSERT_EQ(Run(args, err), 0) << err;
    const Ppm ppm = ReadPpm(Path("out.ppm"));
    EXPECT_EQ(ppm.width, c.width);
    EXPECT_EQ(ppm.height, c.height);
    ASSERT_EQ(ppm.pixels.size(), static_cast<size_t>(c.width) * c.height * 3);
    EXPECT_NE(ppm.pixels.find_first_not_of('\0'), std::string::npos) << "not a black frame";
  }
}

TEST_F(PanoramaTool, APictureRolledByHalfItsWidthAtYawPlusPiGivesTheSameFrame) {
  const std::string picture = Make("pano.bmp", kPicture);
  const std::string rolled = Make("rolled.bmp", std::string(kPicture) + " -roll +256+0");
  for (const char* depth : {"16", "32"}) {
    for (const char* fast : {"", "--fast"}) {
      std::string err;
      std::vector<std::string> a{"render", picture, Path("a.ppm"), "--yaw", "0.5", "--pitch", "0.25", "--depth", depth};
      std::vector<std::string> b{"render",  rolled,    Path("b.ppm"), "--yaw", "3.6415927", "--pitch",
                                 "0.25",    "--depth", depth};
      if (*fast) {
        a.push_back(fast);
        b.push_back(fast);
      }
      ASSERT_EQ(Run(a, err), 0) << err;
      ASSERT_EQ(Run(b, err), 0) << err;
      EXPECT_TRUE(ReadBytes(Path("a.ppm")) == ReadBytes(Path("b.ppm"))) << depth << " " << fast;
    }
  }
}

TEST_F(PanoramaTool, APictureOfAnyWidthIsScaledIntoTheMap) {
  const std::string picture = Make("odd.bmp", "-size 600x300 gradient:red-blue");
  std::string err;
  ASSERT_EQ(Run({"render", picture, Path("odd.ppm"), "--size", "200x150"}, err), 0) << err;
  const Ppm ppm = ReadPpm(Path("odd.ppm"));
  ASSERT_EQ(ppm.pixels.size(), 200u * 150 * 3);
  // The frame's middle row shows the picture's middle: neither black nor a gap.
  for (int x = 0; x < 200; ++x) {
    const size_t at = (75u * 200 + static_cast<size_t>(x)) * 3;
    EXPECT_GT(static_cast<uint8_t>(ppm.pixels[at]) + static_cast<uint8_t>(ppm.pixels[at + 2]), 100) << x;
  }
}

TEST_F(PanoramaTool, RefusesWhatItCannotReadOrUnderstand) {
  const std::string picture = Make("pano.bmp", kPicture);
  std::string err;
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--depth", "24"}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--yaw", "nan"}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--size", "10x10"}, err), 2);
  EXPECT_EQ(Run({"render", picture}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("no/such/dir/x.ppm")}, err), 1);
}

TEST_F(PanoramaTool, SaysWhyAFileIsNoPanoramaAndReadsJpegsAsBubblesDo) {
  REQUIRE_TOOL(cjpeg, "cjpeg");
  REQUIRE_TOOL(djpeg, "djpeg");
  // A progressive photograph, and what djpeg makes of it as a BMP: both must
  // give the same frame.
  ASSERT_EQ(std::system(("convert " + std::string(kPicture) + " 'ppm:" + Path("pano.ppm") + "'").c_str()), 0);
  ASSERT_EQ(std::system(("'" + cjpeg + "' -progressive -quality 85 -outfile '" + Path("progressive.jpg") + "' '" +
                         Path("pano.ppm") + "'")
                            .c_str()),
            0);
  ASSERT_EQ(std::system(("'" + djpeg + "' -bmp -outfile '" + Path("djpeg.bmp") + "' '" + Path("progressive.jpg") + "'")
                            .c_str()),
            0);
  std::filesystem::create_directory(Path("folder.bmp"));
  testsupport::WriteBytes(Path("text.bmp"), "this is not a picture");
  testsupport::WriteBytes(Path("text.jpg"), "this is not a picture");
  testsupport::WriteBytes(Path("cut.jpg"), ReadBytes(Path("progressive.jpg")).substr(0, 300));
  struct Case {
    std::string file;
    int code;
    std::string message;  // the end of the error line
  };
  const std::vector<Case> cases = {
      {Path("progressive.jpg"), 0, ""},
      {Path("djpeg.bmp"), 0, ""},
      {Path("missing.jpg"), 1, "missing.jpg': no such file\n"},
      {Path("missing.bmp"), 1, "missing.bmp': no such file\n"},
      {Path("folder.bmp"), 1, "folder.bmp': it is a folder\n"},
      {Path("text.jpg"), 1, "text.jpg': libjpeg cannot decode it: Not a JPEG file: starts with 0x74 0x68\n"},
      {Path("cut.jpg"), 1, "cut.jpg': libjpeg cannot decode it: "},
      {Path("text.bmp"), 1, "text.bmp': "},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Run({"render", c.file, Path(c.file.substr(c.file.rfind('/') + 1) + ".ppm"), "--size", "160x120"}, err),
              c.code)
        << c.file << ": " << err;
    if (c.code == 0) {
      EXPECT_EQ(err, "") << c.file;
      continue;
    }
    EXPECT_EQ(err.rfind("ostrevan-tool: cannot read panorama '", 0), 0u) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.file << ": " << err;
  }
  EXPECT_TRUE(ReadBytes(Path("progressive.jpg.ppm")) == ReadBytes(Path("djpeg.bmp.ppm")))
      << "the photograph decodes as djpeg decodes it";
}

TEST_F(PanoramaTool, WholeTurnsOfYawEitherWayGiveTheIdenticalFrame) {
  const std::string picture = Make("pano.bmp", kPicture);
  constexpr double kTurn = 2 * std::numbers::pi;
  for (const double yaw : {2.0, 0.3, 5.1}) {
    for (const char* pitch : {"0.2", "-0.5", "0"}) {
      for (const char* fast : {"", "--fast"}) {
        std::string reference;
        for (const int turns : {0, 1, -1, 3}) {
          char text[40];
          std::snprintf(text, sizeof text, "%.17g", yaw + turns * kTurn);
          std::vector<std::string> args{"render", picture, Path("t.ppm"), "--size", "320x240", "--yaw", text,
                                        "--pitch", pitch};
          if (*fast) args.push_back(fast);
          std::string err;
          ASSERT_EQ(Run(args, err), 0) << err;
          if (turns == 0) {
            reference = ReadBytes(Path("t.ppm"));
          } else {
            EXPECT_TRUE(ReadBytes(Path("t.ppm")) == reference) << "yaw " << text << " pitch " << pitch << " " << fast;
          }
        }
      }
    }
  }
}

}  // namespace
