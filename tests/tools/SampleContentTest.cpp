// The sample disc's sources: content/make-sample.sh draws them and the build
// crops every picture to the shape its drawing command names; the banner (a
// Targa) reads back the right way up, pixel for pixel as ImageMagick drew it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "tools/ArchiveCommands.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"

namespace {

class SampleContentTest : public testsupport::TempDirTest {
 protected:
  SampleContentTest() : TempDirTest("ostrevan_sample_") {}
};

TEST_F(SampleContentTest, PicturesAreCroppedToWhatWasDrawn) {
  REQUIRE_TOOL(convert, "convert");
  const std::string sample = Path("sample");
  ASSERT_EQ(std::system(("bash '" + OSTREVAN_SOURCE_DIR + "/content/make-sample.sh' '" + sample + "' >/dev/null").c_str()),
            0);
  std::ostringstream out, err;
  ASSERT_EQ(BuildArchive(sample + "/build.txt", sample + "/sample.msf", "", out, err), 0) << err.str();
  const std::string log = testsupport::ReadBytes(sample + "/sample.log");
  // (left, top, right, bottom) of each drawn shape, right and bottom exclusive.
  struct Row {
    std::string media;
    const char* crop;
  } rows[] = {
      {"200\t'RIX '\t" + sample + "/pictures/badge.bmp\t", "( 6, 5, 58, 42 )"},
      {"201\t'RIX '\t" + sample + "/pictures/emblem.gif\t", "( 4, 4, 45, 41 )"},
      {"202\t'RIX '\t" + sample + "/pictures/banner.tga\t", "( 3, 2, 77, 21 )"},
      {"203\t'RIX '\t" + sample + "/pictures/panel.psd\t", "( 5, 4, 45, 36 )"},
  };
  for (const Row& row : rows) {
    EXPECT_NE(log.find(std::string("Warning: the next image will be cropped to ") + row.crop + "\r\n " + row.media),
              std::string::npos)
        << row.media << "\n" << log;
  }
  EXPECT_NE(log.find("Top-left coordinates for each frame will be output to \"pictures/spin001.txt\""),
            std::string::npos)
      << log;

  // The stored banner equals ImageMagick's own reading of the Targa, cropped.
  MediaArchive archive;
  ASSERT_TRUE(archive.OpenArchive(VFileSpec((sample + "/sample.msf").c_str()), false));
  ScopedMediaArchive scope(&archive);
  auto* picture = new VPicture(202);
  PixelMap* map = picture->GetPixelMap();
  ASSERT_NE(map, nullptr);
  ASSERT_EQ(map->GetWidth(), 74);
  ASSERT_EQ(map->GetHeight(), 19);
  const std::string expected =
      testsupport::Capture("convert '" + sample + "/pictures/banner.tga' -auto-orient -crop 74x19+3+2 -depth 8 rgb:-");
  ASSERT_EQ(expected.size(), 74u * 19u * 3u);
  int wrong = 0;
  for (int y = 0; y < 19; ++y) {
    for (int x = 0; x < 74; ++x) {
      VRGBColor c;
      ASSERT_TRUE(map->GetPixel(VPoint(x, y), c));
      const char* e = expected.data() + 3 * (y * 74 + x);
      wrong += c.red != static_cast<uint8_t>(e[0]) || c.green != static_cast<uint8_t>(e[1]) ||
               c.blue != static_cast<uint8_t>(e[2]);
    }
  }
  EXPECT_EQ(wrong, 0);
  picture->Release();
}

}  // namespace
