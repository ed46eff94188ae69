#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/VString.h"

namespace {

// The buffer's two forms agree with the length after every operation.
void ExpectInvariants(const VString& s) {
  ASSERT_TRUE(s.HasBuffer());
  EXPECT_LE(s.GetLength(), s.GetCapacity());
  EXPECT_GE(s.GetCapacity(), VString::kMinCapacity);
  const uint8_t* counted = s.GetCountedChars();
  EXPECT_EQ(counted[0], std::min(s.GetLength(), 255));
  EXPECT_EQ(counted[s.GetLength() + 1], 0);
  EXPECT_EQ(static_cast<int32_t>(std::strlen(s.GetChars())), s.GetLength());
}

std::string Text(const VString& s) { return s.GetChars() ? std::string(s.GetChars(), s.GetLength()) : std::string(); }

VString Make(const char* text) { return VString(text); }

}  // namespace

// --- Capacity and buffer ----------------------------------------------------

TEST(StringCapacity, ReserveFollowsTheRule) {
  struct Row {
    int32_t request;
    int32_t capacity;
  };
  const Row rows[] = {{-5, 128},     {0, 128},      {1, 128},       {128, 128},     {129, 256},
                      {1000, 1024},  {1024, 1024},  {32768, 32768}, {32769, 65536}, {65534, 65536},
                      {70000, 131072}};
  for (const Row& row : rows) {
    VString s(0);
    EXPECT_TRUE(s.Reserve(row.request)) << row.request;
    EXPECT_EQ(s.GetCapacity(), row.capacity) << row.request;
    ExpectInvariants(s);
    EXPECT_EQ(VString(row.request).GetCapacity(), row.capacity) << row.request;
  }
  EXPECT_EQ(VString::CapacityFor(int64_t{VString::kMaxCapacity}), VString::kMaxCapacity);
  EXPECT_EQ(VString::CapacityFor(int64_t{VString::kMaxCapacity} + 1), 0);
  EXPECT_EQ(VString::CapacityFor(int64_t{1} << 40), 0);
}

TEST(StringCapacity, LengthByteCapsAt255) {
  VString s(std::string(300, 'x').c_str());
  EXPECT_EQ(s.GetLength(), 300);
  EXPECT_EQ(s.GetCountedChars()[0], 255);
  s.AppendChar('y');
  EXPECT_EQ(s.GetLength(), 301);
  EXPECT_EQ(s.GetCountedChars()[0], 255);
  ExpectInvariants(s);
  s.Truncate(200);
  EXPECT_EQ(s.GetCountedChars()[0], 200);
  ExpectInvariants(s);
}

TEST(StringCapacity, ClearAndShrinkingReserve) {
  VString s(1000);
  s.Assign(std::string(900, 'a').c_str());
  EXPECT_EQ(s.GetCapacity(), 1024);
  s.Reserve(10);  // shrinks to 128 and keeps what fits
  EXPECT_EQ(s.GetCapacity(), 128);
  EXPECT_EQ(s.GetLength(), 128);
  ExpectInvariants(s);

  s.Reserve(5000);
  EXPECT_EQ(s.GetCapacity(), 8192);
  EXPECT_EQ(s.GetLength(), 128);
  s.Clear();
  EXPECT_EQ(s.GetCapacity(), 128);
  EXPECT_EQ(s.GetLength(), 0);
  ExpectInvariants(s);
}

TEST(StringCapacity, GrowthThroughAppendKeepsContentAcrossAllocators) {
  // Crosses from the ordinary heap to the large-block allocator and back.
  VString s;
  std::string expected;
  for (int i = 0; i < 70000; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    s.AppendChar(c);
    expected.push_back(c);
  }
  EXPECT_EQ(s.GetCapacity(), 131072);
  EXPECT_EQ(Text(s), expected);
  ExpectInvariants(s);
  s.Truncate(10);
  s.Reserve(0);
  EXPECT_EQ(s.GetCapacity(), 128);
  EXPECT_EQ(Text(s), expected.substr(0, 10));
}

TEST(StringCapacity, FailedReserveLeavesNoBufferAndRecovers) {
  VString s("keep");
  EXPECT_FALSE(s.Reserve(VString::kMaxCapacity + 1));
  EXPECT_FALSE(s.HasBuffer());
  EXPECT_EQ(s.GetChars(), nullptr);
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.GetCapacity(), 0);
  // Every operation copes with the missing buffer.
  EXPECT_EQ(s.GetCharAt(0), 0);
  EXPECT_FALSE(s.Equals(""));
  EXPECT_FALSE(s.Equals(VString("")));
  EXPECT_FALSE(s.IsGreaterThan(VString("a")));
  EXPECT_TRUE(VString("a").IsGreaterThan(s));
  EXPECT_FALSE(s.Contains("a"));
  EXPECT_FALSE(s.StartsWith("a"));
  int32_t value = 5;
  EXPECT_FALSE(s.ToInteger(value));
  EXPECT_EQ(value, 0);
  s.Trim();
  s.CollapseSpaces();
  s.ToLower();
  s.RemoveExtension();
  s.Truncate(0);
  EXPECT_TRUE(s.Delete(0, 3));
  VString out("x");
  EXPECT_TRUE(s.Mid(out, 0, 3));
  EXPECT_EQ(Text(out), "");
  s.GetFileName(out);
  EXPECT_EQ(Text(out), "");
  VString copy(s);
  ExpectInvariants(copy);
  // The next writing operation reserves again.
  s.Append("back");
  EXPECT_EQ(Text(s), "back");
  ExpectInvariants(s);
}

TEST(StringBuffer, ConstructFromTextWithMaximum) {
  struct Row {
    const char* text;
    int32_t maximum;
    const char* expected;
  };
  const Row rows[] = {{"hello", 3, "hel"}, {"hello", 10, "hello"}, {"hello", 0, ""},
                      {"hello", -4, ""},   {nullptr, 5, ""},       {"", 5, ""}};
  for (const Row& row : rows) {
    VString s(row.text, row.maximum);
    EXPECT_EQ(Text(s), row.expected);
    ExpectInvariants(s);
  }
  // The maximum bounds the read: a text without a terminator is safe.
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(Text(VString(unterminated, 3)), "abc");
}

TEST(StringBuffer, LockAndUnlock) {
  VString s;
  char* chars = s.LockBuffer(300);
  ASSERT_NE(chars, nullptr);
  EXPECT_EQ(s.GetCapacity(), 512);
  std::strcpy(chars, "written");
  s.UnlockBuffer();
  EXPECT_EQ(Text(s), "written");
  ExpectInvariants(s);

  // Filling the whole capacity without a terminator stops at the capacity.
  VString full;
  chars = full.LockBuffer(1);
  std::memset(chars, 'z', static_cast<size_t>(full.GetCapacity()));
  full.UnlockBuffer();
  EXPECT_EQ(full.GetLength(), 128);
  ExpectInvariants(full);

  // Not locked: the length comes from the length byte, up to the first zero.
  VString counted("abcdef");
  const_cast<uint8_t*>(counted.GetCountedChars())[0] = 3;
  counted.UnlockBuffer();
  EXPECT_EQ(Text(counted), "abc");
  VString zero("abcdef");
  const_cast<uint8_t*>(zero.GetCountedChars())[3] = 0;
  zero.UnlockBuffer();
  EXPECT_EQ(Text(zero), "ab");
}

TEST(StringBuffer, CopyAndMove) {
  VString a(std::string(2000, 'q').c_str());
  VString b(a);
  EXPECT_TRUE(b.Equals(a));
  EXPECT_EQ(b.GetCapacity(), a.GetCapacity());
  b = b;  // self-assignment keeps the text
  EXPECT_TRUE(b.Equals(a));
  VString c(std::move(b));
  EXPECT_TRUE(c.Equals(a));
  EXPECT_FALSE(b.HasBuffer());  // NOLINT(bugprone-use-after-move)
  b.Assign("again");
  EXPECT_EQ(Text(b), "again");
  c = std::move(b);
  EXPECT_EQ(Text(c), "again");
}

TEST(StringBuffer, GetCharAt) {
  const VString s("ab\xE4");
  EXPECT_EQ(s.GetCharAt(0), 'a');
  EXPECT_EQ(s.GetCharAt(2), 0xE4);
  EXPECT_EQ(s.GetCharAt(3), 0);
  EXPECT_EQ(s.GetCharAt(1000), 0);
  EXPECT_EQ(s.GetCharAt(-1), 0);
}

// --- Assigning and appending ----------------------------------------------

TEST(StringAppend, AssignAppendAndConcat) {
  VString s;
  s.Assign("abc");
  s.Append(VString("def"));
  s.Append(static_cast<const char*>(nullptr));
  s.AppendChar('g');
  s.AppendChar(0);
  EXPECT_EQ(Text(s), "abcdefg");
  ExpectInvariants(s);
  s.Assign(static_cast<const char*>(nullptr));
  EXPECT_EQ(Text(s), "");
  EXPECT_EQ(s.GetCapacity(), 128);

  VString out("old");
  VString("stem").Concat(out, ".ext");
  EXPECT_EQ(Text(out), "stem.ext");
  out.Concat(out, "!");
  EXPECT_EQ(Text(out), "stem.ext!");
}

TEST(StringAppend, AliasedSourcesAreSafe) {
  VString s(std::string(100, 'a').c_str());
  s.Append(s);  // grows past the capacity while reading itself
  EXPECT_EQ(Text(s), std::string(200, 'a'));
  s.Assign("xy");
  s.Append(s.GetChars());
  EXPECT_EQ(Text(s), "xyxy");
  s.Assign(s.GetChars() + 2);
  EXPECT_EQ(Text(s), "xy");
  s.Insert(s, 1);
  EXPECT_EQ(Text(s), "xxyy");
  ExpectInvariants(s);
}

TEST(StringAppend, AppendIntegerAgreesWithPrintf) {
  const int32_t values[] = {0,          1,          -1,      9,       10,       -10,     99,      100,
                            123456789,  -123456789, 1000000000, 999999999, -999999999, INT32_MAX,
                            INT32_MIN,  INT32_MIN + 1};
  for (int32_t value : values) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d", value);
    VString s("n=");
    s.AppendInteger(value);
    EXPECT_EQ(Text(s), std::string("n=") + expected);
    ExpectInvariants(s);
    s.AssignInteger(value);
    EXPECT_EQ(Text(s), expected);
  }
  VString minimum;
  minimum.AppendInteger(INT32_MIN);
  EXPECT_EQ(Text(minimum), "-2147483648");
}

TEST(StringAppend, AppendDoubleUsesExponentForm) {
  const double values[] = {0.0,     -0.0,   1.0,    -1.5,    123456.789, 1e-7, 6.02214076e23, 1e308,
                           -1e-308, 4.9e-324, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (double value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.6E", value);
    VString s;
    s.AppendDouble(value);
    EXPECT_EQ(Text(s), expected);
    ExpectInvariants(s);
  }
  VString s;
  s.AppendDouble(1.0);
  EXPECT_EQ(Text(s), "1.000000E+00");
}

TEST(StringEdit, Insert) {
  struct Row {
    const char* insert;
    int32_t index;
    const char* expected;
  };
  const Row rows[] = {{"XY", -3, "XYabcdef"}, {"XY", 0, "XYabcdef"},   {"XY", 3, "abcXYdef"},
                      {"XY", 6, "abcdefXY"},  {"XY", 100, "abcdefXY"}, {"", 2, "abcdef"}};
  for (const Row& row : rows) {
    VString s("abcdef");
    s.Insert(VString(row.insert), row.index);
    EXPECT_EQ(Text(s), row.expected) << row.index;
    ExpectInvariants(s);
  }
  VString big(std::string(127, 'b').c_str());
  big.Insert(VString("12"), 5);
  EXPECT_EQ(big.GetCapacity(), 256);
  EXPECT_EQ(Text(big), std::string(5, 'b') + "12" + std::string(122, 'b'));
}

TEST(StringEdit, Delete) {
  struct Row {
    int32_t index;
    int32_t count;
    bool result;
    const char* expected;
  };
  const Row rows[] = {{-1, 1, false, "abcdef"}, {7, 0, false, "abcdef"}, {0, -1, false, "abcdef"},
                      {6, 0, true, "abcdef"},   {6, 5, true, "abcdef"},  {2, 0, true, "abcdef"},
                      {2, 2, true, "abef"},     {2, 100, true, "ab"},    {0, INT32_MAX, true, ""}};
  for (const Row& row : rows) {
    VString s("abcdef");
    EXPECT_EQ(s.Delete(row.index, row.count), row.result) << row.index << "," << row.count;
    EXPECT_EQ(Text(s), row.expected) << row.index << "," << row.count;
    ExpectInvariants(s);
  }
}

TEST(StringEdit, Mid) {
  struct Row {
    int32_t index;
    int32_t count;
    bool result;
    const char* expected;
  };
  const Row rows[] = {{-2, 3, true, "abc"},  {2, 2, true, "cd"},          {4, 100, true, "ef"},
                      {6, 3, true, ""},      {7, 1, false, "unchanged"},  {1, -1, false, "unchanged"},
                      {0, 0, true, ""},      {1, INT32_MAX, true, "bcdef"}};
  for (const Row& row : rows) {
    const VString s("abcdef");
    VString out("unchanged");
    EXPECT_EQ(s.Mid(out, row.index, row.count), row.result) << row.index << "," << row.count;
    EXPECT_EQ(Text(out), row.expected) << row.index << "," << row.count;
    ExpectInvariants(out);
  }
  VString self("abcdef");
  EXPECT_TRUE(self.Mid(self, 2, 3));
  EXPECT_EQ(Text(self), "cde");
  ExpectInvariants(self);

  // The output grows when the piece does not fit.
  const VString long_(std::string(1000, 'm').c_str());
  VString small;
  EXPECT_TRUE(long_.Mid(small, 100, 600));
  EXPECT_EQ(small.GetLength(), 600);
  EXPECT_GE(small.GetCapacity(), 600);
  ExpectInvariants(small);
}

TEST(StringEdit, TruncateIgnoresBadLengths) {
  const int32_t bad[] = {-1, 6, 7, INT32_MAX};
  for (int32_t n : bad) {
    VString s("abcdef");
    s.Truncate(n);
    EXPECT_EQ(Text(s), "abcdef") << n;
  }
  VString s("abcdef");
  s.Truncate(0);
  EXPECT_EQ(Text(s), "");
}

// --- Comparison and search --------------------------------------------------

TEST(StringCompare, Equals) {
  EXPECT_TRUE(Make("abc").Equals("abc"));
  EXPECT_FALSE(Make("abc").Equals("ABC"));
  EXPECT_FALSE(Make("abc").Equals("ab"));
  EXPECT_FALSE(Make("abc").Equals("abcd"));
  EXPECT_FALSE(Make("abc").Equals(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(Make("").Equals(""));
  EXPECT_TRUE(Make("").Equals(VString()));
  EXPECT_TRUE(Make("abc").Equals(VString("abc")));
  EXPECT_FALSE(Make("abc").Equals(VString("abd")));
}

TEST(StringCompare, IsGreaterThan) {
  struct Row {
    const char* a;
    const char* b;
    bool greater;
  };
  const Row rows[] = {{"b", "a", true},   {"a", "b", false},     {"abc", "ab", true}, {"ab", "abc", false},
                      {"abc", "abc", false}, {"", "a", false},   {"a", "", true},     {"", "", false},
                      {"\xE4", "z", true},   {"Z", "a", false}};
  for (const Row& row : rows) {
    EXPECT_EQ(Make(row.a).IsGreaterThan(Make(row.b)), row.greater) << row.a << " > " << row.b;
  }
}

TEST(StringSearch, FindFromAndContains) {
  struct Row {
    const char* text;
    const char* find;
    int32_t start;
    bool found;
    int32_t position;
  };
  const Row rows[] = {
      {"Hello World", "world", 0, true, 6},  {"Hello World", "WORLD", -5, true, 6},
      {"Hello World", "o", 5, true, 7},      {"Hello World", "o", 4, true, 4},
      {"Hello World", "xyz", 0, false, 9},   {"Hello World", "", 0, false, 0},
      {"", "a", 0, false, 0},                {"abc", "c", 3, false, 3},
      {"abc", "abcd", 0, false, 0},          {"a@b", "`", 0, false, 3},  // '@'/'`' are not letters
      {"a[b", "{", 0, false, 3},             {"\xC4rger", "\xE4rger", 0, false, 1},  // no case above 127
      {"\xE4rger", "\xE4RGER", 0, true, 0},
  };
  for (const Row& row : rows) {
    int32_t position = row.start;
    EXPECT_EQ(Make(row.text).FindFrom(Make(row.find), position), row.found) << row.text << " / " << row.find;
    EXPECT_EQ(position, row.position) << row.text << " / " << row.find;
    if (row.start == 0) {
      EXPECT_EQ(Make(row.text).Contains(row.find), row.found) << row.text;
    }
  }
}

TEST(StringSearch, StartsWith) {
  struct Row {
    const char* text;
    const char* prefix;
    bool result;
  };
  const Row rows[] = {{"abcdef", "ABC", true}, {"abc", "abcdef", true}, {"abc", "", true}, {"", "", false},
                      {"", "a", false},        {"abc", "abd", false},   {"abc", nullptr, true}};
  for (const Row& row : rows) {
    EXPECT_EQ(Make(row.text).StartsWith(row.prefix), row.result) << row.text;
  }
}

TEST(StringSearch, ReplaceAll) {
  struct Row {
    const char* text;
    const char* find;
    const char* replacement;
    bool result;
    const char* expected;
  };
  const Row rows[] = {
      {"a.b.c", ".", "::", true, "a::b::c"},
      {"Cat cat CAT", "cat", "dog", true, "dog dog dog"},
      {"aaa", "a", "aa", true, "aaaaaa"},  // the replacement is not searched again
      {"aaaa", "aa", "b", true, "bb"},
      {"abc", "x", "y", false, "abc"},
      {"abc", "", "y", false, "abc"},
      {"", "a", "y", false, ""},
      {"abcabc", "abc", "", true, ""},
      {"xabcx", "ABC", "", true, "xx"},
  };
  for (const Row& row : rows) {
    VString s(row.text);
    EXPECT_EQ(s.ReplaceAll(row.find, row.replacement), row.result) << row.text;
    EXPECT_EQ(Text(s), row.expected) << row.text;
    ExpectInvariants(s);
  }
  // Growth beyond the capacity and replacing with the string itself.
  VString s(std::string(100, 'x').c_str());
  EXPECT_TRUE(s.ReplaceAll("x", "yyy"));
  EXPECT_EQ(Text(s), std::string(300, 'y'));
  EXPECT_EQ(s.GetCapacity(), 512);
  ExpectInvariants(s);
  VString self("ab");
  EXPECT_TRUE(self.ReplaceAll(self, VString("<ab>")));
  EXPECT_EQ(Text(self), "<ab>");
}

// --- Conversions ------------------------------------------------------------

TEST(StringNumbers, ToInteger) {
  struct Row {
    const char* text;
    bool result;
    int32_t value;
  };
  const Row rows[] = {
      {"abc-12x", true, -12},
      {"abc", false, 0},
      {"", false, 0},
      {"-", true, 0},
      {"+7", true, 7},
      {"x 42 43", true, 42},
      {"+-5", true, 0},
      {"--5", true, 0},
      {"007", true, 7},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      // Beyond 32 bits the value wraps modulo 2^32 instead of overflowing.
      {"2147483648", true, INT32_MIN},
      {"4294967296", true, 0},
      {"99999999999", true, static_cast<int32_t>(static_cast<uint32_t>(99999999999ull))},
      {"-99999999999", true, static_cast<int32_t>(0u - static_cast<uint32_t>(99999999999ull))},
      {"12345678901234567890", true, static_cast<int32_t>(static_cast<uint32_t>(12345678901234567890ull))},
  };
  for (const Row& row : rows) {
    int32_t value = 99;
    EXPECT_EQ(Make(row.text).ToInteger(value), row.result) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
    EXPECT_EQ(Make(row.text).GetInteger(), row.value) << row.text;
  }
  // A thousand digits: no overflow, no read past the end.
  int32_t value = 0;
  EXPECT_TRUE(Make(std::string(1000, '9').c_str()).ToInteger(value));
}

TEST(StringNumbers, ToBinary) {
  struct Row {
    const char* text;
    bool result;
    int32_t value;
  };
  const Row rows[] = {{"101", true, 5},   {"10x", true, 2},  {"x1", false, 0}, {"", false, 0},
                      {"0", true, 0},     {"11111111111111111111111111111111", true, -1},
                      {"100000000000000000000000000000000", true, 0}};  // 2^32 wraps
  for (const Row& row : rows) {
    int32_t value = 99;
    EXPECT_EQ(Make(row.text).ToBinary(value), row.result) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
}

// --- Clean-up and paths -------------------------------------------------------

TEST(StringCleanUp, CaseTrimAndCollapse) {
  VString lower("MiXeD 123 \xC4\xD6");
  lower.ToLower();
  EXPECT_EQ(Text(lower), "mixed 123 \xC4\xD6");  // bytes above 127 are left alone

  struct Row {
    const char* text;
    const char* trimmed;
    const char* collapsed;
  };
  const Row rows[] = {
      {"  a \t b\r\n\r\nc-\r\nd  ", "a \t b\r\n\r\nc-\r\nd", "a b c-d"},
      {"\t\x01x\x02y \r\n", "x\x02y", "xy"},
      {"line\r\n", "line", "line"},
      {"a \r\nb", "a \r\nb", "a b"},
      {"a\tb", "a\tb", "a b"},
      {"\xE4  \xF6", "\xE4  \xF6", "\xE4 \xF6"},
      {"   ", "", ""},
      {"", "", ""},
  };
  for (const Row& row : rows) {
    VString trimmed(row.text);
    trimmed.Trim();
    EXPECT_EQ(Text(trimmed), row.trimmed);
    ExpectInvariants(trimmed);
    VString collapsed(row.text);
    collapsed.CollapseSpaces();
    EXPECT_EQ(Text(collapsed), row.collapsed);
    ExpectInvariants(collapsed);
  }
}

TEST(StringPaths, RemoveExtensionAndGetFileName) {
  struct Row {
    const char* path;
    const char* withoutExtension;
    const char* fileName;
  };
  const Row rows[] = {
      {"file.tar.gz", "file.tar", "file.tar.gz"},
      {"dir.x/file", "dir.x/file", "file"},
      {"dir.x\\file", "dir.x\\file", "file"},
      {"C:name.txt", "C:name", "name.txt"},
      {"Media\\QV_GUI.msf", "Media\\QV_GUI", "QV_GUI.msf"},
      {".hidden", ".hidden", ".hidden"},
      {"/root", "/root", "/root"},  // the first character is not looked at
      {"dir/", "dir/", "dir/"},     // nothing follows the separator
      {"a/b/c.d", "a/b/c", "c.d"},
      {"noext", "noext", "noext"},
      {"", "", ""},
  };
  for (const Row& row : rows) {
    VString s(row.path);
    s.RemoveExtension();
    EXPECT_EQ(Text(s), row.withoutExtension) << row.path;
    ExpectInvariants(s);
    VString name("previous");
    VString(row.path).GetFileName(name);
    EXPECT_EQ(Text(name), row.fileName) << row.path;
    ExpectInvariants(name);
    VString self(row.path);
    self.GetFileName(self);
    EXPECT_EQ(Text(self), row.fileName) << row.path;
  }
}
