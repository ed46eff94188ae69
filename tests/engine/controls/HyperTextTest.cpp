// Links, hover, press and release, local anchors and scrolling of text
// controls standing in a window (16-bit off-screen map), with the synthetic
// font (size 10: characters 5 wide, blanks 3, 'i' 2, ascent 8, descent 2).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "TextTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VScrollBar.h"
#include "engine/core/Cursor.h"

namespace {

using controltest::Bench;
using texttest::PictureNameControl;
using texttest::SyntheticFonts;

constexpr uint32_t kBlue = 0x0000FF, kGreen = 0x00FF00, kRed = 0xFF0000, kWhite = 0xFFFFFF;

class HyperText : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.recorder->onEvent = [this](uint32_t code, uint32_t value1, uint32_t) {
      if (code != kEventLinkActivated) return;
      const VString* target = MessagePointerAs<VString>(value1);
      links_.push_back(target != nullptr && target->GetChars() != nullptr ? target->GetChars() : "?");
    };
  }
  // An HTML control at (10, 10), 150 x 60, white, in the bench window.
  PictureNameControl* Make(const char* text, int32_t height = 60) {
    auto* control = new PictureNameControl(VControl::kAllocateId, 10, 10, 0, 150, height, nullptr, fonts_.Get(10),
                                           nullptr, kAlignLeft, false, 0, bench_.recorder);
    control->SetBackgroundColor(VRGBColor(255, 255, 255));
    control->SetText(new VString(text), false);
    bench_.Redraw();
    return control;
  }
  int Events34() const {
    int n = 0;
    for (const std::string& line : bench_.log) n += line.rfind("34 ", 0) == 0;
    return n;
  }

  SyntheticFonts fonts_;
  Bench bench_{200, 150};
  std::vector<std::string> links_;
};

// "ab " is 13 wide: the link "link" spans text x 13..29 (window 23..39),
// rows 10..19 of the window.
constexpr const char* kLinkText = "ab <a href=\"target\">link</a> cd";

TEST_F(HyperText, HoverPressAndReleaseOnALinkSendEvent34) {
  PictureNameControl* control = Make(kLinkText);
  EXPECT_EQ(bench_.PixelAt(24, 15), kBlue);
  EXPECT_EQ(bench_.PixelAt(12, 15), 0x000000u);  // "ab" in the text colour
  EXPECT_EQ(bench_.PixelAt(45, 15), 0x000000u);  // "cd"

  bench_.Move(30, 15);
  EXPECT_TRUE(control->IsHoverActive());
  EXPECT_EQ(bench_.PixelAt(24, 15), kRed);
  bench_.Move(5, 100);
  EXPECT_FALSE(control->IsHoverActive());
  EXPECT_EQ(bench_.PixelAt(24, 15), kBlue);

  bench_.Down(30, 15);
  EXPECT_TRUE(control->IsTracking());
  EXPECT_EQ(bench_.PixelAt(24, 15), kGreen);
  EXPECT_TRUE(links_.empty());
  bench_.Up(31, 16);
  ASSERT_EQ(links_.size(), 1u);
  EXPECT_EQ(links_[0], "target");
  EXPECT_EQ(Events34(), 1);
  EXPECT_FALSE(control->IsPressedActive());
  EXPECT_EQ(bench_.PixelAt(24, 15), kBlue);
}

TEST_F(HyperText, ReleaseOutsideTheLinkSendsNothing) {
  PictureNameControl* control = Make(kLinkText);
  bench_.Down(30, 15);
  bench_.Move(5, 100, platform::kMouseFlagLeftButton);
  EXPECT_FALSE(control->IsOverPressed());
  EXPECT_EQ(bench_.PixelAt(24, 15), kBlue);  // not over the press: normal colour
  bench_.Move(30, 15, platform::kMouseFlagLeftButton);
  EXPECT_EQ(bench_.PixelAt(24, 15), kGreen);
  bench_.Up(5, 100);
  EXPECT_TRUE(links_.empty());
  EXPECT_EQ(Events34(), 0);
  EXPECT_FALSE(control->IsPressedActive());
  EXPECT_EQ(bench_.PixelAt(24, 15), kBlue);
  for (int32_t i = 0; i < control->GetRootBox()->GetCount(); ++i) {
    EXPECT_EQ(control->GetRootBox()->GetSegment(i)->pressed, 0) << i;
  }
}

TEST_F(HyperText, PressOnPlainTextSendsNothing) {
  Make(kLinkText);
  bench_.Click(12, 15);
  bench_.Click(190, 140);
  EXPECT_TRUE(links_.empty());
}

TEST_F(HyperText, PictureInALinkIsHitLikeItsText) {
  Make("<a href=x><img src=10x10></a> y");
  EXPECT_EQ(bench_.PixelAt(15, 15), 0x3165CEu);  // 0x3366CC through 5-6-5
  bench_.Click(15, 15);
  ASSERT_EQ(links_.size(), 1u);
  EXPECT_EQ(links_[0], "x");
}

TEST_F(HyperText, LocalAnchorScrollsAndStaysInTheControl) {
  std::string text = "<a href=\"#end\">jump</a><br>";
  for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "<br>";
  text += "<a name=end>here";
  PictureNameControl* control = Make(text.c_str());
  const int32_t max = control->GetMax(0);
  EXPECT_GT(max, 0);
  bench_.Click(15, 15);
  EXPECT_TRUE(links_.empty());
  EXPECT_EQ(Events34(), 0);
  // The anchor's line bottom less 40, kept within the scroll range.
  const VTextSegment* anchor = control->GetRootBox()->FindAnchor("#end", 4, false);
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(control->GetScrollY(), std::min(anchor->y - 40, max));
  // A name is matched by its prefix.
  EXPECT_EQ(control->GetRootBox()->FindAnchor("#e", 2, false), anchor);
  EXPECT_EQ(control->GetRootBox()->FindAnchor("#x", 2, false), nullptr);
}

TEST_F(HyperText, OtherTargetsTravelToTheParents) {
  Make("<a href=\"http://x/#y\">go</a>");
  bench_.Click(15, 15);
  ASSERT_EQ(links_.size(), 1u);
  EXPECT_EQ(links_[0], "http://x/#y");
}

TEST_F(HyperText, ScrollingByLinesAndPages) {
  // 10 lines of 10 with 4 between, and the end mark on a line of its own:
  // 150 high in a control of 60.
  std::string text;
  for (int i = 0; i < 10; ++i) text += "line<br>";
  PictureNameControl* control = Make(text.c_str());
  EXPECT_EQ(control->GetTextHeight(), 150);
  EXPECT_EQ(control->GetMax(0), 150 - 60);
  EXPECT_EQ(control->GetPageSize(0), 60);
  EXPECT_EQ(control->GetMax(1), 0);
  struct Step {
    int32_t delta;
    int32_t position;
  } steps[] = {{14, 14}, {14, 28}, {60, 88}, {-14, 74}, {-60, 14}, {-60, 0}, {1000, 90}};
  for (const Step& s : steps) {
    control->ScrollBy(s.delta, 0);
    EXPECT_EQ(control->GetPosition(0), s.position) << s.delta;
  }
  // What is drawn follows: line 0 is off the top; the first visible line
  // lies at the control's top.
  control->ScrollTo(14, 0);
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(12, 15), 0x000000u);  // line 1 now at the top
  EXPECT_GE(control->GetFirstVisible(), 1);
  control->ScrollTo(0, 0);
  EXPECT_EQ(control->GetFirstVisible(), 0);
  // The hit test takes the scroll position into account.
  control->ScrollTo(28, 0);
  const VTextSegment* hit = control->HitTest(VPoint(12, 15));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->y, 38);  // line 2
}

TEST_F(HyperText, PagedTextShowsOnePageAtATime) {
  // Pages of 60: lines at 10, 24, 38, 52 on page 0; the fifth (bottom 66)
  // starts page 1 at its top.
  PictureNameControl* control = Make("l0<br>l1<br>l2<br>l3<br>l4<br>l5");
  control->Layout(true, nullptr);
  EXPECT_EQ(control->GetPageCount(), 2);
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(12, 15), 0x000000u);  // "l0" at the top
  control->SetCurrentPage(1);
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(12, 15), 0x000000u);  // "l4" at the top now
  EXPECT_EQ(bench_.PixelAt(12, 15 + 2 * 14), kWhite);  // nothing below "l5"
  const VTextSegment* hit = control->HitTest(VPoint(12, 15));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(std::string(control->GetChars() + hit->textOffset, hit->length), "l4");
  control->SetCurrentPage(7);
  EXPECT_EQ(control->GetCurrentPage(), 1);
}

TEST_F(HyperText, ScrollingUnderAStillPointerRefreshesItsState) {
  // Lines 10 high, 14 apart: "plain" on the first, the link on the second.
  std::string text = "plain<br><a href=t>link</a><br>";
  for (int i = 0; i < 10; ++i) text += "line<br>";
  PictureNameControl* control = Make(text.c_str());
  bench_.Move(15, 15);
  EXPECT_EQ(GetShownCursor(), 0) << "over plain text";
  control->ScrollTo(14, 0);
  EXPECT_EQ(GetShownCursor(), 107) << "the link came under the pointer";
  // A press on the link, the pointer moved off it with the button held;
  // scrolling brings the link back under the pointer.
  bench_.Down(15, 15);
  bench_.Move(15, 29, platform::kMouseFlagLeftButton);
  EXPECT_FALSE(control->IsOverPressed());
  control->ScrollTo(0, 0);
  EXPECT_TRUE(control->IsOverPressed());
  EXPECT_EQ(bench_.PixelAt(24, 29), kGreen) << "drawn as pressed";
  bench_.Up(15, 29);
  ASSERT_EQ(links_.size(), 1u);
  EXPECT_EQ(links_[0], "t");
}

TEST_F(HyperText, NewTextOrDirtyLayoutIsLaidOutInOnePiece) {
  struct Case {
    const char* name;
    std::function<void(PictureNameControl*)> change;
  };
  const Case cases[] = {
      {"new text", [](PictureNameControl* c) { c->SetText(new VString("l0<br>l1<br>l2<br>l3<br>l4<br>l5"), false); }},
      {"dirty layout drawn",
       [this](PictureNameControl* c) {
         c->SetLineSpacing(4);
         bench_.Redraw();
       }},
      {"dirty layout brought up to date",
       [](PictureNameControl* c) {
         c->SetLineSpacing(4);
         c->UpdateLayout();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureNameControl* control = Make("l0<br>l1<br>l2<br>l3<br>l4<br>l5");
    control->Layout(true, nullptr);
    control->SetCurrentPage(1);
    ASSERT_EQ(control->GetPageCount(), 2);
    c.change(control);
    EXPECT_FALSE(control->IsPaged());
    EXPECT_EQ(control->GetPageCount(), 1);
    EXPECT_EQ(control->GetCurrentPage(), 0);
    EXPECT_EQ(control->GetTextHeight(), 80) << "six lines in one column";
    delete control;
  }
}

TEST_F(HyperText, BackgroundColourIsLaidOutAgainAndShownAtOnce) {
  PictureNameControl* control = Make("text");
  ASSERT_FALSE(control->IsLayoutDirty());
  control->SetBackgroundColor(VRGBColor(0, 0, 255));
  EXPECT_FALSE(control->IsLayoutDirty());
  EXPECT_EQ(bench_.PixelAt(140, 60), kBlue);
  // Off screen it is laid out at its next draw.
  control->Hide(false);
  control->SetBackgroundColor(VRGBColor(255, 255, 255));
  EXPECT_TRUE(control->IsLayoutDirty());
}

TEST_F(HyperText, ScrollBarFollowsAndDrivesTheText) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "line<br>";
  PictureNameControl* control = Make(text.c_str());
  VScrollBar bar;
  bar.SetSmooth(false);
  bar.SetLineStep(14);
  control->SetScrollBar(&bar, 0);
  EXPECT_EQ(bar.GetMaximum(), 90);
  struct Step {
    int32_t part;
    int32_t position;
  } steps[] = {{1, 14}, {1, 28}, {3, 87}, {0, 73}, {2, 14}, {7, 90}, {6, 0}};
  for (const Step& s : steps) {
    bar.ScrollPart(s.part, 0);
    EXPECT_EQ(control->GetScrollY(), s.position) << s.part;
    EXPECT_EQ(bar.GetStoredPosition(), s.position) << s.part;
  }
  // A new text gives the bar its new range.
  control->SetText(new VString("short"), true);
  EXPECT_EQ(bar.GetMaximum(), 0);
  control->SetScrollBar(nullptr, 0);
}

TEST_F(HyperText, ShortTextHasNoScrollRange) {
  PictureNameControl* control = Make("short");
  EXPECT_EQ(control->GetMax(0), 0);
  control->ScrollTo(50, 0);
  EXPECT_EQ(control->GetPosition(0), 0);
}

TEST_F(HyperText, OperationsOfTheTitle) {
  PictureNameControl* control = Make("abc <a href=t>link</a>");
  EXPECT_EQ(control->GetLineWidth(), 150);
  EXPECT_STREQ(control->GetTextString()->GetChars(), "abc <a href=t>link</a>");
  EXPECT_EQ(control->GetSegmentCursor(control->HitTest(VPoint(30, 15))), 107);
  EXPECT_EQ(control->GetSegmentCursor(control->HitTest(VPoint(12, 15))), 0);
  control->SetTextColor(VRGBColor(200, 0, 0));
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(12, 15), 0xCE0000u);  // 200 in 5 bits, widened
  EXPECT_EQ(bench_.PixelAt(36, 15), kBlue);      // links keep their colour
  control->SetLinkColor(VRGBColor(0, 0, 0));
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(36, 15), 0x000000u);
  EXPECT_EQ(control->GetKindCode(), VHTMLTextControl::kKind);
}

TEST_F(HyperText, WrapWidthOfAnAutoWidthControl) {
  auto* control = new VTextControl(VControl::kAllocateId, 10, 10, 0, 0, 60, new VString("aaaa bbbb cccc"),
                                   fonts_.Get(10), kAlignLeft, false, 200, bench_.recorder);
  EXPECT_EQ(control->GetLineWidth(), 200);
  EXPECT_EQ(control->GetWidth(), 66 + 1);
  control->SetWrapWidth(30);
  control->UpdateLayout();
  EXPECT_EQ(control->GetLineWidth(), 30);
  EXPECT_EQ(control->GetWidth(), 23 + 1);
}

}  // namespace

namespace {

TEST(TextControlConstruction, TheTitlesFormTakesAValueWithoutEffect) {
  SyntheticFonts fonts;
  // (…, alignment 1, 0, frame 0, maximum width 32767, parent) as the title
  // passes them: a width given keeps the control's width as the line width.
  VHTMLTextControl html(VControl::kAllocateId, 0, 0, 0, 120, 40, new VString("<b>x</b>"), fonts.Get(10), nullptr, 1,
                        0, false, 32767, nullptr);
  EXPECT_EQ(html.GetLineWidth(), 120);
  EXPECT_EQ(html.GetWrapWidth(), 0);
  VTextControl plain(VControl::kAllocateId, 0, 0, 0, 0, 40, nullptr, nullptr, 1, 0, true, 32767, nullptr);
  EXPECT_EQ(plain.GetWrapWidth(), 32767);
  ASSERT_NE(plain.GetFont(0), nullptr);  // "Times" 12 when none is given
  EXPECT_STREQ(plain.GetFont(0)->GetName().GetChars(), "Times");
  EXPECT_EQ(plain.GetFont(0)->GetSize(), 12);
  EXPECT_EQ(plain.GetKindCode(), VTextControl::kKind);
}

}  // namespace
