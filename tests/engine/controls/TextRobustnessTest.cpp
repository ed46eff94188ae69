// Bad and extreme input for the text controls: values and references that
// run past their tag or the text, numbers beyond range, runs too long for the
// segments' 16-bit fields, nesting deeper than any real text, a control given
// its own string. Each text is laid out and drawn; the checks are bounds and
// invariants (ASan and UBSan watch every read).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TextTestSupport.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"

namespace {

using texttest::Dump;
using texttest::PictureNameControl;
using texttest::SyntheticFonts;

class TextRobustness : public ::testing::Test {
 protected:
  std::unique_ptr<VHTMLTextControl> Html(const std::string& text, int32_t width = 310) {
    auto control = std::make_unique<PictureNameControl>(VControl::kAllocateId, 0, 0, 0, width, 200, nullptr,
                                                        fonts_.Get(10), nullptr, kAlignLeft, false, 0, nullptr);
    control->SetText(new VString(text.c_str(), static_cast<int32_t>(text.size())), false);
    return control;
  }
  void Draw(VTextControl& control) {
    PixelMap map(VRect(0, 0, 310, 200), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
    DrawPort port(&map);
    control.DrawContent(&port, VRect(0, 0, 310, 200));
    for (int32_t y = 0; y < 200; y += 37) {
      for (int32_t x = 0; x < 310; x += 41) control.HitTest(VPoint(x, y));
    }
  }
  // Every segment's text lies inside the text.
  static void CheckBounds(const VTextControl& control, const VTextBox& box) {
    for (int32_t i = 0; i < box.GetCount(); ++i) {
      const VTextSegment* s = box.GetSegment(i);
      EXPECT_LE(static_cast<int64_t>(s->textOffset) + s->length, control.GetLength() + 1) << i;
      if (s->box != nullptr) CheckBounds(control, *s->box);
    }
  }
  SyntheticFonts fonts_;
};

TEST_F(TextRobustness, MarkupRunningPastItsEnd) {
  const std::string texts[] = {
      "<a href=\"abc>def</a> x",             // quoted value past ">"
      "<a href=\"abc",                        // past the end of the text
      "<font color=\"#FF0000 size=\"+2>x",    // quotes out of step
      "<img src=\"10x10",                     // picture named up to the end
      "x <",
      "x </",
      "x &",
      "x &#",
      "x &#99999999999999999999999999;",
      "x &#-5; &#+5;",
      "&" + std::string(100000, 'a'),         // a name longer than any
      "<" + std::string(100000, 'a') + ">",
      "<a " + std::string(70000, ' ') + "href=x>y</a>",
      "<table border=99999999999 cellpadding=2147483647 width=2147483647%><tr><td width=-5>x</td></tr></table>",
      "<td><tr><li></ul></table></sub></sup>",
      "<font size=2147483647>x</font><font size=-2147483647>y",
      "<font size>x<font face>y<font resid=70000>z<font resid=-1>w<font resid=7 residmetrics=8>v",
      "<img src=0x0><img src=5000x5000><img>",
      std::string("a\0b", 3),
  };
  for (const std::string& text : texts) {
    auto control = Html(text);
    CheckBounds(*control, *control->GetRootBox());
    Draw(*control);
  }
}

TEST_F(TextRobustness, HiddenTextWiderThanTheLineIsSkipped) {
  // A word inside head that does not fit must not hold the line loop.
  auto control = Html("ab <head>hiddenhiddenhidden</head>seen", 20);
  EXPECT_EQ(Dump(*control), "text \"ab\" 0,10 13x10\ntext \"seen\" 0,24 20x10\nend 20,24 0x10\n");
}

TEST_F(TextRobustness, QuotedValueStopsAtTheTag) {
  auto control = Html("<a href=\"abc>def</a> x");
  const VTextSegment* start = control->GetRootBox()->GetSegment(0);
  ASSERT_NE(start, nullptr);
  ASSERT_EQ(start->kind, kSegmentLinkStart);
  EXPECT_EQ(std::string(control->GetChars() + start->textOffset, start->length), "abc");
}

TEST_F(TextRobustness, HugeRunsSaturateTheSegmentFields) {
  struct Case {
    const char* name;
    std::string text;
    int32_t width;
  } cases[] = {
      {"100000 letters in a wide control", std::string(100000, 'a'), 1000000},
      {"200000 characters without width", std::string(200000, '\x01'), 310},
      {"a line far beyond 32767 pixels", std::string(20000, 'a') + " b", 1000000},
  };
  for (const Case& c : cases) {
    auto control = std::make_unique<VTextControl>(VControl::kAllocateId, 0, 0, 0, c.width, 200,
                                                  new VString(c.text.c_str(), static_cast<int32_t>(c.text.size())),
                                                  fonts_.Get(10), kAlignLeft, false, 0, nullptr);
    const VTextBox* root = control->GetRootBox();
    int64_t consumed = 0;
    int32_t previousX = -1;
    for (int32_t i = 0; i < root->GetCount(); ++i) {
      const VTextSegment* s = root->GetSegment(i);
      consumed += s->consumed;
      EXPECT_GE(s->width, 0) << c.name;
      if (s->y == root->GetSegment(0)->y) {
        EXPECT_GE(s->x, previousX) << c.name << " segment " << i;  // never wraps negative
        previousX = s->x;
      }
    }
    // Every character is in exactly one piece (the end mark takes one more).
    EXPECT_EQ(consumed, static_cast<int64_t>(c.text.size()) + 1) << c.name;
    Draw(*control);
  }
}

TEST_F(TextRobustness, NestingDeeperThanAnyRealText) {
  const char* openers[] = {"<ul>", "<li>", "<sub>", "<sup>", "<table><tr><td>", "<font size=+1>", "<b>"};
  for (const char* opener : openers) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += opener;
    text += "x";
    auto control = Html(text);
    CheckBounds(*control, *control->GetRootBox());
    Draw(*control);
  }
}

TEST_F(TextRobustness, SetTextWithTheControlsOwnString) {
  auto html = Html("a <b>bold</b> &copy; text");
  const std::string before = Dump(*html);
  const std::string chars = html->GetTextString()->GetChars();
  for (int i = 0; i < 3; ++i) html->SetText(html->GetTextString(), false);
  EXPECT_EQ(std::string(html->GetTextString()->GetChars()), chars);
  EXPECT_EQ(Dump(*html), before);

  auto plain = std::make_unique<VTextControl>(VControl::kAllocateId, 0, 0, 0, 100, 50, new VString("plain text"),
                                              fonts_.Get(10), kAlignLeft, false, 0, nullptr);
  plain->SetText(plain->GetTextString(), false);
  EXPECT_STREQ(plain->GetTextString()->GetChars(), "plain text");
  plain->ClearText();
  EXPECT_EQ(plain->GetTextString()->GetLength(), 0);
  EXPECT_EQ(Dump(*plain), "end 0,10 0x10\n");
}

TEST_F(TextRobustness, ZeroSizedControlsAndNoFont) {
  auto tiny = std::make_unique<VHTMLTextControl>(VControl::kAllocateId, 0, 0, 0, 0, 0, new VString("some <b>text</b>"),
                                                 fonts_.Get(10), nullptr, kAlignCenter, true, 0, nullptr);
  tiny->Layout(true, nullptr);  // paged with a page height of 0
  EXPECT_EQ(tiny->GetPageCount(), 1);
  Draw(*tiny);
}

}  // namespace
