// The main panel on a fake clock, with the main interface screen as it is
// and stand-in screens for every module and overlay: its scripts as data,
// the first tick that uncovers the tour, module and overlay switches with
// the screens' 94 and 95 sent from inside their own Show and Hide (the
// screens are deleted only on the next idle pass), messages swallowed while
// a script runs, the watchdog on a strip that never reports, bubbles asked
// for by number, items opened by category, the keys, and the tour itself
// (walks and detail photos) inside the panel.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/core/Cursor.h"
#include "engine/core/ServiceCheck.h"
#include "engine/core/VEvent.h"
#include "engine/sound/SoundManager.h"
#include "platform/PointerWarp.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PictureFrameControl.h"
#include "title/shell/AppPanel.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/RoomOverlayMaker.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/StandInScreen.h"
#include "title/shell/TitleRunLog.h"
#include "title/shell/TourInfoPanelRegistration.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourInfoPanel.h"
#include "title/tour/RoomOverlay.h"
#include "title/tour/RoomTable.h"
#include "title/tour/TourMedia.h"
#include "title/tour/TourTestSupport.h"
#include "title/tour/TourView.h"

namespace {

using tourtest::Code;
using tourtest::Item;

// A strip whose layout switches start and never report their end.
class SilentStrip : public MainInterfaceScreen {
 public:
  using MainInterfaceScreen::MainInterfaceScreen;
  bool SetLayoutMode(int32_t /*mode*/, int32_t /*duration*/) override { return true; }
};

class TestPanel : public AppPanel {
 public:
  explicit TestPanel(bool silentStrip) : silentStrip_(silentStrip) {}

 protected:
  MainInterfaceScreen* MakeMainInterface() override {
    if (!silentStrip_) return AppPanel::MakeMainInterface();
    return new SilentStrip(kMainInterfaceId, 0, 0, 400, 100, 640, 80, this);
  }

 private:
  bool silentStrip_;
};

class AppPanelTest : public tourtest::TourFixture {
 protected:
  AppPanelTest() : TourFixture({"convert"}) {}

  // The start bubble BU001 with one hotspot in the middle of its view that
  // opens `info`, a second bubble BU002 and the walk BT001 between them.
  void Start(const std::string& info = "BT001", bool silentStrip = false,
             const std::vector<std::string>& moreMedia = {}) {
    ASSERT_EQ(imgtest::RunCommand("convert -size 512x256 xc:gray '" + Path("pano.jpg") + "'"), 0);
    const std::string pano = testsupport::ReadBytes(Path("pano.jpg"));
    std::vector<std::string> media = {
        TextLine(3000, "BUBBLE { ID BU001 DEFAULTVIEWANGLE 1 0 HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0.9 -0.2 1.1 "
                       "0.2 INFO " + info + " } } }"),
        CopyLine(3001, pano, "jpg"),
        TextLine(3002, "Die Halle"),
        TextLine(3100, "BUBBLE { ID BU002 DEFAULTVIEWANGLE 0 0 }"),
        CopyLine(3101, pano, "jpg"),
        TextLine(5000, "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 STARTANGLE 1 0 ENDBUBBLE BU002 ENDANGLE 0.5 "
                       "0 SEQUENCE { FADE 50 SOUND 0 } }"),
        TextLine(18223, "Willkommen im Ostrevan Haus"),
    };
    media.insert(media.end(), moreMedia.begin(), moreMedia.end());
    BuildArchives(media);
    SetBubbleBase(1, 3000);
    SetBubbleBase(2, 3100);
    SetTransitionBase(1, 5000);
    bench = std::make_unique<controltest::Bench>(640, 480);
    // Time moves only as the test says (the watchdog counts it).
    bench->clock().SetStepPerRead(0);
    panel = new TestPanel(silentStrip);
    ASSERT_TRUE(panel->Open(bench->recorder, false));
    // As the window shows its current panel.
    panel->SetVisible(true, false);
    ASSERT_NE(panel->GetTourView(), nullptr);
    ASSERT_NE(panel->GetMainInterface(), nullptr);
  }

  // Started and through the first script: the tour uncovered.
  void StartInTheTour(const std::string& info = "BT001", const std::vector<std::string>& moreMedia = {}) {
    Start(info, false, moreMedia);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(IdleUntilDone());
    ASSERT_EQ(View()->GetState(), TourView::kNavigating);
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    {
      const ScopedMissingServicesAllowed quiet;
      EXPECT_EQ(GetMainScreenServices(), nullptr) << "the panel removes its services";
    }
    DestroySoundManager();
    TourFixture::TearDown();
  }

  TourView* View() const { return panel->GetTourView(); }
  MainInterfaceScreen* Strip() const { return panel->GetMainInterface(); }

  void IdleFor(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
  }
  // Idles until no script runs (and one pass more for the deletions).
  bool IdleUntilDone(int passes = 1000) {
    for (int i = 0; i < passes; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
      if (!panel->GetSequence().IsRunning()) {
        bench->Idle();
        return true;
      }
    }
    return false;
  }
  bool IdleUntilState(int32_t state, int passes = 2000) {
    for (int i = 0; i < passes && View()->GetState() != state; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
    return View()->GetState() == state;
  }
  bool Send(uint32_t code, uint32_t value) { return panel->HandleEvent(code, value, 0); }
  bool Key(uint32_t virtualKey, uint16_t modifiers = 0, uint8_t character = 0) {
    VKeyEvent event(character, virtualKey);
    event.modifiers = modifiers;
    return panel->KeyDown(event);
  }
  // Owner message 138 as the tour sends it.
  bool OpenItem(const std::string& code) {
    const ItemRef item = Item(code);
    const ScopedMessagePointer token(&item);
    return Send(138, token.GetValue());
  }
  const ScriptStepList* RunningScript() const {
    return panel->GetSequence().IsRunning() ? panel->GetSequence().GetSteps() : nullptr;
  }

  std::unique_ptr<controltest::Bench> bench;
  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  TestPanel* panel = nullptr;  // the bench's window owns it
};

// The nine scripts, step by step: the owner message each step waits for and
// its action.
TEST(AppPanelScripts, EveryScriptHasItsSteps) {
  const std::map<int32_t, std::string> expected = {
      {0, "97 SuspendTour, 92 LayoutMode1"},
      {1, "95 HideOverlay, 0 DeleteOverlay, 95 HideModule, 0 DeleteModule, 92 LayoutModeTour, 96 InfoPanelOut, "
          "0 RestoreTourCursor"},
      {2, "95 HideOverlay, 0 DeleteOverlay, 95 HideModule, 0 DeleteModule, 92 LayoutMode2, 128 InfoPanelIn, "
          "0 EnterPendingBubble, 96 InfoPanelOut, 0 RestoreTourCursor"},
      {3, "95 HideOverlay, 0 DeleteOverlay, 95 HideModule, 0 DeleteModule, 94 ShowPendingModule, "
          "0 UpdateStatusStep"},
      {4, "95 HideOverlay, 0 DeleteOverlay, 94 ShowPendingOverlay, 0 UpdateStatusStep"},
      {5, "97 SuspendTour, 92 LayoutMode1, 94 ShowPendingModule, 0 UpdateStatusStep"},
      {6, "97 SuspendTour, 95 HideOverlay, 0 DeleteOverlay, 95 HideModule, 0 DeleteModule, 92 LayoutModeNone, "
          "128 InfoPanelIn, 0 RequestMessage84"},
      {7, "97 SuspendTour, 95 HideOverlay, 0 DeleteOverlay, 95 HideModule, 0 DeleteModule, 92 LayoutModeNone, "
          "128 InfoPanelIn, 0 RequestTextPanel"},
      {8, "97 SuspendTour, 92 LayoutMode1, 94 ShowPendingOverlay, 0 UpdateStatusStep"},
  };
  const ScopedMissingServicesAllowed quiet;
  AppPanel panel;
  for (const auto& [number, steps] : expected) {
    const ScriptStepList& script = panel.GetScript(number);
    EXPECT_EQ(script.GetNumber(), number);
    std::string got;
    for (int32_t i = 0; i < script.GetCount(); ++i) {
      const ScriptStep* step = script.GetStep(i);
      EXPECT_EQ(step->GetEventId(), ScriptStep::kAnyId);
      got += (got.empty() ? "" : ", ") + std::to_string(step->GetEventCode()) + " " + step->GetName();
    }
    EXPECT_EQ(got, steps) << "script " << number;
  }
  DestroySoundManager();
}

TEST(AppPanelScripts, KindsCompareThroughTheKindMap) {
  const std::map<int32_t, int32_t> kinds = {{0, 0},   {15, 0},  {1, 1},   {4, 1},   {2, 2},   {5, 2},
                                            {8, 8},   {9, 8},   {-1, -1}, {3, 3},   {6, 6},   {7, 7},
                                            {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}, {16, -1},
                                            {-2, -1}, {257, -1}};
  for (const auto& [kind, compared] : kinds) EXPECT_EQ(AppPanel::ModuleKindOf(kind), compared) << kind;
}

// An empty script (nothing to hide, nothing pending) reports 87 at once.
TEST_F(AppPanelTest, ScriptWithNothingToDoEndsAtOnce) {
  Start("BT001", true);
  if (HasFatalFailure()) return;
  bench->log.clear();
  SetMouseCursor(AppPanel::kArrowCursor);
  panel->RunScript(4);
  EXPECT_EQ(RunningScript(), nullptr);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor) << "87 restored the arrow within the call";
}

// The first tick shows the strip and the tour, and script 1 uncovers the
// start bubble: the strip moves to the tour's layout, the view navigates,
// the arrow is back and the welcome text was read.
TEST_F(AppPanelTest, FirstTickUncoversTheTour) {
  Start();
  if (HasFatalFailure()) return;
  EXPECT_EQ(GetMainScreenServices(), panel);
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU001");
  EXPECT_FALSE(View()->IsVisible());
  EXPECT_EQ(GetShownCursor(), AppPanel::kWaitCursor);
  bench->Idle();
  EXPECT_TRUE(View()->IsVisible());
  EXPECT_TRUE(Strip()->IsVisible());
  EXPECT_EQ(RunningScript(), &panel->GetScript(1));
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(View()->GetState(), TourView::kNavigating);
  EXPECT_EQ(Strip()->GetMode(), 2);
  EXPECT_EQ(Strip()->GetStatusCode(), -1);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);
  EXPECT_STREQ(panel->GetWelcomeText().GetChars(), "Willkommen im Ostrevan Haus");
}

// Each module button builds its stand-in over the tour; the tour button
// leads back and the screen is deleted on the next idle pass.
TEST_F(AppPanelTest, ModuleButtonsOpenTheirScreensAndTheTourButtonCloses) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  const struct {
    uint32_t code;
    uint32_t value;
    int32_t kind;
    int32_t id;
  } buttons[] = {
      {90, 1, 0, 14417}, {90, 2, 1, 14419}, {90, 3, 2, 14434}, {90, 4, 3, 14416}, {91, 14391, 8, 14866},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.value);
    EXPECT_TRUE(Send(b.code, b.value));
    ASSERT_TRUE(IdleUntilDone());
    PictureFrameControl* screen = panel->GetModuleScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetKind(), b.kind);
    EXPECT_EQ(screen->GetId(), b.id);
    EXPECT_TRUE(screen->IsVisible());
    EXPECT_TRUE(screen->IsEnabled());
    EXPECT_EQ(panel->GetPendingModule(), nullptr);
    EXPECT_EQ(Strip()->GetStatusCode(), b.kind);
    EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);

    EXPECT_TRUE(Send(91, AppPanel::kTourButton));
    ASSERT_TRUE(IdleUntilDone());
    EXPECT_EQ(panel->GetModuleScreen(), nullptr);
    EXPECT_EQ(DeferredDeletionCount(), 0);
    EXPECT_EQ(View()->GetState(), TourView::kNavigating);
    EXPECT_EQ(Strip()->GetMode(), 2);
  }
}

// One module after another: the old screen's 95 comes from inside its Hide
// and the new one's 94 from inside its Show, so the whole switch runs within
// one message; the old screen, whose Hide was still running when it was
// deleted, goes on the next idle pass (clean under ASan).
TEST_F(AppPanelTest, ScreensReportingFromInsideShowAndHideAreDeletedLater) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  Send(90, 1);
  ASSERT_TRUE(IdleUntilDone());
  PictureFrameControl* first = panel->GetModuleScreen();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Send(90, 2));
  EXPECT_EQ(RunningScript(), nullptr) << "script 3 ran to its end inside the message";
  ASSERT_NE(panel->GetModuleScreen(), nullptr);
  EXPECT_EQ(panel->GetModuleScreen()->GetKind(), 1);
  EXPECT_TRUE(panel->GetModuleScreen()->IsVisible());
  EXPECT_EQ(DeferredDeletionCount(), 1) << "the aspects screen waits for the idle pass";
  EXPECT_EQ(panel->FindObject(14417), nullptr) << "and has left the panel";
  EXPECT_EQ(Strip()->GetStatusCode(), 1);
  bench->Idle();
  EXPECT_EQ(DeferredDeletionCount(), 0);
}

TEST_F(AppPanelTest, ARequestForTheKindShownBuildsNothing) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  Send(90, 2);
  ASSERT_TRUE(IdleUntilDone());
  PictureFrameControl* relations = panel->GetModuleScreen();
  ASSERT_NE(relations, nullptr);
  // A relations screen with an item's text open answers 4: still relations.
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    struct Entry : StandInScreen {
      using StandInScreen::StandInScreen;
      int32_t GetKind() const override { return 9; }
    };
    return new Entry(request);
  };
  ScreenRegistry::Register(8, maker);
  EXPECT_TRUE(Send(90, 2));
  EXPECT_EQ(panel->GetModuleScreen(), relations);
  EXPECT_EQ(panel->GetPendingModule(), nullptr);
  EXPECT_EQ(RunningScript(), nullptr);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);

  Send(91, AppPanel::kCarouselButton);
  ASSERT_TRUE(IdleUntilDone());
  PictureFrameControl* carousel = panel->GetModuleScreen();
  ASSERT_NE(carousel, nullptr);
  EXPECT_EQ(carousel->GetKind(), 9) << "the registered maker made it";
  EXPECT_TRUE(Send(91, AppPanel::kCarouselButton));
  EXPECT_EQ(panel->GetModuleScreen(), carousel);
  EXPECT_EQ(panel->GetPendingModule(), nullptr);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);
  ScreenRegistry::Unregister(8);
}

// The tour view's detail-photo pop-up comes from the registry's maker of kind
// 13, over the view on layer 2; without a maker there is none (and no
// stand-in).
TEST_F(AppPanelTest, TheDetailPhotoPopupComesFromTheRegistry) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  TourView* view = View();
  EXPECT_EQ(panel->MakeDetailPhotoPopup(Item("DF001"), view), nullptr);

  ScreenRequest asked;
  std::string item;
  ScreenMaker maker;
  maker.make = [&](const ScreenRequest& request) -> PictureFrameControl* {
    asked = request;
    item = request.item != nullptr ? Code(*request.item) : "none";
    return new StandInScreen(request);
  };
  ScreenRegistry::Register(13, maker);
  PictureFrameControl* popup = panel->MakeDetailPhotoPopup(Item("DF001"), view);
  ScreenRegistry::Unregister(13);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(asked.kind, 13);
  EXPECT_EQ(asked.layer, 2);
  EXPECT_EQ(asked.left, 0);
  EXPECT_EQ(asked.top, 0);
  EXPECT_EQ(asked.width, 640);
  EXPECT_EQ(asked.height, 480);
  EXPECT_EQ(asked.owner, view);
  EXPECT_EQ(item, "DF001");
  delete popup;
}

// While a script runs every owner message but the tick and 137 goes to the
// script: module buttons, overlay buttons and bubbles do nothing.
TEST_F(AppPanelTest, MessagesAreSwallowedWhileAScriptRuns) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  OpenItem("EV001");
  ASSERT_EQ(RunningScript(), &panel->GetScript(5)) << "waiting for the tour to dim";
  PictureFrameControl* pending = panel->GetPendingModule();
  for (const auto& [code, value] : std::vector<std::pair<uint32_t, uint32_t>>{
           {90, 2}, {91, 14392}, {91, 14393}, {91, 14391}, {140, 2}, {88, 0}, {93, 14422}}) {
    EXPECT_TRUE(Send(code, value)) << code;
  }
  EXPECT_EQ(panel->GetPendingModule(), pending);
  EXPECT_EQ(panel->GetPendingOverlay(), nullptr);
  EXPECT_EQ(panel->GetOverlay(), nullptr);
  EXPECT_EQ(panel->GetPendingBubble(), nullptr);
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetModuleScreen(), pending);
  EXPECT_EQ(panel->GetModuleScreen()->GetKind(), 2);
}

TEST_F(AppPanelTest, RunScriptDuringAScriptOnlySetsTheHourglass) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  OpenItem("EV001");
  ASSERT_EQ(RunningScript(), &panel->GetScript(5));
  SetPendingCursor(AppPanel::kArrowCursor);
  SetMouseCursor(AppPanel::kArrowCursor);
  panel->RunScript(7);
  EXPECT_EQ(GetShownCursor(), AppPanel::kWaitCursor);
  EXPECT_EQ(RunningScript(), &panel->GetScript(5));
  ASSERT_TRUE(IdleUntilDone());
  bench->log.clear();
  IdleFor(100);
  for (const std::string& line : bench->log) EXPECT_NE(line.rfind("81 ", 0), 0u) << "no closing panel";
}

// A strip that never reports its layout: the wait for 92 is given up after
// the watchdog's time, with a line on stderr, and the script goes on; a
// panel whose screens all report never hears from the watchdog.
TEST_F(AppPanelTest, TheWatchdogEndsOnlyAWaitThatNeverEnds) {
  Start("BT001", true);
  if (HasFatalFailure()) return;
  std::vector<std::string> lines;
  title_run_log::SetSink([&lines](const std::string& line) { lines.push_back(line); });
  struct SinkReset {
    ~SinkReset() { title_run_log::SetSink(nullptr); }
  } sinkReset;
  testing::internal::CaptureStderr();
  bench->Idle();
  IdleFor(static_cast<int>(StepSequence::kWatchdogMs) - 500);
  EXPECT_EQ(RunningScript(), &panel->GetScript(1));
  EXPECT_EQ(panel->GetSequence().GetIndex(), 4) << "waiting for the layout";
  ASSERT_TRUE(IdleUntilDone());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("script 1, step 5 (LayoutModeTour): no owner message 92"), std::string::npos) << said;
  // The run log says which wait was given up, so that runs from outside
  // can tell a wait its message ended from one the watchdog ended.
  int givenUp = 0;
  for (const std::string& line : lines) {
    if (line.rfind("script-watchdog ", 0) != 0) continue;
    ++givenUp;
    EXPECT_EQ(line.rfind("script-watchdog 1 LayoutModeTour ms ", 0), 0u) << line;
    EXPECT_GE(std::stoul(line.substr(line.rfind(' ') + 1)), StepSequence::kWatchdogMs) << line;
  }
  EXPECT_EQ(givenUp, 1);
  EXPECT_EQ(View()->GetState(), TourView::kNavigating) << "the tour was uncovered all the same";
}

TEST_F(AppPanelTest, TheWatchdogStaysQuietWhileScreensReport) {
  Start();
  if (HasFatalFailure()) return;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(IdleUntilDone());
  for (const uint32_t value : {1u, 2u, 3u}) {
    Send(90, value);
    ASSERT_TRUE(IdleUntilDone());
  }
  Send(91, AppPanel::kInfoButton);
  IdleFor(200);
  Send(91, AppPanel::kRoomButton);
  ASSERT_TRUE(IdleUntilDone());
  Send(91, AppPanel::kTourButton);
  ASSERT_TRUE(IdleUntilDone());
  IdleFor(2 * static_cast<int>(StepSequence::kWatchdogMs));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("main panel:"), std::string::npos) << said;
  EXPECT_EQ(View()->GetState(), TourView::kNavigating);
}

// Owner message 140 for the current bubble goes back to the tour (script 1);
// with the alternate picture flag set it reloads the bubble through script 2.
TEST_F(AppPanelTest, BubbleMessageForTheCurrentBubble) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  BubbleRecord* before = View()->GetCurrentBubble();
  // Over the tour there is nothing for script 1 to do: it ends at once.
  EXPECT_TRUE(Send(140, 1));
  EXPECT_EQ(RunningScript(), nullptr);
  EXPECT_EQ(panel->GetPendingBubble(), nullptr);
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(View()->GetCurrentBubble(), before);
  // Over a module it leads back to the tour.
  OpenItem("HP001");
  ASSERT_TRUE(IdleUntilDone());
  ASSERT_NE(panel->GetModuleScreen(), nullptr);
  EXPECT_TRUE(Send(140, 1));
  EXPECT_EQ(RunningScript(), &panel->GetScript(1));
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetModuleScreen(), nullptr);
  EXPECT_EQ(View()->GetCurrentBubble(), before);
  EXPECT_EQ(View()->GetState(), TourView::kNavigating);

  SetAlternateBubblePicture(true);
  EXPECT_TRUE(Send(140, 1));
  EXPECT_EQ(RunningScript(), &panel->GetScript(2));
  ASSERT_NE(panel->GetPendingBubble(), nullptr);
  EXPECT_EQ(Code(panel->GetPendingBubble()->GetItem()), "BU001");
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetPendingBubble(), nullptr);
  EXPECT_NE(View()->GetCurrentBubble(), before) << "a new record of the same bubble";
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU001");
  EXPECT_EQ(View()->GetState(), TourView::kNavigating);

  EXPECT_TRUE(Send(140, 2));
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU002");
  for (const uint32_t none : {0u, 0xFFFFFFFFu, 7u}) {
    EXPECT_TRUE(Send(140, none)) << none;
    EXPECT_EQ(RunningScript(), nullptr) << none << ": no bubble, nothing runs";
    EXPECT_EQ(panel->GetPendingBubble(), nullptr);
  }
}

// Owner message 138 opens the screen of the item's category over the tour;
// bubble, walk and other categories open nothing.
TEST_F(AppPanelTest, ItemsOpenTheScreenOfTheirCategory) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  const struct {
    const char* item;
    int32_t kind;  // -1: nothing opens
    int32_t id;
    VRect bounds;
  } items[] = {
      {"BT001", -1, 0, {}},
      {"BH001", -1, 0, {}},
      {"BU002", -1, 0, {}},
      {"DF001", -1, 0, {}},
      {"EV003", 2, 14434, VRect(0, 0, 640, 480)},
      {"SH001", 14, 14424, VRect(0, 20, 640, 420)},
      {"VI001", 14, 14424, VRect(0, 20, 320, 260)},
      {"HP001", 12, 14423, VRect(0, 0, 640, 480)},
      {"AS002", 0, 14417, VRect(0, 0, 640, 480)},
  };
  for (const auto& c : items) {
    SCOPED_TRACE(c.item);
    const ItemRef item = Item(c.item);
    {
      const ScopedMessagePointer token(&item);
      EXPECT_TRUE(Send(138, token.GetValue()));
    }
    if (c.kind < 0) {
      EXPECT_EQ(RunningScript(), nullptr);
      EXPECT_EQ(panel->GetPendingModule(), nullptr);
      EXPECT_EQ(panel->GetModuleScreen(), nullptr);
      continue;
    }
    EXPECT_EQ(RunningScript(), &panel->GetScript(5));
    ASSERT_TRUE(IdleUntilDone());
    PictureFrameControl* screen = panel->GetModuleScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetKind(), c.kind);
    EXPECT_EQ(screen->GetId(), c.id);
    VRect bounds;
    screen->GetGlobalBounds(bounds);
    EXPECT_EQ(bounds.left, c.bounds.left);
    EXPECT_EQ(bounds.top, c.bounds.top);
    EXPECT_EQ(bounds.right, c.bounds.right);
    EXPECT_EQ(bounds.bottom, c.bounds.bottom);
    auto* standIn = dynamic_cast<StandInScreen*>(screen);
    ASSERT_NE(standIn, nullptr);
    EXPECT_NE(standIn->GetTitle().find(c.item), std::string::npos) << standIn->GetTitle();
    Send(91, AppPanel::kTourButton);
    ASSERT_TRUE(IdleUntilDone());
    EXPECT_EQ(View()->GetState(), TourView::kNavigating);
  }
}

// An item opened while a module screen is shown (script 5 hides nothing):
// the new screen takes the module's place and the old one goes, rather than
// staying under it for good.
TEST_F(AppPanelTest, AnItemOpenedOverAModuleReplacesIt) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  Send(90, 2);
  ASSERT_TRUE(IdleUntilDone());
  ASSERT_NE(panel->GetModuleScreen(), nullptr);
  OpenItem("EV002");
  ASSERT_TRUE(IdleUntilDone());
  ASSERT_NE(panel->GetModuleScreen(), nullptr);
  EXPECT_EQ(panel->GetModuleScreen()->GetKind(), 2);
  EXPECT_EQ(panel->FindObject(14419), nullptr) << "the relations screen is gone";
  EXPECT_EQ(DeferredDeletionCount(), 0);
}

// The overlays: the information and room overlays open over the tour at
// once; one replaces the other through script 4; a click on the stand-in
// asks to close it (93) and it goes (95).
TEST_F(AppPanelTest, OverlaysOpenReplaceAndClose) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  EXPECT_TRUE(Send(91, AppPanel::kInfoButton));
  ASSERT_NE(panel->GetOverlay(), nullptr);
  EXPECT_EQ(panel->GetOverlay()->GetKind(), 6);
  EXPECT_TRUE(panel->GetOverlay()->IsEnabled()) << "its 94 came from inside Show";
  EXPECT_EQ(Strip()->GetStatusCode(), 6);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);

  EXPECT_TRUE(Send(91, AppPanel::kRoomButton));
  ASSERT_TRUE(IdleUntilDone());
  ASSERT_NE(panel->GetOverlay(), nullptr);
  EXPECT_EQ(panel->GetOverlay()->GetKind(), 10);
  EXPECT_EQ(panel->FindObject(AppPanel::kInfoOverlayId), nullptr);
  EXPECT_EQ(Strip()->GetStatusCode(), 10);

  // Away from the hotspot in the middle, which holds the pointer while it
  // is over it.
  bench->Click(100, 100);
  EXPECT_EQ(panel->GetOverlay(), nullptr) << "closed by its click";
  EXPECT_EQ(DeferredDeletionCount(), 1);
  EXPECT_EQ(Strip()->GetStatusCode(), -1);
  bench->Idle();
  EXPECT_EQ(DeferredDeletionCount(), 0);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);
}

// The tour's information overlay as registered: it opens disabled under the
// hourglass and its 94, once the page has unfolded, enables it; its close
// button's 93 hides it through the main panel, and its 95, once the page has
// folded, removes it. Replaced by the room overlay, script 4 waits for its 95.
TEST_F(AppPanelTest, TheInfoPanelOpensAndClosesThroughTheMainPanel) {
  struct Registered {
    Registered() { RegisterTourInfoPanel(); }
    ~Registered() { ScreenRegistry::Unregister(TourInfoPanel::kScreenKind); }
  } registered;
  StartInTheTour();
  if (HasFatalFailure()) return;
  EXPECT_TRUE(Send(91, AppPanel::kInfoButton));
  auto* info = dynamic_cast<TourInfoPanel*>(panel->GetOverlay());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetId(), AppPanel::kInfoOverlayId);
  EXPECT_TRUE(info->IsOpening());
  EXPECT_FALSE(info->IsEnabled()) << "until its 94";
  EXPECT_EQ(GetShownCursor(), AppPanel::kWaitCursor);
  IdleFor(1000);
  EXPECT_FALSE(info->IsOpening());
  EXPECT_TRUE(info->IsEnabled());
  EXPECT_EQ(Strip()->GetStatusCode(), 6);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);

  // The close button's click.
  EXPECT_TRUE(info->HandleEvent(kEventButtonClicked, TourInfoPanel::kCloseButtonId, 0));
  EXPECT_TRUE(info->IsClosing());
  EXPECT_EQ(GetShownCursor(), AppPanel::kWaitCursor);
  EXPECT_EQ(panel->GetOverlay(), info) << "until its 95";
  IdleFor(1000);
  EXPECT_EQ(panel->GetOverlay(), nullptr);
  EXPECT_EQ(panel->FindObject(AppPanel::kInfoOverlayId), nullptr);
  EXPECT_EQ(DeferredDeletionCount(), 0);
  EXPECT_EQ(Strip()->GetStatusCode(), -1);
  EXPECT_EQ(GetShownCursor(), AppPanel::kArrowCursor);

  EXPECT_TRUE(Send(91, AppPanel::kInfoButton));
  IdleFor(1000);
  ASSERT_NE(dynamic_cast<TourInfoPanel*>(panel->GetOverlay()), nullptr);
  EXPECT_TRUE(Send(91, AppPanel::kRoomButton));
  EXPECT_EQ(RunningScript(), &panel->GetScript(4));
  ASSERT_TRUE(IdleUntilDone());
  ASSERT_NE(panel->GetOverlay(), nullptr);
  EXPECT_EQ(panel->GetOverlay()->GetKind(), 10);
  EXPECT_EQ(panel->FindObject(AppPanel::kInfoOverlayId), nullptr);
  EXPECT_EQ(DeferredDeletionCount(), 0);
}

// Ctrl+L, then Ctrl+B, in the room overlay reloads the current bubble with
// its alternate picture; Ctrl+B alone, or after another letter, does nothing.
TEST_F(AppPanelTest, BubbleKeysInTheRoomOverlay) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  EXPECT_FALSE(Key('B', kModifierControl)) << "no room overlay: not the panel's key";
  Send(91, AppPanel::kRoomButton);
  ASSERT_NE(panel->GetOverlay(), nullptr);
  const struct {
    std::vector<std::pair<uint32_t, uint16_t>> keys;
    bool reloads;
  } cases[] = {
      {{{'B', kModifierControl}}, false},
      {{{'L', 0}, {'B', kModifierControl}}, false},
      {{{'L', kModifierControl}, {'X', 0}, {'B', kModifierControl}}, false},
      {{{'L', kModifierControl}, {'7', 0}, {'B', kModifierControl}}, false},
      {{{'L', kModifierControl}, {'B', 0}}, false},
      {{{'L', kModifierControl}, {'B', kModifierControl}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.size());
    for (const auto& [key, modifiers] : c.keys) Key(key, modifiers);
    EXPECT_EQ(IsAlternateBubblePicture(), c.reloads);
    EXPECT_EQ(RunningScript(), c.reloads ? &panel->GetScript(2) : nullptr);
    EXPECT_EQ(panel->GetPendingBubble() != nullptr, c.reloads);
  }
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetOverlay(), nullptr) << "script 2 closed the overlay";
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU001");
}

// F1 over the tour opens the room overlay through script 8, with the strip's
// status code as its context; F1 during a script, or while that overlay
// waits, makes nothing.
TEST_F(AppPanelTest, F1OpensTheRoomOverlayButNotDuringAScript) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  OpenItem("EV001");
  ASSERT_NE(RunningScript(), nullptr);
  EXPECT_TRUE(Key(AppPanel::kKeyF1));
  EXPECT_EQ(panel->GetPendingOverlay(), nullptr);
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetOverlay(), nullptr);
  Send(91, AppPanel::kTourButton);
  ASSERT_TRUE(IdleUntilDone());

  EXPECT_TRUE(Key(AppPanel::kKeyF1));
  EXPECT_EQ(RunningScript(), &panel->GetScript(8));
  PictureFrameControl* pending = panel->GetPendingOverlay();
  ASSERT_NE(pending, nullptr);
  EXPECT_TRUE(Key(AppPanel::kKeyF1));
  EXPECT_EQ(panel->GetPendingOverlay(), pending);
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetOverlay(), pending);
  EXPECT_EQ(panel->GetOverlay()->GetKind(), 10);
  EXPECT_TRUE(View()->IsCovered());
  int overlays = 0;
  for (VGraphicObject* child = panel->GetFirstChildObject(); child != nullptr;
       child = dynamic_cast<VGraphicObject*>(child->GetNextSibling())) {
    if (child->GetId() == AppPanel::kRoomOverlayId) ++overlays;
  }
  EXPECT_EQ(overlays, 1);
  // F1 with the tour dimmed: the overlay shown is the room overlay already.
  EXPECT_TRUE(Key(AppPanel::kKeyF1));
  EXPECT_EQ(panel->GetOverlay(), pending);
}

// The room overlay as the title registers it: opened from the strip's rooms
// button over the tour, it fades in, and the bubble button of its room asks
// the panel for the room's bubble, which script 2 enters after closing the
// overlay.
TEST_F(AppPanelTest, TheRoomOverlaysBubbleButtonEntersTheRoomsBubble) {
  ASSERT_EQ(imgtest::RunCommand("convert -size 20x20 xc:red -type truecolor 'BMP3:" + Path("button.bmp") + "'"), 0);
  const std::string button = testsupport::ReadBytes(Path("button.bmp"));
  std::vector<std::string> media;
  for (int32_t k = 1; k <= 3; ++k) media.push_back(CopyLine(3330 + k, button, "bmp"));
  for (int32_t room = 0; room < RoomTable::kRoomCount; ++room) {
    const int32_t record = RoomOverlay::kRecordBase + RoomOverlay::kRecordStride * room;
    media.push_back(TextLine(record, "tobubbleup.bmp 10 10"));
    media.push_back(TextLine(record + RoomOverlay::kBubbleLinkOffset, "BU002"));
  }
  struct Registration {
    Registration() { RegisterRoomOverlay(); }
    ~Registration() { ScreenRegistry::Unregister(RoomOverlay::kOverlayKind); }
  } registration;
  StartInTheTour("BT001", media);
  if (HasFatalFailure()) return;
  const int32_t status = Strip()->GetStatusCode();
  EXPECT_TRUE(Send(91, AppPanel::kRoomButton));
  auto* overlay = dynamic_cast<RoomOverlay*>(panel->GetOverlay());
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(overlay->GetRoom(), RoomTable::FindRoomByKey(status)) << "the strip's status code is its key";
  EXPECT_FALSE(overlay->IsEnabled()) << "until it has faded in";
  IdleFor(600);
  ASSERT_EQ(overlay->GetState(), RoomOverlay::kOpen);
  EXPECT_TRUE(overlay->IsEnabled()) << "its 94";
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU001");

  VRect bounds;
  overlay->FindObject(RoomOverlay::kFirstButtonId)->GetGlobalBounds(bounds);
  bench->clock().SetStepPerRead(1000000ull);  // the button's press hold
  bench->Move(bounds.left + 5, bounds.top + 5);
  bench->Click(bounds.left + 5, bounds.top + 5);
  bench->clock().SetStepPerRead(0);
  EXPECT_EQ(RunningScript(), &panel->GetScript(2));
  ASSERT_NE(panel->GetPendingBubble(), nullptr);
  EXPECT_EQ(Code(panel->GetPendingBubble()->GetItem()), "BU002");
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_EQ(panel->GetOverlay(), nullptr) << "closed by script 2";
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), "BU002");
  EXPECT_EQ(View()->GetState(), TourView::kNavigating);
}

// Space leaves the tour for the main interface (script 0); Alt+F4 ends the
// title: script 7, then owner message 81 on the next tick.
TEST_F(AppPanelTest, SpaceAndAltF4) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  EXPECT_TRUE(Key(0x20, 0, ' '));
  EXPECT_EQ(RunningScript(), &panel->GetScript(0));
  ASSERT_TRUE(IdleUntilDone());
  EXPECT_TRUE(View()->IsCovered());
  EXPECT_EQ(Strip()->GetMode(), 1);
  EXPECT_TRUE(Key(0x20, 0, ' ')) << "taken, but the tour is not navigating";
  EXPECT_EQ(RunningScript(), nullptr);

  bench->log.clear();
  EXPECT_TRUE(Key(AppPanel::kKeyF4, kModifierAlt));
  EXPECT_EQ(RunningScript(), &panel->GetScript(7));
  IdleFor(3000);
  EXPECT_EQ(RunningScript(), nullptr);
  int closing = 0;
  for (const std::string& line : bench->log) {
    if (line == "81 " + std::to_string(panel->GetId())) ++closing;
  }
  EXPECT_EQ(closing, 1) << "the closing panel is asked for once";
  EXPECT_EQ(Strip()->GetMode(), -1);
}

// The run log times a script from the moment it starts: a click starts
// one only after its button's 100 ms press hold, well after the pass's
// time, and that hold is no frame of the script. Each step's wait has a
// line of its own.
TEST_F(AppPanelTest, TheRunLogTimesAScriptFromItsStart) {
  StartInTheTour();
  if (HasFatalFailure()) return;
  std::vector<std::string> lines;
  title_run_log::SetSink([&lines](const std::string& line) { lines.push_back(line); });
  struct SinkReset {
    ~SinkReset() { title_run_log::SetSink(nullptr); }
  } sinkReset;
  bench->Idle();
  bench->clock().AdvanceMilliseconds(100);
  const uint32_t start = bench->Now();
  panel->RunScript(0);
  ASSERT_TRUE(IdleUntilDone());
  const uint32_t end = bench->Now();
  // Each wait has its line; the two waits of script 0 follow each other and
  // so make up the script's time.
  std::vector<std::string> scripts;
  uint32_t waited = 0;
  std::vector<std::string> waits;
  for (const std::string& line : lines) {
    if (line.rfind("script-wait 0 ", 0) == 0) {
      const size_t ms = line.find(" ms ");
      ASSERT_NE(ms, std::string::npos) << line;
      waits.push_back(line.substr(0, ms));
      waited += static_cast<uint32_t>(std::stoul(line.substr(ms + 4)));
    } else {
      scripts.push_back(line);
    }
  }
  EXPECT_EQ(scripts, (std::vector<std::string>{"script 0", "script-done 0 ms " + std::to_string(end - start) +
                                                               " frames 0 longest-gap-ms 0 late-ms 0"}));
  EXPECT_EQ(waits, (std::vector<std::string>{"script-wait 0 SuspendTour", "script-wait 0 LayoutMode1"}));
  EXPECT_EQ(waited, end - start);
}

// The view asks for the layout the strip is in already: the strip starts no
// switch and reports nothing, so the panel tells the view on the next tick
// (else the view would wait for good).
TEST_F(AppPanelTest, ALayoutTheStripIsInStillEndsTheViewsWait) {
  StartInTheTour("DF001");
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Strip()->SetLayoutMode(3, 0));
  bench->Move(321, 240);
  bench->Down(320, 240);
  bench->Up(320, 240);
  ASSERT_NE(View()->GetState(), TourView::kNavigating);
  EXPECT_TRUE(IdleUntilState(TourView::kNavigating, 50)) << "state " << View()->GetState();
}

// The tour inside the panel: a click on the hotspot ends navigating again,
// in the bubble the hotspot leads to (a door walks into BU002; a detail
// photo, for which no pop-up is made, leaves the view in BU001).
class AppPanelTourTest : public AppPanelTest, public testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(AppPanelTourTest, HotspotClickEndsNavigating) {
  StartInTheTour(GetParam().first);
  if (HasFatalFailure()) return;
  bench->Move(321, 240);
  bench->Down(320, 240);
  bench->Up(320, 240);
  EXPECT_NE(View()->GetState(), TourView::kNavigating) << "the click was taken";
  ASSERT_TRUE(IdleUntilState(TourView::kNavigating)) << "state " << View()->GetState();
  ASSERT_NE(View()->GetCurrentBubble(), nullptr);
  EXPECT_EQ(Code(View()->GetCurrentBubble()->GetItem()), GetParam().second);
  EXPECT_FALSE(View()->HasPopup());
  IdleFor(1500);
  EXPECT_EQ(Strip()->GetMode(), 2) << "the strip is back in the tour's layout";
}

INSTANTIATE_TEST_SUITE_P(Hotspots, AppPanelTourTest,
                         testing::Values(std::make_pair("BT001", "BU002"), std::make_pair("DF001", "BU001")),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
