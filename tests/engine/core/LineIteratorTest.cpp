#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/VLineIterator.h"

namespace {

std::string Text(const VString& s) { return s.GetChars() ? std::string(s.GetChars(), s.GetLength()) : std::string(); }

// Walks the whole source with First/NextLine, stopping after 100 lines so
// that a walk that never ends fails instead of hanging.
std::vector<std::string> Walk(VLineIterator& lines) {
  std::vector<std::string> result;
  VString line;
  for (bool more = lines.First(line); more && result.size() < 100; more = lines.NextLine(line)) {
    result.push_back(Text(line));
  }
  return result;
}

}  // namespace

TEST(LineIterator, SplitsAfterEachLineFeed) {
  struct Row {
    const char* text;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"a\nb", {"a\n", "b"}},
      {"", {}},
      {"a\nb\n", {"a\n", "b\n"}},  // no empty line after a final LF
      {"x\r\ny\r\n", {"x\r\n", "y\r\n"}},
      {"\n\n", {"\n", "\n"}},
      {"one line", {"one line"}},
      {"cr\ronly", {"cr\ronly"}},
  };
  for (const Row& row : rows) {
    const VString source(row.text);
    VStringLineIterator lines(source);
    EXPECT_EQ(Walk(lines), row.lines) << row.text;
    EXPECT_TRUE(lines.IsAtEnd());
  }
}

TEST(LineIterator, EndClearsTheLineAndStaysAtTheEnd) {
  const VString source("a\nb");
  VStringLineIterator lines(source);
  VString line;
  ASSERT_TRUE(lines.First(line));
  EXPECT_EQ(lines.GetPosition(), 0);
  ASSERT_TRUE(lines.NextLine(line));
  EXPECT_EQ(Text(line), "b");
  EXPECT_EQ(lines.GetPosition(), 2);
  EXPECT_EQ(Text(lines.CurrentLine()), "b");
  EXPECT_FALSE(lines.NextLine(line));
  EXPECT_EQ(Text(line), "");
  EXPECT_TRUE(lines.IsAtEnd());
  EXPECT_EQ(Text(lines.CurrentLine()), "");
  EXPECT_FALSE(lines.NextLine(line));
  EXPECT_FALSE(lines.GetLine(line));
}

TEST(LineIterator, CountsLinesAcrossRewinds) {
  const VString source("1\n2\n3");
  VStringLineIterator lines(source);
  EXPECT_EQ(lines.GetLineCount(), 0);
  EXPECT_EQ(Walk(lines).size(), 3u);
  EXPECT_EQ(lines.GetLineCount(), 3);
  EXPECT_TRUE(lines.Rewind());
  EXPECT_FALSE(lines.IsAtEnd());
  EXPECT_EQ(Text(lines.CurrentLine()), "1\n");
  EXPECT_EQ(lines.GetLineCount(), 4);
}

TEST(LineIterator, ZeroByteEndsTheText) {
  // A zero byte inside the counted length (as raw file data can leave it)
  // ends the walk instead of yielding the same empty line forever.
  VString source("ab\ncXd\nef");
  const_cast<uint8_t*>(source.GetCountedChars())[1 + 4] = 0;
  VStringLineIterator lines(source);
  EXPECT_EQ(Walk(lines), (std::vector<std::string>{"ab\n", "c"}));
  EXPECT_TRUE(lines.IsAtEnd());

  VString leading("Xabc");
  const_cast<uint8_t*>(leading.GetCountedChars())[1] = 0;
  VStringLineIterator none(leading);
  VString line;
  EXPECT_FALSE(none.First(line));
}

TEST(LineIterator, SourceShortenedDuringTheWalk) {
  VString source("first\nsecond\nthird\n");
  VStringLineIterator lines(source);
  VString line;
  ASSERT_TRUE(lines.First(line));
  source.Truncate(3);
  EXPECT_FALSE(lines.NextLine(line));
  EXPECT_TRUE(lines.IsAtEnd());
}

TEST(LineIterator, LongLinesBeyondTheInitialCapacity) {
  const std::string longLine(5000, 'w');
  const VString source((longLine + "\nshort").c_str());
  VStringLineIterator lines(source);
  EXPECT_EQ(Walk(lines), (std::vector<std::string>{longLine + "\n", "short"}));
}
