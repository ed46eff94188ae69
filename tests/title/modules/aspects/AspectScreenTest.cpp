// The aspect screen on a small disc and a fake clock: the pictures fading in
// one after another and the list sliding in before 94, the closing sequence
// before 95; descending into a node with the moving title bar and climbing
// back; a click while the bar moves; a leaf opening its item in the item
// viewer and the viewer (or the link) leading back to the list; hiding with
// the viewer open; ShowAspect; and discs whose trees are empty, cyclic or
// far too long.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/ServiceCheck.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VFont.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "engine/sound/SoundManager.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/modules/aspects/AspectScreen.h"
#include "title/modules/aspects/AspectTitleBar.h"
#include "title/modules/panels/PanelTestSupport.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/StripTestSupport.h"
#include "title/shell/VideoItemPanel.h"
#include "title/shell/ViewerBackdropPanel.h"

namespace {

using State = AspectScreen::BarAction;

constexpr int32_t kTable = AspectRecord::kAspectTable;
constexpr int32_t kScriptBase = 19800;

class CurrentPanel : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& /*text*/, bool /*shown*/, bool /*keep*/) override {}
  VGraphicObject* panel = nullptr;
};

// An aspect of the test disc: its number, title and script.
struct Aspect {
  int32_t number;
  std::string title;
  std::string script;
};

// The tree of most tests:
//   Architektur (AS001) -> Fachwerk (AS010, VI001), Dach (AS011) -> Balken (AS020, VI001)
//   Alltag (AS002) -> Kueche (AS012, SH001 without content)
//   Handel (AS003, a top-level leaf)
const std::vector<Aspect> kTree = {
    {0, "", "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS002 ASPECTID AS003 } }"},
    {1, "Architektur", "ASPECT { ID AS001 CHILDREN { ASPECTID AS010 ASPECTID AS011 } }"},
    {2, "Alltag", "ASPECT { ID AS002 CHILDREN { ASPECTID AS012 } }"},
    {3, "Handel", "ASPECT { ID AS003 INFO VI001 }"},
    {10, "Fachwerk", "ASPECT { ID AS010 INFO VI001 }"},
    {11, "Dach", "ASPECT { ID AS011 CHILDREN { ASPECTID AS020 } }"},
    {12, "Kueche", "ASPECT { ID AS012 INFO SH001 }"},
    {20, "Balken", "ASPECT { ID AS020 INFO VI001 }"},
};

class AspectScreenTest : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    DeleteAllFonts();
    previousHistory_ = SetVisitHistory(&history_);
    {
      const ScopedMissingServicesAllowed allowed;
      previousServices_ = GetMainScreenServices();
    }
    InstallMainScreenServices(&services_);
    GetSoundManager().SetTriggerListener([this](int32_t index) { sounds.push_back(index); });
  }
  void TearDown() override {
    GetSoundManager().SetTriggerListener({});
    services_.panel = nullptr;
    if (bench) FlushDeferredDeletions();
    delete panel_;
    panel_ = nullptr;
    InstallMainScreenServices(previousServices_);
    SetVisitHistory(previousHistory_);
    FreePictureFonts();
    PanelFixture::TearDown();
    DeleteAllFonts();
  }

  // The disc: the aspects' scripts and titles in the language archive, VI001
  // (no movie: its panel plays nothing) with caption and link, and the
  // interface archive made with the tool: fonts 5 and 6, the three pictures
  // and the back button.
  void OpenAspectDisc(const std::vector<Aspect>& aspects) {
    for (const Aspect& a : aspects) {
      const int32_t media = kScriptBase + 2 * a.number;
      WriteFile("aspects/" + std::to_string(a.number) + ".txt", a.script);
      WriteFile("aspects/" + std::to_string(a.number) + "-title.txt", a.title);
      languageLines.push_back(std::to_string(media) + " 40 " + Quoted("aspects/" + std::to_string(a.number) + ".txt"));
      languageLines.push_back(std::to_string(media + 1) + " 40 " +
                              Quoted("aspects/" + std::to_string(a.number) + "-title.txt"));
    }
    languageLines.insert(languageLines.end(), {"19702 -20 \"Ein Film\"", "19703 -20 \"BU002\""});
    OpenDisc();
    if (HasFatalFailure()) return;
    BuildInterface();
    if (HasFatalFailure()) return;
    MuseumCategoryTables& tables = GetMuseumCategoryTables();
    for (int32_t n = 0; n < 1000; ++n) tables.SetCategoryEntry(kTable, n, 0xFFFFFFFFu);
    for (const Aspect& a : aspects) tables.SetCategoryEntry(kTable, a.number, kScriptBase + 2 * a.number);
    tables.SetCategoryEntry(ItemViewer::kVideoTable, 1, 19700);
    tables.SetCategoryEntry(ItemViewer::kSlideShowTable, 1, 0);
    // The main interface screen, for the caption and the status code.
    services_.panel = nullptr;
    delete panel_;
    panel_ = new VControl(257, 2, 0, 0, 0, 640, 480, nullptr);
    strip = new MainInterfaceScreen(MainInterfaceScreen::kId, 0, 0, 400, 5, 640, 80, panel_);
    services_.panel = panel_;
  }

  void BuildInterface() {
    const std::string font = "\"DejaVu Sans\" 14 1";
    std::vector<std::string> lines = {"50 -20 \"gui\"", "505 -11 " + font, "525 -11 " + font, "506 -11 " + font,
                                      "526 -11 " + font};
    const struct {
      uint16_t id;
      int32_t width, height;
      uint32_t colour;
    } pictures[] = {{13100, 340, 400, 0x604020}, {13200, 241, 400, 0x406080}, {13300, 59, 400, 0x204060},
                    {13400, 20, 20, 0xC0C0C0},   {13401, 20, 20, 0xE0E0E0},   {13402, 20, 20, 0xFFFFFF}};
    for (const auto& p : pictures) {
      if (!withPictures) break;
      const std::string name = "gui/p" + std::to_string(p.id) + ".bmp";
      const uint32_t colour = p.colour;
      WriteFile(name, striptest::Bmp24(p.width, p.height, [colour](int32_t, int32_t) { return colour; }));
      lines.push_back(std::to_string(p.id) + " 10 \"" + Path(name) + "\" 2");
    }
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    WriteFile("gui.txt", script);
    const std::string tool = testsupport::BuildDir() + "/tools/ostrevan-tool";
    const std::string out =
        testsupport::Capture("ASAN_OPTIONS=detect_leaks=0 '" + tool + "' archive build '" + Path("gui.txt") + "' '" +
                             Path("Media/QV_GUI.msf") + "' 2>&1; echo \"exit=$?\"");
    ASSERT_NE(out.find("exit=0"), std::string::npos) << out;
    ASSERT_TRUE(GetMuseumArchives().Open(ArchiveSlot::kGui, Path("Media/QV_GUI.msf")));
    LoadPictureFonts();
  }

  // False: the interface archive holds none of the screen's pictures.
  bool withPictures = true;

  AspectScreen* Make() {
    auto* screen = new AspectScreen(AspectScreen::kScreenId, 0, 0, 30, 640, 480, bench->recorder);
    screen->SetVisible(false, false);
    return screen;
  }

  // Runs until the screen reaches the state (at most 2 s); the time it took.
  uint32_t RunUntilState(AspectScreen& screen, int32_t state) {
    uint32_t ms = 0;
    while (screen.GetState() != state && ms < 2000) {
      Pass(10);
      ms += 10;
    }
    return ms;
  }

  // Fake time in steps of 10 ms.
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 10) Pass(10);
  }

  AspectScreen* OpenScreen() {
    AspectScreen* screen = Make();
    screen->Show();
    Run(2100);
    EXPECT_EQ(screen->GetState(), 5);
    return screen;
  }

  static int32_t Level(VPictureControl* picture) {
    PixelMapAttributes attributes;
    return picture != nullptr && picture->GetPixelAttributes(attributes) ? attributes.GetLevel() : -1;
  }

  std::vector<std::string> Titles(AspectScreen& screen) {
    std::vector<std::string> out;
    for (const VString& t : screen.GetTitles()) out.emplace_back(t.GetChars() != nullptr ? t.GetChars() : "");
    return out;
  }

  std::string Caption() {
    auto* caption = dynamic_cast<VTextControl*>(strip->FindObject(MainInterfaceScreen::kCaptionId));
    return caption != nullptr ? caption->GetChars() : "?";
  }

  std::vector<std::string> Logged(uint32_t code) const {
    std::vector<std::string> out;
    const std::string prefix = std::to_string(code) + " ";
    for (const std::string& line : bench->log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

  static VRect Bounds(VGraphicObject* object) { return object->GetBounds(); }

  std::vector<int32_t> sounds;
  MainInterfaceScreen* strip = nullptr;

 private:
  MemoryVisitHistory history_;
  VisitHistory* previousHistory_ = nullptr;
  CurrentPanel services_;
  MainScreenServices* previousServices_ = nullptr;
  VControl* panel_ = nullptr;
};

TEST_F(AspectScreenTest, PicturesFadeInOneAfterAnotherTheListSlidesInAndAllGoesBackOnHide) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = Make();
  ASSERT_EQ(screen->GetTree().GetCount(), 3);
  EXPECT_EQ(Titles(*screen), (std::vector<std::string>{"Architektur", "Alltag", "Handel"}));
  VPictureControl* first = screen->GetPicture(0);
  VPictureControl* second = screen->GetPicture(1);
  VPictureControl* third = screen->GetPicture(2);
  EXPECT_EQ(Bounds(second).left, 340);
  EXPECT_EQ(Bounds(third).left, 581);
  EXPECT_EQ(Bounds(screen->GetList()).left, 640) << "the list waits beyond the right edge";

  screen->Show();
  EXPECT_EQ(screen->GetState(), 1);
  EXPECT_TRUE(first->IsVisible());
  EXPECT_FALSE(second->IsVisible());
  EXPECT_FALSE(third->IsVisible());
  EXPECT_EQ(Level(first), 0);
  Run(250);
  EXPECT_GT(Level(first), 15);
  EXPECT_LT(Level(first), 50);
  EXPECT_EQ(RunUntilState(*screen, 2), 270) << "500 ms, ended on the fade's 40 ms ticks";
  EXPECT_EQ(Level(first), 63);
  EXPECT_TRUE(third->IsVisible()) << "the narrow picture comes second";
  EXPECT_FALSE(second->IsVisible());
  EXPECT_EQ(Level(third), 0);
  EXPECT_EQ(RunUntilState(*screen, 3), 520);
  EXPECT_EQ(Level(third), 63);
  EXPECT_TRUE(second->IsVisible());
  EXPECT_EQ(RunUntilState(*screen, 4), 520);
  EXPECT_TRUE(screen->GetList()->IsVisible());
  EXPECT_TRUE(Logged(94).empty());
  Run(250);
  EXPECT_GT(Bounds(screen->GetList()).left, 342);
  EXPECT_LT(Bounds(screen->GetList()).left, 640);
  // The list passes its place by 4 % of the way (342 - 11) and settles.
  int32_t leftmost = 640;
  uint32_t slid = 0;
  while (screen->GetState() != 5 && slid < 2000) {
    Pass(10);
    slid += 10;
    leftmost = std::min(leftmost, Bounds(screen->GetList()).left);
  }
  EXPECT_EQ(slid, 250u) << "the slide takes 500 ms";
  EXPECT_GE(leftmost, 331);
  EXPECT_LT(leftmost, 342);
  EXPECT_EQ(Bounds(screen->GetList()).left, 342);
  EXPECT_EQ(Bounds(screen->GetList()).top, (380 - 3 * 20) / 2) << "three rows centred in the list";
  EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 14417"}));

  screen->Hide();
  EXPECT_EQ(screen->GetState(), 7);
  EXPECT_EQ(RunUntilState(*screen, 8), 500);
  EXPECT_EQ(Bounds(screen->GetList()).left, 640);
  EXPECT_FALSE(screen->GetList()->IsVisible());
  EXPECT_EQ(Level(second), 63);
  Run(250);
  EXPECT_LT(Level(second), 50) << "fading out";
  EXPECT_EQ(RunUntilState(*screen, 9), 270);
  EXPECT_FALSE(second->IsVisible());
  EXPECT_TRUE(Logged(95).empty());
  EXPECT_EQ(RunUntilState(*screen, 10), 520);
  EXPECT_FALSE(first->IsVisible());
  EXPECT_EQ(RunUntilState(*screen, 11), 520);
  EXPECT_FALSE(first->IsVisible());
  EXPECT_FALSE(second->IsVisible());
  EXPECT_FALSE(third->IsVisible());
  Run(100);
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14417"})) << "once, on a tick after the end";
  delete screen;
}

TEST_F(AspectScreenTest, DescendsWithTheMovingTitleBarAndClimbsBack) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  AspectTitleBar* bar = screen->GetTitleBar();
  const VFont* font = GetPictureFont(6);
  ASSERT_NE(font, nullptr);

  screen->OpenAspect(2, true);
  EXPECT_EQ(screen->GetChosenNode(), nullptr) << "a top-level leaf opens nothing";
  EXPECT_EQ(screen->GetChosenLeaf(), nullptr);

  const int32_t topListTop = Bounds(screen->GetList()).top;
  screen->OpenAspect(0, true);
  EXPECT_EQ(screen->GetBarAction(), State::kDescend);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_FALSE(bar->IsBackButtonShown());
  EXPECT_TRUE(screen->GetList()->IsDimmingUnselected());
  EXPECT_EQ(Caption(), "Architektur");
  Run(200);
  screen->OpenAspect(1, true);
  EXPECT_EQ(screen->GetChosenNode(), screen->GetTree().GetAt(0)) << "a click while the bar moves is ignored";
  Run(400);
  EXPECT_EQ(screen->GetDepth(), 1);
  EXPECT_EQ(screen->GetDisplayedList(), screen->GetTree().GetAt(0)->GetChildren());
  EXPECT_EQ(Titles(*screen), (std::vector<std::string>{"Fachwerk", "Dach"}));
  EXPECT_TRUE(bar->IsBackButtonShown());
  EXPECT_FALSE(screen->GetList()->IsDimmingUnselected());
  const int32_t width = font->GetTextWidth("Architektur", 11);
  EXPECT_EQ(Bounds(bar).GetWidth(), width + AspectTitleBar::kExtraWidth);
  EXPECT_EQ(Bounds(bar).right, 342) << "the fitted bar ends at the list's edge";

  // The bar stands level with the chosen row (row 0 of the top list); then
  // the node's title follows the pointer along its children.
  const int32_t rise = Bounds(bar).top - topListTop;
  EXPECT_EQ(Bounds(screen->GetList()).top, (380 - 2 * 20) / 2);
  screen->HandleEvent(AppTaskListControl::kMessageHovered, 1, 0);
  EXPECT_EQ(screen->GetBarAction(), State::kFollow);
  Run(600);
  EXPECT_EQ(Bounds(bar).top, Bounds(screen->GetList()).top + 20 + rise);
  EXPECT_EQ(Bounds(bar).right, 342);

  // A third level, and back up one level at a time.
  screen->OpenAspect(1, true);
  Run(600);
  EXPECT_EQ(screen->GetDepth(), 2);
  EXPECT_EQ(Titles(*screen), (std::vector<std::string>{"Balken"}));
  sounds.clear();
  screen->HandleEvent(kEventButtonClicked, AspectTitleBar::kBackButtonId, 0);
  EXPECT_EQ(sounds, (std::vector<int32_t>{AspectScreen::kSoundBack}));
  EXPECT_EQ(screen->GetDepth(), 1);
  EXPECT_EQ(Titles(*screen), (std::vector<std::string>{"Fachwerk", "Dach"}));
  Run(600);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_TRUE(bar->IsBackButtonShown()) << "the parent's title with its back button again";
  EXPECT_EQ(Caption(), "Architektur");
  screen->GoBack();
  EXPECT_EQ(screen->GetDepth(), 0);
  EXPECT_EQ(Titles(*screen), (std::vector<std::string>{"Architektur", "Alltag", "Handel"}));
  EXPECT_EQ(Caption(), "");
  Run(600);
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(screen->GetBarAction(), State::kNone);
  screen->GoBack();
  EXPECT_EQ(screen->GetDepth(), 0) << "nothing above the top";

  sounds.clear();
  screen->HandleEvent(kEventButtonEntered, AspectTitleBar::kBackButtonId, 0);
  EXPECT_EQ(sounds, (std::vector<int32_t>{AspectScreen::kSoundOverBack}));
  delete screen;
}

// With the pointer: a click on a row descends, and moving the pointer down
// the children takes the node's title along.
TEST_F(AspectScreenTest, ThePointerChoosesARowAndTheTitleFollowsItAlongTheChildren) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  AspectTitleBar* bar = screen->GetTitleBar();
  const int32_t listTop = Bounds(screen->GetList()).top;
  for (int32_t y = 100; y <= listTop + 10; y += 5) {
    bench->Move(420, y);
    Pass(10);
  }
  Run(300);
  bench->Down(420, listTop + 10);
  Pass(10);
  bench->Up(420, listTop + 10);
  Run(600);
  ASSERT_EQ(screen->GetDepth(), 1);
  const int32_t rise = Bounds(bar).top - listTop;
  const int32_t childTop = Bounds(screen->GetList()).top;
  for (int32_t y = listTop + 10; y <= childTop + 30; y += 4) {
    bench->Move(420, y);
    Pass(10);
  }
  Run(800);
  EXPECT_EQ(screen->GetList()->GetHoveredItem(), 1);
  EXPECT_EQ(Bounds(bar).top, childTop + 20 + rise) << "the title stands by the row under the pointer";
  // Below its rows the list lets the pointer go: the strip's buttons there
  // hear their clicks.
  EXPECT_EQ(Bounds(screen->GetList()).GetHeight(), 2 * 20);
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), screen->GetList());
  bench->Move(424, 452);
  Pass(10);
  EXPECT_NE(VGraphicObject::GetCapturedObject(), screen->GetList());
  delete screen;
}

// The highlight bar under the pointer shows the hovered row's own title,
// whole: the bright text pixels inside the bar span the width of that title
// in the bar's font, keep off the bar's top edge and are as tall as its
// capitals. Every row
// of the top level and of a node's children, so that rows away from the
// list's middle count too.
TEST_F(AspectScreenTest, TheHighlightBarShowsTheHoveredRowsOwnTitleWhole) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  AppTaskListControl* list = screen->GetList();
  VFont* barFont = GetPictureFont(6);
  ASSERT_NE(barFont, nullptr);
  const auto checkRows = [&](const std::vector<std::string>& titles) {
    for (size_t row = 0; row < titles.size(); ++row) {
      SCOPED_TRACE(titles[row]);
      const VRect listBounds = Bounds(list);
      const int32_t y = listBounds.top + static_cast<int32_t>(row) * 20 + 10;
      bench->Move(listBounds.left + 60, y);
      Run(400);
      ASSERT_EQ(list->GetHoveredItem(), static_cast<int32_t>(row));
      bench->Redraw();
      VRect bar;
      list->GetHighlightRect(bar);
      bar.Offset(listBounds.left, listBounds.top);
      int32_t left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
      // Inside the one-pixel frame; the bar is blue-grey (107, 173, 205),
      // the text near white.
      for (int32_t py = bar.top + 1; py < bar.bottom - 1; ++py) {
        for (int32_t px = bar.left + 1; px < bar.right - 1; ++px) {
          if (((bench->PixelAt(px, py) >> 16) & 0xFF) < 200) continue;
          left = std::min(left, px);
          right = std::max(right, px);
          top = std::min(top, py);
          bottom = std::max(bottom, py);
        }
      }
      ASSERT_GE(right, 0) << "the bar shows a title";
      const int32_t width = barFont->GetTextWidth(titles[row].c_str(), static_cast<int32_t>(titles[row].size()));
      EXPECT_NEAR(right - left + 1, width, 3) << "the bar shows this row's title, not another's";
      EXPECT_GT(top, bar.top + 1) << "the title is not cut at the bar's top";
      EXPECT_GE(bottom - top + 1, barFont->GetAscent(nullptr) * 2 / 3) << "the title stands whole in the bar";
    }
  };
  checkRows({"Architektur", "Alltag", "Handel"});
  bench->Move(420, 20);
  Run(300);
  screen->OpenAspect(0, false);
  Run(100);
  checkRows({"Fachwerk", "Dach"});
  delete screen;
}

// A leaf chosen with the pointer: the list goes while the pointer rests on
// the leaf's row, and comes back, after the viewer, with no row lit although
// the pointer is elsewhere by then.
TEST_F(AspectScreenTest, TheListComesBackFromALeafWithNoRowLit) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  screen->OpenAspect(0, true);
  Run(600);
  AppTaskListControl* list = screen->GetList();
  const int32_t leafY = Bounds(list).top + 10;  // Fachwerk, a leaf
  for (int32_t y = 100; y <= leafY; y += 5) {
    bench->Move(420, y);
    Pass(10);
  }
  Run(300);
  ASSERT_EQ(list->GetHoveredItem(), 0);
  bench->Down(420, leafY);
  Pass(10);
  bench->Up(420, leafY);
  Run(600);
  ASSERT_NE(screen->GetViewer(), nullptr);
  // Back through the link, the pointer away from the list.
  bench->Move(320, 470);
  Pass(10);
  SendControlEvent(*screen->GetLinkText(), kEventLinkActivated);
  Run(600);
  ASSERT_TRUE(list->IsVisible());
  EXPECT_EQ(list->GetHoveredItem(), -1);
  VRect lit;
  list->GetHighlightRect(lit);
  EXPECT_TRUE(lit.IsEmpty()) << "no highlight bar stays on the leaf's row";
  delete screen;
}

TEST_F(AspectScreenTest, ALeafOpensItsItemInTheViewerAndTheViewerLeadsBackToTheList) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  screen->OpenAspect(0, true);
  Run(600);
  bench->log.clear();

  screen->OpenAspect(0, true);  // Fachwerk, VI001
  EXPECT_EQ(screen->GetChosenLeaf(), screen->GetTree().GetAt(0)->GetChild(0));
  EXPECT_FALSE(screen->GetList()->IsVisible());
  EXPECT_TRUE(screen->GetLinkText()->IsVisible());
  EXPECT_EQ(screen->GetViewer(), nullptr);
  Run(600);
  ItemViewer* viewer = screen->GetViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->IsVisible());
  EXPECT_EQ(viewer->GetCategory(), kVideoCategory);
  EXPECT_EQ(viewer->GetNumber(), 1);
  EXPECT_GT(viewer->GetLayer(), screen->GetPicture(2)->GetLayer()) << "the side bar shows over the column";
  EXPECT_EQ(Bounds(viewer).GetHeight(), 400);
  EXPECT_TRUE(ItemRef(kVideoCategory, 1).IsItemVisited());
  ASSERT_NE(viewer->GetVideoPanel(), nullptr);
  EXPECT_EQ(Bounds(viewer->GetVideoPanel()).left, 290 - 160) << "the movie centred at (290, 204)";
  EXPECT_EQ(Bounds(viewer->GetVideoPanel()).top, 204 - 120);
  EXPECT_EQ(screen->GetKind(), AspectScreen::kViewerKind);
  EXPECT_EQ(strip->GetStatusCode(), AspectScreen::kViewerKind);
  EXPECT_FALSE(screen->GetTitleBar()->IsVisible());
  EXPECT_EQ(Bounds(screen->GetLinkText()).top, AspectScreen::kLinkRow);
  EXPECT_NE(std::string(screen->GetLinkText()->GetChars()).find("<A HREF"), std::string::npos);
  EXPECT_TRUE(Logged(94).empty()) << "the viewer's report stays with the screen";
  // The side bar's status button reaches the screen through the viewer.
  auto* status = dynamic_cast<VControl*>(viewer->FindObject(AspectScreen::kStatusButtonId));
  ASSERT_NE(status, nullptr);
  SendControlEvent(*status, kEventButtonClicked);
  EXPECT_FALSE(viewer->IsVisible());
  EXPECT_EQ(screen->GetViewer(), nullptr) << "the closed viewer goes";
  FlushDeferredDeletions();
  EXPECT_EQ(screen->GetKind(), AspectScreen::kKind);
  EXPECT_EQ(strip->GetStatusCode(), AspectScreen::kKind);
  EXPECT_TRUE(Logged(95).empty());
  Run(600);
  EXPECT_FALSE(screen->GetLinkText()->IsVisible());
  EXPECT_TRUE(screen->GetList()->IsVisible());
  EXPECT_TRUE(screen->GetTitleBar()->IsVisible());
  EXPECT_TRUE(screen->GetTitleBar()->IsBackButtonShown());
  EXPECT_EQ(screen->GetChosenLeaf(), nullptr);
  EXPECT_EQ(Caption(), "Architektur");

  // Again, and back through the link.
  screen->OpenAspect(0, true);
  Run(600);
  ASSERT_NE(screen->GetViewer(), nullptr);
  SendControlEvent(*screen->GetLinkText(), kEventLinkActivated);
  EXPECT_EQ(screen->GetViewer(), nullptr);
  EXPECT_EQ(strip->GetStatusCode(), AspectScreen::kKind);
  Run(600);
  EXPECT_TRUE(screen->GetList()->IsVisible());
  EXPECT_FALSE(screen->GetLinkText()->IsVisible());
  EXPECT_TRUE(screen->GetTitleBar()->IsBackButtonShown());

  // A leaf whose item has no content opens an empty viewer that still closes.
  screen->GoBack();
  Run(600);
  screen->OpenAspect(1, true);  // Alltag
  Run(600);
  screen->OpenAspect(0, true);  // Kueche, SH001 without content
  Run(600);
  ASSERT_NE(screen->GetViewer(), nullptr);
  EXPECT_EQ(screen->GetViewer()->GetBackdrop(), nullptr);
  screen->CloseViewer();
  FlushDeferredDeletions();
  EXPECT_EQ(screen->GetViewer(), nullptr);
  Run(600);
  EXPECT_TRUE(screen->GetList()->IsVisible());
  delete screen;
}

TEST_F(AspectScreenTest, HidingWithTheViewerOpenClosesTheViewerFirst) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  screen->OpenAspect(0, true);
  Run(600);
  screen->OpenAspect(1, true);  // Dach: a node below the top
  Run(600);
  screen->OpenAspect(0, true);  // Balken
  Run(600);
  ASSERT_NE(screen->GetViewer(), nullptr);
  bench->log.clear();
  screen->Hide();
  EXPECT_EQ(screen->GetState(), 7) << "the viewer reported its end at once";
  FlushDeferredDeletions();
  EXPECT_EQ(screen->GetViewer(), nullptr);
  Run(2200);
  EXPECT_EQ(screen->GetState(), 11);
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14417"}));
  delete screen;
}

TEST_F(AspectScreenTest, ShowAspectOpensATopLevelAspectOrOneBelowIt) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  struct Case {
    int32_t number;
    int32_t depth;
    bool leaf;
  };
  const Case cases[] = {{1, 1, false}, {11, 2, false}, {10, 1, true}, {20, 0, false}, {99, 0, false}, {3, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    AspectScreen* screen = Make();
    screen->ShowAspect(ItemRef(kAspectCategory, c.number));
    EXPECT_TRUE(screen->GetPicture(0)->IsVisible());
    EXPECT_EQ(screen->GetDepth(), c.depth);
    EXPECT_EQ(screen->GetChosenLeaf() != nullptr, c.leaf);
    EXPECT_EQ(screen->GetList()->IsVisible(), !c.leaf);
    if (c.leaf) {
      Run(600);
      ASSERT_NE(screen->GetViewer(), nullptr);
      EXPECT_EQ(screen->GetViewer()->GetNumber(), 1);
    }
    // An aspect already chosen: a second call does nothing.
    const int32_t depth = screen->GetDepth();
    screen->ShowAspect(ItemRef(kAspectCategory, 2));
    if (depth > 0) {
      EXPECT_EQ(screen->GetDepth(), depth);
    }
    delete screen;
    FlushDeferredDeletions();
  }
}

// Discs whose trees are empty, cyclic or far too long: the screen opens with
// what is valid and every row it offers can be chosen.
TEST_F(AspectScreenTest, BadTreesOpenWithWhatIsValid) {
  std::string many = "ASPECT { ID AS000 CHILDREN {";
  for (int32_t i = 0; i < 10000; ++i) many += " ASPECTID AS" + std::to_string(100 + i % 800);
  many += " } }";
  const struct {
    const char* name;
    std::vector<Aspect> aspects;
    int32_t rows;
  } cases[] = {
      {"no root", {{1, "Eins", "ASPECT { ID AS001 INFO VI001 }"}}, 0},
      {"empty root", {{0, "", "ASPECT { ID AS000 CHILDREN { } }"}}, 0},
      {"cycle",
       {{0, "", "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 } }"},
        {1, "Eins", "ASPECT { ID AS001 CHILDREN { ASPECTID AS002 } }"},
        {2, "Zwei", "ASPECT { ID AS002 CHILDREN { ASPECTID AS001 ASPECTID AS002 } }"}},
       1},
      {"missing children",
       {{0, "", "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS005 } }"},
        {1, "Eins", "ASPECT { ID AS001 CHILDREN { ASPECTID AS007 ASPECTID AS008 } }"}},
       2},
      {"ten thousand", {{0, "", many}, {100, "Hundert", many}}, AspectRecord::kMaxChildren},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    languageLines.clear();
    FlushDeferredDeletions();
    bench.reset();
    FreePictureFonts();
    OpenAspectDisc(c.aspects);
    if (HasFatalFailure()) return;
    AspectScreen* screen = OpenScreen();
    EXPECT_EQ(static_cast<int32_t>(screen->GetTitles().size()), c.rows);
    EXPECT_GE(Bounds(screen->GetList()).top, 0);
    // Every row, and rows beyond them, walking down as far as it goes.
    for (int32_t level = 0; level < AspectRecord::kMaxDepth + 2; ++level) {
      for (int32_t row : {-1, c.rows, 25}) screen->OpenAspect(row, true);
      screen->OpenAspect(0, true);
      Run(600);
      if (screen->GetViewer() != nullptr) {
        screen->CloseViewer();
        Run(600);
        break;
      }
    }
    while (screen->GetDepth() > 0) {
      screen->GoBack();
      Run(600);
    }
    EXPECT_EQ(static_cast<int32_t>(screen->GetTitles().size()), c.rows);
    screen->Hide();
    Run(2200);
    EXPECT_EQ(screen->GetState(), 11);
    delete screen;
    FlushDeferredDeletions();
  }
}

// Without its pictures (the three beside the list and the back button's)
// the screen opens with what it has: the list slides in, a node and a leaf
// open, the link leads back, and the screen closes to 95.
TEST_F(AspectScreenTest, OpensAndClosesWithoutItsPictures) {
  withPictures = false;
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  AspectScreen* screen = OpenScreen();
  EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 14417"}));
  EXPECT_EQ(Bounds(screen->GetList()).left, 342);
  screen->OpenAspect(0, true);  // Architektur
  Run(600);
  EXPECT_EQ(screen->GetDepth(), 1);
  EXPECT_TRUE(screen->GetTitleBar()->IsVisible());
  screen->OpenAspect(0, true);  // Fachwerk, VI001
  Run(600);
  ASSERT_NE(screen->GetViewer(), nullptr);
  SendControlEvent(*screen->GetLinkText(), kEventLinkActivated);
  Run(600);
  EXPECT_TRUE(screen->GetList()->IsVisible());
  screen->GoBack();
  Run(600);
  EXPECT_EQ(screen->GetDepth(), 0);
  bench->Redraw();
  screen->Hide();
  Run(2200);
  EXPECT_EQ(screen->GetState(), 11);
  Run(20);
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14417"}));
  delete screen;
}

TEST_F(AspectScreenTest, TheMainPanelMakesItForModuleZeroAndForAspectItems) {
  OpenAspectDisc(kTree);
  if (HasFatalFailure()) return;
  RegisterAspectScreen();
  ScreenRequest request;
  request.kind = 0;
  request.id = AspectScreen::kScreenId;
  request.width = 640;
  request.height = 480;
  request.layer = 30;
  request.owner = bench->recorder;
  PictureFrameControl* made = ScreenRegistry::Make(request);
  auto* screen = dynamic_cast<AspectScreen*>(made);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetDepth(), 0);
  delete made;
  const ItemRef item(kAspectCategory, 11);
  request.item = &item;
  made = ScreenRegistry::Make(request);
  screen = dynamic_cast<AspectScreen*>(made);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetDepth(), 2) << "opened at the aspect";
  delete made;
  ScreenRegistry::Unregister(0);
}

}  // namespace
