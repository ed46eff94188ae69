// The carousel inside the main panel: the carousel button opens it in place
// of the stand-in screen, a place chosen there and its go button take the
// tour into that place's bubble, and the screen is gone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/controls/VPictureButton.h"
#include "engine/sound/SoundManager.h"
#include "platform/PointerWarp.h"
#include "support/RequireTool.h"
#include "title/controls/AppTaskListControl.h"
#include "title/modules/carousel/CarouselScreen.h"
#include "title/modules/carousel/CarouselTestSupport.h"
#include "title/shell/AppPanel.h"
#include "title/shell/ScreenRegistry.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourView.h"

namespace {

std::string Code(const ItemRef& item) {
  char text[6] = {};
  return item.FormatItemRef(text) ? text : "invalid";
}

class CarouselInMainPanelTest : public carouseltest::CarouselFixture {
 protected:
  void TearDown() override {
    ScreenRegistry::Unregister(CarouselScreen::kScreenKind);
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    DestroySoundManager();
    CarouselFixture::TearDown();
  }

  // At least one pass, then until the condition holds.
  bool IdleUntil(const std::function<bool()>& done, int passes = 3000) {
    for (int i = 0; i < passes; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
      if (done()) return true;
    }
    return false;
  }
  void IdleFor(int passes) {
    IdleUntil([] { return false; }, passes);
  }

  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  AppPanel* panel = nullptr;  // the bench's window owns it
};

TEST_F(CarouselInMainPanelTest, GoButtonTakesTheTourIntoTheChosenPlace) {
  REQUIRE_TOOL(convert, "convert");
  ASSERT_EQ(std::system(("'" + convert + "' -size 512x256 xc:gray '" + Path("pano.jpg") + "'").c_str()), 0);
  // Two places: row 0 the hall (bubble 1, the start), row 1 the attic (bubble 7).
  bubbles = {{1, 18400, "Die Halle", true, {}}, {7, 18500, "Der Dachboden", true, {}}};
  index = "1 1 10 0 VI000 \"Hall\"\n2 7 20 5 VI000 \"Attic\"\n";
  panorama = Path("pano.jpg");
  Open();
  RegisterCarouselScreen();
  // The main panel's own services replace the recorded caption.
  InstallMainScreenServices(nullptr);
  panel = new AppPanel();
  ASSERT_TRUE(panel->Open(bench->recorder, false));
  panel->SetVisible(true, false);
  ASSERT_TRUE(IdleUntil([&] { return !panel->GetSequence().IsRunning(); }));
  ASSERT_EQ(panel->GetTourView()->GetState(), TourView::kNavigating);
  ASSERT_EQ(Code(panel->GetTourView()->GetCurrentBubble()->GetItem()), "BU001");

  bench->Move(630, 470);
  ASSERT_TRUE(panel->HandleEvent(AppPanel::kOwnerButton, static_cast<uint32_t>(AppPanel::kCarouselButton), 0));
  ASSERT_TRUE(IdleUntil([&] { return !panel->GetSequence().IsRunning(); }));
  auto* screen = dynamic_cast<CarouselScreen*>(panel->GetModuleScreen());
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetState(), 5);

  // Point at the attic's row, choose it, wait for the details, go.
  const VRect list = screen->GetTitleList()->GetBounds();
  bench->Move(list.left + 40, list.top + 17 + 8);
  IdleFor(40);
  bench->Click(list.left + 40, list.top + 17 + 8);
  ASSERT_TRUE(IdleUntil([&] { return screen->GetState() == 9; }));
  VPictureButton* button = screen->GetGoButton(2);
  ASSERT_TRUE(button->IsShown());
  VRect at;
  button->GetGlobalBounds(at);
  bench->Move(at.left + 5, at.top + 5);
  IdleFor(5);
  bench->Click(at.left + 5, at.top + 5);
  ASSERT_TRUE(panel->GetSequence().IsRunning());
  EXPECT_EQ(panel->GetSequence().GetSteps(), &panel->GetScript(2)) << "the walk into another bubble";
  ASSERT_TRUE(IdleUntil([&] { return !panel->GetSequence().IsRunning(); }));
  IdleFor(5);
  EXPECT_EQ(panel->GetModuleScreen(), nullptr);
  EXPECT_EQ(Code(panel->GetTourView()->GetCurrentBubble()->GetItem()), "BU007");
  EXPECT_EQ(panel->GetTourView()->GetState(), TourView::kNavigating);
}

}  // namespace
