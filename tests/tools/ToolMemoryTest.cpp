// movie frames and sound decode read their input as they decode it: the
// peak resident memory of a run on an input ten times longer stays within
// 10 % of that on the short one (the tool's own start-up memory, which
// sanitizer builds make larger, is in both). The longer inputs are the
// short ones repeated, made at test time.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

struct ToolRun {
  bool exited = false;  // ended by itself with status 0
  long peakKb = 0;      // its largest resident set
};

// Runs the tool with the arguments under GNU time, which takes its peak
// resident set from the kernel's account of the ended child. (A child of the
// test itself would report the test's own peak: a process keeps the high
// mark of the memory it was forked with across exec.)
ToolRun RunTool(const std::string& time, const std::string& peakFile, const std::vector<std::string>& args) {
  std::vector<std::string> command{time, "-f", "%M", "-o", peakFile, OSTREVAN_TOOL_BIN};
  command.insert(command.end(), args.begin(), args.end());
  ToolRun run;
  int status = 0;
  const pid_t pid = testsupport::Spawn(command);
  if (pid <= 0 || !testsupport::WaitFor(pid, 120, &status)) return run;
  run.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakKb = std::atol(ReadBytes(peakFile).c_str());
  return run;
}

// The bytes repeated ten times; `endCode` is a trailing end code that only
// the last copy keeps.
std::string TenTimes(std::string bytes, const std::string& endCode) {
  const bool ends = !endCode.empty() && bytes.size() >= endCode.size() &&
                    bytes.compare(bytes.size() - endCode.size(), endCode.size(), endCode) == 0;
  if (ends) bytes.resize(bytes.size() - endCode.size());
  std::string all;
  for (int i = 0; i < 10; ++i) all += bytes;
  return ends ? all + endCode : all;
}

class ToolMemoryTest : public testsupport::TempDirTest {
 protected:
  ToolMemoryTest() : TempDirTest("toolmemory") {}
};

TEST_F(ToolMemoryTest, PeakMemoryDoesNotGrowWithTheInput) {
  const std::string ffmpeg = testsupport::RequireTool("ffmpeg");
  if (ffmpeg.empty()) return;
  const std::string time = testsupport::RequireTool("time");
  if (time.empty()) return;
  // A second of intra-coded noisy pictures with loud sound (0.6 MB: most of
  // it payload, which a reader that keeps the streams would hold), and ten
  // seconds of Layer II sound at its highest rate.
  ASSERT_EQ(std::system((ffmpeg + " -nostdin -loglevel error -y -f lavfi -i "
                                  "\"testsrc2=size=160x120:rate=25,noise=alls=40:allf=t\" -f lavfi -i "
                                  "sine=sample_rate=44100 -t 1 -c:v mpeg1video -g 1 -q:v 1 -c:a mp2 -b:a 384k -f mpeg " +
                         Path("short.mpg") + " && " + ffmpeg +
                         " -nostdin -loglevel error -y -f lavfi -i sine=sample_rate=44100 -ac 2 -t 20 -c:a mp2 "
                         "-b:a 384k " + Path("short.mp2"))
                            .c_str()),
            0);
  WriteBytes(Path("long.mpg"), TenTimes(ReadBytes(Path("short.mpg")), std::string("\x00\x00\x01\xB9", 4)));
  WriteBytes(Path("long.mp2"), TenTimes(ReadBytes(Path("short.mp2")), ""));

  struct Case {
    const char* name;
    std::vector<std::string> shortArgs, longArgs;
    std::string shortOutput, longOutput;  // a file each run writes, ten times as long for the long input
  };
  ASSERT_EQ(std::system(("mkdir '" + Path("short") + "' '" + Path("long") + "'").c_str()), 0);
  const Case cases[] = {
      {"movie frames",
       {"movie", "frames", Path("short.mpg"), Path("short"), "--audio", Path("short.wav")},
       {"movie", "frames", Path("long.mpg"), Path("long"), "--audio", Path("long.wav")},
       Path("short.wav"),
       Path("long.wav")},
      {"sound decode",
       {"sound", "decode", Path("short.mp2"), Path("short-mp2.wav")},
       {"sound", "decode", Path("long.mp2"), Path("long-mp2.wav")},
       Path("short-mp2.wav"),
       Path("long-mp2.wav")},
  };
  for (const Case& c : cases) {
    const ToolRun shortRun = RunTool(time, Path("peak"), c.shortArgs), longRun = RunTool(time, Path("peak"), c.longArgs);
    ASSERT_TRUE(shortRun.exited && longRun.exited) << c.name;
    std::printf("%s: peak %ld KB for the short input, %ld KB for the long one\n", c.name, shortRun.peakKb,
                longRun.peakKb);
    // The whole input was decoded, not a part of it.
    const double outputs = double(ReadBytes(c.longOutput).size()) / double(ReadBytes(c.shortOutput).size());
    EXPECT_NEAR(outputs, 10.0, 0.1) << c.name;
    EXPECT_LE(double(longRun.peakKb), 1.1 * double(shortRun.peakKb))
        << c.name;
  }
  // And the pictures: ten times as many.
  EXPECT_TRUE(testsupport::FileExists(Path("long/frame-00250.ppm")));
  EXPECT_FALSE(testsupport::FileExists(Path("long/frame-00251.ppm")));
}

}  // namespace
