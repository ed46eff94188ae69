// The index screen on a fake clock: entering (the list sliding in with its
// overshoot, the backdrop fading in, the intro, then 94), leaving (the model
// turned back first, 95 on the tick after the last move), the model's
// regions naming places and marking rows, a place's slide show or movie in
// the model's area with the strip and the go-there button under the list, the
// go-there button's 140, the list's confirmed row opening the place, and the
// screen made for kind 3.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/mpeg/VStreamScheduler.h"
#include "engine/script/ItemRef.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppMovieControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/shell/IndexEntryList.h"
#include "title/modules/index/IndexScreen.h"
#include "title/modules/index/ViewerControlPanel.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"
#include "title/shell/TitleRunLog.h"
#include "title/shell/VideoItemPanel.h"
#include "IndexTestSupport.h"

namespace {

using namespace indextest;

class IndexScreenTest : public IndexFixture {
 protected:
  IndexScreen* Make() { return MakeScreen<IndexScreen>(); }
  // Shown and entered (94 sent).
  IndexScreen* Entered() { return EnterScreen<IndexScreen>(); }
};

TEST_F(IndexScreenTest, EnteringSlidesTheListInWithItsOvershootFadesTheBackdropAndEndsWithTheIntro) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Make();
  AppTaskListControl* list = screen->GetList();
  VGraphicObject* backdrop = screen->FindObject(IndexScreen::kBackdropId);
  EXPECT_EQ(list->GetBounds().left, 640);
  EXPECT_EQ(list->GetBounds().GetHeight(), 5 * 17) << "five rows of 17";
  EXPECT_EQ(Level(backdrop), 0);
  EXPECT_FALSE(Shown(screen->GetModel()));
  bench->log.clear();
  screen->Show();
  // The timer ticks every 40 ms: its end (500 ms) is heard on the tick at 520.
  int32_t leftmost = 640;
  for (uint32_t ms = 10; ms <= 520; ms += 10) {
    Pass(10);
    leftmost = std::min(leftmost, list->GetBounds().left);
    EXPECT_EQ(list->GetBounds().top, 30) << "no y signal";
  }
  EXPECT_EQ(leftmost, 408) << "overshoot: 425 - 17 (8 % of 215)";
  EXPECT_EQ(list->GetBounds().left, 425);
  EXPECT_EQ(screen->FindObject(14962)->GetBounds().left, 0);
  EXPECT_EQ(screen->FindObject(14964)->GetBounds().top, 0);
  EXPECT_FALSE(list->IsEnabled());
  // The backdrop fades in over the next 500 ms.
  for (int32_t i = 0; i < 25; ++i) Pass(10);
  const int32_t halfway = Level(backdrop);
  EXPECT_GT(halfway, 15);
  EXPECT_LT(halfway, 50);
  for (int32_t i = 0; i < 40 && !Shown(screen->GetIntro()); ++i) Pass(10);
  EXPECT_EQ(Level(backdrop), 63);
  EXPECT_TRUE(Shown(screen->GetIntro())) << "the intro turns into the model";
  EXPECT_TRUE(Logged(94).empty()) << "94 only when the intro arrives";
  for (int32_t i = 0; i < 200 && Logged(94).empty(); ++i) Pass(10);
  EXPECT_EQ(screen->GetIntro()->GetCurrentFrame(), 15);
  EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 14416"}));
  EXPECT_TRUE(Shown(screen->GetModel()));
  EXPECT_FALSE(Shown(screen->GetIntro()));
  EXPECT_TRUE(list->IsEnabled());
}

// The screen's children are drawn from the first (furthest back) to the last
// (in front). The four bars that frame the model stand in front of the
// opaque backdrop, which would hide them once it has faded in, and behind
// everything else: the intro, the model, the list, the go-there buttons and
// the strips.
TEST_F(IndexScreenTest, TheFrameBarsStandInFrontOfTheBackdropAndBehindEverythingElse) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Make();
  std::vector<int32_t> order;  // ids, back to front
  for (VGraphicObject* child = screen->GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    order.push_back(child->GetId());
  }
  const auto place = [&](int32_t id) {
    return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
  };
  const auto lastPlace = [&](int32_t id) {
    return static_cast<int>(order.rend() - std::find(order.rbegin(), order.rend(), id)) - 1;
  };
  const int backdrop = place(IndexScreen::kBackdropId);
  ASSERT_LT(backdrop, static_cast<int>(order.size()));
  for (int32_t bar : IndexScreen::kFrameIds) {
    ASSERT_LT(place(bar), static_cast<int>(order.size())) << bar;
    EXPECT_GT(place(bar), backdrop) << bar << " in front of the backdrop";
    EXPECT_EQ(place(bar), lastPlace(bar)) << bar;
  }
  int frontmostBar = 0;
  for (int32_t bar : IndexScreen::kFrameIds) frontmostBar = std::max(frontmostBar, place(bar));
  // The intro, the model, the list, the go-there buttons, the strips.
  for (int32_t id : {14994, 14966, 14959, 14960, 14961}) {
    ASSERT_LT(place(id), static_cast<int>(order.size())) << id;
    EXPECT_GT(place(id), frontmostBar) << id << " in front of the bars";
  }
}

TEST_F(IndexScreenTest, LeavingTurnsTheModelBackFirstThenPlaysEverythingBackAndSends95OnTheNextTick) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  AnimatedMaskControl* model = screen->GetModel();
  model->SetFrame(20);
  screen->Hide();
  EXPECT_TRUE(model->IsAnimating());
  EXPECT_FALSE(Shown(screen->GetIntro())) << "the intro waits for the model";
  for (int32_t i = 0; i < 200 && model->IsAnimating(); ++i) Pass(10);
  EXPECT_EQ(model->GetCurrentFrame(), 0);
  EXPECT_FALSE(Shown(model));
  EXPECT_TRUE(Shown(screen->GetIntro()));
  for (int32_t i = 0; i < 300 && Logged(95).empty(); ++i) {
    Pass(10);
    if (Logged(95).empty()) {
      EXPECT_TRUE(screen->IsVisible());
    }
  }
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14416"}));
  EXPECT_FALSE(screen->IsVisible());
  EXPECT_EQ(screen->GetList()->GetBounds().left, 640);
  EXPECT_EQ(Level(screen->FindObject(IndexScreen::kBackdropId)), 0);
  EXPECT_EQ(screen->FindObject(14964)->GetBounds().top, -388);
  EXPECT_TRUE(Logged(94).empty());
}

// Hidden while it is still opening (the frames sliding in, the backdrop
// fading in, the intro turning into the model, or at once), the screen
// leaves from where it is and reports 95, never 94: the intro standing at
// its first frame reports no arrival, and the main panel would wait for its
// watchdog.
TEST_F(IndexScreenTest, HiddenWhileItOpensTheScreenLeavesAndReportsItIsHidden) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  struct Case {
    const char* name;
    int32_t openingMs;
  };
  const Case cases[] = {
      {"at once", 0},
      {"while the frames slide in", 200},
      {"while the backdrop fades in", 700},
      {"while the intro turns into the model", 1150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* screen = Make();
    bench->log.clear();
    screen->Show();
    for (int32_t ms = 0; ms < c.openingMs; ms += 10) Pass(10);
    ASSERT_TRUE(Logged(94).empty()) << "still opening";
    screen->Hide();
    for (int32_t i = 0; i < 300 && Logged(95).empty(); ++i) Pass(10);
    EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14416"}));
    for (int32_t i = 0; i < 100; ++i) Pass(10);
    EXPECT_TRUE(Logged(94).empty());
    EXPECT_FALSE(screen->IsVisible());
    EXPECT_EQ(screen->GetList()->GetBounds().left, 640) << "the list slid out";
    EXPECT_EQ(Level(screen->FindObject(IndexScreen::kBackdropId)), 0);
    delete screen;
    FlushDeferredDeletions();
  }
}

TEST_F(IndexScreenTest, PointingAtARegionNamesThePlaceMarksItsRowAndTheSpinAreaAsksForItsCaption) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(ItemRef(kBubbleCategory, 2).MarkItemVisited());
  IndexScreen* screen = Entered();
  bench->Move(kPlace1X, kBandY);
  EXPECT_EQ(screen->GetCurrentRegion(), 10);
  EXPECT_EQ(captions.captions, (std::vector<std::string>{"Die Halle"}));
  EXPECT_EQ(screen->GetList()->GetHoveredItem(), 0);
  // Leaving a region is heard on one move, entering the next on the next.
  bench->Move(kPlace2X, kBandY);
  bench->Move(kPlace2X + 1, kBandY);
  EXPECT_EQ(captions.captions.back(), "Die Kueche [box]") << "a visited place's caption in its box";
  EXPECT_EQ(screen->GetList()->GetHoveredItem(), 1);
  bench->log.clear();
  bench->Move(kSpinX, kBandY);
  bench->Move(kSpinX + 1, kBandY);
  EXPECT_EQ(Logged(28), (std::vector<std::string>{"28 14990"}));
  EXPECT_EQ(screen->GetCurrentRegion(), 254);
}

TEST_F(IndexScreenTest, AClickedPlacePlaysItsSlideShowInTheModelsAreaWithStripAndGoButtonUnderTheList) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  bench->Move(kPlace1X, kBandY);
  bench->Click(kPlace1X, kBandY);
  SlideShowPanel* show = screen->GetSlideShowPanel();
  ASSERT_NE(show, nullptr);
  EXPECT_EQ(show->GetBounds().left, 53);
  EXPECT_EQ(show->GetBounds().top, 71);
  ASSERT_NE(show->GetPlayer(), nullptr);
  EXPECT_EQ(show->GetPlayer()->GetBounds(), VRect(0, 0, 320, 240)) << "the player covers the model's area";
  EXPECT_NE(show->GetSequence(), nullptr);
  EXPECT_TRUE(screen->IsShowingSlideShow());
  EXPECT_TRUE(screen->GetList()->IsDimmingUnselected());
  // The bar under the list's five rows (30 + 5 x 17 = 115), 6 below them:
  // the strip (60 x 20) at the rows' left, the go-there button (40 x 18)
  // at their right end (425 + 210 - 10), centred on the strip's height.
  ViewerControlPanel* strip = screen->GetCurrentStrip();
  ASSERT_NE(strip, nullptr);
  EXPECT_TRUE(Shown(strip));
  EXPECT_EQ(strip->GetBounds(), VRect(425, 121, 485, 141));
  EXPECT_TRUE(strip->GetPauseButton()->IsVisible()) << "playing";
  VPictureButton* go = screen->GetGoButtonAbove();
  EXPECT_TRUE(Shown(go));
  EXPECT_EQ(go->GetBounds(), VRect(585, 122, 625, 140));
  // The go-there button: the tour at the place's bubble.
  bench->log.clear();
  SendControlEvent(*go, kEventButtonClicked);
  EXPECT_EQ(Logged(IndexScreen::kOwnerGoToBubble), (std::vector<std::string>{"140 1"}));
  // Closing the place removes the viewer and the buttons.
  screen->ShowEntry(0, false);
  EXPECT_EQ(screen->GetSlideShowPanel(), nullptr);
  EXPECT_FALSE(Shown(strip));
  EXPECT_FALSE(Shown(go));
}

// Whatever row is chosen, the strip and the go-there button cover no row of
// the list and stand inside the list's area, within the rows' width.
TEST_F(IndexScreenTest, TheStripAndTheGoThereButtonCoverNoRowAndStayInsideTheList) {
  if (!AddFilm()) return;
  struct Case {
    const char* name;
    std::string index;
  };
  const Case cases[] = {{"five places", kIndexText}, {"a list that fills its area", ManyPlaces(40)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenIndexDisc(c.index);
    if (HasFatalFailure()) return;
    IndexScreen* screen = Entered();
    AppTaskListControl* list = screen->GetList();
    const VRect rows = list->GetBounds();
    const VRect area(425, 30, 425 + 210 - 10, 30 + 380);
    for (int32_t row = 0; row < std::min(list->GetVisibleItems(), 6); ++row) {
      SCOPED_TRACE(row);
      list->HoverItem(row, false, true);
      screen->ShowEntry(row, true);
      std::vector<VGraphicObject*> shown;
      for (VGraphicObject* control : {static_cast<VGraphicObject*>(screen->GetStripAbove()),
                                      static_cast<VGraphicObject*>(screen->GetStripBelow()),
                                      static_cast<VGraphicObject*>(screen->GetGoButtonAbove()),
                                      static_cast<VGraphicObject*>(screen->GetGoButtonBelow())}) {
        if (Shown(control)) shown.push_back(control);
      }
      EXPECT_FALSE(shown.empty()) << "the go-there button at least";
      for (VGraphicObject* control : shown) {
        const VRect bounds = control->GetBounds();
        VRect overlap;
        EXPECT_FALSE(bounds.Intersect(rows, overlap)) << "it covers rows of the list";
        EXPECT_TRUE(bounds.left >= area.left && bounds.top >= area.top && bounds.right <= area.right &&
                    bounds.bottom <= area.bottom)
            << "it leaves the list's area";
        for (VGraphicObject* other : shown) {
          EXPECT_TRUE(other == control || !bounds.Intersect(other->GetBounds(), overlap)) << "they overlap";
        }
      }
      screen->ShowEntry(row, false);
    }
    LeaveAndClose(screen);
  }
}

TEST_F(IndexScreenTest, AVideoPlaceShowsItsMovieAndTheMoviesEndBringsBackThePlayButton) {
  if (!AddFilm()) return;
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  screen->GetList()->HoverItem(1, false, true);
  screen->ShowEntry(1, true);
  VideoItemPanel* video = screen->GetVideoPanel();
  ASSERT_NE(video, nullptr);
  EXPECT_FALSE(screen->IsShowingSlideShow());
  EXPECT_EQ(video->GetBounds(), VRect(53, 71, 53 + 320, 71 + 240));
  auto* movie = dynamic_cast<VControl*>(video->FindObject(VideoItemPanel::kMovieId));
  ASSERT_NE(movie, nullptr);
  ViewerControlPanel* strip = screen->GetCurrentStrip();
  ASSERT_NE(strip, nullptr);
  EXPECT_TRUE(strip->GetPauseButton()->IsVisible());
  // The movie stops at its end: the strip offers play again.
  SendControlEvent(*movie, AppMovieControl::kMessagePaused);
  EXPECT_TRUE(strip->GetPlayButton()->IsVisible());
  EXPECT_FALSE(strip->GetPauseButton()->IsVisible());
  // The strip's play and pause reach the screen.
  SendControlEvent(*strip->GetPlayButton(), kEventButtonClicked);
  EXPECT_TRUE(strip->GetPauseButton()->IsVisible());
}

// A place shows its slide show or film, or, when its item has nothing to
// play (no item, an item of another kind, a table entry of 0, a film or
// slide show missing from the disc), no viewer and no strip: the model
// stays in its area showing the place, and the go-there button still
// leads there. Undimmed, the place closes and the model is back.
TEST_F(IndexScreenTest, APlaceWithNothingToPlayOffersNoViewerAndLeavesTheModelShown) {
  if (!AddFilm()) return;
  extraLanguageLines = {"18500 -20 \"BUBBLE { ID BU006 INFO VI002 }\"",
                        "18520 -20 \"BUBBLE { ID BU007 INFO SH002 }\"",
                        "18540 -20 \"BUBBLE { ID BU008 INFO HP001 }\"",
                        "18560 -20 \"BUBBLE { ID BU009 INFO SH003 }\""};
  OpenIndexDisc(
      "1 1 10 0 SH001 \"Halle\"\r\n2 2 20 10 VI001 \"Kueche\"\r\n3 3 30 20 VI000 \"Salon\"\r\n"
      "4 6 40 30 VI002 \"Ohne Film\"\r\n5 7 50 40 SH002 \"Ohne Eintrag\"\r\n"
      "6 8 60 40 HP001 \"Ein Foto\"\r\n7 9 70 40 SH003 \"Leere Folge\"\r\n");
  if (HasFatalFailure()) return;
  MuseumCategoryTables& tables = GetMuseumCategoryTables();
  for (int32_t n = 6; n <= 9; ++n) {
    ASSERT_TRUE(tables.SetCategoryEntry(1, n, static_cast<uint32_t>(18500 + 20 * (n - 6))));
  }
  // VI002's film and SH003's sequence are not on the disc; SH002 has none.
  ASSERT_TRUE(tables.SetCategoryEntry(7, 2, 19720));
  ASSERT_TRUE(tables.SetCategoryEntry(6, 3, 19830));
  struct Case {
    const char* name;
    int32_t row;
    bool plays;
  };
  const Case cases[] = {
      {"a slide show", 0, true},
      {"a film", 1, true},
      {"a bubble without an item (VI000)", 2, false},
      {"a film missing from the disc", 3, false},
      {"a slide show without a table entry", 4, false},
      {"an item of another kind (a photo)", 5, false},
      {"a slide show missing from the disc", 6, false},
  };
  IndexScreen* screen = Entered();
  AppTaskListControl* list = screen->GetList();
  AnimatedMaskControl* model = screen->GetModel();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t i = 0; i < 300 && model->IsAnimating(); ++i) Pass(10);
    // The row confirmed: the list dims the others and reports it.
    list->HoverItem(c.row, false, true);
    list->SetDimUnselected(true);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(c.row), 0);
    EXPECT_EQ(screen->HasViewer(), c.plays);
    EXPECT_EQ(Shown(screen->GetCurrentStrip()), c.plays);
    EXPECT_EQ(Shown(screen->GetStripAbove()) || Shown(screen->GetStripBelow()), c.plays);
    EXPECT_TRUE(Shown(screen->GetGoButtonAbove()) || Shown(screen->GetGoButtonBelow()));
    EXPECT_EQ(Shown(model), !c.plays) << "the model shows the place, or the viewer takes its area";
    list->SetDimUnselected(false);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(c.row), 0);
    EXPECT_FALSE(screen->HasViewer());
    EXPECT_TRUE(Shown(model));
    EXPECT_FALSE(Shown(screen->GetGoButtonAbove()) || Shown(screen->GetGoButtonBelow()));
  }
}

// A pause keeps the place's picture where it is and play goes on from
// there, for a film and for a slide show, paused from the strip's pause
// button or by an overlay opened over the screen (Suspend). The film reports
// a pause the same way as its end (47); taken for the end, it was rewound to
// its first, black picture.
TEST_F(IndexScreenTest, APausedPlaceKeepsItsPictureAndPlayGoesOnFromWhereItStopped) {
  if (!AddFilm()) return;
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  struct Case {
    const char* name;
    int32_t row;
    bool byOverlay;
  };
  const Case cases[] = {
      {"the film paused from the strip", 1, false},
      {"the film under an overlay", 1, true},
      {"the slide show paused from the strip", 0, false},
      {"the slide show under an overlay", 0, true},
  };
  // Where the place's film (its clock of 90 kHz, from the stream's first
  // time stamp) or slide show stands, in milliseconds, and whether it plays.
  const auto position = [screen]() -> int64_t {
    if (VideoItemPanel* video = screen->GetVideoPanel()) {
      auto* movie = dynamic_cast<AppMovieControl*>(video->FindObject(VideoItemPanel::kMovieId));
      return movie != nullptr && movie->GetScheduler() != nullptr ? movie->GetScheduler()->GetTime() / 90 : -1;
    }
    SlideShowPanel* show = screen->GetSlideShowPanel();
    return show != nullptr && show->GetPlayer() != nullptr ? show->GetPlayer()->GetPosition() : -1;
  };
  const auto playing = [screen]() {
    if (VideoItemPanel* video = screen->GetVideoPanel()) {
      auto* movie = dynamic_cast<AppMovieControl*>(video->FindObject(VideoItemPanel::kMovieId));
      return movie != nullptr && movie->IsPlaying();
    }
    SlideShowPanel* show = screen->GetSlideShowPanel();
    return show != nullptr && show->GetPlayer() != nullptr && show->GetPlayer()->IsPlaying();
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    screen->GetList()->HoverItem(c.row, false, true);
    screen->ShowEntry(c.row, true);
    ViewerControlPanel* strip = screen->GetCurrentStrip();
    ASSERT_NE(strip, nullptr);
    const int64_t start = position();
    for (int32_t i = 0; i < 50; ++i) Pass(20);
    ASSERT_TRUE(playing());
    const int64_t before = position();
    ASSERT_GT(before, start + 500) << "a second played";
    if (c.byOverlay) {
      screen->Suspend();
    } else {
      SendControlEvent(*strip->GetPauseButton(), kEventButtonClicked);
    }
    EXPECT_FALSE(playing());
    const int64_t paused = position();
    EXPECT_GE(paused, before) << "not rewound";
    for (int32_t i = 0; i < 25; ++i) Pass(20);
    EXPECT_EQ(position(), paused) << "it stays where it stopped";
    EXPECT_TRUE(strip->GetPlayButton()->IsVisible());
    EXPECT_FALSE(strip->GetPauseButton()->IsVisible());
    SendControlEvent(*strip->GetPlayButton(), kEventButtonClicked);
    EXPECT_TRUE(playing());
    EXPECT_TRUE(strip->GetPauseButton()->IsVisible());
    for (int32_t i = 0; i < 10; ++i) Pass(20);
    EXPECT_GT(position(), paused) << "it goes on from where it stopped";
    EXPECT_LT(position(), paused + 400);
    screen->ShowEntry(c.row, false);
  }
}

TEST_F(IndexScreenTest, TheGoThereButtonSendsTheBubbleOfTheModelsRegionZeroOrMinusOne) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  struct Case {
    const char* name;
    int32_t x, y;
    const char* message;
  };
  const Case cases[] = {
      {"no region entered yet", 600, 400, "140 0"},
      {"a place", kPlace2X, kBandY, "140 2"},
      {"the spin area", kSpinX, kBandY, "140 0"},
      {"a region without a place", kNoPlaceX, kModelY + 2, "140 -1"},
      {"off the model: the region last entered", 600, 400, "140 -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bench->Move(c.x, c.y);
    bench->Move(c.x + 1, c.y);
    bench->log.clear();
    SendControlEvent(*screen->GetGoButtonAbove(), kEventButtonClicked);
    EXPECT_EQ(Logged(IndexScreen::kOwnerGoToBubble), (std::vector<std::string>{c.message}));
  }
}

TEST_F(IndexScreenTest, AConfirmedRowOpensThePlaceAtOnceOrOnceTheModelHasStoppedTurning) {
  if (!AddFilm()) return;
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  AppTaskListControl* list = screen->GetList();
  AnimatedMaskControl* model = screen->GetModel();
  // The list's glide reaches row 1: the model turns to its frame.
  screen->HandleEvent(AppTaskListControl::kMessageHovered, 1, 0);
  EXPECT_TRUE(model->IsAnimating());
  EXPECT_EQ(captions.captions.back(), "Die Kueche");
  // Confirmed while turning: the place opens on arrival.
  list->HoverItem(1, false, true);
  list->SetDimUnselected(true);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 1, 0);
  EXPECT_EQ(screen->GetVideoPanel(), nullptr);
  EXPECT_TRUE(model->IsInputLocked());
  for (int32_t i = 0; i < 200 && model->IsAnimating(); ++i) Pass(10);
  EXPECT_EQ(model->GetCurrentFrame(), 10);
  EXPECT_NE(screen->GetVideoPanel(), nullptr);
  EXPECT_FALSE(Shown(model));
  // Undimmed: the place closes and the model returns.
  list->SetDimUnselected(false);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 1, 0);
  EXPECT_EQ(screen->GetVideoPanel(), nullptr);
  EXPECT_TRUE(Shown(model));
  EXPECT_FALSE(model->IsInputLocked());
  // Not turning: at once.
  list->HoverItem(3, false, true);
  list->SetDimUnselected(true);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 3, 0);
  EXPECT_NE(screen->GetSlideShowPanel(), nullptr);
  EXPECT_FALSE(Shown(model));
}

TEST_F(IndexScreenTest, ARowWithoutAPlaceOrNoRowStopsTheModelAndOpensNothing) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  AnimatedMaskControl* model = screen->GetModel();
  screen->HandleEvent(AppTaskListControl::kMessageHovered, 4, 0);
  EXPECT_TRUE(model->IsAnimating());
  screen->HandleEvent(AppTaskListControl::kMessageHovered, static_cast<uint32_t>(-1), 0);
  EXPECT_FALSE(model->IsAnimating());
  EXPECT_EQ(captions.captions.back(), "");
  // A confirmed row that holds no place (or none at all) opens nothing.
  for (const int32_t row : {-1, 7}) {
    screen->GetList()->SetDimUnselected(true);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(row), 0);
    EXPECT_EQ(screen->GetCurrentStrip(), nullptr) << row;
    EXPECT_EQ(screen->GetVideoPanel(), nullptr);
  }
}

TEST_F(IndexScreenTest, NoRowOpensNothingEvenWhenAnEntryWasWrittenWithPositionZero) {
  OpenIndexDisc("0 1 10 0 SH001 \"Null\"\r\n1 2 20 10 VI001 \"Eins\"\r\n");
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  screen->GetList()->SetDimUnselected(true);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(-1), 0);
  EXPECT_EQ(screen->GetSlideShowPanel(), nullptr);
  EXPECT_EQ(screen->GetCurrentStrip(), nullptr);
}

TEST_F(IndexScreenTest, TenThousandPlacesShowOnlyTheRowsThatFitTheList) {
  OpenIndexDisc(ManyPlaces(10000));
  if (HasFatalFailure()) return;
  IndexScreen* screen = Make();
  EXPECT_EQ(screen->GetEntries().GetCount(), 10000);
  // The rows that fit above the room of the viewer bar (6 + 28).
  EXPECT_EQ(screen->GetList()->GetVisibleItems(), (380 - 34) / 17);
  EXPECT_LE(screen->GetList()->GetBounds().bottom, 30 + 380);
}

// The model's media of sizes that do not fit together or left out of the
// archive (BadModelMediaCases): the screen opens with what there is, and its
// model is pointed at, turned to every row's place, spun, clicked, and the
// screen leaves.
TEST_F(IndexScreenTest, AModelWithMasksThatDoNotMatchItsFramesOrMediaMissingOpensTurnsAndLeaves) {
  for (const ModelMediaCase& c : BadModelMediaCases()) {
    SCOPED_TRACE(c.name);
    model = ModelMedia();
    c.change(model);
    OpenIndexDisc();
    if (HasFatalFailure()) return;
    IndexScreen* screen = Entered();
    AnimatedMaskControl* house = screen->GetModel();
    EXPECT_TRUE(Shown(house));
    for (const int32_t x : {kSpinX, kPlace1X, kPlace2X, kNoPlaceX, kModelX + 300}) {
      bench->Move(x, kBandY);
      bench->Move(x + 1, kBandY);
    }
    // Every row turns the model to its place (or stops it); the pointer
    // is off the model, and the list has finished with the rows the
    // regions marked, which would otherwise answer too.
    bench->Move(5, 470);
    for (int32_t i = 0; i < 100; ++i) Pass(10);
    for (int32_t row = -1; row <= 5; ++row) {
      screen->HandleEvent(AppTaskListControl::kMessageHovered, static_cast<uint32_t>(row), 0);
      for (int32_t i = 0; i < 300 && house->IsAnimating(); ++i) Pass(10);
      EXPECT_FALSE(house->IsAnimating()) << row;
      EXPECT_GE(house->GetCurrentFrame(), 0);
      EXPECT_LT(house->GetCurrentFrame(), IndexScreen::kModelFrames);
      if (row == 1 && c.frameTenShows) {
        ExpectShowsFrame(house, 10);
        if (HasFatalFailure()) return;
      }
    }
    // A spin from the spin area, then a click on the first place and the
    // place closed again from its row.
    bench->Move(kModelX + 7, kBandY);
    bench->Down(kModelX + 7, kBandY);
    bench->Move(kModelX + 1, kBandY);
    bench->Up(kModelX + 1, kBandY);
    for (int32_t i = 0; i < 200; ++i) Pass(10);
    bench->Move(kPlace1X, kBandY);
    bench->Move(kPlace1X + 1, kBandY);
    bench->Down(kPlace1X + 1, kBandY);
    bench->Up(kPlace1X + 1, kBandY);
    Pass(10);
    screen->GetList()->SetDimUnselected(false);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 0, 0);
    EXPECT_EQ(screen->GetCurrentStrip(), nullptr);
    LeaveAndClose(screen);
  }
}

// A hundred thousand places (two megabytes of index) are read and listed in
// seconds: each bubble is read once, the entries are linked to the list in
// one step and the rows take their titles in one walk (it took two minutes
// when every record walked the whole list).
TEST_F(IndexScreenTest, AHundredThousandPlacesAreReadAndListedInSeconds) {
  OpenIndexDisc(ManyPlaces(100000));
  if (HasFatalFailure()) return;
  const auto start = std::chrono::steady_clock::now();
  IndexScreen* screen = Make();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 30.0) << "under the sanitizers; about 3 s";
  EXPECT_EQ(screen->GetEntries().GetCount(), 100000);
  EXPECT_EQ(screen->GetList()->GetVisibleItems(), (380 - 34) / 17);
  const VString* last = screen->GetEntries().GetTitleAt(99999);
  ASSERT_NE(last, nullptr);
  EXPECT_STREQ(last->GetChars(), "P100000");
}

// Runs driven from outside learn from the run log which place's item plays:
// a slide show or a film that opens writes "item-shown CODE"; a place whose
// item has nothing to play (VI000) writes nothing.
TEST_F(IndexScreenTest, APlaceThatPlaysWritesItsItemToTheRunLog) {
  if (!AddFilm()) return;
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  std::vector<std::string> lines;
  title_run_log::SetSink([&lines](const std::string& line) { lines.push_back(line); });
  IndexScreen* screen = Entered();
  for (const int32_t row : {0, 2, 1}) {
    screen->ShowEntry(row, true);
    screen->ShowEntry(row, false);
  }
  title_run_log::SetSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"item-shown SH001", "item-shown VI001"}));
}

TEST_F(IndexScreenTest, TheMainPanelsScreenOfKindThreeIsTheIndexScreen) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  ExpectScreenOfKind<IndexScreen>(3, &RegisterIndexScreen);
}

}  // namespace
