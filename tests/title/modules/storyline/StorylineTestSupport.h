// Test support of the storyline module's controls: an interface archive built
// with the program's archive tool (picture font 3 from a DejaVu face, event
// icons in both slot shapes, the arrows' pictures), opened as the title opens
// it, the title's font table loaded, and a 640 x 480 bench window on a fake
// clock whose recorder stands for the cards' and arrows' owner.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VFont.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellTestSupport.h"
#include "title/shell/StripTestSupport.h"

namespace storylinetest {

// Icon sets (first picture; +2 pressed, +4 under the pointer, +6 highlighted).
constexpr uint16_t kBandIcons = 14200;        // 7 x 15, the band slot's size
constexpr uint16_t kWideBandIcons = 14210;    // 9 x 15
constexpr uint16_t kPanelIcons = 14220;       // 15 x 7, the panel slot's size
constexpr uint16_t kLargePanelIcons = 14230;  // 17 x 9
constexpr uint16_t kMissingIcons = 14240;     // not in the archive
// The arrows' pictures (normal, and lit at +1).
constexpr uint16_t kArrowPicture = 14060;  // 66 x 116
constexpr uint32_t kArrowNormal = 0x405060;
constexpr uint32_t kArrowLit = 0xE0C040;

// The colour of picture n of an icon set: state k (0, 2, 4, 6) in its own
// colour, so tests can tell which one is shown.
inline uint32_t IconColour(uint16_t first, uint16_t id) {
  switch (id - first) {
    case 0:
      return 0xC03020;
    case 2:
      return 0x20C030;
    case 4:
      return 0x3020C0;
    default:
      return 0xF0F0F0;
  }
}

class StorylineFixture : public shelltest::ShellFixture {
 protected:
  // Font 3 of the title's table, as the sample disc makes it.
  std::string fontLine = "\"DejaVu Serif\" 14 1";

  void SetUp() override {
    ShellFixture::SetUp();
    DeleteAllFonts();
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    FreePictureFonts();
    DeleteAllFonts();
    ShellFixture::TearDown();
  }

  // Builds and opens the interface archive, loads the font table and makes
  // the bench.
  void Open() {
    std::vector<std::string> lines = {"503 -11 " + fontLine, "523 -11 " + fontLine};
    Icons(lines, kBandIcons, 7, 15);
    Icons(lines, kWideBandIcons, 9, 15);
    Icons(lines, kPanelIcons, 15, 7);
    Icons(lines, kLargePanelIcons, 17, 9);
    Picture(lines, kArrowPicture, 66, 116, kArrowNormal);
    Picture(lines, kArrowPicture + 1, 66, 116, kArrowLit);
    lines.insert(lines.end(), extraLines.begin(), extraLines.end());
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    WriteFile("gui.txt", script);
    std::filesystem::create_directories(Path("Media"));
    const std::string tool = testsupport::BuildDir() + "/tools/ostrevan-tool";
    const std::string out =
        testsupport::Capture("ASAN_OPTIONS=detect_leaks=0 '" + tool + "' archive build '" + Path("gui.txt") + "' '" +
                             Path("Media/QV_GUI.msf") + "' 2>&1; echo \"exit=$?\"");
    ASSERT_NE(out.find("exit=0"), std::string::npos) << out;
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kGui, Path("Media/QV_GUI.msf")));
    LoadPictureFonts();
    bench = std::make_unique<controltest::Bench>(640, 480);
  }

  // The log entries with the code (as "code value").
  std::vector<std::string> Logged(uint32_t code) const {
    std::vector<std::string> out;
    const std::string prefix = std::to_string(code) + " ";
    for (const std::string& line : bench->log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

  std::unique_ptr<controltest::Bench> bench;
  // More build lines for the interface archive (texts, pictures), added by
  // the tests before Open.
  std::vector<std::string> extraLines;

  // A picture of one colour, and an icon set (four pictures, state k in
  // IconColour) as build lines.
  void Picture(std::vector<std::string>& lines, uint16_t id, int32_t width, int32_t height, uint32_t colour) {
    const std::string name = "pic/p" + std::to_string(id) + ".bmp";
    WriteFile(name, striptest::Bmp24(width, height, [colour](int32_t, int32_t) { return colour; }));
    // Flag 2: kept at its size, not cropped to its content.
    lines.push_back(std::to_string(id) + " 10 \"" + Path(name) + "\" 2");
  }
  void Icons(std::vector<std::string>& lines, uint16_t first, int32_t width, int32_t height) {
    for (uint16_t k : {0, 2, 4, 6}) {
      const auto id = static_cast<uint16_t>(first + k);
      Picture(lines, id, width, height, IconColour(first, id));
    }
  }
};

}  // namespace storylinetest
