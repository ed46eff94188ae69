// ostrevan-tool movie frames: one PPM per picture in display order, close to
// ffmpeg's own decoding and conversion; exit 1 with a message for a file
// that holds no video stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "tools/ToolCommands.h"

namespace {

using testsupport::ReadBytes;

class MovieFramesToolTest : public testsupport::TempDirTest {
 protected:
  MovieFramesToolTest() : TempDirTest("movieframes") {}
};

std::string PpmPixels(const std::string& file, int& width, int& height) {
  std::istringstream in(file);
  std::string magic;
  int maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return "";
  return file.substr(static_cast<size_t>(in.tellg()));
}

TEST_F(MovieFramesToolTest, WritesEveryFrameInDisplayOrderAtBothDepths) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const std::string stream = Path("clip.m1v");
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i testsrc2=size=200x150:rate=25 -frames:v 9 "
                                  "-c:v mpeg1video -bf 2 -g 6 -q:v 3 -f mpeg1video " + stream + " && " + ffmpeg +
                         " -nostdin -loglevel error -y -i " + stream + " -fps_mode passthrough -f rawvideo "
                         "-pix_fmt rgb24 " + Path("ref.rgb")).c_str()),
            0);
  const std::string reference = ReadBytes(Path("ref.rgb"));
  ASSERT_EQ(reference.size(), size_t(200) * 150 * 3 * 9);
  for (const char* depth : {"32", "16"}) {
    const std::string dir = Path(std::string("out") + depth);
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    std::ostringstream out, err;
    ASSERT_EQ(RunTool({"movie", "frames", stream, dir, "--depth", depth}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "9 frames\n");
    for (int i = 1; i <= 9; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "/frame-%05d.ppm", i);
      int width = 0, height = 0;
      const std::string pixels = PpmPixels(ReadBytes(dir + name), width, height);
      ASSERT_EQ(width, 200);
      ASSERT_EQ(height, 150);
      ASSERT_EQ(pixels.size(), size_t(200) * 150 * 3);
      const std::string ref = reference.substr(size_t(200) * 150 * 3 * (i - 1), pixels.size());
      double se = 0;
      for (size_t k = 0; k < pixels.size(); ++k) {
        const double d = double(uint8_t(pixels[k])) - double(uint8_t(ref[k]));
        se += d * d;
      }
      const double psnr = 10 * std::log10(255.0 * 255.0 * double(pixels.size()) / std::max(se, 1.0));
      // The colour conversions differ in rounding and, at 16 bits, in depth.
      EXPECT_GE(psnr, std::string(depth) == "32" ? 38.0 : 30.0) << "frame " << i << " depth " << depth;
    }
  }
}

TEST_F(MovieFramesToolTest, RefusesWhatIsNotAVideoStream) {
  testsupport::WriteBytes(Path("text.m1v"), std::string(3000, 'x'));
  std::ostringstream out, err;
  EXPECT_EQ(RunTool({"movie", "frames", Path("text.m1v"), Path("")}, out, err), 1);
  EXPECT_NE(err.str().find("not an MPEG video stream"), std::string::npos) << err.str();
  std::ostringstream out2, err2;
  EXPECT_EQ(RunTool({"movie", "frames", Path("missing.m1v"), Path("")}, out2, err2), 1);
  EXPECT_FALSE(err2.str().empty());
  std::ostringstream out3, err3;
  EXPECT_EQ(RunTool({"movie", "frames", Path("text.m1v"), Path(""), "--depth", "24"}, out3, err3), 2);
}

}  // namespace
