// The tour screen's view on a fake clock, with the main panel (an event
// recorder), the main interface screen and the shell (small doubles) logging
// what reaches them: the cover's states, captions and the hotspot sound,
// walks from bubble to bubble (the turn, N + 1 dissolves through the frames
// T + 1 .. T + N, arrival in the end bubble at its end view), walks that
// cannot start, items opened with 138 (seen at once, unseen after the
// slide-in; one owner for the copy), the detail-photo pop-up deleted after
// its own 95, footsteps in their order and random sounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "TourTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VAnimatingPictureControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VTask.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundManager.h"
#include "platform/PointerWarp.h"
#include "platform/Rand.h"
#include "support/TempDir.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/SignalTimer.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"
#include "title/tour/TourCover.h"
#include "title/tour/TourNavigator.h"
#include "title/controls/PictureFrameControl.h"
#include "title/tour/TourView.h"
#include "title/tour/TourViewHost.h"

namespace {

using controltest::Log;

ItemRef Item(const char* code) {
  ItemRef item;
  item.ParseItemRef(VString(code));
  return item;
}

std::string Code(const ItemRef& item) {
  char text[6] = {};
  return item.FormatItemRef(text) ? text : "invalid";
}

std::string Str(const VString& text) { return text.GetChars() != nullptr ? text.GetChars() : ""; }

// The main screen: its current panel (the recorder) and the caption line.
class FakeMainScreen : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& text, bool shown, bool keep) override {
    log_->push_back("caption '" + Str(text) + "' " + std::to_string(shown) + std::to_string(keep));
  }
  VGraphicObject* panel = nullptr;
  Log* log_ = nullptr;
};

// A pop-up that hides at once and then reports 95 from inside itself, as an
// overlay does from its transition's end.
class FakePopup : public PictureFrameControl {
 public:
  FakePopup(Log* log, VGraphicObject* parent) : PictureFrameControl(kAllocateId, 0, 0, 0, 2, 640, 480, parent), log_(log) {}
  ~FakePopup() override { log_->push_back("popup deleted"); }
  // Shown as a pop-up shows itself (a picture frame is made hidden).
  void Show() override {
    log_->push_back("popup show");
    SetVisible(true, false);
  }
  void Hide() override { log_->push_back("popup hide"); }
  // The end of the hide: 95 up the tree, then the pop-up touches itself.
  void FinishHide() {
    SendControlEvent(*this, kOwnerHidden);
    log_->push_back("popup finished " + std::to_string(GetId()));
  }

 private:
  Log* log_;
};

class FakeHost : public TourViewHost {
 public:
  void SetWaitCursor(bool wait) override { log_->push_back("wait " + std::to_string(wait)); }
  void ShowSavedCaption() override { log_->push_back("saved caption"); }
  void SetStatusText(const VString& text, bool asCaption) override {
    log_->push_back("status '" + Str(text) + "' " + std::to_string(asCaption));
  }
  void SwitchMode(int32_t mode, int32_t duration) override {
    log_->push_back("mode " + std::to_string(mode) + " " + std::to_string(duration));
  }
  PictureFrameControl* MakeDetailPhotoPopup(const ItemRef& item, VGraphicObject* parent) override {
    log_->push_back("popup for " + Code(item));
    popup = new FakePopup(log_, parent);
    return popup;
  }
  FakePopup* popup = nullptr;
  Log* log_ = nullptr;
};

// Sound media as memory streams of 100 frames whose samples all equal the
// media id, so that what the mixer plays names the medium.
class TestTourView : public TourView {
 public:
  TestTourView(Log* log, VGraphicObject* parent) : TourView(kViewId, 0, 0, 0, 640, 480, parent), log_(log) {}
  std::set<uint16_t> missing;

 protected:
  VAudioStream* LoadSoundStream(uint16_t mediaId) override {
    log_->push_back("load " + std::to_string(mediaId));
    if (missing.count(mediaId) != 0) return nullptr;
    const std::vector<int16_t> samples(100, static_cast<int16_t>(mediaId));
    return new VMemoryAudioStream(VAudioEncodingFormat(22050, 16, false, kAudioEncodingSigned), samples.data(),
                                  static_cast<int32_t>(samples.size() * 2));
  }

 private:
  Log* log_;
};

constexpr uint32_t kViewId = TourView::kViewId;
const std::string kView = std::to_string(kViewId);

class TourViewTest : public tourtest::TourFixture {
 protected:
  TourViewTest() : TourFixture({"convert"}) {}

  void SetUp() override {
    TourFixture::SetUp();
    if (HasFatalFailure()) return;
    // A panorama picture for every bubble, frames of two sizes for the walk.
    ASSERT_EQ(imgtest::RunCommand("convert -size 512x256 xc:gray '" + Path("pano.jpg") + "'"), 0);
    ASSERT_EQ(imgtest::RunCommand("convert -size 40x30 xc:red -type truecolor 'BMP3:" + Path("f1.bmp") + "'"), 0);
    ASSERT_EQ(imgtest::RunCommand("convert -size 20x10 xc:blue -type truecolor 'BMP3:" + Path("f2.bmp") + "'"), 0);
    const std::string pano = testsupport::ReadBytes(Path("pano.jpg"));
    const std::string hotspot = " HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0.9 -0.2 1.1 0.2 INFO ";
    BuildArchives({
        TextLine(3000, "BUBBLE { ID BU001 DEFAULTVIEWANGLE 1 0 AMBIENT 5 FOOTSTEPS 10 RANDOM2 3" + hotspot +
                           "BT001 } } }"),
        CopyLine(3001, pano, "jpg"), TextLine(3008, "Zur Treppe"),
        TextLine(3100, "BUBBLE { ID BU002 DEFAULTVIEWANGLE 0 0 AMBIENT 6 }"), CopyLine(3101, pano, "jpg"),
        TextLine(3200, "BUBBLE { ID BU003 DEFAULTVIEWANGLE 1 0" + hotspot + "BT002 } } }"),
        CopyLine(3201, pano, "jpg"), TextLine(3208, "Sackgasse"),
        TextLine(3300, "BUBBLE { ID BU004 DEFAULTVIEWANGLE 1 0" + hotspot + "SH005 } } }"),
        CopyLine(3301, pano, "jpg"), TextLine(3308, "Ein Stuhl"),
        TextLine(3400, "BUBBLE { ID BU005 DEFAULTVIEWANGLE 1 0" + hotspot + "DF002 } } }"),
        CopyLine(3401, pano, "jpg"), TextLine(3408, "Das Schreibpult"),
        TextLine(5000, "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 STARTANGLE 2 0 ENDBUBBLE BU002 ENDANGLE 3.4 "
                       "0.1 SEQUENCE { FADE 100 SOUND 0 WAIT 50 FADE 100 SOUND 70 WAIT 50 FADE 100 SOUND 71 } }"),
        CopyLine(5001, testsupport::ReadBytes(Path("f1.bmp")), "bmp"),
        CopyLine(5002, testsupport::ReadBytes(Path("f2.bmp")), "bmp"),
        TextLine(5100, "BUBBLETRANSITION { ID BT002 STARTBUBBLE BU003 ENDBUBBLE BU009 SEQUENCE { } }"),
        TextLine(3500, "BUBBLE { ID BU006 DEFAULTVIEWANGLE 1 0" + hotspot + "BT003 } } }"),
        CopyLine(3501, pano, "jpg"),
        TextLine(3600, "BUBBLE { ID BU007 DEFAULTVIEWANGLE 1 0" + hotspot + "BT004 } } }"),
        CopyLine(3601, pano, "jpg"),
        // Two steps, but no frame picture in the archive.
        TextLine(5200, "BUBBLETRANSITION { ID BT003 STARTBUBBLE BU006 STARTANGLE 1.2 0 ENDBUBBLE BU002 ENDANGLE 0.5 "
                       "0 SEQUENCE { FADE 50 SOUND 0 WAIT 10 FADE 50 SOUND 0 } }"),
        // Only the first entry: straight from the snapshot to the end view.
        TextLine(5300, "BUBBLETRANSITION { ID BT004 STARTBUBBLE BU007 STARTANGLE 1.2 0 ENDBUBBLE BU002 ENDANGLE 0.7 "
                       "0 SEQUENCE { } }"),
    });
    for (int32_t n = 1; n <= 7; ++n) SetBubbleBase(n, 3000 + 100 * (n - 1));
    SetTransitionBase(1, 5000);
    SetTransitionBase(2, 5100);
    SetTransitionBase(3, 5200);
    SetTransitionBase(4, 5300);
    bench = std::make_unique<controltest::Bench>(640, 480);
    screen.panel = bench->recorder;
    screen.log_ = &bench->log;
    host.log_ = &bench->log;
    InstallMainScreenServices(&screen);
    const std::vector<uint16_t> table(80, 9999);
    GetSoundManager().SetSoundTable(table);
    GetSoundManager().SetTriggerListener([this](int32_t index) { Log("trigger " + std::to_string(index)); });
    bench->recorder->onEvent = [this](uint32_t code, uint32_t value, uint32_t) {
      if (code == TourView::kMessageOpenItem) {
        const ItemRef* item = MessagePointerAs<ItemRef>(value);
        opened.push_back(item != nullptr ? Code(*item) : "null");
      }
    };
    view = new TestTourView(&bench->log, bench->recorder);
    view->SetHost(&host);
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    InstallMainScreenServices(nullptr);
    DestroySoundManager();
    TourFixture::TearDown();
  }

  void Log(const std::string& entry) { bench->log.push_back(entry); }
  int Count(const std::string& entry) const { return static_cast<int>(std::count(bench->log.begin(), bench->log.end(), entry)); }
  // Idle passes 10 ms apart until the state is reached (at most `passes`).
  bool IdleUntil(int32_t state, int passes = 2000) {
    for (int i = 0; i < passes && view->GetState() != state; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
    return view->GetState() == state;
  }
  // Enters the bubble and uncovers the view: state 0, navigating.
  void Walk(const char* bubble) {
    view->EnterBubble(new BubbleRecord(Item(bubble)));
    ASSERT_TRUE(view->HideCover());
    ASSERT_TRUE(IdleUntil(TourView::kNavigating));
  }
  void ClickHotspot() {
    bench->Move(321, 240);
    bench->Down(320, 240);
    bench->Up(320, 240);
  }
  uint32_t NavigatorId() const { return static_cast<uint32_t>(view->GetNavigator()->GetId()); }

  std::unique_ptr<controltest::Bench> bench;
  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  FakeMainScreen screen;
  FakeHost host;
  TestTourView* view = nullptr;
  std::vector<std::string> opened;
};

// Covered at the start; uncovering, dimming and covering again, each with
// its report; the calls refused in the wrong state change nothing; the
// hotspot's sound and caption as the pointer enters and leaves it; the right
// button goes on to the main panel.
TEST_F(TourViewTest, CoverStatesAndHotspotCaptions) {
  EXPECT_EQ(view->GetState(), TourView::kCovered);
  EXPECT_TRUE(view->IsCovered());
  EXPECT_EQ(view->GetCover()->GetTargetLevel(), TourCover::kOpaque);
  EXPECT_FALSE(view->Suspend());
  EXPECT_EQ(view->GetState(), TourView::kCovered);

  view->EnterBubble(new BubbleRecord(Item("BU001")));
  EXPECT_EQ(Count("137 " + kView), 1);
  ASSERT_NE(view->GetCurrentBubble(), nullptr);
  EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU001");
  EXPECT_TRUE(Item("BU001").IsItemVisited());
  EXPECT_EQ(Count("load 655"), 1) << "ambient 5 + 650";
  for (const char* id : {"load 710", "load 711", "load 712", "load 713", "load 753"}) EXPECT_EQ(Count(id), 1) << id;
  EXPECT_EQ(view->GetRandomCount(), 1);

  ASSERT_TRUE(view->HideCover());
  EXPECT_EQ(view->GetState(), TourView::kUncovering);
  EXPECT_FALSE(view->HideCover());
  ASSERT_TRUE(IdleUntil(TourView::kNavigating));
  EXPECT_EQ(Count("96 " + kView), 1);
  EXPECT_FALSE(view->GetNavigator()->IsAtRest());

  bench->log.clear();
  bench->Move(321, 240);
  EXPECT_EQ(Count("trigger 65"), 1);
  EXPECT_EQ(Count("caption 'Zur Treppe' 00"), 1) << "BT001 was never visited: the caption is not shown";
  EXPECT_EQ(Count("131 " + std::to_string(NavigatorId())), 0) << "taken by the view";
  bench->Move(639, 240);
  EXPECT_EQ(Count("caption '' 00"), 1);
  EXPECT_EQ(Count("132 " + std::to_string(NavigatorId())), 1) << "not taken";
  bench->Down(320, 240, platform::kMouseFlagRightButton);
  bench->Up(320, 240);
  EXPECT_EQ(Count("135 " + std::to_string(NavigatorId())), 1) << "the right button reaches the main panel";

  ASSERT_TRUE(view->Suspend());
  EXPECT_EQ(view->GetState(), TourView::kDimming);
  EXPECT_TRUE(view->GetNavigator()->IsAtRest());
  ASSERT_TRUE(IdleUntil(TourView::kCovered));
  EXPECT_EQ(Count("97 " + kView), 1);
  EXPECT_EQ(view->GetCover()->GetLevel(), TourView::kDimLevel);
  ASSERT_TRUE(view->HideCover());
  ASSERT_TRUE(IdleUntil(TourView::kNavigating));
  EXPECT_EQ(Count("96 " + kView), 1);
}

// A walk: the turn to the start view, the interface hidden (92), the
// snapshot, then N + 1 = 3 dissolves through the frames T + 1 and T + 2 and
// the end bubble's snapshot, the end bubble entered at its end view before
// the last dissolve, the interface back (92) and 98. The step sounds are
// held for the walk, the first one only triggered.
TEST_F(TourViewTest, AWalkDissolvesThroughItsFramesAndArrivesAtTheEndView) {
  Walk("BU001");
  bench->log.clear();
  ClickHotspot();
  ASSERT_EQ(view->GetState(), TourView::kTurningToStartAngle);
  ASSERT_NE(view->GetTransition(), nullptr);
  EXPECT_EQ(Count("caption '' 00"), 1);
  EXPECT_FALSE(view->GetNavigator()->IsLookActive());
  ASSERT_TRUE(IdleUntil(TourView::kHidingInterfaceForTransition));
  EXPECT_NEAR(view->GetNavigator()->GetYaw(), 2.0f, 0.01f);
  EXPECT_EQ(Count("mode 0 700"), 1);
  EXPECT_EQ(GetSoundManager().GetUseCount(70), 1);
  EXPECT_EQ(GetSoundManager().GetUseCount(71), 1);

  view->HandleEvent(TourView::kMessageModeSwitched, 0, 0);
  auto* pictures = dynamic_cast<VPictureControl*>(view->FindObject(TourView::kTransitionPictureId));
  ASSERT_NE(pictures, nullptr);
  EXPECT_EQ(view->GetStepIndex(), -1);
  EXPECT_EQ(view->GetState(), TourView::kStepWaiting);

  // The picture each dissolve ends on: frame T + 1, frame T + 2, the end view.
  std::vector<int32_t> widths;
  std::vector<int32_t> states{TourView::kStepWaiting};
  for (int i = 0; i < 3; ++i) {
    const int before = Count("44 " + std::to_string(TourView::kTransitionTaskId));
    for (int pass = 0; pass < 500 && Count("44 " + std::to_string(TourView::kTransitionTaskId)) == before; ++pass) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
      if (states.empty() || states.back() != view->GetState()) states.push_back(view->GetState());
    }
    pictures = dynamic_cast<VPictureControl*>(view->FindObject(TourView::kTransitionPictureId));
    if (i < 2) {
      ASSERT_NE(pictures, nullptr) << i << ::testing::PrintToString(bench->log);
      tourtest::PictureRef shown(pictures->GetPicture());
      ASSERT_TRUE(shown);
      widths.push_back(shown->GetFullBounds().GetWidth());
    }
  }
  EXPECT_EQ(Count("44 " + std::to_string(TourView::kTransitionTaskId)), 3) << "N + 1 dissolves";
  EXPECT_EQ(widths, (std::vector<int32_t>{40, 20}));
  EXPECT_EQ(states, (std::vector<int32_t>{4, 5, 4, 5, 4, 7, 2}));
  EXPECT_EQ(Count("trigger 70"), 1);
  EXPECT_EQ(Count("trigger 71"), 1);
  EXPECT_EQ(Count("137 " + kView), 1) << "the end bubble entered";
  ASSERT_NE(view->GetCurrentBubble(), nullptr);
  EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU002");
  EXPECT_NEAR(view->GetNavigator()->GetYaw(), 3.4f, 1e-5);
  EXPECT_NEAR(view->GetNavigator()->GetPitch(), 0.1f, 1e-5);
  EXPECT_EQ(Count("load 656"), 1) << "its ambient loop";

  ASSERT_EQ(view->GetState(), TourView::kShowingInterfaceAfterTransition);
  EXPECT_EQ(view->GetTransition(), nullptr);
  EXPECT_EQ(Count("mode 2 700"), 1);
  EXPECT_EQ(GetSoundManager().GetUseCount(70), 0);
  EXPECT_EQ(GetSoundManager().GetUseCount(71), 0);
  FlushDeferredDeletions();
  EXPECT_EQ(view->FindObject(TourView::kTransitionPictureId), nullptr);
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0));
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  EXPECT_EQ(Count("98 " + kView), 1);
  EXPECT_TRUE(view->GetNavigator()->IsLookActive());
}

// Walks of one step (N = 0: one dissolve from the snapshot to the end view)
// and of two steps whose frame picture is missing (it dissolves to black):
// both arrive.
TEST_F(TourViewTest, ShortWalksAndMissingFramesStillArrive) {
  struct Case {
    const char* bubble;
    int dissolves;
    float endYaw;
  } cases[] = {{"BU007", 1, 0.7f}, {"BU006", 2, 0.5f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bubble);
    if (view->GetState() != TourView::kNavigating) {
      Walk(c.bubble);
    } else {
      view->EnterBubble(new BubbleRecord(Item(c.bubble)));
    }
    bench->log.clear();
    ClickHotspot();
    ASSERT_TRUE(IdleUntil(TourView::kHidingInterfaceForTransition));
    view->HandleEvent(TourView::kMessageModeSwitched, 0, 0);
    ASSERT_TRUE(IdleUntil(TourView::kShowingInterfaceAfterTransition));
    EXPECT_EQ(Count("44 " + std::to_string(TourView::kTransitionTaskId)), c.dissolves);
    EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU002");
    EXPECT_NEAR(view->GetNavigator()->GetYaw(), c.endYaw, 1e-5);
    view->HandleEvent(TourView::kMessageModeSwitched, 0, 0);
    ASSERT_EQ(view->GetState(), TourView::kNavigating);
  }
}

// A walk whose end bubble does not exist is not started: the user stays
// where they are, with the navigator untouched.
TEST_F(TourViewTest, AWalkToAMissingBubbleDoesNotStart) {
  Walk("BU003");
  bench->log.clear();
  const float yaw = view->GetNavigator()->GetYaw();
  ClickHotspot();
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  EXPECT_EQ(view->GetTransition(), nullptr);
  EXPECT_TRUE(view->GetNavigator()->IsLookActive());
  EXPECT_EQ(Count("caption '' 00"), 0);
  for (int i = 0; i < 20; ++i) {
    bench->clock().AdvanceMilliseconds(10);
    bench->Idle();
  }
  EXPECT_NEAR(view->GetNavigator()->GetYaw(), yaw, 0.05f);
  EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU003");
}

// An item seen before opens at once; an unseen one after the new-item
// animation has slid in, played and slid out, while a second click is not
// taken. The main panel sees each item reference once, valid while it
// handles 138; the view frees it (ASan checks both paths).
TEST_F(TourViewTest, ItemsOpenThroughOneMessageEach) {
  Walk("BU004");
  const uint32_t animation = TourView::kAnimationId;
  bench->log.clear();
  ClickHotspot();
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(view->GetState(), TourView::kNewItemSlidingIn);
  EXPECT_TRUE(view->GetNewItemAnimation()->IsVisible());
  EXPECT_TRUE(view->GetNavigator()->IsAtRest());
  // Clicking again meanwhile: nothing.
  EXPECT_FALSE(view->HandleEvent(TourNavigator::kMessageHotspotClicked, NavigatorId(), 0));
  ASSERT_TRUE(IdleUntil(TourView::kNewItemPlaying));
  EXPECT_EQ(view->GetNewItemAnimation()->GetBounds().left, 541);
  EXPECT_EQ(view->GetNewItemAnimation()->GetBounds().top, 16);
  EXPECT_TRUE(view->HandleEvent(kEventAnimationStopped, animation, 0));
  ASSERT_EQ(view->GetState(), TourView::kNewItemSlidingOut);
  ASSERT_TRUE(IdleUntil(TourView::kNavigating));
  EXPECT_EQ(view->GetNewItemAnimation()->GetBounds().left, 650);
  EXPECT_FALSE(view->GetNewItemAnimation()->IsVisible());
  EXPECT_FALSE(view->GetNavigator()->IsAtRest());
  EXPECT_EQ(opened, (std::vector<std::string>{"SH005"}));

  // Seen now (the main panel marks what it opens): 138 at once.
  Item("SH005").MarkItemVisited();
  ClickHotspot();
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  EXPECT_EQ(opened, (std::vector<std::string>{"SH005", "SH005"}));

  // Deleted while an item waits for its animation: the pending copy goes too.
  Item("SH005").MarkItemVisited();
  history_.Clear();
  ClickHotspot();
  ASSERT_EQ(view->GetState(), TourView::kNewItemSlidingIn);
  bench->recorder->RemoveChildObject(view, true);
  view = nullptr;
  EXPECT_EQ(opened.size(), 2u);
}

// The detail photo: the pop-up opens, the interface switches (92, then 99),
// the close control (91) hides it, and its own 95 closes it: the pop-up is
// deleted only after it has finished reporting. The pointer is back on the
// desk's hotspot, which names itself at once, without a move.
TEST_F(TourViewTest, ThePopupClosesAfterItsOwnReport) {
  Walk("BU005");
  bench->log.clear();
  ClickHotspot();
  EXPECT_EQ(view->GetState(), TourView::kPopupInterfaceSwitching);
  EXPECT_TRUE(view->HasPopup());
  for (const char* e : {"wait 1", "popup for DF002", "popup show", "saved caption", "status '' 0", "status '' 1",
                        "mode 3 700"}) {
    EXPECT_EQ(Count(e), 1) << e;
  }
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0));
  EXPECT_EQ(view->GetState(), TourView::kPopupOpen);
  EXPECT_EQ(Count("99 " + kView), 1);
  EXPECT_FALSE(view->HandleEvent(TourView::kMessageCloseControl, 14000, 0));
  // While the tour is suspended the close control does nothing.
  view->GetPopup()->SetEnabled(false);
  EXPECT_FALSE(view->HandleEvent(TourView::kMessageCloseControl, 14384, 0));
  view->GetPopup()->SetEnabled(true);
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14389, 0));
  EXPECT_EQ(view->GetState(), TourView::kPopupClosing);
  EXPECT_EQ(Count("popup hide"), 1);
  EXPECT_EQ(Count("mode 2 700"), 1);
  const int32_t popupId = host.popup->GetId();
  bench->log.clear();
  host.popup->FinishHide();
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  std::vector<std::string> captions;
  for (const std::string& e : bench->log) {
    if (e.rfind("caption ", 0) == 0) captions.push_back(e);
  }
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.back().rfind("caption 'Das Schreibpult' ", 0), 0u) << ::testing::PrintToString(bench->log);
  EXPECT_EQ(Count("trigger 65"), 1) << "the hotspot's sound as the pointer comes onto it";
  EXPECT_EQ(view->GetNavigator()->GetCurrentHotspot(), 0);
  EXPECT_FALSE(view->HasPopup());
  EXPECT_EQ(Count("popup finished " + std::to_string(popupId)), 1);
  EXPECT_EQ(Count("popup deleted"), 0);
  FlushDeferredDeletions();
  EXPECT_EQ(Count("popup deleted"), 1);
}

// Suspended in the middle of a walk (the main panel's F1, space or a module
// button leave the tour), the walk ends at once in its end bubble at its end
// view: no walk, no picture over the view, no step sound held, mouse look on.
// The dimmed report waits for a switch of the interface the walk had asked
// for, so the next layout finds the strip idle. Uncovered, the view turns
// with the pointer again.
TEST_F(TourViewTest, ASuspendedWalkArrivesAndTheTourWakesAlive) {
  struct Case {
    const char* name;
    int32_t state;
    bool switchRunning;
  } cases[] = {{"turning", TourView::kTurningToStartAngle, false},
               {"hiding the interface", TourView::kHidingInterfaceForTransition, true},
               {"waiting", TourView::kStepWaiting, false},
               {"dissolving", TourView::kStepFading, false},
               {"last dissolve", TourView::kLastStepFading, false},
               {"showing the interface", TourView::kShowingInterfaceAfterTransition, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (view->GetState() != TourView::kNavigating) {
      Walk("BU001");
    } else {
      view->EnterBubble(new BubbleRecord(Item("BU001")));
    }
    ClickHotspot();
    for (int i = 0; i < 3000 && view->GetState() != c.state; ++i) {
      if (view->GetState() == TourView::kHidingInterfaceForTransition) {
        view->HandleEvent(TourView::kMessageModeSwitched, 0, 0);
      } else {
        bench->clock().AdvanceMilliseconds(5);
        bench->Idle();
      }
    }
    ASSERT_EQ(view->GetState(), c.state);
    bench->log.clear();
    ASSERT_TRUE(view->Suspend());
    EXPECT_EQ(view->GetState(), TourView::kDimming);
    EXPECT_EQ(view->GetTransition(), nullptr);
    EXPECT_EQ(view->GetStepIndex(), -1);
    ASSERT_NE(view->GetCurrentBubble(), nullptr);
    EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU002");
    EXPECT_NEAR(view->GetNavigator()->GetYaw(), 3.4f, 1e-5);
    EXPECT_NEAR(view->GetNavigator()->GetPitch(), 0.1f, 1e-5);
    EXPECT_TRUE(view->GetNavigator()->IsLookActive());
    EXPECT_EQ(GetSoundManager().GetUseCount(70), 0);
    EXPECT_EQ(GetSoundManager().GetUseCount(71), 0);
    FlushDeferredDeletions();
    EXPECT_EQ(view->FindObject(TourView::kTransitionPictureId), nullptr);

    for (int i = 0; i < 100; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
    EXPECT_EQ(view->GetCover()->GetLevel(), TourView::kDimLevel);
    if (c.switchRunning) {
      EXPECT_EQ(view->GetState(), TourView::kDimming);
      EXPECT_EQ(Count("97 " + kView), 0) << "the interface still switches";
      EXPECT_TRUE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0));
    }
    EXPECT_EQ(view->GetState(), TourView::kCovered);
    EXPECT_EQ(Count("97 " + kView), 1);
    EXPECT_EQ(Count("98 " + kView), 0);
    EXPECT_FALSE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0)) << "a later switch is not the view's";

    ASSERT_TRUE(view->HideCover());
    ASSERT_TRUE(IdleUntil(TourView::kNavigating));
    EXPECT_FALSE(view->GetNavigator()->IsAtRest());
    const float yaw = view->GetNavigator()->GetYaw();
    bench->Move(420, 240);
    for (int i = 0; i < 50; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
    EXPECT_GT(std::abs(view->GetNavigator()->GetYaw() - yaw), 0.05f) << "the view turns with the pointer";
  }
}

// Suspended while an unseen item slides in, the view drops the item and its
// animation and wakes navigating (a click slides the item in again, and no
// item opens late); suspended while the interface switches for the detail
// photo, the pop-up stays open and the dimmed report waits for that switch.
TEST_F(TourViewTest, ASuspendedSlideOrPopupSwitchEndsAtRest) {
  Walk("BU004");
  ClickHotspot();
  ASSERT_EQ(view->GetState(), TourView::kNewItemSlidingIn);
  for (int i = 0; i < 20; ++i) {
    bench->clock().AdvanceMilliseconds(10);
    bench->Idle();
  }
  ASSERT_TRUE(view->Suspend());
  EXPECT_FALSE(view->GetNewItemAnimation()->IsVisible());
  EXPECT_EQ(view->GetNewItemAnimation()->GetBounds().left, 650);
  ASSERT_TRUE(IdleUntil(TourView::kCovered));
  ASSERT_TRUE(view->HideCover());
  ASSERT_TRUE(IdleUntil(TourView::kNavigating));
  for (int i = 0; i < 200; ++i) {
    bench->clock().AdvanceMilliseconds(10);
    bench->Idle();
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(view->GetNewItemAnimation()->GetBounds().left, 650);
  ClickHotspot();
  EXPECT_EQ(view->GetState(), TourView::kNewItemSlidingIn);

  bench->recorder->RemoveChildObject(view, true);
  view = new TestTourView(&bench->log, bench->recorder);
  view->SetHost(&host);
  Walk("BU005");
  ClickHotspot();
  ASSERT_EQ(view->GetState(), TourView::kPopupInterfaceSwitching);
  bench->log.clear();
  ASSERT_TRUE(view->Suspend());
  for (int i = 0; i < 100; ++i) {
    bench->clock().AdvanceMilliseconds(10);
    bench->Idle();
  }
  EXPECT_EQ(Count("97 " + kView), 0);
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0));
  EXPECT_EQ(view->GetState(), TourView::kCovered);
  EXPECT_EQ(Count("97 " + kView), 1);
  EXPECT_TRUE(view->HasPopup());
  EXPECT_FALSE(view->GetPopup()->IsEnabled());
  ASSERT_TRUE(view->HideCover());
  ASSERT_TRUE(IdleUntil(TourView::kPopupOpen));
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14384, 0));
  host.popup->FinishHide();
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
}

// Footsteps: one whenever the view has turned more than one radian since the
// last, the shorter way across the seam, in the order +2, +0, +3, +1; what
// the mixer plays names the medium.
TEST_F(TourViewTest, FootstepsSoundInTheirOrder) {
  EnsureStandardSoundCodecs();
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  Walk("BU001");
  GetSoundManager().StopLoopSound0();
  GetSoundManager().StopLoopSound1();
  device.PullBlocks(1);
  device.ClearCaptured();
  struct Turn {
    float yaw;
    int heard;  // the medium that sounds, 0 for none
  } turns[] = {{0.5f, 0},  {1.0f, 0},  // exactly one radian from 0: none
               {1.01f, 712}, {2.5f, 710}, {4.0f, 713}, {5.0f, 0}, {5.2f, 711},
               // across the seam: 5.2 to 0.1 is 1.18 the short way
               {0.1f, 712}, {0.3f, 0}};
  for (const Turn& t : turns) {
    SCOPED_TRACE(t.yaw);
    view->GetNavigator()->SetViewAngle(VFPoint{t.yaw, 0.0f});
    view->Step(0);
    device.PullBlocks(1);
    std::vector<int16_t> samples(device.Captured().size() / 2);
    std::memcpy(samples.data(), device.Captured().data(), samples.size() * 2);
    device.ClearCaptured();
    int heard = 0;
    for (int16_t s : samples) heard = std::max<int>(heard, s);
    EXPECT_EQ(heard, t.heard);
  }
  view->GetNavigator()->Deactivate();
  bench->recorder->RemoveChildObject(view, true);
  view = nullptr;
  delete mixer;
}

// The sound step asks the idle loop for passes only when a sound is due:
// while the view moves, when the random sounds' time comes; after a turn
// past the footstep angle, at once; paused (the view at rest), none, so a
// still room lets the program sleep.
TEST_F(TourViewTest, TheSoundStepAsksForPassesOnlyWhenASoundIsDue) {
  EnsureStandardSoundCodecs();
  VCaptureAudioDevice device(VAudioFormat(22050, 16, false));
  device.Open();
  auto* mixer = new VAudioMixer(&device, 16);
  Walk("BU001");
  bench->Idle();
  auto now = [] { return GetTaskTickCount(); };
  const int32_t scheduled = view->GetNextRandomTick();
  ASSERT_NE(scheduled, 0);
  EXPECT_EQ(view->GetStepWait(now()), static_cast<uint32_t>(scheduled + 1 - static_cast<int32_t>(now())))
      << "the random sounds' time";
  ASSERT_TRUE(view->Suspend());
  EXPECT_EQ(view->GetStepWait(now()), 0u) << "the schedule is dropped on the next pass";
  for (int i = 0; i < 3; ++i) {
    bench->clock().AdvanceMilliseconds(100);
    bench->Idle();
    EXPECT_EQ(view->GetNextRandomTick(), 0) << "not scheduled again while paused";
    EXPECT_EQ(view->GetStepWait(now()), VTask::kNoStepWanted) << "paused and still";
  }
  const float yaw = view->GetNavigator()->GetPosition()[0];
  view->GetNavigator()->SetViewAngle(VFPoint{yaw + 1.5f, 0.0f});
  EXPECT_EQ(view->GetStepWait(now()), 0u) << "a footstep is due";
  view->Step(0);
  EXPECT_EQ(view->GetStepWait(now()), VTask::kNoStepWanted) << "the footstep was taken";
  view->GetNavigator()->Deactivate();
  bench->recorder->RemoveChildObject(view, true);
  view = nullptr;
  delete mixer;
}

// Random sounds: the first due pass only schedules (one delay of the 15-bit
// generator seeded with the pass's time); later ones pick a slot and play
// the bubble's random sound on the second loop, and while it still plays
// nothing new starts. A pause drops the schedule.
TEST_F(TourViewTest, RandomSoundsComeAtRandomIntervals) {
  Walk("BU001");
  const int32_t scheduled = view->GetNextRandomTick();
  ASSERT_NE(scheduled, 0);
  // Which pass scheduled it is not known here; its delay is one the
  // generator gives for a count of 1: 5 x (8000 .. 25000) ms.
  EXPECT_GE(scheduled - static_cast<int32_t>(GetTaskTickCount()), 0);
  EXPECT_LE(scheduled - static_cast<int32_t>(GetTaskTickCount()), 125000);
  GetSoundManager().StopLoopSound0();
  // Due: rescheduled by the generator seeded with the pass's time. The
  // first pick counts past the one filled slot (the last slot played is
  // still -1), so this pass walks through all five slots in silence.
  bench->clock().AdvanceMilliseconds(static_cast<uint64_t>(scheduled - static_cast<int32_t>(GetTaskTickCount())) + 1);
  bench->Idle();
  int32_t now = static_cast<int32_t>(GetTaskTickCount());
  platform::SeedRand(static_cast<uint32_t>(now));
  EXPECT_EQ(view->GetNextRandomTick(), now + TourView::RandomDelay(platform::Rand(), 1));
  EXPECT_EQ(view->GetLastRandomSlot(), 5);
  // The next one plays RANDOM2 (slot 1) on the second loop.
  bench->clock().AdvanceMilliseconds(static_cast<uint64_t>(view->GetNextRandomTick() - now) + 1);
  bench->Idle();
  now = static_cast<int32_t>(GetTaskTickCount());
  EXPECT_EQ(view->GetLastRandomSlot(), 1) << "RANDOM2 sits in slot 1";
  // Still playing (the loop channel holds it until stopped): nothing new.
  bench->clock().AdvanceMilliseconds(static_cast<uint64_t>(view->GetNextRandomTick() - now) + 1);
  bench->Idle();
  EXPECT_EQ(view->GetLastRandomSlot(), -1);
  // Paused: the schedule is dropped.
  ASSERT_TRUE(view->Suspend());
  bench->Idle();
  EXPECT_EQ(view->GetNextRandomTick(), 0);

  EXPECT_EQ(TourView::RandomDelay(0, 5), 8000);
  EXPECT_EQ(TourView::RandomDelay(32767, 1), 125000);
  bench->recorder->RemoveChildObject(view, true);
  view = nullptr;
}

}  // namespace
