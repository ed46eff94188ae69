// The script tokenizer: tokens, block operations, value and field readers,
// and the faults of unterminated or over-long input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScriptArchiveFixture.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptLexer.h"
#include "engine/core/VFRect.h"
#include "engine/core/VString.h"
#include "engine/core/VTime.h"

namespace {

struct Token {
  int32_t kind;
  std::string text;
  bool operator==(const Token& other) const { return kind == other.kind && text == other.text; }
};

std::ostream& operator<<(std::ostream& out, const Token& token) {
  return out << "{" << token.kind << ", \"" << token.text << "\"}";
}

// Every token of the text up to the end, the end itself included once.
std::vector<Token> Tokenize(const VString& text) {
  std::vector<Token> tokens;
  int32_t kind = BeginScript(text);
  for (int guard = 0; guard < 10000; ++guard) {
    tokens.push_back({kind, GetTokenText()});
    if (kind == kTokenEnd) break;
    kind = NextToken();
  }
  return tokens;
}

struct TokenCase {
  const char* name;
  const char* text;
  std::vector<Token> tokens;
};

TEST(TokenizerTest, TokenTable) {
  const TokenCase cases[] = {
      {"block", "  <a comment> BUBBLE { ID BU001 }",
       {{3, "BUBBLE"}, {1, ""}, {3, "ID"}, {3, "BU001"}, {2, ""}, {6, ""}}},
      {"empty", "", {{6, ""}}},
      {"blanks only", " \t\r\n\v\f", {{6, ""}}},
      {"word characters", "frame_02.b x-y A9", {{3, "frame_02.b"}, {3, "x-y"}, {3, "A9"}, {6, ""}}},
      {"two numbers from dots", "1.2.3", {{4, "1.2"}, {4, ".3"}, {6, ""}}},
      {"no exponent", "1e5", {{4, "1"}, {3, "e5"}, {6, ""}}},
      {"minus then word", "-x", {{4, "-"}, {3, "x"}, {6, ""}}},
      {"negative number", "-2.75,", {{4, "-2.75"}, {5, ""}, {6, ""}}},
      {"string with specials", "\"a <b> {c}\nd\" e", {{3, "a <b> {c}\nd"}, {3, "e"}, {6, ""}}},
      {"empty string", "\"\"", {{3, ""}, {6, ""}}},
      {"other characters", "; = \xE9", {{0, ";"}, {0, "="}, {0, "\xE9"}, {6, ""}}},
      {"comment between tokens", "a<x>b", {{3, "a"}, {3, "b"}, {6, ""}}},
      {"comments in a row", "<1><2>  <3>x", {{3, "x"}, {6, ""}}},
      {"unterminated comment", "a <never closed", {{3, "a"}, {6, ""}}},
      {"unterminated string", "a \"never closed", {{3, "a"}, {3, "never closed"}, {6, ""}}},
      {"quote right at the end", "\"", {{3, ""}, {6, ""}}},
      {"braces and commas", "{},", {{1, ""}, {2, ""}, {5, ""}, {6, ""}}},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    const VString text(c.text);
    EXPECT_EQ(Tokenize(text), c.tokens);
  }
}

TEST(TokenizerTest, EndIsSticky) {
  const VString text("x");
  BeginScript(text);
  EXPECT_EQ(NextToken(), kTokenEnd);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(NextToken(), kTokenEnd);
    EXPECT_EQ(GetTokenKind(), kTokenEnd);
    EXPECT_STREQ(GetTokenText(), "");
  }
}

TEST(TokenizerTest, NumberValues) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"42", 42.0}, {"-7", -7.0}, {".5", 0.5}, {"-.25", -0.25}, {"3.", 3.0}, {"007", 7.0},
      // A minus sign or dot alone is no number: its value is 0, not the
      // previous number's.
      {"-", 0.0},   {".", 0.0},   {"-.", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string script = std::string("99 ") + c.text;
    const VString text(script.c_str());
    ASSERT_EQ(BeginScript(text), kTokenNumber);
    EXPECT_EQ(GetTokenNumber(), 99.0);
    ASSERT_EQ(NextToken(), kTokenNumber);
    EXPECT_EQ(GetTokenNumber(), c.value);
  }
}

TEST(TokenizerTest, OverlongTokensAreCut) {
  for (const char* prefix : {"", "\"", "-"}) {
    SCOPED_TRACE(prefix);
    std::string body = prefix;
    const char fill = prefix[0] == '-' ? '1' : 'w';
    body.append(2000, fill);
    if (prefix[0] == '"') body += '"';
    const std::string script = body + " next";
    const VString text(script.c_str());
    BeginScript(text);
    EXPECT_EQ(std::string(GetTokenText()).size(), static_cast<size_t>(kMaxTokenLength));
    EXPECT_TRUE(IsTokenCut());
    // The rest of the long token is consumed, not read as a new token.
    EXPECT_EQ(NextToken(), kTokenWord);
    EXPECT_STREQ(GetTokenText(), "next");
    EXPECT_FALSE(IsTokenCut());
  }
  // Exactly 511 characters fit.
  const std::string exact(kMaxTokenLength, 'a');
  const VString text(exact.c_str());
  BeginScript(text);
  EXPECT_EQ(std::string(GetTokenText()), exact);
  EXPECT_FALSE(IsTokenCut());
}

TEST(TokenizerTest, HugeNumbersSaturate) {
  std::string digits(600, '9');
  const std::string script = digits + " -" + digits + " 0." + std::string(600, '0') + "1";
  const VString text(script.c_str());
  BeginScript(text);
  EXPECT_TRUE(std::isinf(GetTokenNumber()));
  int32_t value = 0;
  EXPECT_TRUE(ReadIntValue(value));
  EXPECT_EQ(value, INT32_MAX);
  float f = 0;
  EXPECT_TRUE(ReadFloatValue(f));
  EXPECT_TRUE(std::isinf(f) && f < 0);
  EXPECT_TRUE(ReadFloatValue(f));
  EXPECT_EQ(f, 0.0f);
}

TEST(TokenizerTest, KeywordsIgnoreCase) {
  const VString text("BUBBLE { HOTSPOTS x");
  BeginScript(text);
  EXPECT_FALSE(AcceptKeyword("BUBBLES"));
  EXPECT_FALSE(AcceptKeyword("BUBBL"));
  EXPECT_TRUE(OpenBlock("bubble"));
  EXPECT_FALSE(OpenBlock("HOTSPOT"));
  EXPECT_STREQ(GetTokenText(), "HOTSPOTS");  // not consumed
  // The keyword matches but no "{" follows: it stays consumed.
  EXPECT_FALSE(OpenBlock("hotspots"));
  EXPECT_STREQ(GetTokenText(), "x");
}

TEST(TokenizerTest, QuotedKeywordMatchesLikeAWord) {
  const VString text("\"Bubble\" {");
  BeginScript(text);
  EXPECT_TRUE(OpenBlock("BUBBLE"));
  EXPECT_EQ(GetTokenKind(), kTokenEnd);
}

TEST(TokenizerTest, BlocksNest) {
  const VString text("A { B { } B { } } A { }");
  BeginScript(text);
  int outer = 0;
  int inner = 0;
  while (OpenBlock("a")) {
    ++outer;
    while (OpenBlock("b")) {
      ++inner;
      EXPECT_TRUE(CloseBlock());
    }
    EXPECT_TRUE(CloseBlock());
  }
  EXPECT_EQ(outer, 2);
  EXPECT_EQ(inner, 2);
  EXPECT_EQ(GetTokenKind(), kTokenEnd);
  EXPECT_FALSE(CloseBlock());
}

TEST(TokenizerTest, EmptyTextClosesNothing) {
  const VString text("");
  EXPECT_EQ(BeginScript(text), kTokenEnd);
  EXPECT_FALSE(CloseBlock());
  EXPECT_FALSE(OpenBlock("X"));
}

TEST(TokenizerTest, IntegerReaders) {
  struct Case {
    const char* text;
    int32_t value;
    uint16_t id;
  } cases[] = {
      {"-2.7", -2, 0xFFFE}, {"2.7", 2, 2},       {"65537", 65537, 1},
      {"-0.5", 0, 0},       {"3000000000", INT32_MAX, 0xFFFF}, {"-", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string script = std::string(c.text) + " " + c.text;
    const VString text(script.c_str());
    BeginScript(text);
    int32_t value = 123;
    EXPECT_TRUE(ReadIntValue(value));
    EXPECT_EQ(value, c.value);
    uint16_t id = 5;
    EXPECT_TRUE(ReadIdValue(id));
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(GetTokenKind(), kTokenEnd);
  }
}

TEST(TokenizerTest, ReadersRefuseWrongKinds) {
  const VString text("word");
  BeginScript(text);
  int32_t i = 7;
  uint16_t id = 7;
  float f = 7;
  EXPECT_FALSE(ReadIntValue(i));
  EXPECT_FALSE(ReadLongValue(i));
  EXPECT_FALSE(ReadIdValue(id));
  EXPECT_FALSE(ReadFloatValue(f));
  EXPECT_EQ(i, 7);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(f, 7.0f);
  EXPECT_STREQ(GetTokenText(), "word");

  const VString numbers("12 }");
  BeginScript(numbers);
  VString s("keep");
  ItemRef ref(1, 1);
  EXPECT_FALSE(ReadTextValue(s));
  EXPECT_FALSE(ReadItemRefValue(ref));
  EXPECT_STREQ(s.GetChars(), "keep");
  EXPECT_EQ(ref, ItemRef(1, 1));
  EXPECT_EQ(GetTokenNumber(), 12.0);
}

TEST(TokenizerTest, MultiNumberReaders) {
  const VString text("10 20 30 40  1.5 -2  29 2 2000");
  BeginScript(text);
  VFRect rect;
  ASSERT_TRUE(ReadRectValue(rect));
  EXPECT_EQ(rect, VFRect(10, 20, 30, 40));
  EXPECT_EQ(rect.left, 10.0f);
  EXPECT_EQ(rect.top, 20.0f);
  EXPECT_EQ(rect.right, 30.0f);
  EXPECT_EQ(rect.bottom, 40.0f);
  float a = 0;
  float b = 0;
  ASSERT_TRUE(ReadFloatPairValue(a, b));
  EXPECT_EQ(a, 1.5f);
  EXPECT_EQ(b, -2.0f);
  VTime date;
  ASSERT_TRUE(ReadDateValue(date));
  EXPECT_EQ(date.GetYear(), 2000);
  EXPECT_EQ(date.GetMonth(), 2);
  EXPECT_EQ(date.GetDay(), 29);
  EXPECT_EQ(GetTokenKind(), kTokenEnd);
}

TEST(TokenizerTest, MultiNumberReadersKeepEarlierParts) {
  const VString text("1 2 x  5 y  7 8 z");
  BeginScript(text);
  VFRect rect(-1, -1, -1, -1);
  EXPECT_FALSE(ReadRectValue(rect));
  EXPECT_EQ(rect, VFRect(1, 2, -1, -1));
  EXPECT_TRUE(AcceptKeyword("x"));
  float a = -1;
  float b = -1;
  EXPECT_FALSE(ReadFloatPairValue(a, b));
  EXPECT_EQ(a, 5.0f);
  EXPECT_EQ(b, -1.0f);
  EXPECT_TRUE(AcceptKeyword("y"));
  VTime date(1999, 12, 31);
  EXPECT_FALSE(ReadDateValue(date));
  EXPECT_EQ(date.GetDay(), 7);
  EXPECT_EQ(date.GetMonth(), 8);
  EXPECT_EQ(date.GetYear(), 1999);
  EXPECT_STREQ(GetTokenText(), "z");
}

TEST(TokenizerTest, FieldReaders) {
  const VString text(
      "ID BU001 NAME \"Great Hall\" AMBIENT 301 SCALE 0.5 POS 1 2 BOUNDS 0 0 640 480 DATE 1 1 2000 "
      "COUNT -3 REF hp123x END");
  BeginScript(text);
  ItemRef id;
  VString name;
  uint16_t ambient = 0;
  float scale = 0;
  float x = 0;
  float y = 0;
  VFRect bounds;
  VTime date;
  int32_t count = 0;
  ItemRef ref;
  int32_t missing = 55;
  EXPECT_TRUE(ReadItemRefField("id", id, false));
  EXPECT_EQ(id, ItemRef(1, 1));
  EXPECT_TRUE(ReadTextField("NAME", name, false));
  EXPECT_STREQ(name.GetChars(), "Great Hall");
  // An optional field that is absent: true, nothing consumed.
  EXPECT_TRUE(ReadIntField("VOLUME", missing, true));
  EXPECT_EQ(missing, 55);
  EXPECT_STREQ(GetTokenText(), "AMBIENT");
  EXPECT_FALSE(ReadIntField("VOLUME", missing, false));
  EXPECT_TRUE(ReadIdField("AMBIENT", ambient, false));
  EXPECT_EQ(ambient, 301);
  EXPECT_TRUE(ReadFloatField("scale", scale, false));
  EXPECT_EQ(scale, 0.5f);
  EXPECT_TRUE(ReadFloatPairField("POS", x, y, false));
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(y, 2.0f);
  EXPECT_TRUE(ReadRectField("BOUNDS", bounds, false));
  EXPECT_EQ(bounds, VFRect(0, 0, 640, 480));
  EXPECT_TRUE(ReadDateField("DATE", date, false));
  EXPECT_EQ(date.GetDayOfWeek(), 7);  // 1 January 2000, a Saturday
  EXPECT_TRUE(ReadLongField("COUNT", count, false));
  EXPECT_EQ(count, -3);
  EXPECT_TRUE(ReadItemRefField("REF", ref, false));
  EXPECT_EQ(ref, ItemRef(8, 123));
  EXPECT_TRUE(AcceptKeyword("END"));
  EXPECT_EQ(GetTokenKind(), kTokenEnd);
}

TEST(TokenizerTest, FieldWithMissingValueFails) {
  // The keyword is consumed, the value is not there: false, whatever optional says.
  const VString text("AMBIENT NAME 3");
  BeginScript(text);
  uint16_t id = 9;
  EXPECT_FALSE(ReadIdField("AMBIENT", id, true));
  EXPECT_EQ(id, 9);
  EXPECT_STREQ(GetTokenText(), "NAME");
}

TEST(TokenizerTest, ItemRefValueIgnoresParseFailure) {
  const VString text("BU1 ZZ005");
  BeginScript(text);
  ItemRef ref(3, 3);
  EXPECT_TRUE(ReadItemRefValue(ref));
  EXPECT_EQ(ref, ItemRef(3, 3));  // too short: unchanged
  EXPECT_TRUE(ReadItemRefValue(ref));
  EXPECT_EQ(ref, ItemRef(0, 5));
  EXPECT_FALSE(ref.IsItemRefValid());
}

TEST(TokenizerTest, TextWithoutBufferReadsAsEmpty) {
  VString text;
  text.Reserve(VString::kMaxCapacity + 1);  // fails: no buffer
  ASSERT_FALSE(text.HasBuffer());
  EXPECT_EQ(BeginScript(text), kTokenEnd);
}

// A file in a fresh temporary folder, removed with the fixture.
class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tokenizer-test-" + std::to_string(getpid()) + "-" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(TextFileTest, LoadsWholeFile) {
  const std::string path = Write("script.txt", "  BUBBLE { ID BU002 }\r\n");
  VString text("old");
  EXPECT_TRUE(LoadTextFile(text, path.c_str(), false));
  EXPECT_STREQ(text.GetChars(), "  BUBBLE { ID BU002 }\r\n");
  EXPECT_TRUE(LoadTextFile(text, path.c_str(), true));
  EXPECT_STREQ(text.GetChars(), "BUBBLE { ID BU002 }");
  BeginScript(text);
  EXPECT_TRUE(OpenBlock("BUBBLE"));
}

TEST_F(TextFileTest, StopsAtZeroByte) {
  const std::string path = Write("zero.txt", std::string("abc\0def", 7));
  VString text;
  EXPECT_TRUE(LoadTextFile(text, path.c_str(), false));
  EXPECT_STREQ(text.GetChars(), "abc");
  EXPECT_EQ(text.GetLength(), 3);
}

TEST_F(TextFileTest, MissingFileGivesErrorText) {
  const std::string path = (dir_ / "missing.txt").string();
  VString text("old");
  EXPECT_FALSE(LoadTextFile(text, path.c_str(), false));
  EXPECT_EQ(std::string(text.GetChars()), "ERROR: cannot open file " + path);
  EXPECT_FALSE(LoadTextFile(text, "", true));
  EXPECT_STREQ(text.GetChars(), "ERROR: cannot open file");  // trimmed
  EXPECT_FALSE(LoadTextFile(text, nullptr, false));
  EXPECT_STREQ(text.GetChars(), "ERROR: cannot open file ");
}

TEST(TextMediaTest, LoadsScriptFromArchive) {
  script_test::ScopedTextArchive archive(
      {{100, std::string("  <bubble one> BUBBLE { ID BU001 AMBIENT 301 }\r\n\0", 48)},
       {101, "\"unterminated"},
       {102, "picture bytes", "RIX "}},
      "tokenizer-text-media");
  VString text("old");
  EXPECT_TRUE(LoadTextMedia(text, 100, false));
  EXPECT_STREQ(text.GetChars(), "  <bubble one> BUBBLE { ID BU001 AMBIENT 301 }\r\n");  // up to the zero byte
  EXPECT_TRUE(LoadTextMedia(text, 100, true));
  EXPECT_STREQ(text.GetChars(), "<bubble one> BUBBLE { ID BU001 AMBIENT 301 }");

  BeginScript(text);
  ItemRef id;
  uint16_t ambient = 0;
  ASSERT_TRUE(OpenBlock("BUBBLE"));
  EXPECT_TRUE(ReadItemRefField("ID", id, false));
  EXPECT_TRUE(ReadIdField("AMBIENT", ambient, false));
  EXPECT_TRUE(CloseBlock());
  EXPECT_EQ(id, ItemRef(1, 1));
  EXPECT_EQ(ambient, 301);
  EXPECT_EQ(GetTokenKind(), kTokenEnd);

  EXPECT_TRUE(LoadTextMedia(text, 101, false));
  EXPECT_EQ(Tokenize(text), (std::vector<Token>{{3, "unterminated"}, {6, ""}}));
}

TEST(TextMediaTest, MissingMediumLeavesStringEmpty) {
  script_test::ScopedTextArchive archive({{100, "x"}}, "tokenizer-missing-media");
  VString text("old");
  EXPECT_FALSE(LoadTextMedia(text, 555, true));
  EXPECT_TRUE(text.IsEmpty());
  ScopedMediaArchive none(nullptr);
  text.Assign("old");
  EXPECT_FALSE(LoadTextMedia(text, 100, false));
  EXPECT_TRUE(text.IsEmpty());
}

}  // namespace
