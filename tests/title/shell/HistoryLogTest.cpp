// The visit history in history.log, against an independent Python model of
// the file (tests/data/history_log_model.py): the layout after a table of
// set and get calls, the repair of short, long and foreign files, and the
// places where no file can be kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ShellTestSupport.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "title/shell/HistoryLog.h"

namespace {

class HistoryLogTest : public shelltest::ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    python_ = testsupport::RequireTool("python3");
  }

  // The model's file after setting the flags, from fresh or from `old`.
  std::string Model(const std::vector<std::pair<std::string, int>>& sets, const std::string& old = "") {
    std::string command = "'" + python_ + "' '" + std::string(OSTREVAN_SOURCE_DIR) +
                          "/tests/data/history_log_model.py' '" + Path("model.log") + "'";
    if (!old.empty()) {
      testsupport::WriteBytes(Path("old.log"), old);
      command += " '" + Path("old.log") + "'";
    }
    command += " --";
    for (const auto& [code, number] : sets) command += " " + code + " " + std::to_string(number);
    EXPECT_EQ(std::system(command.c_str()), 0);
    return testsupport::ReadBytes(Path("model.log"));
  }

  static ItemRef Item(const std::string& code, int number) { return ItemRef(FindCategoryCode(code.c_str()), number); }

  std::string python_;
};

TEST_F(HistoryLogTest, FlagOffsets) {
  EXPECT_EQ(HistoryLog::FlagOffset(1, 1), 4);  // BU001
  EXPECT_EQ(HistoryLog::FlagOffset(1, 0), 3);
  // TL999: 1005 x 11 + 3 + 999, two bytes before the end (CR LF).
  EXPECT_EQ(HistoryLog::FlagOffset(12, 999), 12057);
  EXPECT_EQ(HistoryLog::kFileLength, 12060);
  EXPECT_EQ(HistoryLog::FreshContents(), Model({}));
}

// A table of calls in order; after each the file equals the model's of the
// flags set so far, and every get answers what was set.
TEST_F(HistoryLogTest, FileAfterSetsAndGetsMatchesTheModel) {
  HistoryLog history(Path("history.log"));
  EXPECT_FALSE(testsupport::FileExists(Path("history.log")));
  // A get in a fresh installation creates the whole file.
  EXPECT_FALSE(history.GetFlag(Item("BU", 1)));
  EXPECT_EQ(testsupport::ReadBytes(Path("history.log")), Model({}));

  const std::vector<std::pair<std::string, int>> calls = {
      {"BU", 1}, {"TL", 999}, {"BU", 0}, {"EV", 17}, {"PE", 500}, {"BU", 1}, {"SH", 999}, {"HP", 3}, {"ST", 0}};
  std::vector<std::pair<std::string, int>> set;
  for (const auto& call : calls) {
    EXPECT_TRUE(history.SetFlag(Item(call.first, call.second))) << call.first << call.second;
    set.push_back(call);
    const std::string contents = testsupport::ReadBytes(Path("history.log"));
    ASSERT_EQ(contents, Model(set)) << "after " << call.first << call.second;
  }
  const std::string contents = testsupport::ReadBytes(Path("history.log"));
  ASSERT_EQ(contents.size(), 12060u);
  EXPECT_EQ(contents[4], '1');      // BU001
  EXPECT_EQ(contents[12057], '1');  // TL999
  for (const auto& call : calls) EXPECT_TRUE(history.GetFlag(Item(call.first, call.second)));
  for (const auto& unset : std::vector<std::pair<std::string, int>>{{"BU", 2}, {"TL", 998}, {"BH", 1}, {"DF", 0}}) {
    EXPECT_FALSE(history.GetFlag(Item(unset.first, unset.second))) << unset.first << unset.second;
  }
  // Invalid items are not kept and touch nothing.
  EXPECT_FALSE(history.SetFlag(ItemRef(13, 1)));
  EXPECT_FALSE(history.SetFlag(ItemRef(1, 1000)));
  EXPECT_FALSE(history.GetFlag(ItemRef(0, 0)));
  EXPECT_EQ(testsupport::ReadBytes(Path("history.log")), contents);
}

// Registered as the engine's history, items mark and ask through it.
TEST_F(HistoryLogTest, ItemReferencesReachTheFile) {
  HistoryLog history(Path("history.log"));
  ScopedVisitHistory scope(&history);
  EXPECT_TRUE(SetHistoryFlag(Item("VI", 1)));
  EXPECT_TRUE(GetHistoryFlag(Item("VI", 1)));
  EXPECT_TRUE(Item("VI", 1).IsItemVisited());
  EXPECT_EQ(testsupport::ReadBytes(Path("history.log")), Model({{"VI", 1}}));
}

// Files of the wrong size or not of the history are repaired before a flag
// is written, never written at an offset that is not the item's.
TEST_F(HistoryLogTest, WrongFilesAreRepaired) {
  std::string valid = Model({{"BU", 1}, {"DF", 5}, {"TL", 999}, {"AS", 10}});
  std::string wrongHeader = valid;
  wrongHeader.replace(static_cast<size_t>(HistoryLog::kLineLength) * 2, 3, "XX ");  // DF's line
  std::string badFlags = valid;
  badFlags[100] = 'x';
  badFlags[1005 * 4 + 10] = '\0';
  std::string noLineEnds = valid;
  noLineEnds[1003] = 'a';
  const struct {
    const char* name;
    std::string old;
  } cases[] = {
      {"empty", ""},
      {"short", valid.substr(0, 5000)},
      {"cut inside a header", valid.substr(0, 1006)},
      {"long", valid + "extra text at the end\r\n"},
      {"foreign", std::string(20000, 'z')},
      {"foreign, short", "Hallo Welt"},
      {"wrong header", wrongHeader},
      {"bad flag characters", badFlags},
      {"line end damaged", noLineEnds},
      {"lines shifted by one", "B" + valid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::WriteBytes(Path("history.log"), c.old);
    HistoryLog history(Path("history.log"));
    EXPECT_TRUE(history.SetFlag(Item("HP", 7)));
    EXPECT_EQ(testsupport::ReadBytes(Path("history.log")), Model({{"HP", 7}}, c.old));
    EXPECT_FALSE(testsupport::FileExists(Path("history.log.new")));
  }
}

// A file changed behind the history's back (cut short while the title runs)
// is seen at the next access.
TEST_F(HistoryLogTest, FileCutWhileRunningIsRepairedAtTheNextAccess) {
  HistoryLog history(Path("history.log"));
  ASSERT_TRUE(history.SetFlag(Item("BU", 1)));
  std::filesystem::resize_file(Path("history.log"), 2000);
  EXPECT_TRUE(history.SetFlag(Item("TL", 999)));
  EXPECT_EQ(testsupport::ReadBytes(Path("history.log")), Model({{"BU", 1}, {"TL", 999}}));
}

// Where no file can be kept every flag reads "not seen", setting fails, and
// the reason is told once, not at every call.
TEST_F(HistoryLogTest, NoFileMeansNotSeenWithOneNotice) {
  std::filesystem::create_directories(Path("history.log"));  // a folder of that name
  const struct {
    const char* name;
    std::string path;
  } places[] = {
      {"read-only file system", "/proc/self/history.log"},
      {"folder of the name", Path("history.log")},
      {"folder missing", Path("missing/history.log")},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.name);
    HistoryLog history(place.path);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 50; ++i) {
      EXPECT_FALSE(history.GetFlag(Item("BU", i)));
      EXPECT_FALSE(history.SetFlag(Item("BU", i)));
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("history.log"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_directory(Path("history.log")));
  EXPECT_FALSE(testsupport::FileExists(Path("missing")));
}

}  // namespace
