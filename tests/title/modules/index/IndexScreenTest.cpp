// The index screen on a fake clock: entering (the list sliding in with its
// overshoot, the backdrop fading in, the intro, then 94), leaving (the model
// turned back first, 95 on the tick after the last move), the model's
// regions naming places and marking rows, a place's slide show or movie in
// the model's area with the strip and the go-there button by its row, the
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

TEST_F(IndexScreenTest, AClickedPlacePlaysItsSlideShowInTheModelsAreaWithStripAndGoButtonBelowItsRow) {
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
  // Row 0's highlight: left 425, bottom 30 + 17.
  ViewerControlPanel* strip = screen->GetCurrentStrip();
  ASSERT_EQ(strip, screen->GetStripBelow());
  EXPECT_TRUE(Shown(strip));
  EXPECT_EQ(strip->GetBounds().left, 425);
  EXPECT_EQ(strip->GetBounds().top, 45);
  EXPECT_TRUE(strip->GetPauseButton()->IsVisible()) << "playing";
  EXPECT_TRUE(Shown(screen->GetGoButtonBelow()));
  EXPECT_EQ(screen->GetGoButtonBelow()->GetBounds().left, 425 + 152);
  EXPECT_EQ(screen->GetGoButtonBelow()->GetBounds().top, 45);
  // The go-there button: the tour at the place's bubble.
  bench->log.clear();
  SendControlEvent(*screen->GetGoButtonBelow(), kEventButtonClicked);
  EXPECT_EQ(Logged(IndexScreen::kOwnerGoToBubble), (std::vector<std::string>{"140 1"}));
  // Closing the place removes the viewer and the buttons.
  screen->ShowEntry(0, false);
  EXPECT_EQ(screen->GetSlideShowPanel(), nullptr);
  EXPECT_FALSE(Shown(strip));
  EXPECT_FALSE(Shown(screen->GetGoButtonBelow()));
}

TEST_F(IndexScreenTest, APlaceFromRowFourOnGetsItsStripAndGoButtonAboveTheRow) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexScreen* screen = Entered();
  screen->GetList()->HoverItem(4, false, true);
  screen->ShowEntry(4, true);
  ViewerControlPanel* strip = screen->GetCurrentStrip();
  ASSERT_EQ(strip, screen->GetStripAbove());
  // Row 4's top: 30 + 4 x 17 = 98; the strip is 20 high, the button 18.
  EXPECT_EQ(strip->GetBounds().top, 98 - 20);
  EXPECT_EQ(screen->GetGoButtonAbove()->GetBounds().left, 425 + 151);
  EXPECT_EQ(screen->GetGoButtonAbove()->GetBounds().top, 98 - 18);
  EXPECT_FALSE(Shown(screen->GetStripBelow()));
}

TEST_F(IndexScreenTest, AVideoPlaceShowsItsMovieAndTheMoviesEndBringsBackThePlayButton) {
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
  ASSERT_NE(movie, nullptr) << "a movie control, even without its medium";
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
  // A place whose bubble names no item (VI000) opens the strip only.
  screen->ShowEntry(0, false);
  screen->GetList()->HoverItem(2, false, true);
  screen->ShowEntry(2, true);
  EXPECT_EQ(screen->GetVideoPanel(), nullptr);
  EXPECT_EQ(screen->GetSlideShowPanel(), nullptr);
  EXPECT_TRUE(Shown(screen->GetCurrentStrip()));
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
  EXPECT_EQ(screen->GetList()->GetVisibleItems(), 380 / 17);
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
  EXPECT_EQ(screen->GetList()->GetVisibleItems(), 380 / 17);
  const VString* last = screen->GetEntries().GetTitleAt(99999);
  ASSERT_NE(last, nullptr);
  EXPECT_STREQ(last->GetChars(), "P100000");
}

// Runs driven from outside learn from the run log which place's item plays:
// a slide show or a film that opens writes "item-shown CODE"; a place whose
// item has nothing to play (VI000) writes nothing.
TEST_F(IndexScreenTest, APlaceThatPlaysWritesItsItemToTheRunLog) {
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
