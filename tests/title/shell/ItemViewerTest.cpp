// The item viewer of a video item on a small disc: where the movie panel and
// the side bar go, the link (off for "BU000", 140 with the linked number when
// on), pause and play keeping the movie's place, an item without content
// that still closes, and the maker registered for the main panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/ServiceCheck.h"
#include "engine/mpeg/VStreamScheduler.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "support/RequireTool.h"
#include "title/controls/AppMovieControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/modules/panels/PanelTestSupport.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/StandInScreen.h"
#include "title/shell/VideoItemPanel.h"
#include "title/shell/ViewerBackdropPanel.h"

namespace {

constexpr int32_t kVideo = kVideoCategory;
// Items of the VI table: a movie linking to BU007, one whose link is
// "BU000", one whose link text is not a word, and two without content.
constexpr int32_t kMovieItem = 1;
constexpr int32_t kNoLinkItem = 2;
constexpr int32_t kNumberLinkItem = 3;
constexpr int32_t kZeroItem = 4;
constexpr int32_t kNoneItem = 5;

class CurrentPanel : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& /*text*/, bool /*shown*/, bool /*keep*/) override {}
  VGraphicObject* panel = nullptr;
};

class ItemViewerTest : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    previousHistory_ = SetVisitHistory(&history_);
    previousServices_ = GetMainScreenServicesQuietly();
    InstallMainScreenServices(&services_);
  }
  void TearDown() override {
    InstallMainScreenServices(previousServices_);
    SetVisitHistory(previousHistory_);
    PanelFixture::TearDown();
  }

  static MainScreenServices* GetMainScreenServicesQuietly() {
    const ScopedMissingServicesAllowed allowed;
    return GetMainScreenServices();
  }

  // The disc with the movie of the first item (when `withMovie`) and the
  // VI table's entries set for the items above (the other tables hold their
  // own number in every entry).
  void OpenViewerDisc(bool withMovie) {
    if (withMovie) {
      REQUIRE_TOOL(ffmpeg, "ffmpeg");
      ASSERT_EQ(Run("'" + ffmpeg + "' -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=25 -t 2 "
                    "-c:v mpeg1video -f mpeg '" + Path("vi.mpg") + "'"),
                0);
      videoLines.push_back("19701 0 " + Quoted("vi.mpg"));
    }
    languageLines.insert(languageLines.end(), {"19702 -20 \"Ein Film\"", "19703 -20 \"BU007 und mehr\"",
                                               "19713 -20 \"BU000\"", "19723 -20 \"12, 13\""});
    OpenDisc();
    if (HasFatalFailure()) return;
    MuseumCategoryTables& tables = GetMuseumCategoryTables();
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kVideoTable, kMovieItem, 19700));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kVideoTable, kNoLinkItem, 19710));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kVideoTable, kNumberLinkItem, 19720));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kVideoTable, kZeroItem, 0));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kVideoTable, kNoneItem, 0xFFFFFFFFu));
  }

  ItemViewer* Open(int32_t number, VPoint centre = {320, 240}, VPoint sideBar = {581, 105}) {
    auto* viewer = new ItemViewer(14424, 0, 0, 0, 30, 640, 480, bench->recorder);
    viewer->ShowItem(new ItemRef(kVideo, number), centre, sideBar);
    return viewer;
  }

  // Presses a side-bar button as a click does: event 21 from the button.
  static void Press(ItemViewer& viewer, int32_t id) {
    auto* button = dynamic_cast<VControl*>(viewer.FindObject(id));
    ASSERT_NE(button, nullptr) << id;
    SendControlEvent(*button, kEventButtonClicked);
  }

  bool Logged(const std::string& line) const {
    return std::find(bench->log.begin(), bench->log.end(), line) != bench->log.end();
  }

  CurrentPanel services_;
  MemoryVisitHistory history_;

 private:
  VisitHistory* previousHistory_ = nullptr;
  MainScreenServices* previousServices_ = nullptr;
};

TEST_F(ItemViewerTest, AVideoItemsMoviePanelIsCentredOnThePointInAScreenWideBackdrop) {
  OpenViewerDisc(false);
  if (HasFatalFailure()) return;
  ItemViewer* viewer = Open(kMovieItem);
  ViewerBackdropPanel* backdrop = viewer->GetBackdrop();
  ASSERT_NE(backdrop, nullptr);
  EXPECT_EQ(backdrop->GetBounds(), VRect(0, 0, 640, 480));
  VideoItemPanel* panel = viewer->GetVideoPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetBounds(), VRect(160, 120, 480, 360));
  EXPECT_NE(panel->FindObject(VideoItemPanel::kMovieId), nullptr) << "a movie control, even without its medium";
  EXPECT_TRUE(ItemRef(kVideo, kMovieItem).IsItemVisited());
  // The side bar at its point, pause showing, play hidden.
  VGraphicObject* rewind = backdrop->FindObject(ViewerBackdropPanel::kRewindButtonId);
  ASSERT_NE(rewind, nullptr);
  EXPECT_EQ(rewind->GetBounds().left, 581 + 6);
  EXPECT_EQ(rewind->GetBounds().top, 105 + 6);
  EXPECT_TRUE(backdrop->FindObject(ViewerBackdropPanel::kPauseButtonId)->IsVisible());
  EXPECT_FALSE(backdrop->FindObject(ViewerBackdropPanel::kPlayButtonId)->IsVisible());
  EXPECT_EQ(backdrop->FindObject(ViewerBackdropPanel::kCaptionButtonId), nullptr)
      << "no caption button without the main interface screen";
}

TEST_F(ItemViewerTest, TheLinkFollowsTheItemsLinkText) {
  OpenViewerDisc(false);
  if (HasFatalFailure()) return;
  VControl panel(257, 2, 0, 0, 0, 640, 480, nullptr);
  const struct {
    const char* name;
    int32_t item;
    bool currentPanel;
    bool linkOn;
    int32_t linked;
  } cases[] = {
      {"a word names the place", kMovieItem, true, true, 7},
      {"BU000 switches it off", kNoLinkItem, true, false, 0},
      {"a text that is not a word gives BU000", kNumberLinkItem, true, false, 0},
      {"without a current panel it stays on", kNoLinkItem, false, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    services_.panel = c.currentPanel ? &panel : nullptr;
    bench->log.clear();
    ItemViewer* viewer = Open(c.item);
    ViewerBackdropPanel* backdrop = viewer->GetBackdrop();
    ASSERT_NE(backdrop, nullptr);
    EXPECT_EQ(backdrop->GetLinkedNumber(), c.linked);
    EXPECT_NE(backdrop->FindObject(ViewerBackdropPanel::kLinkPictureId), nullptr);
    EXPECT_EQ(backdrop->FindObject(ViewerBackdropPanel::kLinkButtonId) != nullptr, c.linkOn);
    if (c.linkOn) {
      Press(*viewer, ViewerBackdropPanel::kLinkButtonId);
      EXPECT_TRUE(Logged("140 " + std::to_string(c.linked))) << testing::PrintToString(bench->log);
    }
    delete viewer;
  }
  services_.panel = nullptr;
}

// The caption button leads the side bar unless the main interface screen
// shows the viewer (status 14) or status 13; the buttons then start at the
// side bar's top.
TEST_F(ItemViewerTest, TheCaptionButtonFollowsTheMainInterfaceScreensStatus) {
  OpenViewerDisc(false);
  if (HasFatalFailure()) return;
  VControl panel(257, 2, 0, 0, 0, 640, 480, nullptr);
  auto* strip = new MainInterfaceScreen(MainInterfaceScreen::kId, 0, 0, 400, 5, 640, 80, &panel);
  services_.panel = &panel;
  const struct {
    int32_t status;
    bool captionButton;
    int32_t rewindTop;  // the button pictures are missing: the caption button is 0 high
  } cases[] = {{13, false, 105 + 6}, {14, false, 105 + 6}, {2, true, 105 + 5 + 6}, {-1, true, 105 + 5 + 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    strip->SetStatusCode(c.status);
    EXPECT_EQ(ItemViewer::CaptionAllowsLink(), c.captionButton);
    ItemViewer* viewer = Open(kMovieItem);
    ViewerBackdropPanel* backdrop = viewer->GetBackdrop();
    ASSERT_NE(backdrop, nullptr);
    EXPECT_EQ(backdrop->FindObject(ViewerBackdropPanel::kCaptionButtonId) != nullptr, c.captionButton);
    EXPECT_EQ(backdrop->FindObject(ViewerBackdropPanel::kRewindButtonId)->GetBounds().top, c.rewindTop);
    delete viewer;
  }
  services_.panel = nullptr;
}

TEST_F(ItemViewerTest, AnItemWithoutContentShowsNothingAndStillCloses) {
  OpenViewerDisc(false);
  if (HasFatalFailure()) return;
  for (const int32_t item : {kZeroItem, kNoneItem}) {
    SCOPED_TRACE(item);
    bench->log.clear();
    ItemViewer* viewer = Open(item);
    EXPECT_EQ(viewer->GetBackdrop(), nullptr);
    EXPECT_EQ(viewer->GetVideoPanel(), nullptr);
    EXPECT_TRUE(ItemRef(kVideo, item).IsItemVisited()) << "still marked seen";
    viewer->Show();
    viewer->Hide();
    EXPECT_EQ(bench->log, (std::vector<std::string>{"94 14424", "95 14424"}));
    delete viewer;
  }
  // With content, the 95 comes after the backdrop's 113.
  bench->log.clear();
  ItemViewer* viewer = Open(kMovieItem);
  viewer->Show();
  viewer->Hide();
  EXPECT_TRUE(Logged("95 14424")) << testing::PrintToString(bench->log);
  EXPECT_FALSE(Logged("113 14999")) << "the viewer takes its backdrop's report";
  delete viewer;
}

TEST_F(ItemViewerTest, PauseThenPlayResumesWhereTheMovieWas) {
  OpenViewerDisc(true);
  if (HasFatalFailure() || IsSkipped()) return;
  ItemViewer* viewer = Open(kMovieItem);
  viewer->Show();
  auto* movie = dynamic_cast<AppMovieControl*>(viewer->FindObject(VideoItemPanel::kMovieId));
  ASSERT_NE(movie, nullptr);
  ASSERT_NE(movie->GetScheduler(), nullptr) << "the movie came from the language video archive";
  EXPECT_TRUE(movie->IsPlaying());
  for (int i = 0; i < 50; ++i) Pass(20);
  ASSERT_TRUE(movie->IsPlaying());
  Press(*viewer, ViewerBackdropPanel::kPauseButtonId);
  EXPECT_FALSE(movie->IsPlaying());
  const int64_t paused = movie->GetScheduler()->GetTime();
  EXPECT_GT(paused, 0);
  ViewerBackdropPanel* backdrop = viewer->GetBackdrop();
  EXPECT_TRUE(backdrop->FindObject(ViewerBackdropPanel::kPlayButtonId)->IsVisible());
  EXPECT_FALSE(backdrop->FindObject(ViewerBackdropPanel::kPauseButtonId)->IsVisible());
  Press(*viewer, ViewerBackdropPanel::kPlayButtonId);
  EXPECT_TRUE(movie->IsPlaying());
  EXPECT_GE(movie->GetScheduler()->GetTime(), paused) << "not rewound";
  EXPECT_TRUE(backdrop->FindObject(ViewerBackdropPanel::kPauseButtonId)->IsVisible());
  // The movie's end rewinds it and shows the play button.
  for (int i = 0; i < 400 && movie->IsPlaying(); ++i) Pass(20);
  EXPECT_FALSE(movie->IsPlaying());
  EXPECT_LT(movie->GetScheduler()->GetTime(), paused);
  EXPECT_TRUE(backdrop->FindObject(ViewerBackdropPanel::kPlayButtonId)->IsVisible());
  delete viewer;
}

TEST_F(ItemViewerTest, TheMainPanelsMakerBuildsTheViewerForVideoItemsOnly) {
  OpenViewerDisc(false);
  if (HasFatalFailure()) return;
  RegisterItemViewer();
  const ItemRef video(kVideo, kMovieItem);
  const ItemRef slides(kSlideShowCategory, 1);
  ScreenRequest request;
  request.kind = 14;
  request.id = 14424;
  request.top = 20;
  request.layer = 30;
  request.width = 320;
  request.height = 240;
  request.owner = bench->recorder;
  request.item = &video;
  PictureFrameControl* screen = ScreenRegistry::Make(request);
  auto* viewer = dynamic_cast<ItemViewer*>(screen);
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->GetKind(), 14);
  ASSERT_NE(viewer->GetVideoPanel(), nullptr);
  EXPECT_EQ(viewer->GetVideoPanel()->GetBounds(), VRect(130, 84, 450, 324));
  // An overlay over it hides the movie panel, and only that.
  const ScreenMaker* maker = ScreenRegistry::Find(14);
  ASSERT_NE(maker, nullptr);
  viewer->Show();
  maker->setMovieControlsVisible(*viewer, false);
  EXPECT_TRUE(viewer->IsVisible());
  EXPECT_FALSE(viewer->GetVideoPanel()->IsVisible());
  EXPECT_TRUE(viewer->GetBackdrop()->IsVisible());
  maker->setMovieControlsVisible(*viewer, true);
  EXPECT_TRUE(viewer->GetVideoPanel()->IsVisible());
  delete screen;
  request.item = &slides;
  screen = ScreenRegistry::Make(request);
  EXPECT_NE(dynamic_cast<StandInScreen*>(screen), nullptr);
  delete screen;
  ScreenRegistry::Unregister(14);
}

}  // namespace
