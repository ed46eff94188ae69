// The tour scripts of the sample disc, made by its source
// (content/disc/tour/house.py media) and stored at the ids the disc uses
// (BUBBLE of BUn at 18400 + 20 (n - 1), BUBBLETRANSITION of BTk at
// 18600 + 40 (k - 1), category tables 1 and 8): every bubble and transition
// loads through the tables, its fields equal a plain regular-expression
// reading of the script, every door hotspot names the transition that leads
// to the bubble of its ID, and every transition can be started. The hall's
// panorama and the alternate hall of the extra archive (the disc's renders,
// stored unchanged) decode to djpeg's pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TourTestSupport.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/JpegTestSupport.h"
#include "engine/script/ItemRef.h"
#include "support/BuildPaths.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"
#include "title/tour/HotspotRecord.h"

namespace {

using tourtest::Code;
using tourtest::Item;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SampleDiscScriptsTest : public tourtest::TourFixture {
 protected:
  SampleDiscScriptsTest() : TourFixture({"python3", "djpeg"}) {}

  void SetUp() override {
    TourFixture::SetUp();
    const std::string out = Path("media");
    ASSERT_EQ(imgtest::RunCommand("python3 '" + testsupport::SourceDir() + "/content/disc/tour/house.py' media '" +
                                  out + "'"),
              0);
    // The TEXT media of the language archive, as the disc's build lines give them.
    const std::regex textLine(R"re(^(\d+) 40 "tour/text/([^"]+)"$)re");
    std::vector<std::string> lines;
    std::istringstream build(ReadFile(out + "/de-lines.build"));
    for (std::string line; std::getline(build, line);) {
      std::smatch m;
      if (!std::regex_match(line, m, textLine)) continue;
      const std::string file = out + "/text/" + m[2].str();
      if (!std::ifstream(file)) continue;  // table 9 comes from another script
      const int32_t id = std::stoi(m[1].str());
      lines.push_back(m[1].str() + " 40 \"" + file + "\"");
      texts_[id] = ReadFile(file);
    }
    lines.push_back("18401 0 \"" + Render("BU001-hall.jpg") + "\"");
    ASSERT_NO_FATAL_FAILURE(BuildArchives(lines, {"6010 0 \"" + Render("alt6010-hall.jpg") + "\""}));
    LoadTable(out + "/text/table01.txt", kBubbleTable);
    LoadTable(out + "/text/table08.txt", kTransitionTable);
  }

  // A category table's text: 1000 numbers each followed by a comma, after a
  // comment in angle brackets.
  void LoadTable(const std::string& file, int32_t table) {
    std::string text = std::regex_replace(ReadFile(file), std::regex("<[^>]*>"), "");
    std::istringstream in(text);
    int32_t number = 0;
    for (std::string value; std::getline(in, value, ',') && number < 1000; ++number) {
      ASSERT_TRUE(tables_.SetCategoryEntry(table, number, static_cast<uint32_t>(std::stoi(value))));
    }
    ASSERT_EQ(number, 1000) << file;
  }

  static std::string Render(const std::string& name) {
    return testsupport::SourceDir() + "/content/disc/tour/renders/" + name;
  }

  std::map<int32_t, std::string> texts_;
};

TEST_F(SampleDiscScriptsTest, EveryBubbleAndTransitionLoads) {
  const std::regex hotspotPattern(
      R"(HOTSPOT \{ ID (\w+) HITRECT (\S+) (\S+) (\S+) (\S+) INFO (\w+) \})");
  const std::regex viewPattern(R"(DEFAULTVIEWANGLE (\S+) (\S+))");
  const std::regex infoPattern(R"(\n  INFO (\w+))");
  // door hotspots: (bubble, transition) -> the bubble the door leads to
  std::map<std::pair<std::string, std::string>, std::string> doors;
  int32_t bubbles = 0;
  for (int n = 1; n <= 8; ++n) {
    const std::string code = "BU00" + std::to_string(n);
    SCOPED_TRACE(code);
    const int32_t base = 18400 + 20 * (n - 1);
    ASSERT_EQ(GetBubbleMediaId(Item(code)), base);
    const std::string& script = texts_[base];
    ASSERT_FALSE(script.empty());
    BubbleRecord record(Item(code));
    ASSERT_TRUE(record.Load(Item(code)));
    ++bubbles;
    EXPECT_EQ(Code(record.GetId()), code);
    EXPECT_FALSE(record.GetText().IsEmpty());
    EXPECT_EQ(record.GetPictureMediaId(), base + 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(script, m, viewPattern));
    EXPECT_FLOAT_EQ(record.GetDefaultYaw(), std::stof(m[1].str()));
    EXPECT_FLOAT_EQ(record.GetDefaultPitch(), std::stof(m[2].str()));
    ASSERT_TRUE(std::regex_search(script, m, infoPattern));
    EXPECT_EQ(Code(record.GetInfoItem()), m[1].str());
    EXPECT_NE(record.GetAmbientSound(), 0);
    EXPECT_NE(record.GetFootstepsSound(), 0);
    int32_t index = 0;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), hotspotPattern); it != std::sregex_iterator();
         ++it, ++index) {
      const std::smatch& h = *it;
      const HotspotRecord* hotspot = record.GetHotspot(index);
      ASSERT_NE(hotspot, nullptr) << index;
      EXPECT_EQ(Code(hotspot->GetId()), h[1].str());
      EXPECT_FLOAT_EQ(hotspot->GetHitRect().left, std::stof(h[2].str()));
      EXPECT_FLOAT_EQ(hotspot->GetHitRect().top, std::stof(h[3].str()));
      EXPECT_FLOAT_EQ(hotspot->GetHitRect().right, std::stof(h[4].str()));
      EXPECT_FLOAT_EQ(hotspot->GetHitRect().bottom, std::stof(h[5].str()));
      EXPECT_EQ(Code(hotspot->GetInfoItem()), h[6].str());
      // The text of medium base + 6 + the ID's number.
      const std::string& text = texts_[base + 6 + hotspot->GetId().GetNumber()];
      EXPECT_FALSE(text.empty());
      EXPECT_TRUE(hotspot->GetText().Equals(text.c_str())) << h[1].str();
      if (h[6].str().rfind("BT", 0) == 0) doors[{code, h[6].str()}] = h[1].str();
    }
    EXPECT_EQ(record.GetHotspotCount(), index);
    EXPECT_GT(index, 0);
  }
  EXPECT_EQ(bubbles, 8);

  for (int k = 1; k <= 14; ++k) {
    char code[6];
    std::snprintf(code, sizeof code, "BT%03d", k);
    SCOPED_TRACE(code);
    const int32_t base = 18600 + 40 * (k - 1);
    ASSERT_EQ(GetTransitionMediaId(Item(code)), base);
    BubbleTransition transition(Item(code));
    ASSERT_TRUE(transition.Load(Item(code)));
    EXPECT_TRUE(transition.CanStart());
    EXPECT_EQ(Code(transition.GetId()), code);
    const std::string& script = texts_[base];
    const std::regex wait("WAIT");
    const auto waits = std::distance(std::sregex_iterator(script.begin(), script.end(), wait),
                                     std::sregex_iterator());
    EXPECT_EQ(transition.GetStepCount(), waits);
    EXPECT_EQ(transition.GetStepFade(-1), 300);
    for (int32_t i = 0; i < transition.GetStepCount(); ++i) EXPECT_EQ(transition.GetStepFade(i), 250);
    // The door in the start bubble that names this transition leads to its end bubble.
    const auto door = doors.find({Code(transition.GetStartBubble()), code});
    ASSERT_NE(door, doors.end());
    EXPECT_EQ(door->second, Code(transition.GetEndBubble()));
  }
}

// The viewer's "Zum Ort" button goes to the bubble whose TEXT base + 3 a film or
// slide show names: for every one of them that is the bubble with the
// hotspot that opens the item, the place where the item is found in the
// house (not, say, where a film's walk ends).
TEST_F(SampleDiscScriptsTest, EveryFilmAndSlideShowLinksToTheBubbleWhoseHotspotOpensIt) {
  // item code -> the bubbles whose hotspots open it
  std::map<std::string, std::vector<std::string>> places;
  for (int n = 1; n <= 8; ++n) {
    const std::string code = "BU00" + std::to_string(n);
    BubbleRecord record(Item(code));
    ASSERT_TRUE(record.Load(Item(code))) << code;
    for (int32_t i = 0; i < record.GetHotspotCount(); ++i) {
      if (const HotspotRecord* hotspot = record.GetHotspot(i)) places[Code(hotspot->GetInfoItem())].push_back(code);
    }
  }
  const std::string media = testsupport::SourceDir() + "/content/disc/media/";
  int32_t items = 0;
  for (const auto& [table, prefix] : {std::pair{6, "SH"}, std::pair{7, "VI"}}) {
    char name[16];
    std::snprintf(name, sizeof name, "table%02d.txt", table);
    const std::string text = std::regex_replace(ReadFile(Path("media/text/") + name), std::regex("<[^>]*>"), "");
    std::istringstream in(text);
    int32_t number = 0;
    for (std::string value; std::getline(in, value, ',') && number < 1000; ++number) {
      const int32_t base = std::stoi(value);
      if (base <= 0) continue;
      char code[16];
      std::snprintf(code, sizeof code, "%s%03d", prefix, static_cast<int>(number));
      SCOPED_TRACE(code);
      ++items;
      const std::string linkFile = std::to_string(base + 3) + ".txt";
      std::string link = ReadFile(media + "texts/" + linkFile);
      if (link.empty()) link = ReadFile(media + "items/texts/" + linkFile);
      ASSERT_FALSE(link.empty()) << linkFile;
      ASSERT_EQ(places[code].size(), 1u) << "one hotspot in the house opens the item";
      EXPECT_EQ(Code(Item(link)), places[code].front()) << "the link of " << code;
    }
  }
  EXPECT_EQ(items, 6) << "SH001-SH003, VI001-VI003";
}

// The hall's picture on demand, then (on the one-shot flag) the alternate
// hall from the extra archive: both exactly as djpeg decodes the files.
TEST_F(SampleDiscScriptsTest, HallPanoramaAndItsAlternateDecodeAsDjpeg) {
  for (const bool alternate : {false, true}) {
    SCOPED_TRACE(alternate ? "alternate" : "hall");
    SetAlternateBubblePicture(alternate);
    BubbleRecord hall(Item("BU001"));
    VPicture* picture = hall.GetPicture();
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->GetPixelMap(), nullptr);
    const std::string file = Render(alternate ? "alt6010-hall.jpg" : "BU001-hall.jpg");
    const imgtest::RGBImage want = jpegtest::ReadPnm(imgtest::Capture("djpeg -pnm '" + file + "'"));
    EXPECT_EQ(want.width, 2048);
    EXPECT_TRUE(imgtest::SameImage(imgtest::Pixels(*picture->GetPixelMap()), want));
    EXPECT_FALSE(IsAlternateBubblePicture());
  }
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
