// Test support of the index module: a small disc whose interface archive is
// built with the program's tool (the index text, a model of 41 small frames
// whose masks hold a spin area, four places' regions, a region without a
// place and the model's selected value, the intro, the strips and buttons),
// five bubbles in the language archive with their tables set, a slide show
// and a video item, a 640 x 480 bench on a fake clock and the main screen
// services noting the captions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/controls/VPictureControl.h"
#include "engine/core/ServiceCheck.h"
#include "engine/core/VString.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/VisitHistory.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PictureFrameControl.h"
#include "title/modules/panels/PanelTestSupport.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/StripTestSupport.h"

namespace indextest {

// The model's small frames and masks (the model's area is larger: points
// outside the mask lie in no region).
constexpr int32_t kFrameWidth = 32;
constexpr int32_t kFrameHeight = 24;
constexpr int32_t kModelFrames = 41;
// Mask values by column band: spin area, the places of bubbles 1 and 2, and
// right of them a region without a place above the model's selected value.
inline uint8_t ModelRegion(int32_t x, int32_t y) {
  if (x < 8) return 254;
  if (x < 16) return 10;
  if (x < 24) return 20;
  return y < 12 ? 30 : 9;
}
// Window points inside each band (the model stands at 53, 71).
constexpr int32_t kModelX = 53, kModelY = 71;
constexpr int32_t kSpinX = kModelX + 3, kPlace1X = kModelX + 11, kPlace2X = kModelX + 19, kNoPlaceX = kModelX + 27;
constexpr int32_t kBandY = kModelY + 5;

// The places: position, bubble, mask value, frame, code, title.
inline const char* kIndexText =
    "1 1 10 0 SH001 \"Halle (Liste)\"\r\n"
    "2 2 20 10 VI001 \"Kueche (Liste)\"\r\n"
    "3 3 40 20 VI000 \"Salon\"\r\n"
    "4 4 50 30 SH001 \"Treppe\"\r\n"
    "5 5 60 40\tVI001 \"Garten\"\r\n";

// An index text of `count` places "P1", "P2", ... on bubbles, masks and
// frames that repeat, none with an item to play.
inline std::string ManyPlaces(int32_t count) {
  std::string text;
  for (int32_t n = 1; n <= count; ++n) {
    text += std::to_string(n) + " " + std::to_string(n % 1000) + " " + std::to_string(n % 253 + 1) + " " +
            std::to_string(n % 41) + " VI000 \"P" + std::to_string(n) + "\"\n";
  }
  return text;
}

constexpr uint16_t kShowBase = 19800;
constexpr uint16_t kVideoBase = 19700;

class Captions : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return nullptr; }
  void SetCaption(const VString& text, bool shown, bool /*keep*/) override {
    captions.push_back(std::string(text.GetChars() != nullptr ? text.GetChars() : "") + (shown ? " [box]" : ""));
  }
  std::vector<std::string> captions;
};

// How the model's frames, region masks and highlights are made; a test may
// change them before OpenIndexDisc (sizes other than the frames', or media
// left out of the archive).
struct ModelMedia {
  int32_t frameWidth = kFrameWidth, frameHeight = kFrameHeight;
  int32_t maskWidth = kFrameWidth, maskHeight = kFrameHeight;
  int32_t highlightWidth = kFrameWidth, highlightHeight = kFrameHeight;
  std::function<bool(int32_t)> frameMissing = [](int32_t) { return false; };
  std::function<bool(int32_t)> maskMissing = [](int32_t) { return false; };
  std::function<bool(int32_t)> highlightMissing = [](int32_t) { return false; };
  // The intro's frames left out.
  bool introMissing = false;
};

// A model whose media do not fit together or are missing: masks or
// highlights of another size than their frames, frames of another size than
// the model's area (the index's or the relations screen's house), frames,
// masks, highlights or the intro left out of the archive.
struct ModelMediaCase {
  const char* name;
  std::function<void(ModelMedia&)> change;
  // Frame 10 (the kitchen's) is there to be shown.
  bool frameTenShows = true;
};
inline std::vector<ModelMediaCase> BadModelMediaCases() {
  const auto all = [](int32_t) { return true; };
  return {
      {"masks larger than their frames", [](ModelMedia& m) { m.maskWidth = 64, m.maskHeight = 48; }},
      {"masks smaller than their frames", [](ModelMedia& m) { m.maskWidth = 12, m.maskHeight = 6; }},
      {"highlights of 300 x 200, larger than the relations' house", [](ModelMedia& m) { m.highlightWidth = 300, m.highlightHeight = 200; }},
      {"highlights of 400 x 300, larger than either model", [](ModelMedia& m) { m.highlightWidth = 400, m.highlightHeight = 300; }},
      {"highlights smaller than their frames", [](ModelMedia& m) { m.highlightWidth = 8, m.highlightHeight = 4; }},
      {"frames of 300 x 200, larger than the relations' house", [](ModelMedia& m) { m.frameWidth = 300, m.frameHeight = 200; }},
      {"frames of 400 x 300, larger than either model", [](ModelMedia& m) { m.frameWidth = 400, m.frameHeight = 300; }},
      {"frames smaller than their masks", [](ModelMedia& m) { m.frameWidth = 10, m.frameHeight = 5; }},
      {"every other frame missing", [](ModelMedia& m) { m.frameMissing = [](int32_t f) { return f % 2 == 1; }; }},
      {"the first frame missing", [](ModelMedia& m) { m.frameMissing = [](int32_t f) { return f == 0; }; }},
      {"the rest frame missing", [](ModelMedia& m) { m.frameMissing = [](int32_t f) { return f == 5; }; }},
      {"every frame missing", [all](ModelMedia& m) { m.frameMissing = all; }, false},
      {"masks missing from frame 10 on", [](ModelMedia& m) { m.maskMissing = [](int32_t f) { return f >= 10; }; }},
      {"every mask missing", [all](ModelMedia& m) { m.maskMissing = all; }},
      {"every highlight missing", [all](ModelMedia& m) { m.highlightMissing = all; }},
      {"the intro missing", [](ModelMedia& m) { m.introMissing = true; }},
  };
}

class IndexFixture : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    previousHistory_ = SetVisitHistory(&history);
    {
      const ScopedMissingServicesAllowed allowed;
      previousServices_ = GetMainScreenServices();
    }
    InstallMainScreenServices(&captions);
  }
  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    InstallMainScreenServices(previousServices_);
    SetVisitHistory(previousHistory_);
    PanelFixture::TearDown();
  }

  // Builds and opens the disc with `indexText` as TEXT 10007.
  void OpenIndexDisc(const std::string& indexText = kIndexText) {
    std::vector<std::string> gui = {"50 -20 \"gui\""};
    WriteFile("index.txt", indexText);
    gui.push_back("10007 40 " + Quoted("index.txt") + " 0");
    ModelMediaLines(gui, 10400, 10500, 10600, kModelFrames, 10710, 16);
    Picture(gui, 10001, 64, 48, 0x203040);
    Picture(gui, 10702, 376, 20, 0x405060);
    Picture(gui, 10704, 20, 245, 0x405060);
    Picture(gui, 10706, 381, 20, 0x405060);
    Picture(gui, 10708, 20, 388, 0x405060);
    for (uint16_t id : {10010, 10012, 10014, 10016}) Picture(gui, id, 40, 18, 0x30A030);
    Picture(gui, 10018, 60, 20, 0x202020);
    Picture(gui, 10020, 60, 28, 0x202020);
    for (uint16_t id = 10021; id <= 10029; ++id) Picture(gui, id, 24, 16, 0x8080F0);
    // The slide show's two pictures.
    Picture(gui, 5805, 64, 48, 0xC03020);
    Picture(gui, 5806, 64, 48, 0x2030C0);
    // What a fixture built on this one adds.
    AddInterfaceMedia(gui);
    std::string script;
    for (const std::string& line : gui) script += line + "\n";
    WriteFile("gui.txt", script);
    std::filesystem::create_directories(Path("Media"));
    ASSERT_TRUE(testsupport::RunsToSuccess(
        {OSTREVAN_TOOL_BIN, "archive", "build", Path("gui.txt"), Path("Media/QV_GUI.msf")},
        {"ASAN_OPTIONS=detect_leaks=0"}, 120));

    WriteFile("show.txt",
              "channel { item picture { start 0 sustain 2000 decay 1000 resid 5805 opacity 1.00 bounds 0 0 0 0 } }\r\n"
              "channel { item picture { start 2000 rise 1000 sustain 1000 resid 5806 opacity 1.00 "
              "bounds 0 0 0 0 } }\r\n");
    languageLines = {
        "18400 -20 \"BUBBLE { ID BU001 INFO SH001 }\"", "18402 -20 \"Die Halle\"",
        "18420 -20 \"BUBBLE { ID BU002 INFO VI001 }\"", "18422 -20 \"Die Kueche\"",
        "18460 -20 \"BUBBLE { ID BU004 INFO SH001 }\"",
        "18480 -20 \"BUBBLE { ID BU005 INFO VI001 }\"", "18482 -20 \"Der Garten\"",
        std::to_string(kShowBase) + " 40 " + Quoted("show.txt") + " 0",
        "19702 -20 \"Ein Film\"",
    };
    languageLines.insert(languageLines.end(), extraLanguageLines.begin(), extraLanguageLines.end());
    // The language archive and the others as the panels' tests build them;
    // the interface archive just built is kept.
    const std::string built = Path("Media/QV_GUI.msf");
    std::filesystem::copy_file(built, Path("gui.msf"), std::filesystem::copy_options::overwrite_existing);
    guiLines.clear();
    OpenDiscKeepingInterface();
    if (HasFatalFailure()) return;
    MuseumCategoryTables& tables = GetMuseumCategoryTables();
    for (int32_t n = 0; n < 1000; ++n) {
      for (int32_t table = 1; table <= 12; ++table) ASSERT_TRUE(tables.SetCategoryEntry(table, n, 0));
    }
    for (int32_t n : {1, 2, 4, 5}) {
      ASSERT_TRUE(tables.SetCategoryEntry(1, n, static_cast<uint32_t>(18400 + 20 * (n - 1))));
    }
    ASSERT_TRUE(tables.SetCategoryEntry(6, 1, kShowBase));
    ASSERT_TRUE(tables.SetCategoryEntry(7, 1, kVideoBase));
  }

  // The film of VI001 (media kVideoBase + 1 of the video archive): two
  // seconds of a moving test picture, made with ffmpeg for the next
  // OpenIndexDisc. False (the test skipped) without ffmpeg.
  bool AddFilm() {
    const std::string ffmpeg = testsupport::RequireTool("ffmpeg");
    if (ffmpeg.empty()) return false;
    if (Run("'" + ffmpeg + "' -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=25 -t 2 "
            "-c:v mpeg1video -f mpeg '" + Path("vi.mpg") + "'") != 0) {
      ADD_FAILURE() << "ffmpeg made no film";
      return false;
    }
    videoLines.push_back(std::to_string(kVideoBase + 1) + " 0 " + Quoted("vi.mpg"));
    return true;
  }

  std::vector<std::string> Logged(uint32_t code) const {
    std::vector<std::string> out;
    const std::string prefix = std::to_string(code) + " ";
    for (const std::string& line : bench->log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

  // Lines of the interface archive's script a derived fixture adds.
  virtual void AddInterfaceMedia(std::vector<std::string>& /*gui*/) {}

  // The screen made on the owner, hidden, and one pass.
  template <typename Screen>
  Screen* MakeScreen() {
    auto* screen = new Screen(Screen::kScreenId, 0, 0, 30, 640, 480, owner);
    screen->SetVisible(false, false);
    Pass(10);
    return screen;
  }
  // Made, shown and entered (94 sent); the log and captions cleared.
  template <typename Screen>
  Screen* EnterScreen() {
    Screen* screen = MakeScreen<Screen>();
    screen->Show();
    for (int32_t i = 0; i < 400 && Logged(94).empty(); ++i) Pass(10);
    EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 " + std::to_string(Screen::kScreenId)}));
    bench->log.clear();
    captions.captions.clear();
    return screen;
  }
  // Hidden until it has left (95 sent), then deleted with the bench.
  void LeaveAndClose(PictureFrameControl* screen) {
    const std::string left = "95 " + std::to_string(screen->GetId());
    bench->log.clear();
    screen->Hide();
    for (int32_t i = 0; i < 800 && Logged(95).empty(); ++i) Pass(10);
    EXPECT_EQ(Logged(95), (std::vector<std::string>{left}));
    Close(screen);
  }
  // The screen deleted with the bench.
  void Close(PictureFrameControl* screen) {
    delete screen;
    FlushDeferredDeletions();
    bench.reset();
  }
  // The model stands at its frame f and shows that frame's grey.
  static void ExpectShowsFrame(AnimatedMaskControl* model, int32_t f) {
    EXPECT_EQ(model->GetCurrentFrame(), f);
    VPicture* picture = model->PeekPicture();
    VRGBColor shown;
    ASSERT_TRUE(picture != nullptr && picture->GetPixelMap() != nullptr);
    picture->GetPixelMap()->GetPixel(VPoint(2, 2), shown);
    EXPECT_NEAR(shown.red, FrameGrey(f), 8);
    EXPECT_NEAR(shown.green, FrameGrey(f), 8);
    EXPECT_NEAR(shown.blue, FrameGrey(f), 8);
  }
  // The main panel's screen of that kind, once `registerScreen` has put it
  // in the registry, is a Screen.
  template <typename Screen>
  void ExpectScreenOfKind(int32_t kind, void (*registerScreen)()) {
    registerScreen();
    ScreenRequest request;
    request.kind = kind;
    request.id = Screen::kScreenId;
    request.width = 640;
    request.height = 480;
    request.layer = 30;
    request.owner = owner;
    PictureFrameControl* screen = ScreenRegistry::Make(request);
    EXPECT_NE(dynamic_cast<Screen*>(screen), nullptr);
    if (screen != nullptr) {
      EXPECT_EQ(screen->GetKind(), kind);
    }
    ScreenRegistry::Unregister(kind);
    delete screen;
  }
  // The level of a picture control, -1 for another control.
  static int32_t Level(VGraphicObject* control) {
    auto* picture = dynamic_cast<VPictureControl*>(control);
    PixelMapAttributes attributes;
    if (picture == nullptr || !picture->GetPixelAttributes(attributes)) return -1;
    return attributes.GetLevel();
  }
  static bool Shown(VGraphicObject* control) { return control != nullptr && control->IsVisible(); }

  // The `frames` frames, region masks and highlights of a model as `model`
  // makes them (at frameBase, maskBase and highlightBase on), and its intro's
  // `introFrames` frames from introBase.
  void ModelMediaLines(std::vector<std::string>& gui, uint16_t frameBase, uint16_t maskBase, uint16_t highlightBase,
                       int32_t frames, uint16_t introBase, int32_t introFrames) {
    for (int32_t f = 0; f < frames; ++f) {
      if (!model.frameMissing(f)) ModelFrame(gui, static_cast<uint16_t>(frameBase + f), f);
      if (!model.highlightMissing(f)) {
        Picture(gui, static_cast<uint16_t>(highlightBase + f), model.highlightWidth, model.highlightHeight, 0xFFFFFF);
      }
      if (!model.maskMissing(f)) {
        const std::string mask = "pic/m" + std::to_string(maskBase + f) + ".bmp";
        WriteFile(mask, striptest::Bmp8(model.maskWidth, model.maskHeight, ModelRegion));
        gui.push_back(std::to_string(maskBase + f) + " 10 " + Quoted(mask) + " 34 0 8");
      }
    }
    for (int32_t f = 0; f < introFrames && !model.introMissing; ++f) {
      Picture(gui, static_cast<uint16_t>(introBase + f), kFrameWidth, kFrameHeight, 0x804020);
    }
  }

  // Frame f of a model: an 8-bit picture of one grey, FrameGrey(f), of the
  // model media's frame size.
  static uint8_t FrameGrey(int32_t f) { return static_cast<uint8_t>(16 + 3 * f); }
  void ModelFrame(std::vector<std::string>& lines, uint16_t id, int32_t f) {
    const std::string name = "pic/f" + std::to_string(id) + ".bmp";
    const uint8_t grey = FrameGrey(f);
    WriteFile(name, striptest::Bmp8(model.frameWidth, model.frameHeight, [grey](int32_t, int32_t) { return grey; }));
    // Stored as the disc stores them: 8 bits with their colour table.
    lines.push_back(std::to_string(id) + " 10 " + Quoted(name) + " 42 0 8");
  }

  // A picture of one colour, kept at its size.
  void Picture(std::vector<std::string>& lines, uint16_t id, int32_t width, int32_t height, uint32_t colour) {
    const std::string name = "pic/p" + std::to_string(id) + ".bmp";
    WriteFile(name, striptest::Bmp24(width, height, [colour](int32_t, int32_t) { return colour; }));
    // Flag 2: kept at its size, not cropped to its content.
    lines.push_back(std::to_string(id) + " 10 " + Quoted(name) + " 2");
  }

  Captions captions;
  MemoryVisitHistory history;
  ModelMedia model;
  // Language archive lines added to the index disc's.
  std::vector<std::string> extraLanguageLines;

 private:
  void OpenDiscKeepingInterface() {
    // OpenDisc rebuilds the interface archive from guiLines with the
    // engine's builder; the tool's archive goes back in before opening.
    OpenDiscWith([this] {
      std::filesystem::copy_file(Path("gui.msf"), Path("Media/QV_GUI.msf"),
                                 std::filesystem::copy_options::overwrite_existing);
    });
  }
  template <typename BeforeOpen>
  void OpenDiscWith(BeforeOpen beforeOpen) {
    std::vector<std::string> language = TableLines([](int t) { return shelltest::UniformTable(t); });
    language.emplace_back("49 -20 \"language\"");
    language.insert(language.end(), languageLines.begin(), languageLines.end());
    ASSERT_TRUE(BuildArchive("CD/Media/QV_DE.msf", language));
    ASSERT_TRUE(BuildArchive("CD/Media/QV_extra.msf", {"7000 -20 \"extra\""}));
    std::vector<std::string> video = {"49 -20 \"video\""};
    video.insert(video.end(), videoLines.begin(), videoLines.end());
    ASSERT_TRUE(BuildArchive("CD/Media/QV_DE_VI.msf", video));
    beforeOpen();
    ASSERT_TRUE(OpenMediaArchives());
    bench = std::make_unique<controltest::Bench>(640, 480);
    bench->clock().SetStepPerRead(0);
    InitClock();
    owner = new paneltest::OwnerStandIn(bench->recorder);
  }

  VisitHistory* previousHistory_ = nullptr;
  MainScreenServices* previousServices_ = nullptr;
};

}  // namespace indextest
