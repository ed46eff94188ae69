// Test support of the carousel module: the interface archive (ring backdrop,
// default pictures, animations, detail panel, buttons, picture fonts 2, 5 and
// 6, the house index) and the language archive (bubble table, three bubbles
// with their titles, cards and hotspot texts, the visit-count texts) built
// with the program's archive tool, opened as the title opens them; the visit
// history in memory; a 640 x 480 bench window on a fake clock whose recorder
// stands for the screen's owner; and the main screen's caption recorded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/graphics/VFont.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "title/controls/MainScreenServices.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellTestSupport.h"
#include "title/shell/StripTestSupport.h"

namespace carouseltest {

// Colours of the pictures, so that tests can tell which one is shown.
constexpr uint32_t kEvenColour = 0x20A040;
constexpr uint32_t kEvenLitColour = 0x40F080;
constexpr uint32_t kOddColour = 0x2040A0;
constexpr uint32_t kOddLitColour = 0x4080F0;
inline uint32_t CardColour(int bubble, bool lit) { return static_cast<uint32_t>(0x100000 * (bubble * 3) + (lit ? 0xF0 : 0x30)); }

// A bubble of the test disc: its number, base id, title, whether it has
// cards, and its hotspots (item code of each INFO; the hotspot's ID has
// number k + 1, its text is "<title> k+1").
struct TestBubble {
  int number;
  int base;
  std::string title;
  bool cards;
  std::vector<std::string> hotspots;
};

class RecordedCaption : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return nullptr; }
  void SetCaption(const VString& text, bool shown, bool) override {
    captions.push_back((text.GetChars() != nullptr ? std::string(text.GetChars()) : "") + (shown ? " [seen]" : ""));
  }
  std::vector<std::string> captions;
};

class CarouselFixture : public shelltest::ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    DeleteAllFonts();
    previousHistory_ = SetVisitHistory(&history);
    InstallMainScreenServices(&caption);
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    InstallMainScreenServices(nullptr);
    SetVisitHistory(previousHistory_);
    FreePictureFonts();
    DeleteAllFonts();
    ShellFixture::TearDown();
  }

  // The three bubbles of the default disc: row 0 is bubble 4 (eight
  // hotspots, cards), row 1 bubble 7 (no hotspot, no cards), row 2 bubble 3
  // (one hotspot, cards).
  std::vector<TestBubble> bubbles = {
      {4, 18400, "Diele", true, {"SH001", "VI001", "SH002", "VI002", "SH003", "VI003", "SH005", "VI005"}},
      {7, 18500, "Kontor", false, {}},
      {3, 18600, "Salon", true, {"SH004"}},
  };
  std::string index = "1 4 10 0 VI000 \"Hall\"\n2 7 20 5 VI000 \"Office\"\n3 3 30 10 VI000 \"Salon\"\n";
  bool withInterfacePictures = true;
  // A JPEG file given here becomes every bubble's panorama (base + 1).
  std::string panorama;
  int animationFrames = 3;

  // Builds and opens the archives, loads the tables and the font table and
  // makes the bench.
  void Open() {
    std::vector<std::string> gui = {"502 -11 \"DejaVu Sans\" 11 0", "522 -11 \"DejaVu Sans\" 11 0",
                                    "505 -11 \"DejaVu Sans\" 12 0", "525 -11 \"DejaVu Sans\" 12 0",
                                    "506 -11 \"DejaVu Serif\" 14 1", "526 -11 \"DejaVu Serif\" 14 1"};
    if (withInterfacePictures) {
      Picture(gui, 3000, 400, 379, 0x302010);
      Picture(gui, 3010, 76, 60, kOddColour);
      Picture(gui, 3011, 76, 60, kOddLitColour);
      Picture(gui, 3020, 76, 60, kEvenColour);
      Picture(gui, 3021, 76, 60, kEvenLitColour);
      for (int f = 0; f < animationFrames; ++f) {
        Picture(gui, 3050 + f, 99, 114, 0x808080);
        Picture(gui, 3100 + f, 225, 143, 0x909090);
      }
      Picture(gui, 3150, 332, 181, 0xE0D0B0);
      for (int id : {3040, 3042, 3043, 3045}) Picture(gui, id, 20, 16, 0x604020);
      for (int id : {10010, 10012, 10014, 10016}) Picture(gui, id, 40, 20, 0x206040);
    }
    if (!index.empty()) {
      WriteFile("text/10007.txt", index);
      gui.push_back("10007 40 \"" + Path("text/10007.txt") + "\" 0");
    }
    BuildWithTool("Media/QV_GUI.msf", gui);

    std::string table1;
    for (int n = 0; n < 1000; ++n) {
      int base = 0;
      for (const TestBubble& b : bubbles) {
        if (b.number == n) base = b.base;
      }
      table1 += std::to_string(base) + ",";
    }
    std::vector<std::string> language = TableLines([&](int t) { return t == 1 ? table1 : shelltest::UniformTable(0); });
    Text(language, 18029, "Blickpunkten besucht");
    Text(language, 18030, " von ");
    Text(language, 18223, "Willkommen im Ostrevan Haus");
    for (const TestBubble& b : bubbles) {
      std::string script = "BUBBLE { ID BU" + Three(b.number) + " HOTSPOTS { ";
      for (size_t k = 0; k < b.hotspots.size(); ++k) {
        script += "HOTSPOT { ID SH" + Three(static_cast<int>(k) + 1) + " HITRECT 0 0 1 1 INFO " + b.hotspots[k] + " } ";
        Text(language, b.base + 6 + static_cast<int>(k) + 1, b.title + " " + std::to_string(k + 1));
      }
      script += "} }";
      Text(language, b.base, script);
      Text(language, b.base + 2, b.title);
      if (!panorama.empty()) language.push_back(std::to_string(b.base + 1) + " 0 \"" + panorama + "\"");
      if (b.cards) {
        Picture(language, b.base + 3, 76, 60, CardColour(b.number, false));
        Picture(language, b.base + 5, 76, 60, CardColour(b.number, true));
      }
    }
    BuildWithTool("CD/Media/QV_DE.msf", language);
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kGui, Path("Media/QV_GUI.msf")));
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kLanguage, Path("CD/Media/QV_DE.msf")));
    ASSERT_TRUE(LoadCategoryTables());
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

  // Idle passes `ms` apart until the condition holds; false after `limit` ms.
  bool RunUntil(const std::function<bool()>& done, uint32_t ms = 20, uint32_t limit = 20000) {
    for (uint32_t t = 0; t <= limit; t += ms) {
      if (done()) return true;
      bench->clock().AdvanceMilliseconds(ms);
      bench->Idle();
    }
    return done();
  }
  void RunFor(uint32_t total, uint32_t ms = 20) {
    for (uint32_t t = 0; t < total; t += ms) {
      bench->clock().AdvanceMilliseconds(ms);
      bench->Idle();
    }
  }

  static ItemRef Item(const std::string& code) {
    ItemRef item;
    item.ParseItemRef(VString(code.c_str()));
    return item;
  }
  static std::string Three(int n) {
    std::string s = std::to_string(n);
    while (s.size() < 3) s.insert(s.begin(), '0');
    return s;
  }

  MemoryVisitHistory history;
  RecordedCaption caption;
  std::unique_ptr<controltest::Bench> bench;

 private:
  void BuildWithTool(const std::string& name, const std::vector<std::string>& lines) {
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    WriteFile(name + ".txt", script);
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    const std::string tool = testsupport::BuildDir() + "/tools/ostrevan-tool";
    const std::string out = testsupport::Capture("ASAN_OPTIONS=detect_leaks=0 '" + tool + "' archive build '" +
                                                 Path(name + ".txt") + "' '" + Path(name) + "' 2>&1; echo \"exit=$?\"");
    ASSERT_NE(out.find("exit=0"), std::string::npos) << out;
  }
  void Picture(std::vector<std::string>& lines, int id, int32_t width, int32_t height, uint32_t colour) {
    const std::string name = "pic/p" + std::to_string(id) + ".bmp";
    WriteFile(name, striptest::Bmp24(width, height, [colour](int32_t, int32_t) { return colour; }));
    lines.push_back(std::to_string(id) + " 10 \"" + Path(name) + "\" 2");
  }
  void Text(std::vector<std::string>& lines, int id, const std::string& text) {
    const std::string name = "text/t" + std::to_string(id) + ".txt";
    WriteFile(name, text);
    lines.push_back(std::to_string(id) + " 40 \"" + Path(name) + "\" 0");
  }

  VisitHistory* previousHistory_ = nullptr;
};

}  // namespace carouseltest
