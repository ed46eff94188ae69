// The item viewer of a video or slide-show item on a small disc: where the
// movie or slide-show panel and the side bar go, the link (off for "BU000",
// 140 with the linked number when on), pause and play keeping the movie's or
// the show's place, rewind and the show's end, an item without content that
// still closes, and the maker registered for the main panel.
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
#include "title/shell/PictureItem.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"
#include "title/shell/StandInScreen.h"
#include "title/shell/VideoItemPanel.h"
#include "title/shell/ViewerBackdropPanel.h"

namespace {

constexpr int32_t kVideo = kVideoCategory;
constexpr int32_t kSlides = kSlideShowCategory;
// Items of the VI table: a movie linking to BU007, one whose link is
// "BU000", one whose link text is not a word, and two without content.
constexpr int32_t kMovieItem = 1;
constexpr int32_t kNoLinkItem = 2;
constexpr int32_t kNumberLinkItem = 3;
constexpr int32_t kZeroItem = 4;
constexpr int32_t kNoneItem = 5;
// Items of the SH table: a show of two cross-fading pictures linking to
// BU007 (and the two items without content above).
constexpr int32_t kShowItem = 1;
constexpr uint16_t kShowBase = 19800;
// The show: the first picture until 3100 (cross-faded out from 3050), the
// second rising from 2000 to 3000 and staying until the end, 4000.
constexpr int32_t kShowDuration = 4000;

class CurrentPanel : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& /*text*/, bool /*shown*/, bool /*keep*/) override {}
  VGraphicObject* panel = nullptr;
};

// The viewer with the side bar's and the player's reports to it noted.
class RecordingViewer : public ItemViewer {
 public:
  using ItemViewer::ItemViewer;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code == ViewerBackdropPanel::kOwnerRewind || code == ViewerBackdropPanel::kOwnerPause ||
        code == ViewerBackdropPanel::kOwnerPlay || code == SequencePlayer::kMessageEnded) {
      codes.push_back(code);
    }
    return ItemViewer::HandleEvent(code, value1, value2);
  }
  std::vector<uint32_t> codes;
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

  // The disc with the movie of the first item (when `withMovie`), the slide
  // show with its two 426 x 320 JPEG pictures (when `withShow`) and the VI
  // and SH tables' entries set for the items above (the other tables hold
  // their own number in every entry).
  void OpenViewerDisc(bool withMovie, bool withShow = false) {
    if (withShow) {
      REQUIRE_TOOL(convert, "convert");
      for (const char* colour : {"red", "blue"}) {
        ASSERT_EQ(Run("'" + convert + "' -size 426x320 xc:" + colour + " '" + Path(std::string(colour) + ".jpg") + "'"),
                  0);
      }
      WriteFile("show.txt",
                "channel { item picture { start 0 sustain 2000 decay 1000 resid 19805 opacity 1.00 "
                "bounds 0 0 0 0 } }\r\n"
                "channel { item picture { start 2000 rise 1000 sustain 1000 resid 19806 opacity 1.00 "
                "bounds 0 0 0 0 } }\r\n");
      languageLines.insert(languageLines.end(),
                           {"19800 40 " + Quoted("show.txt"), "19802 -20 \"Eine Bilderfolge\"",
                            "19803 -20 \"BU007\"", "19805 0 " + Quoted("red.jpg"), "19806 0 " + Quoted("blue.jpg")});
    }
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
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kSlideShowTable, kShowItem, kShowBase));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kSlideShowTable, kZeroItem, 0));
    ASSERT_TRUE(tables.SetCategoryEntry(ItemViewer::kSlideShowTable, kNoneItem, 0xFFFFFFFFu));
  }

  ItemViewer* Open(int32_t number, VPoint centre = {320, 240}, VPoint sideBar = {581, 105},
                   int32_t category = kVideo) {
    auto* viewer = new RecordingViewer(14424, 0, 0, 0, 30, 640, 480, bench->recorder);
    viewer->ShowItem(new ItemRef(category, number), centre, sideBar);
    return viewer;
  }
  // The slide show, shown and playing, from within an idle pass as the main
  // panel's script shows it (the player counts from the pass's time).
  RecordingViewer* OpenShow() {
    auto* viewer = static_cast<RecordingViewer*>(Open(kShowItem, {320, 240}, {581, 105}, kSlides));
    Pass(10);
    viewer->Show();
    return viewer;
  }
  static SequencePlayer* PlayerOf(const ItemViewer& viewer) {
    SlideShowPanel* panel = viewer.GetSlideShowPanel();
    return panel != nullptr ? panel->GetPlayer() : nullptr;
  }
  static bool ButtonShows(const ItemViewer& viewer, int32_t id) {
    const VGraphicObject* button = viewer.GetBackdrop()->FindObject(id);
    return button != nullptr && button->IsVisible();
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
  for (const int32_t category : {kVideo, kSlides}) {
    for (const int32_t item : {kZeroItem, kNoneItem}) {
      SCOPED_TRACE(testing::Message() << "category " << category << " item " << item);
      bench->log.clear();
      ItemViewer* viewer = Open(item, {320, 240}, {581, 105}, category);
      EXPECT_EQ(viewer->GetBackdrop(), nullptr);
      EXPECT_EQ(viewer->GetVideoPanel(), nullptr);
      EXPECT_EQ(viewer->GetSlideShowPanel(), nullptr);
      EXPECT_TRUE(ItemRef(category, item).IsItemVisited()) << "still marked seen";
      viewer->Show();
      viewer->Hide();
      EXPECT_EQ(bench->log, (std::vector<std::string>{"94 14424", "95 14424"}));
      delete viewer;
    }
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

TEST_F(ItemViewerTest, ASlideShowsPanelIsCentredOnThePointInABackdropOfTheViewersSize) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
  // The main panel's viewer is 640 x 400.
  auto* viewer = new ItemViewer(14424, 0, 0, 0, 30, 640, 400, bench->recorder);
  viewer->ShowItem(new ItemRef(kSlides, kShowItem), {320, 240}, {581, 105});
  ViewerBackdropPanel* backdrop = viewer->GetBackdrop();
  ASSERT_NE(backdrop, nullptr);
  EXPECT_EQ(backdrop->GetBounds(), VRect(0, 0, 640, 400));
  EXPECT_EQ(viewer->GetVideoPanel(), nullptr);
  SlideShowPanel* panel = viewer->GetSlideShowPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetBounds().left, 107);
  EXPECT_EQ(panel->GetBounds().top, 80);
  VRect area;
  panel->GetTotalBounds(area);
  EXPECT_EQ(area, VRect(107, 80, 107 + 426, 80 + 320)) << "the player covers 426 x 320";
  SequencePlayer* player = panel->GetPlayer();
  ASSERT_NE(player, nullptr);
  EXPECT_NE(player->GetId(), SlideShowPanel::kPlayerId) << "an id of its own from the pool";
  EXPECT_EQ(player->GetDuration(), kShowDuration);
  EXPECT_EQ(player->GetDocument(), panel->GetSequence());
  EXPECT_FALSE(player->IsPlaying()) << "it plays once shown";
  EXPECT_TRUE(ItemRef(kSlides, kShowItem).IsItemVisited());
  // The first picture stands, opaque, in the middle of the player.
  Sequence* sequence = panel->GetSequence();
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->GetPictureCount(), 2);
  auto* first = dynamic_cast<PictureItem*>(sequence->GetPicture(0));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->PeekView(), nullptr);
  first->PeekView()->GetGlobalBounds(area);
  EXPECT_EQ(area, VRect(107, 80, 107 + 426, 80 + 320));
  EXPECT_EQ(first->GetShownLevel(), PictureItem::kOpaque);
  // The side bar of a slide show, its link on.
  EXPECT_EQ(backdrop->GetLinkedNumber(), 7);
  VGraphicObject* rewind = backdrop->FindObject(ViewerBackdropPanel::kRewindButtonId);
  ASSERT_NE(rewind, nullptr);
  EXPECT_EQ(rewind->GetBounds().left, 581 + 6);
  EXPECT_TRUE(ButtonShows(*viewer, ViewerBackdropPanel::kPauseButtonId));
  EXPECT_FALSE(ButtonShows(*viewer, ViewerBackdropPanel::kPlayButtonId));
  bench->log.clear();
  viewer->Show();
  EXPECT_TRUE(player->IsPlaying());
  EXPECT_EQ(bench->log, (std::vector<std::string>{"114 " + std::to_string(player->GetId()), "94 14424"}));
  delete viewer;
}

TEST_F(ItemViewerTest, PauseThenPlayContinuesTheSlideShowWhereItWas) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
  RecordingViewer* viewer = OpenShow();
  SequencePlayer* player = PlayerOf(*viewer);
  ASSERT_NE(player, nullptr);
  for (int i = 0; i < 10; ++i) Pass(100);
  EXPECT_EQ(player->GetPosition(), 1000);
  Press(*viewer, ViewerBackdropPanel::kPauseButtonId);
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_TRUE(ButtonShows(*viewer, ViewerBackdropPanel::kPlayButtonId));
  EXPECT_FALSE(ButtonShows(*viewer, ViewerBackdropPanel::kPauseButtonId));
  for (int i = 0; i < 10; ++i) Pass(100);
  EXPECT_EQ(player->GetPosition(), 1000) << "paused";
  Press(*viewer, ViewerBackdropPanel::kPlayButtonId);
  EXPECT_TRUE(player->IsPlaying());
  Pass(500);
  EXPECT_EQ(player->GetPosition(), 1500) << "not rewound";
  EXPECT_EQ(viewer->codes, (std::vector<uint32_t>{108, 109}));
  EXPECT_TRUE(ButtonShows(*viewer, ViewerBackdropPanel::kPauseButtonId));
  EXPECT_FALSE(ButtonShows(*viewer, ViewerBackdropPanel::kPlayButtonId));
  delete viewer;
}

// Rewind, while the show plays or while it is paused, and the show's end
// leave it stopped at its start, the first picture showing, with the play
// button.
TEST_F(ItemViewerTest, RewindAndTheEndLeaveTheSlideShowStoppedAtItsStart) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
  const struct {
    const char* name;
    bool pauseFirst;
    bool pressRewind;  // else played to the end
    std::vector<uint32_t> codes;
  } cases[] = {
      {"rewind while playing", false, true, {107}},
      {"rewind while paused", true, true, {108, 107}},
      {"the end", false, false, {116}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingViewer* viewer = OpenShow();
    SequencePlayer* player = PlayerOf(*viewer);
    ASSERT_NE(player, nullptr);
    for (int i = 0; i < 25; ++i) Pass(100);
    ASSERT_EQ(player->GetPosition(), 2500) << "within the cross-fade";
    if (c.pauseFirst) Press(*viewer, ViewerBackdropPanel::kPauseButtonId);
    if (c.pressRewind) {
      Press(*viewer, ViewerBackdropPanel::kRewindButtonId);
    } else {
      for (int i = 0; i < 20 && player->IsPlaying(); ++i) Pass(100);
    }
    EXPECT_EQ(viewer->codes, c.codes);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(player->GetPosition(), 0);
    EXPECT_TRUE(ButtonShows(*viewer, ViewerBackdropPanel::kPlayButtonId));
    EXPECT_FALSE(ButtonShows(*viewer, ViewerBackdropPanel::kPauseButtonId));
    Sequence* sequence = viewer->GetSlideShowPanel()->GetSequence();
    auto* first = static_cast<PictureItem*>(sequence->GetPicture(0));
    auto* second = static_cast<PictureItem*>(sequence->GetPicture(1));
    EXPECT_EQ(first->GetShownLevel(), PictureItem::kOpaque);
    EXPECT_EQ(second->PeekView(), nullptr);
    EXPECT_EQ(player->GetLatePictureCount(), 0) << "the second picture was decoded a second ahead";
    // Time passes: the show stays where it is until play is pressed.
    Pass(500);
    EXPECT_EQ(player->GetPosition(), 0);
    Press(*viewer, ViewerBackdropPanel::kPlayButtonId);
    EXPECT_TRUE(player->IsPlaying());
    Pass(300);
    EXPECT_EQ(player->GetPosition(), 300);
    delete viewer;
  }
}

// Hiding deletes the slide-show panel, its player and its pictures; a later
// Show plays nothing.
TEST_F(ItemViewerTest, HidingTheViewerLetsTheSlideShowGo) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
  RecordingViewer* viewer = OpenShow();
  for (int i = 0; i < 25; ++i) Pass(100);
  bench->log.clear();
  viewer->Hide();
  EXPECT_EQ(viewer->GetSlideShowPanel(), nullptr);
  EXPECT_TRUE(Logged("95 14424")) << testing::PrintToString(bench->log);
  Pass(100);
  bench->log.clear();
  viewer->Show();
  EXPECT_EQ(bench->log, (std::vector<std::string>{"94 14424"}));
  Pass(100);
  delete viewer;
}

// A panel given a second sequence lets the first go before deleting it: the
// player never holds a deleted sequence (a fault the sanitizer shows).
TEST_F(ItemViewerTest, ASlideShowPanelTakesASecondSequence) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
  auto* panel = new SlideShowPanel(15008, 107, 80, 2, 426, 320, bench->recorder);
  panel->LoadSequence(kShowBase);
  panel->Play();
  for (int i = 0; i < 25; ++i) Pass(100);
  const Sequence* first = panel->GetSequence();
  ASSERT_NE(first, nullptr);
  panel->LoadSequence(kShowBase);
  ASSERT_NE(panel->GetSequence(), nullptr);
  EXPECT_EQ(panel->GetPlayer()->GetDocument(), panel->GetSequence());
  EXPECT_FALSE(panel->GetPlayer()->IsPlaying());
  EXPECT_EQ(panel->GetPlayer()->GetPosition(), 0);
  panel->Play();
  Pass(100);
  EXPECT_EQ(panel->GetPlayer()->GetPosition(), 100);
  // A medium that is not there gives an empty show, which ends at once.
  panel->LoadSequence(19900);
  EXPECT_EQ(panel->GetPlayer()->GetDuration(), 0);
  delete panel;
}

TEST_F(ItemViewerTest, TheMainPanelsMakerBuildsTheViewerForVideoAndSlideShowItems) {
  OpenViewerDisc(false, true);
  if (HasFatalFailure() || IsSkipped()) return;
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
  // A slide show in the viewer of the main panel's size for it.
  request.item = &slides;
  request.width = 640;
  request.height = 400;
  screen = ScreenRegistry::Make(request);
  viewer = dynamic_cast<ItemViewer*>(screen);
  ASSERT_NE(viewer, nullptr);
  ASSERT_NE(viewer->GetSlideShowPanel(), nullptr);
  EXPECT_EQ(viewer->GetSlideShowPanel()->GetBounds().left, 290 - 213);
  EXPECT_EQ(viewer->GetSlideShowPanel()->GetBounds().top, 204 - 160);
  EXPECT_EQ(viewer->GetBackdrop()->GetBounds(), VRect(0, 0, 640, 400));
  // Only a movie goes while an overlay lies over the viewer.
  viewer->Show();
  maker->setMovieControlsVisible(*viewer, false);
  EXPECT_TRUE(viewer->GetSlideShowPanel()->IsVisible());
  maker->pause(*viewer);
  EXPECT_FALSE(viewer->GetSlideShowPanel()->GetPlayer()->IsPlaying());
  EXPECT_TRUE(ButtonShows(*viewer, ViewerBackdropPanel::kPlayButtonId));
  delete screen;
  // Other items keep the stand-in.
  const ItemRef photo(kHistoricalPhotoCategory, 1);
  request.item = &photo;
  screen = ScreenRegistry::Make(request);
  EXPECT_NE(dynamic_cast<StandInScreen*>(screen), nullptr);
  delete screen;
  ScreenRegistry::Unregister(14);
}

}  // namespace
