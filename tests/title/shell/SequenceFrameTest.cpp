// The slide show's frames as the item viewer shows them, against ImageMagick:
// two JPEG pictures made by ImageMagick, stored in a language archive, are
// played by the slide-show panel on a fake clock into a window's 640 x 480
// 16-bit offscreen map over a black backdrop. At chosen times the show's
// 426 x 320 area, read back to RGB, is compared with the frame ImageMagick
// composes from the same pictures decoded by djpeg: the rising picture
// blended over the one below it, or over black, at the rising picture's
// level.
//
// A view at level L (0..63) is mixed into the map at L/63: each 5- or 6-bit
// field of the 5-6-5 pixel becomes (s * L + d * (63 - L) + 31) / 63; level 0
// draws nothing and level 63 copies. The pictures decode (libjpeg, as djpeg)
// for the 16-bit screen, each 8-bit sample cut to its top 5 or 6 bits. So the
// oracle is ImageMagick's blend at L/63 x 100 percent of the two djpeg
// pictures (or the rising picture multiplied by L/63 over black), and what
// separates the two is the 5-6-5 quantisation alone: the cut costs up to 7
// (red, blue) and 3 (green) per sample, about 39.5 dB PSNR on pictures of
// every value, and the mix rounds again in 5- and 6-bit fields (measured:
// 39.3 to 39.7 dB for the blends, 41 dB over black). The bound, 36 dB,
// leaves 3 dB for other pictures of the same kind. The second picture is the
// first's negative, mirrored, so that the two differ by about 115 on average
// and a step of the level shows: a level two steps off (33 to 35 dB), one
// mixed the other way round (12 dB), a picture missing or an area the player
// did not redraw all fall below it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/MuseumArchiveStage.h"
#include "support/PpmFile.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowTestSupport.h"

namespace {

using slideshowtest::kShowHeight;
using slideshowtest::kShowWidth;

constexpr double kMinimumPsnr = 36.0;

constexpr uint16_t kCrossFadeId = 19600;
constexpr uint16_t kOverBlackId = 19601;
constexpr uint16_t kPictureA = 19605;
constexpr uint16_t kPictureB = 19606;

class SequenceFrameTest : public testsupport::TempDirTest {
 protected:
  SequenceFrameTest() : TempDirTest("ostrevan_seqframe_") {}

  // Runs a shell command; false when it fails.
  static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
  static std::string Quoted(const std::string& path) { return "'" + path + "'"; }
};

// The picture channel of a sequence text: `resid` from `start`, rising for
// `rise` ms, held for `sustain` ms, decaying for `decay` ms, at its own size
// in the middle.
std::string PictureChannel(uint16_t resid, int32_t start, int32_t rise, int32_t sustain, int32_t decay) {
  return "channel { item picture { start " + std::to_string(start) + " rise " + std::to_string(rise) + " sustain " +
         std::to_string(sustain) + " decay " + std::to_string(decay) + " resid " + std::to_string(resid) +
         " opacity 1.00 bounds 0 0 0 0 } }\r\n";
}

TEST_F(SequenceFrameTest, FramesMatchImageMagicksBlendOfTheDjpegPictures) {
  REQUIRE_TOOL(convert, "convert");
  REQUIRE_TOOL(djpeg, "djpeg");
  // Two baseline JPEG pictures of the show's size, the second the first's
  // negative mirrored, and djpeg's decoding of each.
  const std::string a = Path("a"), b = Path("b");
  ASSERT_TRUE(Run(Quoted(convert) + " -size 426x320 -seed 7 plasma:fractal -interlace none -quality 90 " +
                  Quoted(a + ".jpg")));
  ASSERT_TRUE(Run(Quoted(convert) + " -size 426x320 -seed 7 plasma:fractal -negate -flop -interlace none -quality 90 " +
                  Quoted(b + ".jpg")));
  for (const std::string& picture : {a, b}) {
    ASSERT_TRUE(Run(Quoted(djpeg) + " -ppm -outfile " + Quoted(picture + ".ppm") + " " + Quoted(picture + ".jpg")));
  }
  const std::string archive = Path("QV_DE.msf");
  ASSERT_TRUE(slideshowtest::BuildShowArchive(
      dir_, archive,
      {// A cross-fade: B rising from 1000 to 2000 ms over A, which stays
       // opaque until B is in (the first picture of a show is on screen at
       // once, and one that a later one starts within stays opaque through
       // its decay).
       {kCrossFadeId, PictureChannel(kPictureA, 0, 0, 1000, 1000) + PictureChannel(kPictureB, 1000, 1000, 1000, 0)},
       // A shown until 1000 ms, then black, then B rising over the black
       // backdrop from 1500 to 2500 ms.
       {kOverBlackId, PictureChannel(kPictureA, 0, 0, 1000, 0) + PictureChannel(kPictureB, 1500, 1000, 1000, 0)}},
      {{kPictureA, a + ".jpg"}, {kPictureB, b + ".jpg"}}));
  testsupport::MuseumArchiveStage stage(ArchiveSlot::kLanguage, archive);
  ASSERT_TRUE(stage.IsOpen());

  struct Moment {
    int32_t position;  // ms into the show
    int32_t level;     // of the rising picture: trunc(63 x the part of the rise gone)
  };
  struct Show {
    const char* name;
    uint16_t sequenceId;
    int32_t risingPicture;  // its index among the sequence's pictures
    bool overA;             // B rises over A, else over black
    std::vector<Moment> moments;
  };
  const Show shows[] = {
      {"cross-fade", kCrossFadeId, 1, true, {{1000, 0}, {1254, 16}, {1500, 31}, {1750, 47}, {2000, 63}}},
      {"over black", kOverBlackId, 1, false, {{2000, 31}}},
  };
  for (const Show& show : shows) {
    SCOPED_TRACE(show.name);
    slideshowtest::SlideShowScene scene(show.sequenceId, VRGBColor(0, 0, 0));
    auto* rising = dynamic_cast<PictureItem*>(scene.GetSequence()->GetPicture(show.risingPicture));
    ASSERT_NE(rising, nullptr);
    for (const Moment& moment : show.moments) {
      SCOPED_TRACE(testing::Message() << "at " << moment.position << " ms");
      scene.PlayTo(moment.position);
      ASSERT_EQ(scene.GetPlayer()->GetPosition(), moment.position);
      ASSERT_EQ(rising->GetShownLevel(), moment.level);
      // The frame as the player's own redraw of what changed left it.
      const std::string frame = scene.ShowRgb();

      const std::string expected = Path("expected.ppm");
      const double part = moment.level / 63.0;
      const std::string compose =
          show.overA ? Quoted(a + ".ppm") + " " + Quoted(b + ".ppm") + " -compose blend -define compose:args=" +
                           std::to_string(part * 100.0) + " -composite "
                     : Quoted(b + ".ppm") + " -evaluate multiply " + std::to_string(part) + " ";
      ASSERT_TRUE(Run(Quoted(convert) + " " + compose + Quoted(expected)));
      int width = 0, height = 0;
      std::string oracle;
      ASSERT_TRUE(testsupport::ReadPpm(expected, width, height, oracle));
      ASSERT_EQ(width, kShowWidth);
      ASSERT_EQ(height, kShowHeight);

      const double psnr = testsupport::SamplePsnr(frame, oracle);
      RecordProperty(std::string(show.name) + " level " + std::to_string(moment.level) + " psnr",
                     std::to_string(psnr));
      EXPECT_GE(psnr, kMinimumPsnr) << "level " << moment.level;
      // The whole window drawn again shows the same frame.
      scene.RedrawWindow();
      const std::string redrawn = scene.ShowRgb();
      EXPECT_TRUE(redrawn == frame) << "the window drawn again differs: PSNR "
                                    << testsupport::SamplePsnr(redrawn, frame);
    }
  }
}

}  // namespace
