// The main panel's tour stand-in on a fake clock: it enters the start bubble
// and uncovers the view; a click on a door walks into the next bubble (the
// mode switches the view asks for end on the following tick), and a click
// on a detail photo, for which no pop-up is made, leads the view back to
// navigating in the same bubble.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/core/ServiceCheck.h"
#include "engine/sound/SoundManager.h"
#include "platform/PointerWarp.h"
#include "title/controls/MainScreenServices.h"
#include "title/shell/TourStandInPanel.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourNavigator.h"
#include "title/tour/TourTestSupport.h"
#include "title/tour/TourView.h"

namespace {

std::string Code(const ItemRef& item) {
  char text[6] = {};
  return item.FormatItemRef(text) ? text : "invalid";
}

struct Case {
  const char* info;
  const char* endBubble;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.info << " -> " << c.endBubble; }

class TourStandInPanelTest : public tourtest::TourFixture, public testing::WithParamInterface<Case> {
 protected:
  TourStandInPanelTest() : TourFixture({"convert"}) {}

  // The start bubble's one hotspot in the middle of its view opens `info`.
  void Start(const std::string& info) {
    ASSERT_EQ(imgtest::RunCommand("convert -size 512x256 xc:gray '" + Path("pano.jpg") + "'"), 0);
    const std::string pano = testsupport::ReadBytes(Path("pano.jpg"));
    BuildArchives({
        TextLine(3000, "BUBBLE { ID BU001 DEFAULTVIEWANGLE 1 0 HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0.9 -0.2 1.1 "
                       "0.2 INFO " + info + " } } }"),
        CopyLine(3001, pano, "jpg"),
        TextLine(3100, "BUBBLE { ID BU002 DEFAULTVIEWANGLE 0 0 }"),
        CopyLine(3101, pano, "jpg"),
        TextLine(5000, "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 STARTANGLE 1 0 ENDBUBBLE BU002 ENDANGLE 0.5 "
                       "0 SEQUENCE { FADE 50 SOUND 0 } }"),
    });
    SetBubbleBase(1, 3000);
    SetBubbleBase(2, 3100);
    SetTransitionBase(1, 5000);
    bench = std::make_unique<controltest::Bench>(640, 480);
    panel = new TourStandInPanel();
    ASSERT_TRUE(panel->Open(bench->recorder, false));
    // As the window shows its current panel.
    panel->SetVisible(true, false);
    ASSERT_NE(panel->GetTourView(), nullptr);
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

  bool IdleUntil(int32_t state, int passes = 2000) {
    TourView* view = panel->GetTourView();
    for (int i = 0; i < passes && view->GetState() != state; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
    return view->GetState() == state;
  }

  std::unique_ptr<controltest::Bench> bench;
  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  TourStandInPanel* panel = nullptr;  // the bench's window owns it
};

// A click on the hotspot, by what it opens: the bubble the view ends in,
// navigating again, without a pop-up.
TEST_P(TourStandInPanelTest, HotspotClickEndsNavigating) {
  Start(GetParam().info);
  if (HasFatalFailure()) return;
  TourView* view = panel->GetTourView();
  EXPECT_EQ(GetMainScreenServices(), panel);
  ASSERT_NE(view->GetCurrentBubble(), nullptr);
  EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), "BU001");
  ASSERT_TRUE(IdleUntil(TourView::kNavigating)) << "uncovered at the start";

  bench->Move(321, 240);
  bench->Down(320, 240);
  bench->Up(320, 240);
  EXPECT_NE(view->GetState(), TourView::kNavigating) << "the click was taken";
  ASSERT_TRUE(IdleUntil(TourView::kNavigating)) << "state " << view->GetState();
  ASSERT_NE(view->GetCurrentBubble(), nullptr);
  EXPECT_EQ(Code(view->GetCurrentBubble()->GetItem()), GetParam().endBubble);
  EXPECT_FALSE(view->HasPopup());
}

// A door walks into the next bubble; a detail photo opens nothing.
INSTANTIATE_TEST_SUITE_P(Hotspots, TourStandInPanelTest,
                         testing::Values(Case{"BT001", "BU002"}, Case{"DF001", "BU001"}),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.info); });

}  // namespace
