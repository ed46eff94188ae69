// The pop-up text panel: plain texts turned into mark-up with the label
// fonts, the scroll bar only for texts taller than the text control, closing
// with its sound and message 121, and the sounds it holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VSlider.h"
#include "engine/controls/VTextBox.h"
#include "engine/graphics/VFont.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/HtmlTextPanel.h"
#include "title/controls/TitleSoundTable.h"

namespace {

using controltest::Bench;
using controltest::Log;

std::string Prepared(const char* text) {
  VString out;
  HtmlTextPanel::PrepareText(VString(text), out);
  return out.GetChars() != nullptr ? out.GetChars() : "";
}

TEST(HtmlTextPanelText, PlainTextBecomesMarkup) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"Label:<BR>text",
       "<html><body><font resID=503></font><font resid=502>Label:</font><font resid=503><BR>text</font></body></html>"},
      {"A: <BR>x<BR>B:  <BR>y",
       "<html><body><font resID=503></font><font resid=502>A:</font><font resid=503><BR>x</font><font resid=502>"
       "<BR>B:</font><font resid=503><BR>y</font></body></html>"},
      {"line\r\none", "<html><body><font resID=503>lineone</font></body></html>"},
      {"no label: here", "<html><body><font resID=503>no label: here</font></body></html>"},
      {"", "<html><body><font resID=503></font></body></html>"},
      {"<HTML><body>kept: <BR>\n</body></HTML>", "<HTML><body>kept: <BR>\n</body></HTML>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Prepared(c.in), c.out) << c.in;
}

TEST(HtmlTextPanelText, OverlongTextsAreCut) {
  std::string text;
  while (static_cast<int32_t>(text.size()) <= HtmlTextPanel::kMaxTextLength) text += "Name:<BR>value<BR>";
  const std::string out = Prepared(text.c_str());
  // Every label wholly inside the kept part is marked, and nothing past it.
  size_t labels = 0;
  for (size_t at = out.find("resid=502"); at != std::string::npos; at = out.find("resid=502", at + 1)) ++labels;
  const size_t unit = std::string("Name:<BR>value<BR>").size();
  const size_t kept = static_cast<size_t>(HtmlTextPanel::kMaxTextLength);
  EXPECT_EQ(labels, (kept - 9) / unit + 1);
  EXPECT_EQ(out.substr(out.size() - 21), "</font></body></html>");
}

// A picture font registered under a glyph media id, drawn from a system font.
class IdFont : public VPictureFont {
 public:
  IdFont(VFont& system, uint16_t id) : VPictureFont(system) { mediaId_ = id; }
};

class HtmlTextPanelTest : public ::testing::Test {
 protected:
  HtmlTextPanelTest() : system_("Arial", 12, 0), label_(system_, 502), body_(system_, 503) {
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds_.push_back(index); });
  }
  ~HtmlTextPanelTest() override { DestroySoundManager(); }
  HtmlTextPanel* Make(const std::string& text) {
    auto* panel = new HtmlTextPanel(300, 0, VString(text.c_str()), 0, 0, 0, 400, 400, bench_.recorder);
    return panel;
  }
  // The font of the first text segment that begins with the text.
  VFont* FontOf(VHTMLTextControl& control, const std::string& text) {
    VTextBox* box = control.GetRootBox();
    for (int32_t i = 0; box != nullptr && i < box->GetCount(); ++i) {
      const VTextSegment* s = box->GetSegment(i);
      if (s->IsBox() || s->length == 0) continue;
      if (std::string(control.GetChars() + s->textOffset, s->length).rfind(text, 0) == 0) return s->font;
    }
    return nullptr;
  }

  Bench bench_;
  VFont system_;
  IdFont label_;
  IdFont body_;
  std::vector<int32_t> sounds_;
};

TEST_F(HtmlTextPanelTest, LabelsInFont502AndTheRestIn503) {
  HtmlTextPanel* panel = Make("Label:<BR>text");
  VHTMLTextControl* text = panel->GetTextControl();
  ASSERT_NE(text, nullptr);
  // Only the letters are drawn: the panel's background picture shows around them.
  EXPECT_TRUE(text->IsTransparent());
  text->UpdateLayout();
  EXPECT_EQ(FontOf(*text, "Label:"), &label_);
  EXPECT_EQ(FontOf(*text, "text"), &body_);
}

TEST_F(HtmlTextPanelTest, ScrollBarOnlyForLongTexts) {
  HtmlTextPanel* brief = Make("Short:<BR>one line");
  EXPECT_EQ(brief->GetScrollBar(), nullptr);
  EXPECT_EQ(brief->FindObject(HtmlTextPanel::kScrollBarId), nullptr);
  std::string text;
  for (int i = 0; i < 60; ++i) text += "Row " + std::to_string(i) + ":<BR>some words on the row<BR>";
  HtmlTextPanel* longer = Make(text);
  VPictureScrollBar* bar = longer->GetScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(longer->FindObject(HtmlTextPanel::kScrollBarId), bar);
  VHTMLTextControl* control = longer->GetTextControl();
  EXPECT_EQ(bar->VSlider::GetMaximum(), control->GetMax(0));
  EXPECT_GT(bar->VSlider::GetMaximum(), 0);
  EXPECT_EQ(bar->GetLineStep(), 4);
  EXPECT_EQ(control->GetScrollBar(0), bar);
  EXPECT_EQ(control->GetScrollY(), 0);
  int32_t offset = -1, span = 0;
  bar->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(span, HtmlTextPanel::kThumbTravel);
  EXPECT_EQ(offset, 0);
}

TEST_F(HtmlTextPanelTest, CloseButtonHidesTheBoxAndSends121) {
  HtmlTextPanel* panel = Make("Label:<BR>text");
  panel->SetVisible(true, false);
  auto* close = static_cast<VPictureButton*>(panel->FindObject(HtmlTextPanel::kCloseButtonId));
  ASSERT_NE(close, nullptr);
  SendControlEvent(*close, kEventButtonEntered);
  EXPECT_EQ(sounds_, (std::vector<int32_t>{HtmlTextPanel::kSoundOverClose}));
  bench_.log.clear();
  SendControlEvent(*close, kEventButtonClicked);
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(bench_.log, (Log{"121 0"}));  // the click itself is taken by the panel
  EXPECT_EQ(sounds_, (std::vector<int32_t>{HtmlTextPanel::kSoundOverClose, HtmlTextPanel::kSoundClose}));
}

TEST_F(HtmlTextPanelTest, SoundsAreHeldWhileThePanelExists) {
  HtmlTextPanel* panel = Make("x");
  EXPECT_EQ(GetSoundManager().GetUseCount(3), 1);
  EXPECT_EQ(GetSoundManager().GetUseCount(4), 1);
  delete panel;
  EXPECT_EQ(GetSoundManager().GetUseCount(3), 0);
  EXPECT_EQ(GetSoundManager().GetUseCount(4), 0);
}

TEST_F(HtmlTextPanelTest, MissingSourcesLeaveAnEmptyOrAnErrorPanel) {
  auto* fromArchive = new HtmlTextPanel(301, 0, uint16_t{18555}, 0, 0, 0, 400, 400, bench_.recorder);
  EXPECT_EQ(fromArchive->GetTextControl(), nullptr);  // no archive holds it
  auto* fromFile = new HtmlTextPanel(302, 0, "/no/such/file.txt", 0, 0, 0, 400, 400, bench_.recorder);
  ASSERT_NE(fromFile->GetTextControl(), nullptr);
  EXPECT_NE(std::string(fromFile->GetTextControl()->GetChars()).find("cannot open"), std::string::npos);
}

}  // namespace
