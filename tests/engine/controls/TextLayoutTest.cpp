// Layout of plain text and mark-up on a synthetic font (size 10: characters
// 5 wide, blanks 3, 'i' 2, descent 2; bold one wider): segment dumps against
// positions worked out by hand. Each dump line is: kind "characters" x,y
// width x height [page], nested boxes indented; y is the line bottom.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "TextTestSupport.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"

namespace {

using texttest::Dump;
using texttest::SyntheticFonts;

using texttest::PictureNameControl;

class TextLayout : public ::testing::Test {
 protected:
  std::unique_ptr<VTextControl> Plain(const char* text, int32_t width, int32_t alignment = kAlignLeft,
                                      int32_t wrap = 0, bool frame = false, int32_t height = 100) {
    return std::make_unique<VTextControl>(VControl::kAllocateId, 0, 0, 0, width, height, new VString(text),
                                          fonts_.Get(10), alignment, frame, wrap, nullptr);
  }
  std::unique_ptr<VHTMLTextControl> Html(const char* text, int32_t width, int32_t height = 100) {
    // The text is set after construction so that the control's own
    // LoadPicture is the one called.
    auto control = std::make_unique<PictureNameControl>(VControl::kAllocateId, 0, 0, 0, width, height, nullptr,
                                                        fonts_.Get(10), nullptr, kAlignLeft, false, 0, nullptr);
    control->SetText(new VString(text), false);
    return control;
  }
  SyntheticFonts fonts_;
};

struct PlainCase {
  const char* name;
  const char* text;
  int32_t width;
  int32_t alignment;
  const char* dump;
};

TEST_F(TextLayout, PlainTextWrapsAndAligns) {
  const PlainCase cases[] = {
      {"empty text: one end mark, one line", "", 100, kAlignLeft, "end 0,10 0x10\n"},
      {"wrap after the last blank that fits", "aaa bbb ccc", 40, kAlignLeft,
       "text \"aaa bbb\" 0,10 36x10\ntext \"ccc\" 0,24 15x10\nend 15,24 0x10\n"},
      {"right: each line ends at the box edge", "aaa bbb ccc", 40, kAlignRight,
       "text \"aaa bbb\" 4,10 36x10\ntext \"ccc\" 25,24 15x10\nend 40,24 0x10\n"},
      {"centre", "aaa bbb ccc", 40, kAlignCenter,
       "text \"aaa bbb\" 2,10 36x10\ntext \"ccc\" 12,24 15x10\nend 27,24 0x10\n"},
      {"a word longer than an empty line is cut at the width", "abcdefghij", 22, kAlignLeft,
       "text \"abcd\" 0,10 20x10\ntext \"efghi\" 0,24 22x10\ntext \"j\" 0,38 5x10\nend 5,38 0x10\n"},
      {"a word after a tab on a started line moves down whole", "ab\tabcdefgh", 30, kAlignLeft,
       "text \"ab\" 0,10 10x10\ntext \"abcdef\" 0,24 30x10\ntext \"gh\" 0,38 10x10\nend 10,38 0x10\n"},
      {"a tab moves the pen to the next stop of 16", "ab\tc", 100, kAlignLeft,
       "text \"ab\" 0,10 10x10\ntext \"c\" 16,10 5x10\nend 21,10 0x10\n"},
      {"a line break keeps a zero-width piece and its line height", "ab\r\n\r\ncd", 100, kAlignLeft,
       "text \"ab\" 0,10 10x10\ntext 10,10 0x10\ntext 0,24 0x10\ntext \"cd\" 0,38 10x10\nend 10,38 0x10\n"},
      {"break after a hyphen", "aaaa-bbbb", 30, kAlignLeft,
       "text \"aaaa-\" 0,10 25x10\ntext \"bbbb\" 0,24 20x10\nend 20,24 0x10\n"},
  };
  for (const PlainCase& c : cases) {
    auto control = Plain(c.text, c.width, c.alignment);
    EXPECT_EQ(Dump(*control), c.dump) << c.name;
  }
}

TEST_F(TextLayout, AutoWidthTakesTheWidestLine) {
  struct Case {
    const char* name;
    bool frame;
    int32_t alignment;
    int32_t left, right;
    const char* dump;
  } cases[] = {
      {"widest line + 1", false, kAlignLeft, 100, 134, "text \"aaa bbb\" 0,10 33x10\nend 33,10 0x10\n"},
      {"+ 2 more with a frame", true, kAlignLeft, 100, 136, "text \"aaa bbb\" 2,12 33x10\nend 35,12 0x10\n"},
      {"centred about the place it was built", false, kAlignCenter, 83, 117,
       "text \"aaa bbb\" 0,10 33x10\nend 33,10 0x10\n"},
  };
  for (const Case& c : cases) {
    auto control = std::make_unique<VTextControl>(VControl::kAllocateId, 100, 0, 0, 0, 50, new VString("aaa bbb"),
                                                  fonts_.Get(10), c.alignment, c.frame, 200, nullptr);
    EXPECT_EQ(Dump(*control), c.dump) << c.name;
    // Setting the text again never moves the control further.
    for (int i = 0; i < 3; ++i) control->SetTextChars("aaa bbb", false);
    EXPECT_EQ(control->GetBounds().left, c.left) << c.name;
    EXPECT_EQ(control->GetBounds().right, c.right) << c.name;
  }
}

TEST_F(TextLayout, AutoWidthAlignsLinesAgainstTheWidest) {
  auto control = std::make_unique<VTextControl>(VControl::kAllocateId, 0, 0, 0, 0, 50, new VString("aaaaaa\r\nbb"),
                                                fonts_.Get(10), kAlignRight, false, 200, nullptr);
  EXPECT_EQ(Dump(*control), "text \"aaaaaa\" 0,10 30x10\ntext 30,10 0x10\ntext \"bb\" 20,24 10x10\nend 30,24 0x10\n");
  EXPECT_EQ(control->GetWidth(), 31);
}

TEST_F(TextLayout, PagedLayoutMovesLinesToTheNextPage) {
  auto control = Plain("aaaa bbbb cccc dddd eeee", 25, kAlignLeft, 0, false, 30);
  control->Layout(true, nullptr);
  EXPECT_EQ(Dump(*control),
            "text \"aaaa\" 0,10 23x10\ntext \"bbbb\" 0,24 23x10\ntext \"cccc\" 0,40 23x10 p1\n"
            "text \"dddd\" 0,54 23x10 p1\ntext \"eeee\" 0,70 20x10 p2\nend 20,70 0x10 p2\n");
  EXPECT_EQ(control->GetPageCount(), 3);
}

struct MarkupCase {
  const char* name;
  const char* text;
  int32_t width;
  const char* dump;
};

void CheckMarkup(TextLayout* fixture, const MarkupCase* cases, size_t count,
                 const std::function<std::unique_ptr<VHTMLTextControl>(const char*, int32_t)>& make) {
  (void)fixture;
  for (size_t i = 0; i < count; ++i) {
    auto control = make(cases[i].text, cases[i].width);
    EXPECT_EQ(Dump(*control), cases[i].dump) << cases[i].name << "\n" << cases[i].text;
  }
}

TEST_F(TextLayout, MarkupBoxes) {
  const MarkupCase cases[] = {
      {"superscript: 4/5 size, raised by half the size", "x<sup>2</sup>y", 100,
       "text \"x\" 0,13 5x10\nsup 5,13 4x13\n  text \"2\" 0,8 4x8\n  end 4,8 1x8\ntext \"y\" 9,13 5x10\n"
       "end 14,13 0x10\n"},
      {"subscript: lowered by a sixth of the size", "x<sub>2</sub>y", 100,
       "text \"x\" 0,10 5x10\nsub 5,10 4x7\n  text \"2\" 0,8 4x8\n  end 4,8 1x8\ntext \"y\" 9,10 5x10\n"
       "end 14,10 0x10\n"},
      {"list: bullets of 20, items indented by 20", "<ul><li>ab</li><li>cd</li></ul>", 100,
       "ul 20,26 80x25\n  bullet 0,11 20x10\n  li 20,11 60x10\n    text \"ab\" 0,10 10x10\n    end 10,10 1x10\n"
       "  bullet 0,25 20x10\n  li 20,25 60x10\n    text \"cd\" 0,10 10x10\n    end 10,10 1x10\n"
       "  end 80,25 1x10\nend 100,26 0x10\n"},
      {"inline picture raises the line", "ab<img src=10x20>cd", 100,
       "text \"ab\" 0,20 10x10\npic 10,20 10x20\ntext \"cd\" 20,20 10x10\nend 30,20 0x10\n"},
      {"left float: lines after the first start after it until its bottom",
       "<img src=20x30 align=left>aaaa bbbb cccc dddd eeee", 50,
       "text \"aaaa bbbb\" 0,10 46x10\ntext \"cccc\" 20,24 23x10\ntext \"dddd\" 20,38 23x10\n"
       "text \"eeee\" 20,52 20x10\nend 40,52 0x10\nfloat-left\n  pic 0,44 20x30\n"},
      {"right float: lines after the first end before it",
       "<img src=20x30 align=right>aaaa bbbb cccc dddd eeee", 50,
       "text \"aaaa bbbb\" 0,10 46x10\ntext \"cccc\" 0,24 23x10\ntext \"dddd\" 0,38 23x10\n"
       "text \"eeee\" 0,52 20x10\nend 20,52 0x10\nfloat-right\n  pic 30,44 20x30\n"},
      {"table: columns at their natural widths, padding 4 around cells",
       "<table border cellpadding=2><tr><td>one</td><td>two cells</td></tr><tr><td>three</td><td>four</td></tr>"
       "</table>",
       300,
       "table 0,28 76x28\n  row 0,12 76x10\n    cell 2,10 25x10\n      text \"one\" 0,10 15x10\n"
       "      end 15,10 1x10\n    cell 31,10 43x10\n      text \"two cells\" 0,10 43x10\n      end 43,10 1x10\n"
       "    end 60,10 1x10\n  row 0,26 76x10\n    cell 2,10 25x10\n      text \"three\" 0,10 25x10\n"
       "      end 25,10 1x10\n    cell 31,10 43x10\n      text \"four\" 0,10 20x10\n      end 20,10 1x10\n"
       "    end 47,10 1x10\n  end 0,42 1x10\nend 76,28 0x10\n"},
  };
  CheckMarkup(this, cases, std::size(cases), [this](const char* t, int32_t w) { return Html(t, w); });
}

TEST_F(TextLayout, TableTakesTenCellsPerRow) {
  std::string text = "<table><tr>";
  for (int i = 0; i < 11; ++i) text += "<td>c</td>";
  text += "</tr></table>";
  auto control = Html(text.c_str(), 300);
  const VTextSegment* table = control->GetRootBox()->GetSegment(0);
  ASSERT_NE(table, nullptr);
  ASSERT_NE(table->box, nullptr);
  const VTextBox* row = table->box->GetSegment(0)->box;
  ASSERT_NE(row, nullptr);
  // Padding 0: ten cells of "c" side by side, the eleventh right after the
  // tenth with the layout it got at the table width.
  std::vector<int32_t> xs, widths;
  for (int32_t i = 0; i < row->GetCount(); ++i) {
    const VTextSegment* s = row->GetSegment(i);
    if ((s->kind & kSegmentCell) == 0) continue;
    xs.push_back(s->x);
    widths.push_back(s->width);
  }
  ASSERT_EQ(xs.size(), 11u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(xs[static_cast<size_t>(i)], i * 5);
    EXPECT_EQ(widths[static_cast<size_t>(i)], 5);
  }
  EXPECT_EQ(xs[10], 50);
  EXPECT_EQ(table->width, 50);
}

TEST_F(TextLayout, CellPaddingIsCountedTwicePerColumn) {
  // Two columns of long text share the width: the padding p is taken from
  // the width twice per column before the shares are made, and the cells
  // stand p apart.
  auto width = [this](int32_t padding) {
    const std::string text = "<table cellpadding=" + std::to_string(padding) +
                             "><tr><td>aaaa aaaa aaaa aaaa</td><td>bbbb bbbb bbbb bbbb</td></tr></table>";
    auto control = Html(text.c_str(), 100);
    return control->GetRootBox()->GetSegment(0)->width;
  };
  // Each column weighs 10 (one line at the table width); a share is
  // 10 x ((100 - 4p) x 65536 / 21) / 65536; the table is 2 shares + 2p wide.
  auto expected = [](int32_t p) { return 2 * p + 2 * (10 * ((100 - 4 * p) * 65536 / 21) / 65536); };
  const int32_t w2 = width(0), w6 = width(4);  // cellpadding 0 gives p = 2, 4 gives p = 6
  EXPECT_EQ(w2, expected(2));
  EXPECT_EQ(w6, expected(6));
  EXPECT_EQ(w2 - w6, 6);
}

}  // namespace

namespace {

// The real picture fonts (made from a system face, glyphs rendered into an
// alpha strip): the layout takes their widths and their glyphs reach the map.
TEST(TextWithPictureFonts, LayoutAndDrawingUseTheGlyphStrip) {
  VFont* font = FindOrCreateFont("Arial", 14, 0, nullptr, false);
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(font->IsSystemFont());
  {
    VHTMLTextControl control(VControl::kAllocateId, 0, 0, 0, 200, 40, nullptr, font, nullptr, kAlignLeft, false, 0,
                             nullptr);
    control.SetBackgroundColor(VRGBColor(255, 255, 255));
    control.SetText(new VString("Hello <b>bold</b>"), false);
    const VTextBox* root = control.GetRootBox();
    ASSERT_GE(root->GetCount(), 2);
    const VTextSegment* hello = root->GetSegment(0);
    const VTextSegment* bold = root->GetSegment(1);
    EXPECT_EQ(hello->width, font->GetTextWidth("Hello ", 6));
    ASSERT_NE(bold->font, nullptr);
    EXPECT_FALSE(bold->font->IsSystemFont());
    EXPECT_EQ(bold->font->GetStyle(), kFontStyleBold);
    EXPECT_EQ(bold->x, hello->width);
    EXPECT_EQ(bold->width, bold->font->GetTextWidth("bold", 4));

    PixelMap map(VRect(0, 0, 200, 40), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
    {
      DrawPort port(&map);
      control.DrawContent(&port, VRect(0, 0, 200, 40));
    }
    int dark = 0, outside = 0;
    for (int32_t y = 0; y < 40; ++y) {
      for (int32_t x = 0; x < 200; ++x) {
        VRGBColor c;
        map.GetPixel(VPoint(x, y), c);
        if (c.red < 128) {
          ++dark;
          if (x >= bold->x + bold->width + 2 || y >= hello->y + 4) ++outside;
        }
      }
    }
    EXPECT_GT(dark, 50);
    EXPECT_EQ(outside, 0);
  }
  DeleteAllFonts();
}

}  // namespace
