// The mark-up language: tag table, attribute readers, entities (the Latin-1
// names checked against python3's html.entities), escaping, the preparation
// of a text when it is set, and what tags do to the layout (segment dumps on
// the synthetic font, size 10 unless said).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "TextTestSupport.h"
#include "engine/controls/MarkupParser.h"
#include "engine/controls/VHTMLTextControl.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"

namespace {

using texttest::Dump;
using texttest::SyntheticFonts;

TEST(MarkupTags, EveryNameHasItsPlaceInAnyCase) {
  for (int32_t t = 0; t < kTagCount; ++t) {
    const std::string name = MarkupTagName(t);
    EXPECT_EQ(FindMarkupTagNumber(name.c_str(), static_cast<int32_t>(name.size())), t) << name;
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindMarkupTagNumber(upper.c_str(), static_cast<int32_t>(upper.size())), t) << upper;
  }
  EXPECT_EQ(std::string(MarkupTagName(kTagTable)), "table");
  EXPECT_EQ(std::string(MarkupTagName(kTagImg)), "img");
  EXPECT_EQ(std::string(MarkupTagName(50)), "!");
  EXPECT_EQ(FindMarkupTagNumber("blink", 5), kTagCount);
  EXPECT_EQ(FindMarkupTagNumber("b", 0), kTagCount);
  EXPECT_EQ(MarkupTagName(kTagCount), nullptr);
}

TEST(MarkupTags, ScanReadsNameAndAttributeText) {
  struct Case {
    const char* text;  // after "<"
    int32_t number;
    const char* attributes;
    int32_t end;  // position after the scan
  } cases[] = {
      {"td width=40>x", kTagTd, "width=40", 12},
      {"TD   bgcolor=#FF0000 >x", kTagTd, "bgcolor=#FF0000 ", 22},
      {"br>", kTagBr, "", 3},
      {"bring x>y", kTagCount, "bring x", 8},
      {"!-- a > b -->c", kTagCount, "!-- a ", 7},
      {"a href=x", kTagA, "href=x", 8},  // no ">": the rest of the text
  };
  for (const Case& c : cases) {
    int32_t position = 0;
    const int32_t end = static_cast<int32_t>(std::strlen(c.text));
    const MarkupTag tag = MarkupTag::Scan(c.text, end, position);
    EXPECT_EQ(tag.number, c.number) << c.text;
    EXPECT_EQ(std::string(tag.attributes, static_cast<size_t>(tag.attributeLength)), c.attributes) << c.text;
    EXPECT_EQ(position, c.end) << c.text;
  }
}

MarkupTag Attributes(const char* text) {
  MarkupTag tag;
  tag.number = kTagFont;
  tag.attributes = text;
  tag.attributeLength = static_cast<int32_t>(std::strlen(text));
  return tag;
}

TEST(MarkupAttributes, ValuesQuotedBareAndMissing) {
  struct Case {
    const char* attributes;
    const char* name;
    MarkupTag::Found found;
    const char* value;
  } cases[] = {
      {"href=\"a b.html\" name=top", "href", MarkupTag::Found::kValue, "a b.html"},
      {"href=\"a b.html\" name=top", "name", MarkupTag::Found::kValue, "top"},
      {"HREF = x", "href", MarkupTag::Found::kValue, "x"},
      {"border width=3", "border", MarkupTag::Found::kWithoutValue, ""},
      {"border width=3", "bgcolor", MarkupTag::Found::kAbsent, ""},
      {"colorful=1", "color", MarkupTag::Found::kValue, "1"},  // a name beginning with it matches
      {"size=+2 color=red", "color", MarkupTag::Found::kValue, "red"},
      {"x=\"a=b\" y=2", "y", MarkupTag::Found::kValue, "2"},
      {"href=\"unterminated", "href", MarkupTag::Found::kValue, "unterminated"},  // bounded by the tag
      {"href=", "href", MarkupTag::Found::kValue, ""},
      {"", "href", MarkupTag::Found::kAbsent, ""},
  };
  for (const Case& c : cases) {
    const MarkupTag tag = Attributes(c.attributes);
    const char* value = nullptr;
    int32_t length = -1;
    EXPECT_EQ(tag.FindAttribute(c.name, &value, &length), c.found) << c.attributes << " / " << c.name;
    if (c.found == MarkupTag::Found::kValue) {
      EXPECT_EQ(std::string(value, static_cast<size_t>(length)), c.value) << c.attributes;
      EXPECT_GE(value, tag.attributes);
      EXPECT_LE(value + length, tag.attributes + tag.attributeLength);
    }
  }
  EXPECT_EQ(Attributes("face=\"Arial Black\"").GetString("face")->GetChars(), std::string("Arial Black"));
  EXPECT_EQ(Attributes("face").GetString("face")->GetLength(), 0);
  EXPECT_EQ(Attributes("size=2").GetString("face"), nullptr);
}

TEST(MarkupAttributes, IntegersColoursAlignments) {
  struct IntegerCase {
    const char* attributes;
    int32_t value;
  } integers[] = {{"size=+3", 3}, {"size=-2", -2}, {"size=12px", 12}, {"size", -1}, {"width=5", 0},
                  {"size=99999999999999", INT32_MAX}, {"size=-99999999999999", -INT32_MAX}, {"size=x", 0}};
  for (const IntegerCase& c : integers) EXPECT_EQ(Attributes(c.attributes).GetInteger("size"), c.value) << c.attributes;

  struct ColorCase {
    const char* attributes;
    bool found;
    VRGBColor color;
  } colours[] = {{"color=#FF0000", true, VRGBColor(255, 0, 0)},
                 {"color=00ff80", true, VRGBColor(0, 255, 128)},
                 {"color=#FFF", true, VRGBColor(255, 15, 0)},  // short values fill from the left
                 {"color=\"#0a0B0c\"", true, VRGBColor(10, 11, 12)},
                 {"color", false, VRGBColor()},
                 {"size=3", false, VRGBColor()}};
  for (const ColorCase& c : colours) {
    VRGBColor color(1, 2, 3);
    EXPECT_EQ(Attributes(c.attributes).GetColor("color", color), c.found) << c.attributes;
    if (c.found) {
      EXPECT_TRUE(color == c.color) << c.attributes;
    }
  }

  struct AlignCase {
    const char* attributes;
    int32_t alignment;
  } aligns[] = {{"align=LEFT", 1},        {"align=Right", 4},  {"align=center", 18}, {"align=justified", 1},
                {"align=absmiddle", 18}, {"align=top", 18},   {"align=bottom", 18}, {"align=middle", 18},
                {"align=bogus", 99},     {"align", 99},       {"", 99}};
  for (const AlignCase& c : aligns) EXPECT_EQ(Attributes(c.attributes).GetAlignment("align", 99), c.alignment) << c.attributes;
}

// --- Entities ---------------------------------------------------------------

TEST(MarkupEntities, LatinNamesAreThoseOfHtml) {
  const std::string python = testsupport::RequireTool("python3");
  if (python.empty()) return;
  const std::string listing = testsupport::Capture(
      python + " -c 'import html.entities as e\nfor c in range(160, 256): print(c, e.codepoint2name[c])'");
  std::istringstream lines(listing);
  int code = 0;
  std::string name;
  int count = 0;
  while (lines >> code >> name) {
    ASSERT_NE(EntityName(code), nullptr) << code;
    EXPECT_EQ(EntityName(code), name) << code;
    // Each name decodes to its own code.
    const std::string reference = "&" + name + ";";
    int32_t length = 0;
    const char* text = DecodeMarkupEntity(reference.c_str(), static_cast<int32_t>(reference.size()), length);
    ASSERT_NE(text, nullptr) << name;
    EXPECT_EQ(static_cast<uint8_t>(text[0]), code) << name;
    EXPECT_EQ(length, static_cast<int32_t>(name.size()) + 1);
    ++count;
  }
  EXPECT_EQ(count, 96);
}

TEST(MarkupEntities, DecodeReferences) {
  struct Case {
    const char* text;
    const char* replacement;  // null: no replacement (plain text)
    int32_t length;
  } cases[] = {
      {"&amp;x", "&", 4},
      {"&lt;", "<", 3},
      {"&gt;", ">", 3},
      {"&quot;", "\"", 5},
      {"&#39;", "`", 4},  // the apostrophe and the grave accent trade places
      {"&#96;", "'", 4},
      {"&#65;", "A", 4},
      {"&#65 x", "A", 4},
      {"&#1;", "#", 3},
      {"&#150;", "#", 5},
      {"&#160;", "\xA0", 5},
      {"&#255;", "\xFF", 5},
      {"&#256;", nullptr, 0},
      {"&#99999999999999999999;", nullptr, 0},  // saturated, never wraps into range
      {"&#;", nullptr, 0},
      {"&#x41;", nullptr, 0},
      {"&#65x;", nullptr, 0},
      {"&;", nullptr, 0},
      {"& b", nullptr, 0},
      {"&", nullptr, 0},
      {"&AMP;", " ", 4},  // names are case-sensitive; unknown names are a blank
      {"&bogus;", " ", 6},
      {"&ensp;", " ", 5},
      {"&emsp;", "  ", 5},
      {"&endash;", "-", 7},
      {"&emdash;", "--", 7},
      {"&trade;", "(TM)", 6},
      {"&nbsp", "\xA0", 5},  // the end of the text ends the name
      {"&copy x", "\xA9", 5},
      {"&amp<", " ", 4},  // only ";" or a blank ends a name
  };
  for (const Case& c : cases) {
    int32_t length = -1;
    const char* text = DecodeMarkupEntity(c.text, static_cast<int32_t>(std::strlen(c.text)), length);
    if (c.replacement == nullptr) {
      EXPECT_EQ(text, nullptr) << c.text;
      continue;
    }
    ASSERT_NE(text, nullptr) << c.text;
    EXPECT_EQ(std::string(text), c.replacement) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
  }
  // The available length bounds the reading.
  int32_t length = 0;
  EXPECT_EQ(DecodeMarkupEntity("&#6", 2, length), nullptr);
  EXPECT_EQ(std::string(DecodeMarkupEntity("&#65;", 4, length)), "A");
}

TEST(MarkupEntities, TableReplacements) {
  for (int32_t c = 0; c < 256; ++c) {
    const bool own = c == 9 || c == 10 || c == 13 || (c >= 32 && c <= 126) || c >= 160;
    std::string expected = own ? std::string(1, static_cast<char>(c)) : "#";
    if (c == 39) expected = "`";
    if (c == 96) expected = "'";
    EXPECT_EQ(std::string(EntityText(c)), expected) << c;
  }
  EXPECT_EQ(EntityText(kEntityCount), nullptr);
  EXPECT_EQ(EntityName(65), nullptr);
}

TEST(MarkupEntities, EscapeChar) {
  struct Case {
    uint8_t character;
    const char* text;
    bool escaped;
  } cases[] = {{13, "<BR>", true}, {10, "<BR>", true}, {'&', "&amp;", true}, {'<', "&lt;", true},
               {'>', "&gt;", true}, {'a', "a", false},   {0xE9, "\xE9", false}};
  for (const Case& c : cases) {
    VString out;
    EXPECT_EQ(EscapeMarkupChar(c.character, out), c.escaped) << int{c.character};
    EXPECT_EQ(std::string(out.GetChars()), c.text) << int{c.character};
  }
}

TEST(MarkupEntities, PreparingTextReplacesAllButMarkupCharacters) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a  b", "a b"},
      {"a\r\n\r\nb", "a b"},
      {"a-\r\nb", "a-b"},
      {"  x \t ", "x"},
      {"&lt;b&gt;", "&lt;b>"},
      {"&amp;lt;", "&amp;lt;"},
      {"&#38;&#60;", "&#38;&#60;"},
      {"&copy;2024", "\xA9" "2024"},
      {"x &bogus; y", "x   y"},
      {"&#256; & &;", "&#256; & &;"},
      {"&eacute<", " <"},  // only ";" or a blank ends a name
  };
  for (const Case& c : cases) {
    VString out;
    VHTMLTextControl::PrepareMarkup(VString(c.in), out);
    EXPECT_EQ(std::string(out.GetChars()), c.out) << c.in;
  }
}

// --- Tags in a layout ------------------------------------------------------

class MarkupLayout : public ::testing::Test {
 protected:
  std::unique_ptr<VHTMLTextControl> Html(const char* text, int32_t width = 200) {
    auto control = std::make_unique<VHTMLTextControl>(VControl::kAllocateId, 0, 0, 0, width, 100, nullptr,
                                                      fonts_.Get(10), nullptr, kAlignLeft, false, 0, nullptr);
    control->SetText(new VString(text), false);
    return control;
  }
  SyntheticFonts fonts_;
};

TEST_F(MarkupLayout, TagEffects) {
  struct Case {
    const char* name;
    const char* text;
    const char* dump;
  } cases[] = {
      {"bold is one wider per character", "a<b>bb</b>a",
       "text \"a\" 0,10 5x10\ntext \"bb\" 5,10 12x10\ntext \"a\" 17,10 5x10\nend 22,10 0x10\n"},
      {"br breaks the line and skips the blanks after it", "ab<br>  cd",
       "text \"ab\" 0,10 10x10\ntext \"cd\" 0,24 10x10\nend 10,24 0x10\n"},
      {"an empty line of br is one pixel high", "ab<br><br>cd",
       "text \"ab\" 0,10 10x10\ntext \"cd\" 0,25 10x10\nend 10,25 0x10\n"},
      {"p adds 8 above the new line besides the spacing", "ab<p>cd",
       "text \"ab\" 0,10 10x10\ntext \"cd\" 0,32 10x10\nend 10,32 0x10\n"},
      {"p align right", "<p align=right>cd</p>", "text \"cd\" 190,19 10x10\nend 0,33 0x10\n"},
      {"center until its closing tag", "<center>cd</center>ab",
       "text \"cd\" 95,11 10x10\ntext \"ab\" 0,25 10x10\nend 10,25 0x10\n"},
      {"h1: bold, 8 larger, on a line of its own", "x<h1>T</h1>y",
       "text \"x\" 0,10 5x10\ntext \"T\" 0,32 10x18\ntext \"y\" 0,46 5x10\nend 5,46 0x10\n"},
      {"head hides its content", "<head><title>t</title></head>y", "text \"y\" 0,10 5x10\nend 5,10 0x10\n"},
      {"a comment ends at its first >", "<!-- a > b -->c", "text \" b -->c\" 0,10 31x10\nend 31,10 0x10\n"},
      {"unknown tags are skipped", "a<blink>b</blink>", "text \"a\" 0,10 5x10\ntext \"b\" 5,10 5x10\nend 10,10 0x10\n"},
      {"&lt;b&gt; shows <b> without bold", "&lt;b&gt;",
       "ent \"&lt\" 0,10 5x10\ntext \"b>\" 5,10 10x10\nend 15,10 0x10\n"},
      {"&amp;lt; shows &lt;", "&amp;lt;", "ent \"&amp\" 0,10 5x10\ntext \"lt;\" 5,10 15x10\nend 20,10 0x10\n"},
      {"link start, link text, anchor", "<a href=\"#x\">go</a> <a name=x>",
       "href \"#x\" 0,10 0x0\nlink \"go\" 0,10 10x10\ntext 10,10 3x10\nanchor \"x\" 13,10 0x0\nend 13,10 0x10\n"},
      {"a stray closing tag of a box outside any box does nothing", "a</td></table>b",
       "text \"a\" 0,10 5x10\ntext \"b\" 5,10 5x10\nend 10,10 0x10\n"},
      {"a row of 5 characters or fewer leaves nothing", "<table><tr></tr><tr><td>x</td></tr></table>",
       "table 0,10 5x10\n  row 0,10 5x10\n    cell 0,10 5x10\n      text \"x\" 0,10 5x10\n      end 5,10 1x10\n"
       "    end 5,10 1x10\n  end 0,26 1x10\nend 5,10 0x10\n"},
      {"an empty table leaves nothing", "a<table></table>b",
       "text \"a\" 0,10 5x10\ntext \"b\" 5,10 5x10\nend 10,10 0x10\n"},
      {"blanks between cells leave no segment", "<table><tr> <td>x</td> </tr></table>",
       "table 0,10 5x10\n  row 0,10 5x10\n    cell 0,10 5x10\n      text \"x\" 0,10 5x10\n      end 5,10 1x10\n"
       "    end 5,10 1x10\n  end 0,25 1x10\nend 5,10 0x10\n"},
  };
  for (const auto& c : cases) {
    auto control = Html(c.text);
    EXPECT_EQ(Dump(*control), c.dump) << c.name << "\n" << c.text;
  }
}

TEST_F(MarkupLayout, FontSizesFacesAndColours) {
  struct Case {
    const char* text;
    int32_t size;  // of the segment "x"
    VRGBColor color;
    int32_t fontStack;  // fonts still stacked at the end
  } cases[] = {
      {"<font size=+2>x", 12, VRGBColor(0, 0, 0), 1},
      {"<font size=-2>x", 8, VRGBColor(0, 0, 0), 1},
      {"<font size=1>x", 8, VRGBColor(0, 0, 0), 1},
      {"<font size=2>x", 9, VRGBColor(0, 0, 0), 1},
      {"<font size=3>x", 10, VRGBColor(0, 0, 0), 1},
      {"<font size=4>x", 14, VRGBColor(0, 0, 0), 1},  // default + n from 4 on
      {"<font size=+2><font size=+2>x", 14, VRGBColor(0, 0, 0), 2},
      // Without face and size the font stays (colour only).
      {"<font color=#FF0000>x", 10, VRGBColor(255, 0, 0), 1},
      {"<font face=Synth>x", 10, VRGBColor(0, 0, 0), 1},
      {"<font color=\"#00FF00\">a</font>x", 10, VRGBColor(0, 0, 0), 0},
      {"</font>x", 10, VRGBColor(0, 0, 0), 0},
      {"<body text=#0000FF>x", 10, VRGBColor(0, 0, 255), 0},
  };
  for (const auto& c : cases) {
    auto control = Html(c.text);
    const VTextBox* root = control->GetRootBox();
    const VTextSegment* x = nullptr;
    for (int32_t i = 0; i < root->GetCount(); ++i) {
      const VTextSegment* s = root->GetSegment(i);
      if (s->length == 1 && control->GetChars()[s->textOffset] == 'x') x = s;
    }
    ASSERT_NE(x, nullptr) << c.text;
    ASSERT_NE(x->font, nullptr) << c.text;
    EXPECT_EQ(x->font->GetSize(), c.size) << c.text;
    EXPECT_EQ(x->font->GetName().GetChars(), std::string("Synth")) << c.text;
    EXPECT_TRUE(x->color == c.color) << c.text;
    EXPECT_EQ(control->GetFontStackCount(), c.fontStack) << c.text;
  }
}

TEST_F(MarkupLayout, StyleTagsAndHeadings) {
  struct Case {
    const char* text;
    int32_t size;   // of the segment "x"
    int32_t style;  // bits: 1 bold, 2 italic, 4 underline
  } cases[] = {
      {"<b>x", 10, 1},           {"<strong>x", 10, 1},       {"<i>x", 10, 2},
      {"<em>x", 10, 2},          {"<u>x", 10, 4},            {"<b><i><u>x", 10, 7},
      {"<b>a</b>x", 10, 0},      {"<h1>x", 18, 1},           {"<h2>x", 16, 1},
      {"<h3>x", 14, 1},          {"<h4>x", 13, 1},           {"<h5>x", 12, 1},
      {"<h6>x", 11, 1},          {"<h2>a</h2>x", 10, 0},     {"<tt><code><kbd>x", 10, 0},
  };
  for (const auto& c : cases) {
    auto control = Html(c.text);
    const VTextBox* root = control->GetRootBox();
    const VTextSegment* x = nullptr;
    for (int32_t i = 0; i < root->GetCount(); ++i) {
      const VTextSegment* s = root->GetSegment(i);
      if (s->length == 1 && control->GetChars()[s->textOffset] == 'x') x = s;
    }
    ASSERT_NE(x, nullptr) << c.text;
    EXPECT_EQ(x->font->GetSize(), c.size) << c.text;
    EXPECT_EQ(x->font->GetStyle(), c.style) << c.text;
  }
}

TEST_F(MarkupLayout, StacksStopAtTenAndPopEvenly) {
  std::string text;
  for (int i = 0; i < 14; ++i) text += "<font size=+1 color=#0000" + std::to_string(10 + i) + ">";
  text += "x";
  for (int i = 0; i < 14; ++i) text += "</font>";
  text += "y";
  auto control = Html(text.c_str());
  EXPECT_EQ(control->GetFontStackCount(), 0);
  EXPECT_EQ(control->GetColorStackCount(), 0);
  const VTextBox* root = control->GetRootBox();
  // x: 14 steps larger; y: back at the size the tenth push saved.
  EXPECT_EQ(root->GetSegment(0)->font->GetSize(), 24);
  EXPECT_EQ(root->GetSegment(1)->font->GetSize(), 10);
  EXPECT_TRUE(root->GetSegment(1)->color == VRGBColor(0, 0, 0));
}

TEST_F(MarkupLayout, BodyLinkColourAndBackground) {
  auto control = Html("<body bgcolor=#102030 link=#405060>x");
  EXPECT_TRUE(control->GetLinkColor() == VRGBColor(0x40, 0x50, 0x60));
  EXPECT_FALSE(control->GetRootBox()->noBackground);
  EXPECT_TRUE(control->GetRootBox()->background == VRGBColor(0x10, 0x20, 0x30));
}

}  // namespace
