// ostrevan-tool panorama render: frame size and depth options, the same
// frame from a picture rolled by half its width at yaw + pi (composition and
// projection end to end), pictures of any width, and the refusals.
#include <gtest/gtest.h>

#include <cstdlib>
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
  testsupport::WriteBytes(Path("text.bmp"), "this is not a picture");
  std::string err;
  EXPECT_EQ(Run({"render", Path("text.bmp"), Path("x.ppm")}, err), 1);
  EXPECT_NE(err.find("not a picture"), std::string::npos) << err;
  EXPECT_EQ(Run({"render", Path("missing.bmp"), Path("x.ppm")}, err), 1);
  const std::string picture = Make("pano.bmp", kPicture);
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--depth", "24"}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--yaw", "nan"}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("x.ppm"), "--size", "10x10"}, err), 2);
  EXPECT_EQ(Run({"render", picture}, err), 2);
  EXPECT_EQ(Run({"render", picture, Path("no/such/dir/x.ppm")}, err), 1);
}

}  // namespace
