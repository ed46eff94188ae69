// The pictures of the tour's records: a bubble's panorama JPEG decoded on
// demand through the engine's libjpeg path (pixels equal to `djpeg`), owned by
// the record however often it is asked for; corrupt, truncated, oversized,
// empty and missing JPEGs give no picture and leave the decoder idle; the
// one-shot alternate picture of the extra archive; and the frame pictures of
// a transition read from the archive that holds its script.
#include <gtest/gtest.h>

#include <string>

#include "TourTestSupport.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/JpegTestSupport.h"
#include "engine/script/ItemRef.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"

namespace {

using tourtest::Item;
using tourtest::PictureRef;

class BubblePictureTest : public tourtest::TourFixture {
 protected:
  BubblePictureTest() : TourFixture({"python3", "cjpeg", "djpeg", "convert"}) {}

  // A baseline JPEG of a busy test pattern.
  std::string Jpeg(const std::string& name, int32_t width, int32_t height) {
    const std::string ppm = Path(name + ".ppm");
    testsupport::WriteBytes(ppm, jpegtest::MakePpm(width, height));
    const std::string jpg = Path(name + ".jpg");
    EXPECT_EQ(imgtest::RunCommand("cjpeg -quality 90 -outfile '" + jpg + "' '" + ppm + "'"), 0);
    return testsupport::ReadBytes(jpg);
  }
  imgtest::RGBImage Djpeg(const std::string& bytes) {
    testsupport::WriteBytes(Path("ref.jpg"), bytes);
    return jpegtest::ReadPnm(imgtest::Capture("djpeg -pnm '" + Path("ref.jpg") + "'"));
  }
  static int32_t Width(VPicture* picture) { return picture->GetPixelMap()->GetWidth(); }
  static int32_t Height(VPicture* picture) { return picture->GetPixelMap()->GetHeight(); }
};

TEST_F(BubblePictureTest, PanoramaDecodesAsDjpegAndStaysOwnedByTheRecord) {
  const std::string jpeg = Jpeg("pano", 64, 32);
  BuildArchives({TextLine(3000, "BUBBLE { ID BU001 }"), CopyLine(3001, jpeg, "jpg")});
  SetBubbleBase(1, 3000);
  BubbleRecord record(Item("BU001"));
  VPicture* picture = record.GetPicture();
  ASSERT_NE(picture, nullptr);
  ASSERT_NE(picture->GetPixelMap(), nullptr);
  EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), Djpeg(jpeg)));
  // Asked again: the same picture, still with the record's one reference
  // (a caller that keeps it adds its own, as a picture bubble does).
  EXPECT_EQ(record.GetPicture(), picture);
  EXPECT_EQ(picture->GetReferenceCount(), 1);
  picture->AddReference();
  record.ReleasePicture();
  EXPECT_EQ(picture->GetReferenceCount(), 1);
  picture->Release();
  // Released, the next request decodes it again.
  VPicture* again = record.GetPicture();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Width(again), 64);
  EXPECT_TRUE(boxes_.empty());
}

// Bad panoramas: no picture, no crash, the decoder idle, and the next
// bubble's picture decodes.
TEST_F(BubblePictureTest, CorruptJpegGivesNoPictureAndTheNextOneDecodes) {
  const std::string good = Jpeg("good", 48, 24);
  std::string oversized = good;
  const size_t frame = oversized.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  for (size_t i = frame + 5; i < frame + 9; ++i) oversized[i] = '\xFF';  // 65535 x 65535
  std::string scrambled = good;
  for (size_t i = scrambled.size() / 3; i < scrambled.size() - 2; i += 7) scrambled[i] = static_cast<char>(i * 37);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"cut in half", good.substr(0, good.size() / 2)},
      {"header only", good.substr(0, 120)},
      {"start marker only", std::string("\xFF\xD8", 2)},
      {"no JPEG at all", std::string(500, 'x')},
      {"oversized frame", oversized},
      {"scrambled data", scrambled},
  };
  std::vector<std::string> lines = {TextLine(3000, "BUBBLE { }"), CopyLine(3001, good, "jpg")};
  int32_t base = 3100;
  for (const Case& c : cases) {
    lines.push_back(TextLine(base, "BUBBLE { }"));
    lines.push_back(CopyLine(base + 1, c.bytes, "jpg"));
    base += 100;
  }
  lines.push_back(TextLine(base, "BUBBLE { }"));  // no picture medium
  BuildArchives(lines);
  SetBubbleBase(1, 3000);
  for (size_t i = 0; i <= std::size(cases); ++i) {
    SCOPED_TRACE(i < std::size(cases) ? cases[i].name : "missing medium");
    SetBubbleBase(2, 3100 + 100 * static_cast<int32_t>(i));
    BubbleRecord bad(Item("BU002"));
    VPicture* picture = bad.GetPicture();
    if (i < std::size(cases) && std::string(cases[i].name) == "scrambled data") {
      // Scrambled entropy data may still decode (libjpeg only warns); it
      // must then be a whole picture.
      if (picture != nullptr) {
        EXPECT_EQ(Width(picture), 48);
      }
    } else {
      EXPECT_EQ(picture, nullptr);
    }
    EXPECT_FALSE(IsJpegDecompressing());
    BubbleRecord fine(Item("BU001"));
    ASSERT_NE(fine.GetPicture(), nullptr);
    EXPECT_EQ(Width(fine.GetPicture()), 48);
  }
}

// The alternate picture: taken once from medium 6010 of the extra archive,
// with the current archive the same afterwards; the flag is then clear.
TEST_F(BubblePictureTest, AlternatePictureComesOnceFromTheExtraArchive) {
  BuildArchives({TextLine(3000, "BUBBLE { ID BU001 }"), CopyLine(3001, Jpeg("normal", 32, 16), "jpg")},
                {CopyLine(6010, Jpeg("alternate", 64, 32), "jpg")});
  SetBubbleBase(1, 3000);
  MediaArchive* current = GetCurrentArchive();
  ASSERT_EQ(current, MainArchive());
  SetAlternateBubblePicture(true);
  BubbleRecord first(Item("BU001"));
  ASSERT_NE(first.GetPicture(), nullptr);
  EXPECT_EQ(Width(first.GetPicture()), 64);
  EXPECT_EQ(Height(first.GetPicture()), 32);
  EXPECT_FALSE(IsAlternateBubblePicture());
  EXPECT_EQ(GetCurrentArchive(), current);
  BubbleRecord second(Item("BU001"));
  ASSERT_NE(second.GetPicture(), nullptr);
  EXPECT_EQ(Width(second.GetPicture()), 32);
}

TEST_F(BubblePictureTest, AlternatePictureWithoutTheExtraArchiveIsNone) {
  BuildArchives({TextLine(3000, "BUBBLE { }"), CopyLine(3001, Jpeg("normal", 32, 16), "jpg")});
  SetBubbleBase(1, 3000);
  SetAlternateBubblePicture(true);
  BubbleRecord record(Item("BU001"));
  EXPECT_EQ(record.GetPicture(), nullptr);
  EXPECT_FALSE(IsAlternateBubblePicture());
  EXPECT_EQ(GetCurrentArchive(), MainArchive());
  // The flag was used up: the bubble's own picture comes next.
  ASSERT_NE(record.GetPicture(), nullptr);
  EXPECT_EQ(Width(record.GetPicture()), 32);
}

// Frames of a transition whose script lies in the extra archive are read
// there although the main archive is current, which stays current.
TEST_F(BubblePictureTest, FramePicturesComeFromTheArchiveOfTheTransition) {
  ASSERT_EQ(imgtest::RunCommand("convert -size 40x30 xc:red -type truecolor 'BMP3:" + Path("f0.bmp") + "'"), 0);
  ASSERT_EQ(imgtest::RunCommand("convert -size 20x10 xc:blue -type truecolor 'BMP3:" + Path("f1.bmp") + "'"), 0);
  BuildArchives({TextLine(6101, "decoy in the main archive")},
                {TextLine(6100, "BUBBLETRANSITION { ID BT001 ENDBUBBLE BU001 SEQUENCE { FADE 300 SOUND 0 WAIT 60 "
                                "FADE 250 SOUND 0 } }"),
                 CopyLine(6101, testsupport::ReadBytes(Path("f0.bmp")), "bmp"),
                 CopyLine(6102, testsupport::ReadBytes(Path("f1.bmp")), "bmp")});
  SetTransitionBase(1, 6100);
  BubbleTransition transition(Item("BT001"));
  ASSERT_EQ(transition.GetStepCount(), 1);
  PictureRef first(transition.GetFramePicture(0));
  PictureRef second(transition.GetFramePicture(1));
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(Width(first.get()), 40);
  EXPECT_EQ(Height(first.get()), 30);
  EXPECT_EQ(Width(second.get()), 20);
  EXPECT_EQ(first->GetReferenceCount(), 1);
  EXPECT_EQ(GetCurrentArchive(), MainArchive());
  // A transition without such frames: none, and nothing else changes.
  EXPECT_EQ(transition.GetFramePicture(2), nullptr);
  EXPECT_EQ(GetCurrentArchive(), MainArchive());
}

}  // namespace
