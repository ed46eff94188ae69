// The language panel on a fake clock with the pointer moved over its two
// click areas: entering a choice plays its figure and names the language,
// leaving clears the name; a click plays the choice's selection animation,
// during which entering and leaving are ignored while a click on the other
// choice starts that one's; when the selection animation has ended the panel
// asks for the opening panel (83), once, and its owner deletes it meanwhile.
// With its pictures (made with ImageMagick, built by ostrevan-tool) and
// without them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelTestSupport.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VString.h"
#include "engine/sound/SoundManager.h"
#include "support/RequireTool.h"
#include "title/controls/AnimatedPicture.h"
#include "title/modules/panels/LanguagePanel.h"

namespace {

class LanguagePanelTest : public paneltest::PanelFixture, public testing::WithParamInterface<bool> {
 protected:
  // The backdrop and four animations of 4 frames each, 25 x 78.
  void AddPictures() {
    REQUIRE_TOOL(convert, "convert");
    std::filesystem::create_directories(Path("pic"));
    ASSERT_EQ(Run("'" + convert + "' -size 314x200 xc:'rgb(60,50,40)' BMP3:'" + Path("pic/6499.bmp") + "'"), 0);
    extraLines.push_back("6499 10 " + Quoted("pic/6499.bmp") + " 2");
    for (int id : {6500, 6501, 6510, 6511}) {
      for (int f = 1; f <= 4; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "pic/a%d_%02d.bmp", id, f);
        ASSERT_EQ(Run("'" + convert + "' -size 25x78 xc:'rgb(" + std::to_string(40 * f) + ",120,200)' BMP3:'" +
                      Path(name) + "'"),
                  0);
      }
      extraLines.push_back(std::to_string(id) + " 10 " + Quoted("pic/a" + std::to_string(id) + "_01.bmp") + " 3");
    }
  }

  std::string Label() {
    VString* text = panel->GetLabel()->GetTextString();
    return text != nullptr && text->GetChars() != nullptr ? text->GetChars() : "";
  }

  LanguagePanel* panel = nullptr;
  std::vector<int32_t> triggered;
};

TEST_P(LanguagePanelTest, ChoiceThenTheOpeningPanel) {
  const bool pictures = GetParam();
  if (pictures) AddPictures();
  if (HasFatalFailure() || IsSkipped()) return;
  OpenDisc(true);
  if (HasFatalFailure() || IsSkipped()) return;
  GetSoundManager().SetTriggerListener([this](int32_t index) { triggered.push_back(index); });
  panel = Show(new LanguagePanel());
  AnimatedPicture* dutch = panel->GetDutchAnimation();
  AnimatedPicture* english = panel->GetEnglishAnimation();
  ASSERT_NE(dutch, nullptr);
  ASSERT_NE(english, nullptr);
  EXPECT_FALSE(dutch->IsVisible());
  EXPECT_FALSE(english->IsVisible());
  if (pictures) {
    EXPECT_EQ(dutch->GetFrameCount(), 4);
  }
  const int32_t kDutchX = 270, kEnglishX = 305, kY = 170;

  // The pointer over Dutch, away, over English.
  bench->Move(kDutchX, kY);
  EXPECT_TRUE(dutch->IsVisible());
  EXPECT_TRUE(dutch->IsRunning());
  EXPECT_EQ(Label(), "Nederlands");
  bench->Move(100, 100);
  EXPECT_FALSE(dutch->IsVisible());
  EXPECT_FALSE(dutch->IsRunning());
  EXPECT_EQ(Label(), "");
  bench->Move(kEnglishX, kY);
  EXPECT_TRUE(english->IsVisible());
  EXPECT_EQ(Label(), "English");
  EXPECT_EQ(triggered, (std::vector<int32_t>{63, 63}));
  EXPECT_EQ(panel->GetChoice(), LanguagePanel::kNoChoice);

  // A click on English: its selection animation plays.
  bench->Click(kEnglishX, kY);
  EXPECT_EQ(triggered.back(), 64);
  EXPECT_TRUE(panel->IsBusy());
  EXPECT_EQ(panel->GetChoice(), LanguagePanel::kEnglish);
  EXPECT_FALSE(english->IsVisible());
  AnimatedPicture* selection = panel->GetSelectionAnimation();
  ASSERT_NE(selection, nullptr);
  EXPECT_EQ(selection->GetBounds().left, 252);
  EXPECT_EQ(selection->GetBounds().top, 122);

  // Entering and leaving are ignored meanwhile; a click on Dutch starts its
  // own selection animation.
  bench->Move(kDutchX, kY);
  EXPECT_FALSE(dutch->IsVisible());
  EXPECT_EQ(Label(), "English");
  bench->Click(kDutchX, kY);
  EXPECT_EQ(panel->GetChoice(), LanguagePanel::kDutch);
  ASSERT_NE(panel->GetSelectionAnimation(), nullptr);
  EXPECT_EQ(panel->GetSelectionAnimation()->GetBounds().left, 212);

  // The selection animation's end: the opening panel is asked for, once.
  for (int i = 0; i < 100 && owner->panel != nullptr; ++i) Pass(50);
  EXPECT_EQ(owner->panel, nullptr) << "asked for the opening panel";
  EXPECT_EQ(owner->asked, (std::vector<uint32_t>{83}));
  for (int i = 0; i < 5; ++i) Pass(50);
  EXPECT_EQ(owner->asked.size(), 1u);
  GetSoundManager().SetTriggerListener(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Pictures, LanguagePanelTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "WithPictures" : "WithoutPictures");
                         });

}  // namespace
