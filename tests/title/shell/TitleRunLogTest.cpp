// The run log's line asked for at the next frame: written when a frame
// reaches the screen, once; and the lines of late frames in a watched script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "title/shell/TitleRunLog.h"

namespace {

class TitleRunLogTest : public testing::Test {
 protected:
  void SetUp() override {
    title_run_log::SetSink([this](const std::string& line) { lines.push_back(line); });
  }
  void TearDown() override { title_run_log::SetSink(nullptr); }

  std::vector<std::string> lines;
};

TEST_F(TitleRunLogTest, ALineForTheNextFrameWaitsForItAndComesOnce) {
  title_run_log::SetProgramStart(platform::Microseconds());
  title_run_log::WriteAtNextFrame("opening-movie-first-frame-ms");
  EXPECT_TRUE(lines.empty()) << "no frame yet";
  title_run_log::NoteFrame(1000);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("opening-movie-first-frame-ms ", 0), 0u) << lines[0];
  const double ms = std::stod(lines[0].substr(lines[0].find(' ') + 1));
  EXPECT_GE(ms, 0.0);
  EXPECT_LT(ms, 10000.0);
  title_run_log::NoteFrame(1040);
  EXPECT_EQ(lines.size(), 1u) << "written once";
}

// While a script is watched, a frame more than kLateFrameMs after it was due
// gets a line naming how late it came and the step the script was at; a long
// gap between two frames on time (the picture did not change) gets none, nor
// does anything outside a watch.
TEST_F(TitleRunLogTest, LateFramesOfAWatchedScriptNameTheirStep) {
  title_run_log::NoteFrame(100, 500);  // no watch
  title_run_log::BeginFrameWatch(1000);
  title_run_log::NoteWatchStep("HideModule");
  title_run_log::NoteFrame(1010, title_run_log::kLateFrameMs);  // late, but within the budget
  title_run_log::NoteFrame(1210, 0);                            // long gap, on time
  title_run_log::NoteWatchStep("LayoutModeTour");
  title_run_log::NoteFrame(1300, 80);
  title_run_log::NoteFrame(1310, 2);
  const title_run_log::FrameWatch watch = title_run_log::EndFrameWatch(1400);
  title_run_log::NoteFrame(2000, 300);  // the watch has ended
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("late-frame 80 LayoutModeTour busy-ms ", 0), 0u) << lines[0];
  EXPECT_EQ(watch.frames, 4u);
  EXPECT_EQ(watch.longestGapMs, 200u);
  EXPECT_EQ(watch.latestMs, 80u);
  EXPECT_EQ(watch.durationMs, 400u);
}

}  // namespace
