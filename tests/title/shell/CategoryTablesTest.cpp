// The title's category tables read from TEXT media, against an independent
// Python reader of the table text (tests/data/category_table_model.py), and
// what the engine's accessor makes of their entries.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "engine/archive/MediaArchive.h"
#include "engine/script/CategoryTables.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "title/shell/MuseumCategoryTables.h"

namespace {

using shelltest::UniformTable;

// n entries "v," written by `entry(i)`.
template <typename Entry>
std::string Table(int n, Entry entry) {
  std::string text;
  for (int i = 0; i < n; ++i) text += entry(i);
  return text;
}

class CategoryTablesTest : public shelltest::ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    python_ = testsupport::RequireTool("python3");
  }

  // Builds an archive of the lines and makes it the one archive every media
  // id comes from, until the test ends.
  void ServeOnly(const std::string& name, const std::vector<std::string>& lines) {
    ASSERT_TRUE(BuildArchive(name, lines));
    ASSERT_TRUE(archive_.OpenArchive(VFileSpec(Path(name).c_str()), false));
    scope_ = std::make_unique<ScopedMediaArchive>(&archive_);
    SetMediaArchiveRouter(nullptr);
  }

  // The model's verdict and entries for a table text.
  bool Model(const std::string& text, std::vector<int32_t>& entries) {
    testsupport::WriteBytes(Path("model-input.txt"), text);
    const std::string out = testsupport::Capture("'" + python_ + "' '" + std::string(OSTREVAN_SOURCE_DIR) +
                                                 "/tests/data/category_table_model.py' '" +
                                                 Path("model-input.txt") + "'");
    std::istringstream lines(out);
    std::string verdict;
    lines >> verdict;
    entries.clear();
    long long value = 0;
    while (lines >> value) entries.push_back(static_cast<int32_t>(value));
    EXPECT_EQ(entries.size(), 1000u);
    return verdict == "ok";
  }

  std::string python_;
  MediaArchive archive_;
  std::unique_ptr<ScopedMediaArchive> scope_;
};

TEST_F(CategoryTablesTest, ParserCasesMatchTheModel) {
  const std::string ones = Table(1000, [](int i) { return std::to_string(i) + ","; });
  const struct {
    const char* name;
    std::string text;
    bool loads;
  } cases[] = {
      {"1000 numbers", ones, true},
      {"none everywhere", UniformTable(-1), true},
      {"fractions truncated toward zero",
       Table(1000, [](int i) { return i % 2 ? std::string("12.9,") : std::string("-3.5,"); }), true},
      {"white space and comments", Table(1000, [](int i) { return " <item " + std::to_string(i) + ">\r\n\t" + std::to_string(i) + " , "; }), true},
      {"extra text after the last comma", ones + " 17, garbage {{ \"", true},
      {"999 numbers", Table(999, [](int) { return std::string("5,"); }), false},
      {"no comma after the 1000th", ones.substr(0, ones.size() - 1), false},
      {"missing comma in the middle", "1,2 3," + ones, false},
      {"plus sign", "1,+2," + ones, false},
      {"a word", "1,2,three," + ones, false},
      {"empty", "", false},
      {"garbage", "\x01\xFF{{}},,", false},
      {"forms without digits", Table(1000, [](int i) { return std::string(i % 3 == 0 ? "-," : i % 3 == 1 ? ".," : "5.,"); }), true},
      {"huge numbers held to 32 bits",
       Table(1000, [](int i) { return std::string(i % 2 ? "99999999999," : "-99999999999.5,"); }), true},
      {"comment never closed", "1,2,<open" + ones, false},
  };
  uint16_t id = 1;
  std::vector<std::string> lines;
  for (const auto& c : cases) {
    const std::string file = "case" + std::to_string(id) + ".txt";
    WriteFile(file, c.text);
    lines.push_back(std::to_string(id) + " 40 \"" + Path(file) + "\" 0");
    ++id;
  }
  ASSERT_NO_FATAL_FAILURE(ServeOnly("cases.msf", lines));

  MuseumCategoryTables tables;
  id = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int32_t> expected;
    const bool modelLoads = Model(c.text, expected);
    EXPECT_EQ(modelLoads, c.loads);
    EXPECT_EQ(tables.LoadCategoryTable(7, id), c.loads);
    std::vector<int32_t> got;
    for (int i = 0; i < 1000; ++i) got.push_back(tables.GetEntry(7, i));
    EXPECT_EQ(got, expected);
    ++id;
  }
  // A TEXT medium that is missing fails and leaves the table all -1.
  EXPECT_FALSE(tables.LoadCategoryTable(7, 999));
  EXPECT_EQ(tables.GetEntry(7, 0), -1);
  EXPECT_EQ(tables.GetEntry(7, 999), -1);
  // No such table.
  EXPECT_FALSE(tables.LoadCategoryTable(13, 1));
  EXPECT_EQ(tables.GetEntry(13, 0), -1);
}

// Every table is loaded from the TEXT medium of its number, all of them
// even after one failed; the result says whether all did.
TEST_F(CategoryTablesTest, AllTwelveAttemptedInTheirOrder) {
  std::vector<std::string> lines = TableLines([](int t) {
    return t == 10 ? std::string("broken") : UniformTable(100 + t);  // 10 is read first
  });
  ASSERT_NO_FATAL_FAILURE(ServeOnly("tables.msf", lines));
  MuseumCategoryTables tables;
  EXPECT_FALSE(tables.LoadCategoryTables());
  for (int t = 1; t <= 12; ++t) {
    EXPECT_EQ(tables.GetEntry(t, 0), t == 10 ? -1 : 100 + t) << t;
    EXPECT_EQ(tables.GetEntry(t, 999), t == 10 ? -1 : 100 + t) << t;
  }
}

// Through the engine's one accessor, 0 and -1 both mean "no content".
TEST_F(CategoryTablesTest, ZeroAndMinusOneAreNoneThroughTheAccessor) {
  std::vector<std::string> lines = TableLines([](int t) {
    return t == 6 ? Table(1000, [](int i) { return std::string(i == 0 ? "0," : i == 1 ? "-1," : i == 2 ? "-3.5," : "18500,"); })
                  : UniformTable(-1);
  });
  ASSERT_NO_FATAL_FAILURE(ServeOnly("tables.msf", lines));
  MuseumCategoryTables tables;
  ASSERT_TRUE(tables.LoadCategoryTables());
  ScopedCategoryTables registered(&tables);
  EXPECT_EQ(GetItemBaseMediaId(6, 0), 0);
  EXPECT_EQ(GetItemBaseMediaId(6, 1), 0);
  EXPECT_EQ(GetItemBaseMediaId(6, 2), 0);
  EXPECT_EQ(GetItemBaseMediaId(6, 3), 18500);
  EXPECT_EQ(GetItemBaseMediaId(1, 5), 0);
}

}  // namespace
