// The strip of viewer buttons: its two variants' layout, play and pause
// replacing each other with 123 and 124, back to the start with 125, and the
// pointer over a button passed on to the owner.
#include <gtest/gtest.h>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "title/modules/index/ViewerControlPanel.h"
#include "IndexTestSupport.h"

namespace {

class ViewerControlPanelTest : public indextest::IndexFixture {
 protected:
  ViewerControlPanel* Make(int32_t variant) {
    return new ViewerControlPanel(14961, variant, 100, 200, 4, 0, 0, bench->recorder);
  }
  static void Press(ViewerControlPanel& strip, int32_t id) {
    auto* button = dynamic_cast<VControl*>(strip.FindObject(id));
    ASSERT_NE(button, nullptr) << id;
    SendControlEvent(*button, kEventButtonClicked);
  }
};

TEST_F(ViewerControlPanelTest, TheStripBelowARowHasItsButtonsEightPixelsLowerThanTheStripAbove) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  struct Case {
    int32_t variant;
    int32_t height;  // of its background
    int32_t buttonTop;
  };
  for (const Case& c : {Case{ViewerControlPanel::kVariantAbove, 20, 1}, Case{ViewerControlPanel::kVariantBelow, 28, 9}}) {
    SCOPED_TRACE(c.variant);
    ViewerControlPanel* strip = Make(c.variant);
    EXPECT_EQ(strip->GetBounds(), VRect(100, 200, 160, 200 + c.height)) << "the background's size";
    const VRect back = strip->FindObject(ViewerControlPanel::kBackButtonId)->GetBounds();
    EXPECT_EQ(back.left, 1) << "relative to the strip";
    EXPECT_EQ(back.top, c.buttonTop);
    EXPECT_EQ(strip->GetPlayButton()->GetBounds(), strip->GetPauseButton()->GetBounds()) << "one spot";
    EXPECT_EQ(strip->GetPlayButton()->GetBounds().left, 28);
    EXPECT_TRUE(strip->GetPlayButton()->IsVisible());
    EXPECT_FALSE(strip->GetPauseButton()->IsVisible());
    delete strip;
  }
}

TEST_F(ViewerControlPanelTest, PlayAndPauseReplaceEachOtherAndBackToTheStartChangesNoButton) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  ViewerControlPanel* strip = Make(ViewerControlPanel::kVariantBelow);
  struct Step {
    int32_t button;
    const char* message;
    bool playShown;
  };
  const Step steps[] = {
      {ViewerControlPanel::kPlayButtonId, "123 0", false},
      {ViewerControlPanel::kBackButtonId, "125 0", false},
      {ViewerControlPanel::kPauseButtonId, "124 0", true},
      {ViewerControlPanel::kBackButtonId, "125 0", true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.message);
    bench->log.clear();
    Press(*strip, step.button);
    EXPECT_EQ(bench->log, (std::vector<std::string>{step.message}));
    EXPECT_EQ(strip->GetPlayButton()->IsVisible(), step.playShown);
    EXPECT_NE(strip->GetPauseButton()->IsVisible(), step.playShown) << "exactly one of the two";
  }
  strip->ShowSecondButton();
  EXPECT_TRUE(strip->GetPauseButton()->IsVisible());
  EXPECT_FALSE(strip->GetPlayButton()->IsVisible());
  strip->ShowFirstButton();
  EXPECT_TRUE(strip->GetPlayButton()->IsVisible());
  EXPECT_FALSE(strip->GetPauseButton()->IsVisible());
  // The pointer over a button goes on to the owner, which shows its caption.
  bench->log.clear();
  SendControlEvent(*strip->GetPlayButton(), kEventButtonEntered);
  EXPECT_EQ(bench->log, (std::vector<std::string>{"28 14996"}));
}

}  // namespace
